#include "widgets/msgbox.h"

#include "params/lanstr.h"
#include "params/skin.h"
#include "params/wizardpara.h"
#include "widgets/basewidgets.h"
#include "widgets/boxlook.h"
#include "widgets/kitstyle.h"
#include "widgets/modal.h"
#include "widgets/uihost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

WarnBox* gpWarnBox = nullptr;
ChooseBox* gpChooseBox = nullptr;

namespace {

constexpr Qt::WindowFlags kBoxFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint;

QLabel* makeIcon(QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setFixedSize(70, 70);
    l->setPixmap(QPixmap(QStringLiteral(":/img/icons/56.png")));
    return l;
}

// The icon beside a column of a 12-px space, the message and a stretch.
QHBoxLayout* messageRow(QLabel* icon, QLabel* message)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(icon);
    auto* column = new QVBoxLayout;
    column->addSpacing(12);
    column->addWidget(message);
    column->addStretch();
    row->addLayout(column);
    return row;
}

} // namespace

WarnBox::WarnBox(QString title, QWidget* parent) : QDialog(parent, kBoxFlags)
{
    InstallKitFonts();
    setStyleSheet(QString::fromLatin1(kBoxStyleSheet));
    titleLabel_ = makeBoxTitle(title, 100, this);
    messageLabel_ = new QLabel(this);
    messageLabel_->setWordWrap(true);
    iconLabel_ = makeIcon(this);
    confirm_ = new QPushButton(LanStr(121), this);
    confirm_->setFixedSize(200, 72);
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);

    QVBoxLayout* body = buildBoxLook(this, titleLabel_);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addLayout(messageRow(iconLabel_, messageLabel_));
    body->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(confirm_);
    buttons->addStretch();
    body->addLayout(buttons);

    setGeometry(boxGeometry());
}

void WarnBox::setText(const QString& text) { messageLabel_->setText(text); }
QString WarnBox::text() const { return messageLabel_->text(); }

void WarnBox::showEvent(QShowEvent* event)
{
    setGeometry(boxGeometry());
    UiHost& host = uiHost();
    if (host.screenOff) {
        kitLcdOnOff(1);
        const int seconds = gpWPara ? gpWPara->location_level : 0;
        if (seconds > 0 && host.restartLcdTimer)
            host.restartLcdTimer(seconds * 1000);
    }
    QDialog::showEvent(event);
}

void WarnBox::hideEvent(QHideEvent* event) { QDialog::hideEvent(event); }

ChooseBox::ChooseBox(QString title, QWidget* parent) : QDialog(parent, kBoxFlags)
{
    InstallKitFonts();
    setStyleSheet(QString::fromLatin1(kBoxStyleSheet));
    titleLabel_ = makeBoxTitle(title, 120, this);
    messageLabel_ = new QLabel(this);
    messageLabel_->setWordWrap(true);
    iconLabel_ = makeIcon(this);
    yes_ = new QPushButton(LanStr(122), this);
    yes_->setFixedHeight(72);
    no_ = new QPushButton(LanStr(123), this);
    no_->setFixedHeight(72);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);

    QVBoxLayout* body = buildBoxLook(this, titleLabel_);
    body->addLayout(messageRow(iconLabel_, messageLabel_));
    body->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(30, 30, 30, 30);
    buttons->setSpacing(30);
    buttons->addWidget(yes_);
    buttons->addWidget(no_);
    body->addLayout(buttons);

    setGeometry(boxGeometry());
    hide();
}

void ChooseBox::setText(const QString& text) { messageLabel_->setText(text); }
QString ChooseBox::text() const { return messageLabel_->text(); }

// A question asked on a dark screen leaves the backlight as it is.
void ChooseBox::showEvent(QShowEvent* event)
{
    setGeometry(boxGeometry());
    QDialog::showEvent(event);
}

void ChooseBox::hideEvent(QHideEvent* event) { QDialog::hideEvent(event); }

ChooseCaliNumWidget::ChooseCaliNumWidget(QWidget* parent) : ChooseBox(QString(), parent)
{
    combo_ = new ComboBox(this);
    combo_->addItems({QStringLiteral(" 4 "), QStringLiteral(" 9 "), QStringLiteral(" 25 ")});
    combo_->setFixedSize(200, 80);
    combo_->setFont(kitFont(QStringLiteral("wqy-microhei"), 33));
    combo_->setItemHeight(80);
    const int w = width();
    const int h = height();
    combo_->setGeometry(w / 2 + 100, h / 4 - 30, 200, 80);
}

void ChooseCaliNumWidget::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    p.setPen(QPen(Qt::white, 5));
    p.drawRect(QRect(QPoint(0, 0), QPoint(w - 2, h - 2)));
    yesButton()->setGeometry(w / 3 - 160, 2 * (h / 3) - 50, 220, 100);
    noButton()->setGeometry(2 * (w / 3) - 60, 2 * (h / 3) - 50, 220, 100);
}

void showWarnBox(QString text)
{
    WarnBox box(LanStr(568));
    box.setText(text);
    runModal(box);
}

bool showChooseBox(QString text)
{
    ChooseBox box(LanStr(566));
    box.setText(text);
    return runModal(box) == QDialog::Accepted;
}
