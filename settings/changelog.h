#pragma once
// The journal text of an accepted settings change: "Modify the system
// parameters" followed by one phrase per changed field, in a fixed order,
// each phrase in the current language. Fields outside the table (network,
// multi-detection IO, names, temperature limits, parameter group) change
// without a phrase.
#include <QString>
#include <cstdint>
#include <vector>

class WizardPara;

struct ChangePhrase {
    enum Form {
        Delay,     // "%1" label, old, new (the step delays)
        Redetect,  // the automatic re-checks
        Value,     // ", %1 is changed from %2 to %3"
        Switch,    // ", %1 is changed to " active / deactive
        OnAtZero,  // a switch that holds 0 for on and -1 for off
        Clamp,     // a switch followed by "Prohibit to clamp" / "Allow to clamp"
        Camera,    // a per-camera row with the camera number
        Password,  // the password text differs
    };
    Form form;
    int row;    // label row; for Camera and Password the phrase row itself
    int camera; // Camera: 0..7
    int32_t& (*field)(WizardPara&); // null for Password
};

// Every entry in journal order (the eight cameras' five values spelled out).
const std::vector<ChangePhrase>& ChangePhrases();

// The phrase of one entry for the two values (empty when they are equal).
QString PhraseText(const ChangePhrase& e, const WizardPara& oldValue, const WizardPara& newValue);

// Row 235 followed by the phrases of every changed entry.
QString ChangeLogText(const WizardPara& oldValue, const WizardPara& newValue);
