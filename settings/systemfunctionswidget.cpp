#include "settings/systemfunctionswidget.h"

#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "settings/maintenance.h"
#include "settings/settingshost.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"
#include "widgets/msgbox.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

SystemFunctionsValues LoadSystemFunctions(const WizardPara& p)
{
    SystemFunctionsValues v;
    v.semiAuto = p.semi_auto != 0;
    v.productDetect = p.detect_product != 0;
    v.twoSame = p.enabe_two_test != 0;
    v.motionCorrection = p.enable_correct != -1;
    v.templateUpdate = p.template_auto_update != 0;
    v.password = p.is_psw_used != 0;
    return v;
}

void StoreSystemFunctions(const SystemFunctionsValues& v, WizardPara& p)
{
    p.semi_auto = v.semiAuto;
    p.template_auto_update = v.templateUpdate;
    p.detect_product = v.productDetect;
    p.enabe_two_test = v.twoSame;
    p.enable_correct = v.motionCorrection ? 0 : -1;
    p.is_psw_used = v.password;
}

SystemFunctionsWidget::SystemFunctionsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QString::fromLatin1(pagekit::kPageStyle));
    const int mode = gpWPara ? gpWPara->procedure : 0;
    auto caption = [this](const QString& text) { return new QLabel(text, this); };
    productBox = new CheckBox(this);
    semiAutoBox = new CheckBox(this);
    twoSameBox = new CheckBox(this);
    correctBox = new CheckBox(this);
    passwordBox = new CheckBox(this);
    templateUpdateBox = new CheckBox(this, LanStr(400));
    templateUpdateBox->setStyleSheet(QStringLiteral("font-size:22px;color:#656263;"));
    templateUpdateBox->setVisible(mode == ProcAutoParts);

    auto row = [](std::initializer_list<QWidget*> widgets, std::initializer_list<int> gapsAfter, int spacing = 6) {
        auto* h = new QHBoxLayout;
        h->setSpacing(spacing);
        auto gap = gapsAfter.begin();
        int i = 0;
        for (QWidget* w : widgets) {
            h->addWidget(w);
            if (gap != gapsAfter.end() && *gap == i) {
                ++gap;
                h->addSpacing(*gap);
                ++gap;
            }
            ++i;
        }
        h->addStretch();
        return h;
    };
    auto* v = new QVBoxLayout(this);
    v->setSpacing(40);
    v->setContentsMargins(100, 50, 200, 50);
    v->addLayout(row({caption(LanStr(mode == ProcMultiDetect ? 510 : 175)), productBox, caption(LanStr(174)),
                      semiAutoBox},
                     {1, 185}));
    v->addLayout(row({caption(LanStr(177)), twoSameBox, caption(LanStr(176)), correctBox}, {1, 100}));

    languageGroup = new QButtonGroup(this);
    // Each language named in itself, the same on every screen: an operator who
    // cannot read the language in force still finds his own.
    auto* zh = new QRadioButton(LanStr(settingstext::kSimplifiedChinese, 0), this);
    auto* tw = new QRadioButton(LanStr(settingstext::kTraditionalChinese, 0), this);
    auto* en = new QRadioButton(LanStr(settingstext::kEnglish, 1), this);
    languageGroup->addButton(zh, 0);
    languageGroup->addButton(tw, 2);
    languageGroup->addButton(en, 1);
    v->addLayout(row({caption(LanStr(587)), zh, tw, en}, {}, 80));

    resetCountButton = new QPushButton(LanStr(172), this);
    shutDownButton = new QPushButton(LanStr(209), this);
    changePasswordButton = new QPushButton(LanStr(171), this);
    for (QPushButton* b : {resetCountButton, shutDownButton, changePasswordButton})
        b->setFixedSize(200, 50);
    v->addLayout(row({caption(LanStr(228)), resetCountButton, shutDownButton}, {}, 80));
    v->addLayout(row({caption(LanStr(170)), passwordBox, templateUpdateBox}, {1, 100}));

    const QString title = LanStr(settingstext::kPasswordTitle);
    const QString hint = LanStr(settingstext::kPasswordHint);
    newPassword = new BLineEdit(this, title, hint, KeyboardDigital);
    confirmPassword = new BLineEdit(this, title, hint, KeyboardDigital);
    for (BLineEdit* e : {newPassword, confirmPassword}) {
        e->setFixedSize(200, 50);
        e->setEchoMode(QLineEdit::Password);
    }
    QLabel* newLabel = caption(LanStr(226));
    newLabel->setMinimumSize(100, 50);
    QLabel* confirmLabel = caption(LanStr(settingstext::kConfirmLabel));
    confirmLabel->setMinimumSize(50, 50); // wider for a longer text
    QHBoxLayout* pw = row({newLabel, newPassword, confirmLabel, confirmPassword, changePasswordButton}, {}, 40);
    pw->setContentsMargins(0, 0, 0, 0);
    v->addLayout(pw);
    v->addStretch();
    SlotConnect();
}

void SystemFunctionsWidget::SlotConnect()
{
    for (QAbstractButton* b : languageGroup->buttons())
        connect(b, &QAbstractButton::clicked, this, &SystemFunctionsWidget::SlotChangeLan);
}

void SystemFunctionsWidget::WizardParaInit()
{
    const SystemFunctionsValues v = LoadSystemFunctions(*gpWParaBak);
    semiAutoBox->setValue(v.semiAuto);
    productBox->setValue(v.productDetect);
    twoSameBox->setValue(v.twoSame);
    correctBox->setValue(v.motionCorrection);
    templateUpdateBox->setValue(v.templateUpdate);
    passwordBox->setValue(v.password);
    pagekit::selectId(languageGroup, gLan);
    newPassword->clear();
    confirmPassword->clear();
}

SystemFunctionsValues SystemFunctionsWidget::values() const
{
    SystemFunctionsValues v;
    v.semiAuto = semiAutoBox->value();
    v.productDetect = productBox->value();
    v.twoSame = twoSameBox->value();
    v.motionCorrection = correctBox->value();
    v.password = passwordBox->value();
    v.templateUpdate = templateUpdateBox->value();
    return v;
}

void SystemFunctionsWidget::accept() { StoreSystemFunctions(values(), *gpWParaBak); }

void SystemFunctionsWidget::SlotChangeLan()
{
    const int lan = languageGroup->checkedId();
    if (lan == gLan || lan < 0 || lan > 2)
        return;
    if (!showChooseBox(LanStr(318)))
        return;
    // Pending edits are applied (with their own question) before the
    // restart, or they would be lost with it; a refused or unsaved apply keeps
    // the window and the language as they are.
    if (applyPending && !applyPending()) {
        pagekit::selectId(languageGroup, gLan);
        return;
    }
    // The language is saved with the record, so the restart comes up in it;
    // a refused save or restart keeps the old one.
    maintenance::switchLanguage(this, lan, [this](bool restarting) {
        if (!restarting)
            pagekit::selectId(languageGroup, gLan);
    });
}
