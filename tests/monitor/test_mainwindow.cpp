#include "../cycle/cyclefixture.h"
#include "platform/background.h"

#include <QCoreApplication>
#include <QThread>
#include "cameradriver/cameraglobals.h"
#include "cameradriver/checkcamera.h"
#include "monitor/controlport.h"
#include "monitor/journal.h"
#include "monitor/led.h"
#include "monitor/logmanager.h"
#include "monitor/startupdb.h"
#include "monitor/mainwindow.h"
#include "monitor/mapplication.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/programfolder.h"
#include "params/wizardpara.h"
#include "platform/paneldevice.h"
#include "settings/maintenance.h"
#include "testenv.h"
#include "widgets/modal.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>
#include <QTest>
#include <QWindow>

namespace {

// A finger on the panel: the platform's button state is down until it lifts.
class Finger {
public:
    Finger()
    {
        pane_.resize(100, 100);
        pane_.show();
        QTest::mousePress(&pane_, Qt::LeftButton, {}, QPoint(50, 50));
    }
    ~Finger() { QTest::mouseRelease(&pane_, Qt::LeftButton, {}, QPoint(50, 50)); }

private:
    QWindow pane_;
};

// A program folder as the install step lays it out, and the main window
// started in it. Modal boxes are answered at once and their texts kept.
class MainWindowStart : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        cycletest::beginProcess(panel); // also: the camera probe never reaches the machine's interfaces
        ASSERT_TRUE(LayOutProgramFolder(folder(), testenv::sourceDir() + "/resources/programdir"));
        previousModal = setModalRunner([this](QDialog& d) {
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                texts << l->text();
            boxes << texts.join('|');
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override
    {
        cycletest::endWindow(window);
        setModalRunner(previousModal);
        platform::PanelDevice::setInstance(nullptr);
        InTempFolder::TearDown();
    }
    void start()
    {
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
        gAppDirPath = folder();
        window = new MainWindow;
    }
    // A journal file that is no database.
    static void damageJournal()
    {
        QFile::remove("RECORD.db");
        QFile f("RECORD.db");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2048, 'x'));
    }
    QStringList records()
    {
        QStringList out;
        QSqlQuery q(QSqlDatabase::database("dbRecord"));
        q.exec("select remarks from RECORD");
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    platform::RecordingPanelDevice panel;
    MainWindow* window = nullptr;
    QStringList boxes;
    ModalRunner previousModal;
};

} // namespace

namespace {

// The calibration and the restart answer from the background: until both did.
bool backgroundDone()
{
    return testenv::settleBackground();
}

} // namespace

TEST_F(MainWindowStart, StartsDetectingWithItsFoldersJournalAndTimers)
{
    start();
    EXPECT_EQ(gpWin, window);
    EXPECT_EQ(window->runState, 1);
    EXPECT_EQ(window->displayState, 0);
    EXPECT_EQ(window->cyclePhase, 3);
    EXPECT_EQ(window->userLevel, 0);
    EXPECT_EQ(window->currentStep, 0) << "product detection is on in the factory set";
    EXPECT_EQ(window->size(), QSize(1920, 1080));
    for (int c = 1; c <= 8; ++c)
        for (int s = 1; s <= 8; ++s) {
            EXPECT_TRUE(QDir(QString("alarmimage/camera%1/detect%2/NG").arg(c).arg(s)).exists());
            EXPECT_TRUE(QDir(QString("alarmimage/camera%1/detect%2/OK").arg(c).arg(s)).exists());
            EXPECT_TRUE(QDir(QString("cammer%1%2").arg(c).arg(s)).exists());
            EXPECT_TRUE(QDir(QString("originalimage/cammer%1%2").arg(c).arg(s)).exists());
        }
    EXPECT_TRUE(QDir("RECORD").exists());
    EXPECT_TRUE(QFile::exists("time.txt"));
    EXPECT_TRUE(window->runTimer->isActive());
    EXPECT_TRUE(window->runTimer->isSingleShot());
    EXPECT_EQ(window->dateTimer->interval(), 60000);
    EXPECT_EQ(window->fpsTimer->interval(), 1000);
    EXPECT_EQ(window->tempTimer->interval(), 5000);
    const QStringList recs = records();
    ASSERT_FALSE(recs.isEmpty());
    EXPECT_TRUE(recs.last().startsWith(LanStr(150).left(4))) << qPrintable(recs.last());
    // Without a board the operator is told, and the journal says so too.
    EXPECT_TRUE(recs.first().contains("dev/ttyS0")) << qPrintable(recs.first());
    EXPECT_EQ(boxes.filter("ttyS0").size(), 1);
}

TEST_F(MainWindowStart, ModeFourStartsOnTheLastStep)
{
    OpenSqlite("edit", "PARAM.db");
    QSqlQuery q(QSqlDatabase::database("edit"));
    q.exec("update sysparam set value='4 0 0 0 0 1 0 0' where name='numFailDetect'");
    q.exec("update sysparam set value='5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0' where name='system8'");
    CloseSqlite("edit");
    start();
    EXPECT_EQ(gDNum, 5);
    EXPECT_EQ(window->currentStep, 4);
    EXPECT_EQ(window->lastStartedStep, 4);
}

TEST_F(MainWindowStart, ADamagedJournalIsReplacedAndAskedToReboot)
{
    damageJournal();
    start();
    EXPECT_TRUE(testenv::commands().lines().contains("cp -f RECORDNULL.db RECORD.db"));
    EXPECT_TRUE(boxes.filter(gaLanStr[135][1]).size() == 1);
}

TEST_F(MainWindowStart, BacklightAndLogoutTimers)
{
    start();
    window->userLevel = 2;
    window->TimerLogout();
    EXPECT_EQ(window->userLevel, 0);
    panel.clear();
    window->lcdTimer->start(1000);
    window->TimerLCD();
    EXPECT_FALSE(window->lcdTimer->isActive());
    EXPECT_EQ(gScreenOff, 1);
    EXPECT_EQ(panel.requests(), QList<unsigned long>{led::kBacklightOff});
    LCDOnOff(1);
}

TEST_F(MainWindowStart, TouchWakesTheScreenAndRestartsTimers)
{
    start();
    gpWPara->auto_cancel_timelen = 30;
    gpWPara->location_level = 60;
    TouchWatch touch;
    gCameraID = 6; // a camera back-end: no calibration
    LCDOnOff(0);
    EXPECT_TRUE(touch.pressed()) << "a press on a dark screen only wakes it";
    EXPECT_EQ(gScreenOff, 0);
    EXPECT_EQ(window->logoutTimer->interval(), 30000);
    EXPECT_TRUE(window->logoutTimer->isActive());
    EXPECT_EQ(window->lcdTimer->interval(), 60000);
    EXPECT_FALSE(touch.pressed()) << "the next press is delivered";
    EXPECT_FALSE(touch.longPressTimer->isActive());
    touch.released();
    gCameraID = 0;
}

TEST_F(MainWindowStart, LongPressWithoutCamerasRunsCalibrationThenReboots)
{
    start();
    gCameraID = 0;
    TouchWatch touch;
    touch.pressed();
    EXPECT_TRUE(touch.longPressTimer->isActive());
    touch.released(); // a short press arms nothing
    EXPECT_FALSE(touch.longPressTimer->isActive());
    EXPECT_FALSE(touch.calibrationArmed);

    {
        Finger finger; // a press whose release the watch never saw
        touch.pressed();
    }
    touch.LongPressTimeout();
    EXPECT_FALSE(touch.calibrationArmed) << "no button was held when the time ran out";

    {
        Finger finger;
        touch.pressed();
        touch.LongPressTimeout();
    }
    EXPECT_TRUE(touch.calibrationArmed);
    testenv::commands().clear();
    boxes.clear();
    touch.pressed();
    touch.released();
    ASSERT_TRUE(backgroundDone());
    EXPECT_EQ(testenv::commands().lines(), (QStringList{"./tsc", "reboot"}));
    EXPECT_FALSE(touch.calibrationArmed);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("##").toStdString();
}

TEST_F(MainWindowStart, AFailedCalibrationOrRefusedRestartKeepsTheProgramRunning)
{
    start();
    gCameraID = 0;
    auto result = [](bool started, int exitCode) {
        platform::CommandResult r;
        r.started = started;
        r.exitCode = exitCode;
        return r;
    };
    struct Case {
        const char* name;
        platform::CommandResult tsc, reboot;
        QStringList commands;
        int message;
    };
    const Case cases[] = {
        {"no calibration program", result(false, -1), result(true, 0), {"./tsc"}, maintenance::kRowCalibrationNotRun},
        {"calibration ended in an error", result(true, 1), result(true, 0), {"./tsc"},
         maintenance::kRowCalibrationFailed},
        {"restart refused", result(true, 0), result(true, 1), {"./tsc", "reboot"}, maintenance::kRowRestartFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testenv::commands().script("./tsc", c.tsc);
        testenv::commands().script("reboot", c.reboot);
        testenv::commands().clear();
        boxes.clear();
        TouchWatch touch;
        {
            Finger finger;
            touch.pressed();
            touch.LongPressTimeout();
        }
        touch.released();
        ASSERT_TRUE(backgroundDone());
        EXPECT_EQ(testenv::commands().lines(), c.commands);
        EXPECT_FALSE(touch.calibrationArmed) << "the next release runs nothing";
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes.first().contains(LanStr(c.message).left(12))) << qPrintable(boxes.first());
        // The program goes on with its journal.
        EXPECT_TRUE(QSqlDatabase::database("dbRecord", false).isOpen());
        EXPECT_TRUE(QSqlDatabase::database("dbIn", false).isOpen());
    }
    const platform::CommandResult ok = result(true, 0);
    testenv::commands().script("./tsc", ok);
    testenv::commands().script("reboot", ok);
}

TEST_F(MainWindowStart, ParametersLoadFromTheOpenedDatabaseBeforeAnyRecord)
{
    OpenSqlite("edit", "PARAM.db");
    QSqlQuery(QSqlDatabase::database("edit"))
        .exec("update sysparam set value='0 10 3 0 0 0 0 0 0 0 0 0 1 0 8000 600 12 60' where name='system2'");
    CloseSqlite("edit");
    const int lan = gLan;
    start();
    EXPECT_EQ(gLan, 1);
    // The ready record is already in the stored language.
    EXPECT_TRUE(records().last().startsWith(gaLanStr[150][1].left(10))) << qPrintable(records().last());
    gLan = lan;
}

TEST_F(MainWindowStart, AnUnreadableJournalIsReplacedAndTheRebootRequestedNeverRun)
{
    damageJournal();
    // Records what would run and performs only the copy, as cp would.
    struct CopyingRecorder : platform::RecordingCommandRunner {
        platform::CommandResult run(const QString& p, const QStringList& a, int t) override
        {
            auto r = RecordingCommandRunner::run(p, a, t);
            if (p == "cp" && a.size() == 3) {
                QFile::remove(a.at(2));
                QFile::copy(a.at(1), a.at(2));
            }
            return r;
        }
    } recorder;
    platform::CommandRunner::setInstance(&recorder);
    start();
    platform::CommandRunner::setInstance(&testenv::commands());
    const QStringList lines = recorder.lines();
    const int cp = lines.indexOf("cp -f RECORDNULL.db RECORD.db");
    ASSERT_GE(cp, 0);
    EXPECT_EQ(lines.value(cp + 1), "reboot");
    EXPECT_EQ(boxes.filter(gaLanStr[135][1]).size(), 1);
    EXPECT_EQ(window->runState, 1) << "the start-up goes on until the reboot takes effect";
}

// A journal that refuses records (a read-only database) is told once, from
// the event loop rather than inside the operation that journals, and told
// again only after records were stored in between.
TEST_F(MainWindowStart, AJournalThatCannotBeWrittenIsToldOnce)
{
    start();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    boxes.clear();
    auto readOnly = [](bool on) {
        QSqlQuery(QSqlDatabase::database("dbRecord")).exec(on ? "PRAGMA query_only=1" : "PRAGMA query_only=0");
    };
    const QString told = LanStr(journaltext::kRecordNotStored);
    readOnly(true);
    window->InsertRecord("first lost");
    window->InsertRecord("second lost");
    EXPECT_TRUE(boxes.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(boxes.filter(told).size(), 1);

    readOnly(false);
    window->InsertRecord("stored");
    readOnly(true);
    window->InsertRecord("lost again");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(boxes.filter(told).size(), 2);
    readOnly(false);
    EXPECT_TRUE(records().filter("lost").isEmpty());
    EXPECT_TRUE(records().contains("stored"));
}

// A day whose journal cannot be archived stays current: the failure is
// journaled in it and told once, and the next minute's check archives it.
TEST_F(MainWindowStart, ADayThatCannotBeArchivedIsJournaledAndToldOnce)
{
    start();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    boxes.clear();
    {
        QFile f("time.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("2000-01-01");
    }
    window->journal().InitDate();
    ASSERT_TRUE(QDir().mkpath(QString(OperationJournal::kFreshFile) + "/in the way"));
    window->SlotCheckDate();
    window->SlotCheckDate();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    const QString told = LanStr(journaltext::kDayNotArchived).arg("2000-01-01");
    EXPECT_EQ(boxes.filter(told).size(), 1);
    EXPECT_EQ(records().filter(told).size(), 1);
    EXPECT_EQ(window->journal().recordDate(), "2000-01-01");

    ASSERT_TRUE(QDir(OperationJournal::kFreshFile).removeRecursively());
    window->SlotCheckDate();
    EXPECT_NE(window->journal().recordDate(), "2000-01-01");
    EXPECT_TRUE(QFile::exists("RECORD/2000-01-01.db"));
    window->InsertRecord("the new day");
    EXPECT_EQ(records(), QStringList{"the new day"});
}

// A group restore that a power cut left midway (the group's database already
// in place, the replaced one aside) is undone before the parameters are
// read, and the operator is told and the journal says so.
TEST_F(MainWindowStart, ARestoreCutMidwayIsUndoneBeforeTheParametersLoad)
{
    ASSERT_TRUE(QDir().mkpath("paraGroup/A"));
    ASSERT_TRUE(QFile::copy("PARAM.db", "paraGroup/A/PARAM.db"));
    OpenSqlite("edit", "paraGroup/A/PARAM.db");
    QSqlQuery q(QSqlDatabase::database("edit"));
    q.exec("update sysparam set value='4 0 0 0 0 1 0 0' where name='numFailDetect'");
    q.exec("update sysparam set value='5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0' where name='system8'");
    q = QSqlQuery();
    CloseSqlite("edit");
    {
        maintenance::GroupRestore restore(folder(), folder() + "/paraGroup/A", 2);
        ASSERT_TRUE(restore.stage());
        int points = 0;
        restore.setInterrupt([&] { return points++ < 5; }); // right after the group's database came in
        restore.commit();
    }
    ASSERT_TRUE(QFileInfo(maintenance::restoreWorkFolder(folder())).isDir());
    start();
    EXPECT_EQ(gDNum, 2) << "the parameters in force before the restore";
    EXPECT_FALSE(QFileInfo::exists(maintenance::restoreWorkFolder(folder())));
    EXPECT_FALSE(QFileInfo::exists(".group-restore"));
    EXPECT_EQ(records().filter(LanStr(startuptext::kRestoreUndone)).size(), 1);
    EXPECT_EQ(boxes.filter(LanStr(startuptext::kRestoreUndone)).size(), 1);
}

// The log and the crash traces go to the program folder, which the export
// copies, wherever the binary lies.
TEST_F(MainWindowStart, TheLogLivesInTheProgramFolder)
{
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;
    gAppDirPath = QCoreApplication::applicationDirPath(); // as the original start stored it
    window = new MainWindow;
    EXPECT_EQ(QDir(LogManager::__CurTaskPath).canonicalPath().toStdString(),
              QDir("cnt_net/cnt_log_app").canonicalPath().toStdString());
}
