// Camera loss and restart, with the one-second check driven by explicit ticks
// and the 3 s restart rhythm by a manual clock.
#include "camerafixture.h"
#include "y4m.h"

#include "cameradriver/cameraloss.h"
#include "cameradriver/cameratexts.h"
#include "cameradriver/camerathread.h"
#include "cameradriver/checkcamera.h"
#include "cameradriver/v4l2session.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "platform/clock.h"
#include "platform/sysroot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using camsdk::SimCameraPtr;
using camsdk::Vendor;

namespace {

class LossTest : public CameraTest {
protected:
    void SetUp() override
    {
        CameraTest::SetUp();
        platform::Clock::setInstance(&clock);
    }
    void TearDown() override
    {
        platform::Clock::setInstance(nullptr);
        CameraTest::TearDown();
    }

    // Two small cameras of the vendor, probed, opened and grabbing.
    void startTwo(Vendor v, bool colour = false)
    {
        a = addCamera(v, "SERIAL-AA", 64, 48, colour);
        b = addCamera(v, "SERIAL-BB", 64, 48, colour);
        CheckCameraID();
        gOW = 64;
        gOH = 48;
        SetImageGeometry(64, 48, colour);
        openAndStart(2);
        ASSERT_EQ(numCamera, 2);
        waitFlowing();
    }
    void waitFlowing()
    {
        for (auto& d : drivers) {
            const uint32_t n = d->framesDelivered();
            ASSERT_TRUE(waitUntil([&] { return d->framesDelivered() > n; })) << "slot " << d->cameraIndex;
        }
    }
    // One second of the frame-rate check, with a frame of every camera that
    // still delivers in between.
    void tick(const QList<int>& alive)
    {
        for (int slot : alive) {
            CameraDriver* d = drivers[size_t(slot)].get();
            const uint32_t n = d->framesDelivered();
            EXPECT_TRUE(waitUntil([&] { return d->framesDelivered() > n; }, 2000)) << "slot " << slot;
        }
        CameraWatch::instance().SlotFPS();
    }
    // Ticks until a loss is declared; the number of ticks after the camera went quiet.
    int ticksUntilLost(const QList<int>& alive, int max = 10)
    {
        QThread::msleep(60); // the last frames of the quiet camera have arrived
        tick(alive);         // from here its counter stands still
        int n = 0;
        while (!gisLost && n < max) {
            tick(alive);
            ++n;
        }
        return n;
    }
    // One recovery attempt as the cycle makes it: started by a run, counted
    // off this thread, applied by the next run. The delay the runs ask for.
    int attempt()
    {
        CameraWatch& w = CameraWatch::instance();
        int next = w.runStep();
        CameraRecovery::instance().wait();
        if (CameraRecovery::instance().ready())
            next = w.runStep();
        return next;
    }
    bool allOpen() const
    {
        for (auto& d : drivers)
            if (!d->isOpen())
                return false;
        return true;
    }

    platform::ManualClock clock;
    SimCameraPtr a, b;
};

class VendorLossTest : public LossTest, public ::testing::WithParamInterface<Vendor> {};

} // namespace

TEST_P(VendorLossTest, StallIsALossAndTheSameCountRestarts)
{
    startTwo(GetParam());
    a->setStalled(true);
    EXPECT_EQ(ticksUntilLost({1}), 6); // more than five quiet seconds
    EXPECT_EQ(gisLost, 1);
    EXPECT_EQ(gLost, 1);
    EXPECT_EQ(records, QStringList{"The 1th Camera Lost, 1"});
    EXPECT_TRUE(outputs.contains(qMakePair(0, 1)));
    EXPECT_GT(flashes, 0);
    EXPECT_EQ(warnings, QStringList{"camera unavailable"});
    EXPECT_FALSE(cameraOpened[0]);
    EXPECT_FALSE(cameraOpened[1]);
    // The devices are closed by the recovery's worker, before it counts.
    CameraWatch::instance().runStep();
    CameraRecovery::instance().wait();
    EXPECT_FALSE(a->isOpen());
    EXPECT_FALSE(b->isOpen());

    // The stalled camera is still on the bus: the first run of the cycle
    // brings both back (even for the back-end that cannot count by itself).
    a->setStalled(false);
    records.clear();
    EXPECT_EQ(attempt(), 3);
    EXPECT_EQ(gisLost, 0);
    EXPECT_EQ(records, QStringList{"Camera Restart"});
    EXPECT_EQ(warningHidden, 1);
    EXPECT_TRUE(allOpen());
    EXPECT_TRUE(a->acquiring());
    waitFlowing();
}

TEST_P(VendorLossTest, VanishedCameraRestartsOnlyWhenTheCountIsBack)
{
    startTwo(GetParam());
    a->setVanished(true);
    EXPECT_EQ(ticksUntilLost({1}), 6);
    records.clear();
    CameraWatch& w = CameraWatch::instance();
    EXPECT_EQ(attempt(), 3); // attempted at once: one camera short; the pass goes on
    EXPECT_EQ(gisLost, 1);
    a->setVanished(false);
    clock.advanceMs(2999);
    w.runStep(); // too early for the next attempt
    EXPECT_FALSE(CameraRecovery::instance().busy());
    EXPECT_FALSE(CameraRecovery::instance().ready());
    EXPECT_EQ(gisLost, 1);
    EXPECT_TRUE(records.isEmpty());
    clock.advanceMs(1);
    EXPECT_EQ(attempt(), 3);
    EXPECT_EQ(records, QStringList{"Camera Restart"});
    EXPECT_TRUE(allOpen());
}

TEST_P(VendorLossTest, ACameraThatDoesNotReopenIsANewLoss)
{
    startTwo(GetParam());
    a->setStalled(true);
    ticksUntilLost({1});
    // Camera B is listed but refuses to open again.
    for (const char* call : {"GXOpenDevice", "CameraInit", "MV_CC_OpenDevice"})
        b->setFailure(call, -9);
    if (GetParam() == Vendor::Ids) {
        // IDS opens by position; take B away from its slot by keeping it
        // busy, once the recovery's worker has closed it.
        CameraWatch::instance().runStep();
        CameraRecovery::instance().wait();
        ASSERT_TRUE(b->tryOpen());
    }
    records.clear();
    attempt();
    EXPECT_EQ(gLost, 2);
    EXPECT_EQ(records.last(), "The 2th Camera Lost, 2");
    EXPECT_TRUE(records.contains("Camera Restart"));
    EXPECT_EQ(gisLost, 1);
    EXPECT_FALSE(cameraOpened[0]);
    if (GetParam() == Vendor::Ids)
        b->close();
}

// A camera that is gone is lost within a few seconds by the cycle's own
// runs, with the clamp prohibited, in both trigger modes: with hardware
// trigger no frame-rate count runs and no cycle starts without its frames.
TEST_P(VendorLossTest, ACameraGoneIsLostInEveryTriggerMode)
{
    for (int external : {1, 0}) {
        SCOPED_TRACE(external ? "hardware trigger" : "continuous");
        closeAll();
        camsdk::resetSimulators();
        CameraWatch::instance().reset();
        numCamera = 0;
        gisLost = gLost = 0;
        records.clear();
        warnings.clear();
        outputs.clear();
        para().use_external_trigger = external;
        startTwo(GetParam());
        a->setVanished(true);
        // The passes of the cycle, each followed by the event loop; no one-second tick.
        CameraWatch& w = CameraWatch::instance();
        ASSERT_TRUE(waitUntil([&] {
            w.runStep();
            QCoreApplication::processEvents();
            return gisLost == 1;
        }, 4000));
        ASSERT_EQ(records.size(), 2) << records.join('|').toStdString();
        EXPECT_EQ(records[0], "The 1th Camera Lost, 1");
        EXPECT_TRUE(records[1].startsWith("Camera 1 is disconnected")) << records[1].toStdString();
        EXPECT_TRUE(outputs.contains(qMakePair(0, 1)));
        EXPECT_EQ(warnings.size(), 1);
        EXPECT_FALSE(cameraOpened[0]);
        // The recovery's worker closes the devices before it counts them.
        w.runStep();
        CameraRecovery::instance().wait();
        EXPECT_FALSE(a->isOpen());
        w.runStep(); // its count taken: one camera short, still lost
        EXPECT_EQ(gisLost, 1);
        // Back on the bus, it is back in the cycle.
        a->setVanished(false);
        clock.advanceMs(3000);
        attempt();
        EXPECT_EQ(gisLost, 0);
        EXPECT_TRUE(allOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(Vendors, VendorLossTest,
                         ::testing::Values(Vendor::Daheng, Vendor::Ids, Vendor::MindVision, Vendor::Hikvision),
                         [](const ::testing::TestParamInfo<Vendor>& i) { return std::string(vendorName(i.param)); });

// Errors in a row that are neither a frame nor a time-out, for as long as
// a camera may be silent, are a loss also with hardware trigger.
TEST_F(LossTest, ALibraryErrorThatPersistsIsALossWithHardwareTrigger)
{
    para().use_external_trigger = 1;
    startTwo(Vendor::MindVision);
    a->setFailure("CameraGetImageBuffer", mindvision::CAMERA_STATUS_USB_BULK_ERROR);
    CameraWatch& w = CameraWatch::instance();
    ASSERT_TRUE(waitUntil([&] {
        w.runStep();
        QCoreApplication::processEvents();
        return gisLost == 1;
    }, CameraDriver::kFailingMs + 2000));
    EXPECT_EQ(records.last(), LanStr(cameratext::kReadFailed).arg(1));
    EXPECT_TRUE(outputs.contains(qMakePair(0, 1)));
}

TEST_F(LossTest, LossWhileDetectionIsStoppedLeavesTheOutputs)
{
    startTwo(Vendor::MindVision);
    runState = 3;
    a->setStalled(true);
    ticksUntilLost({1});
    EXPECT_EQ(gisLost, 1);
    EXPECT_TRUE(outputs.isEmpty());
    EXPECT_FALSE(cameraOpened[0]);
}

TEST_F(LossTest, HardwareTriggeredCamerasAreNotCounted)
{
    startTwo(Vendor::Hikvision);
    para().use_external_trigger = 1;
    a->setStalled(true);
    b->setStalled(true);
    for (int i = 0; i < 10; ++i)
        CameraWatch::instance().SlotFPS();
    EXPECT_EQ(gisLost, 0);
    EXPECT_TRUE(records.isEmpty());
}

TEST_F(LossTest, LossesAreCountedAcrossRecoveries)
{
    startTwo(Vendor::Hikvision);
    for (int loss = 1; loss <= 3; ++loss) {
        b->setStalled(true);
        ticksUntilLost({0});
        ASSERT_EQ(gisLost, 1);
        EXPECT_EQ(records.last(), QStringLiteral("The %1th Camera Lost, 2").arg(loss));
        b->setStalled(false);
        clock.advanceMs(3000);
        attempt();
        ASSERT_EQ(gisLost, 0);
        waitFlowing();
        CameraWatch::instance().SlotFPS();
    }
    EXPECT_EQ(gLost, 3);
}

TEST_F(LossTest, OnlyTheCamerasInUseAreWatchedAndReopenedPastAFailedSlot)
{
    // Three cameras bound to slots 0 to 2; the one of slot 1 does not open
    // (another program holds it).
    a = addCamera(Vendor::MindVision, "SERIAL-AA", 64, 48);
    SimCameraPtr held = addCamera(Vendor::MindVision, "SERIAL-HH", 64, 48);
    b = addCamera(Vendor::MindVision, "SERIAL-BB", 64, 48);
    held->setFailure("CameraInit", mindvision::CAMERA_STATUS_DEVICE_IS_OPENED);
    CheckCameraID();
    gOW = 64;
    gOH = 48;
    SetImageGeometry(64, 48, false);
    setSerial(0, "SERIAL-AA");
    setSerial(1, "SERIAL-HH");
    setSerial(2, "SERIAL-BB");
    for (int slot = 0; slot < 3; ++slot)
        openSlot(slot)->CameraStart();
    ASSERT_EQ(numCamera, 2) << records.join('|').toStdString();
    ASSERT_EQ(cameraSlot(1), 2);
    for (int slot : {0, 2}) {
        CameraDriver* d = drivers[size_t(slot)].get();
        ASSERT_TRUE(waitUntil([&] { return d->framesDelivered() > 0; })) << "slot " << slot;
    }

    // The slot between them has no camera to stall.
    records.clear();
    for (int i = 0; i < 8; ++i)
        tick({0, 2});
    EXPECT_EQ(gisLost, 0);
    EXPECT_GT(CameraWatch::instance().frameRate[2], 0);

    b->setStalled(true);
    ticksUntilLost({0});
    ASSERT_EQ(gisLost, 1);
    EXPECT_EQ(records, QStringList{"The 1th Camera Lost, 3"});
    EXPECT_FALSE(cameraOpened[0]);
    EXPECT_FALSE(cameraOpened[2]);

    // Once the bus lists as many cameras as are in use, the recovery reopens
    // them by their slots and leaves slot 1 alone.
    held->setVanished(true);
    b->setStalled(false);
    records.clear();
    EXPECT_EQ(attempt(), 3);
    EXPECT_EQ(gisLost, 0);
    const QString opened = LanStr(cameratext::kMindOpen);
    EXPECT_EQ(records, (QStringList{opened.arg(1).arg("SERIAL-AA"), opened.arg(3).arg("SERIAL-BB"), LanStr(605)}));
    EXPECT_TRUE(cameraOpened[0]);
    EXPECT_FALSE(cameraOpened[1]);
    EXPECT_TRUE(cameraOpened[2]);
}

TEST_F(LossTest, WhiteBalanceOnTheFiftiethRunAfterStartAndRecovery)
{
    startTwo(Vendor::MindVision, true);
    a->clearLog();
    CameraWatch& w = CameraWatch::instance();
    for (int i = 0; i < 49; ++i)
        w.runStep();
    EXPECT_FALSE(a->log().contains("CameraSetOnceWB"));
    w.runStep();
    EXPECT_TRUE(a->log().contains("CameraSetOnceWB"));
    a->clearLog();
    for (int i = 0; i < 60; ++i)
        w.runStep();
    EXPECT_FALSE(a->log().contains("CameraSetOnceWB"));
}

// A camera that answers slowly while it restores its defaults (its set
// slow to load, or its grab thread slow to end its last poll): the press
// returns at once and the passes keep their 3 ms pace meanwhile; the white
// balance the cycle asks for meanwhile waits for the restore instead of
// calling into the camera beside it; the values read back reach the edit
// copy, and the camera delivers again.
TEST_F(LossTest, ASlowRestoreHoldsNeitherThePassesNorTheCameraOfAnotherCaller)
{
    struct Case {
        const char* name;
        Vendor vendor;
        const char* slowCall; // made slow by delayMs
        int delayMs;
        int hangMs;           // the grab thread's frame call in progress
        const char* load;     // the log entry of loading the defaults
        const char* balance;  // the log entry of a white balance
    };
    const Case cases[] = {
        {"MindVision, its set slow to load", Vendor::MindVision, "CameraLoadParameter", 600, 0,
         "CameraLoadParameter 255", "CameraSetOnceWB"},
        {"MindVision, its grab thread slow to end", Vendor::MindVision, "", 0, CameraDriver::kStartWaitMs - 80,
         "CameraLoadParameter 255", "CameraSetOnceWB"},
        {"Hikvision, its user set slow to load", Vendor::Hikvision, "command UserSetLoad", 600, 0,
         "command UserSetLoad", "BalanceWhiteAuto=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        closeAll();
        camsdk::resetSimulators();
        CameraWatch::instance().reset();
        numCamera = 0;
        startTwo(c.vendor, true);
        a->setRange("ExposureTime", 0, 1e6);
        a->presetValue("default:CameraSetExposureTime", 25000);
        a->presetValue("default:ExposureTime", 25000);
        a->setCallDelayMs(c.slowCall, c.delayMs);
        a->setHangMs(c.hangMs);
        QThread::msleep(20); // the grab thread is inside its frame call now
        edit().expose_time[0] = 77;
        a->clearLog();

        auto answered = std::make_shared<int>(-1);
        QElapsedTimer t;
        t.start();
        drivers[0]->RestoreDefaultSettings([answered](bool restored) { *answered = restored; });
        EXPECT_LT(t.elapsed(), 20) << "ms the press took on the GUI thread";
        ASSERT_TRUE(drivers[0]->restoring());
        CameraWatch& w = CameraWatch::instance();
        for (int i = 0; i < 50; ++i)
            w.runStep(); // the 50th asks for the white balance
        qint64 longest = 0, last = t.elapsed();
        while (*answered < 0 && t.elapsed() < 5000) {
            w.runStep();
            QCoreApplication::processEvents();
            longest = std::max(longest, t.elapsed() - last);
            last = t.elapsed();
            clock.advanceMs(3);
            QThread::msleep(3);
        }
        EXPECT_EQ(*answered, 1);
        EXPECT_GE(t.elapsed(), std::max(c.delayMs, c.hangMs) - 20) << "the restore waited for the camera";
        EXPECT_LT(longest, 50) << "ms between two passes";
        EXPECT_EQ(edit().expose_time[0], 25) << "read back into the edit copy";
        EXPECT_EQ(gisLost, 0);
        EXPECT_TRUE(a->overlaps().isEmpty()) << a->overlaps().join(" | ").toStdString();
        const QStringList log = a->log();
        EXPECT_EQ(log.count(c.balance), 1) << log.join(" | ").toStdString();
        EXPECT_GT(log.indexOf(c.balance), log.indexOf(c.load)) << "the white balance waited for the restore";
        EXPECT_FALSE(drivers[0]->hasFault());
        waitFlowing();
    }
}

// A loss declared while a camera loads its defaults (the cycle found no
// fresh frame of it, or its stall count ran out): the clamp is prohibited
// and the operator told why at once; the camera is closed only once the
// restore let go of it, the restore does not start it again, and the
// recovery brings both cameras back with the values read back in the edit
// copy. The passes keep their pace throughout.
TEST_F(LossTest, ALossWhileACameraLoadsItsDefaultsWaitsForTheLoadAndSaysWhy)
{
    startTwo(Vendor::MindVision);
    a->presetValue("default:CameraSetExposureTime", 25000);
    a->setCallDelayMs("CameraLoadParameter", 800);
    auto answered = std::make_shared<int>(-1);
    drivers[0]->RestoreDefaultSettings([answered](bool restored) { *answered = restored; });
    QThread::msleep(100); // loading now
    records.clear();
    QElapsedTimer t;
    t.start();
    CameraCheck(0);
    EXPECT_LT(t.elapsed(), 20) << "ms the loss took on the GUI thread";
    ASSERT_EQ(gisLost, 1);
    const QString why = LanStr(cameratext::kLostWhileRestoring).arg(1);
    EXPECT_EQ(records, (QStringList{"The 1th Camera Lost, 1", why}));
    EXPECT_EQ(warnings, QStringList{"camera unavailable\r\n" + why});
    EXPECT_TRUE(outputs.contains(qMakePair(0, 1)));

    qint64 longest = 0, last = 0;
    while ((gisLost || *answered < 0) && t.elapsed() < 8000) {
        CameraWatch::instance().runStep();
        QCoreApplication::processEvents();
        longest = std::max(longest, t.elapsed() - last);
        last = t.elapsed();
        clock.advanceMs(3);
        QThread::msleep(3);
    }
    EXPECT_EQ(gisLost, 0);
    EXPECT_EQ(*answered, 1);
    EXPECT_LT(longest, 50) << "ms between two passes";
    EXPECT_EQ(edit().expose_time[0], 25);
    EXPECT_TRUE(a->overlaps().isEmpty()) << a->overlaps().join(" | ").toStdString();
    const QStringList log = a->log();
    const int loaded = log.indexOf("CameraLoadParameter 255");
    const int closed = log.indexOf("close", loaded);
    ASSERT_GT(loaded, 0);
    ASSERT_GT(closed, loaded);
    const QStringList restoring = log.mid(loaded, closed - loaded);
    EXPECT_TRUE(restoring.contains("CameraSetLutMode=0")) << "the restore was done before the close";
    EXPECT_FALSE(restoring.contains("CameraPlay")) << "a camera the loss closed is not started again";
    EXPECT_TRUE(allOpen());
    waitFlowing();
}

TEST_F(LossTest, V4l2StreamThatEndsIsLostAndRestartsOnceItsCamerasAreListed)
{
    CameraDriver::setV4l2InputFormat("yuv4mpegpipe");
    const QString dev = platform::sysPath(QStringLiteral("/dev/video0"));
    ASSERT_TRUE(writeY4m(dev, 64, 48, 15, [](int n) { return 30 + n; }));
    QFile devices(QStringLiteral("devices"));
    ASSERT_TRUE(devices.open(QIODevice::WriteOnly));
    devices.write("N: Name=\"USB Camera\"\nN: Name=\"USB Camera\"\n");
    devices.close();
    useBackend(kCameraV4l2, 960, 540, false, 1);
    openAndStart(1);
    // After its last frame the stream is silent: a loss with its cause as
    // soon as the source's deadline has passed, not six seconds later.
    ASSERT_TRUE(waitUntil([&] { return drivers[0]->hasFault(); }, 3000));
    CameraWatch::instance().runStep();
    QCoreApplication::processEvents();
    EXPECT_EQ(gisLost, 1);
    EXPECT_EQ(records, (QStringList{"The 1th Camera Lost, 1", "Camera 1: no frame within 500 ms"}));
    records.clear();
    ASSERT_TRUE(devices.open(QIODevice::WriteOnly | QIODevice::Truncate));
    devices.close();
    attempt(); // none listed, one was open: no restart
    EXPECT_EQ(gisLost, 1);
    // A second listed camera (one whose slot never opened) does not hold the recovery back.
    ASSERT_TRUE(devices.open(QIODevice::WriteOnly | QIODevice::Truncate));
    devices.write("N: Name=\"USB Camera\"\nN: Name=\"USB Camera\"\n");
    devices.close();
    clock.advanceMs(3000);
    const uint32_t before = drivers[0]->framesDelivered();
    attempt();
    EXPECT_EQ(gisLost, 0);
    EXPECT_EQ(records, QStringList{"Camera Restart"});
    EXPECT_TRUE(waitUntil([&] { return drivers[0]->framesDelivered() > before; })); // the stream from its start
    closeAll();
    QFile::remove(dev);
    CameraDriver::setV4l2InputFormat("video4linux2");
}

namespace {

// Holds every command until released, noting the thread it ran on.
class BlockingRunner : public platform::CommandRunner {
public:
    platform::CommandResult run(const QString& program, const QStringList& args, int) override
    {
        {
            std::lock_guard<std::mutex> l(m);
            lines << (QStringList{program} + args).join(' ');
            threads << QThread::currentThread();
        }
        gate.acquire();
        gate.release();
        return {true, 0, {}, {}};
    }
    bool startDetached(const QString&, const QStringList&, const QString&) override { return false; }
    std::mutex m;
    QStringList lines;
    QList<QThread*> threads;
    QSemaphore gate{0};
};

} // namespace

QStringList gDiscovered;
QStringList fakeDiscovery() { return gDiscovered; }

TEST_F(LossTest, InterfaceCycleRunsOffTheGuiThreadOnEveryInterfaceACameraWasSeenOn)
{
    EXPECT_EQ(NetworkCycle::interfaceNames("Inter-|   Receive\n face |bytes\n    lo: 1 2\n  eth0: 3 4\n"
                                           "  eth1: 5\nwlan0: 6\n"),
              (QStringList{"lo", "eth0", "eth1", "wlan0"}));
    QDir().mkpath(platform::sysPath("/proc/net"));
    QFile dev(platform::sysPath("/proc/net/dev"));
    ASSERT_TRUE(dev.open(QIODevice::WriteOnly));
    dev.write("Inter-|   Receive\n face |bytes\n    lo: 1 2\n  eth0: 3 4\n  eth1: 5 6\n  eth2: 7 8\n  eth3: 9\n");
    dev.close();
    // eth1 and eth2 carried cameras at start-up; at the recovery a camera
    // answers on eth0 too (it came up later, or answers with another maker's
    // prefix); eth3 never had one.
    gCameraInterfaces = QStringList{"eth1", "lo", "eth2"};
    gDiscovered = QStringList{"eth0", "eth1"};
    gDiscoverCameraInterfaces = &fakeDiscovery;

    startTwo(Vendor::MindVision);
    a->setVanished(true);
    ticksUntilLost({1});
    BlockingRunner runner;
    platform::CommandRunner::setInstance(&runner);
    QElapsedTimer t;
    t.start();
    CameraWatch::instance().runStep(); // one camera short: the worker cycles, the run returns
    EXPECT_LT(t.elapsed(), 50);
    EXPECT_TRUE(waitUntil([&] { std::lock_guard<std::mutex> l(runner.m); return !runner.lines.isEmpty(); }));
    EXPECT_TRUE(CameraRecovery::instance().busy());
    a->setVanished(false); // back while the interfaces are cycled
    clock.advanceMs(3000);
    CameraWatch::instance().runStep(); // the attempt is still working: nothing more is started
    EXPECT_EQ(gisLost, 1);
    runner.gate.release();
    CameraRecovery::instance().wait();
    platform::CommandRunner::setInstance(&testenv::commands());
    EXPECT_EQ(runner.lines, (QStringList{"ip addr flush dev eth0", "ifdown eth0", "ifup eth0", "ip addr flush dev eth1",
                                         "ifdown eth1", "ifup eth1", "ip addr flush dev eth2", "ifdown eth2",
                                         "ifup eth2"}));
    for (QThread* th : runner.threads)
        EXPECT_NE(th, QThread::currentThread());
    // Counted again after the cycle: the same attempt brings the cameras back.
    CameraWatch::instance().runStep();
    EXPECT_EQ(gisLost, 0);
    EXPECT_TRUE(gCameraInterfaces.contains("eth0"));
}

// Grab threads stuck in the library hold neither the loss nor the passes of
// the recovery: the cameras are closed, each within its bound, by the
// recovery's worker.
TEST_F(LossTest, StuckGrabThreadsHoldNeitherTheLossNorThePasses)
{
    startTwo(Vendor::Daheng);
    a->setHangMs(CameraDriver::kCloseWaitMs + 500);
    b->setHangMs(CameraDriver::kCloseWaitMs + 500);
    QThread::msleep(50); // both grab threads are inside the hanging call now
    QElapsedTimer t;
    t.start();
    CameraCheck(0);
    EXPECT_LT(t.elapsed(), 50) << "ms the loss took on the GUI thread";
    ASSERT_EQ(gisLost, 1);
    EXPECT_FALSE(cameraOpened[0] || cameraOpened[1]) << "closed at once for the cycle";
    EXPECT_TRUE(outputs.contains(qMakePair(0, 1)));

    // The recovery's passes every 3 ms until the cameras are back.
    qint64 longest = 0;
    t.restart();
    while (gisLost && t.elapsed() < 15000) {
        QElapsedTimer pass;
        pass.start();
        CameraWatch::instance().runStep();
        longest = std::max(longest, pass.elapsed());
        QThread::msleep(3);
        clock.advanceMs(3);
    }
    EXPECT_EQ(gisLost, 0);
    EXPECT_GE(t.elapsed(), CameraDriver::kCloseWaitMs) << "the worker waited for the stuck threads";
    EXPECT_LT(longest, 50) << "ms of one pass";
    EXPECT_TRUE(allOpen());
    waitFlowing();
}

// The pass of a lost camera keeps its 3 ms pace while a slow system cycles
// the interfaces (every command answers after 300 ms).
TEST_F(LossTest, ThePassesGoOnWhileASlowSystemCyclesTheInterfaces)
{
    QDir().mkpath(platform::sysPath("/proc/net"));
    QFile dev(platform::sysPath("/proc/net/dev"));
    ASSERT_TRUE(dev.open(QIODevice::WriteOnly));
    dev.write("Inter-|   Receive\n face |bytes\n    lo: 1 2\n  eth1: 5 6\n");
    dev.close();
    gCameraInterfaces = QStringList{"eth1"};
    gDiscovered = QStringList{"eth1"};
    gDiscoverCameraInterfaces = &fakeDiscovery;

    startTwo(Vendor::MindVision);
    a->setVanished(true);
    ticksUntilLost({1});
    testenv::commands().clear();
    testenv::commands().setDelayMs(300);
    QElapsedTimer t;
    t.start();
    qint64 last = 0;
    qint64 longest = 0;
    while (gisLost && t.elapsed() < 20000) {
        if (!testenv::commands().lines().isEmpty())
            a->setVanished(false); // back while the interfaces are cycled
        CameraWatch::instance().runStep();
        longest = std::max(longest, t.elapsed() - last);
        last = t.elapsed();
        clock.advanceMs(3);
        QThread::msleep(3);
    }
    CameraRecovery::instance().wait();
    testenv::commands().setDelayMs(0);
    EXPECT_EQ(gisLost, 0) << "back after the cycle";
    EXPECT_EQ(testenv::commands().lines(), (QStringList{"ip addr flush dev eth1", "ifdown eth1", "ifup eth1"}));
    EXPECT_GT(t.elapsed(), 900) << "the recovery waited for the slow commands";
    EXPECT_LT(longest, 50) << "ms between two passes";
}

namespace {

// A camera stream through a FIFO at the device path: a header and frames,
// then silence with the pipe kept open (a USB camera that stops sending
// without an error), then, once resumed, a fresh stream for the next reader.
class FifoCamera {
public:
    explicit FifoCamera(const QString& path) : path_(QFile::encodeName(path))
    {
        signal(SIGPIPE, SIG_IGN); // a reader that went away is an error of the write, not of the test
        QDir().mkpath(QFileInfo(path).path());
        ok_ = mkfifo(path_.constData(), 0600) == 0;
        thread_ = std::thread([this] { run(); });
    }
    ~FifoCamera()
    {
        stop_ = true;
        // A writer waiting for a reader is let go by opening the pipe once.
        const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK);
        thread_.join();
        if (fd >= 0)
            ::close(fd);
        ::unlink(path_.constData());
    }
    bool ok() const { return ok_; }
    bool silent() const { return silent_; }
    void resume() { resume_ = true; }

private:
    static QByteArray frame(int n)
    {
        return "FRAME\n" + QByteArray(64 * 48, char(40 + n % 100)) + QByteArray(2 * 32 * 24, char(128));
    }
    static bool writeAll(int fd, const QByteArray& data)
    {
        for (int done = 0; done < data.size();) {
            const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
            if (n <= 0)
                return false;
            done += int(n);
        }
        return true;
    }
    void run()
    {
        const QByteArray header = "YUV4MPEG2 W64 H48 F30:1 Ip A1:1 C420jpeg\n";
        int fd = ::open(path_.constData(), O_WRONLY); // until the camera is opened
        if (fd < 0 || stop_)
            return;
        bool sent = writeAll(fd, header);
        for (int n = 0; n < 40 && sent; ++n)
            sent = writeAll(fd, frame(n));
        silent_ = true;
        while (!resume_ && !stop_)
            QThread::msleep(5);
        ::close(fd);
        // Resumed: every reader that opens the pipe gets a stream from its start.
        int n = 0;
        while (!stop_) {
            fd = ::open(path_.constData(), O_WRONLY);
            if (fd < 0 || stop_)
                break;
            bool ok = writeAll(fd, header);
            while (ok && !stop_) {
                ok = writeAll(fd, frame(n++));
                QThread::msleep(10);
            }
            ::close(fd);
        }
        if (fd >= 0)
            ::close(fd);
    }

    QByteArray path_;
    bool ok_ = false;
    std::atomic<bool> silent_{false};
    std::atomic<bool> resume_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace

TEST_F(LossTest, SilentV4l2CameraIsLostInTimeWithoutStallingTheGuiAndComesBack)
{
    CameraDriver::setV4l2InputFormat("yuv4mpegpipe");
    QFile devices(QStringLiteral("devices"));
    ASSERT_TRUE(devices.open(QIODevice::WriteOnly));
    devices.write("N: Name=\"USB Camera\"\n");
    devices.close();
    useBackend(kCameraV4l2, 960, 540, false, 1);
    FifoCamera source(platform::sysPath(QStringLiteral("/dev/video0")));
    ASSERT_TRUE(source.ok());
    openAndStart(1);
    ASSERT_TRUE(drivers[0]->isOpen()) << drivers[0]->openFailure().toStdString();
    ASSERT_TRUE(waitUntil([&] { return source.silent() && drivers[0]->packetsRead() >= 40; }));

    // The cycle's pass every 3 ms (with the clock going along): the longest
    // time the GUI thread spends in one pass, and when the loss came.
    QElapsedTimer since;
    since.start();
    qint64 longest = 0;
    auto pass = [&] {
        QElapsedTimer t;
        t.start();
        CameraWatch::instance().runStep();
        QCoreApplication::processEvents();
        longest = std::max(longest, t.elapsed());
        QThread::msleep(3);
        clock.advanceMs(3);
    };
    while (!gisLost && since.elapsed() < 3000)
        pass();
    ASSERT_EQ(gisLost, 1);
    EXPECT_LT(since.elapsed(), V4l2Session::kSilentMs + 400) << "the loss comes within the source's deadline";
    EXPECT_EQ(records, (QStringList{"The 1th Camera Lost, 1", "Camera 1: no frame within 500 ms"}));
    EXPECT_EQ(warnings.size(), 1);

    // Silent still: the recovery's attempts open the device off this thread
    // and find no frame; nothing reopens.
    since.restart();
    while (since.elapsed() < 4000)
        pass();
    EXPECT_EQ(gisLost, 1);

    // The camera sends again: it is opened and delivers.
    source.resume();
    records.clear();
    since.restart();
    while (gisLost && since.elapsed() < 15000)
        pass();
    EXPECT_EQ(gisLost, 0);
    EXPECT_EQ(records, QStringList{"Camera Restart"});
    const uint32_t before = drivers[0]->framesDelivered();
    EXPECT_TRUE(waitUntil([&] { return drivers[0]->framesDelivered() > before + 3; }));
    EXPECT_LT(longest, 60) << "the GUI thread waited " << longest << " ms in one pass";
    closeAll();
    EXPECT_EQ(CameraDriver::retiredThreads(), 0);
    CameraDriver::setV4l2InputFormat("video4linux2");
}

TEST_F(LossTest, AFaultIsALossWithItsCauseJournaledAndShownOnce)
{
    startTwo(Vendor::Hikvision);
    CameraDriver* d = drivers[0].get();
    auto declareFault = [&] {
        EXPECT_TRUE(waitUntil([&] { return d->hasFault(); }));
        CameraWatch::instance().runStep();
        QCoreApplication::processEvents(); // declared from the event loop, not inside the pass
    };
    const QString cause = QStringLiteral("Camera 1: frames of 80 × 48 pixels, 64 × 48 expected");
    a->setFrameSize(80, 48);
    declareFault();
    EXPECT_EQ(gisLost, 1);
    EXPECT_EQ(records, (QStringList{"The 1th Camera Lost, 1", cause}));
    EXPECT_EQ(warnings, QStringList{"camera unavailable\r\n" + cause});
    EXPECT_TRUE(outputs.contains(qMakePair(0, 1)));

    // It keeps sending them: each reopening fails the same way, without a
    // new record or message.
    records.clear();
    warnings.clear();
    for (int i = 0; i < 3; ++i) {
        clock.advanceMs(3000);
        attempt();
        ASSERT_EQ(gisLost, 0);
        declareFault();
        ASSERT_EQ(gisLost, 1);
    }
    EXPECT_EQ(records, QStringList{"Camera Restart"});
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(gLost, 1);

    // Once it delivers again, the same fault later is news again.
    a->setFrameSize(0, 0);
    clock.advanceMs(3000);
    attempt();
    ASSERT_EQ(gisLost, 0);
    waitFlowing();
    CameraWatch::instance().SlotFPS();
    records.clear();
    a->setFrameSize(80, 48);
    declareFault();
    EXPECT_EQ(records, (QStringList{"The 2th Camera Lost, 1", cause}));
    EXPECT_EQ(warnings.size(), 1);
}

TEST_F(LossTest, AFilterGraphThatCannotBeBuiltIsALoss)
{
    CameraDriver::setV4l2InputFormat("yuv4mpegpipe");
    const QString dev = platform::sysPath(QStringLiteral("/dev/video0"));
    ASSERT_TRUE(writeY4m(dev, 64, 48, 200, [](int n) { return 30 + n % 100; }));
    useBackend(kCameraV4l2, 960, 540, false, 1);
    openAndStart(1);
    ASSERT_TRUE(waitUntil([&] { return drivers[0]->framesDelivered() > 0; }));
    // A description FFmpeg refuses: the previous graph stays, but the
    // frames no longer follow the settings.
    drivers[0]->extraPart = ",nosuchfilter";
    para().gamma[0] = 60;
    drivers[0]->SetGamma();
    ASSERT_TRUE(drivers[0]->hasFault());
    CameraWatch::instance().runStep();
    QCoreApplication::processEvents();
    EXPECT_EQ(gisLost, 1);
    EXPECT_EQ(records, (QStringList{"The 1th Camera Lost, 1", "Camera 1: the image filter could not be built"}));
    closeAll();
    QFile::remove(dev);
    CameraDriver::setV4l2InputFormat("video4linux2");
}
