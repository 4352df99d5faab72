// Seeded random schedules over the real main window in virtual time: two
// simulated cameras whose frames the schedule hands over, the board simulator
// on a pseudo-terminal for the silences of the board, the real loss and
// recovery of the cameras. Each schedule draws a detection mode and the
// output options, then random input edges, frames (good part or stuck part),
// stalls, losses, board silences, timers running out, temperature alarms and
// manual triggers. Every word published to the board and every pass is
// checked against the rules that hold whatever the options:
//  - the clamp is freed only by an OK verdict in this very call, on frames of
//    every camera in use taken after the judged step's start, each showing a
//    good part (or by the end of a pulse in pulse mode, where the clamp is
//    free by design);
//  - no word frees the clamp while a camera is lost or the board is silent,
//    and no verdict is given while a camera is lost;
//  - an NG of the clamp's step prohibits the clamp at once; while an alarm
//    shows, the clamp is prohibited; entering it switches the alarm output on
//    and journals the alarm; a final NG that the options do not turn into
//    pulses or a product reject enters the alarm.
//
// INMOLD_SCHEDULES=n runs n schedules (default 2500); INMOLD_SEED=s runs only
// schedule s, which a failure names.
#include "../ioboard/boardsim.h"
#include "cyclefixture.h"

#include "cameradriver/cameraloss.h"
#include "inspection/cammersingleton.h"
#include "params/procedures.h"
#include "platform/cameras/simcamera.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <cstdio>

namespace {

constexpr int kOk = 200; // grey of a good part
constexpr int kNg = 20;  // grey of a stuck part (the dark area the regions look for)

int recordCount = 0;
bool alarmRecorded = false;
void countRecord(const QDateTime&, const QString&, const QString& text)
{
    ++recordCount;
    alarmRecorded = alarmRecorded || text.endsWith(LanStr(152));
}

// Virtual time that only the schedule moves; the wall clock stands still
// (advancing it reads the time zone on every step).
class VirtualClock : public platform::Clock {
public:
    QDateTime now() const override { return wall_; }
    qint64 monotonicMs() const override { return ms_; }
    void advanceMs(qint64 ms) { ms_ += ms; }

private:
    QDateTime wall_{QDate(2026, 5, 6), QTime(7, 8, 9)};
    qint64 ms_ = 0;
};

class Schedules : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        cycletest::beginProcess(panel);
        platform::Clock::setInstance(&clock);
        previousModal = setModalRunner([](QDialog&) { return int(QDialog::Accepted); });
        camsdk::resetSimulators();
        camsdk::SimBus& bus = camsdk::simBus(camsdk::Vendor::MindVision);
        bus.setActive(true);
        for (const char* serial : {"SCHED-1", "SCHED-2"}) {
            camsdk::SimSpec spec;
            spec.serial = serial;
            spec.sensorWidth = 160;
            spec.sensorHeight = 120;
            cameras << bus.add(spec);
            cameras.last()->setStalled(true); // the schedule hands the frames over itself
        }
        ASSERT_TRUE(board.open()) << qPrintable(board.error());

        WizardPara para = FactoryParams();
        para.enable_correct = -1;
        para.max_mold_num = 1;
        para.ng_max_num = 0; // no image files: the schedules are about outputs
        para.ok_record_max_num = 0;
        base = para;
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
        ASSERT_TRUE(OpenSqlite(QLatin1String(kParamConnection), "PARAM.db"));
        for (int c = 0; c < 2; ++c) {
            CammerSingleton regions(c);
            for (int step = 0; step < 8; ++step)
                cycletest::putDarkAreaRegion(regions, step);
            regions.output_point[0] = 1;
            ASSERT_TRUE(regions.SaveDatatoFile());
        }
        CloseSqlite(QLatin1String(kParamConnection));
        ASSERT_TRUE(cycletest::makeRecordAndSerialDatabases());
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
        gAppDirPath = folder();
        host::install(host::Hooks());
        gpControlIO = new ControlPort(board.slavePath(), false);
        window = new MainWindow;
        ASSERT_EQ(gCameraID, int(kCameraMind));
        ASSERT_EQ(numCamera, 2);
        QSqlQuery(QSqlDatabase::database("dbRecord")).exec("PRAGMA synchronous=OFF");
        setRecordHook(countRecord);
        gpControlIO->setPublishRecorder([this](int word) { published(word); });
    }
    void TearDown() override
    {
        setRecordHook(nullptr);
        if (gpControlIO)
            gpControlIO->setPublishRecorder(nullptr);
        cycletest::endWindow(window);
        for (auto& serial : gSerialNB)
            setParamText(serial, "0");
        camsdk::resetSimulators();
        setModalRunner(previousModal);
        platform::Clock::setInstance(nullptr);
        platform::PanelDevice::setInstance(nullptr);
        InTempFolder::TearDown();
    }

    // ---- the options of a schedule ------------------------------------------------
    void drawOptions()
    {
        WizardPara& p = *gpWPara;
        p = base;
        auto pick = [&](std::initializer_list<int> values) {
            return *(values.begin() + rng.bounded(int(values.size())));
        };
        auto chance = [&](int percent) { return int(rng.bounded(100)) < percent; };
        p.procedure = p.procedure_requested = int(rng.bounded(6));
        p.detect_product = chance(70);
        p.semi_auto = chance(25);
        p.detect_any_order = pick({0, 0, 0, 1, 2});
        p.cavity_position = int(rng.bounded(4));
        p.cut_clamp_on_mold_alarm = chance(25);
        p.cut_ejector_on_prod_alarm = chance(20);
        p.pre_cut = pick({0, 0, 0, 5, 150});
        p.pulse_output = chance(20);
        p.mold_pulse = pick({0, 3, 10});
        p.thimble_pulse = pick({0, 3, 10});
        p.is_cut_ontime = chance(25);
        p.is_cut_ontime_thimble = chance(25);
        p.enable_stop_not_alarm = chance(20);
        p.enable_cutoff_ontime = chance(20);
        p.mold_cutoff = chance(25);
        p.enable_stop_mold = chance(20);
        p.front_auto_check_time = pick({0, 0, 1, 2});
        p.input_debounce_time = pick({0, 0, 1, 3});
        p.enable_trigger_safety = chance(25);
        p.use_external_trigger = chance(12);
        p.input_timeout_len = pick({0, 0, 0, 1});
        p.output_initial_state[0] = chance(15);
        p.output_initial_state[2] = chance(15);
        for (int s = 0; s < 8; ++s)
            p.detect_delay[s] = pick({0, 1, 3, 5});
        p.detect_count = 2 + int(rng.bounded(3));
        for (int r = 0; r < 3; ++r) {
            p.row_trigger[r] = pick({0, 1, 2}); // trigger inputs 0, 2, 3
            p.row_cut_mode[r] = int(rng.bounded(3));
        }
        for (int s = 0; s < 8; ++s)
            p.output_row[s] = s < p.detect_count ? pick({-1, 0, 1, 2, 0, 1}) : -1;
        p.output_row[p.detect_count - 1] = pick({0, 1, 2}); // the clamp's step is in use
    }

    // ---- a fresh run of the cycle: cameras back, board answering, inputs low
    void reset()
    {
        for (auto& cam : cameras)
            cam->setVanished(false);
        // The worker lists the cameras, then the GUI thread reopens them; an
        // answer of an attempt started before the cameras came back is stale.
        for (int i = 0; i < 4 && gisLost; ++i) {
            CameraRestart();
            CameraRecovery::instance().wait();
        }
        ASSERT_EQ(gisLost, 0);
        CameraWatch::instance().reset();
        board.setSilent(false);
        boardSilent = linkActive = false;
        for (int i = 0; i < 400 && !gpControlIO->boardAnswering(); ++i) {
            clock.advanceMs(100);
            linkPass();
        }
        ASSERT_TRUE(gpControlIO->boardAnswering());
        inputs = 0;
        board.setInputs(0);
        {
            QMutexLocker lock(pMutexIO);
            gDataIn = 0;
        }
        for (int k = 0; k < 8; ++k)
            gpControlIO->IOInTrigger(k);
        gisTempAlarm = false;
        std::fill(stalled, stalled + 2, false);
        std::fill(scene, scene + 2, kOk);
        window->resetCycle();
        clampOn = out(outputWord(), 0);
        failure.clear();
        events.clear();
        nextTickMs = clock.monotonicMs() + 100;
    }

    // ---- what the schedule does ---------------------------------------------------
    bool out(int word, int n) const { return ioframe::outputActive(word, n, *gpWPara); }
    // The word last published for the board, read as its thread reads it.
    static int outputWord()
    {
        QMutexLocker lock(pMutexIO);
        return gDataOut;
    }
    void linkPass()
    {
        gpControlIO->thread()->pass();
        board.serve(0);
    }
    void setInput(int k, bool on)
    {
        inputs = on ? (inputs | (1 << k)) : (inputs & ~(1 << k));
        board.setInputs(inputs);
        QMutexLocker lock(pMutexIO);
        gDataIn = inputs;
    }
    void deliver(int c, int grey)
    {
        CammerWidget* v = window->cameraViews[c];
        std::lock_guard<std::mutex> lock(pMutex[v->cameraIndex]);
        std::fill(v->recvImage->begin(), v->recvImage->end(), uchar(grey));
        isImageFill[v->cameraIndex] = true;
    }
    void note(const QString& e)
    {
        events << QStringLiteral("%1 ms: %2").arg(clock.monotonicMs() - startMs).arg(e);
        if (events.size() > 40)
            events.removeFirst();
    }
    // One call into the window, checked before and after.
    void call(const QString& what, const std::function<void()>& f, bool pulseEnd = false)
    {
        if (!failure.isEmpty())
            return;
        const int displayBefore = window->displayState;
        const bool lostBefore = gisLost != 0;
        verdictsBefore = window->verdicts;
        alarmRecorded = false;
        alarmOutputSeen = false;
        inPulseEnd = pulseEnd && gpWPara->pulse_output;
        f();
        inPulseEnd = false;
        if (!what.isEmpty())
            note(what);
        afterCall(displayBefore, lostBefore);
    }
    void fail(const QString& why)
    {
        if (failure.isEmpty())
            failure = why;
    }

    // Every word the cycle publishes.
    void published(int word)
    {
        const bool on = out(word, 0);
        alarmOutputSeen = alarmOutputSeen || out(word, 2);
        if (!on && gisLost)
            fail("the clamp freed while a camera is lost");
        if (!on && !gpControlIO->boardAnswering())
            fail("the clamp freed while the board does not answer");
        if (clampOn && !on && !inPulseEnd) {
            if (window->verdicts == verdictsBefore)
                fail("the clamp freed without a verdict");
            for (int c : usedSlots()) {
                if (window->frameSeq[c] <= window->judgedStartSeq)
                    fail(QStringLiteral("the clamp freed on a frame of camera %1 older than the step's start").arg(c + 1));
                if (window->cameraViews[c]->curImage.data[0] != kOk)
                    fail(QStringLiteral("the clamp freed while camera %1 shows a stuck part").arg(c + 1));
            }
        }
        clampOn = on;
    }

    void afterCall(int displayBefore, bool lostBefore)
    {
        const WizardPara& p = *gpWPara;
        if (lostBefore && window->verdicts != verdictsBefore)
            fail("a verdict while a camera is lost");
        if (window->displayState == 2 && !out(outputWord(), 0))
            fail("an alarm shows with the clamp free");
        if (window->displayState == 2 && displayBefore != 2) {
            if (!alarmOutputSeen)
                fail("an alarm without the alarm output");
            if (!alarmRecorded)
                fail("an alarm without its record");
        }
        const int last = p.procedure == ProcMultiDetect ? gDNum - 1 : 1;
        const bool twoMoldMode = p.procedure == ProcTwoColor || p.procedure == ProcTurntable;
        if (window->verdicts != verdictsBefore && window->lastVerdictNG
            && (twoMoldMode ? (window->currentStep & 1) : window->currentStep) == last && !out(outputWord(), 0))
            fail("an NG of the clamp's step left the clamp free");
        if (window->verdicts != verdictsBefore && window->lastResultNG && !p.pulse_output && !window->recheckPending
            && window->displayState != 2 && window->displayState != 3) {
            const bool twoMold = p.procedure == ProcTwoColor || p.procedure == ProcTurntable;
            const int s = twoMold ? (window->currentStep & 1) : window->currentStep;
            if (!(s == 0 && p.enable_stop_not_alarm))
                fail("a final NG without the alarm");
        }
    }

    // Fires a running timer's slot now and then, as its time may run out.
    void maybe(QTimer* t, int perMille, const QString& what, const std::function<void()>& slot, bool pulseEnd = false)
    {
        if (t->isActive() && int(rng.bounded(1000)) < perMille)
            call(what, slot, pulseEnd);
    }

    void step()
    {
        clock.advanceMs(3);
        auto chance = [&](int perMille) { return int(rng.bounded(1000)) < perMille; };

        // The machine's inputs.
        if (chance(25)) {
            static const int weighted[] = {0, 0, 0, 0, 0, 2, 2, 2, 3, 1, 1};
            const int k = weighted[rng.bounded(int(std::size(weighted)))];
            const bool on = !((inputs >> k) & 1);
            setInput(k, on);
            note(QStringLiteral("input %1 %2").arg(k).arg(on ? "on" : "off"));
        }
        // The mold in front of each camera, its frames, stalls.
        for (int c = 0; c < 2; ++c) {
            if (chance(10)) {
                scene[c] = chance(350) ? kNg : kOk;
                note(QStringLiteral("camera %1 sees %2").arg(c + 1).arg(scene[c] == kOk ? "a good part" : "a stuck part"));
            }
            if (int(rng.bounded(10000)) < (stalled[c] ? 100 : 2)) { // short stalls, now and then
                stalled[c] = !stalled[c];
                note(QStringLiteral("camera %1 %2").arg(c + 1).arg(stalled[c] ? "stalls" : "delivers again"));
            }
            if (!stalled[c] && !gisLost && !cameras[c]->vanished() && chance(350))
                deliver(c, scene[c]);
        }
        // A camera leaves the bus and is lost; it comes back later.
        if (int(rng.bounded(10000)) < 3 && !gisLost) {
            const int c = int(rng.bounded(2));
            cameras[c]->setVanished(true);
            call(QStringLiteral("camera %1 lost").arg(c + 1), [c] { CameraCheck(c); });
            // A countdown may end before the next pass sees the loss.
            for (int l = 0; l < 8; ++l)
                if (window->countdownTimers[l]->isActive() && chance(500))
                    call(QStringLiteral("step %1 counts down").arg(l), [this, l] {
                        window->countdown[l] = 0;
                        window->TimerUp(l);
                    });
        }
        for (int c = 0; c < 2; ++c)
            if (cameras[c]->vanished() && chance(8)) {
                cameras[c]->setVanished(false);
                note(QStringLiteral("camera %1 back on the bus").arg(c + 1));
            }
        // The board falls silent and answers again.
        if (!linkActive && chance(1)) {
            board.setSilent(true);
            boardSilent = linkActive = true;
            note("the board falls silent");
        } else if (boardSilent && chance(4)) {
            board.setSilent(false);
            boardSilent = false;
            note("the board answers again");
        }
        if (linkActive) {
            linkPass();
            if (!boardSilent && gpControlIO->boardAnswering())
                linkActive = false;
        }
        if (chance(2)) {
            gisTempAlarm = !gisTempAlarm;
            note(gisTempAlarm ? "temperature alarm" : "temperature good");
        }
        if (chance(2)) {
            const int m = int(rng.bounded(gDNum));
            call(QStringLiteral("manual trigger of step %1").arg(m), [this, m] { window->SlotManualTrig(m); });
        }

        // Timers running out.
        if (clock.monotonicMs() >= nextTickMs) {
            nextTickMs += 100;
            for (int l = 0; l < 8; ++l)
                if (window->countdownTimers[l]->isActive())
                    call(QString(), [this, l] { window->TimerUp(l); });
        }
        for (int k = 0; k < 8; ++k)
            maybe(window->debounceTimers[k], 30, QStringLiteral("debounce %1 ends").arg(k), [this, k] {
                window->debounceTimers[k]->stop();
                window->CheckInput(k);
            });
        maybe(window->resultTimer, 15, "result display ends", [this] { window->TimerShow(); });
        maybe(window->clampPulseTimer, 20, "clamp pulse ends", [this] { window->OutTimerNotAllowClose(); }, true);
        maybe(window->ejectorPulseTimer, 20, "ejector pulse ends", [this] { window->OutTimerNotAllowThimble(); }, true);
        maybe(window->ngPulseTimer, 20, "NG pulse ends", [this] { window->OutTimerOutNG(); });
        maybe(window->alarmResetTimer, 30, "alarm pulse ends", [this] { window->SlotResetAlarm(); });
        maybe(window->watchdogTimer, 5, "no input", [this] { window->InCheck(); });
        maybe(window->tempTimer, 5, "temperature check", [this] { window->CheckTemp(); });

        call(QString(), [this] { window->Run(); });
    }

    QString optionsText() const
    {
        const WizardPara& p = *gpWPara;
        return QStringLiteral("mode %1, product %2, semi-auto %3, input-2 start %4, cavity %5, cut clamp on mold alarm "
                              "%6, cut ejector %7, pre-cut %8, pulse %9 (%10/%11), clamp window %12, ejector window "
                              "%13, ejector pulse option %14, cutoff on time %15, mold cutoff %16, re-checks %17, "
                              "debounce %18, safety trigger %19, hardware trigger %20, delays %21 %22, steps %23")
            .arg(p.procedure).arg(p.detect_product).arg(p.semi_auto).arg(p.detect_any_order).arg(p.cavity_position)
            .arg(p.cut_clamp_on_mold_alarm).arg(p.cut_ejector_on_prod_alarm).arg(p.pre_cut).arg(p.pulse_output)
            .arg(p.mold_pulse).arg(p.thimble_pulse).arg(p.is_cut_ontime).arg(p.is_cut_ontime_thimble)
            .arg(p.enable_stop_not_alarm).arg(p.enable_cutoff_ontime).arg(p.mold_cutoff).arg(p.front_auto_check_time)
            .arg(p.input_debounce_time).arg(p.enable_trigger_safety).arg(p.use_external_trigger).arg(p.detect_delay[0])
            .arg(p.detect_delay[1]).arg(gDNum);
    }

    // One schedule; false with the failure told.
    bool run(quint64 seed)
    {
        rng.seed(quint32(seed));
        const int lostBefore = gLost;
        drawOptions();
        reset();
        startMs = clock.monotonicMs();
        const int steps = 400 + int(rng.bounded(300));
        for (int i = 0; i < steps && failure.isEmpty(); ++i)
            step();
        losses += gLost - lostBefore;
        if (failure.isEmpty())
            return true;
        ADD_FAILURE() << "schedule " << seed << ": " << qPrintable(failure) << "\n  " << qPrintable(optionsText())
                      << "\n  last events:\n    " << qPrintable(events.join("\n    "))
                      << "\n  reproduce with INMOLD_SEED=" << seed;
        return false;
    }

    WizardPara base;
    MainWindow* window = nullptr;
    BoardSim board;
    QList<camsdk::SimCameraPtr> cameras;
    platform::RecordingPanelDevice panel;
    VirtualClock clock;
    ModalRunner previousModal;
    QRandomGenerator rng;
    int inputs = 0;
    bool stalled[2] = {};
    int scene[2] = {kOk, kOk};
    bool linkActive = false; // the link's passes run (a silence and its end)
    bool boardSilent = false;
    bool clampOn = false;
    bool inPulseEnd = false;
    bool alarmOutputSeen = false;
    int verdictsBefore = 0;
    qint64 nextTickMs = 0;
    qint64 startMs = 0;
    QString failure;
    QStringList events;
    int losses = 0;
};

} // namespace

// The harness itself: a good part passes and a stuck part stops the machine.
TEST_F(Schedules, TheHarnessJudgesGoodAndStuckParts)
{
    drawOptions();
    WizardPara& p = *gpWPara;
    p = base;
    p.detect_product = 0;
    p.detect_delay[1] = 1;
    reset();
    setInput(0, true);
    call("edge", [this] { window->Run(); });
    EXPECT_TRUE(out(outputWord(), 0));
    deliver(0, kOk);
    deliver(1, kOk);
    for (int i = 0; i < 3; ++i)
        call("tick", [this] { window->TimerUp(1); });
    EXPECT_FALSE(out(outputWord(), 0)) << "released";
    EXPECT_TRUE(failure.isEmpty()) << qPrintable(failure);
    call("show", [this] { window->TimerShow(); });
    setInput(0, false);
    call("low", [this] { window->Run(); });
    setInput(0, true);
    call("edge", [this] { window->Run(); });
    deliver(0, kNg);
    deliver(1, kOk);
    for (int i = 0; i < 3; ++i)
        call("tick", [this] { window->TimerUp(1); });
    EXPECT_EQ(window->displayState, 2);
    EXPECT_TRUE(out(outputWord(), 0));
    EXPECT_TRUE(out(outputWord(), 2));
    EXPECT_TRUE(failure.isEmpty()) << qPrintable(failure);
}

TEST_F(Schedules, EveryScheduleKeepsTheClampRules)
{
    const QByteArray only = qgetenv("INMOLD_SEED");
    if (!only.isEmpty()) {
        run(only.toULongLong());
        return;
    }
    const int count = qEnvironmentVariableIsSet("INMOLD_SCHEDULES") ? qEnvironmentVariableIntValue("INMOLD_SCHEDULES")
                                                                     : 2500;
    QElapsedTimer t;
    t.start();
    int failed = 0;
    for (int seed = 1; seed <= count && failed < 3; ++seed)
        failed += !run(quint64(seed));
    std::printf("%d schedules in %.1f s, %d camera losses\n", count, double(t.elapsed()) / 1000, losses);
}
