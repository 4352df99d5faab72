// The apply step on the real main window: what is asked, journaled, saved and
// applied when the operator leaves the settings window.
#include "settingsfixture.h"

#include "editor/regioption.h"
#include "monitor/indexbutton.h"
#include "params/procedures.h"
#include "settings/changelog.h"

using settingshost::CameraOp;

namespace {

QString boxesText(const QStringList& boxes) { return boxes.join(" || "); }

} // namespace

TEST_F(SettingsWindow, LeavingUntouchedAsksNothingAndKeepsTheDatabase)
{
    startShown();
    const QStringList before = paramRows();
    const int records = this->records().size();
    open();
    exitSetup();
    EXPECT_TRUE(boxes.isEmpty()) << boxesText(boxes).toStdString();
    EXPECT_EQ(this->records().size(), records);
    EXPECT_EQ(paramRows(), before);
    EXPECT_TRUE(gpWPara->sameAs(*gpWParaBak));
    EXPECT_FALSE(settingsShown());
    EXPECT_TRUE(cameraCalls.isEmpty()) << cameraCalls.join(' ').toStdString();
}

struct ApplyCase {
    const char* name;
    std::function<void(WizardPara&)> prepare; // the stored record before the start
    std::function<void(WizardPara&)> change;  // the operator's edits
    int answer;
    QStringList expectBoxes;  // text rows of the boxes, in order
    QString record;           // the journal entry; empty: none
    QStringList cameraCalls;
    std::function<void(const WizardPara& live)> check;
};

TEST_F(SettingsWindow, ApplyCases)
{
    const QString modify = LanStr(235, 1);
    const std::vector<ApplyCase> cases = {
        {"nothing changed", nullptr, [](WizardPara&) {}, QDialog::Accepted, {}, QString(), {}, nullptr},
        {"all methods off",
         nullptr,
         [](WizardPara& p) {
             p.enable_defect_detect = p.enable_spot_detect = p.enable_black_area = 0;
             p.enable_white_area = p.enable_white_num = p.enable_similarity = p.enable_direction_check = 0;
             p.minimum_area = 77;
         },
         QDialog::Accepted,
         {LanStr(232, 1)},
         QString(),
         {},
         [](const WizardPara& live) { EXPECT_NE(live.minimum_area, 77); }},
        {"exposure of camera 2 changed and refused",
         [](WizardPara& p) { p.expose_time[1] = 30; },
         [](WizardPara& p) { p.expose_time[1] = 55; },
         QDialog::Rejected,
         {LanStr(234, 1)},
         QString(),
         {op(1, CameraOp::Expose)},
         [](const WizardPara& live) {
             EXPECT_EQ(live.expose_time[1], 30);
             EXPECT_EQ(gpWParaBak->expose_time[1], 30);
         }},
        {"several fields, each with its phrase",
         [](WizardPara& p) {
             p.expose_time[2] = 30;
             p.enable_correct = -1;
             p.enable_stop_mold = 0;
         },
         [](WizardPara& p) {
             p.expose_time[2] = 45;
             p.enable_correct = 0;
             p.enable_stop_mold = 1;
             setParamText(p.password, "4711");
         },
         QDialog::Accepted,
         {LanStr(234, 1)},
         modify + ", Motion correcte is changed to active, The exposure time of camera 3is changed from 30 to 45 "
                  ", Stop clamping when stopping detection is changed to Prohibit to clamp, the password has been modified",
         // The saved exposure goes to camera 3; motion correction rebuilds the
         // shapes of the enabled steps of both views.
         {op(2, CameraOp::Expose), op(0, CameraOp::CreateShape, 0), op(0, CameraOp::CreateShape, 1), op(1, CameraOp::CreateShape, 0),
          op(1, CameraOp::CreateShape, 1)},
         [](const WizardPara& live) {
             EXPECT_EQ(live.expose_time[2], 45);
             EXPECT_STREQ(live.password, "4711");
         }},
        {"limits, port and image switches: restart notes in order",
         [](WizardPara& p) { p.max_mold_num = 1; p.serial_port = 0; },
         [](WizardPara& p) { p.max_mold_num = 3; p.serial_port = 2; },
         QDialog::Accepted,
         {LanStr(234, 1), LanStr(276, 1), LanStr(309, 1)},
         modify + ", IO Port is changed from 0 to 2, Temp number is changed from 1 to 3",
         {},
         nullptr},
        {"amplification retrains every enabled step",
         [](WizardPara& p) { p.difference_multiplier = 0; },
         [](WizardPara& p) { p.difference_multiplier = 2; },
         QDialog::Accepted,
         {LanStr(234, 1)},
         modify + ", Amplify is changed from 0 to 2",
         {op(0, CameraOp::VarTrain, 0), op(0, CameraOp::VarTrain, 1), op(1, CameraOp::VarTrain, 0),
          op(1, CameraOp::VarTrain, 1)},
         nullptr},
        {"two same parameters copies, saves and retrains each view",
         [](WizardPara& p) { p.enabe_two_test = 0; p.detect_product = 1; },
         [](WizardPara& p) { p.enabe_two_test = 1; },
         QDialog::Accepted,
         {LanStr(234, 1)},
         modify + ", Two same parameters is changed to active",
         {op(0, CameraOp::CopyPara), op(0, CameraOp::CreateShape, 0),
          op(0, CameraOp::VarTrain, 0), op(0, CameraOp::CreateShape, 1), op(0, CameraOp::VarTrain, 1),
          op(1, CameraOp::CopyPara), op(1, CameraOp::CreateShape, 0),
          op(1, CameraOp::VarTrain, 0), op(1, CameraOp::CreateShape, 1), op(1, CameraOp::VarTrain, 1)},
         nullptr},
        {"product detection alone copies, retrains and shows its snapshot button",
         [](WizardPara& p) { p.enabe_two_test = 1; p.detect_product = 0; p.snap_shot = 1; },
         [](WizardPara& p) { p.detect_product = 1; },
         QDialog::Accepted,
         {LanStr(234, 1)},
         modify + ", " + LanStr(175, 1) + " is changed to active",
         {op(0, CameraOp::CopyPara), op(0, CameraOp::CreateShape, 0),
          op(0, CameraOp::VarTrain, 0), op(0, CameraOp::CreateShape, 1), op(0, CameraOp::VarTrain, 1),
          op(1, CameraOp::CopyPara), op(1, CameraOp::CreateShape, 0),
          op(1, CameraOp::VarTrain, 0), op(1, CameraOp::CreateShape, 1), op(1, CameraOp::VarTrain, 1)},
         [this](const WizardPara& live) {
             EXPECT_EQ(live.step_enabled[0], 1);
             EXPECT_TRUE(window->indexButton->productSnapCmd->isVisible());
         }},
        {"external trigger switches the views in use",
         [](WizardPara& p) { p.use_external_trigger = 0; },
         [](WizardPara& p) { p.use_external_trigger = 1; },
         QDialog::Accepted,
         {LanStr(234, 1)},
         modify + ", Use External Trigger is changed to active",
         {op(0, CameraOp::ChangeTrig), op(1, CameraOp::ChangeTrig)},
         nullptr},
        {"procedure 0 to 1",
         [](WizardPara& p) {
             p.cavity_position = 1;
             p.detect_product = 1;
         },
         [](WizardPara& p) { p.procedure_requested = ProcTwoColor; },
         QDialog::Accepted,
         {LanStr(234, 1), LanStr(277, 1)},
         modify,
         {},
         [this](const WizardPara& live) {
             EXPECT_EQ(live.procedure, ProcTwoColor);
             EXPECT_EQ(std::vector<int>(live.step_enabled, live.step_enabled + 4), (std::vector<int>{0, 0, 1, 1}));
             EXPECT_EQ(live.step_trigger_input[0], 0);
             EXPECT_EQ(live.step_trigger_input[1], 3);
             EXPECT_EQ(window->leftMoldActive, 0);
             EXPECT_EQ(paramValue("numFailDetect").section(' ', 0, 1), "1 1");
         }},
        {"procedure 0 to 4 waits for the next start",
         nullptr,
         [](WizardPara& p) { p.procedure_requested = ProcMultiDetect; },
         QDialog::Accepted,
         {LanStr(234, 1), LanStr(277, 1)},
         modify,
         {},
         [](const WizardPara& live) {
             EXPECT_EQ(live.procedure, ProcStandard);
             EXPECT_EQ(live.procedure_requested, ProcMultiDetect);
             EXPECT_EQ(live.step_enabled[1], 1);
             EXPECT_EQ(gDNum, 2);
         }},
    };
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.prepare)
            c.prepare(para);
        startShown();
        const QStringList before = paramRows();
        const int recordsBefore = records().size();
        open();
        edit(c.change);
        answer = c.answer;
        exitSetup();

        ASSERT_EQ(boxes.size(), c.expectBoxes.size()) << boxesText(boxes).toStdString();
        for (int i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(boxes[i].contains(c.expectBoxes[i])) << boxes[i].toStdString();
        const QStringList recs = records();
        if (c.record.isEmpty()) {
            EXPECT_EQ(recs.size(), recordsBefore);
        } else {
            ASSERT_EQ(recs.size(), recordsBefore + 1);
            EXPECT_EQ(recs.last(), c.record);
        }
        const bool saved = !c.record.isEmpty();
        EXPECT_EQ(paramRows() == before, !saved);
        if (c.answer == QDialog::Rejected || saved) {
            EXPECT_TRUE(gpWPara->sameAs(*gpWParaBak));
        }
        EXPECT_EQ(cameraCalls, c.cameraCalls);
        if (c.check)
            c.check(*gpWPara);
        nextCase();
    }
}

TEST_F(SettingsWindow, RefusedApplyKeepsTheWindowAndItsEdits)
{
    para.expose_time[1] = 30;
    startShown();
    open();
    edit([](WizardPara& p) {
        p.expose_time[1] = 60; // tuned live on camera 2
        p.enable_defect_detect = p.enable_spot_detect = p.enable_black_area = 0;
        p.enable_white_area = p.enable_white_num = p.enable_similarity = p.enable_direction_check = 0;
    });
    const QStringList before = paramRows();
    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(232, 1)));
    EXPECT_TRUE(settingsShown()) << "the operator mends the methods where they are";
    EXPECT_EQ(gpWParaBak->expose_time[1], 60);
    EXPECT_TRUE(cameraCalls.isEmpty());

    // Left without an apply (an alarm takes the left area back): camera 2
    // gets its saved exposure again.
    window->mainStack->setCurrentIndex(0);
    EXPECT_EQ(cameraCalls, QStringList{op(1, CameraOp::Expose)});
    EXPECT_EQ(paramRows(), before);
    EXPECT_EQ(gpWPara->expose_time[1], 30);
}

TEST_F(SettingsWindow, DeclinedShadingReappliesEveryExposure)
{
    startShown();
    open();
    edit([](WizardPara& p) { p.auto_shading = 1; });
    cameraCalls.clear(); // the ticked box already applied it live
    answer = QDialog::Rejected;
    exitSetup();
    QStringList expected;
    for (int k = 0; k < 8; ++k)
        expected << op(k, CameraOp::Expose);
    EXPECT_EQ(cameraCalls, expected);
    EXPECT_EQ(gpWPara->auto_shading, 0);
    EXPECT_FALSE(settingsShown());
}

TEST_F(SettingsWindow, ServiceLevelDropsOnApply)
{
    for (int psw : {0, 1}) {
        SCOPED_TRACE(psw);
        para.is_psw_used = psw;
        startShown();
        open();
        uiHost().userLevel = 2;
        exitSetup();
        EXPECT_EQ(uiHost().userLevel, psw ? 1 : 0);
        nextCase();
    }
    uiHost().userLevel = 0;
}

TEST_F(SettingsWindow, MultiDetectionStepCountTakesEffectAtOnce)
{
    para.procedure = para.procedure_requested = ProcMultiDetect;
    para.detect_count = 4;
    para.detect_product = 1;
    for (int k = 0; k < 8; ++k) {
        para.output_row[k] = k < 4 ? k : -1;
        para.row_trigger[k] = k;
    }
    startShown();
    ASSERT_EQ(gDNum, 4);
    ASSERT_EQ(window->regionOptionBar->stepList->count(), 4);
    open();
    edit([](WizardPara& p) { p.detect_count = 3; });
    exitSetup();
    EXPECT_EQ(gDNum, 3);
    EXPECT_EQ(window->regionOptionBar->stepList->count(), 3) << "the region bar lists the new steps";
    EXPECT_EQ(window->currentStep, 2);
    EXPECT_EQ(std::vector<int>(gpWPara->step_enabled, gpWPara->step_enabled + 4), (std::vector<int>{1, 1, 1, 0}));
    EXPECT_EQ(gpWPara->step_trigger_input[2], TriginNo[2] - 1);
    EXPECT_EQ(gpWPara->step_trigger_input[3], -1);
    // Both views retrain the three steps.
    QStringList expected;
    for (int slot : {0, 1})
        for (int s = 0; s < 3; ++s)
            expected << op(slot, CameraOp::CreateShape, s) << op(slot, CameraOp::VarTrain, s);
    EXPECT_EQ(cameraCalls, expected);
    EXPECT_EQ(records().last(), LanStr(235, 1));
}

// Without product detection the first step stays off in multi-detection, as
// the start-up leaves it, whether the apply changes the step count or only
// switches product detection off.
TEST_F(SettingsWindow, MultiDetectionWithoutProductDetectionKeepsTheFirstStepOff)
{
    struct Case {
        const char* name;
        int productBefore;
        int count;
        std::vector<int> enabled;
        std::vector<int> retrained; // the steps retrained
        int rounds;                 // the rebuild's, and the product change's after it
    };
    const Case cases[] = {
        {"fewer steps", 0, 3, {0, 1, 1, 0}, {1, 2}, 1},
        {"product detection switched off", 1, 4, {0, 1, 1, 1}, {1, 2, 3}, 2},
    };
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!first)
            nextCase();
        first = false;
        para.procedure = para.procedure_requested = ProcMultiDetect;
        para.detect_count = 4;
        para.detect_product = c.productBefore;
        for (int k = 0; k < 8; ++k) {
            para.output_row[k] = k < 4 ? k : -1;
            para.row_trigger[k] = k;
        }
        startShown();
        ASSERT_EQ(gpWPara->step_enabled[0], c.productBefore) << "as the start-up derives it";
        open();
        edit([&](WizardPara& p) { p.detect_count = c.count; p.detect_product = 0; });
        exitSetup();
        EXPECT_EQ(std::vector<int>(gpWPara->step_enabled, gpWPara->step_enabled + 4), c.enabled);
        EXPECT_EQ(gpWPara->step_trigger_input[0], -1);
        QStringList expected;
        for (int round = 0; round < c.rounds; ++round)
            for (int slot : {0, 1})
                for (int s : c.retrained)
                    expected << op(slot, CameraOp::CreateShape, s) << op(slot, CameraOp::VarTrain, s);
        EXPECT_EQ(cameraCalls, expected);
    }
}

TEST_F(SettingsWindow, ScreenOffTimeRestartsTheBacklightTimer)
{
    for (int level : {0, 30}) {
        SCOPED_TRACE(level);
        startShown();
        window->lcdTimer->stop();
        open();
        edit([level](WizardPara& p) { p.location_level = level; p.minimum_area = 321; });
        exitSetup();
        EXPECT_EQ(window->lcdTimer->isActive(), level > 0);
        if (level > 0) {
            EXPECT_EQ(window->lcdTimer->interval(), level * 1000);
        }
        nextCase();
    }
}

TEST_F(SettingsWindow, NetworkSetsAndLinkMarkReachTheirHooks)
{
    startShown();
    QStringList calls;
    bool cardsDiffer = true;
    bool mark = true;
    settingshost::Hooks h = settingshost::hooks();
    h.netCardsDiffer = [&] { return cardsDiffer; };
    h.netCardsCommit = [&] { calls << "commit"; };
    h.netCardsRestore = [&] { calls << "restore"; };
    h.stageNetwork = [&] { calls << "stage"; return cardsDiffer ? 2 : 0; };
    bool installs = true;
    h.applyNetwork = [&](int flags) {
        calls << QString("apply %1").arg(flags);
        return installs;
    };
    h.takeServerMark = [&] { const bool m = mark; mark = false; return m; };
    h.restartLink = [&] { calls << "restart"; };
    h.indexShowHide = [&](int mode) { calls << QString("index %1").arg(mode); };
    h.setSpeed = [&] { calls << "speed"; };
    settingshost::install(h);

    // Only the host name changed: asked, journaled with the heading alone.
    open();
    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(records().last(), LanStr(235, 1));
    EXPECT_EQ(calls, (QStringList{"restart", "stage", "apply 2", "commit"})) << "committed once installed";

    // An install that fails commits nothing: the next confirm installs again.
    calls.clear();
    installs = false;
    open();
    exitSetup();
    EXPECT_EQ(calls, (QStringList{"stage", "apply 2"}));
    calls.clear();
    installs = true;
    open();
    exitSetup();
    EXPECT_EQ(calls, (QStringList{"stage", "apply 2", "commit"}));

    // Declined: the edited sets go back.
    calls.clear();
    open();
    answer = QDialog::Rejected;
    exitSetup();
    EXPECT_EQ(calls, QStringList{"restore"});

    // Snapshot buttons and speed: the index column follows, the cameras get the speed.
    calls.clear();
    cardsDiffer = false;
    answer = QDialog::Accepted;
    open();
    edit([](WizardPara& p) { p.snap_shot = !p.snap_shot; p.capture_speed += 1; });
    exitSetup();
    EXPECT_EQ(calls, (QStringList{"stage", "commit", "speed", "index 3"}));
}

// Two molds with "Two same parameters" switched on: the apply copies each
// view's regions of the first mold onto the second, and the copy takes effect
// only once its store is saved. When the database refuses that save the live
// regions and masks stay as they were, the stored ones too, and the operator
// is told.
TEST_F(SettingsWindow, TwoMoldRegionCopyTakesEffectOnlyWhenSaved)
{
    auto stored = [](int camera, int step) {
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        q.prepare(QString("select value from cammer%1 where name=?").arg(camera));
        q.addBindValue(QString("detect%1").arg(step));
        q.exec();
        return q.next() ? q.value(0).toString() : QString("<none>");
    };
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "save refused" : "saved");
        para.procedure = para.procedure_requested = ProcTwoColor;
        para.enabe_two_test = 0;
        startShown();
        watchStep(0);
        watchStep(1);
        for (int c = 0; c < 2; ++c)
            ASSERT_TRUE(view(c)->liveRegions->SaveDatatoFile());
        const QString storedBefore = stored(0, 2);
        settingshost::Hooks h = settingshost::hooks();
        const auto noted = h.cameraOp;
        h.cameraOp = [&, noted](int slot, CameraOp o, int step) {
            if (o == CameraOp::CopyPara && refused)
                refuseParamWrites(true);
            noted(slot, o, step);
            refuseParamWrites(false);
        };
        settingshost::install(h);
        open();
        edit([](WizardPara& p) { p.enabe_two_test = 1; });
        exitSetup();
        ASSERT_EQ(gpWPara->enabe_two_test, 1) << "the parameters themselves were saved";
        ASSERT_TRUE(cameraCalls.contains(op(0, CameraOp::CopyPara)));
        EXPECT_EQ(boxes.filter(LanStr(kLanRegionSaveFailed, 1)).size(), refused ? 2 : 0) << "once per view";
        for (int c = 0; c < 2; ++c) {
            SCOPED_TRACE(c);
            const CammerSingleton& s = *view(c)->liveRegions;
            for (int from : {0, 1}) {
                const int to = from + 2;
                EXPECT_EQ(s.roiCount[to], refused ? 0 : 1);
                EXPECT_EQ(view(c)->liveMasks[to][0].empty(), refused);
                if (!refused)
                    EXPECT_EQ(s.rects[to][0].viewRect, s.rects[from][0].viewRect);
            }
        }
        if (refused)
            EXPECT_EQ(stored(0, 2), storedBefore);
        else
            EXPECT_EQ(stored(0, 2).section(' ', 0, 0), "1") << "the copy is stored";
        nextCase();
    }
}
