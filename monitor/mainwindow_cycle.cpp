// The heart-beat of the monitoring cycle: the 3 ms pass that takes the
// frames, watches the inputs and starts the detection steps, the step
// countdowns, debouncing, the no-input watchdog, the one-second frame check
// and the manual and simulated triggers.
#include "cameradriver/cameraloss.h"
#include "editor/drawroiwidget.h"
#include "monitor/controlport.h"
#include "monitor/cycletexts.h"
#include "monitor/cycleview.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/iostatuswidget.h"
#include "monitor/placeholders.h"
#include "monitor/titlebar.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/background.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "widgets/msgbox.h"

#include <QImage>
#include <QTimer>
#include <algorithm>
#include <opencv2/core.hpp>

namespace {

const WizardPara& P() { return *gpWPara; }
ControlPort& IO() { return *gpControlIO; }
int mode() { return gpWPara->procedure; }
bool twoMold() { return mode() == ProcTwoColor || mode() == ProcTurntable; }

qint64 nowMs() { return platform::Clock::instance().monotonicMs(); }

int usedMask()
{
    int all = 0;
    for (int c : usedSlots())
        all |= 1 << c;
    return all;
}

} // namespace

// ---- the pass ---------------------------------------------------------------

void MainWindow::Run()
{
    const host::PassScope pass; // no box may hold the pass
    // White balance after start-up and recovery; a lost camera holds the
    // clamp prohibited on every pass while its recovery works off this
    // thread, retried every 3 s.
    const bool lost = gisLost;
    const int next = CameraWatch::instance().runStep();
    if (lost) {
        abandonSteps();
        watchdogTimer->stop();
        runTimer->start(next);
        return;
    }

    // A pass that comes late means the process did not run: the grab threads
    // did not either, and that time does not count against their frames.
    const qint64 now = nowMs();
    if (lastPassMs > 0 && now - lastPassMs > kLatePassMs) {
        const qint64 late = now - lastPassMs - 3;
        for (qint64& d : freshDeadlineMs)
            d += late;
        cameraRoundDeadlineMs += late;
    }
    lastPassMs = now;

    std::fill(newFrame, newFrame + 8, false);
    takeFrames();
    if (!gisLost)
        serveWaitingSteps();
    if (gisLost) {
        abandonSteps();
        runTimer->start(3);
        return;
    }

    if (displayState == 2) {
        alarmResetWatch();
    } else if (recheckPending) {
        const int i = twoMold() ? (currentStep & 1) : currentStep;
        if (recheckCount[i] > 0 && !trainingCovers(i)) { // judged with the training in force
            --recheckCount[i];
            ReCheck();
        }
        watchdogTimer->stop();
    } else {
        normalPass();
    }

    showLiveFrames();
    IO().IOFlashOut();
    if (ioStatusWidget) {
        // The title bar follows the board also while the band is hidden.
        ioStatusWidget->pushStates();
        ioStatusWidget->update();
    }
    if (titleBar)
        titleBar->update();
    runTimer->start(3);
}

void MainWindow::takeFrames()
{
    const bool external = P().use_external_trigger != 0;
    for (int j : usedSlots()) {
        CammerWidget* v = cameraViews[j];
        if (!v || v->curImage.empty() || v->recvImage->size() < size_t(gColorLen))
            continue;
        const int cam = v->cameraIndex;
        {
            std::lock_guard<std::mutex> lock(pMutex[cam]);
            if (!isImageFill[cam])
                continue; // counted only for a new frame, so a stalled camera shows
            if (frameHeld(v->curImage.data))
                freshFrameBuffer(j);
            std::memcpy(v->curImage.data, v->recvImage->data(), size_t(gColorLen));
            isImageFill[cam] = false;
        }
        if (gisColor) {
            const cv::Scalar m = cv::mean(cv::Mat(gImageH, gImageW, CV_8UC4, v->curImage.data));
            v->averageGrey = int((m[0] + m[1] + m[2]) / 3);
        } else {
            v->averageGrey = int(cv::mean(cv::Mat(gImageH, gImageW, CV_8UC1, v->curImage.data))[0]);
        }
        frameSeq[j] = ++frameSerial;
        if (external && displayState != 2) {
            if (cameraTriggerSet == 0) { // the trigger: the round's frames count from here
                cameraRoundStartSeq = frameSeq[j] - 1;
                cameraRoundDeadlineMs = nowMs() + waitForFramesMs(usedMask());
            }
            cameraTriggerSet |= 1 << j;
        }
        ++frameCount[j];
        newFrame[j] = true;
        if (gisLost)
            return;
    }
}

void MainWindow::freshFrameBuffer(int slot)
{
    CammerWidget* v = cameraViews[slot];
    std::vector<cv::Mat>& pool = framePool[slot];
    const cv::Mat held = v->curImage;
    auto fits = [&](const cv::Mat& m) { return m.size() == held.size() && m.type() == held.type(); };
    cv::Mat next;
    for (const cv::Mat& m : pool)
        if (m.data != held.data && fits(m) && !frameHeld(m.data)) {
            next = m;
            break;
        }
    if (next.empty())
        next = cv::Mat(held.size(), held.type());
    auto pooled = [&](const cv::Mat& m) {
        return std::any_of(pool.begin(), pool.end(), [&](const cv::Mat& p) { return p.data == m.data; });
    };
    // Buffers of another size (the geometry changed) leave the pool.
    pool.erase(std::remove_if(pool.begin(), pool.end(), [&](const cv::Mat& m) { return !fits(m); }), pool.end());
    for (const cv::Mat& m : {held, next})
        if (!pooled(m) && int(pool.size()) < kFramePool)
            pool.push_back(m);
    v->curImage = next;
}

void MainWindow::fillFramePool(int slot)
{
    CammerWidget* v = slot >= 0 && slot < 8 ? cameraViews[slot] : nullptr;
    if (!v || v->curImage.empty() || framePoolFilling[slot] || framePool[slot].size() >= 2)
        return;
    framePoolFilling[slot] = true;
    const cv::Size size = v->curImage.size();
    const int type = v->curImage.type();
    platform::runInBackground<std::vector<cv::Mat>>(
        this,
        [size, type] {
            std::vector<cv::Mat> made;
            for (int i = 0; i < 2; ++i)
                made.emplace_back(size, type, cv::Scalar::all(0));
            return made;
        },
        [this, slot, size, type](std::vector<cv::Mat> made) {
            framePoolFilling[slot] = false;
            for (cv::Mat& m : made)
                if (int(framePool[slot].size()) < kFramePool && m.size() == size && m.type() == type)
                    framePool[slot].push_back(m);
        });
}

void MainWindow::showLiveFrames()
{
    if (gSource != -1 && gSource != 1)
        return;
    for (int j : usedSlots()) {
        if (!newFrame[j] || !cameraViews[j])
            continue;
        cycleview::showLive(cameraViews[j]);
        cameraViews[j]->update();
    }
}

void MainWindow::alarmResetWatch()
{
    IO().IOInTrigger(0);
    const bool door = IO().IOInTrigger(1);
    const bool ejectorBack = IO().IOInTrigger(2);
    IO().IOInTrigger(3);
    const bool in0 = IO().IOState(0, 0);
    const bool in3 = IO().IOState(0, 3);
    const bool reset = door || simulatedInput == 1
        || (currentStep >= 1 && P().semi_auto && (ejectorBack || simulatedInput == 2));
    if (reset) {
        simulatedInput = -1;
        for (int c : usedSlots())
            if (cameraViews[c])
                for (int s = 0; s < gDNum && s < 8; ++s)
                    cameraViews[c]->noDetect[s] = false;
        if (mode() == ProcTurntable) {
            if (in0 && !in3)
                leftMoldActive = 1;
            else if (!in0 && in3)
                leftMoldActive = 0;
        }
        if (roiEditor->editsPending()) {
            // The save question may not hold the pass: it is asked from the
            // event loop, the alarm and its outputs standing until then.
            if (!alarmResetDue) {
                alarmResetDue = true;
                QMetaObject::invokeMethod(this, [this] { alarmReset(); }, Qt::QueuedConnection);
            }
        } else {
            alarmReset();
        }
    }
    watchdogTimer->stop();
}

void MainWindow::alarmReset()
{
    alarmResetDue = false;
    if (displayState == 2)
        roiEditor->SlotReCheck(); // saves what was edited in the review, then judges again
}

void MainWindow::normalPass()
{
    const WizardPara& p = P();
    // a. The safety door judges the mold step at once.
    if (p.enable_trigger_safety && runState != 3 && (IO().IOInTrigger(1) || simulatedInput == 1)) {
        simulatedInput = -1;
        for (int c : usedSlots()) {
            if (cameraViews[c])
                cameraViews[c]->noDetect[1] = false;
            stepSaveCode[c][1] = 1;
            if (twoMold()) {
                if (cameraViews[c])
                    cameraViews[c]->noDetect[3] = false;
                stepSaveCode[c][3] = 1;
            }
        }
        const int slot = mode() == ProcMultiDetect ? gDNum - 1 : 1;
        if (slot >= 0 && slot < 8 && !countdownTimers[slot]->isActive()) {
            stepStartSeq[slot] = frameSerial;
            safetySlot = slot;
        }
        safetyTriggerActive = 1;
        TimerUp(slot);
        safetyTriggerActive = 0;
    }

    // b. Stopped: edges are taken and dropped; the two-colour procedure
    // still follows its mold inputs.
    if (runState == 3) {
        cameraTriggerSet = 0; // a hardware trigger counts again from the start
        for (int k = 0; k < 4; ++k) {
            const bool edge = IO().IOInTrigger(k);
            if (!edge || mode() != ProcTwoColor)
                continue;
            if (k == 2 && p.cavity_position != 1)
                leftMoldActive = 1;
            else if (k == 3 && p.cavity_position != 0)
                leftMoldActive = 0;
        }
        watchdogTimer->stop();
        return;
    }

    // c. No input is read while a step counts down.
    bool counting = false;
    for (int l = 0; l < gDNum && l < 8; ++l)
        counting = counting || slotBusy(l);
    if (counting)
        simulatedInput = -1;

    // d. Manual trigger.
    if (manualTriggerStep != gDNum) {
        const int m = manualTriggerStep;
        manualTriggerStep = gDNum;
        triggerNumber = ~m;
        bool start = false;
        if (m >= 0 && m < 8) {
            if (twoMold())
                start = p.step_enabled[m] || (m + 2 < 8 && p.step_enabled[m + 2]);
            else if (mode() == ProcMultiDetect)
                start = (m == lastStartedStep || lastStartedStep == gDNum - 1) && !counting;
            else
                start = p.step_enabled[m];
        }
        if (start) {
            manualStart(m);
            if (displayState == 2)
                return;
        }
    }

    // e. Hardware-triggered cameras: a frame from every camera is an edge on input 0.
    if (p.use_external_trigger && numCamera > 0) {
        int all = 0;
        for (int c : usedSlots())
            all |= 1 << c;
        if ((cameraTriggerSet & all) == all) {
            cameraTriggerSet = 0;
            simulatedInput = 0;
            cameraTriggered = true;
        }
    }

    // f. The inputs, unless a step counts down.
    if (!counting)
        scanInputs();
    cameraTriggered = false;
}

// The outputs of a manual judgement that ended in an alarm.
void MainWindow::manualAlarmOutputs(int m)
{
    const WizardPara& p = P();
    if (mode() == ProcMultiDetect) {
        setStepOutput(currentStep, 1);
    } else if (!p.pulse_output) {
        IO().IOSetOut(0, 1);
        if (m == 0 && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm)
            IO().IOSetOut(1, 1);
    }
    IO().IOFlashOut();
}

// ---- inputs -----------------------------------------------------------------

bool MainWindow::scanInputs()
{
    const int debounce = P().input_debounce_time;
    for (int k = 0; k < 8; ++k) {
        bool triggered = false;
        if (IO().IOInTrigger(k)) {
            debounceTimers[k]->stop();
            if (debounce == 0)
                triggered = true;
            else
                debounceTimers[k]->start(debounce * 100);
        }
        if (!triggered && !inputConfirmed[k] && expectedInput != k && simulatedInput != k)
            continue;
        inputConfirmed[k] = false;
        simulatedInput = -1;
        triggerNumber = k + 1;
        // Steps started by this input judge only frames taken after it; the
        // frames of a hardware trigger count from the round's first one.
        startSeq = k == 0 && cameraTriggered ? cameraRoundStartSeq : frameSerial;
        if (!(mode() == ProcMultiDetect ? applyMultiDetectRules(k) : applyInputRules(k)))
            return false;
    }
    return true;
}

bool MainWindow::applyInputRules(int k)
{
    const WizardPara& p = P();
    const bool startByTwo = k == 2 && p.detect_any_order == 1;
    switch (mode()) {
    case ProcTwoColor:
        if (k == 0 || startByTwo)
            cycleStart(k);
        if (pendingCameras[1] != 0 || p.detect_any_order != 0) {
            if (k == 2 && p.cavity_position != 1) {
                leftMoldActive = 1;
                rearmMoldStep();
            } else if (k == 3 && p.cavity_position != 0) {
                leftMoldActive = 0;
                rearmMoldStep();
            }
        }
        break;
    case ProcTurntable:
        if ((k == 0 && p.cavity_position != 1) || (k == 3 && p.cavity_position != 0))
            cycleStart(k);
        if (k == 2 && (pendingCameras[1] != 0 || p.detect_any_order != 0))
            rearmMoldStep();
        break;
    default:
        if (k == 0 || startByTwo)
            cycleStart(k);
        if (k == 2 && p.semi_auto && (pendingCameras[1] != 0 || p.detect_any_order != 0))
            rearmMoldStep();
        break;
    }
    return scheduleSteps(k);
}

void MainWindow::cycleStart(int k)
{
    const WizardPara& p = P();
    const qint64 now = nowTenths();
    cycleTime = cycleTenths(lastCycleStart, now);
    lastCycleStart = now;

    if (noInputWarned) {
        noInputWarned = false;
        if (gpWarnBox)
            gpWarnBox->hide();
    } else if (p.input_timeout_len > 0) {
        watchdogTimer->start(p.input_timeout_len * 1000);
    }

    for (int s = 0; s < gDNum && s < 8; ++s)
        pendingCameras[s] = 0;
    recheckCount[0] = 0;
    std::fill(ngOutputs, ngOutputs + 4, false);
    gisSafeDoorOpen = false;
    recheckCount[1] = p.pulse_output ? 0 : p.front_auto_check_time;
    if (mode() == ProcMultiDetect)
        std::fill(recheckCount + 1, recheckCount + 8, 0);

    for (int c : usedSlots()) {
        for (int s = 0; s < gDNum && s < 8; ++s) {
            if (p.step_enabled[s])
                pendingCameras[mode() == ProcMultiDetect ? s : (s & 1)] |= 1 << c;
            if (cameraViews[c])
                cameraViews[c]->noDetect[s] = false;
            stepSaveCode[c][s] = 1;
            stepArmed[s] = true;
        }
        cycleCounted[c] = true;
        failCounted[c] = true;
    }

    if (!p.pulse_output && mode() != ProcMultiDetect) {
        const bool byInput2Only = mode() == ProcStandard && p.detect_any_order == 1;
        if (!p.pre_cut && mode() != ProcStandardNoRecheck && !p.cut_clamp_on_mold_alarm && (!byInput2Only || k == 2))
            IO().IOSetOut(0, 1);
        if (pendingCameras[0] != 0) {
            if (p.enable_stop_not_alarm || p.cut_ejector_on_prod_alarm) {
                IO().IOSetOut(1, 0);
                for (int o = 4; o <= 7; ++o)
                    IO().IOSetOut(o, 0);
            } else if (!p.enable_cutoff_ontime && (!byInput2Only || k == 0)) {
                IO().IOSetOut(1, 1);
            }
        }
        IO().IOFlashOut();
    }

    if (mode() == ProcTurntable) {
        if (k == 0)
            leftMoldActive = 1;
        else if (k == 3)
            leftMoldActive = 0;
    }
}

void MainWindow::rearmMoldStep()
{
    const WizardPara& p = P();
    pendingCameras[1] = 0;
    const bool enabled = p.step_enabled[1] || (twoMold() && p.step_enabled[3]);
    for (int c : usedSlots()) {
        if (cameraViews[c])
            for (int s = 0; s < 8; ++s)
                cameraViews[c]->noDetect[s] = false;
        if (enabled)
            pendingCameras[1] |= 1 << c;
    }
    if (!p.pulse_output) {
        if (!p.pre_cut && !p.cut_clamp_on_mold_alarm)
            IO().IOSetOut(0, 1);
        IO().IOFlashOut();
    }
}

bool MainWindow::scheduleSteps(int k)
{
    const WizardPara& p = P();
    if (pendingCameras[1] == 0)
        return true;
    const int slotCount = twoMold() ? 2 : qMin(gDNum, 8);
    for (int l = 0; l < slotCount; ++l) {
        const bool enabled = twoMold() ? p.step_enabled[leftMoldActive ? l : l + 2] : p.step_enabled[l];
        if (!enabled || slotBusy(l))
            continue;
        const int input = p.step_trigger_input[l];
        bool match = input == k;
        if (mode() == ProcTwoColor)
            match = match || (input == kEitherMoldInput && (k == 2 || k == 3));
        else if (mode() == ProcTurntable)
            match = match || (input == kEitherMoldInput && (k == 0 || k == 3));
        else if (forcedStep == l) {
            forcedStep = -1;
            lastDelay = 0;
            match = true;
        }
        if (!match)
            continue;
        int delay = p.detect_delay[l];
        if (l > 0 && !twoMold() && !p.semi_auto && p.detect_product)
            delay += lastDelay; // the mold step counts from the product step's trigger, after it
        lastDelay = delay;
        if (!startSlot(l, delay))
            return false;
    }
    expectedInput = -1;
    update();
    return true;
}

// Starts the countdown of a slot, or judges it at once without a delay.
// False when that judgement stopped detection.
bool MainWindow::startSlot(int slot, int delay)
{
    stepStartSeq[slot] = startSeq;
    // A new start of the slot is an ordinary step, whatever waited before.
    for (int* marked : {&manualSlot, &safetySlot, &redetectSlot})
        if (*marked == slot)
            *marked = -1;
    if (delay != 0) {
        countdown[slot] = float(delay) / 10;
        countdownTimers[slot]->start(100);
        cyclePhase = 1;
        return true;
    }
    countdown[slot] = 0;
    TimerUp(slot);
    return runState != 3;
}

bool MainWindow::slotBusy(int slot) const
{
    return slot >= 0 && slot < 8 && (countdownTimers[slot]->isActive() || awaitingFrames[slot]);
}

// ---- multi-detection --------------------------------------------------------

int MainWindow::stepOutput(int step) const
{
    return (step == gDNum - 1 ? OutputNo[7] : OutputNo[step]) - 1;
}

void MainWindow::setStepOutput(int step, int on)
{
    if (step >= 0 && step < 8)
        IO().IOSetOut(stepOutput(step), on);
}

bool MainWindow::applyMultiDetectRules(int k)
{
    const WizardPara& p = P();
    const int last = gDNum - 1;
    if (k == 0 && pendingCameras[last] == 0 && expectedInput == -1)
        cycleStart(k);

    // Steps run in order: an edge for a later step than the next is ignored.
    if (expectedInput == -1) {
        int next = lastStartedStep + 1;
        while (next < 8 && p.step_trigger_input[next] == -1)
            ++next;
        if (next < gDNum && p.step_trigger_input[next] != k)
            return false;
    }
    if (pendingCameras[last] == 0 || k > gDNum)
        return true;

    int u = lastStartedStep + 1;
    while (u < gDNum && p.step_row[u] == -1)
        ++u;
    if (u >= gDNum)
        u = 0;

    // Cut outputs of the trigger choice that claims u.
    const int choice = p.step_row[u];
    const int prev = lastStartedStep >= 0 && lastStartedStep < 8 ? p.step_row[lastStartedStep] : -1;
    if (choice >= 0 && choice < 8 && (choice != prev || (k == 0 && lastStartedStep == last))) {
        const int cut = p.row_cut_mode[choice];
        for (int st = u; st < gDNum && (cut == 0 || cut == 1); ++st) {
            if (p.step_row[st] == -1 || (cut == 1 && p.step_row[st] != choice))
                continue;
            if (st == 0 && !p.detect_product)
                continue;
            setStepOutput(st, 1);
        }
    }

    lastStartedStep = u;
    for (int l = 0; l < gDNum && l < 8; ++l) {
        if (!p.step_enabled[l] || slotBusy(l) || p.step_trigger_input[l] != k || pendingCameras[l] == 0)
            continue;
        lastStartedStep = l;
        if (!startSlot(l, p.detect_delay[l]) || p.detect_delay[l] == 0)
            return false; // a step judged at once ends the scan
        break;
    }
    expectedInput = -1;
    update();
    return true;
}

// ---- countdowns ---------------------------------------------------------------

void MainWindow::TimerUp(int slot)
{
    const host::PassScope pass;
    if (slot < 0 || slot >= 8)
        return;
    if (gisLost) { // a loss ends every step without a verdict
        abandonSteps();
        return;
    }
    const WizardPara& p = P();
    const int last = mode() == ProcMultiDetect ? gDNum - 1 : 1;
    if (slot == last && p.pre_cut >= 1 && p.pre_cut <= 99 && !p.pulse_output && p.pre_cut >= 10 * countdown[slot]) {
        IO().IOSetOut(0, 1);
        IO().IOFlashOut();
    }
    if (double(countdown[slot]) > 0.11) {
        countdown[slot] -= 0.1f;
        QRect area;
        if (gShowW >= 1024) {
            const int x = int(viewScaleX * 520), y = int(5 * viewScaleY);
            area = QRect(QPoint(x, y), QPoint(x + 129, y + 35));
        } else {
            const int x = int(viewScaleX * 270), y = int(5 * viewScaleY);
            area = QRect(QPoint(x, y), QPoint(x + 39, y + 17));
        }
        for (int c : usedSlots())
            if (cameraViews[c])
                cameraViews[c]->update(area);
        return;
    }
    countdownTimers[slot]->stop();
    requestJudgement(slot);
}

// ---- judgement on frames of this cycle ---------------------------------------------

void MainWindow::requestJudgement(int slot)
{
    if (gisLost) {
        abandonSteps();
        return;
    }
    takeFrames(); // the newest frames, should one have come since the pass
    if (gisLost) {
        abandonSteps();
        return;
    }
    const int stale = staleCameras(slot);
    if (stale == 0 && !trainingCovers(slot)) {
        awaitingFrames[slot] = false;
        judgeStep(slot);
        return;
    }
    awaitingFrames[slot] = true;
    freshWaitMs[slot] = waitForFramesMs(stale);
    freshDeadlineMs[slot] = nowMs() + freshWaitMs[slot];
}

int MainWindow::staleCameras(int slot) const
{
    int stale = 0;
    for (int c : usedSlots())
        if (cameraViews[c] && frameSeq[c] <= stepStartSeq[slot])
            stale |= 1 << c;
    return stale;
}

int MainWindow::waitForFramesMs(int cameras) const
{
    int ms = P().use_external_trigger ? kTriggeredFreshWaitMs : kMinFreshWaitMs;
    for (int c = 0; c < 8; ++c)
        if ((cameras >> c) & 1 && framesPerSecond[c] > 0)
            ms = qMax(ms, 3000 / framesPerSecond[c]); // three frame periods
    return ms;
}

// Called by the pass after it took the frames: waiting steps are judged in
// step order once their frames came, or their cameras are lost.
void MainWindow::serveWaitingSteps()
{
    const qint64 now = nowMs();
    for (int l = 0; l < 8; ++l) {
        if (!awaitingFrames[l])
            continue;
        if (trainingCovers(l)) {
            // Judged once the training is in place; the cameras' time counts from then.
            freshDeadlineMs[l] = now + freshWaitMs[l];
            continue;
        }
        const int stale = staleCameras(l);
        if (stale == 0) {
            awaitingFrames[l] = false;
            judgeStep(l);
            if (gisLost)
                return;
        } else if (now >= freshDeadlineMs[l]) {
            noFreshFrames(stale, freshWaitMs[l]);
            return;
        }
    }
    // A hardware trigger that not every camera answered.
    if (P().use_external_trigger && cameraTriggerSet != 0 && runState == 1 && displayState != 2
        && now >= cameraRoundDeadlineMs) {
        const int missing = usedMask() & ~cameraTriggerSet;
        if (missing)
            noFreshFrames(missing, waitForFramesMs(usedMask()));
    }
}

// Cameras without a frame of this cycle are lost, not judged.
void MainWindow::noFreshFrames(int cameras, int waitedMs)
{
    int first = -1;
    for (int c = 0; c < 8; ++c) {
        if (!((cameras >> c) & 1))
            continue;
        if (first < 0)
            first = c;
        InsertRecord(LanStr(cycletext::kNoFreshFrame).arg(c + 1).arg(waitedMs));
    }
    if (samplingCheckSlot >= 0)
        InsertRecord(LanStr(cycletext::kSamplingNotReleased));
    abandonSteps();
    noFreshFrameCameras |= cameras;
    showCameraStatus();
    if (first >= 0)
        CameraCheck(first);
}

void MainWindow::showCameraStatus()
{
    for (int c : usedSlots())
        if (cameraViews[c])
            cameraViews[c]->showStatus();
}

void MainWindow::abandonSteps()
{
    for (int l = 0; l < 8; ++l) {
        if (countdownTimers[l])
            countdownTimers[l]->stop();
        countdown[l] = 0;
        awaitingFrames[l] = false;
    }
    manualSlot = safetySlot = redetectSlot = samplingCheckSlot = -1;
    std::fill(pendingCameras, pendingCameras + 8, 0);
    recheckPending = false;
    manualTriggerStep = gDNum;
    cameraTriggerSet = 0;
    if (mode() == ProcMultiDetect) { // the next round starts from its first step
        lastStartedStep = gDNum - 1;
        expectedInput = -1;
    }
    // In pulse mode the end of a running pulse would free the clamp.
    if (P().pulse_output) {
        clampPulseTimer->stop();
        ejectorPulseTimer->stop();
    }
    if (cyclePhase == 1)
        cyclePhase = 3;
    IO().IOSetOut(0, 1);
    IO().IOFlashOut();
}

void MainWindow::judgeStep(int slot)
{
    if (gisLost) {
        abandonSteps();
        return;
    }
    judgedStartSeq = stepStartSeq[slot];
    if (slot == redetectSlot) {
        redetectSlot = -1;
        redetectNow(redetectStep);
        if (roiEditor)
            roiEditor->ReCheckJudged();
        return;
    }
    const WizardPara& p = P();
    const int last = mode() == ProcMultiDetect ? gDNum - 1 : 1;
    const bool manual = slot == manualSlot;
    if (manual)
        manualSlot = -1;
    const bool safety = slot == safetySlot;
    if (safety) {
        safetySlot = -1;
        safetyTriggerActive = 1;
    }
    const bool samplingCheck = slot == samplingCheckSlot;
    if (samplingCheck)
        samplingCheckSlot = -1;
    std::fill(newFrame, newFrame + 8, false); // the views keep the judged images
    for (int c : usedSlots())
        RunAlgorithm(c, slot);
    CheckNG();
    if (samplingCheck && lastVerdictNG)
        InsertRecord(LanStr(cycletext::kSamplingNotReleased));
    if (noFreshFrameCameras) {
        noFreshFrameCameras = 0;
        showCameraStatus();
    }
    if (safety)
        safetyTriggerActive = 0;
    cyclePhase = 2;
    if (manual && displayState == 2)
        manualAlarmOutputs(slot);

    if (displayState == 2 || slot != last || recheckPending || !p.template_auto_update || mode() != ProcAutoParts)
        return;
    for (int c : usedSlots())
        if (cameraViews[c] && !cameraViews[c]->allOK)
            return;
    // Held saves keep the camera folders as they are (told once); otherwise
    // the update is written and trained off this thread (each camera tells
    // its first failed write once, until one succeeds, and only a written
    // template is trained on); the next judgement of the step waits for it.
    if (paramSavesHeld()) {
        if (!templateUpdateHeldTold) {
            templateUpdateHeldTold = true;
            InsertRecord(paramSavesHeldText());
            host::showWarning(paramSavesHeldText());
        }
        return;
    }
    updateTemplatesInBackground(1);
}

void MainWindow::CheckInput(int n)
{
    if (n >= 0 && n < 8)
        inputConfirmed[n] = IO().IOState(0, n);
}

// ---- watchdog and the one-second check -----------------------------------------

void MainWindow::InCheck()
{
    const host::PassScope pass;
    IO().IOSetOut(0, 1);
    IO().IOFlashOut();
    watchdogTimer->stop();
    InsertRecord(LanStr(335));
    host::showWarning(LanStr(335));
    noInputWarned = true;
}

void MainWindow::SlotFPS()
{
    const host::PassScope pass; // a loss declared here shows its box after it
    static bool beat = false;
    beat = !beat;
    LEDOnOff(led::kHeartbeatBit, runState == 3 ? 1 : int(beat));
    CameraWatch::instance().SlotFPS();
    for (int c = 0; c < 8; ++c) {
        framesPerSecond[c] = frameCount[c] - lastFrameCount[c];
        lastFrameCount[c] = frameCount[c];
    }
}

// ---- manual and simulated triggers -----------------------------------------------

void MainWindow::SlotManualTrig(int step)
{
    if (step == 0 && !P().detect_product) {
        showWarnBox(LanStr(145));
        return;
    }
    manualTriggerStep = step;
    manualRequestSeq = frameSerial; // the snapshot judges frames taken after the press
    for (int c : usedSlots())
        if (cameraViews[c])
            for (int s = 0; s < gDNum && s < 8; ++s)
                cameraViews[c]->noDetect[s] = false;
    if (gCameraID == kCameraNone)
        loadDemoImage();
}

void MainWindow::SlotManualTrig0() { SlotManualTrig(0); }
void MainWindow::SlotManualTrig1() { SlotManualTrig(1); }

void MainWindow::manualStart(int step)
{
    manualCycle = true;
    const qint64 now = nowTenths();
    cycleTime = cycleTenths(lastCycleStart, now);
    lastCycleStart = now;
    if (step == 0)
        std::fill(ngOutputs, ngOutputs + 4, false);
    recheckCount[0] = recheckCount[1] = 0;
    if (step >= 0 && step < 8 && !countdownTimers[step]->isActive()) {
        stepStartSeq[step] = manualRequestSeq;
        manualSlot = step;
    }
    TimerUp(step);
}

void MainWindow::loadDemoImage()
{
    // The view takes only a picture of the working size, converted row by row.
    const QString path = QStringLiteral("cammer15/template%1.bmp").arg(demoImageIndex);
    demoImageIndex = (demoImageIndex + 1) % 5;
    CammerWidget* v = usedView(selectedCamera >= 0 && selectedCamera < numCamera ? selectedCamera : 0);
    if (!v || !v->LoadFrame(path))
        return;
    // Without cameras the picture is the new frame of every demonstration view.
    for (int c : usedSlots()) {
        if (!cameraViews[c])
            continue;
        std::lock_guard<std::mutex> lock(pMutex[cameraViews[c]->cameraIndex]);
        isImageFill[cameraViews[c]->cameraIndex] = true;
    }
}

void MainWindow::SlotSimulationTrigIn1() { simulatedInput = 0; }
void MainWindow::SlotSimulationTrigIn2() { simulatedInput = 1; }
void MainWindow::SlotSimulationTrigIn3() { simulatedInput = 2; }
void MainWindow::SlotSimulationTrigIn4() { simulatedInput = 3; }
void MainWindow::SlotSimulationTrigIn5() { simulatedInput = 4; }
void MainWindow::SlotSimulationTrigIn6() { simulatedInput = 5; }
void MainWindow::SlotSimulationTrigIn7() { simulatedInput = 6; }
void MainWindow::SlotSimulationTrigIn8() { simulatedInput = 7; }

namespace {
void setInputBit(int bit, bool on)
{
    QMutexLocker lock(pMutexIO);
    gDataIn = on ? (gDataIn | (1 << bit)) : (gDataIn & ~(1 << bit));
}
} // namespace

void MainWindow::SlotPressedTrigIn1() { setInputBit(0, true); }
void MainWindow::SlotPressedTrigIn2() { setInputBit(1, true); }
void MainWindow::SlotPressedTrigIn3() { setInputBit(2, true); }
void MainWindow::SlotPressedTrigIn4() { setInputBit(3, true); }
void MainWindow::SlotReleasedTrigIn1() { setInputBit(0, false); }
void MainWindow::SlotReleasedTrigIn2() { setInputBit(1, false); }
void MainWindow::SlotReleasedTrigIn3() { setInputBit(2, false); }
void MainWindow::SlotReleasedTrigIn4() { setInputBit(3, false); }
