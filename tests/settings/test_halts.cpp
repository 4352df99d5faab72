// Maintenance that stops detection, on the real main window: every halt
// prohibits the clamp whatever the stop option leaves free, comes before the
// parameters on the disk change, and holds until the operator starts again;
// a detection started again halts again for the same reason; and while the
// program leaves, an OK cycle frees nothing.
#include "maintfixture.h"

#include "../platform/usbdiskfixture.h"
#include "monitor/led.h"
#include "monitor/titlebar.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/maintenance.h"
#include "settings/systemfunctionswidget.h"
#include "widgets/modifytimewidget.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QTimeEdit>

namespace {

class Halts : public Maintenance {
protected:
    // Mode 0 watching the mold step, with the clamp left free while stopped.
    void startDetecting()
    {
        para.enable_stop_mold = 0;
        moldOnly();
        startMaintenance();
        watchStep(1);
    }
    // Each halt noted as it returns: whether the clamp is prohibited, detection
    // stopped, and "PARAM.db" still the one of this point.
    struct Halt {
        bool clampProhibited;
        bool stopped;
        bool paramsAsBefore;
    };
    void noteHalts()
    {
        paramsBefore = fileText("PARAM.db");
        settingshost::Hooks h = settingshost::hooks();
        auto halt = h.haltDetection;
        h.haltDetection = [this, halt](const QString& why) {
            halt(why);
            halts << Halt{out(0), window->runState == 3, fileText("PARAM.db") == paramsBefore};
        };
        settingshost::install(h);
    }
    bool runLamp() { return (LedByte() >> led::kRunBit) & 1; }
    bool titleBarRed() { return window->titleBar->styleSheet().contains("#ee2329"); }
    int haltRecords() { return storedRecords().count(LanStr(maintenance::kRowHaltedForRestart, 1)); }

    QByteArray paramsBefore;
    QList<Halt> halts;
    std::unique_ptr<DiskRunnerScope> disk; // a USB disk for an update
};

} // namespace

// Each kind of maintenance halt with "clamp prohibited while stopped" off:
// the halt itself prohibits the clamp, and a group restore halts before it
// puts the group in place; the system refuses the restart, and an OK cycle
// afterwards frees nothing, since detection stays stopped.
TEST_F(Halts, EachMaintenanceHaltProhibitsTheClamp)
{
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::function<void()> command;
        bool groupRestored;
    };
    const Case cases[] = {
        {"restart",
         [this] {
             refuse("reboot");
             answers = {QDialog::Accepted, QDialog::Accepted};
         },
         [this] { emit settings().systemFunctions->shutDownButton->clicked(); }, false},
        {"clock change whose save is refused",
         [this] {
             edit([](WizardPara& p) { p.minimum_area = 432; });
             refuseParamWrites(true);
             ModifyTimeWidget* dialog = settings().clockDialog;
             onDialog = [dialog](QDialog& d) {
                 if (&d != dialog)
                     return -1;
                 dialog->editor()->dateEdit()->setDate(QDate(2024, 2, 29));
                 dialog->editor()->timeEdit()->setTime(QTime(13, 5, 9));
                 return int(QDialog::Accepted);
             };
         },
         [this] { settings().SlotModifyTime(); }, false},
        {"group restore",
         [this] {
             refuse("reboot");
             putFile("paraGroup/A/PARAM.db", "the group's parameters");
             settings().ParaGroupUpdateList();
             QComboBox* list = settings().advanceParams->groupList;
             list->setCurrentIndex(list->findText("A"));
         },
         [this] { emit settings().advanceParams->restoreButton->clicked(); }, true},
        {"update",
         [this] {
             disk = std::make_unique<DiskRunnerScope>();
             disk->runner.listing = kSystemAndStick;
             disk->runner.script("reboot", platform::CommandResult{true, 1, {}, {}});
             const QString package = platform::sysPath("/mnt/app.tar.gz");
             putFile(package, QByteArray(5000, 'u'));
             onDialog = [package](QDialog& d) {
                 auto* files = qobject_cast<QFileDialog*>(&d);
                 if (!files)
                     return -1;
                 files->selectFile(package);
                 return int(QDialog::Accepted);
             };
         },
         [this] { emit settings().advanceFunctions->updateButton->clicked(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startDetecting();
        moldCycle(true);
        ASSERT_FALSE(out(0)) << "released by an OK cycle";
        c.prepare();
        noteHalts();
        c.command();
        ASSERT_TRUE(settle());
        ASSERT_FALSE(halts.isEmpty()) << "detection was stopped";
        for (const Halt& h : halts) {
            EXPECT_TRUE(h.clampProhibited);
            EXPECT_TRUE(h.stopped);
        }
        if (c.groupRestored) {
            EXPECT_TRUE(halts[0].paramsAsBefore) << "halted before the group was put in place";
            EXPECT_EQ(fileText("PARAM.db"), QByteArray("the group's parameters"));
        }
        EXPECT_TRUE(out(0));

        refuseParamWrites(false);
        const int verdicts = window->verdicts;
        moldCycle(true);
        EXPECT_EQ(window->verdicts, verdicts) << "no cycle is judged";
        EXPECT_TRUE(out(0));
        halts.clear();
        onDialog = nullptr;
        disk.reset();
        holdParamSaves(false); // the restored group's hold ends with the restart
        nextCase();
        testenv::commands().script("reboot", platform::CommandResult{true, 0, {}, {}});
    }
}

// A detection started again after a halt whose restart was refused forgets
// the reason: the next halt for the same reason shows again on the run lamp
// and the title bar, and is journaled again.
TEST_F(Halts, ADetectionStartedAgainHaltsAgain)
{
    startDetecting();
    refuse("init");
    const int before = haltRecords();
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        answers = {QDialog::Accepted, QDialog::Rejected}; // power off
        emit settings().systemFunctions->shutDownButton->clicked();
        ASSERT_TRUE(settle());
        ASSERT_EQ(testenv::commands().lines().count("init 0"), round);
        EXPECT_EQ(window->runState, 3);
        EXPECT_FALSE(runLamp());
        EXPECT_TRUE(titleBarRed());
        EXPECT_EQ(haltRecords(), before + round);
        EXPECT_TRUE(out(0));

        // The operator starts detection again on the main screen.
        window->mainStack->setCurrentIndex(0);
        window->SlotStartStop();
        ASSERT_EQ(window->runState, 1);
        EXPECT_TRUE(runLamp());
        EXPECT_FALSE(titleBarRed());
        open();
    }
}

// While the program leaves (the exit's wait, the language switch before its
// restart) detection may still judge a cycle; its OK does not free the clamp.
TEST_F(Halts, AnOkCycleWhileTheProgramLeavesFreesNothing)
{
    struct Case {
        const char* name;
        bool exitHook; // the cycle runs in the exit's wait, else in the watchdog's stop
        std::function<void(SystemSettingWidget&)> command;
    };
    const Case cases[] = {
        {"leaving the program", true, [](SystemSettingWidget& w) { w.SlotExit(); }},
        {"language switch", false, [](SystemSettingWidget& w) { w.SlotChangeLan(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startDetecting();
        moldCycle(true);
        ASSERT_FALSE(out(0));
        int verdicts = -1;
        bool held = false;
        auto cycle = [&] {
            verdicts = window->verdicts;
            moldCycle(true);
            verdicts = window->verdicts - verdicts;
            held = out(0);
        };
        settingshost::Hooks h = settingshost::hooks();
        if (c.exitHook)
            h.exitProgram = [&](int) { cycle(); };
        else
            h.stopWatchdog = cycle;
        settingshost::install(h);
        c.command(settings());
        ASSERT_TRUE(settle());
        EXPECT_EQ(verdicts, 1) << "the cycle was judged";
        EXPECT_FALSE(window->lastVerdictNG);
        EXPECT_TRUE(held) << "the OK left the clamp prohibited";
        EXPECT_TRUE(out(0));
        nextCase();
    }
}
