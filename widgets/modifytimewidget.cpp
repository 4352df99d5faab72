#include "widgets/modifytimewidget.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "widgets/basewidgets.h"
#include "widgets/boxlook.h"

#include <QDateEdit>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr int kArrowPx = 60;
constexpr int kClockWaitMs = 3000;

const char* const kDateArrows =
    "QDateEdit::up-button{subcontrol-origin:border;subcontrol-position:left top;image: url(:/img/icons/left.png);"
    "width: %1px;height: %1px;}QDateEdit::down-button {subcontrol-origin:border;subcontrol-position:left bottom;"
    "image: url(:/img/icons/right.png);width: %1px;height: %1px;}";
const char* const kTimeArrows =
    "QTimeEdit::up-button{subcontrol-origin:border;subcontrol-position:right top;image: url(:/img/icons/left.png);"
    "width: %1px;height: %1px;}QTimeEdit::down-button {subcontrol-origin:border;subcontrol-position:right bottom;"
    "image: url(:/img/icons/right.png);width: %1px;height: %1px;}";

void styleEditor(QAbstractSpinBox* e, const char* arrows)
{
    QFont f(QStringLiteral("wenquanyi"));
    f.setPixelSize(35);
    e->setFont(f);
    e->setFixedSize(330, 160);
    e->setAlignment(Qt::AlignCenter);
    e->setStyleSheet(QString::fromLatin1(arrows).arg(kArrowPx));
}

} // namespace

EditDateTime::EditDateTime(const QString& caption, QWidget* parent)
    : QWidget(parent), toSet_(platform::now())
{
    date_ = new QDateEdit(this);
    date_->setDisplayFormat(QStringLiteral("yyyy - MM - dd"));
    styleEditor(date_, kDateArrows);
    time_ = new QTimeEdit(this);
    time_->setDisplayFormat(QStringLiteral("HH : mm : ss"));
    styleEditor(time_, kTimeArrows);
    caption_ = new QLabel(caption, this);
    caption_->hide();

    auto* grid = new QGridLayout(this);
    grid->addWidget(date_, 0, 1);
    grid->addWidget(time_, 0, 2);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(10);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    setStyleSheet(QStringLiteral("background-color:#f5f5f5;"));
}

void EditDateTime::ShowDateTime()
{
    const QDateTime now = platform::now();
    date_->setDate(now.date());
    time_->setTime(now.time());
}

QString EditDateTime::dateArgument(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime EditDateTime::editedMoment() const { return QDateTime(date_->date(), time_->time()); }

EditDateTime::Steps EditDateTime::setSysDateTime()
{
    toSet_ = editedMoment();
    return setClock(toSet_);
}

EditDateTime::Steps EditDateTime::setClock(const QDateTime& moment)
{
    Steps steps;
    const platform::CommandResult date =
        platform::runCommand(QStringLiteral("date"), {QStringLiteral("-s"), dateArgument(moment)}, kClockWaitMs);
    steps.date = date.ok();
    if (!steps.date) {
        qWarning().noquote() << "the system clock could not be set:" << QString::fromLocal8Bit(date.err).trimmed();
        return steps;
    }
    const platform::CommandResult hw =
        platform::runCommand(QStringLiteral("hwclock"), {QStringLiteral("--systohc")}, kClockWaitMs);
    steps.hardware = hw.ok();
    if (!steps.hardware)
        qWarning().noquote() << "the hardware clock could not be set:" << QString::fromLocal8Bit(hw.err).trimmed();
    return steps;
}

ModifyTimeWidget::ModifyTimeWidget(QString title, QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint)
{
    setStyleSheet(QString::fromLatin1(kBoxStyleSheet));
    title_ = new QLabel(title, this);
    title_->setAlignment(Qt::AlignCenter);
    title_->setFixedHeight(35);
    editor_ = new EditDateTime(QString(), this);
    confirm_ = new QPushButton(LanStr(121), this);
    confirm_->setFixedSize(250, 72);
    cancel_ = new QPushButton(LanStr(124), this);
    cancel_->setFixedSize(250, 72);
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 16, 16, 16);
    root->setSpacing(0);
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(5, 5, 5, 5);
    titleRow->addWidget(title_);
    titleRow->addStretch();
    root->addLayout(titleRow);
    root->addWidget(createHorizontalSplitLine(this, QStringLiteral("#656263")));
    root->addWidget(editor_, 1, Qt::AlignCenter);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 10, 10, 10);
    buttons->setSpacing(16);
    buttons->addWidget(confirm_);
    buttons->addWidget(cancel_);
    root->addLayout(buttons);
    setGeometry(gShowW / 2 - 340, gShowH / 2 - 200, 680, 400);
}
