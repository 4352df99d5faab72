// Resident memory of the real main window with simulated colour cameras of
// 2448 x 2048 pixels (the Hikvision layer's simulator) and the standard
// procedure's two detection steps in use:
//  - start-up: the window built and shown, every camera grabbing, the
//    engines trained on the one template each step has;
//  - trained:  T templates sampled per step from the live frame and the
//    steps trained again.
// Each configuration runs in a process of its own, so what one leaves in the
// allocator never counts for the next.
//
//   bench_memory [--cameras N]... [--templates T]... [--check] [--in-process]
//
// --in-process runs the first configuration in this process, for heap
// profilers that do not follow a fork (heaptrack).
//
// Prints the figures in MiB; with --check exits 1 when eight cameras with one
// template per step need 1 GiB or more after training.
#include "bench/common/benchprogram.h"
#include "camera/cammerwidget.h"
#include "cameradriver/cameraloss.h"
#include "cameradriver/checkcamera.h"
#include "inspection/cammerrecongnize.h"
#include "inspection/cammersingleton.h"
#include "monitor/controlport.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/savefialimagethread.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/cameras/simcamera.h"
#include "platform/commandrunner.h"
#include "platform/paneldevice.h"
#include "platform/procmem.h"
#include "platform/sysroot.h"
#include "widgets/modal.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 2048;

struct Figures {
    int cameras = 0;
    int templates = 0;
    double startupMiB = 0;
    double trainedMiB = 0;
    double peakMiB = 0;
    bool ok = false;
};

double mib(uint64_t bytes) { return double(bytes) / (1024.0 * 1024.0); }

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

// One configuration, in the process it runs in.
Figures measure(int cameras, int templates)
{
    Figures f;
    f.cameras = cameras;
    f.templates = templates;
    QTemporaryDir dir;
    if (!dir.isValid())
        return f;
    QDir(dir.path()).mkpath("root/dev");
    QDir(dir.path()).mkpath("program");
    platform::setSysRoot(dir.path() + "/root");
    QDir::setCurrent(dir.path() + "/program");

    camsdk::SimBus& bus = camsdk::simBus(camsdk::Vendor::Hikvision);
    bus.setActive(true);
    for (int c = 0; c < cameras; ++c) {
        camsdk::SimSpec spec;
        spec.serial = QByteArray("MEM-") + QByteArray::number(c);
        spec.model = "SIM-GC"; // a colour model
        spec.colour = true;
        spec.sensorWidth = kWidth;
        spec.sensorHeight = kHeight;
        bus.add(spec)->setFramePeriodMs(200);
    }

    WizardPara para = FactoryParams();
    para.enable_color_camera = 1;
    para.prohibit_optimize = 1;
    para.enable_correct = -1;
    para.max_mold_num = templates;
    para.ng_max_num = 5;
    para.ok_record_max_num = 0;
    if (!CreateParamDatabase("PARAM.db", para) || !OpenSqlite(QLatin1String(kParamConnection), "PARAM.db"))
        return f;
    // A defect region (trained on the templates) and a white area.
    bench::writeTwoRegionSteps(cameras, {MethodDefect, 5, 30}, {MethodWhiteArea, 5, 250});
    CloseSqlite(QLatin1String(kParamConnection));
    auto* window = bench::startWindow();
    window->show();
    if (numCamera != cameras) {
        std::fprintf(stderr, "%d cameras opened, %d wanted\n", numCamera, cameras);
        return f;
    }
    // Every camera has delivered and been shown a few times.
    QElapsedTimer t;
    t.start();
    auto allFlowing = [&] {
        for (int slot : usedSlots())
            if (window->frameCount[slot] < 3)
                return false;
        return true;
    };
    while (!allFlowing() && t.elapsed() < 30000)
        settle(50);
    settle(1000);
    f.startupMiB = mib(platform::residentBytes());

    // Template sampling: every step in use takes the live frame into each
    // of its template slots and is trained again.
    for (int slot : usedSlots()) {
        CammerWidget* v = window->cameraViews[slot];
        for (int d = 0; d < 8; ++d) {
            if (!StepInUse(d) || !v->recong)
                continue;
            for (int k = 0; k < templates; ++k) {
                v->curImage.copyTo(v->TemplateImage(d, k));
                v->templateUsed[d][size_t(k)] = 1;
            }
            v->templateCount[d] = templates;
            v->recong->CreateShape(d);
            v->recong->VarTrain(d);
        }
    }
    settle(1000);
    f.trainedMiB = mib(platform::residentBytes());
    f.peakMiB = mib(platform::peakResidentBytes());
    f.ok = allFlowing();
    return f;
}

// One configuration in this process, with the program's start-up around it.
Figures runHere(int cameras, int templates, int argc, char** argv)
{
    QApplication app(argc, argv);
    bench::QuietMachine machine;
    gDiscoverCameraInterfaces = nullptr;
    return measure(cameras, templates);
}

// Runs one configuration in a child process and reads its figures.
Figures runChild(int cameras, int templates, int argc, char** argv)
{
    Figures f;
    f.cameras = cameras;
    f.templates = templates;
    int fd[2];
    if (pipe(fd) != 0)
        return f;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        return f;
    if (pid == 0) {
        ::close(fd[0]);
        const Figures r = runHere(cameras, templates, argc, argv);
        (void)::write(fd[1], &r, sizeof r);
        ::close(fd[1]);
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(0); // the figures are out; tearing the window down is not measured
    }
    ::close(fd[1]);
    Figures r;
    const bool got = ::read(fd[0], &r, sizeof r) == ssize_t(sizeof r);
    ::close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return got ? r : f;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("INMOLD_TEST_MODE", "1");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<int> cameraCounts, templateCounts;
    bool check = false;
    bool inProcess = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cameras") == 0 && i + 1 < argc)
            cameraCounts.push_back(std::clamp(std::atoi(argv[++i]), 1, 8));
        else if (std::strcmp(argv[i], "--templates") == 0 && i + 1 < argc)
            templateCounts.push_back(std::clamp(std::atoi(argv[++i]), 1, 10));
        else if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else if (std::strcmp(argv[i], "--in-process") == 0)
            inProcess = true;
    }
    if (cameraCounts.empty())
        cameraCounts = {1, 2, 8};
    if (templateCounts.empty())
        templateCounts = {1, 10};

    std::printf("colour cameras %d x %d, two steps in use; resident memory in MiB\n", kWidth, kHeight);
    std::printf("%8s %10s %10s %10s %10s\n", "cameras", "templates", "start-up", "trained", "peak");
    bool met = true;
    for (int cameras : cameraCounts) {
        for (int templates : templateCounts) {
            const Figures f = inProcess ? runHere(cameras, templates, argc, argv)
                                        : runChild(cameras, templates, argc, argv);
            if (!f.ok) {
                std::printf("%8d %10d   (did not run)\n", cameras, templates);
                met = false;
                continue;
            }
            std::printf("%8d %10d %10.0f %10.0f %10.0f\n", cameras, templates, f.startupMiB, f.trainedMiB, f.peakMiB);
            std::fflush(stdout);
            if (cameras == 8 && templates == 1 && f.trainedMiB >= 1024)
                met = false;
            if (inProcess) {
                std::fflush(stdout);
                _exit(check && !met ? 1 : 0); // one configuration, and no tear-down
            }
        }
    }
    return check && !met ? 1 : 0;
}
