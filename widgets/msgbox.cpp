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

} // namespace

TextBox::TextBox(const QString& title, int titleWidth, QWidget* parent) : QDialog(parent, kBoxFlags)
{
    InstallKitFonts();
    setStyleSheet(QString::fromLatin1(kBoxStyleSheet));
    titleLabel_ = makeBoxTitle(title, titleWidth, this);
    messageLabel_ = new QLabel(this);
    messageLabel_->setWordWrap(true);
    iconLabel_ = new QLabel(this);
    iconLabel_->setFixedSize(70, 70);
    iconLabel_->setPixmap(QPixmap(QStringLiteral(":/img/icons/56.png")));

    body_ = buildBoxLook(this, titleLabel_);
    // The icon beside a column of a 12-px space, the message and a stretch.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(iconLabel_);
    auto* column = new QVBoxLayout;
    column->addSpacing(12);
    column->addWidget(messageLabel_);
    column->addStretch();
    row->addLayout(column);
    body_->addLayout(row);
    body_->addStretch();
    setGeometry(boxGeometry());
}

void TextBox::setText(const QString& text) { messageLabel_->setText(text); }
QString TextBox::text() const { return messageLabel_->text(); }
void TextBox::hideEvent(QHideEvent* event) { QDialog::hideEvent(event); }

WarnBox::WarnBox(QString title, QWidget* parent) : TextBox(title, 100, parent)
{
    body_->setContentsMargins(0, 0, 0, 0);
    body_->setSpacing(0);
    confirm_ = new QPushButton(LanStr(121), this);
    confirm_->setFixedSize(200, 72);
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(confirm_);
    buttons->addStretch();
    body_->addLayout(buttons);
}

void WarnBox::showEvent(QShowEvent* event)
{
    setGeometry(fittedBoxGeometry(this, messageLabel_));
    UiHost& host = uiHost();
    if (host.screenOff) {
        kitLcdOnOff(1);
        const int seconds = gpWPara ? gpWPara->location_level : 0;
        if (seconds > 0 && host.restartLcdTimer)
            host.restartLcdTimer(seconds * 1000);
    }
    QDialog::showEvent(event);
}

ChooseBox::ChooseBox(QString title, QWidget* parent) : TextBox(title, 120, parent)
{
    yes_ = new QPushButton(LanStr(122), this);
    yes_->setFixedHeight(72);
    no_ = new QPushButton(LanStr(123), this);
    no_->setFixedHeight(72);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(30, 30, 30, 30);
    buttons->setSpacing(30);
    buttons->addWidget(yes_);
    buttons->addWidget(no_);
    body_->addLayout(buttons);
    hide();
}

// A question asked on a dark screen leaves the backlight as it is.
void ChooseBox::showEvent(QShowEvent* event)
{
    setGeometry(fittedBoxGeometry(this, messageLabel_));
    QDialog::showEvent(event);
}

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
