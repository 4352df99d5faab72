// The built monitor as the operator meets it: started on a virtual X screen
// (Xvfb) in a program folder laid out by the install step, with the board
// simulator on a pseudo-terminal as its IO board. The test presses the
// option bar's start/stop button with real pointer clicks (xdotool) and
// answers the questions on the screen, and reads the clamp output where the
// machine would: at the board.
#include "../ioboard/boardsim.h"
#include "monitor/ioframes.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/programfolder.h"
#include "params/wizardpara.h"
#include "platform/sysroot.h"
#include "testenv.h"
#include "widgets/msgbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <functional>

namespace {

struct Window {
    QString id;
    QRect geometry;
};

QString run(const QString& program, const QStringList& args, const QString& display)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool waitFor(const std::function<bool()>& ready, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

class StartStop : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        for (const char* tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh)";
        Data_Init();
        ASSERT_TRUE(LayOutProgramFolder(folder(), testenv::sourceDir() + "/resources/programdir"));
        ASSERT_TRUE(board.open()) << qPrintable(board.error());
        ASSERT_TRUE(board.link(platform::sysPath("/dev/ttyS0")));
        board.start();

        xserver.setProgram("Xvfb");
        xserver.setArguments({"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
        xserver.start();
        ASSERT_TRUE(xserver.waitForStarted(5000));
        ASSERT_TRUE(waitFor(
            [this] {
                xserver.waitForReadyRead(100);
                display += QString::fromLatin1(xserver.readAllStandardOutput());
                return display.contains('\n');
            },
            10000));
        display = ':' + display.trimmed();
    }
    void TearDown() override
    {
        for (QProcess* p : {&monitor, &xserver}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
        board.stop();
        InTempFolder::TearDown();
    }

    // The parameters of the case, then the monitor.
    void startMonitor(const WizardPara& p)
    {
        para = p;
        QFile::remove("PARAM.db");
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("INMOLD_TEST_MODE", "1"); // no system command runs, no camera address repair
        env.insert("INMOLD_SYSROOT", testenv::sysRoot());
        monitor.setProcessEnvironment(env);
        monitor.setWorkingDirectory(folder());
        monitor.setProcessChannelMode(QProcess::MergedChannels);
        monitor.start(QStringLiteral(MONITOR_BIN), QStringList());
        ASSERT_TRUE(monitor.waitForStarted(5000));
    }

    QList<Window> windows()
    {
        QList<Window> list;
        const QStringList ids =
            run("xdotool", {"search", "--onlyvisible", "--classname", "inmold-monitor"}, display).split('\n', Qt::SkipEmptyParts);
        for (const QString& id : ids) {
            QMap<QString, int> v;
            for (const QString& line : run("xdotool", {"getwindowgeometry", "--shell", id}, display).split('\n')) {
                const int eq = line.indexOf('=');
                if (eq > 0)
                    v[line.left(eq)] = line.mid(eq + 1).toInt();
            }
            list << Window{id, QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"])};
        }
        return list;
    }
    // The question box on the screen (680 wide; a long text makes it
    // taller), once it is there.
    bool questionShown(QRect* where = nullptr)
    {
        for (const Window& w : windows())
            if (w.geometry.width() == 680) {
                if (where)
                    *where = w.geometry;
                return true;
            }
        return false;
    }
    void click(QPoint p)
    {
        run("xdotool", {"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"}, display);
    }
    // Answers the question on the screen with YES or NO where the box puts
    // its buttons.
    void answer(bool yes)
    {
        QRect box;
        ASSERT_TRUE(waitFor([&] { return questionShown(&box); }, 40000))
            << "no question on " << qPrintable(display) << "; the monitor "
            << (monitor.state() == QProcess::Running ? "runs" : "ended") << " and said: "
            << monitor.readAll().toStdString() << "\nwindows:\n"
            << run("xwininfo", {"-root", "-tree"}, display).toStdString();
        ChooseBox layout(QString{});
        layout.setText(QStringLiteral("?"));
        layout.resize(box.size());
        layout.show();
        layout.setGeometry(QRect(QPoint(), box.size()));
        QPushButton* b = yes ? layout.yesButton() : layout.noButton();
        click(box.topLeft() + b->geometry().center());
        ASSERT_TRUE(waitFor([&] { return !questionShown(); }, 10000)) << "the question stays";
    }
    // The clamp output as the board holds it.
    bool clamp() { return ioframe::outputActive(board.outputs(), 0, para); }
    bool waitClamp(bool on) { return waitFor([&] { return clamp() == on; }, 10000); }
    void shot(const QString& name)
    {
        QDir().mkpath(BLACKBOX_SHOT_DIR);
        run(SCREENGRAB_BIN, {QStringLiteral(BLACKBOX_SHOT_DIR "/%1.png").arg(name)}, display);
    }
    // The colour of the title bar, as the screen shows it, where nothing is
    // drawn on it: the main window's run state once it is up (the splash
    // screen is grey there, and takes the first click for itself).
    QRgb titleBar()
    {
        const QString file = folder() + QStringLiteral("/title.png");
        QFile::remove(file);
        run(SCREENGRAB_BIN, {file}, display);
        const QImage screen(file);
        return screen.isNull() ? 0 : screen.pixel(1450, 4) & 0xffffff;
    }
    bool waitTitleBar(QRgb colour) { return waitFor([&] { return titleBar() == colour; }, 40000); }
    static constexpr QRgb kDetectingTitle = 0x1f3f8d;
    static constexpr QRgb kStoppedTitle = 0xee2329;
    // The start/stop button of the option bar: second in the column right of
    // the camera area, below the 98-pixel title bar and the column's margin.
    static QPoint startStopButton() { return {1920 - 10 - 175 / 2, 98 + 10 + 112 + 10 + 112 / 2}; }

    BoardSim board;
    QProcess xserver;
    QProcess monitor;
    QString display;
    WizardPara para;
};

} // namespace

TEST_F(StartStop, TheOptionBarSwitchesTheClampAsTheRunStatesSay)
{
    struct Case {
        const char* name;
        int stopMold, cutOnTime, moldPulse;
        bool detecting, stopped; // clamp prohibited
    } cases[] = {
        {"clamp prohibited while stopped", 1, 0, 0, false, true},
        {"clamp cut at fixed time", 0, 1, 30, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara p = FactoryParams();
        p.serial_port = 0;
        p.is_psw_used = 0;
        p.enable_stop_mold = c.stopMold;
        p.is_cut_ontime = c.cutOnTime;
        p.mold_pulse = c.moldPulse;
        startMonitor(p);
        ASSERT_NO_FATAL_FAILURE(answer(false)); // no camera: keep the stored serials
        // Detection starts by itself; the window comes after the splash.
        ASSERT_TRUE(waitTitleBar(kDetectingTitle)) << "the main window shows detection running";
        ASSERT_TRUE(waitClamp(c.detecting)) << "detecting";
        shot(QStringLiteral("detecting-%1").arg(&c - cases));

        click(startStopButton());
        ASSERT_NO_FATAL_FAILURE(answer(true)); // "Be sure to stop the detection?"
        EXPECT_TRUE(waitClamp(c.stopped)) << "stopped";
        EXPECT_TRUE(waitTitleBar(kStoppedTitle)) << "the title bar shows detection stopped";
        shot(QStringLiteral("stopped-%1").arg(&c - cases));

        click(startStopButton());
        EXPECT_FALSE(waitFor([this] { return questionShown(); }, 1000)) << "a start asks nothing";
        EXPECT_TRUE(waitClamp(c.detecting)) << "started again";
        EXPECT_TRUE(waitTitleBar(kDetectingTitle)) << "the title bar shows detection running again";

        monitor.terminate();
        if (!monitor.waitForFinished(5000)) {
            monitor.kill();
            monitor.waitForFinished();
        }
    }
}
