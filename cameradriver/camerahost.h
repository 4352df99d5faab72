#pragma once
// What the camera side needs of the main window beyond platform/host.h: its
// run state, whether the settings window (or the detached exposure panel) is
// shown, hiding the shared warning box, and the blocking waits of the probe
// and the recovery. The main window installs these at start-up; tests install
// their own. Until then: detecting, no settings shown, real sleeps.
#include <functional>

namespace camerahost {

struct Hooks {
    std::function<int()> runState;             // MainWindow::runState: 3 = detection stopped
    std::function<bool()> settingsVisible;     // the settings window is shown
    std::function<bool()> exposurePanelVisible; // the detached exposure and gain panel is shown
    std::function<void()> hideWarning;         // gpWarnBox->hide()
    std::function<void(int ms)> sleep;         // a blocking wait
};

void install(const Hooks& hooks);
const Hooks& hooks();

int runState();
bool settingsVisible();
bool exposurePanelVisible();
void hideWarning();
void sleepMs(int ms);

} // namespace camerahost
