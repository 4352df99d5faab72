#include "widgets/passwordbox.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "widgets/boxlook.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"
#include "widgets/keypads.h"
#include "widgets/kitstyle.h"
#include "widgets/modal.h"
#include "widgets/uihost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PasswordBox* gpPasswordBox = nullptr;

namespace {

const WizardPara& record()
{
    static const WizardPara defaults;
    return gpWPara ? *gpWPara : defaults;
}

const char* const kServiceAccessCode = "5281";

} // namespace

QString serviceCode()
{
    QString code = QString::fromLatin1(kServiceAccessCode);
    if (record().is_psw_used != 0)
        code += platform::now().toString(QStringLiteral("hhMMdd"));
    return code;
}

PasswordBox::PasswordBox(QString title, QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    InstallKitFonts();
    setStyleSheet(QString::fromLatin1(kBoxStyleSheet));
    field_ = new BLineEdit(this, QString(), QString(), KeyboardDigital);
    field_->setEchoMode(QLineEdit::Password);
    field_->setFont(kitFont(QStringLiteral("wqy-microhei"), 27));
    field_->setFixedSize(350, 50);
    titleLabel_ = makeBoxTitle(title, 120, this);
    iconLabel_ = new QLabel(this);
    iconLabel_->setFixedSize(70, 70);
    iconLabel_->setPixmap(QPixmap(QStringLiteral(":/img/icons/password.png"))
                              .scaled(70, 70, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    accept_ = new QPushButton(LanStr(122), this);
    accept_->setFixedHeight(72);
    cancel_ = new QPushButton(LanStr(124), this);
    cancel_->setFixedHeight(72);
    connect(accept_, &QPushButton::clicked, this, &PasswordBox::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    QVBoxLayout* body = buildBoxLook(this, titleLabel_);
    auto* input = new QHBoxLayout;
    input->setSpacing(0);
    input->setContentsMargins(0, 0, 0, 0);
    input->addSpacing(20);
    input->addWidget(iconLabel_);
    input->addSpacing(10);
    input->addWidget(field_);
    input->addStretch();
    body->addLayout(input);
    body->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(30, 30, 30, 30);
    buttons->setSpacing(30);
    buttons->addWidget(accept_);
    buttons->addWidget(cancel_);
    body->addLayout(buttons);

    setGeometry(boxGeometry());
    connect(field_, &QLineEdit::textChanged, this, &PasswordBox::SlotTextChanged);
    if (gpNumPad)
        connect(gpNumPad, &NumberInput::chkpassword, this, &PasswordBox::keypadConfirmed);
    hide();
}

void PasswordBox::accept()
{
    const QString typed = field_->text();
    const QString operatorPassword = QString::fromLatin1(record().password);
    UiHost& host = uiHost();
    const QString service = serviceCode();
    if (typed == service || typed == operatorPassword) {
        host.userLevel = typed == service ? 2 : 1;
        failure_ = 0;
        field_->setPlaceholderText(LanStr(125));
        QDialog::accept();
        return;
    }
    // Emptied before the flag is raised, so the warning outlives one more
    // clearing of the field by the operator.
    host.userLevel = 0;
    field_->clear();
    failure_ = 2;
    field_->setPlaceholderText(LanStr(357));
}

// Every password box hears the keypad; only the one on screen answers, so a
// hidden box cannot log anybody out.
void PasswordBox::keypadConfirmed()
{
    if (isVisible())
        accept();
}

void PasswordBox::SlotTextChanged(const QString& text)
{
    if (!text.isEmpty()) {
        field_->setPlaceholderText(QString());
    } else if (failure_ == 2) {
        field_->setPlaceholderText(LanStr(357));
        failure_ = 0;
    } else {
        field_->setPlaceholderText(LanStr(125));
    }
}

void PasswordBox::mouseReleaseEvent(QMouseEvent*)
{
    if (gpNumPad)
        gpNumPad->HideUpdate();
}

void PasswordBox::showEvent(QShowEvent* event)
{
    setGeometry(boxGeometry());
    field_->clear();
    field_->setPlaceholderText(LanStr(125));
    QDialog::showEvent(event);
}

void PasswordBox::hideEvent(QHideEvent* event)
{
    UiHost& host = uiHost();
    if (Edit* field = host.focusedEdit.data()) {
        field->clearFocus();
        host.focusedEdit = nullptr;
    }
    if (gpNumPad)
        gpNumPad->HideUpdate();
    QDialog::hideEvent(event);
}

int CheckPassword()
{
    if (record().is_psw_used == 0)
        return 2;
    UiHost& host = uiHost();
    if (host.userLevel != 0)
        return host.userLevel;
    PasswordBox box(LanStr(569));
    runModal(box);
    return host.userLevel;
}

bool CheckRoot()
{
    UiHost& host = uiHost();
    if (host.userLevel == 2)
        return true;
    if (gpPasswordBox) {
        runModal(*gpPasswordBox);
    } else {
        PasswordBox box(LanStr(569));
        runModal(box);
    }
    return host.userLevel == 2;
}
