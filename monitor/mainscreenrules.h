#pragma once
// The main screen's decisions, apart from its widgets so that each can be
// checked without a screen: the picture of a title-bar IO icon, the inputs
// the IO panel reports and where it puts the alarm lamp, when the snapshot
// buttons show, what the password gate does and when a command is blocked.
#include <QPoint>
#include <QString>
#include <array>

class WizardPara;

namespace mainscreen {

// kind 0 an input, 1 an output; index 0..3.
QString ioIconPath(int kind, int index, bool active);
// Entry of the icon in the title bar's row of eight: inputs 0..3, outputs 4..7.
int ioIconEntry(int kind, int index);

// Inputs 0..3 whose states the IO panel passes on to the title bar: all four,
// or in multi-detection the safety door and the inputs that trigger a step.
std::array<bool, 4> reportedInputs(const WizardPara& p);
// Top-left corner of the alarm lamp in the IO panel of the given height.
QPoint alarmLampPosition(const std::array<bool, 4>& reported, bool multiDetect, int bandHeight);

bool productSnapshotVisible(const WizardPara& p);
bool moldSnapshotVisible(const WizardPara& p);

// The password gate before any box: the level granted at once, or
// kAskPassword when the operator has to log in.
constexpr int kAskPassword = -1;
int passwordGate(int passwordUsed, int userLevel);

// What is on the screen when an editing command is pressed.
struct ScreenState {
    bool settingsShown = false;
    bool alarmBarShown = false;
    bool regionBarShown = false;
    bool renumberShown = false; // the camera renumbering dialog
    bool ioNamesShown = false;  // the custom IO name dialog
    int displayState = 0;       // 2: an alarm is shown
};
// Commands that open an editing screen do nothing while another such screen
// or an alarm holds the display.
bool commandBlocked(const ScreenState& s);

} // namespace mainscreen
