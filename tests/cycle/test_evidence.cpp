// The clamp is released only on evidence from this cycle: frames taken after
// the step's start, every camera delivering, no camera lost, the board
// answering; and no published word shows a release the verdict did not give.
#include "cyclefixture.h"

#include "monitor/cycletexts.h"
#include "monitor/mainviewhost.h"
#include "monitor/iostatuswidget.h"
#include "monitor/titlebar.h"
#include "params/procedures.h"

namespace {

class Evidence : public CycleWindow {
protected:
    // Mode 0 with only the mold step (delay 0.5 s) watched, every published
    // word recorded.
    void startMoldOnly()
    {
        para.detect_product = 0;
        para.detect_delay[1] = 5;
        start();
        watchStep(1);
        record();
    }
    void record()
    {
        published.clear();
        gpControlIO->setPublishRecorder([this](int word) { published << word; });
    }
    // Passes 3 ms apart for the given time, as the run timer makes them.
    void passes(int ms)
    {
        for (int t = 0; t < ms; t += 3) {
            clock.advanceMs(qMin(3, ms - t));
            window->Run();
        }
    }
    // Whether any word published since the last record() had output n off.
    bool everOff(int n)
    {
        for (int w : published)
            if (!ioframe::outputActive(w, n, *gpWPara))
                return true;
        return false;
    }
    QList<int> published;
};

} // namespace

// A camera that stopped delivering without an error keeps its last frame:
// the step waits for a new one, then the camera is lost instead of judged.
TEST_F(Evidence, AFrameOlderThanTheStepIsNeverJudged)
{
    startMoldOnly();
    newFrames(true, true); // the previous shot's empty mold
    edge(0);
    deliver(0, 200); // only camera 1 keeps delivering
    tick();
    EXPECT_TRUE(window->awaitingFrames[1]) << "due, camera 2 has no frame of this cycle";
    EXPECT_EQ(gAllNum[0], 0) << "nothing judged";
    EXPECT_TRUE(out(0));

    // Within the wait a frame of camera 2 arrives: judged as usual.
    passes(MainWindow::kMinFreshWaitMs - 1);
    EXPECT_TRUE(window->awaitingFrames[1]);
    deliver(1, 200);
    window->Run();
    EXPECT_FALSE(window->awaitingFrames[1]);
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_FALSE(out(0)) << "released on frames of this cycle";

    // The next cycle camera 2 stays silent: lost after the wait, never judged.
    window->TimerShow();
    setInput(0, false);
    edge(0);
    deliver(0, 200);
    tick();
    ASSERT_TRUE(window->awaitingFrames[1]);
    record();
    passes(MainWindow::kMinFreshWaitMs - 1);
    EXPECT_TRUE(window->awaitingFrames[1]);
    passes(1);
    EXPECT_FALSE(window->awaitingFrames[1]);
    EXPECT_EQ(gAllNum[0], 1) << "the step was not judged";
    EXPECT_EQ(window->pendingCameras[1], 0) << "the cycle is over without a verdict";
    EXPECT_TRUE(out(0));
    EXPECT_FALSE(everOff(0));
    EXPECT_EQ(records().last(), LanStr(cycletext::kNoFreshFrame).arg(2).arg(MainWindow::kMinFreshWaitMs));
    // A late frame of the old cycle releases nothing.
    newFrames(true, true);
    EXPECT_TRUE(out(0));
}

// A cycle ended for want of a fresh frame says why in the silent camera's
// title-bar row, also when the view is painted again, until a cycle is
// judged; in the demonstration mode no loss is declared that would say it.
TEST_F(Evidence, TheTitleBarSaysWhyTheClampStaysProhibited)
{
    for (int lan : {0, 1, 2}) {
        SCOPED_TRACE(lan);
        gLan = lan;
        startMoldOnly();
        ASSERT_EQ(gLan, lan);
        auto row = [&](int c) { return window->titleBar->cameraRows[c]->messageLabel->text(); };
        const QString reason = LanStr(1630);
        newFrames();
        edge(0);
        deliver(0, 200); // camera 2 stays silent
        tick();
        passes(MainWindow::kMinFreshWaitMs);
        ASSERT_FALSE(window->awaitingFrames[1]);
        ASSERT_EQ(gisLost, 0);
        EXPECT_TRUE(row(1).endsWith(reason)) << row(1).toStdString();
        EXPECT_FALSE(row(0).contains(reason)) << "camera 1 delivered";
        view(1)->grab(); // a paint writes the row again
        EXPECT_TRUE(row(1).endsWith(reason)) << row(1).toStdString();
        EXPECT_TRUE(out(0));

        window->TimerShow();
        setInput(0, false);
        edge(0);
        frames(true, true);
        tick();
        ASSERT_EQ(gAllNum[0], 1) << "judged";
        EXPECT_FALSE(row(1).contains(reason)) << row(1).toStdString();
        nextCase();
    }
}

// The wait is three frame periods of the camera, at least 150 ms.
TEST_F(Evidence, TheWaitFollowsTheCamerasFrameRate)
{
    startMoldOnly();
    for (int i = 0; i < 4; ++i)
        newFrames();
    window->SlotFPS(); // four frames in the last second: 250 ms apart
    edge(0);
    tick();
    ASSERT_TRUE(window->awaitingFrames[1]);
    EXPECT_EQ(window->freshWaitMs[1], 750);
    passes(749);
    EXPECT_TRUE(window->awaitingFrames[1]);
    passes(1);
    EXPECT_FALSE(window->awaitingFrames[1]);
    EXPECT_TRUE(records().contains(LanStr(cycletext::kNoFreshFrame).arg(1).arg(750)));
}

// A loss during a countdown: no verdict, the clamp stays prohibited, and
// only a new cycle after the cameras are back releases it.
TEST_F(Evidence, ACameraLostDuringTheCountdownEndsTheCycleWithoutAVerdict)
{
    startMoldOnly();
    edge(0);
    newFrames(true, true);
    tick(2);
    ASSERT_TRUE(counting(1));
    ASSERT_TRUE(out(0));
    record();
    gisLost = 1; // declared by the loss check between two ticks
    tick(10);
    EXPECT_FALSE(counting(1));
    EXPECT_EQ(gAllNum[0], 0) << "no verdict";
    EXPECT_TRUE(out(0));
    window->Run();
    EXPECT_EQ(window->pendingCameras[1], 0);
    gisLost = 0; // the cameras are back
    newFrames(true, true);
    window->Run();
    EXPECT_TRUE(out(0)) << "the old cycle releases nothing";
    EXPECT_FALSE(everOff(0));
    setInput(0, false);
    edge(0);
    newFrames(true, true);
    tick();
    EXPECT_FALSE(out(0)) << "a new cycle on frames of its own";
}

// A step waiting for its frames, the re-check and the verdict itself are all
// dropped while a camera is lost.
TEST_F(Evidence, NoStepIsJudgedWhileACameraIsLost)
{
    startMoldOnly();
    edge(0);
    tick();
    ASSERT_TRUE(window->awaitingFrames[1]);
    ASSERT_TRUE(out(0));
    record();
    gisLost = 1;
    frames(true, true);
    window->Run();
    EXPECT_FALSE(window->awaitingFrames[1]);
    window->CheckNG();
    EXPECT_EQ(gAllNum[0], 0);
    EXPECT_FALSE(everOff(0));
    // The manual trigger pressed during the loss is dropped too.
    window->SlotManualTrig(1);
    window->Run();
    gisLost = 0;
    newFrames(true, true);
    EXPECT_EQ(window->displayState, 0);
    EXPECT_FALSE(everOff(0));
}

// An alarm reset in mode 5: nothing is published before the re-judgement,
// which waits for frames taken after the reset.
TEST_F(Evidence, AnAlarmResetPublishesNoReleaseBeforeItsVerdict)
{
    para.procedure = para.procedure_requested = ProcStandardNoRecheck;
    startMoldOnly();
    edge(0);
    newFrames(false, true);
    tick();
    ASSERT_EQ(window->displayState, 2);
    ASSERT_TRUE(out(0));
    ASSERT_TRUE(out(2));

    // A reset with the stuck part still there: NG again, never free between.
    record();
    edge(1);
    newFrames(false, true);
    EXPECT_EQ(window->displayState, 2);
    EXPECT_FALSE(everOff(0)) << "no glitch of the clamp before the NG verdict";

    // A reset after the part was taken out: released with the OK verdict.
    record();
    edge(1);
    EXPECT_FALSE(everOff(0));
    newFrames(true, true);
    EXPECT_NE(window->displayState, 2);
    EXPECT_FALSE(out(0));
    EXPECT_FALSE(out(2));
}

// Entering an alarm prohibits the clamp and switches the alarm output on,
// whatever the options left free, and the alarm is journaled.
TEST_F(Evidence, EveryAlarmProhibitsTheClampAndSwitchesTheAlarmOutput)
{
    struct Case {
        const char* name;
        int mode, preCut, cutClampOnMold, order, step;
        bool temperature;
    } cases[] = {
        {"product step under a pre-cut time", ProcStandard, 5, 0, 0, 0, false},
        {"product step with input 2 starting", ProcStandard, 0, 0, 1, 0, false},
        {"mold step, the clamp cut only on a mold alarm", ProcStandard, 0, 1, 0, 1, false},
        {"temperature alarm at the mold step in mode 5, the cameras OK", ProcStandardNoRecheck, 0, 0, 0, 1, true},
        {"temperature alarm at the mold step in mode 0, the cameras OK", ProcStandard, 0, 1, 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.procedure = para.procedure_requested = c.mode;
        para.pre_cut = c.preCut;
        para.cut_clamp_on_mold_alarm = c.cutClampOnMold;
        para.detect_any_order = c.order;
        para.detect_delay[0] = 3;
        para.detect_delay[1] = 5;
        start();
        watchStep(c.step);
        const int before = records().size();
        gisTempAlarm = c.temperature;
        edge(0);
        newFrames(c.temperature, true);
        tick();
        ASSERT_EQ(window->displayState, 2);
        EXPECT_EQ(window->currentStep, c.step);
        EXPECT_TRUE(out(0)) << "clamp prohibited while the alarm shows";
        EXPECT_TRUE(out(2)) << "alarm output";
        EXPECT_EQ(records().size(), before + 1);
        EXPECT_TRUE(records().last().endsWith(LanStr(152)));
        nextCase();
    }
}

// A mold-step NG under the option that leaves the clamp free at the cycle
// start prohibits it at once, re-checks pending or not.
TEST_F(Evidence, AMoldNgProhibitsTheClampThatTheStartLeftFree)
{
    para.cut_clamp_on_mold_alarm = 1;
    para.front_auto_check_time = 1;
    startMoldOnly();
    edge(0);
    EXPECT_FALSE(out(0)) << "free at the start by this option";
    newFrames(false, true);
    tick();
    EXPECT_TRUE(window->recheckPending);
    EXPECT_TRUE(out(0)) << "prohibited by the NG before the re-check";
    window->Run();
    EXPECT_EQ(window->displayState, 2);
    EXPECT_TRUE(out(0));
}

// An OK re-check ends the re-checks: the next cycle is judged.
TEST_F(Evidence, AnOkReCheckClearsThePendingReCheck)
{
    para.front_auto_check_time = 2;
    startMoldOnly();
    edge(0);
    newFrames(false, true);
    tick();
    ASSERT_TRUE(window->recheckPending);
    frames(true, true);
    window->Run(); // the re-check, on the part that fell out meanwhile
    EXPECT_FALSE(window->recheckPending);
    EXPECT_EQ(window->displayState, 1);
    EXPECT_FALSE(out(0));
    window->TimerShow();
    setInput(0, false);
    edge(0);
    ASSERT_TRUE(counting(1)) << "the next cycle starts";
    newFrames(false, true);
    tick();
    EXPECT_TRUE(window->recheckPending) << "and is judged";
}

// A debounce of one tenth: an edge shorter than 100 ms triggers nothing.
TEST_F(Evidence, ADebounceOfOneTenthIsADebounce)
{
    para.input_debounce_time = 1;
    startMoldOnly();
    setInput(0, true);
    window->Run();
    EXPECT_TRUE(window->debounceTimers[0]->isActive());
    EXPECT_EQ(window->debounceTimers[0]->interval(), 100);
    EXPECT_FALSE(counting(1));
    setInput(0, false);
    window->Run();
    window->debounceTimers[0]->stop();
    window->CheckInput(0);
    window->Run();
    EXPECT_FALSE(counting(1));
}

// Template sampling that completes starts detection with the clamp
// prohibited in the very first word.
TEST_F(Evidence, SamplingCompletionNeverShowsTheClampFree)
{
    para.detect_product = 0;
    para.detect_delay[1] = 5;
    start();
    window->SlotReTrain();
    ASSERT_EQ(window->runState, 2);
    edge(0);
    newFrames(true, true);
    record();
    tick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    ASSERT_EQ(window->displayState, 3) << "the region check opened";
    EXPECT_TRUE(out(0));
    EXPECT_FALSE(everOff(0));
}

// While the board does not answer no word frees the clamp, and the title
// bar's IO state says so.
TEST_F(Evidence, ASilentBoardKeepsTheClampAndShowsInTheTitleBar)
{
    startMoldOnly();
    window->ioStatusWidget->pushStates();
    EXPECT_TRUE(window->titleBar->boardAnswering());
    for (int i = 0; i < IOThread::kSilentPasses; ++i)
        gpControlIO->thread()->pass(); // no board on the line
    ASSERT_FALSE(gpControlIO->boardAnswering());
    window->ioStatusWidget->pushStates(); // as every pass does
    EXPECT_FALSE(window->titleBar->boardAnswering());
    EXPECT_EQ(window->titleBar->boardNote->text(), LanStr(cycletext::kBoardNotAnswering));
    edge(0);
    newFrames(true, true);
    tick();
    EXPECT_EQ(gAllNum[0], 1) << "judged";
    EXPECT_TRUE(out(0)) << "but not released to a board that does not hear it";
    EXPECT_FALSE(everOff(0));
}

// A re-judgement still waiting when detection is stopped is dropped: the
// next cycle's step is judged as a step of its own (the temperature alarm
// counts, as it does not for a re-judgement).
TEST_F(Evidence, AReJudgementDroppedByAStopDoesNotJudgeTheNextCycle)
{
    startMoldOnly();
    edge(0);
    newFrames(false, true);
    tick();
    ASSERT_EQ(window->displayState, 2);
    edge(1); // the reset, no frame after it yet
    ASSERT_TRUE(window->awaitingFrames[1]);
    window->StopDetect();
    window->StartDetect();
    EXPECT_FALSE(window->awaitingFrames[1]);
    gisTempAlarm = true;
    setInput(0, false);
    edge(0);
    newFrames(true, true);
    tick();
    EXPECT_EQ(window->displayState, 2) << "the temperature alarm failed the mold step";
    EXPECT_TRUE(out(0));
}

// Time in which the process did not run at all does not count against the
// cameras: a pass that comes late pushes the wait back.
TEST_F(Evidence, ALatePassDoesNotMakeACameraLost)
{
    startMoldOnly();
    edge(0);
    tick();
    ASSERT_TRUE(window->awaitingFrames[1]);
    passes(30);
    clock.advanceMs(400); // the panel was busy elsewhere
    window->Run();
    EXPECT_TRUE(window->awaitingFrames[1]) << "the 400 ms do not count";
    passes(MainWindow::kMinFreshWaitMs - 30 - 3 - 1); // the late pass counted 3 ms
    EXPECT_TRUE(window->awaitingFrames[1]);
    passes(1);
    EXPECT_FALSE(window->awaitingFrames[1]);
    EXPECT_EQ(records().last(), LanStr(cycletext::kNoFreshFrame).arg(2).arg(MainWindow::kMinFreshWaitMs));
}

// Back from the region check after template sampling: the clamp stays
// prohibited until a frame taken afterwards passes; a frame that was already
// waiting does not count.
TEST_F(Evidence, AfterTemplateSamplingOnlyAFreshOkReleases)
{
    enum Then { OkFrame, NgFrame, NoFrame };
    struct Case {
        const char* name;
        Then then;
        bool released;
    };
    const Case cases[] = {
        {"an OK frame", OkFrame, true},
        {"an NG frame", NgFrame, false},
        {"no frame", NoFrame, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMoldOnly();
        window->SlotReTrain();
        window->TimerShow();
        setInput(0, false);
        edge(0);
        frames(true, true); // the new templates
        tick();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        ASSERT_TRUE(gFromTrain) << "the region check is open";
        ASSERT_TRUE(out(0));
        frames(true, true); // waiting in the buffer when the check is left
        record();
        gFromTrain = false;
        window->displayState = 0;
        window->BackTrain();
        EXPECT_EQ(window->runState, 1);
        EXPECT_TRUE(out(0)) << "nothing judged yet";
        switch (c.then) {
        case OkFrame: newFrames(true, true); break;
        case NgFrame: newFrames(false, true); break;
        case NoFrame: passes(MainWindow::kMinFreshWaitMs + 3); break;
        }
        EXPECT_EQ(!out(0), c.released);
        EXPECT_EQ(everOff(0), c.released) << "no word shows the clamp free before the verdict";
        EXPECT_EQ(records().contains(LanStr(cycletext::kSamplingNotReleased)), !c.released);
        nextCase();
    }
}
