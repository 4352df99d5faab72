// Trigger detection and step scheduling, pass by pass in virtual time.
#include "cyclefixture.h"

#include "params/procedures.h"

#include <QCoreApplication>
#include <QImage>

using Triggers = CycleWindow;

TEST_F(Triggers, StandardModeProductThenMoldAfterTheirDelays)
{
    para.detect_delay[0] = 20;
    para.detect_delay[1] = 15;
    start();
    watchStep(0);
    watchStep(1);
    edge(0);
    frames(true, true); // taken when the step is due
    EXPECT_TRUE(out(0)) << "clamp prohibited at the edge";
    EXPECT_TRUE(out(1)) << "ejector prohibited at the edge";
    EXPECT_EQ(window->cyclePhase, 1);
    int ejectorReleasedAt = 0;
    tick(100, [&](int t) {
        if (!ejectorReleasedAt && !out(1))
            ejectorReleasedAt = t;
    });
    EXPECT_EQ(judgedAt[0], 20) << "2.0 s after the edge";
    EXPECT_EQ(judgedAt[1], 35) << "3.5 s: the mold step counts after the product step";
    EXPECT_EQ(ejectorReleasedAt, 20);
    EXPECT_FALSE(out(0)) << "clamp released after the mold step's OK";
    EXPECT_EQ(window->cyclePhase, 2);
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_EQ(gAllNum[1], 1);
    QFile count("count.txt");
    ASSERT_TRUE(count.open(QIODevice::ReadOnly));
    EXPECT_TRUE(count.readAll().startsWith("1")) << "the cycle ended with its counters written";
}

// Which input edges start which step slots, and the prohibit outputs, per mode.
TEST_F(Triggers, InputsStartTheirStepsPerMode)
{
    struct Case {
        const char* name;
        int mode, cavity, semiAuto, product, order;
        int productDelay; // 0: the product step is judged at its edge
        std::vector<int> edges;
        std::vector<int> counting;
        bool clamp, ejector;
        int selector;
    } cases[] = {
        {"mode 0: input 0 starts both steps", 0, 0, 0, 1, 0, 10, {0}, {0, 1}, true, true, 1},
        {"mode 0 without product detection", 0, 0, 0, 0, 0, 10, {0}, {1}, true, false, 1},
        {"mode 0 semi-automatic: input 0 only the product", 0, 0, 1, 1, 0, 10, {0}, {0}, true, true, 1},
        {"mode 0 semi-automatic: input 2 re-arms the mold step", 0, 0, 1, 1, 0, 0, {0, 2}, {1}, true, false, 1},
        {"mode 0: input 2 alone starts nothing", 0, 0, 0, 1, 0, 10, {2}, {}, false, false, 1},
        {"mode 0 with input 2 starting: clamp only", 0, 0, 1, 1, 1, 10, {2}, {1}, true, false, 1},
        {"mode 3 as mode 0", 3, 0, 0, 1, 0, 10, {0}, {0, 1}, true, true, 1},
        {"mode 5: no clamp at the start", 5, 0, 0, 1, 0, 10, {0}, {0, 1}, false, true, 1},
        {"mode 1 both sets: input 3 arms set B's mold step", 1, 2, 0, 1, 0, 0, {0, 3}, {1}, true, false, 0},
        {"mode 1 set A: input 3 is not its input", 1, 0, 0, 1, 0, 0, {0, 3}, {}, true, false, 1},
        {"mode 1 set A: input 2 arms the mold step", 1, 0, 0, 1, 0, 0, {0, 2}, {1}, true, false, 1},
        {"mode 2 both sets: input 3 starts set B", 2, 2, 0, 1, 0, 10, {3}, {0, 1}, true, true, 0},
        {"mode 2 set A: input 0", 2, 0, 0, 1, 0, 10, {0}, {0, 1}, true, true, 1},
        {"mode 2 set B: input 0 is not its input", 2, 1, 0, 1, 0, 10, {0}, {}, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.procedure = para.procedure_requested = c.mode;
        para.cavity_position = c.cavity;
        para.semi_auto = c.semiAuto;
        para.detect_product = c.product;
        para.detect_any_order = c.order;
        para.detect_delay[0] = c.productDelay;
        for (int s = 1; s < 4; ++s)
            para.detect_delay[s] = 10;
        start();
        for (int k : c.edges) {
            edge(k);
            newFrames(); // a step without delay is judged on them
        }
        std::vector<int> running;
        for (int l = 0; l < 8; ++l)
            if (counting(l))
                running.push_back(l);
        EXPECT_EQ(running, c.counting);
        EXPECT_EQ(out(0), c.clamp);
        EXPECT_EQ(out(1), c.ejector);
        EXPECT_EQ(window->leftMoldActive, c.selector);
        nextCase();
    }
}

TEST_F(Triggers, DebounceTriggersOnlyAnInputStillActiveWhenItsTimeRunsOut)
{
    para.input_debounce_time = 3;
    para.detect_delay[0] = para.detect_delay[1] = 10;
    start();
    setInput(0, true);
    window->Run();
    EXPECT_TRUE(window->debounceTimers[0]->isActive());
    EXPECT_EQ(window->debounceTimers[0]->interval(), 300);
    EXPECT_FALSE(counting(0)) << "the edge itself does not trigger";
    // Gone again before the 300 ms ran out: nothing.
    setInput(0, false);
    window->Run();
    window->debounceTimers[0]->stop();
    window->CheckInput(0);
    window->Run();
    EXPECT_FALSE(counting(0));
    // Still active when the time runs out: the first pass after it triggers.
    setInput(0, true);
    window->Run();
    window->debounceTimers[0]->stop();
    window->CheckInput(0);
    EXPECT_FALSE(counting(0));
    window->Run();
    EXPECT_TRUE(counting(0));
    EXPECT_TRUE(counting(1));
}

TEST_F(Triggers, WithoutDelaysBothStepsAreJudgedOnTheFirstFramesAfterTheEdgeProductFirst)
{
    start();
    watchStep(0);
    watchStep(1);
    newFrames(true, true);
    frames(true, true); // taken in the edge's pass, before the edge was read: not of this cycle
    setInput(0, true);
    window->Run();
    EXPECT_TRUE(window->awaitingFrames[0]);
    EXPECT_TRUE(window->awaitingFrames[1]);
    EXPECT_EQ(gAllNum[0], 0) << "nothing judged on frames of before the edge";
    EXPECT_EQ(window->displayState, 0);
    newFrames(false, false);
    EXPECT_EQ(window->displayState, 2) << "alarm on the first frames after the edge";
    EXPECT_EQ(window->currentStep, 0) << "the product step judged first raised the alarm";
    EXPECT_EQ(window->runState, 3);
    EXPECT_FALSE(window->awaitingFrames[1]) << "the mold step is dropped with the alarm";
    EXPECT_EQ(gAllNum[0], 1);
}

TEST_F(Triggers, EdgesDuringACountdownAreMissedButAnActiveInputCountsAfterIt)
{
    para.semi_auto = 1;
    para.detect_delay[0] = 5;
    para.detect_delay[1] = 5;
    start();
    edge(0);
    ASSERT_TRUE(counting(0));
    // Input 2 rises and falls while the product step counts down.
    setInput(2, true);
    window->Run();
    setInput(2, false);
    window->Run();
    frames(true, true);
    tick();
    window->Run();
    EXPECT_FALSE(counting(1)) << "the short pulse was not seen";
    // Rising during the next countdown and still active after it: an edge then.
    edge(0);
    ASSERT_TRUE(counting(0));
    setInput(2, true);
    window->Run();
    frames(true, true);
    tick();
    window->Run();
    EXPECT_TRUE(counting(1)) << "input 2 re-armed the mold step once the countdown ended";
}

TEST_F(Triggers, HardwareTriggeredCamerasStartACycleWhenEveryCameraDelivered)
{
    para.use_external_trigger = 1;
    para.detect_delay[0] = para.detect_delay[1] = 10;
    start();
    deliver(0, 200);
    window->Run();
    EXPECT_FALSE(counting(0)) << "camera 2 has not delivered yet";
    deliver(0, 200);
    window->Run();
    EXPECT_FALSE(counting(0));
    deliver(1, 200);
    window->Run();
    EXPECT_TRUE(counting(0)) << "a frame from each camera counts as input 0";
    EXPECT_EQ(window->cameraTriggerSet, 0);
    EXPECT_EQ(window->triggerNumber, 1);

    // Frames arriving while the alarm is shown do not count.
    window->SetStopDetect();
    window->displayState = 2;
    deliver(0, 200);
    deliver(1, 200);
    window->Run();
    EXPECT_EQ(window->cameraTriggerSet, 0);
}

TEST_F(Triggers, TheWatchdogWarnsOnceAndTheNextTriggerTakesTheWarningAway)
{
    para.input_timeout_len = 5;
    para.detect_delay[0] = para.detect_delay[1] = 10;
    start();
    edge(0);
    EXPECT_TRUE(window->watchdogTimer->isActive());
    EXPECT_EQ(window->watchdogTimer->interval(), 5000);
    window->StopDetect();
    window->StartDetect();
    EXPECT_FALSE(out(0));
    window->InCheck();
    EXPECT_TRUE(out(0)) << "no input: the clamp is prohibited";
    EXPECT_FALSE(window->watchdogTimer->isActive());
    EXPECT_TRUE(window->noInputWarned);
    EXPECT_EQ(records().last(), LanStr(335));
    EXPECT_TRUE(boxes.isEmpty()) << "the box opens once the watchdog's slot returned";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes.last().contains(LanStr(335)));
    // The next cycle start hides the warning and leaves the watchdog off;
    // the one after re-arms it.
    setInput(0, false);
    edge(0);
    EXPECT_FALSE(window->noInputWarned);
    EXPECT_FALSE(window->watchdogTimer->isActive());
    frames(true, true);
    tick();
    window->TimerShow();
    setInput(0, false);
    edge(0);
    EXPECT_TRUE(window->watchdogTimer->isActive());
}

TEST_F(Triggers, TheOneSecondCheckCountsOnlyNewFramesAndBeatsTheHeartbeat)
{
    start();
    panel.clear();
    deliver(0, 100);
    window->Run();
    window->Run(); // no new frame: not counted
    deliver(0, 100);
    deliver(1, 100);
    window->Run();
    window->SlotFPS();
    EXPECT_EQ(window->framesPerSecond[0], 2);
    EXPECT_EQ(window->framesPerSecond[1], 1);
    EXPECT_EQ(view(0)->averageGrey, 100);
    window->SlotFPS();
    EXPECT_EQ(window->framesPerSecond[0], 0) << "a stalled camera shows no frames";
    const int beat1 = (LedByte() >> led::kHeartbeatBit) & 1;
    window->SlotFPS();
    const int beat2 = (LedByte() >> led::kHeartbeatBit) & 1;
    EXPECT_NE(beat1, beat2) << "the heartbeat alternates while detecting";
    window->StopDetect();
    window->SlotFPS();
    EXPECT_EQ((LedByte() >> led::kHeartbeatBit) & 1, 1);
    window->SlotFPS();
    EXPECT_EQ((LedByte() >> led::kHeartbeatBit) & 1, 1) << "steady while stopped";
}

TEST_F(Triggers, StoppedTheTwoColourModeStillFollowsItsMoldInputs)
{
    para.procedure = para.procedure_requested = 1;
    para.cavity_position = 2;
    start();
    window->StopDetect();
    edge(3);
    EXPECT_EQ(window->leftMoldActive, 0) << "the next cycle judges set B";
    edge(2);
    EXPECT_EQ(window->leftMoldActive, 1);
    EXPECT_FALSE(counting(0));
    EXPECT_FALSE(counting(1));
}

TEST_F(Triggers, TheSafetyDoorJudgesTheMoldStepAtOnce)
{
    para.enable_trigger_safety = 1;
    para.detect_delay[0] = para.detect_delay[1] = 10;
    start();
    watchStep(1);
    newFrames(true, true);
    window->currentStep = 0;
    edge(1);
    EXPECT_TRUE(window->awaitingFrames[1]) << "the frames of before the door are not judged";
    newFrames(true, true);
    EXPECT_EQ(window->currentStep, 1) << "judged on the first frames after the door";
    EXPECT_EQ(window->safetyTriggerActive, 0);
    EXPECT_EQ(window->displayState, 1);
    // An NG judged this way keeps the clamp prohibited.
    edge(1);
    newFrames(false, true);
    EXPECT_EQ(window->displayState, 2);
    EXPECT_TRUE(out(0));
}

TEST_F(Triggers, ManualTriggersAndTheDemonstrationPictures)
{
    para.detect_product = 0;
    start();
    window->SlotManualTrig(0);
    EXPECT_TRUE(boxes.last().contains(LanStr(145)));
    EXPECT_EQ(window->manualTriggerStep, gDNum) << "nothing asked for";

    // Five pictures of the working size, one of another size.
    QDir().mkpath("cammer15");
    for (int i = 0; i < 5; ++i) {
        QImage img(gImageW, gImageH, QImage::Format_Grayscale8);
        img.fill(10 + i);
        if (i == 3)
            img = img.scaled(gImageW - 1, gImageH); // a row length that is not a multiple of four
        ASSERT_TRUE(img.save(QString("cammer15/template%1.bmp").arg(i)));
    }
    window->selectedCamera = numCamera; // split view: the first view takes the pictures
    QList<int> shown;
    QList<int> judged;
    for (int press = 0; press < 6; ++press) {
        window->SlotManualTrig(1);
        shown << view(0)->curImage.data[0];
        window->Run();
        judged << (window->displayState == 1);
        window->TimerShow();
    }
    EXPECT_EQ(shown, (QList<int>{10, 11, 12, 12, 14, 10})) << "the picture of another size is skipped";
    EXPECT_EQ(judged, (QList<int>{1, 1, 1, 0, 1, 1})) << "each new picture judged the mold step; "
                                                       "without one the press waits for the next";
    EXPECT_EQ(window->triggerNumber, 0);
}

// Multi-detection: four steps on inputs 0, 2, 2, 3.
TEST_F(Triggers, MultiDetectionRunsItsStepsInOrder)
{
    para.procedure = para.procedure_requested = 4;
    para.detect_count = 4;
    para.row_trigger[0] = 0; // choice 0: input 0
    para.row_trigger[1] = 1; // choice 1: input 2
    para.row_trigger[2] = 2; // choice 2: input 3
    para.row_cut_mode[0] = 0; // cut all
    para.row_cut_mode[1] = 1; // cut self
    para.row_cut_mode[2] = 2; // not cut
    const int rows[4] = {0, 1, 1, 2};
    std::copy(rows, rows + 4, para.output_row);
    for (int s = 4; s < 8; ++s)
        para.output_row[s] = -1;
    start();
    ASSERT_EQ(gDNum, 4);
    ASSERT_EQ(window->lastStartedStep, 3);

    edge(0); // a new round: step 0 without delay, judged on the next frames
    newFrames();
    EXPECT_EQ(window->lastStartedStep, 0);
    EXPECT_EQ(gAllNum[0], 1);
    // "Cut all" switched the outputs of steps 0..3 on; step 0 is released by its OK.
    EXPECT_FALSE(out(OutputNo[0] - 1));
    EXPECT_TRUE(out(OutputNo[1] - 1));
    EXPECT_TRUE(out(OutputNo[2] - 1));
    EXPECT_TRUE(out(OutputNo[7] - 1)) << "the last step uses the clamp output";

    edge(3); // step 3's input before steps 1 and 2: ignored
    EXPECT_EQ(window->lastStartedStep, 0);
    EXPECT_EQ(window->expectedInput, -1);

    edge(2); // step 1; step 2 shares its input and follows without an edge
    EXPECT_EQ(window->lastStartedStep, 1);
    newFrames();
    EXPECT_EQ(window->expectedInput, 2);
    window->Run();
    EXPECT_EQ(window->lastStartedStep, 2);
    newFrames();
    EXPECT_FALSE(out(OutputNo[1] - 1));
    EXPECT_FALSE(out(OutputNo[2] - 1));
    EXPECT_FALSE(QFile::exists("count.txt")) << "the cycle is not over yet";

    edge(3);
    EXPECT_EQ(window->lastStartedStep, 3);
    newFrames();
    EXPECT_FALSE(out(OutputNo[7] - 1));
    EXPECT_TRUE(QFile::exists("count.txt")) << "the last step ended the cycle";
    EXPECT_EQ(window->pendingCameras[3], 0);
}

TEST_F(Triggers, ColourFramesShowTheirMeanGrey)
{
    para.enable_color_camera = 1;
    start();
    ASSERT_TRUE(gisColor);
    {
        CammerWidget* v = view(0);
        std::lock_guard<std::mutex> lock(pMutex[0]);
        for (size_t i = 0; i < v->recvImage->size(); i += 4) {
            (*v->recvImage)[i] = 60;      // blue
            (*v->recvImage)[i + 1] = 90;  // green
            (*v->recvImage)[i + 2] = 120; // red
            (*v->recvImage)[i + 3] = 255; // alpha
        }
        isImageFill[0] = true;
    }
    window->Run();
    EXPECT_EQ(view(0)->averageGrey, 90) << "the colours' mean, not the bytes of a quarter of the frame";
}

TEST_F(Triggers, ALostCameraHoldsTheClampOnEveryPass)
{
    // The recovery works off the GUI thread: the pass goes on every 3 ms,
    // holding the clamp prohibited.
    para.input_timeout_len = 5;
    start();
    edge(0);
    window->TimerShow();
    gisLost = 1;
    window->Run();
    EXPECT_TRUE(out(0));
    EXPECT_EQ(window->runTimer->interval(), 3);
    EXPECT_FALSE(window->watchdogTimer->isActive());
    gisLost = 0;
    window->Run();
    EXPECT_EQ(window->runTimer->interval(), 3);
}
