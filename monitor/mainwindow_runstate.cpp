// Run states: detecting, sampling templates, stopped; the operator's start,
// stop and resample commands.
#include "cameradriver/cameradriver.h"
#include "editor/alarmoption.h"
#include "editor/drawroiwidget.h"
#include "editor/regioption.h"
#include "camera/cammerwidget.h"
#include "inspection/paramroi.h"
#include "monitor/controlport.h"
#include "monitor/cycletexts.h"
#include "monitor/cycleview.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/indexbutton.h"
#include "monitor/placeholders.h"
#include "monitor/titlebar.h"
#include "settings/systemsettingwidget.h"
#include "params/lanstr.h"
#include "inspection/cammerrecongnize.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"

#include <QTimer>

bool gisReTrain = false;
bool gisReShape = false;
bool gFromTrain = false;

namespace {
const WizardPara& P() { return *gpWPara; }
ControlPort& IO() { return *gpControlIO; }
int mode() { return gpWPara->procedure; }
bool twoMold() { return mode() == ProcTwoColor || mode() == ProcTurntable; }
} // namespace

void MainWindow::StartDetect() { StartDetect(false); }

void MainWindow::StartDetect(bool clampProhibited)
{
    gpCycleTrigger = &triggerNumber; // the inspection collects region results while it is set
    IO().IOResetAllOut();
    if (P().mold_cutoff)
        IO().IOSetOut(1, 1);
    if (clampProhibited)
        IO().IOSetOut(0, 1);
    IO().IOFlashOut();
    std::fill(awaitingFrames, awaitingFrames + 8, false);
    manualSlot = safetySlot = redetectSlot = -1;
    displayState = 0;
    std::fill(recheckCount, recheckCount + 8, 0);
    recheckPending = false;
    ResetRun();
    runState = 1;
    haltedFor.clear();
}

void MainWindow::resetCycle()
{
    for (QTimer* t : {resultTimer, ngPulseTimer, clampPulseTimer, ejectorPulseTimer, reserveTimer, alarmResetTimer,
                      watchdogTimer})
        if (t)
            t->stop();
    for (int i = 0; i < 8; ++i) {
        if (countdownTimers[i])
            countdownTimers[i]->stop();
        if (debounceTimers[i])
            debounceTimers[i]->stop();
    }
    leftMoldActive = 1;
    gpWPara->DeriveProcedure();
    const bool multi = mode() == ProcMultiDetect;
    currentStep = multi ? gDNum - 1 : (gpWPara->detect_product != 1 ? 1 : 0);
    lastStartedStep = multi ? gDNum - 1 : 0;
    runState = 1;
    displayState = 0;
    cyclePhase = 3;
    forcedStep = -1;
    noInputWarned = false;
    recheckPending = false;
    tempCheckLatch = 0;
    simulatedInput = expectedInput = -1;
    manualTriggerStep = gDNum;
    manualCycle = false;
    triggerNumber = 0;
    safetyTriggerActive = 0;
    shownStep = 0;
    lastResultNG = false;
    cameraTriggerSet = 0;
    cameraTriggered = false;
    lastDelay = 0;
    manualSlot = safetySlot = redetectSlot = -1;
    for (int i = 0; i < 8; ++i) {
        pendingCameras[i] = recheckCount[i] = 0;
        inputConfirmed[i] = stepArmed[i] = cycleCounted[i] = failCounted[i] = newFrame[i] = false;
        awaitingFrames[i] = false;
        countdown[i] = 0;
        std::fill(stepSaveCode[i], stepSaveCode[i] + 8, 0);
    }
    std::fill(ngOutputs, ngOutputs + 4, false);
    for (int c : usedSlots()) {
        if (CammerWidget* v = cameraViews[c]) {
            std::fill(v->noDetect, v->noDetect + 8, false);
            std::fill(v->samplePending, v->samplePending + 8, false);
            if (v->blinkTimer)
                v->blinkTimer->stop();
        }
    }
    gisSafeDoorOpen = false;
    regionCheckDue = false;
    alarmResetDue = false;
    gisReTrain = gisReShape = gFromTrain = false;
    StartDetect(gpWPara->is_cut_ontime && gpWPara->mold_pulse > 0);
}

void MainWindow::SetStopDetect()
{
    if (mode() == ProcTwoColor || mode() == ProcTurntable)
        pendingCameras[(currentStep & 1) ? 1 : 0] = 0;
    else if (mode() != ProcMultiDetect)
        pendingCameras[currentStep != 0 ? 1 : 0] = 0;
    for (int i = 0; i < gDNum && i < 8; ++i) {
        if (countdownTimers[i] && countdownTimers[i]->isActive()) {
            countdownTimers[i]->stop();
            countdown[i] = 0;
        }
    }
    std::fill(awaitingFrames, awaitingFrames + 8, false);
    manualSlot = safetySlot = redetectSlot = -1;
    runState = 3;
}

void MainWindow::StopDetect()
{
    IO().IOResetAllOut();
    if (P().enable_stop_mold == 1)
        IO().IOSetOut(0, 1);
    IO().IOFlashOut();
    if (mode() == ProcMultiDetect) {
        std::fill(pendingCameras, pendingCameras + 8, 0);
        currentStep = lastStartedStep = gDNum - 1;
    }
    SetStopDetect();
}

void MainWindow::haltForMaintenance(const QString& why)
{
    if (displayState == 2) {
        // The alarm stands on the screen: its outputs and the step it
        // judges again stay as they are.
        SetStopDetect();
    } else {
        StopDetect();
    }
    IO().IOSetOut(0, 1);
    IO().IOFlashOut();
    // One work may halt in steps (before its saves, then before its restart).
    if (haltedFor == why)
        return;
    haltedFor = why;
    InsertRecord(why);
    showRunning(false);
    update();
    reportRunCommandToLink();
}

// The run lamp, the title bar's colour and the start/stop button.
void MainWindow::showRunning(bool running)
{
    LEDOnOff(led::kRunBit, running ? 1 : 0);
    if (titleBar)
        titleBar->setStyleSheet(running ? QStringLiteral("TitleBar{background-color:#1f3f8d;}")
                                        : QStringLiteral("TitleBar{background-color:#ee2329;}"));
    if (optionBar)
        optionBar->showRunning(running);
}

void MainWindow::SlotStartStop()
{
    const auto shown = [](QWidget* w) { return w && w->isVisible(); };
    if (shown(settingsWindow) || shown(alarmOptionBar) || shown(regionOptionBar))
        return;
    // A start during an alarm would release the outputs the alarm holds.
    if (displayState == 2)
        return;
    if (runState == 3) {
        StartDetect(P().is_cut_ontime && P().mold_pulse > 0);
        InsertRecord(LanStr(142));
        showRunning(true);
    } else {
        if (CheckPassword() == 0 || !showChooseBox(LanStr(140)))
            return;
        if (shown(settingsWindow) || shown(alarmOptionBar))
            return;
        StopDetect();
        InsertRecord(LanStr(141));
        showRunning(false);
    }
    update();
    reportRunCommandToLink();
}

void MainWindow::SlotReTrain()
{
    const auto shown = [](QWidget* w) { return w && w->isVisible(); };
    if (shown(settingsWindow) || shown(cameraOrderDialog) || shown(customIONameWidget)
        || (optionBar && optionBar->isHidden()))
        return;
    // Sampling rewrites the camera folders, which saves held keep as they are.
    if (paramSavesHeld()) {
        showWarnBox(paramSavesHeldText());
        return;
    }
    if (CheckPassword() == 0 || !showChooseBox(LanStr(137)))
        return;
    if (shown(settingsWindow) || shown(regionOptionBar) || shown(alarmOptionBar) || displayState == 2)
        return;
    displayState = 0;
    resultsOK(false);
    if (runState == 3) {
        StartDetect(P().is_cut_ontime && P().mold_pulse > 0);
        LEDOnOff(led::kRunBit, 1);
    }
    runState = 2;
    roiEditor->SlotTempDeleteAll();
    QStringList failures; // ignore points that stay, as on disk
    for (int c : usedSlots()) {
        CammerWidget* v = cameraViews[c];
        if (!v)
            continue;
        for (int s = 0; s < gDNum && s < 8; ++s) {
            if (P().step_enabled[s])
                v->samplePending[s] = true;
            const cv::Mat before = v->ignoreMask[s].clone();
            if (!v->ignoreMask[s].empty())
                v->ignoreMask[s].setTo(0);
            if (!v->SaveIgnorePoint(s) && !before.empty()) {
                v->ignoreMask[s] = before;
                failures << LanStr(kLanIgnorePointsNotWritten).arg(c + 1).arg(s + 1);
            }
        }
    }
    CammerData::TellBitmapFailures(failures);
    InsertRecord(LanStr(139));
    SaveSN(0);
    update();
}

// The clamp stays prohibited: the new templates and regions are trained at
// once, and the clamp's step is judged on the first frames taken after this
// point; only their OK releases it, as in every cycle.
void MainWindow::BackTrain()
{
    const WizardPara& p = P();
    IO().IOSetOut(0, 1);
    if (!p.pulse_output && p.mold_cutoff && p.step_enabled[0] && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm
        && (mode() == ProcStandard || mode() == ProcAutoParts || mode() == ProcStandardNoRecheck))
        IO().IOSetOut(1, 1);
    IO().IOFlashOut();
    runState = 1;
    gisReTrain = false;
    // Trained off this thread; the judgement below waits for it.
    QVector<int> steps;
    for (int d = 0; d < gDNum && d < 8; ++d)
        if (p.step_enabled[d])
            steps << d;
    trainInBackground(steps);
    const int last = mode() == ProcMultiDetect ? gDNum - 1 : 1;
    if (last < 0 || last >= 8)
        return;
    if ((twoMold() ? (currentStep & 1) : currentStep) != last)
        currentStep = last;
    countdownTimers[last]->stop();
    countdown[last] = 0;
    takeFrames(); // a frame already waiting was taken before this point
    stepStartSeq[last] = frameSerial;
    samplingCheckSlot = last;
    requestJudgement(last);
}

void MainWindow::regionCheckAfterSampling()
{
    if (!regionCheckDue)
        return;
    regionCheckDue = false;
    if (runState == 2)
        CheckArea(false);
}

void MainWindow::CheckArea(bool)
{
    if (settingsWindow && settingsWindow->isVisible())
        settingsWindow->hide();
    if (CheckPassword() == 0) {
        // The new templates judge from here on, as after the region editor:
        // trained now, and the clamp freed only by a judged frame.
        InsertRecord(LanStr(cycletext::kRegionCheckRefused));
        BackTrain();
        return;
    }
    displayState = 3;
    if (indexButton)
        indexButton->hide();
    roiEditor->Reset(false);
    gFromTrain = true;
}

void MainWindow::SlotDrawHint()
{
    drawHintTimer->stop();
    gDrawHint = 0;
    update();
}
