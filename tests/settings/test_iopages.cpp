// "IO parameters" and "IO function": clamps, tenths, option groups that keep
// the stored value without a choice, the rows that follow the procedure and
// the factory switch, and every field read back after a change.
#include "pagefixture.h"

#include "params/procedures.h"
#include "settings/advancefuncwidget.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "widgets/edit.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>

TEST_F(PageTest, IOParamsLoadsClampsAndKeepsWhatHasNoButton)
{
    const std::vector<RepairCase> cases = {
        {"pre-cut above 10 s", [](WizardPara& p) { p.pre_cut = 150; },
         [](const WizardPara& p) { EXPECT_EQ(p.pre_cut, 100); }},
        {"pulses and debounce at their ends",
         [](WizardPara& p) { p.thimble_pulse = 1000; p.mold_pulse = 2000; p.input_debounce_time = 101; },
         [](const WizardPara& p) {
             EXPECT_EQ(p.thimble_pulse, 1000);
             EXPECT_EQ(p.mold_pulse, 1000);
             EXPECT_EQ(p.input_debounce_time, 100);
         }},
        {"time-out above 10000 s", [](WizardPara& p) { p.input_timeout_len = 30000; },
         [](const WizardPara& p) { EXPECT_EQ(p.input_timeout_len, 10000); }},
        {"procedure 5 has no button and stays 5", [](WizardPara& p) { p.procedure_requested = 5; },
         [](const WizardPara& p) { EXPECT_EQ(p.procedure_requested, 5); }},
        {"cavity set 3 has no button and stays 3", [](WizardPara& p) { p.cavity_position = 3; },
         [](const WizardPara& p) { EXPECT_EQ(p.cavity_position, 3); }},
    };
    IOParamsWidget page;
    // An earlier opening chose procedure 2 and the right mold.
    edit.procedure_requested = 2;
    edit.cavity_position = 1;
    page.WizardParaInit();
    expectRepairs(page, cases, [](WizardPara& p) { StoreIOParams(LoadIOParams(p, false), p, false); });
}

TEST_F(PageTest, IOParamsShowsTenthsAndStoresEveryField)
{
    IOParamsWidget page;
    EXPECT_EQ(page.initialBoxes[0], nullptr) << "no initial-state boxes outside multi-detection";
    edit.thimble_pulse = 25;
    edit.input_timeout_len = 30;
    edit.mold_pulse = 30;
    edit.output_initial_state[5] = 0;
    page.WizardParaInit();
    EXPECT_EQ(page.ejectorRow.value->text(), "2.5");
    EXPECT_EQ(page.timeoutRow.value->text(), "30");
    EXPECT_EQ(page.clampRow.value->text(), "3");

    type(page.timeoutRow.value, "120");
    type(page.ejectorRow.value, "1.5");
    type(page.clampRow.value, "4.2");
    type(page.preCutRow.value, "0.7");
    type(page.debounceRow.value, "0.3");
    click(page.procedureGroup, ProcTurntable);
    click(page.cavityGroup, 2);
    page.accept();
    EXPECT_EQ(edit.input_timeout_len, 120);
    EXPECT_EQ(edit.thimble_pulse, 15);
    EXPECT_EQ(edit.mold_pulse, 42);
    EXPECT_EQ(edit.pre_cut, 7);
    EXPECT_EQ(edit.input_debounce_time, 3);
    EXPECT_EQ(edit.procedure_requested, ProcTurntable);
    EXPECT_EQ(edit.cavity_position, 2);
    EXPECT_EQ(edit.output_initial_state[5], 0) << "not this page's outside multi-detection";
}

TEST_F(PageTest, IOParamsRowsFollowTheProcedure)
{
    IOParamsWidget page;
    page.WizardParaInit();
    page.resize(1370, 900);
    page.show();
    auto shown = [&] {
        QString s;
        s += page.cavityCaption->isVisible() ? 'C' : '-';
        s += page.cavityGroup->button(0)->isVisible() ? 'L' : '-';
        s += page.customIOButton->isVisible() ? 'I' : '-';
        s += page.ioNameButton->isVisible() ? 'N' : '-';
        return s;
    };
    const std::pair<int, const char*> cases[] = {
        {ProcTwoColor, "CL--"}, {ProcTurntable, "CL--"}, {ProcMultiDetect, "C-IN"}, {ProcStandard, "----"},
        {ProcAutoParts, "----"}};
    for (const auto& c : cases) {
        page.showProcedureRows(c.first); // what the window's procedure slot does
        EXPECT_EQ(shown(), QString(c.second)) << c.first;
    }
}

TEST_F(PageTest, IOParamsInitialStatesInMultiDetection)
{
    live.procedure = ProcMultiDetect;
    AdvanceFuncWidget advanced;
    advanced.WizardParaInit();
    IOParamsWidget page;
    page.factoryShown = [&] { return advanced.factoryParamShown(); };
    ASSERT_NE(page.initialBoxes[4], nullptr);
    edit.detect_count = 6;
    for (int k = 4; k < 9; ++k)
        edit.output_initial_state[k] = k % 2;
    page.WizardParaInit();
    EXPECT_EQ(page.initialBoxes[0]->currentIndex(), 0);
    EXPECT_EQ(page.initialBoxes[1]->currentIndex(), 1);

    struct Case {
        bool factory;
        int steps;
        const char* shown; // caption, then the five boxes
    };
    for (const Case& c : {Case{true, 6, "CXXX--"}, Case{true, 3, "------"}, Case{true, 8, "CXXXXX"},
                          Case{false, 8, "------"}}) {
        advanced.boxes[advancefunctions::kFactory]->setChecked(c.factory);
        edit.detect_count = c.steps;
        page.hide();
        page.show();
        QString s = page.initialCaption->isVisible() ? "C" : "-";
        for (QComboBox* b : page.initialBoxes)
            s += b->isVisible() ? 'X' : '-';
        EXPECT_EQ(s, QString(c.shown)) << c.steps;
    }
    for (int k = 0; k < 5; ++k)
        page.initialBoxes[k]->setCurrentIndex(k == 2 ? 1 : 0);
    page.accept();
    EXPECT_EQ(std::vector<int>(edit.output_initial_state + 4, edit.output_initial_state + 9),
              (std::vector<int>{0, 0, 1, 0, 0}));
}

TEST_F(PageTest, IOFunctionsStoresEveryFieldAndKeepsUnknownChoices)
{
    IOFunctionsWidget page;
    const auto& switches = iofunctions::Switches();
    for (const pagekit::SwitchField& s : switches)
        s.field(edit) = 0;
    edit.pulse_output = 5;
    page.WizardParaInit();
    EXPECT_TRUE(page.boxes[4]->isChecked()) << "any non-zero value ticks";
    page.accept();
    EXPECT_EQ(edit.pulse_output, 1);

    for (CheckBox* b : page.boxes)
        b->setChecked(true);
    click(page.groups[0], 2); // spare input: "Safety"
    click(page.groups[1], 3); // spare output: "Alrm"
    click(page.groups[2], 1);
    click(page.groups[3], 0);
    click(page.groups[4], 1);
    click(page.groups[5], 1);
    page.accept();
    for (const pagekit::SwitchField& s : switches)
        EXPECT_EQ(s.field(edit), 1) << s.captionRow;
    EXPECT_EQ(edit.enable_output_thimble_pulse, 2);
    EXPECT_EQ(edit.enable_mold_backup, 3);
    EXPECT_EQ(std::vector<int>(edit.output_initial_state, edit.output_initial_state + 4),
              (std::vector<int>{1, 0, 1, 1}));

    // A stored spare-output use of 7 has no button: nothing is chosen and
    // the 7 stays (no -1 is stored).
    edit.enable_mold_backup = 7;
    page.WizardParaInit();
    EXPECT_EQ(page.groups[1]->checkedId(), -1);
    page.accept();
    EXPECT_EQ(edit.enable_mold_backup, 7);
}

TEST_F(PageTest, IOFunctionsInitialStatesAreFactoryRows)
{
    IOFunctionsWidget page;
    AdvanceFuncWidget advanced;
    page.factoryShown = [&] { return advanced.factoryParamShown(); };
    edit.output_initial_state[2] = 1;
    advanced.WizardParaInit();
    page.WizardParaInit();
    page.show();
    EXPECT_FALSE(page.initialStateRows[0]->isVisible());
    page.accept();
    EXPECT_EQ(edit.output_initial_state[2], 1) << "hidden, still loaded and stored";
    page.hide();
    advanced.boxes[advancefunctions::kFactory]->setChecked(true);
    page.show();
    for (QWidget* w : page.initialStateRows)
        EXPECT_TRUE(w->isVisible());
}

// Each switch is found by its caption and must write the field its caption
// names (a table kept apart from the page's own), ticked and unticked,
// through a save to "PARAM.db" and a reload.
TEST_F(PageTest, IOFunctionsEachSwitchWritesItsOwnFieldThroughSaveAndReload)
{
    const struct {
        int captionRow;
        int32_t WizardPara::*field;
    } cases[] = {
        {179, &WizardPara::enable_stop_mold},
        {178, &WizardPara::mold_cutoff},
        {192, &WizardPara::enable_cutoff_ontime},
        {190, &WizardPara::enable_stop_not_alarm},
        {202, &WizardPara::pulse_output},
        {193, &WizardPara::is_cut_ontime},
        {513, &WizardPara::is_cut_ontime_thimble},
        {265, &WizardPara::enable_trigger_safety},
        {195, &WizardPara::enable_disarm_before_open},
        {555, &WizardPara::temp_alarm_cuts_clamp},
        {515, &WizardPara::cut_ejector_on_prod_alarm},
        {589, &WizardPara::cut_clamp_on_mold_alarm},
        {592, &WizardPara::detect_any_order},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ASSERT_TRUE(CreateParamDatabase("PARAM.db", FactoryParams()));
    ASSERT_TRUE(CreateSerialDatabase("SN.db"));
    ASSERT_TRUE(OpenSqlite(kParamConnection, "PARAM.db"));
    ASSERT_TRUE(OpenSqlite(kSerialConnection, "SN.db"));
    auto saveAndReload = [&] {
        ASSERT_TRUE(edit.SaveDatatoFile());
        WizardPara again;
        again.LoadDatafromFile();
        edit = again;
    };

    IOFunctionsWidget page;
    auto* grid = qobject_cast<QGridLayout*>(page.layout()->itemAt(0)->layout());
    ASSERT_NE(grid, nullptr);
    auto boxOf = [&](int captionRow) -> CheckBox* {
        for (int i = 0; i < grid->count(); ++i) {
            auto* label = qobject_cast<QLabel*>(grid->itemAt(i)->widget());
            if (!label || label->text() != LanStr(captionRow))
                continue;
            int row, column, rows, columns;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            return qobject_cast<CheckBox*>(grid->itemAtPosition(row, column + 1)->widget());
        }
        return nullptr;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.captionRow);
        CheckBox* box = boxOf(c.captionRow);
        ASSERT_NE(box, nullptr);
        for (const int from : {0, 1}) {
            for (const auto& other : cases)
                edit.*other.field = from;
            saveAndReload();
            page.WizardParaInit();
            ASSERT_EQ(box->isChecked(), from == 1);
            box->setChecked(from == 0);
            page.accept();
            saveAndReload();
            for (const auto& other : cases)
                EXPECT_EQ(edit.*other.field, &other == &c ? 1 - from : from) << "field of row " << other.captionRow;
        }
    }
    CloseSqlite(kParamConnection);
    CloseSqlite(kSerialConnection);
    QDir::setCurrent(before);
}
