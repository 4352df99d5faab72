#include "monitor/maineditorhost.h"

#include "monitor/controlport.h"
#include "monitor/mainwindow.h"
#include "monitor/indexbutton.h"
#include "monitor/iostatuswidget.h"
#include "monitor/titlebar.h"
#include "monitor/placeholders.h"

#include <QStackedLayout>

MainEditorHost& MainEditorHost::instance()
{
    static MainEditorHost host;
    return host;
}

int& MainEditorHost::displayState() { return gpWin ? gpWin->displayState : spare_.display; }

int& MainEditorHost::currentStep() { return gpWin ? gpWin->currentStep : spare_.current; }

int& MainEditorHost::editStep() { return gpWin ? gpWin->editStep : spare_.edit; }

int& MainEditorHost::selectedCamera() { return gpWin ? gpWin->selectedCamera : spare_.selected; }

EditTools& MainEditorHost::tools() { return gpWin ? gpWin->editTools : spare_.editTools; }

int& MainEditorHost::pendingCameras(int group)
{
    if (!gpWin || group < 0 || group >= 8)
        return spare_.pendingCameras(group);
    return gpWin->pendingCameras[group];
}

int& MainEditorHost::stepSaveCode(int slot, int step)
{
    if (!gpWin || slot < 0 || slot >= 8 || step < 0 || step >= 8)
        return spare_.stepSaveCode(slot, step);
    return gpWin->stepSaveCode[slot][step];
}

// The window's latch of a judgement started outside the cycle.
void MainEditorHost::setEditorJudgement()
{
    if (gpWin)
        gpWin->tempCheckLatch = 1;
}

bool MainEditorHost::anyCameraNG() const { return gpWin && gpWin->lastResultNG; }

bool MainEditorHost::safetyDoorOpened() const { return gisSafeDoorOpen; }

bool& MainEditorHost::fromTrain() { return gFromTrain; }

CammerWidget* MainEditorHost::view(int k) { return gpWin ? gpWin->usedView(k) : nullptr; }

DrawROIWidget* MainEditorHost::editor() { return gpWin ? gpWin->roiEditor : nullptr; }

RegiOption* MainEditorHost::regionBar() { return gpWin ? gpWin->regionOptionBar : nullptr; }

AlarmOption* MainEditorHost::alarmBar() { return gpWin ? gpWin->alarmOptionBar : nullptr; }

void MainEditorHost::showSidePage(int page)
{
    if (gpWin && gpWin->sideStack)
        gpWin->sideStack->setCurrentIndex(page);
}

void MainEditorHost::showIOStatus()
{
    if (gpWin && gpWin->ioStatusWidget)
        gpWin->ioStatusWidget->show();
}

QString MainEditorHost::pictureFolder(int slot, int step, int kind)
{
    if (!gpWin || slot < 0 || slot >= 8 || step < 0 || step >= 8 || kind < 0 || kind > 1)
        return spare_.pictureFolder(slot, step, kind);
    return gpWin->alarmImageDirs[slot][step][kind].path();
}

void MainEditorHost::repaint()
{
    if (gpWin)
        gpWin->update();
}

void MainEditorHost::resetRun()
{
    if (gpWin)
        gpWin->ResetRun();
}

void MainEditorHost::reDetect()
{
    if (gpWin)
        gpWin->ReDetect();
}

void MainEditorHost::checkNG()
{
    if (gpWin)
        gpWin->CheckNG();
}

void MainEditorHost::changeCamera()
{
    if (gpWin)
        gpWin->ChangeCammer();
}

void MainEditorHost::backTrain()
{
    if (gpWin)
        gpWin->BackTrain();
}
