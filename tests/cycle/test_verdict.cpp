// The step verdict: re-checks, the alarm and its clearing, pulse mode, the
// option pulses, the NG outputs of the product step and the result images.
#include "cyclefixture.h"

#include "monitor/cycletexts.h"
#include "params/procedures.h"
#include "sqlfaults.h"
#include "settings/maintenance.h"
#include "settings/settingshost.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

class Verdict : public CycleWindow {
protected:
    bool led(int bit) { return (LedByte() >> bit) & 1; }
};

} // namespace

TEST_F(Verdict, ReChecksComeBeforeTheAlarm)
{
    moldOnly();
    para.front_auto_check_time = 2;
    start();
    watchStep(1);
    moldCycle(false);
    // First NG: the clamp stays prohibited, no alarm, nothing counted.
    EXPECT_TRUE(window->recheckPending);
    EXPECT_TRUE(out(0));
    EXPECT_FALSE(out(2));
    EXPECT_EQ(gFailNum[0], 0);
    EXPECT_EQ(window->stepSaveCode[0][1], 1) << "the image waits for the final judgement";
    EXPECT_EQ(window->runState, 1);
    window->Run(); // second re-check... first of two
    EXPECT_EQ(window->recheckCount[1], 1);
    EXPECT_FALSE(out(2));
    EXPECT_EQ(window->displayState, 0);
    window->Run(); // the last one: alarm
    EXPECT_EQ(window->recheckCount[1], 0);
    EXPECT_EQ(window->displayState, 2);
    EXPECT_EQ(window->runState, 3);
    EXPECT_TRUE(out(0));
    EXPECT_TRUE(out(2));
    EXPECT_EQ(gFailNum[0], 1);
    EXPECT_EQ(gFailNum[1], 0);
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_EQ(window->stepSaveCode[0][1], 3) << "kept for the alarm review";
    EXPECT_EQ(view(0)->recentNGCount[1], 1);
    EXPECT_FALSE(led(led::kOkBit));
    EXPECT_TRUE(led(led::kNgBit));
    EXPECT_EQ(window->selectedCamera, numCamera);
    EXPECT_EQ(records().last(), LanStr(151).arg(1) + LanStr(152)) << "no blank to drop in this language";
    EXPECT_FALSE(requested(0, 1, 0)) << "no image before the alarm review";
}

TEST_F(Verdict, TheAlarmRecordListsEveryNgCamera)
{
    moldOnly();
    start();
    watchStep(1);
    gLan = 1;
    moldCycle(false, false);
    gLan = 0;
    EXPECT_EQ(records().last(), "Camera 1 Camera 2Alarm");
}

TEST_F(Verdict, PreCutWithReChecksLeftChangesNothingUntilTheLastJudgement)
{
    para.detect_product = 0;
    para.detect_delay[1] = 20;
    para.pre_cut = 5;
    para.front_auto_check_time = 1;
    start();
    watchStep(1);
    edge(0);
    frames(false);
    EXPECT_FALSE(out(0)) << "no clamp at the start with a pre-cut time";
    int clampAt = 0;
    tick(100, [&](int t) {
        if (!clampAt && out(0))
            clampAt = t;
    });
    EXPECT_EQ(clampAt, 16) << "the first tick with at most 0.5 s left";
    EXPECT_FALSE(out(2));
    EXPECT_EQ(gFailNum[0], 0);
    EXPECT_EQ(view(0)->recentNGCount[1], 0);
    window->Run();
    EXPECT_TRUE(out(2));
    EXPECT_EQ(gFailNum[0], 1);
}

TEST_F(Verdict, PulseModeSignalsTheVerdictAndDetectionGoesOn)
{
    moldOnly();
    para.pulse_output = 1;
    para.mold_pulse = 30;
    para.ng_max_num = 5;
    start();
    watchStep(1);
    moldCycle(false);
    EXPECT_EQ(outs().left(3), "101");
    EXPECT_TRUE(window->clampPulseTimer->isActive());
    EXPECT_EQ(window->clampPulseTimer->interval(), 3000);
    EXPECT_EQ(window->runState, 1);
    EXPECT_EQ(window->displayState, 1);
    EXPECT_TRUE(led(led::kNgBit));
    EXPECT_TRUE(requested(0, 1, 0)) << "the NG image is written at once";
    EXPECT_TRUE(QFile::exists("count.txt"));
    window->OutTimerNotAllowClose();
    EXPECT_EQ(outs().left(3), "000");

    window->TimerShow();
    moldCycle(true);
    EXPECT_EQ(outs().left(3), "010");
    window->OutTimerNotAllowClose();
    EXPECT_EQ(outs().left(3), "000");
}

TEST_F(Verdict, OkWindowsOfClampAndEjector)
{
    para.detect_delay[0] = 5;
    para.detect_delay[1] = 5;
    para.is_cut_ontime = 1;
    para.mold_pulse = 30;
    para.is_cut_ontime_thimble = 1;
    para.thimble_pulse = 20;
    start();
    EXPECT_TRUE(out(0)) << "clamp prohibited from the start";
    edge(0);
    frames(true, true);
    tick(5);
    EXPECT_FALSE(out(1));
    EXPECT_TRUE(window->ejectorPulseTimer->isActive());
    EXPECT_EQ(window->ejectorPulseTimer->interval(), 2000);
    window->OutTimerNotAllowThimble();
    EXPECT_TRUE(out(1)) << "the ejector is prohibited again after its window";
    tick();
    EXPECT_FALSE(out(0));
    EXPECT_EQ(window->clampPulseTimer->interval(), 3000);
    window->OutTimerNotAllowClose();
    EXPECT_TRUE(out(0)) << "the clamp is prohibited again after its window";

    // A window that ends while detection is stopped leaves the output alone.
    window->StopDetect();
    window->OutTimerNotAllowClose();
    window->OutTimerNotAllowThimble();
    EXPECT_EQ(outs().left(2), "00");
}

TEST_F(Verdict, AProductNgWithTheEjectorPulseOptionSwitchesItsNgOutputs)
{
    para.enable_stop_not_alarm = 1;
    para.thimble_pulse = 20;
    para.detect_delay[0] = 5;
    para.detect_delay[1] = 5;
    para.ng_max_num = 5;
    start();
    // Regions with NG outputs 0 and 2, and one with a number past the four outputs.
    watchStep(0, 0);
    watchStep(0, 2);
    watchStep(0, 7);
    watchStep(1);
    edge(0);
    frames(false, true);
    tick(5);
    EXPECT_EQ(window->displayState, 1) << "no alarm";
    EXPECT_EQ(window->runState, 1);
    EXPECT_FALSE(out(2));
    EXPECT_TRUE(led(led::kOkBit));
    EXPECT_FALSE(led(led::kNgBit));
    EXPECT_EQ(outs().mid(4), "1010") << "region outputs 0 and 2; 7 selects none";
    EXPECT_TRUE(out(1));
    EXPECT_EQ(window->ngPulseTimer->interval(), 2000);
    EXPECT_EQ(window->stepSaveCode[0][0], 9);
    EXPECT_FALSE(requested(0, 0, 0)) << "written with the next OK verdict";
    window->OutTimerOutNG();
    EXPECT_EQ(outs().mid(4), "0000");
    EXPECT_FALSE(out(1));
    newFrames(true, true);
    tick();
    EXPECT_TRUE(requested(0, 0, 0));
    EXPECT_TRUE(requested(0, 1, 1)) << "and the mold step's OK image";
}

TEST_F(Verdict, ImageLimitsDecideWhichImagesAreRequested)
{
    struct Case {
        const char* name;
        int ngMax, okMax, saveOk;
        bool camOk;
        bool productImage, moldImage; // requested after one cycle
    } cases[] = {
        {"OK images of the mold step", 5, 5, 0, true, false, true},
        {"OK images of the product step too", 5, 5, 1, true, true, true},
        {"no OK images kept", 5, 0, 1, true, false, false},
        {"no NG images kept", 0, 5, 1, false, false, false},
        {"NG images in pulse mode", 5, 5, 0, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.ng_max_num = c.ngMax;
        para.ok_record_max_num = c.okMax;
        para.save_ok_record = c.saveOk;
        para.pulse_output = !c.camOk;
        para.detect_delay[0] = para.detect_delay[1] = 5;
        start();
        watchStep(0);
        watchStep(1);
        edge(0);
        frames(c.camOk, true);
        tick();
        EXPECT_EQ(requested(0, 0, c.camOk ? 1 : 0), c.productImage);
        EXPECT_EQ(requested(0, 1, c.camOk ? 1 : 0), c.moldImage);
        nextCase();
    }
}

TEST_F(Verdict, TheResultDisplayEndsOnTheNextStepToShow)
{
    para.detect_product = 0;
    start();
    edge(0);
    newFrames(true, true);
    EXPECT_EQ(window->displayState, 1);
    EXPECT_EQ(window->shownStep, 1);
    EXPECT_TRUE(window->resultTimer->isActive());
    window->TimerShow();
    EXPECT_EQ(window->displayState, 0);
    EXPECT_EQ(window->cyclePhase, 3);
    EXPECT_EQ(window->currentStep, 1) << "the product step is skipped while it is off";
    EXPECT_TRUE(led(led::kOkBit));
    EXPECT_TRUE(led(led::kNgBit)) << "idle";
}

TEST_F(Verdict, TheTemperatureAlarm)
{
    moldOnly();
    start();
    gisTempAlarm = true;
    window->CheckTemp();
    window->Run();
    EXPECT_TRUE(out(2));
    EXPECT_TRUE(window->alarmResetTimer->isActive());
    window->SlotResetAlarm();
    window->Run();
    EXPECT_FALSE(out(2));
    // It also fails the mold step.
    moldCycle(true);
    EXPECT_EQ(window->displayState, 2);
    EXPECT_TRUE(window->lastResultNG == false) << "the cameras themselves were OK";
}

// Alarm reset by the safety door with an OK re-judgement, per mode.
TEST_F(Verdict, ClearingTheAlarmPerMode)
{
    struct Case {
        const char* name;
        int mode;
        bool productAlarm;
        const char* outputsAfter; // outputs 0..2 after the clearing
        bool moldStarts;          // the mold step starts in the next pass
    } cases[] = {
        {"mode 0 product alarm: the mold step follows", 0, true, "100", true},
        {"mode 0 mold alarm: detection restarts", 0, false, "000", false},
        {"mode 3 mold alarm", 3, false, "000", false},
        {"mode 5 mold alarm", 5, false, "000", false},
        {"mode 1 mold alarm", 1, false, "000", false},
        {"mode 2 product alarm", 2, true, "100", false},
        {"mode 4: the OK releases the step output too", 4, false, "000", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.procedure = para.procedure_requested = c.mode;
        para.cavity_position = 0;
        para.detect_delay[0] = 0;
        para.detect_delay[1] = 5;
        start();
        watchStep(c.productAlarm ? 0 : 1);
        edge(0);
        newFrames(false, true);
        if (c.mode == 1)
            edge(2); // the mold step of set A
        if (c.mode == 4)
            window->Run(); // the second step shares input 0 and follows the first
        frames(false, true);
        tick();
        ASSERT_EQ(window->displayState, 2);
        EXPECT_TRUE(out(2));
        newFrames(true, true);
        EXPECT_EQ(window->displayState, 2) << "an OK frame alone clears nothing";
        edge(1);
        EXPECT_EQ(window->displayState, 2) << "the frames of before the reset clear nothing";
        EXPECT_TRUE(out(0));
        newFrames(true, true);
        EXPECT_NE(window->displayState, 2);
        EXPECT_EQ(window->runState, 1);
        EXPECT_EQ(outs().left(3), c.outputsAfter);
        window->Run();
        EXPECT_EQ(counting(1), c.moldStarts);
        nextCase();
    }
}

TEST_F(Verdict, InputTwoClearsAnAlarmOnlySemiAutomaticallyAfterTheProductStep)
{
    para.semi_auto = 1;
    para.detect_delay[0] = 0;
    para.detect_delay[1] = 0;
    start();
    watchStep(0);
    watchStep(1);
    edge(0); // the product step fails
    newFrames(false, true);
    ASSERT_EQ(window->displayState, 2);
    ASSERT_EQ(window->currentStep, 0);
    edge(2);
    newFrames(true, true);
    EXPECT_EQ(window->displayState, 2) << "not for the product step";
    window->displayState = 0;
    window->StartDetect();
    window->Run();
    setInput(0, false);
    edge(0); // the product step passes
    newFrames(true, true);
    setInput(2, false);
    edge(2); // the mold step fails
    newFrames(false, true);
    ASSERT_EQ(window->displayState, 2);
    ASSERT_EQ(window->currentStep, 1);
    setInput(2, false);
    edge(2);
    newFrames(true, true);
    EXPECT_EQ(window->displayState, 1) << "cleared, and the OK shown";
}

// Cycle times are tenths of a second since the epoch, far beyond an int.
TEST_F(Verdict, CycleTimesAreKeptInSixtyFourBits)
{
    struct Case {
        const char* name;
        qint64 startTenths; // of the first cycle
    };
    const qint64 wrap = qint64(1) << 31; // an int's range
    const Case cases[] = {
        {"today", QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)).toSecsSinceEpoch() * 10},
        {"across an int's wrap", 4 * wrap - 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.setNow(QDateTime::fromMSecsSinceEpoch(c.startTenths * 100));
        moldOnly();
        start();
        watchStep(1);
        moldCycle(true);
        EXPECT_EQ(window->lastCycleStart, c.startTenths);
        window->TimerShow();
        clock.advanceMs(12300);
        moldCycle(true);
        EXPECT_EQ(window->cycleTime, 123);
        EXPECT_EQ(window->lastCycleStart, c.startTenths + 123);
        nextCase();
    }
}

// Counts that cannot be stored are journaled and shown once, not every
// cycle, and the box never holds the cycle.
TEST_F(Verdict, CountsThatCannotBeSavedAreReportedOnce)
{
    moldOnly();
    start();
    watchStep(1);
    QFile::remove("count.txt");
    ASSERT_TRUE(QDir().mkpath("count.txt")); // a folder where the file belongs
    for (int cycle = 0; cycle < 2; ++cycle) {
        moldCycle(true);
        window->TimerShow();
    }
    EXPECT_EQ(gAllNum[0], 2) << "the cycles went on";
    EXPECT_TRUE(boxes.isEmpty()) << "no box inside the cycle";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(boxes.filter(LanStr(cycletext::kCountersNotSaved)).size(), 1);
    EXPECT_EQ(records().filter(LanStr(cycletext::kCountersNotSaved)).size(), 1);

    ASSERT_TRUE(QDir().rmdir("count.txt"));
    moldCycle(true);
    window->TimerShow();
    EXPECT_TRUE(QFileInfo("count.txt").isFile());
    ASSERT_TRUE(QFile::remove("count.txt") && QDir().mkpath("count.txt"));
    moldCycle(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(records().filter(LanStr(cycletext::kCountersNotSaved)).size(), 2) << "a new failure after a success";
}

// Camera 1's region table with a dark-area region on the mold step; then a
// damaged page under it. The camera is never judged as one without regions:
// frames that would pass keep the clamp prohibited, the reason is shown, and
// the operator and the journal are told. The intact table passes.
TEST_F(Verdict, ACameraWhoseRegionsCannotBeReadKeepsTheClampProhibited)
{
    for (bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "intact");
        if (damaged)
            nextCase();
        moldOnly();
        beforeWindow = [damaged] {
            ASSERT_TRUE(OpenSqlite("regions", "PARAM.db"));
            {
                QSqlQuery q(QSqlDatabase::database("regions"));
                ASSERT_TRUE(q.exec("insert into cammer0 values('detect1', '1 0 0 0 0 0 0 0 0')"));
                ASSERT_TRUE(q.exec("insert into cammer0 values('ROI1-0', '0 60 100 4 1 0 0 200 200 400 300')"));
            }
            CloseSqlite("regions");
            if (damaged)
                ASSERT_TRUE(sqlfaults::damagePageHolding("PARAM.db", "ROI1-0"));
        };
        start();
        ASSERT_EQ(view(0)->liveRegions->roiCount[1], damaged ? 0 : 1);
        QCoreApplication::processEvents();
        const QString told = LanStr(kLanRegionsUnread).arg(1);
        EXPECT_EQ(boxes.filter(told).size(), damaged ? 1 : 0);
        EXPECT_EQ(records().filter(told).size(), damaged ? 1 : 0);

        moldCycle(true, true);
        EXPECT_EQ(out(0), damaged) << "clamp prohibited";
        EXPECT_EQ(view(0)->allOK, !damaged);
        EXPECT_TRUE(view(1)->allOK);
        EXPECT_EQ(view(0)->recong->AlignmentText(1).isEmpty(), !damaged);
        moldCycle(false, true);
        EXPECT_TRUE(out(0)) << "a stuck part";
    }
}

// An alarm reset while the review holds unsaved region edits: the save
// question is asked from the event loop, never inside the pass, and the
// alarm and its outputs stand until the re-judgement.
TEST_F(Verdict, AnAlarmResetAsksAboutUnsavedEditsAfterThePass)
{
    moldOnly();
    start();
    watchStep(1);
    moldCycle(false);
    ASSERT_EQ(window->displayState, 2);
    view(0)->editRegions->max_area[1][0] = 120; // edited in the review, not saved
    QList<bool> boxInPass;
    setModalRunner([&](QDialog&) {
        boxInPass << host::PassScope::active();
        return int(QDialog::Accepted);
    });
    edge(1);
    EXPECT_TRUE(boxInPass.isEmpty()) << "no box inside the pass";
    EXPECT_EQ(window->displayState, 2);
    EXPECT_TRUE(out(0));
    EXPECT_TRUE(out(2));
    edge(1); // a second reset before the question is not asked twice

    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(boxInPass, QList<bool>{false}) << "asked once, from the event loop";
    EXPECT_EQ(view(0)->liveRegions->max_area[1][0], 120) << "the edit saved";
    EXPECT_TRUE(out(0)) << "nothing judged after the reset yet";
    newFrames(true, true);
    EXPECT_NE(window->displayState, 2);
    EXPECT_FALSE(out(0));
    EXPECT_FALSE(out(2));
}

// Maintenance that stops detection while an alarm shows (a group restore,
// a clock change or an update answering after the alarm hid the settings
// window) keeps the alarm's outputs; once the alarm is cleared detection
// stays stopped, the clamp prohibited, until the operator starts it.
TEST_F(Verdict, AHaltDuringAnAlarmKeepsTheAlarmOutputs)
{
    moldOnly();
    para.enable_stop_mold = 0;
    start();
    watchStep(1);
    moldCycle(false);
    ASSERT_EQ(window->displayState, 2);
    ASSERT_TRUE(out(2));
    settingshost::haltDetection(LanStr(maintenance::kRowHaltedForRestart));
    EXPECT_TRUE(out(0));
    EXPECT_TRUE(out(2)) << "the alarm output stays with the alarm";
    EXPECT_EQ(window->displayState, 2);
    EXPECT_EQ(window->runState, 3);

    edge(1);
    newFrames(true, true); // the part was taken out
    EXPECT_NE(window->displayState, 2) << "the alarm is cleared";
    EXPECT_FALSE(out(2));
    EXPECT_TRUE(out(0)) << "detection stays stopped for the maintenance";
    EXPECT_EQ(window->runState, 3);
    moldCycle(true);
    EXPECT_TRUE(out(0));
    window->SlotStartStop();
    EXPECT_EQ(window->runState, 1);
}
