// The settings window's hooks into this window: the views, the zoom tools,
// the left area, the cycle state of a new multi-detection step count, the
// raw-image switch and the orderly stop before a reboot.
#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "editor/drawroiwidget.h"
#include "monitor/indexbutton.h"
#include "monitor/controlport.h"
#include "monitor/mainwindow.h"
#include "monitor/mapplication.h"
#include "monitor/placeholders.h"
#include "netlink/network.h"
#include "params/wizardpara.h"
#include "settings/settingshost.h"

#include <QStackedLayout>

void MainWindow::installSettingsHost()
{
    settingshost::Hooks h;
    h.repaintViews = [this] {
        for (int slot : usedSlots())
            if (cameraViews[slot])
                cameraViews[slot]->update();
    };
    h.showHideTools = [this](int mode) { MShowHide(mode); };
    h.changeDetectNum = [this](int n) {
        if (roiEditor)
            roiEditor->ChangeDetectNum(n);
    };
    h.showCameraViews = [this] { setcontentLayout(); };
    h.resetSteps = [this](int n, const WizardPara& edit) {
        for (int c : usedSlots()) {
            for (int s = 0; s < n && s < 8; ++s) {
                if (edit.step_enabled[s])
                    pendingCameras[s] = 0;
                if (cameraViews[c])
                    cameraViews[c]->noDetect[s] = false;
                stepSaveCode[c][s] = 0;
                stepArmed[s] = false;
            }
            cycleCounted[c] = false;
            failCounted[c] = false;
        }
        currentStep = n - 1;
    };
    h.saveOriginalImages = [this] { return saveOriginalImages != 0; };
    h.setSaveOriginalImages = [this](bool on) { saveOriginalImages = on ? 1 : 0; };
    h.indexShowHide = [this](int mode) {
        if (indexButton)
            indexButton->ShowHide(mode);
    };
    // No pause on this thread: the clamp hold (below) is what makes the
    // machine safe, and the IO thread keeps sending it while the restart
    // runs in the background.
    h.stopWatchdog = [] {};
    h.flushAll = [this] { FLushAll(); };
    h.haltDetection = [this](const QString& why) { haltForMaintenance(why); };
    h.holdClampForExit = [this](bool leaving) {
        leavingProgram = leaving;
        if (leaving && gpControlIO) {
            gpControlIO->IOSetOut(0, 1);
            gpControlIO->IOFlashOut();
        }
    };
    h.showCamera = [this](int camera) {
        selectedCamera = camera;
        ChangeCammer();
    };
    h.cameraParamsAdjust = [this](bool detached) { cameraPramsAdjust(detached); };
    h.tuneCamera = [this] {
        setcontentLayout();
        cameraOrderDialog->show();
        cameraOrderDialog->raise();
    };
    h.showHardwareConfiguration = [this] {
        hardwareConfigWidget->show();
        hardwareConfigWidget->raise();
    };
    h.exitProgram = [](int status) { Exit(status); };
    h.resetCounters = [this] {
        for (int c = 0; c < 8; ++c)
            gAllNum[c] = gFailNum[c] = 0;
        CountWrite();
    };
    h.rawFramesRemoved = [this] { rawWriter.relist(); };
    h.clearRecord = [this] { return ClearRecord(); };
    // The reporting link's network-card sets, its server mark and its client.
    h.netCardsDiffer = [] { return gpNet && gpNet->editCard != gpNet->systemCard; };
    h.netCardsRestore = [] {
        if (gpNet)
            gpNet->editCard = gpNet->systemCard;
    };
    h.netCardsCommit = [] {
        if (gpNet)
            gpNet->systemCard = gpNet->editCard;
    };
    h.takeServerMark = [] {
        const bool marked = gpNet && gpNet->serverChanged;
        if (marked)
            gpNet->serverChanged = false;
        return marked;
    };
    h.restartLink = [] { CNT_Net::CNT_ReStart(); };
    settingshost::install(h);
}
