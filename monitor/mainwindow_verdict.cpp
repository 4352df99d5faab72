// The verdict of a judged step: release or re-check or alarm, the result
// display, the output pulses, the result images and the end of a cycle.
#include "monitor/controlport.h"
#include "editor/drawroiwidget.h"
#include "inspection/cammerrecongnize.h"
#include "monitor/cycleview.h"
#include "monitor/journal.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/indexbutton.h"
#include "monitor/placeholders.h"
#include "settings/systemsettingwidget.h"
#include "monitor/savefialimagethread.h"
#include "inspection/paramroi.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/clock.h"

#include <QStackedLayout>
#include <QTimer>

namespace {

const WizardPara& P() { return *gpWPara; }
ControlPort& IO() { return *gpControlIO; }
int mode() { return gpWPara->procedure; }
bool twoMold() { return mode() == ProcTwoColor || mode() == ProcTurntable; }

void showVerdictLeds(bool ng)
{
    LEDOnOff(led::kOkBit, ng ? 0 : 1);
    LEDOnOff(led::kNgBit, ng ? 1 : 0);
}

} // namespace

void MainWindow::CheckNG()
{
    // A sampled frame is no judged frame: sampling and its region check give
    // no verdict.
    if (gFromTrain || regionCheckDue || runState == 2)
        return;
    if (gisLost) { // no verdict while a camera is lost
        abandonSteps();
        return;
    }
    const WizardPara& p = P();
    const bool pulse = p.pulse_output != 0;
    const int s = twoMold() ? (currentStep & 1) : currentStep;
    if (s < 0 || s >= 8)
        return;
    const int R = recheckCount[s];
    ++verdicts;

    // Verdict.
    bool ng = false;
    for (int c : usedSlots()) {
        if (cameraViews[c] && !cameraViews[c]->allOK) {
            ng = true;
            cameraViews[c]->blinkTimer->start(1000);
        }
    }
    lastResultNG = ng;
    if (tempCheckLatch != 1 && currentStep == 1)
        ng = ng || gisTempAlarm;
    else
        tempCheckLatch = 0;
    lastVerdictNG = ng;

    // The cycle's region results are reported once.
    if (R == 0 && triggerNumber != 0) {
        reportCycleToLink(ng);
        triggerNumber = 0;
        g_listParamROI.clear();
    }
    if (ng && R == 0) {
        stepArmed[currentStep] = false;
        reportFirstNGToLink(s);
    }

    // Outputs. An NG of the clamp's step prohibits the clamp at once, the
    // temperature's included, re-checks pending or not.
    const bool productNG = ng && s == 0 && p.enable_stop_not_alarm;
    const int lastStep = mode() == ProcMultiDetect ? gDNum - 1 : 1;
    if (ng && !pulse && s == lastStep) {
        IO().IOSetOut(0, 1);
        IO().IOFlashOut();
    }
    if (pulse) {
        IO().IOSetOut(0, ng ? 1 : 0);
        IO().IOSetOut(1, ng ? 0 : 1);
        IO().IOSetOut(2, ng ? 1 : 0);
        IO().IOFlashOut();
        if (p.mold_pulse > 0)
            clampPulseTimer->start(p.mold_pulse * 100);
    } else if (!ng) {
        if (mode() == ProcMultiDetect) {
            setStepOutput(lastStartedStep, 0);
            if (!manualCycle)
                updateExpectedInput();
        } else {
            if (s == 1 && !gisReTrain)
                IO().IOSetOut(0, 0);
            if (s == 0 && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm)
                IO().IOSetOut(1, 0);
        }
        recheckPending = false;
        IO().IOFlashOut();
        if (displayState == 2)
            clearAlarm(s);
    } else if (!productNG && displayState != 2) {
        if (R > 0) {
            if (mode() != ProcMultiDetect)
                recheckPending = true;
            alarmStartMs = platform::now().toMSecsSinceEpoch();
        } else {
            enterAlarm();
        }
    }

    // Result display and the outputs of the options.
    if (displayState != 2 && displayState != 3 && (!ng || pulse || productNG)) {
        displayState = 1;
        resultTimer->start(2000);
        shownStep = currentStep;
        update();
        showVerdictLeds(pulse && ng);
    }
    if (!ng && s == 1) {
        if (p.step_enabled[0] && p.mold_cutoff && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm) {
            IO().IOSetOut(1, 1);
            IO().IOFlashOut();
        }
        if (p.is_cut_ontime && p.mold_pulse > 0)
            clampPulseTimer->start(p.mold_pulse * 100);
    }
    if (!ng && s == 0 && p.is_cut_ontime_thimble && p.thimble_pulse > 0)
        ejectorPulseTimer->start(p.thimble_pulse * 100);
    if (productNG) {
        for (int o = 0; o < 4; ++o)
            if (ngOutputs[o])
                IO().IOSetOut(4 + o, 1);
        if (!p.enable_cutoff_ontime)
            IO().IOSetOut(1, 1);
        IO().IOFlashOut();
        if (p.thimble_pulse > 0)
            ngPulseTimer->start(p.thimble_pulse * 100);
        if (mode() == ProcMultiDetect && !manualCycle)
            updateExpectedInput();
    }

    // Result images.
    for (int c : usedSlots()) {
        CammerWidget* v = cameraViews[c];
        if (!v)
            continue;
        int& code = stepSaveCode[c][currentStep];
        if (code == 1 && v->allOK) {
            if (gPicNumOK > 0 && (s > 0 || p.save_ok_record)) {
                code = 2;
                v->SaveFailImage(currentStep, 1);
            } else if (gPicNumOK == 0 || (s == 0 && !p.save_ok_record)) {
                code = 0;
            }
        } else if (code == 1) {
            if (gPicNumNG == 0) {
                code = 0;
            } else if (gPicNumNG > 0 && R == 0) {
                code = (pulse || (s == 0 && p.enable_stop_not_alarm)) ? 9 : 3;
                v->SaveFailImage(currentStep, 0);
            }
        }
        if (code == 4 || code == 5 || code == 6) {
            v->UpdateFailImage(currentStep, 0);
        } else if (code == 7) {
            if (v->allOK) {
                v->UpdateFailImage(currentStep, 0);
                v->SaveFailImage(currentStep, 1);
                v->UpdateFailImage(currentStep, 1);
            } else {
                code = 3;
            }
        }
    }
    if (!ng || pulse) {
        requestImages();
        const int last = (mode() == ProcMultiDetect || mode() == ProcStandardNoRecheck) ? gDNum - 1 : 1;
        if (s == last) {
            CountWrite(); // the cycle ends with its last step
            reportCycleEndToLink();
        }
    }
    if (p.cntnet_enable)
        g_listParamROI.clear();
    manualCycle = false;
}

// Codes 2, 9 and 10 become write requests for the image writer.
void MainWindow::requestImages()
{
    for (int c : usedSlots()) {
        for (int st = 0; st < gDNum && st < 8; ++st) {
            int& code = stepSaveCode[c][st];
            if (code != 2 && code != 9 && code != 10)
                continue;
            for (int kind = 0; kind < 2; ++kind) {
                if ((kind == 0 && code == 2) || (kind == 1 && code == 9))
                    continue;
                QMutexLocker lock(pMutexSaveFail);
                gisSaveFail[c][st][kind] = true;
            }
            code = 0;
        }
    }
}

// Multi-detection: the next step is triggered by the same input when it
// shares it with the step just started.
void MainWindow::updateExpectedInput()
{
    const WizardPara& p = P();
    if (lastStartedStep < 0 || lastStartedStep >= 8) {
        expectedInput = -1;
        return;
    }
    int next = lastStartedStep + 1;
    while (next < 8 && p.step_trigger_input[next] == -1)
        ++next;
    expectedInput = next < 8 && p.step_trigger_input[next] == p.step_trigger_input[lastStartedStep]
        ? p.step_trigger_input[next]
        : -1;
}

void MainWindow::enterAlarm()
{
    const WizardPara& p = P();
    if (gScreenOff) {
        LCDOnOff(1);
        if (p.location_level > 0)
            lcdTimer->start(p.location_level * 1000);
    }
    // Whatever the options left free: while an alarm shows, the clamp is
    // prohibited and the alarm output on.
    IO().IOSetOut(0, 1);
    IO().IOSetOut(2, 1);
    IO().IOFlashOut();
    SetStopDetect();
    displayState = 2;
    selectedCamera = numCamera;
    if (settingsWindow)
        settingsWindow->hide();
    if (mainStack)
        mainStack->setCurrentIndex(0);
    ChangeCammer();
    if (indexButton)
        indexButton->hide();
    roiEditor->Reset(false); // alarm review with the alarm option bar
    recheckPending = false;
    showVerdictLeds(true);
    QString cameras;
    for (int c : usedSlots())
        if (cameraViews[c] && !cameraViews[c]->allOK)
            cameras += LanStr(151).arg(c + 1);
    // The separator after the last camera goes; a text without one keeps its number.
    if (cameras.endsWith(QLatin1Char(' ')))
        cameras.chop(1);
    InsertRecord(cameras + LanStr(152));
    alarmStartMs = platform::now().toMSecsSinceEpoch();
}

void MainWindow::clearAlarm(int s)
{
    const WizardPara& p = P();
    if (s == 0 && p.enable_stop_not_alarm)
        return;
    roiEditor->Restart();
    if (sideStack)
        sideStack->setCurrentIndex(0);
    if (!haltedFor.isEmpty()) {
        // Stopped for maintenance while the alarm stood: the alarm goes,
        // the stop stays until the operator starts detection.
        StopDetect();
        IO().IOSetOut(0, 1);
        IO().IOFlashOut();
        displayState = 0;
        ResetRun();
        reportAlarmReleaseToLink();
        return;
    }
    auto resume = [this](std::initializer_list<int> off) {
        for (int o : off)
            IO().IOSetOut(o, 0);
        IO().IOFlashOut();
        displayState = 0;
        ResetRun();
        runState = 1;
    };
    switch (mode()) {
    case ProcTwoColor:
    case ProcTurntable:
        if (s == 1)
            StartDetect();
        else
            resume({2, 1});
        break;
    case ProcMultiDetect:
        resume({2});
        break;
    default:
        if (s == 0) {
            resume({2, 1});
            if (!p.semi_auto) { // the mold step follows at once
                simulatedInput = 1;
                forcedStep = 1;
            }
        } else if (mode() == ProcStandardNoRecheck) {
            resume({0, 2});
        } else {
            StartDetect();
        }
        break;
    }
    reportAlarmReleaseToLink();
}

void MainWindow::TimerShow()
{
    resultTimer->stop();
    if (displayState == 2) {
        cyclePhase = 3;
    } else {
        LEDOnOff(led::kOkBit, 1);
        LEDOnOff(led::kNgBit, 1);
        if (!recheckPending && currentStep == shownStep && gDNum > 0) {
            currentStep = (currentStep + 1) % gDNum;
            if (mode() != ProcMultiDetect && currentStep % 2 == 0 && !P().detect_product)
                currentStep = (currentStep + 1) % gDNum;
        }
        cyclePhase = 3;
        if (displayState == 1) {
            displayState = 0;
            update();
        }
    }
    if (gisReTrain) {
        gisReTrain = false;
        for (int c : usedSlots())
            if (cameraViews[c] && cameraViews[c]->recong)
                for (int d = 0; d < gDNum && d < 8; ++d)
                    if (P().step_enabled[d]) {
                        cameraViews[c]->recong->CreateShape(d);
                        cameraViews[c]->recong->VarTrain(d);
                    }
    } else if (gisReShape) {
        gisReShape = false;
        for (int c : usedSlots())
            if (cameraViews[c] && cameraViews[c]->recong) {
                cameraViews[c]->recong->CreateShape(1);
                cameraViews[c]->recong->VarTrain(1);
            }
    }
}

// ---- output pulses ----------------------------------------------------------------

void MainWindow::OutTimerNotAllowClose()
{
    clampPulseTimer->stop();
    if (P().pulse_output) {
        for (int o : {0, 1, 2})
            IO().IOSetOut(o, 0);
        IO().IOFlashOut();
    } else if (runState != 3) {
        IO().IOSetOut(0, 1); // the clamp is prohibited again
        IO().IOFlashOut();
    }
}

void MainWindow::OutTimerNotAllowThimble()
{
    ejectorPulseTimer->stop();
    if (P().pulse_output) {
        IO().IOSetOut(0, 0);
        IO().IOSetOut(1, 0);
        IO().IOFlashOut();
    } else if (runState != 3) {
        IO().IOSetOut(1, 1); // the ejector is prohibited again
        IO().IOFlashOut();
    }
}

void MainWindow::OutTimerOutNG()
{
    ngPulseTimer->stop();
    if (!P().enable_cutoff_ontime)
        IO().IOSetOut(1, 0);
    for (int o = 4; o <= 7; ++o)
        IO().IOSetOut(o, 0);
    IO().IOFlashOut();
}

void MainWindow::OutTimerReserveOutput()
{
    reserveTimer->stop();
    IO().IOSetOut(3, 0);
    IO().IOFlashOut();
}

// ---- temperature alarm (published by the next pass) --------------------------------

void MainWindow::CheckTemp()
{
    if (!gisTempAlarm)
        return;
    IO().IOSetOut(2, 1);
    alarmResetTimer->start(1000);
}

void MainWindow::SlotResetAlarm()
{
    if (displayState != 2)
        IO().IOSetOut(2, 0);
    alarmResetTimer->stop();
}
