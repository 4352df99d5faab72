#include "settings/lightsettingdialog.h"

#include "params/lanstr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kRowTitle = 912; // the title until the caller sets its own
constexpr int kRowOk = 913;
constexpr int kRowCancel = 914;
} // namespace

lightsettingdialog::lightsettingdialog(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::CustomizeWindowHint)
{
    setStyleSheet(QStringLiteral(
        "QDialog{background-color:rgb(57,60,69);}QLabel{color:white;}"
        "QPushButton:pressed{background-color:#FFC107;}"
        "QLineEdit{border:1px solid gray;color:white;background:transparent;}"
        "QLineEdit:focus{background-color:white;color:black;}"));
    auto* content = new QWidget(this);
    content->setFixedSize(600, 400);
    auto* header = new QWidget(content);
    header->setFixedHeight(100);
    header->setStyleSheet(QStringLiteral("color:white;background-color:#1E1E1E;font-size:20px;border:0px;}"));
    titleLabel = new QLabel(LanStr(kRowTitle), header);
    titleLabel->setFixedSize(600, 100);
    titleLabel->setStyleSheet(QStringLiteral("color:white;font-size:28px;"));
    okButton = new QPushButton(LanStr(kRowOk), header);
    okButton->setFixedSize(120, 60);
    okButton->setStyleSheet(
        QStringLiteral("outline:0px;border:0px;font-size:20px;color:white;background-color:#8BC34A;"));
    cancelButton = new QPushButton(LanStr(kRowCancel), header);
    cancelButton->setFixedSize(120, 60);
    cancelButton->setStyleSheet(
        QStringLiteral("outline:0px;border:0px;font-size:20px;color:white;background-color:#E91E63;"));

    auto* headerRow = new QHBoxLayout(header);
    headerRow->setSpacing(30);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addWidget(titleLabel);
    headerRow->addStretch();
    headerRow->addWidget(cancelButton);
    headerRow->addWidget(okButton);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(header);
    column->addStretch();

    connect(okButton, &QPushButton::pressed, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::pressed, this, &QDialog::reject);
}

void lightsettingdialog::setText(const QString& text) { titleLabel->setText(text); }
