// The operator commands of the main window: the password gate in front of
// them, the opening of the settings window, the entries into the editing
// screen, the commands refused while another screen or an alarm holds the
// display, the return to the split view and the statistics page that may
// not exist.
#include "screenfixture.h"
#include "inspection/autoregion.h"

#include "inspection/cammersingleton.h"
#include "monitor/imagecontainer.h"
#include "settings/systemsettingwidget.h"

namespace {

class Commands : public MainScreen {
protected:
    // An alarm as the cycle raises it: an NG on the mold step.
    void raiseAlarm()
    {
        watchStep(1);
        moldCycle(false, true);
        ASSERT_EQ(window->displayState, 2);
    }
};

} // namespace

TEST_F(Commands, PasswordGateTable)
{
    enum Answer { NoBox, Cancel, Operator, Service, Wrong };
    struct Case {
        const char* name;
        int protection, level;
        Answer answer;
        bool runs;
        int levelAfter;
    } cases[] = {
        {"protection off, nobody logged in", 0, 0, NoBox, true, 0},
        {"protection off, service logged in", 0, 2, NoBox, true, 2},
        {"operator logged in", 1, 1, NoBox, true, 1},
        {"service logged in", 1, 2, NoBox, true, 2},
        {"box cancelled", 1, 0, Cancel, false, 0},
        {"operator password", 1, 0, Operator, true, 1},
        {"service code", 1, 0, Service, true, 2},
        {"a wrong password keeps the box open until cancelled", 1, 0, Wrong, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.is_psw_used = c.protection;
        setParamText(para.password, operatorPassword().toLatin1());
        startShown();
        window->userLevel = c.level;
        password = c.answer == Operator ? operatorPassword()
                 : c.answer == Service  ? serviceCode()
                 : c.answer == Wrong    ? QStringLiteral("999")
                                        : QString();
        if (c.answer == Wrong) {
            // The box stays up after the wrong code; the operator then cancels.
            setModalRunner([this](QDialog& d) {
                auto* box = qobject_cast<PasswordBox*>(&d);
                if (!box)
                    return int(QDialog::Accepted);
                ++passwordBoxes;
                box->passwordField()->setText(password);
                box->accept();
                EXPECT_EQ(box->result(), int(QDialog::Rejected)) << "still open";
                return int(QDialog::Rejected);
            });
        }
        bar()->areaButton->click();
        EXPECT_EQ(passwordBoxes, c.answer == NoBox ? 0 : 1);
        EXPECT_EQ(window->displayState == 3, c.runs);
        EXPECT_EQ(window->sideStack->currentIndex() == 1, c.runs);
        EXPECT_EQ(window->userLevel, c.levelAfter);
        nextCase();
        passwordBoxes = 0;
        answerBoxes();
    }
}

TEST_F(Commands, OpeningTheSettingsWindow)
{
    para.is_psw_used = 1;
    startShown();
    // A service login becomes an operator login; the edit copy is refilled.
    window->userLevel = 2;
    gpWParaBak->mold_pulse = 77;
    bar()->settingsButton->click();
    EXPECT_EQ(window->userLevel, 1);
    EXPECT_TRUE(gpWParaBak->sameAs(*gpWPara));
    EXPECT_EQ(passwordBoxes, 0) << "an operator is logged in";
    EXPECT_EQ(window->mainStack->currentIndex(), 1);
    EXPECT_TRUE(window->settingsWindow->isVisible());

    // Any other command leaves the settings window first.
    window->mainStack->setCurrentIndex(0); // (as leaving the settings window does)
    window->OptBtnsToggledSlot(OptionBar::MultiScreen, true);
    EXPECT_EQ(window->mainStack->currentIndex(), 0);

    // Protection off: a service login drops to nobody, and no box is shown.
    gpWPara->is_psw_used = 0;
    window->userLevel = 2;
    window->OptBtnsToggledSlot(OptionBar::Settings, true);
    EXPECT_EQ(window->userLevel, 0);
    EXPECT_EQ(window->mainStack->currentIndex(), 1);
}

TEST_F(Commands, DuringAnAlarmTheSettingsWindowStaysClosedAndStartDoesNothing)
{
    para.detect_product = 0;
    para.detect_delay[1] = 5;
    para.front_auto_check_time = 0;
    startShown();
    raiseAlarm();
    ASSERT_EQ(window->runState, 3) << "the alarm stopped detection";
    ASSERT_TRUE(out(2)) << "alarm output";
    const QString held = outs();
    gpWParaBak->mold_pulse = 77;
    window->OptBtnsToggledSlot(OptionBar::Settings, true);
    EXPECT_TRUE(gpWParaBak->sameAs(*gpWPara)) << "the edit copy is refilled all the same";
    EXPECT_EQ(window->mainStack->currentIndex(), 0);

    // A start would release what the alarm holds.
    bar()->startStopButton->click();
    window->SlotStartStop();
    EXPECT_EQ(window->runState, 3);
    EXPECT_EQ(outs(), held);
    EXPECT_EQ(window->displayState, 2);
}

TEST_F(Commands, EditingCommandsAreRefusedWhileAnotherScreenHoldsTheDisplay)
{
    struct Case {
        const char* name;
        std::function<void(MainWindow&)> hold;
    } cases[] = {
        {"settings window", [](MainWindow& w) { w.mainStack->setCurrentIndex(1); }},
        {"region bar", [](MainWindow& w) { w.sideStack->setCurrentIndex(1); }},
        {"alarm bar", [](MainWindow& w) { w.sideStack->setCurrentIndex(2); }},
        {"alarm shown", [](MainWindow& w) { w.displayState = 2; }},
        {"camera renumbering", [](MainWindow& w) { w.cameraOrderDialog->show(); }},
        {"IO names", [](MainWindow& w) { w.customIONameWidget->show(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startShown();
        c.hold(*window);
        const int display = window->displayState;
        const int runState = window->runState;
        const QString outputs = outs();
        window->SlotAdjustArea();
        window->SlotAccount();
        window->SlotShowAlarmImgae();
        EXPECT_EQ(window->displayState, display);
        EXPECT_TRUE(window->indexButton->isVisible());
        EXPECT_FALSE(window->ioStatusWidget->isHidden());
        if (std::string(c.name) != "camera renumbering" && std::string(c.name) != "IO names") {
            window->SlotStartStop();
            EXPECT_EQ(window->runState, runState) << "start/stop refused";
            EXPECT_EQ(outs(), outputs);
        }
        EXPECT_TRUE(boxes.isEmpty()) << "refused without a message";
        nextCase();
    }
}

TEST_F(Commands, AreaSettingsEntersRegionEditingOnCameraOne)
{
    para.auto_generate_area = 0;
    startShown();
    ASSERT_EQ(window->selectedCamera, 2) << "the split view";
    bar()->areaButton->click();
    EXPECT_EQ(window->selectedCamera, 0);
    EXPECT_EQ(window->cameraViews[0]->geometry(), QRect(0, 0, 1725, 982));
    EXPECT_EQ(window->displayState, 3);
    EXPECT_EQ(window->sideStack->currentIndex(), 1);
    EXPECT_TRUE(window->indexButton->isHidden());
    // (The region bar's reset shows the IO status panel again below it.)
    EXPECT_TRUE(window->cameraViews[0]->previousTemplateButton->isVisible());
    EXPECT_TRUE(boxes.isEmpty()) << "no automatic area offered";
}

TEST_F(Commands, AutomaticAreaIsOfferedOnlyForAnEmptyStep)
{
    struct Case {
        const char* name;
        int autoArea;
        bool regionThere;
        int answer;
        bool asked;
        int warning = 0; // the text row telling why nothing was made
    } cases[] = {
        {"option off", 0, false, QDialog::Accepted, false},
        {"a region exists", 1, true, QDialog::Accepted, false},
        {"declined", 1, false, QDialog::Rejected, true},
        {"the product step out of use", 1, false, QDialog::Accepted, true, kRowAutoRegionStepsUnused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.auto_generate_area = c.autoArea;
        if (c.warning)
            para.detect_product = 0; // step 0 holds no template
        startShown();
        CammerWidget* v = window->cameraViews[0];
        // Entering the editor copies the saved regions into the edit copy
        // and chooses the step it opens on.
        for (int step = 0; step < 8; ++step)
            v->liveRegions->roiCount[step] = c.regionThere ? 1 : 0;
        answer = c.answer;
        window->SlotAdjustArea();
        EXPECT_EQ(!boxes.filter(LanStr(354).left(4)).isEmpty(), c.asked);
        EXPECT_EQ(!boxes.filter(LanStr(kRowAutoRegionStepsUnused).section('\n', 1, 1).trimmed()).isEmpty(), c.warning != 0);
        EXPECT_EQ(v->editRegions->roiCount[window->editStep], c.regionThere ? 1 : 0) << "no region made";
        EXPECT_EQ(window->displayState, 3);
        nextCase();
    }
}

TEST_F(Commands, AccountHidesTheColumnAndThePanelAlarmReviewOpensTheEditor)
{
    para.is_psw_used = 1;
    startShown();
    window->SlotShowAlarmImgae(); // no password gate
    EXPECT_EQ(passwordBoxes, 0);
    EXPECT_EQ(window->displayState, 3);
    EXPECT_TRUE(window->indexButton->isHidden());
    EXPECT_EQ(window->sideStack->currentIndex(), 1) << "the editor, on its region bar";
    nextCase();

    para.is_psw_used = 1;
    startShown();
    window->SlotAccount(); // refused at the gate
    EXPECT_EQ(passwordBoxes, 1);
    EXPECT_EQ(window->displayState, 0);
    EXPECT_FALSE(window->indexButton->isHidden());
    window->userLevel = 1;
    window->SlotAccount();
    EXPECT_EQ(window->displayState, 3);
    EXPECT_TRUE(window->ioStatusWidget->isHidden());
}

TEST_F(Commands, MultiScreenAndReturnGoBackToTheSplitView)
{
    startShown();
    window->selectedCamera = 1;
    window->ChangeCammer();
    window->zoomFactor = 2;
    bar()->multiScreenButton->click();
    EXPECT_EQ(window->selectedCamera, numCamera);
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_EQ(window->cameraViews[1]->geometry(), QRect(862, 0, 862, 982));

    window->selectedCamera = 0;
    window->ChangeCammer();
    window->SlotReturn();
    EXPECT_EQ(window->selectedCamera, numCamera);

    // With one camera the return only ends zoom and pan.
    numCamera = 1;
    window->selectedCamera = 0;
    window->zoomFactor = 4;
    window->panX = 9;
    const QRect g = window->cameraViews[0]->geometry();
    window->SlotReturn();
    EXPECT_EQ(window->selectedCamera, 0);
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_EQ(window->panX, 0);
    EXPECT_EQ(window->cameraViews[0]->geometry(), g);
    numCamera = 2;

    // Not while an editing bar is shown.
    window->sideStack->setCurrentIndex(1);
    window->selectedCamera = 0;
    window->SlotReturn();
    EXPECT_EQ(window->selectedCamera, 0);
}

TEST_F(Commands, SnapshotsAndTheStatisticsPageThatMayNotExist)
{
    startShown();
    window->OptBtnsToggledSlot(OptionBar::MoldSnapshot, true);
    EXPECT_EQ(window->manualTriggerStep, 1);

    ASSERT_EQ(window->statisticsWidget, nullptr);
    window->OptBtnsToggledSlot(OptionBar::Statistics, true); // nothing to show, nothing happens
    EXPECT_EQ(window->mainStack->currentIndex(), 0);

    auto* page = new QWidget(window);
    page->hide();
    window->statisticsWidget = page;
    window->OptBtnsToggledSlot(OptionBar::Statistics, true);
    EXPECT_TRUE(page->isVisible());
}

TEST_F(Commands, CameraPanelDetachShowsTheViewsAndDockingRestores)
{
    startShown();
    showSettings();
    window->cameraPramsAdjust(true);
    EXPECT_EQ(window->mainStack->currentIndex(), 0);
    EXPECT_EQ(window->savedMainPage, 1);
    window->cameraPramsAdjust(false);
    EXPECT_EQ(window->mainStack->currentIndex(), 1);
}
