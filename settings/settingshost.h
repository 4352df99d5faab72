#pragma once
// What the settings window needs of the main window and of the areas beside
// it: the cameras in use and the calls made on them, the cycle state that a
// new multi-detection step count resets, the region editor, the index
// column, the raw-image switch, the left area's page and the network-card
// sets of the reporting link. The main window installs its functions at
// start-up; tests install recorders. Until then the camera calls go to the
// camera drivers of the slots and everything else does nothing.
#include <QString>
#include <functional>
#include <vector>

class WizardPara;

namespace settingshost {

// What the apply step does to one camera (by slot) or its inspection.
enum class CameraOp {
    Expose,     // CameraDriver::SetExposeTime
    Gain,       // SetAdjustPlus
    Sharp,      // SetSharp
    Contrast,   // SetContrast
    Gamma,      // SetGamma
    ChangeTrig, // CameraChangeTrig(false)
    CreateShape, // the engine's template shape of a step
    VarTrain,   // the engine's training of a step
    CopyPara,   // paired steps copied inside the live region store once the
                // store so copied is saved to "PARAM.db" (a refused save: unchanged)
};

struct Hooks {
    std::function<std::vector<int>()> usedSlots;               // slots of the cameras in use
    std::function<void(int slot, CameraOp op, int step)> cameraOp;
    // The camera's own defaults, read back into the edit copy; done(restored)
    // on the GUI thread once the camera has answered (it may take its time).
    std::function<void(int slot, std::function<void(bool restored)> done)> restoreDefaults;
    std::function<void()> setSpeed;                            // CameraSetSpeed()
    std::function<void()> repaintViews;                        // the views in use repaint
    std::function<void(int mode)> showHideTools;               // MainWindow::MShowHide
    std::function<void()> showCameraViews;                     // the left area back to the views
    std::function<void(int n)> changeDetectNum;                // region editor: new step count
    // Cycle state for a new multi-detection step count (the edit copy
    // says which steps are enabled); sets the current step to n - 1.
    std::function<void(int n, const WizardPara& edit)> resetSteps;
    std::function<void(int mode)> indexShowHide;               // IndexButton::ShowHide
    std::function<bool()> saveOriginalImages;                  // the main window's raw-image switch
    std::function<void(bool on)> setSaveOriginalImages;
    std::function<void()> stopWatchdog;                        // StopWTD()
    std::function<void()> flushAll;                            // MainWindow::FLushAll()
    // Detection stopped with the clamp prohibited before work that cannot
    // run beside it (a restart); the reason journaled and shown.
    std::function<void(const QString& why)> haltDetection;
    // Clamp prohibited and published, and held so, before the program stops
    // its watchdog, closes its databases or ends (true); released to the
    // cycle again when the restart did not happen (false).
    std::function<void(bool leaving)> holdClampForExit;

    // The reporting link's network-card sets and its server mark. Defaults:
    // the link's own (gpNet), staged and installed by settings/netapply.
    std::function<bool()> netCardsDiffer;   // editCard differs from systemCard
    std::function<void()> netCardsRestore;  // editCard = systemCard
    std::function<void()> netCardsCommit;   // systemCard = editCard
    std::function<int()> stageNetwork;      // SaveNetParam(): flags, 0 nothing to install
    std::function<bool(int flags)> applyNetwork; // false: not installed
    std::function<bool()> takeServerMark;   // the server-settings-changed mark, cleared
    std::function<void()> restartLink;      // CNT_ReStart

    // Maintenance: the camera pages, power and restart, counters, views
    // that stand in for the window for a while.
    std::function<void(int camera)> showCamera;         // selectedCamera = camera, ChangeCammer()
    std::function<void(bool detached)> cameraParamsAdjust; // MainWindow::cameraPramsAdjust
    std::function<void()> tuneCamera;                   // views as the left area, renumbering dialog shown
    std::function<void()> showHardwareConfiguration;    // hardwareConfigWidget shown
    std::function<void()> reopenDatabases;              // after a restart that did not happen
    std::function<void(int status)> exitProgram;        // Exit(status)
    std::function<void()> resetCounters;                // gAllNum, gFailNum cleared, "count.txt" written
    std::function<void()> rawFramesRemoved;             // the raw-frame list is read again
    std::function<bool()> clearRecord;                  // MainWindow::ClearRecord: today's journal emptied
};

void install(const Hooks& hooks);
const Hooks& hooks();

std::vector<int> usedSlots();
void cameraOp(int slot, CameraOp op, int step = 0);
// The call on the slot's camera view itself (the default of cameraOp).
void directCameraOp(int slot, CameraOp op, int step);
// Default: CameraDriver::RestoreDefaultSettings of the slot's camera.
void restoreDefaults(int slot, std::function<void(bool restored)> done);
void setSpeed();
void repaintViews();
void showHideTools(int mode);
void showCameraViews();
void changeDetectNum(int n);
void resetSteps(int n, const WizardPara& edit);
void indexShowHide(int mode);
bool saveOriginalImages();
void setSaveOriginalImages(bool on);
void stopWatchdog();
void flushAll();
void haltDetection(const QString& why);
bool netCardsDiffer();
void netCardsRestore();
void netCardsCommit();
int stageNetwork();
bool applyNetwork(int flags);
bool takeServerMark();
void restartLink();
void showCamera(int camera);
void cameraParamsAdjust(bool detached);
void tuneCamera();
void showHardwareConfiguration();
void reopenDatabases();
void exitProgram(int status);
void resetCounters();
void rawFramesRemoved();
bool clearRecord(); // false when the rows are still there

} // namespace settingshost
