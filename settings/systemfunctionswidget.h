#pragma once
// "system function": the work-mode switches, the language, the password
// change row and the count reset and shut-down buttons (the window runs them).
#include "settings/pagekit.h"
#include "widgets/basewidgets.h"

#include <functional>

class BLineEdit;
class CheckBox;
class QButtonGroup;
class QLabel;
class QPushButton;

// The page's switches, ticked or not.
struct SystemFunctionsValues {
    bool semiAuto = false;
    bool productDetect = false;
    bool twoSame = false;
    bool motionCorrection = false; // the field holds 0 for on, -1 for off
    bool password = false;
    bool templateUpdate = false;
};

SystemFunctionsValues LoadSystemFunctions(const WizardPara& p);
void StoreSystemFunctions(const SystemFunctionsValues& v, WizardPara& p);

class SystemFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemFunctionsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void SlotConnect();

    SystemFunctionsValues values() const;

    CheckBox* productBox;
    CheckBox* semiAutoBox;
    CheckBox* twoSameBox;
    CheckBox* correctBox;
    CheckBox* passwordBox;
    CheckBox* templateUpdateBox;
    QButtonGroup* languageGroup;
    BLineEdit* newPassword;
    BLineEdit* confirmPassword;
    QPushButton* resetCountButton;
    QPushButton* shutDownButton;
    QPushButton* changePasswordButton;

    // Applies the window's pending edits before a language change; false
    // when the apply refused (the change is then abandoned).
    std::function<bool()> applyPending;

public slots:
    void accept();
    void SlotChangeLan();
};
