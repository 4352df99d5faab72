// Power-off, restart, leaving the program, the clock and the touch
// calibration: the exact commands, the journal, and a restart that the
// system refuses.
#include "maintfixture.h"

#include "monitor/mapplication.h"
#include "settings/maintenance.h"
#include "settings/systemfunctionswidget.h"
#include "widgets/busycover.h"
#include "widgets/modifytimewidget.h"
#include "widgets/sliderlabel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDateEdit>
#include <QTimeEdit>
#include <QTest>
#include <QWindow>

TEST_F(Maintenance, PowerOffOrRestart)
{
    struct Case {
        const char* name;
        QList<int> answers;
        QStringList commands;
    };
    const Case cases[] = {
        {"restart", {QDialog::Accepted, QDialog::Accepted}, {"reboot"}},
        {"power off", {QDialog::Accepted, QDialog::Rejected}, {"init 0"}},
        {"not wanted", {QDialog::Rejected}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        answers = c.answers;
        emit settings().systemFunctions->shutDownButton->clicked();
        ASSERT_TRUE(settle());
        EXPECT_EQ(testenv::commands().lines(), c.commands);
        if (!c.commands.isEmpty()) {
            EXPECT_TRUE(storedRecords().contains(LanStr(292, 1)));
            EXPECT_FALSE(dbOpen("dbIn")) << "the databases are closed for the system";
            EXPECT_TRUE(BusyCover::shown(&settings())) << "nothing may start while the system goes down";
            EXPECT_EQ(watchdogStops, 1);
        } else {
            EXPECT_EQ(boxes.size(), 1);
            EXPECT_TRUE(dbOpen("dbIn"));
        }
        watchdogStops = 0;
        nextCase();
    }
}

TEST_F(Maintenance, PowerOffAppliesPendingEditsFirst)
{
    startMaintenance();
    edit([](WizardPara& p) { p.minimum_area = 432; });
    answers = {QDialog::Accepted, QDialog::Accepted, QDialog::Rejected};
    emit settings().systemFunctions->shutDownButton->clicked();
    ASSERT_TRUE(settle());
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_TRUE(boxes[1].contains(LanStr(234, 1))) << "the save question comes before the restart question";
    EXPECT_EQ(testenv::commands().lines(), QStringList{"init 0"});
    EXPECT_EQ(gpWPara->minimum_area, 432);
}

TEST_F(Maintenance, ARefusedRestartKeepsTheProgramWorking)
{
    struct Case {
        const char* name;
        const char* program;
        std::function<void(SystemSettingWidget&)> command;
        QList<int> answers;
    };
    const Case cases[] = {
        {"power off", "init", [](SystemSettingWidget& w) { w.SlotShutDown(); },
         {QDialog::Accepted, QDialog::Rejected}},
        {"restart after the calibration", "reboot", [](SystemSettingWidget& w) { w.SlotCalibration(); },
         {QDialog::Accepted}},
        {"language switch", "reboot", [](SystemSettingWidget& w) { w.SlotChangeLan(0); }, {QDialog::Accepted}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        refuse(c.program);
        answers = c.answers;
        c.command(settings());
        ASSERT_TRUE(settle());
        EXPECT_TRUE(shown(maintenance::kRowRestartFailed)) << "the operator is told";
        EXPECT_FALSE(BusyCover::shown(&settings())) << "the screen works again";
        EXPECT_TRUE(dbOpen("dbIn") && dbOpen("dbRecord") && dbOpen("dbT")) << "the databases are open again";
        EXPECT_FALSE(paramRows().isEmpty());
        window->InsertRecord("after");
        EXPECT_EQ(records().last(), QString("after"));
        nextCase();
        testenv::commands().script(c.program, platform::CommandResult{true, 0, {}, {}});
    }
}

namespace {

// The test recorder, noting before each command whether the clamp was held.
class NotingRunner : public platform::CommandRunner {
public:
    explicit NotingRunner(std::function<void()> note) : note_(std::move(note)) {}
    platform::CommandResult run(const QString& program, const QStringList& args, int timeoutMs) override
    {
        note_();
        return testenv::commands().run(program, args, timeoutMs);
    }
    bool startDetached(const QString& program, const QStringList& args, const QString& workDir) override
    {
        note_();
        return testenv::commands().startDetached(program, args, workDir);
    }

private:
    std::function<void()> note_;
};

} // namespace

// Every way out prohibits the clamp and publishes it before the program
// waits, closes its databases, runs the system's command or ends; a
// restart the system refuses leaves it prohibited until the next OK cycle.
TEST_F(Maintenance, LeavingMakesTheMachineSafeFirst)
{
    struct Case {
        const char* name;
        std::function<void(SystemSettingWidget&)> command;
        QList<int> answers;
        const char* refused; // a command the system refuses, or none
    };
    const Case cases[] = {
        {"power off", [](SystemSettingWidget& w) { w.SlotShutDown(); }, {QDialog::Accepted, QDialog::Rejected}, nullptr},
        {"restart", [](SystemSettingWidget& w) { w.SlotShutDown(); }, {QDialog::Accepted, QDialog::Accepted}, nullptr},
        {"leaving the program", [](SystemSettingWidget& w) { w.SlotExit(); }, {QDialog::Accepted}, nullptr},
        {"language switch", [](SystemSettingWidget& w) { w.SlotChangeLan(0); }, {QDialog::Accepted}, nullptr},
        {"refused restart", [](SystemSettingWidget& w) { w.SlotChangeLan(0); }, {QDialog::Accepted}, "reboot"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        QList<bool> held; // at each wait, command and the end
        auto note = [&] { held << out(0); };
        settingshost::Hooks h = settingshost::hooks();
        h.stopWatchdog = note;
        h.exitProgram = [&](int) { note(); };
        settingshost::install(h);
        NotingRunner runner(note);
        platform::CommandRunner::setInstance(&runner);
        if (c.refused)
            refuse(c.refused);
        gpControlIO->IOSetOut(0, 0);
        gpControlIO->IOFlashOut();
        ASSERT_FALSE(out(0)) << "released before";
        answers = c.answers;
        c.command(settings());
        ASSERT_TRUE(settle());
        platform::CommandRunner::setInstance(&testenv::commands());
        ASSERT_FALSE(held.isEmpty());
        EXPECT_FALSE(held.contains(false)) << "the clamp was free at a step on the way out";
        if (c.refused) {
            EXPECT_TRUE(out(0)) << "still prohibited after the refusal";
            EXPECT_FALSE(window->leavingProgram) << "the next OK cycle may release it";
            testenv::commands().script(c.refused, platform::CommandResult{true, 0, {}, {}});
        }
        nextCase();
    }
}

TEST_F(Maintenance, LanguageSwitchThroughThePageRestartsOrSaysWhy)
{
    startMaintenance();
    refuse("reboot");
    settings().systemFunctions->languageGroup->button(0)->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(), QStringList{"reboot"});
    EXPECT_TRUE(shown(maintenance::kRowRestartFailed));
    EXPECT_TRUE(dbOpen("dbIn"));
}

TEST_F(Maintenance, LeavingTheProgram)
{
    startMaintenance();
    answers = {QDialog::Rejected};
    settings().SlotExit();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(exits.isEmpty());
    answers = {QDialog::Accepted};
    settings().SlotExit();
    ASSERT_TRUE(settle());
    EXPECT_EQ(exits, QList<int>{0});
    EXPECT_EQ(records().last(), LanStr(295, 1));
    EXPECT_TRUE(shown(296));
    EXPECT_TRUE(testenv::commands().lines().isEmpty());
}

TEST_F(Maintenance, ClockChange)
{
    startMaintenance();
    ModifyTimeWidget* dialog = settings().clockDialog;
    // Cancelled: nothing asked, nothing run.
    onDialog = [dialog](QDialog& d) { return &d == dialog ? int(QDialog::Rejected) : -1; };
    settings().SlotModifyTime();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(testenv::commands().lines().isEmpty());

    // The dialog opens on the clock's time; the operator sets another.
    QDateTime shownTime;
    onDialog = [&](QDialog& d) {
        if (&d != dialog)
            return -1;
        shownTime = QDateTime(dialog->editor()->dateEdit()->date(), dialog->editor()->timeEdit()->time());
        dialog->editor()->dateEdit()->setDate(QDate(2024, 2, 29));
        dialog->editor()->timeEdit()->setTime(QTime(13, 5, 9));
        return int(QDialog::Accepted);
    };
    answers = {QDialog::Rejected};
    settings().SlotModifyTime();
    ASSERT_TRUE(settle());
    EXPECT_EQ(shownTime, clock.now());
    EXPECT_TRUE(testenv::commands().lines().isEmpty()) << "not confirmed";

    settings().SlotModifyTime();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(),
              (QStringList{"date -s 2024-02-29 13:05:09", "hwclock --systohc", "reboot"}));
    EXPECT_TRUE(storedRecords().contains(LanStr(401, 1)));
}

// A clock the system only half takes: what did change is journaled and told,
// and no restart runs (it would bring the old time back, or none was set).
TEST_F(Maintenance, AClockThatDoesNotTakeTheTimeIsNotRestarted)
{
    const QString set = "2024-02-29 13:05:09";
    struct Case {
        const char* name;
        const char* refused;
        QStringList commands;
        QString message;
        bool journaled; // the new time
    };
    const Case cases[] = {
        {"date refused", "date", {"date -s " + set}, LanStr(maintenance::kRowClockNotSet, 1), false},
        {"hardware clock refused", "hwclock", {"date -s " + set, "hwclock --systohc"},
         LanStr(maintenance::kRowClockHardwareFailed, 1).arg(set), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        ModifyTimeWidget* dialog = settings().clockDialog;
        onDialog = [dialog](QDialog& d) {
            if (&d != dialog)
                return -1;
            dialog->editor()->dateEdit()->setDate(QDate(2024, 2, 29));
            dialog->editor()->timeEdit()->setTime(QTime(13, 5, 9));
            return int(QDialog::Accepted);
        };
        refuse(c.refused);
        const int journal = storedRecords().size();
        settings().SlotModifyTime();
        ASSERT_TRUE(settle());
        EXPECT_EQ(testenv::commands().lines(), c.commands) << "nothing further, no restart";
        ASSERT_EQ(boxes.size(), 2) << "the question and the outcome";
        EXPECT_TRUE(boxes[1].contains(c.message)) << boxes[1].toStdString();
        EXPECT_EQ(storedRecords().mid(journal),
                  c.journaled ? QStringList{LanStr(maintenance::kRowClockSetTo, 1).arg(set)} : QStringList{});
        EXPECT_TRUE(window->haltedFor.isEmpty()) << "detection goes on";
        EXPECT_EQ(watchdogStops, 0);
        EXPECT_TRUE(dbOpen("dbIn"));
        nextCase();
        testenv::commands().script(c.refused, platform::CommandResult{true, 0, {}, {}});
    }
}

TEST_F(Maintenance, TouchCalibration)
{
    startMaintenance();
    edit([](WizardPara& p) { p.minimum_area = 432; });
    const int recordsBefore = records().size();
    answers = {QDialog::Rejected};
    settings().SlotCalibration();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(testenv::commands().lines().isEmpty());

    // Pending edits would be lost with the restart: their question comes
    // first, and a save the disk refuses stops the calibration.
    refuseParamWrites(true);
    answers = {QDialog::Accepted, QDialog::Accepted};
    settings().SlotCalibration();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(maintenance::kRowParamsNotSaved));
    EXPECT_TRUE(testenv::commands().lines().isEmpty());
    EXPECT_EQ(gpWParaBak->minimum_area, 432) << "the edits are kept for another try";
    refuseParamWrites(false);

    boxes.clear();
    answers = {QDialog::Accepted, QDialog::Accepted};
    settings().SlotCalibration();
    ASSERT_TRUE(settle());
    ASSERT_GE(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].contains(LanStr(234, 1))) << "the save question before the calibration";
    EXPECT_EQ(testenv::commands().lines(), (QStringList{"./tsc", "reboot"}));
    EXPECT_EQ(gpWPara->minimum_area, 432);
    EXPECT_EQ(paramValue("system4").section(' ', -1), "432");
    EXPECT_EQ(storedRecords().mid(recordsBefore).size(), 2) << "the changed field, then the stop for the restart";
    EXPECT_EQ(storedRecords().last(), LanStr(maintenance::kRowHaltedForRestart, 1));

    nextCase();
    startMaintenance();
    refuse("./tsc", false);
    settings().SlotCalibration();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(), QStringList{"./tsc"}) << "no calibration program, no restart";
    EXPECT_TRUE(shown(maintenance::kRowCalibrationNotRun));

    // A calibration that ended in an error restarts nothing either.
    testenv::commands().clear();
    boxes.clear();
    refuse("./tsc");
    settings().SlotCalibration();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(), QStringList{"./tsc"});
    EXPECT_TRUE(shown(maintenance::kRowCalibrationFailed));
    EXPECT_FALSE(shown(maintenance::kRowCalibrationNotRun));
}

// Clearing the journal is journaled only when the rows are gone; a journal
// that keeps them (here a read-only one) is told and keeps its records.
TEST_F(Maintenance, AJournalThatIsNotClearedIsNotCalledCleared)
{
    startMaintenance();
    window->InsertRecord("kept");
    window->userLevel = 2;
    QSqlQuery(QSqlDatabase::database("dbRecord")).exec("PRAGMA query_only=1");
    settings().SlotClearRecord();
    EXPECT_TRUE(shown(maintenance::kRowRecordNotCleared));
    QSqlQuery(QSqlDatabase::database("dbRecord")).exec("PRAGMA query_only=0");
    EXPECT_TRUE(records().contains("kept"));
    EXPECT_FALSE(records().contains(LanStr(298)));

    boxes.clear();
    settings().SlotClearRecord();
    EXPECT_FALSE(shown(maintenance::kRowRecordNotCleared));
    EXPECT_EQ(records(), QStringList{LanStr(298)});
}

namespace {

// What the application object does with every touch, watched where the
// platform delivers it first (the window), as MApplication::notify sees it.
class TouchRoute : public QObject {
public:
    explicit TouchRoute(TouchWatch& touch) : touch_(touch) { qApp->installEventFilter(this); }
    ~TouchRoute() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!qobject_cast<QWindow*>(watched))
            return false;
        if (e->type() == QEvent::MouseButtonPress)
            return touch_.pressed();
        if (e->type() == QEvent::MouseButtonRelease)
            touch_.released();
        return false;
    }

private:
    TouchWatch& touch_;
};

} // namespace

// Without cameras: a tap on a value field, which opens its keyboard on the
// press. The release comes while the keyboard is up and never reaches the
// application; 5 s later no calibration is armed, and the next tap (Cancel
// of the keyboard, anywhere) runs nothing.
TEST_F(Maintenance, AShortTapNeverArmsTheTouchCalibration)
{
    startMaintenance();
    ASSERT_EQ(gCameraID, 0);
    TouchWatch touch;
    TouchRoute route(touch);
    QWindow* screen = window->windowHandle();
    ASSERT_TRUE(screen);
    BlineLabel* field = nullptr;
    for (BlineLabel* l : settings().findChildren<BlineLabel*>())
        if (!field && l->isVisible())
            field = l;
    ASSERT_TRUE(field) << "a value field on the page shown";
    const QPoint onField = field->mapTo(window, field->rect().center());
    int asked = 0;
    onDialog = [&](QDialog& d) {
        // As exec: the keyboard is modal, and the finger lifts meanwhile.
        ++asked;
        d.setWindowModality(Qt::ApplicationModal);
        d.show();
        QTest::mouseRelease(screen, Qt::LeftButton, {}, onField);
        d.hide();
        return int(QDialog::Rejected);
    };
    QTest::mousePress(screen, Qt::LeftButton, {}, onField);
    ASSERT_EQ(asked, 1) << "the keyboard opened on the press";
    EXPECT_EQ(QGuiApplication::mouseButtons(), Qt::NoButton);
    ASSERT_TRUE(touch.longPressTimer->isActive()) << "its release did not come through";
    onDialog = nullptr;

    touch.LongPressTimeout(); // 5 s later
    EXPECT_FALSE(touch.calibrationArmed);
    QTest::mouseClick(screen, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(settle());
    EXPECT_FALSE(testenv::commands().lines().contains("./tsc"));
    EXPECT_TRUE(settingsShown()) << "the edits stay open";
}
