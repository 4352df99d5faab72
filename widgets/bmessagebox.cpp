#include "widgets/bmessagebox.h"

#include "params/lanstr.h"
#include "widgets/boxlook.h"
#include "widgets/kitstyle.h"
#include "widgets/modal.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kRowClose = 1326;
// The flag buttons of MessageDialog.
constexpr int kRowOk = 1327;
constexpr int kRowNo = 1328;
constexpr int kRowCancel = 1329;
constexpr int kRowYes = 1330;
} // namespace

BMessageBox::BMessageBox(QString title, QString message, int flags, BMessageBoxIcon icon, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint)
{
    InstallKitFonts();
    title_ = makeBoxTitle(title, 150, this);
    icon_ = new QLabel(this);
    icon_->setFixedSize(48, 48);
    if (icon >= Information && icon <= Critical)
        icon_->setPixmap(QPixmap(QStringLiteral(":/img/icons/warning.png")));
    message_ = new QLabel(message, this);
    message_->setWordWrap(true);

    QVBoxLayout* body = buildBoxLook(this, title_);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(icon_);
    auto* column = new QVBoxLayout;
    column->addSpacing(12);
    column->addWidget(message_);
    column->addStretch();
    row->addLayout(column);
    body->addLayout(row);
    body->addStretch();

    struct Choice {
        int flag;
        QString text;
        bool accepts;
    };
    const Choice choices[] = {
        {Cancel, LanStr(124), false}, {Confirm, LanStr(121), true}, {No, LanStr(123), false},
        {Yes, LanStr(122), true},     {Close, LanStr(kRowClose), false},
    };
    auto* buttonRow = new QHBoxLayout;
    for (const Choice& c : choices) {
        if (!(flags & c.flag))
            continue;
        auto* b = new QPushButton(c.text, this);
        b->setFixedHeight(72);
        connect(b, &QPushButton::pressed, this, c.accepts ? &QDialog::accept : &QDialog::reject);
        buttonRow->addWidget(b);
        fitCaption(b);
        buttons_ << b;
    }
    body->addLayout(buttonRow);
    setStyleSheet(QString::fromLatin1(kBoxStyleSheet));
    setGeometry(boxGeometry());
}

void BMessageBox::showEvent(QShowEvent* event)
{
    setGeometry(fittedBoxGeometry(this, message_));
    QDialog::showEvent(event);
}

MessageDialog::MessageDialog(QString title, QString message, int flags, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::CustomizeWindowHint)
{
    InstallKitFonts();
    header_ = new QWidget(this);
    header_->setFixedSize(500, 60);
    header_->setStyleSheet(QStringLiteral("color:white;background-color:rgb(80,80,80);font-size:32px"));
    title_ = new QLabel(title, header_);
    title_->setFixedHeight(60);

    auto* messageLabel = new QLabel(message, this);
    messageLabel->setObjectName(QStringLiteral("message"));
    messageLabel->setWordWrap(true);
    messageLabel->setMargin(10);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setStyleSheet(QStringLiteral("font-size:28px;color:white;"));

    auto* headerRow = new QHBoxLayout(header_);
    headerRow->setContentsMargins(8, 0, 8, 0);
    headerRow->addWidget(title_);
    headerRow->addStretch();

    static const char* const kGreen = "outline:0px;border:none;font-size:32px;color:white;background-color:#8BC34A;";
    struct Choice {
        int flag;
        int text;
        const char* style;
        int ending; // 0 closes, 1 accepts, 2 rejects
    };
    const Choice choices[] = {
        {Ok, kRowOk, kGreen, 0},
        {No, kRowNo, "outline:0px;border:none;font-size:32px;color:white;background-color:#E91E63;", 2},
        {Cancel, kRowCancel, "font-size:32px;color:white;background-color:#9C27B0;", 0},
        {Yes, kRowYes, kGreen, 1},
    };
    for (const Choice& c : choices) {
        if (!(flags & c.flag))
            continue;
        auto* b = new QPushButton(LanStr(c.text), header_);
        b->setFixedSize(100, 50);
        b->setStyleSheet(QString::fromLatin1(c.style));
        fitCaption(b);
        if (c.ending == 1)
            connect(b, &QPushButton::pressed, this, &QDialog::accept);
        else if (c.ending == 2)
            connect(b, &QPushButton::pressed, this, &QDialog::reject);
        else
            connect(b, &QPushButton::pressed, this, &QWidget::close);
        headerRow->addWidget(b);
        buttons_ << b;
    }

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 5);
    root->addWidget(header_);
    root->addWidget(messageLabel);
    setFixedSize(500, 400);
    setStyleSheet(QStringLiteral("background-color:gray;"));
}

void MessageDialog::resetMessage(const QString& text)
{
    if (auto* label = findChild<QLabel*>(QStringLiteral("message"))) {
        label->setText(text);
        repaint();
    }
}

void showMessageDialog(const QString& title, const QString& text)
{
    MessageDialog dialog(title, text, MessageDialog::Ok);
    runModal(dialog);
}
