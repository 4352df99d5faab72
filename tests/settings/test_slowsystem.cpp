// The monitoring pass keeps its pace while maintenance work waits for a slow
// system: every command answers only after 300 ms (the stand-ins sleep on
// the thread that runs them); from the press until the work has answered, no
// command is waited for on the GUI thread, and between two passes of the
// cycle's timer the GUI thread spends less than 50 ms of its own, and less
// than 50 ms by the wall clock once the time a busy machine kept it waiting
// for a processor is taken off (so a sleep, a wait for a command, a disk or
// a lock, or a box counts; on a quiet machine that is the wall clock itself;
// a gap in which the program's own pages were read in from the disk is the
// machine's and is not judged). Nor is the time the GUI thread waited for
// the disk to take a few small records (a journal line, a parameter) when
// the disk was slow: other writers on the machine make a small commit take
// as long as they like; a gap in which the GUI thread itself wrote or read
// more than that is judged by the wall clock with its disk waits.
#include "maintfixture.h"

#include "../platform/usbdiskfixture.h"
#include "cameradriver/cameratexts.h"
#include "platform/cameras/simcamera.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/maintenance.h"
#include "settings/networkparamswidget.h"
#include "widgets/busycover.h"
#include "widgets/keyboards.h"
#include "widgets/modifytimewidget.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSlowCommandMs = 300;
// What a few small commits of the GUI thread move to or from the disk.
constexpr qint64 kSmallDiskWork = 1 << 20;

// The time a thread spent waiting for the disk (uninterruptible sleep), as
// a watcher sees it by sampling the thread's state every half millisecond.
class DiskWaits {
public:
    explicit DiskWaits(pid_t tid)
        : path_(QStringLiteral("/proc/self/task/%1/stat").arg(tid).toLocal8Bit())
    {
        watcher_ = std::thread([this] { watch(); });
    }
    ~DiskWaits()
    {
        stop_ = true;
        watcher_.join();
    }
    qint64 ms() const { return micros_ / 1000; }

private:
    bool waitingForDisk() const
    {
        char buffer[512];
        const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
        ::close(fd);
        if (n <= 0)
            return false;
        buffer[n] = 0;
        const char* end = std::strrchr(buffer, ')'); // the state follows the name
        return end && end[1] == ' ' && end[2] == 'D';
    }
    void watch()
    {
        using clock = std::chrono::steady_clock;
        auto before = clock::now();
        bool wasWaiting = false;
        while (!stop_) {
            const bool waiting = waitingForDisk();
            const auto now = clock::now();
            const qint64 step = std::chrono::duration_cast<std::chrono::microseconds>(now - before).count();
            // A step between two samples that differ counts half.
            micros_ += waiting && wasWaiting ? step : waiting || wasWaiting ? step / 2 : 0;
            before = now;
            wasWaiting = waiting;
            ::usleep(500);
        }
    }
    QByteArray path_;
    std::thread watcher_;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> micros_{0};
};

} // namespace

class SlowSystem : public Maintenance {
protected:
    // Runs `press` from the event loop, then the passes of the cycle's timer
    // until the background work is over; the longest gap between two passes.
    qint64 longestGapThrough(const std::function<void()>& press, int slowCommands)
    {
        // The window painted once, as it is before anyone presses.
        QElapsedTimer warm;
        warm.start();
        while (warm.elapsed() < 300)
            QCoreApplication::processEvents();
        QElapsedTimer t;
        qint64 last = -1;
        qint64 longest = 0;
        int passes = 0;
        bool pressed = false;
        bool coverSeen = false;
        bool detecting = true;
        longestDetecting = 0;
        qint64 lastWall = 0;
        qint64 lastQueued = runQueueMs();
        long lastFaults = majorFaults();
        const DiskWaits diskWaits(pid_t(::gettid()));
        qint64 lastDiskWait = diskWaits.ms();
        qint64 lastDiskBytes = diskBytes();
        wall = 0;
        longestWaiting = 0;
        longestWaitingDetecting = 0;
        const auto pass = QObject::connect(window->runTimer, &QTimer::timeout, [&] {
            // The GUI thread's own time: what other processes of a busy
            // machine take from it is not this program's doing. A wait for
            // a command would not show in it; waits are caught apart.
            const qint64 now = guiThreadMs();
            const qint64 queued = runQueueMs();
            const long faults = majorFaults();
            const qint64 diskWait = diskWaits.ms();
            const qint64 bytes = diskBytes();
            const qint64 gap = t.elapsed() - lastWall;
            wall = std::max(wall, gap);
            // A gap in which the machine paged the program in is the disk's, not a wait of the program's.
            if (last >= 0 && faults == lastFaults) {
                // Slept, waited or worked: anything but waiting for a processor.
                qint64 held = gap - (queued - lastQueued);
                if (bytes - lastDiskBytes <= kSmallDiskWork)
                    held -= diskWait - lastDiskWait;
                longestWaiting = std::max(longestWaiting, held);
                if (detecting)
                    longestWaitingDetecting = std::max(longestWaitingDetecting, held);
            }
            lastQueued = queued;
            lastFaults = faults;
            lastDiskWait = diskWait;
            lastDiskBytes = bytes;
            lastWall = t.elapsed();
            if (last >= 0)
                longest = std::max(longest, now - last);
            if (last >= 0 && detecting)
                longestDetecting = std::max(longestDetecting, now - last);
            detecting = window->haltedFor.isEmpty();
            last = now;
            ++passes;
            coverSeen = coverSeen || BusyCover::shown(&settings());
        });
        t.start();
        const qint64 queuedAtStart = runQueueMs();
        QTimer::singleShot(0, &settings(), [&] {
            press();
            pressed = true;
        });
        // Until the press was made and the work was quiet for 50 ms (an
        // answer may start the next piece a little later).
        for (qint64 quietSince = -1; t.elapsed() < 30000;) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
            if (!pressed || platform::backgroundPending() > 0)
                quietSince = -1;
            else if (quietSince < 0)
                quietSince = t.elapsed();
            else if (t.elapsed() - quietSince >= 50)
                break;
        }
        QObject::disconnect(pass);
        EXPECT_TRUE(pressed && platform::backgroundPending() == 0) << "the work did not end";
        EXPECT_GE(t.elapsed(), slowCommands * kSlowCommandMs) << "the work waited for the slow commands";
        // At least one pass per 10 ms, less the time a busy machine kept the
        // GUI thread waiting for a processor.
        const qint64 ownTime = t.elapsed() - (runQueueMs() - queuedAtStart);
        EXPECT_GE(passes, ownTime / 10) << "the passes ran meanwhile (" << t.elapsed() << " ms by the wall clock, "
                                        << ownTime << " ms less the machine's load)";
        busyShown = coverSeen;
        return longest;
    }
    bool busyShown = false;
    qint64 longestDetecting = 0; // of the gaps that began while detection ran
    qint64 wall = 0;             // the longest gap by the wall clock, for the record
    // The longest gap by the wall clock less the time the thread waited for a
    // processor meanwhile; and of the gaps that began while detection ran.
    qint64 longestWaiting = 0;
    qint64 longestWaitingDetecting = 0;
    static long majorFaults()
    {
        rusage u{};
        getrusage(RUSAGE_THREAD, &u);
        return u.ru_majflt;
    }
    // What the calling thread read from and wrote to the disk so far.
    static qint64 diskBytes()
    {
        QFile f("/proc/thread-self/io");
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        qint64 sum = 0;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("read_bytes:") || line.startsWith("write_bytes:"))
                sum += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        return sum;
    }
    // Time the calling thread waited on the run queue (runnable, not running).
    static qint64 runQueueMs()
    {
        QFile f("/proc/thread-self/schedstat");
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        const QList<QByteArray> fields = f.readAll().split(' ');
        return fields.size() > 1 ? fields[1].trimmed().toLongLong() / 1000000 : 0;
    }
    static qint64 guiThreadMs()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }
    // Commands that the GUI thread waited for.
    static QStringList waitedOn(const platform::RecordingCommandRunner& runner)
    {
        QStringList lines;
        for (const auto& c : runner.calls())
            if (c.onMainThread && !c.detached)
                lines << c.line();
        return lines;
    }
};

TEST_F(SlowSystem, ThePassesGoOnThroughLongWork)
{
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::function<void()> press;
        std::function<void()> check;
        int slowCommands; // at least this many commands on the way
        bool covered;     // the settings window shows it is busy
        bool boundAfterHalt; // the passes keep their pace also once detection is stopped for a restart
    };
    std::unique_ptr<DiskRunnerScope> disk;
    auto withStick = [&disk] {
        disk = std::make_unique<DiskRunnerScope>();
        disk->runner.listing = kSystemAndStick;
        disk->runner.setDelayMs(kSlowCommandMs);
    };
    const Case cases[] = {
        {"USB export", withStick,
         [this] { emit settings().advanceFunctions->exportButton->clicked(); },
         [this] { EXPECT_TRUE(shown(147)); }, 4, true, true},
        {"group backup",
         [] { putFile("cammer11/template0.bmp", QByteArray(32 << 20, 't')); },
         [this] {
             settings().advanceParams->groupName->setText("Big");
             emit settings().advanceParams->backupButton->clicked();
         },
         [] { EXPECT_EQ(fileText("paraGroup/Big/cammer11/template0.bmp").size(), 32 << 20); }, 0, true, true},
        {"program update",
         [&] {
             withStick();
             putFile(platform::sysPath("/mnt/app.tar.gz"), QByteArray(16 << 20, 'u'));
             onDialog = [](QDialog& d) {
                 auto* files = qobject_cast<QFileDialog*>(&d);
                 if (!files)
                     return -1;
                 files->selectFile(platform::sysPath("/mnt/app.tar.gz"));
                 return int(QDialog::Accepted);
             };
         },
         [this] { emit settings().advanceFunctions->updateButton->clicked(); },
         [&disk] {
             EXPECT_EQ(fileText("newupdate.tar.gz").size(), 16 << 20);
             EXPECT_TRUE(disk->runner.lines().contains("reboot"));
         },
         4, true, true},
        {"group restore",
         [] {
             testenv::commands().setDelayMs(kSlowCommandMs);
             putFile("paraGroup/A/PARAM.db", "the group's parameters");
             putFile("paraGroup/A/cammer11/template0.bmp", QByteArray(16 << 20, 'g'));
         },
         [this] {
             settings().ParaGroupUpdateList();
             QComboBox* list = settings().advanceParams->groupList;
             list->setCurrentIndex(list->findText("A"));
             emit settings().advanceParams->restoreButton->clicked();
         },
         [] { EXPECT_EQ(testenv::commands().lines(), QStringList{"reboot"}); }, 1, true, true},
        {"clock change",
         [this] {
             testenv::commands().setDelayMs(kSlowCommandMs);
             ModifyTimeWidget* dialog = settings().clockDialog;
             onDialog = [dialog](QDialog& d) { return &d == dialog ? int(QDialog::Accepted) : -1; };
         },
         [this] { settings().SlotModifyTime(); },
         [] { EXPECT_EQ(testenv::commands().lines().size(), 3); }, 3, true, false},
        {"connectivity test", [] { testenv::commands().setDelayMs(kSlowCommandMs); },
         [this] { settings().networkParams->testButton->click(); },
         [this] {
             EXPECT_FALSE(settings().networkParams->testRunning());
             EXPECT_FALSE(testenv::commands().lines().isEmpty());
         },
         1, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        c.prepare();
        const qint64 gap = longestGapThrough([&] { c.press(); }, c.slowCommands);
        EXPECT_TRUE(waitedOn(disk ? disk->runner : testenv::commands()).isEmpty())
            << waitedOn(disk ? disk->runner : testenv::commands()).join(", ").toStdString();
        EXPECT_LT(longestDetecting, 50) << "ms of the GUI thread between two passes while detection ran";
        EXPECT_LT(longestWaitingDetecting, 50)
            << "ms between two passes while detection ran, by the wall clock less the machine's load";
        if (c.boundAfterHalt) {
            EXPECT_LT(gap, 50) << "ms of the GUI thread between two passes";
            EXPECT_LT(longestWaiting, 50) << "ms between two passes by the wall clock less the machine's load";
        }
        RecordProperty(std::string(c.name) + " longest gap (wall ms)", int(wall));
        RecordProperty(std::string(c.name) + " longest gap less the run queue (ms)", int(longestWaiting));
        c.check();
        EXPECT_EQ(busyShown, c.covered);
        // A restart the system took leaves the cover until the program ends.
        const bool restarting = (disk ? disk->runner : testenv::commands()).lines().contains("reboot");
        EXPECT_EQ(BusyCover::shown(&settings()), restarting) << "the cover goes with the work";
        testenv::commands().setDelayMs(0);
        disk.reset();
        nextCase();
    }
}

// A camera that takes its time to load its defaults (0.7 s), restored from
// the camera page of the real main window with two simulated MindVision
// cameras: the page is covered and the passes keep their pace until the
// camera has answered; then the values it read back are in the edit copy
// and on the sliders. A camera that refuses the load leaves the edit copy
// as it was, and the operator is told and the journal keeps it.
TEST_F(SlowSystem, ACameraSlowToRestoreItsDefaultsKeepsThePassesGoing)
{
    constexpr int kSlowLoadMs = 700;
    struct Case {
        const char* name;
        int failure; // status of the load, 0 loaded
    };
    const Case cases[] = {{"loaded", 0}, {"refused", mindvision::CAMERA_STATUS_TIME_OUT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<camsdk::SimCameraPtr> cameras;
        beforeWindow = [&cameras] {
            camsdk::resetSimulators();
            camsdk::SimBus& bus = camsdk::simBus(camsdk::Vendor::MindVision);
            bus.setActive(true);
            for (const char* serial : {"SIM-SLOW-01", "SIM-SLOW-02"}) {
                camsdk::SimSpec spec;
                spec.serial = serial;
                spec.sensorWidth = 640;
                spec.sensorHeight = 480;
                cameras << bus.add(spec);
                cameras.last()->setFramePeriodMs(40);
            }
        };
        para.expose_time[0] = 30;
        startMaintenance();
        ASSERT_EQ(gCameraID, int(kCameraMind));
        settings().tabButtons()[3]->click(); // the camera page, camera 1
        CameraParamsSubWidget& block = *settings().cameraParams->subWidget;
        ASSERT_EQ(block.exposureSlider->value(), 30);
        cameras[0]->presetValue("default:CameraSetExposureTime", 25000);
        cameras[0]->setCallDelayMs("CameraLoadParameter", kSlowLoadMs);
        cameras[0]->setFailure("CameraLoadParameter", c.failure);
        qint64 pressMs = -1;
        const qint64 gap = longestGapThrough(
            [&] {
                QElapsedTimer press;
                press.start();
                const qint64 queued = runQueueMs();
                emit block.restoreButton->clicked();
                pressMs = press.elapsed() - (runQueueMs() - queued); // less the machine's load
            },
            kSlowLoadMs / kSlowCommandMs);
        EXPECT_LT(pressMs, 50) << "ms the press held the GUI thread";
        EXPECT_LT(gap, 50) << "ms of the GUI thread between two passes";
        EXPECT_LT(longestWaiting, 50) << "ms between two passes by the wall clock less the machine's load";
        RecordProperty(std::string("restore ") + c.name + " longest gap (wall ms)", int(wall));
        EXPECT_TRUE(busyShown) << "the page was covered";
        EXPECT_FALSE(BusyCover::shown(&settings()));
        EXPECT_TRUE(cameras[0]->overlaps().isEmpty()) << cameras[0]->overlaps().join(" | ").toStdString();
        const QString refused = LanStr(cameratext::kRestoreFailed).arg(1).arg(c.failure);
        if (c.failure == 0) {
            EXPECT_EQ(gpWParaBak->expose_time[0], 25) << "read back into the edit copy";
            EXPECT_EQ(block.exposureSlider->value(), 25);
            EXPECT_TRUE(boxes.filter(refused).isEmpty());
        } else {
            EXPECT_EQ(gpWParaBak->expose_time[0], 30) << "the edit copy as it was";
            EXPECT_EQ(block.exposureSlider->value(), 30);
            EXPECT_EQ(records().filter(refused).size(), 1) << "journaled";
            EXPECT_EQ(boxes.filter(refused).size(), 1) << "told";
        }
        EXPECT_EQ(gisLost, 0);
        EXPECT_TRUE(cameras[0]->acquiring()) << "the camera runs again";
        nextCase();
        camsdk::resetSimulators();
    }
}

