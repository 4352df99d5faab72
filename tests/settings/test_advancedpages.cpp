// "Advanced Param" and "Advanced features": slider clamps and the screen-off
// rule, the switches, and the raw-image switch that bypasses the edit copy.
#include "pagefixture.h"

#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/settingshost.h"
#include "widgets/edit.h"

#include <QComboBox>
#include <QPushButton>
#include <QLabel>
#include <QSlider>

TEST_F(PageTest, AdvanceParamClampsAndRaisesShortScreenOffTimes)
{
    const std::vector<RepairCase> cases = {
        {"offset 0 becomes 1", [](WizardPara& p) { p.location_adge = 0; },
         [](const WizardPara& p) { EXPECT_EQ(p.location_adge, 1); }},
        {"min spot 0 becomes 1", [](WizardPara& p) { p.min_spot = 0; },
         [](const WizardPara& p) { EXPECT_EQ(p.min_spot, 1); }},
        {"amplify 7 becomes 4", [](WizardPara& p) { p.difference_multiplier = 7; },
         [](const WizardPara& p) { EXPECT_EQ(p.difference_multiplier, 4); }},
        {"screen off 5 s becomes 10", [](WizardPara& p) { p.location_level = 5; },
         [](const WizardPara& p) { EXPECT_EQ(p.location_level, 10); }},
        {"screen off 0 stays", [](WizardPara& p) { p.location_level = 0; },
         [](const WizardPara& p) { EXPECT_EQ(p.location_level, 0); }},
        {"template limit above 50", [](WizardPara& p) { p.max_mold_num = 80; },
         [](const WizardPara& p) { EXPECT_EQ(p.max_mold_num, 50); }},
        {"angle above 180", [](WizardPara& p) { p.rotate_angle = 200; },
         [](const WizardPara& p) { EXPECT_EQ(p.rotate_angle, 180); }},
    };
    AdvanceparamWidget page;
    expectRepairs(page, cases, [](WizardPara& p) { StoreAdvanceParam(LoadAdvanceParam(p), p); });
}

TEST_F(PageTest, AdvanceParamStoresEveryFieldAndTheScreenOffRuleOnTyping)
{
    AdvanceparamWidget page;
    page.WizardParaInit();
    const std::vector<int> typed = {300, 2, 9, 45, 5, 120, 20, 200, 150};
    for (size_t i = 0; i < typed.size(); ++i)
        type(page.rows[i].value, QString::number(typed[i]));
    EXPECT_EQ(page.rows[advanceparams::kScreenOff].value->text(), "10") << "5 s shows as 10";
    type(page.rows[advanceparams::kScreenOff].value, "0");
    EXPECT_EQ(page.rows[advanceparams::kScreenOff].value->text(), "0");
    type(page.rows[advanceparams::kScreenOff].value, "7");
    page.accept();
    EXPECT_EQ(edit.location_adge, 300);
    EXPECT_EQ(edit.difference_multiplier, 2);
    EXPECT_EQ(edit.min_spot, 9);
    EXPECT_EQ(edit.rotate_angle, 45);
    EXPECT_EQ(edit.location_level, 10);
    EXPECT_EQ(edit.auto_cancel_timelen, 120);
    EXPECT_EQ(edit.max_mold_num, 20);
    EXPECT_EQ(edit.ng_max_num, 200);
    EXPECT_EQ(edit.ok_record_max_num, 150);
}

TEST_F(PageTest, AdvanceParamSelectsTheCurrentGroup)
{
    AdvanceparamWidget page;
    page.groupList->addItems({"default", "a", "b"});
    live.para_group = 2;
    page.WizardParaInit();
    EXPECT_EQ(page.groupList->currentIndex(), 2);
}

TEST_F(PageTest, AdvanceFuncStoresEverySwitchAndTheRawImageSwitchBypassesTheRecord)
{
    settingshost::setSaveOriginalImages(false);
    AdvanceFuncWidget page;
    for (const pagekit::SwitchField& s : advancefunctions::Switches())
        s.field(edit) = 0;
    edit.enable_log = 3;
    page.WizardParaInit();
    EXPECT_TRUE(page.boxes[11]->isChecked()) << "Use Log";
    page.accept();
    EXPECT_EQ(edit.enable_log, 1);

    for (CheckBox* b : page.boxes)
        b->setChecked(true);
    page.rawImagesBox->setChecked(true);
    const WizardPara before = edit;
    page.accept();
    for (const pagekit::SwitchField& s : advancefunctions::Switches())
        EXPECT_EQ(s.field(edit), 1) << s.captionRow;
    EXPECT_FALSE(settingshost::saveOriginalImages()) << "in force only through the window's apply step";
    EXPECT_TRUE(page.rawImagesWanted());
    page.WizardParaInit();
    EXPECT_TRUE(page.rawImagesBox->isChecked()) << "the wish shows again until it is settled";
    page.rawImagesSettled();
    EXPECT_FALSE(page.rawImagesBox->isChecked());
    WizardPara withoutSwitches = edit;
    for (const pagekit::SwitchField& s : advancefunctions::Switches())
        s.field(withoutSwitches) = s.field(const_cast<WizardPara&>(before));
    EXPECT_TRUE(withoutSwitches.sameAs(before)) << "the raw-image switch is no field of the record";
    EXPECT_TRUE(page.exitButton->isHidden());
    EXPECT_TRUE(page.hardwareButton->isHidden());
    settingshost::setSaveOriginalImages(false);
}
