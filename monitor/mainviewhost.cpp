#include "monitor/mainviewhost.h"

#include "cameradriver/cameraglobals.h"
#include "editor/alarmoption.h"
#include "editor/regioption.h"
#include "monitor/journal.h"
#include "monitor/mainwindow.h"
#include "monitor/placeholders.h"
#include "monitor/savefialimagethread.h"
#include "monitor/titlebar.h"
#include "params/geometry.h"
#include "params/wizardpara.h"

#include <QMutexLocker>
#include <QTimer>
#include <cstring>

namespace {

int scratchCode = 0;

bool validCamera(int c) { return c >= 0 && c < 8; }

bool validSlot(int camera, int step, int kind)
{
    return validCamera(camera) && step >= 0 && step < 8 && kind >= 0 && kind < 2;
}

} // namespace

MainViewHost& MainViewHost::instance()
{
    static MainViewHost host;
    return host;
}

ViewState MainViewHost::state(int camera) const
{
    ViewState s;
    const MainWindow* w = gpWin;
    if (!w)
        return s;
    s.displayState = w->displayState;
    s.runState = w->runState;
    s.cyclePhase = w->cyclePhase;
    s.currentStep = w->currentStep;
    s.editStep = w->editStep;
    s.selectedCamera = cameraSlot(w->selectedCamera); // the split view has no slot: -1
    s.panX = w->panX;
    s.panY = w->panY;
    s.zoomFactor = w->zoomFactor;
    s.zoomToolState = w->zoomToolState;
    s.imageScaleX = w->viewPixelScaleX;
    s.imageScaleY = w->viewPixelScaleY;
    s.displayScaleX = w->viewScaleX;
    s.displayScaleY = w->viewScaleY;
    for (int d = 0; d < gDNum && d < 8; ++d) {
        if (w->countdownTimers[d] && w->countdownTimers[d]->isActive()) {
            s.countdownStep = d;
            s.countdownSeconds = w->countdown[d];
            break;
        }
    }
    s.cursorX = w->cursorImageX;
    s.cursorY = w->cursorImageY;
    s.cursorValue = w->cursorPixelValue;
    s.tempAlarm = gisTempAlarm;
    s.safetyDoorDetection = w->safetyTriggerActive != 0;
    s.noFreshFrame = validCamera(camera) && (w->noFreshFrameCameras >> camera) & 1;
    if (validCamera(camera)) {
        s.cycleCount = gAllNum[camera];
        s.failCount = gFailNum[camera];
        s.frameRate = w->framesPerSecond[camera];
    }
    s.drawTool = w->editTools.drawTool;
    s.copyAreaMode = w->editTools.copyAreaMode;
    s.freeHandMode = w->editTools.freeHandMode;
    if (const RegiOption* bar = w->regionOptionBar) {
        s.picture = bar->picture;
        s.pictureCount = bar->pictureCount;
        s.pictureCamera = bar->pictureCamera;
        s.pictureIndex = bar->pictureIndex;
        s.pictureName = bar->pictureName;
    }
    return s;
}

void MainViewHost::setCursor(int x, int y)
{
    if (!gpWin)
        return;
    gpWin->cursorImageX = x;
    gpWin->cursorImageY = y;
}

void MainViewHost::setCursorValue(int value)
{
    if (gpWin)
        gpWin->cursorPixelValue = value;
}

void MainViewHost::setDragOrigin(int x, int y)
{
    if (!gpWin)
        return;
    gpWin->dragLastX = x;
    gpWin->dragLastY = y;
}

void MainViewHost::dragOrigin(int* x, int* y) const
{
    *x = gpWin ? gpWin->dragLastX : 0;
    *y = gpWin ? gpWin->dragLastY : 0;
}

void MainViewHost::setPan(double x, double y)
{
    if (!gpWin)
        return;
    gpWin->panX = x;
    gpWin->panY = y;
}

void MainViewHost::selectCamera(int camera)
{
    if (!gpWin)
        return;
    const int k = cameraOfSlot(camera);
    gpWin->selectedCamera = k >= 0 ? k : numCamera;
    gpWin->ChangeCammer();
}

void MainViewHost::setEditTools(const EditTools& tools)
{
    if (gpWin)
        gpWin->editTools = tools;
}

void MainViewHost::alarmSetCamera(int camera)
{
    const int k = cameraOfSlot(camera);
    if (gpWin && gpWin->alarmOptionBar && k >= 0)
        gpWin->alarmOptionBar->SetCamera(k);
}

void MainViewHost::templatePrevious()
{
    if (gpWin && gpWin->regionOptionBar)
        gpWin->regionOptionBar->SlotTempLast();
}

void MainViewHost::templateNext()
{
    if (gpWin && gpWin->regionOptionBar)
        gpWin->regionOptionBar->SlotTempNext();
}

void MainViewHost::setCameraInfo(int camera, int type, const QString& text, int kind)
{
    if (gpWin && gpWin->titleBar)
        gpWin->titleBar->setCameraInfo(camera, CameraInfo::DATA_TYPE(type), text, MessageType(kind));
}

void MainViewHost::setLocation(const QString& text)
{
    if (gpWin && gpWin->titleBar)
        gpWin->titleBar->setLocation(text);
}

int& MainViewHost::saveCode(int camera, int step)
{
    if (!gpWin || !validCamera(camera) || step < 0 || step >= 8) {
        scratchCode = 0;
        return scratchCode;
    }
    return gpWin->stepSaveCode[camera][step];
}

void MainViewHost::markFirstFailure(int camera, int step, int region)
{
    if (!validSlot(camera, step, 0))
        return;
    QMutexLocker lock(pMutexSaveFail);
    if (gFailIndex[camera][step] == 0)
        gFailIndex[camera][step] = region;
}

// Images go only into the buffers of the cameras and steps in use.
void MainViewHost::storeFailImage(int camera, int step, int kind, const unsigned char* rgb32)
{
    if (!validSlot(camera, step, kind) || gImageLen <= 0)
        return;
    FailImagesFollowSteps(); // a step the settings brought into use gets its buffers
    QMutexLocker lock(pMutexSaveFail);
    if (gpFailImage[camera][step][kind])
        std::memcpy(gpFailImage[camera][step][kind], rgb32, size_t(gImageLen) * 4);
}

bool MainViewHost::loadFailImage(int camera, int step, int kind, unsigned char* rgb32)
{
    if (!validSlot(camera, step, kind) || gImageLen <= 0)
        return false;
    QMutexLocker lock(pMutexSaveFail);
    if (!gpFailImage[camera][step][kind])
        return false;
    std::memcpy(rgb32, gpFailImage[camera][step][kind], size_t(gImageLen) * 4);
    return true;
}
