// The IO board link against the simulated board over a real pseudo-terminal.
// Most tests drive the polling thread's pass by hand and let the board answer
// in lockstep, so nothing depends on timing.
#include "boardsim.h"
#include "monitor/controlport.h"
#include "monitor/logmanager.h"
#include "monitor/ioserial.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QThread>
#include <QElapsedTimer>
#include <QStringList>
#include <cstring>
#include <functional>
#include <memory>
#include <algorithm>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::usleep(200);
    }
    return true;
}

quint32 bitsOf(float v)
{
    quint32 w;
    std::memcpy(&w, &v, sizeof w);
    return w;
}

class IoLink : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        gLan = 1;
        savedParams_ = gpWPara;
        gpWPara = &params_;
        host::Hooks hooks;
        hooks.insertRecord = [this](const QString& t) { records_ << t; };
        hooks.showWarning = [this](const QString& t) { warnings_ << t; };
        host::install(hooks);
        newBoard();
    }
    // A fresh board on a fresh line, for a test that tries several set-ups.
    void newBoard()
    {
        port_.reset();
        sim_ = std::make_unique<BoardSim>();
        ASSERT_TRUE(sim_->open()) << sim_->error().toStdString();
    }
    void TearDown() override
    {
        port_.reset();
        sim_.reset();
        host::install(host::Hooks());
        gpWPara = savedParams_;
        gDataIn = gDataOut = 0;
        gisSafeDoorOpen = false;
        for (auto& t : gFTemp)
            t = 0.0f;
        gLan = 0;
        platform::Clock::setInstance(nullptr);
        InTempFolder::TearDown();
    }

    // The control port on the simulator's line, the pass driven by the test.
    void connect() { port_ = std::make_unique<ControlPort>(sim_->slavePath(), false); }
    IOThread* io() { return port_->thread(); }

    // One pass; the board answers everything sent so far and its answer is
    // waiting at the host end for the next pass.
    void cycle()
    {
        io()->pass();
        ASSERT_TRUE(sim_->waitHostFrames(io()->framesSent())) << "the board did not get every frame";
        ASSERT_TRUE(waitUntil([&] { return io()->bytesRead() + gpCom->bytesAvailable() >= sim_->bytesWritten(); }));
    }
    // The board's inputs become what the next IOInTrigger call sees.
    void boardInputs(int bits)
    {
        sim_->setInputs(bits);
        cycle();
        cycle();
        ASSERT_EQ(gDataIn, bits);
    }
    std::vector<int> commands() const
    {
        std::vector<int> c;
        for (const auto& f : sim_->hostFrames())
            c.push_back(f.cmd);
        return c;
    }

    WizardPara params_;
    WizardPara* savedParams_ = nullptr;
    std::unique_ptr<BoardSim> sim_;
    std::unique_ptr<ControlPort> port_;
    QStringList records_;
    QStringList warnings_;
};

TEST_F(IoLink, PollsEveryPassAndReadsTemperaturesOnSchedule)
{
    connect();
    for (int i = 0; i < 420; ++i)
        cycle();
    std::vector<int> want;
    for (int round = 0; round < 2; ++round) {
        want.insert(want.end(), 199, 2);
        want.push_back(3);
        want.insert(want.end(), 9, 2);
        want.push_back(4);
    }
    EXPECT_EQ(commands(), want);
    EXPECT_EQ(sim_->badHostBytes(), 0u);
    // Every poll answered: only the first pass and the passes after the four
    // temperature reads find no input report.
    EXPECT_EQ(io()->inputReports(), 420u - 1 - 3);
}

TEST_F(IoLink, FindsAFrameAfterGarbage)
{
    connect();
    sim_->injectGarbage(QByteArray::fromHex("00f55f5f0213ff5f"));
    boardInputs(0x005);
    EXPECT_EQ(io()->skippedBytes(), 8u);
}

TEST_F(IoLink, SkipsSpoiledFramesAndGoesOnAtTheNextByte)
{
    for (auto fault : {BoardSim::Fault::WrongSum, BoardSim::Fault::MissingEnd}) {
        SCOPED_TRACE(int(fault));
        newBoard();
        gDataIn = 0;
        connect();
        sim_->setInputs(0x001);
        sim_->corruptNextReply(fault);
        cycle(); // the poll is answered with the spoiled frame
        cycle(); // ... which is read and not taken
        EXPECT_EQ(gDataIn, 0);
        EXPECT_EQ(io()->inputReports(), 0u);
        cycle(); // the next answer is whole
        EXPECT_EQ(gDataIn, 0x001);
        EXPECT_EQ(io()->inputReports(), 1u);
        EXPECT_EQ(io()->skippedBytes(), 8u);
    }
}

TEST_F(IoLink, IgnoresFramesOfOtherCommands)
{
    connect();
    const uchar data[4] = {0xFF, 0x03, 0xFF, 0x03};
    cycle();
    sim_->writeRaw(BoardSim::boardFrame(1, data) + BoardSim::boardFrame(9, data));
    sim_->setInputs(0x040);
    cycle();
    cycle();
    EXPECT_EQ(gDataIn, 0x040);
    EXPECT_EQ(io()->skippedBytes(), 0u);
    EXPECT_EQ(sim_->countCommand(1), 0);
}

TEST_F(IoLink, HandlesTwoFramesInOneRead)
{
    connect();
    sim_->mergeNextReplies(2);
    cycle(); // answer held back
    cycle(); // both answers written at once
    const quint64 before = io()->inputReports();
    io()->pass();
    EXPECT_EQ(io()->inputReports(), before + 2);
}

TEST_F(IoLink, HandlesAFrameSplitAcrossReads)
{
    connect();
    sim_->setInputs(0x003);
    sim_->splitNextReply(3);
    cycle(); // three bytes of the answer arrive
    const quint64 before = io()->inputReports();
    cycle(); // they are read; the rest comes with the next answer
    EXPECT_EQ(io()->inputReports(), before);
    EXPECT_EQ(gDataIn, 0);
    io()->pass();
    EXPECT_EQ(io()->inputReports(), before + 2);
    EXPECT_EQ(gDataIn, 0x003);
    EXPECT_EQ(io()->skippedBytes(), 0u);
}

TEST_F(IoLink, SendsOutputsOnlyWhenTheEchoDiffers)
{
    connect();
    for (int i = 0; i < 5; ++i)
        cycle();
    EXPECT_EQ(sim_->countCommand(1), 0) << "the board already echoes the wanted outputs";

    port_->IOSetOut(2, 1);
    port_->IOSetOut(8, 1);
    port_->IOFlashOut();
    for (int i = 0; i < 5; ++i)
        cycle();
    EXPECT_EQ(sim_->countCommand(1), 1);
    EXPECT_EQ(sim_->outputs(), 0x104);
    // The outputs go out before the poll of the same pass.
    const auto frames = sim_->hostFrames();
    const auto set = std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.cmd == 1; });
    ASSERT_NE(set + 1, frames.end());
    EXPECT_EQ(set->value, 0x104);
    EXPECT_EQ((set + 1)->cmd, 2);

    port_->IOSetOut(2, 0);
    port_->IOFlashOut();
    for (int i = 0; i < 5; ++i)
        cycle();
    EXPECT_EQ(sim_->countCommand(1), 2);
    EXPECT_EQ(sim_->outputs(), 0x100);
}

TEST_F(IoLink, PolarityAndBackupReachTheBoard)
{
    // Active-low NG outputs and output 3 standing in for the ejector output.
    for (int n = 4; n < 8; ++n)
        params_.output_initial_state[n] = 1;
    params_.enable_mold_backup = 2;
    connect();
    EXPECT_EQ(gDataOut, 0x0F0) << "all outputs reset to their inactive level";
    port_->IOSetOut(1, 1);
    port_->IOSetOut(5, 1);
    port_->IOFlashOut();
    EXPECT_TRUE(port_->IOState(1, 3));
    EXPECT_FALSE(port_->IOState(1, 1));
    EXPECT_FALSE(port_->IOState(1, 5));
    for (int i = 0; i < 4; ++i)
        cycle();
    EXPECT_EQ(sim_->outputs(), 0x0D8);
    EXPECT_EQ(sim_->countCommand(1), 1);
}

TEST_F(IoLink, ReportsAnEdgeOnce)
{
    connect();
    boardInputs(0x001);
    EXPECT_TRUE(port_->IOInTrigger(0));
    EXPECT_FALSE(port_->IOInTrigger(0));
    EXPECT_FALSE(port_->IOInTrigger(2)) << "another input has no edge";
    EXPECT_TRUE(port_->IOState(0, 0));
    boardInputs(0x000);
    EXPECT_FALSE(port_->IOInTrigger(0));
    EXPECT_FALSE(port_->IOState(0, 0));
    boardInputs(0x001);
    EXPECT_TRUE(port_->IOInTrigger(0));
    EXPECT_FALSE(port_->IOInTrigger(8)) << "no ninth input";
}

TEST_F(IoLink, InputThreeStandsInForTheConfiguredInput)
{
    for (int use : {1, 2, 3}) {
        SCOPED_TRACE(use);
        newBoard();
        params_.enable_output_thimble_pulse = use;
        connect();
        boardInputs(0x008);
        const int target = use - 1;
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(port_->IOInTrigger(n), n == target) << "input " << n;
        EXPECT_TRUE(port_->IOState(0, target));
    }
}

TEST_F(IoLink, OpeningTheSafetyDoorReleasesTheAlarm)
{
    struct Case {
        int procedure;
        int polarity; // of the alarm output
        int backup;
        bool released;
    };
    const Case cases[] = {
        {ProcStandard, 0, 0, true},  {ProcAutoParts, 0, 0, true},  {ProcMultiDetect, 0, 0, true},
        {ProcStandardNoRecheck, 0, 0, true}, {ProcTwoColor, 0, 0, false}, {ProcTurntable, 0, 0, false},
        {ProcStandard, 1, 0, true},  {ProcStandard, 0, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "procedure " << c.procedure << " polarity " << c.polarity
                                        << " backup " << c.backup);
        newBoard();
        gDataIn = 0;
        params_ = WizardPara();
        params_.procedure = c.procedure;
        params_.output_initial_state[2] = c.polarity;
        params_.enable_mold_backup = c.backup;
        gisSafeDoorOpen = false;
        connect();
        port_->IOSetOut(2, 1);
        port_->IOFlashOut();
        const int alarmOn = gDataOut;

        boardInputs(0x002); // door closed
        port_->IOInTrigger(1);
        boardInputs(0x000); // door opens; the rule holds whatever input is asked
        port_->IOInTrigger(0);

        QMutexLocker lock(pMutexIO);
        if (c.released) {
            EXPECT_TRUE(gisSafeDoorOpen);
            EXPECT_NE(gDataOut, alarmOn) << "published at once";
            EXPECT_FALSE(ioframe::outputActive(gDataOut, 2, params_));
        } else {
            EXPECT_FALSE(gisSafeDoorOpen);
            EXPECT_EQ(gDataOut, alarmOn);
        }
    }
}

TEST_F(IoLink, StoresTemperaturesInOrderAndIgnoresReportsPastSixteen)
{
    const quint32 extra = 0x7FC0DEAD;
    for (int i = 0; i < 16; ++i)
        sim_->setTemperature(i, 20.5f + i);
    sim_->setExtraTemperatureReports(3, extra);
    connect();
    for (int i = 0; i < 200; ++i)
        cycle();
    io()->pass(); // reads the eight reports to command 3 and three more
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(gFTemp[i].load(), 20.5f + i) << i;
    for (int i = 8; i < 11; ++i)
        EXPECT_EQ(bitsOf(gFTemp[i].load()), extra) << "the index runs on: " << i;

    for (int i = 0; i < 10; ++i)
        cycle();
    io()->pass(); // the reports to command 4 fill 8..15; three more find no room
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(gFTemp[i].load(), 20.5f + i) << i;
}

TEST_F(IoLink, APortThatCannotOpenIsReportedOnce)
{
    const QString path = testenv::sysRoot() + QStringLiteral("/dev/ttyS7");
    platform::ManualClock clock;
    platform::Clock::setInstance(&clock);
    port_ = std::make_unique<ControlPort>(path, false);
    ASSERT_EQ(records_.size(), 1);
    ASSERT_EQ(warnings_.size(), 1);
    EXPECT_TRUE(records_[0].startsWith("IO board port " + path + " cannot be opened: ")) << qPrintable(records_[0]);
    for (int i = 0; i < 2 * IOThread::kSilentPasses; ++i)
        io()->pass();
    EXPECT_EQ(records_.size(), 1) << "the silence has the same cause";
    EXPECT_EQ(warnings_.size(), 1);
    EXPECT_EQ(io()->missedReports(), quint64(2 * IOThread::kSilentPasses));
    EXPECT_FALSE(io()->boardAnswering());
    EXPECT_EQ(io()->framesSent(), 0u);

    // The port is tried again quietly; once the board is there it is found.
    clock.advanceMs(1000);
    io()->pass();
    EXPECT_EQ(io()->reopenAttempts(), 1u);
    EXPECT_EQ(records_.size(), 1);
    EXPECT_EQ(warnings_.size(), 1);
    ASSERT_TRUE(sim_->link(path));
    sim_->start();
    port_->IOSetOut(2, 1);
    port_->IOFlashOut();
    clock.advanceMs(2000);
    ASSERT_TRUE(waitUntil([&] {
        io()->pass();
        return io()->boardAnswering();
    }));
    EXPECT_EQ(records_.size(), 2);
    EXPECT_EQ(records_.last(), LanStr(602).arg(path));
    EXPECT_TRUE(waitUntil([&] { return sim_->outputs() == 0x005; })) << "the wanted outputs reach the board";
}

// A silent board: journaled and shown once, the port closed and opened again
// after 1 s, then twice as long each time the board stays silent, at most
// 10 s apart; its first answer is journaled and gets the outputs at once.
TEST_F(IoLink, ABoardThatStopsAnsweringIsReopenedWithBackOffAndGetsItsOutputsBack)
{
    platform::ManualClock clock;
    platform::Clock::setInstance(&clock);
    connect();
    port_->IOSetOut(0, 1);
    port_->IOFlashOut();
    for (int i = 0; i < 3; ++i)
        cycle();
    ASSERT_TRUE(io()->boardAnswering());
    ASSERT_EQ(sim_->outputs(), 0x001);
    const quint64 missedBefore = io()->missedReports();

    sim_->setSilent(true);
    cycle(); // the last answer before the silence is still read here
    for (int i = 1; i < IOThread::kSilentPasses; ++i)
        cycle();
    EXPECT_TRUE(warnings_.isEmpty());
    EXPECT_TRUE(port_->boardAnswering());
    cycle();
    EXPECT_FALSE(port_->boardAnswering());
    EXPECT_FALSE(gpCom->isOpen()) << "the line is closed";
    ASSERT_EQ(warnings_.size(), 1);
    ASSERT_EQ(records_.size(), 1);
    EXPECT_EQ(records_[0], LanStr(601).arg(sim_->slavePath()));
    EXPECT_EQ(warnings_[0], records_[0]);

    // Attempts 1, 2, 4, 8, 10 and 10 s apart, each given its second of polls.
    QList<int> gaps;
    qint64 last = clock.monotonicMs();
    for (int attempt = 0; attempt < 6; ++attempt) {
        const quint64 before = io()->reopenAttempts();
        int waited = 0;
        while (io()->reopenAttempts() == before && waited < 20000) {
            clock.advanceMs(100);
            waited += 100;
            io()->pass();
        }
        ASSERT_TRUE(gpCom->isOpen()) << attempt;
        gaps << int(clock.monotonicMs() - last);
        for (int i = 0; i < IOThread::kSilentPasses; ++i)
            cycle();
        EXPECT_FALSE(gpCom->isOpen()) << "closed again after a silent second";
        last = clock.monotonicMs();
    }
    EXPECT_EQ(gaps, (QList<int>{1000, 2000, 4000, 8000, 10000, 10000}));
    EXPECT_EQ(records_.size(), 1) << "one record per change, not per attempt";
    EXPECT_EQ(warnings_.size(), 1);
    EXPECT_GE(io()->missedReports(), missedBefore + 7 * IOThread::kSilentPasses);

    // The board comes back: the next attempt finds it answering.
    sim_->setSilent(false);
    const int setOutputsBefore = sim_->countCommand(1);
    while (!gpCom->isOpen()) {
        clock.advanceMs(100);
        io()->pass();
    }
    cycle();
    cycle();
    EXPECT_TRUE(port_->boardAnswering());
    ASSERT_EQ(records_.size(), 2);
    EXPECT_EQ(records_[1], LanStr(602).arg(sim_->slavePath()));
    EXPECT_EQ(warnings_.size(), 1);
    EXPECT_EQ(sim_->countCommand(1), setOutputsBefore + 1)
        << "the wanted outputs are sent at once, even where the echo agrees";
    EXPECT_EQ(sim_->outputs(), 0x001);
    EXPECT_EQ(io()->reopenDelayMs(), IOThread::kReopenFirstMs) << "the back-off starts again";

    sim_->setSilent(true);
    for (int i = 0; i <= IOThread::kSilentPasses; ++i)
        cycle();
    EXPECT_EQ(warnings_.size(), 2) << "a new outage is a new warning";
}

// While the board does not answer, no published word shows the clamp free,
// and it stays prohibited after the board is back until the cycle frees it.
TEST_F(IoLink, NoWordPublishedWhileTheBoardIsSilentFreesTheClamp)
{
    connect();
    QList<int> published;
    port_->setPublishRecorder([&](int word) { published << word; });
    cycle();
    port_->IOResetAllOut();
    port_->IOFlashOut();
    EXPECT_EQ(published.last(), 0);
    sim_->setSilent(true);
    for (int i = 0; i <= IOThread::kSilentPasses; ++i)
        cycle();
    ASSERT_FALSE(port_->boardAnswering());
    port_->IOSetOut(2, 1);
    port_->IOFlashOut();
    EXPECT_EQ(published.last(), 0x005) << "the clamp is prohibited with the next word";
    EXPECT_EQ(gDataOut, 0x005);
    EXPECT_TRUE(port_->IOState(1, 0)) << "in the shadow word too";
}

// A clamp hold (the main window's camera loss) works the same way.
TEST_F(IoLink, TheClampHoldKeepsTheClampProhibitedInEveryWord)
{
    connect();
    bool hold = true;
    port_->setClampHold([&] { return hold; });
    port_->IOResetAllOut();
    port_->IOFlashOut();
    EXPECT_EQ(gDataOut, 0x001);
    hold = false;
    port_->IOFlashOut();
    EXPECT_EQ(gDataOut, 0x001) << "no release by the end of the hold alone";
    port_->IOSetOut(0, 0);
    port_->IOFlashOut();
    EXPECT_EQ(gDataOut, 0);
}

// A crash in any thread makes the machine safe first: the board is sent the
// clamp prohibited before the process ends, and nothing the GUI thread goes
// on publishing meanwhile frees it again.
TEST_F(IoLink, ACrashProhibitsTheClampAtTheBoardFirst)
{
    params_.enable_log = 1; // the trace goes to the log, not into the test output
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        new LogManager(nullptr, folder()); // the crash handler
        ControlPort port(sim_->slavePath(), true);
        port.IOSetOut(2, 1); // a word the board must be sent, the clamp free in it
        port.IOFlashOut();
        QElapsedTimer t;
        t.start();
        while (port.thread()->inputReports() < 10) { // the board has the clamp free
            if (t.elapsed() > 5000)
                _exit(3);
            QThread::usleep(500);
        }
        std::thread crashing([] { ::raise(SIGSEGV); });
        for (;;) { // the GUI thread keeps freeing the clamp
            port.IOSetOut(0, 0);
            port.IOFlashOut();
            QThread::usleep(100);
        }
    }
    sim_->start();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    sim_->stop();
    EXPECT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    std::vector<int> words; // the outputs the board was told, in order
    for (const auto& f : sim_->hostFrames())
        if (f.cmd == ioframe::CmdSetOutputs)
            words.push_back(f.value);
    const auto held = std::find_if(words.begin(), words.end(),
                                   [&](int w) { return ioframe::outputActive(w, 0, params_); });
    ASSERT_NE(held, words.end()) << "the board was sent the clamp prohibited";
    EXPECT_NE(held, words.begin()) << "it had the clamp free before the crash";
    EXPECT_TRUE(std::all_of(held, words.end(), [&](int w) { return ioframe::outputActive(w, 0, params_); }))
        << "never free again";
    EXPECT_TRUE(ioframe::outputActive(sim_->outputs(), 0, params_));
}

TEST(IoPortPath, SettingsMapToTtyNumbers)
{
    const QString root = testenv::sysRoot();
    EXPECT_EQ(comPortPath(0), root + "/dev/ttyS0");
    EXPECT_EQ(comPortPath(1), root + "/dev/ttyS2");
    EXPECT_EQ(comPortPath(2), root + "/dev/ttyS3");
}

// The whole link as the panel runs it: the port found under the system root
// by the setting, the thread polling by itself, the board answering by itself.
TEST_F(IoLink, RunsOnItsOwnThread)
{
    ASSERT_TRUE(sim_->link(testenv::sysRoot() + QStringLiteral("/dev/ttyS2")));
    const int savedCom = gisCOM;
    gisCOM = 1;
    sim_->start();
    port_ = std::make_unique<ControlPort>();
    gisCOM = savedCom;
    ASSERT_TRUE(gpCom && gpCom->isOpen());

    sim_->setInput(0, true);
    EXPECT_TRUE(waitUntil([&] { return port_->IOInTrigger(0); }));
    port_->IOSetOut(0, 1);
    port_->IOFlashOut();
    EXPECT_TRUE(waitUntil([&] { return sim_->outputs() == 0x001; }));
    EXPECT_TRUE(waitUntil([&] { return io()->passes() > 20; }));
    EXPECT_EQ(sim_->countCommand(1), 1);
    EXPECT_TRUE(warnings_.isEmpty());
}

} // namespace

namespace {

// The silence is noticed on the polling thread; the journal and the warning
// box are reached in the GUI thread.
TEST_F(IoLink, SilenceOnTheRunningThreadIsReportedInTheGuiThread)
{
    QThread* guiThread = QThread::currentThread();
    QThread* warnedIn = nullptr;
    host::Hooks hooks;
    hooks.insertRecord = [this](const QString& t) { records_ << t; };
    hooks.showWarning = [&](const QString& t) {
        warnings_ << t;
        warnedIn = QThread::currentThread();
    };
    host::install(hooks);
    sim_->setSilent(true);
    sim_->start();
    port_ = std::make_unique<ControlPort>(sim_->slavePath());
    ASSERT_TRUE(waitUntil([&] { return !warnings_.isEmpty(); }, 10000));
    EXPECT_EQ(warnedIn, guiThread);
    EXPECT_EQ(records_.size(), 1);
    EXPECT_GE(io()->missedReports(), quint64(IOThread::kSilentPasses));
}

} // namespace
