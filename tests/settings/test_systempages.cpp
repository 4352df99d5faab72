// "System Param" and "system function": load and store of the edit copy, the
// clamps and formats of the sliders, and every field read back after a change.
#include "pagefixture.h"

#include "settings/pagekit.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemparamswidget.h"
#include "widgets/edit.h"

#include <QLabel>
#include <QSlider>

TEST(PageKit, TenthsShownInUnits)
{
    const std::pair<int, const char*> cases[] = {{0, "0"}, {10, "1"}, {15, "1.5"}, {25, "2.5"}, {1000, "100"}, {999, "99.9"}};
    for (const auto& c : cases)
        EXPECT_EQ(pagekit::tenthsText(c.first), QString(c.second)) << c.first;
}

TEST_F(PageTest, SystemParamsClampsToItsSliders)
{
    struct Case {
        const char* name;
        std::function<void(WizardPara&)> stored;
        std::function<void(const WizardPara&)> expect;
    };
    const std::vector<Case> cases = {
        {"delays at their ends", [](WizardPara& p) { p.detect_delay[0] = 0; p.detect_delay[1] = 1000; },
         [](const WizardPara& p) { EXPECT_EQ(p.detect_delay[0], 0); EXPECT_EQ(p.detect_delay[1], 1000); }},
        {"delay above 100 s", [](WizardPara& p) { p.detect_delay[1] = 4000; },
         [](const WizardPara& p) { EXPECT_EQ(p.detect_delay[1], 1000); }},
        {"filter size 0 becomes 1", [](WizardPara& p) { p.minimum_size = 0; },
         [](const WizardPara& p) { EXPECT_EQ(p.minimum_size, 1); }},
        {"re-checks above 10", [](WizardPara& p) { p.front_auto_check_time = 25; },
         [](const WizardPara& p) { EXPECT_EQ(p.front_auto_check_time, 10); }},
        {"area above 1000", [](WizardPara& p) { p.minimum_area = 5000; },
         [](const WizardPara& p) { EXPECT_EQ(p.minimum_area, 1000); }},
    };
    SystemParamsWidget page;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara p = FactoryParams();
        c.stored(p);
        // Without a screen and through the page: the same result.
        WizardPara plain = p;
        StoreSystemParams(LoadSystemParams(p), plain);
        c.expect(plain);
        edit = p;
        page.WizardParaInit();
        page.accept();
        c.expect(edit);
        EXPECT_EQ(edit.sameAs(plain), true);
    }
}

TEST_F(PageTest, SystemParamsShowsTenthsAsSecondsAndStoresEveryField)
{
    SystemParamsWidget page;
    edit.detect_delay[0] = 15;
    edit.detect_delay[1] = 10;
    page.WizardParaInit();
    EXPECT_EQ(page.delayRows[0].value->text(), "1.5");
    EXPECT_EQ(page.delayRows[1].value->text(), "1");
    EXPECT_EQ(page.delayRows[0].caption->text(), LanStr(161));
    EXPECT_EQ(page.recheckRow.caption->text(), LanStr(167));

    type(page.delayRows[0].value, "2.5");
    type(page.delayRows[1].value, "12.3");
    type(page.filterRow.value, "7");
    type(page.areaRow.value, "450");
    type(page.recheckRow.value, "4");
    EXPECT_EQ(page.delayRows[0].value->text(), "2.5");
    page.accept();
    EXPECT_EQ(edit.detect_delay[0], 25) << "a typed 2.5 s is 25 tenths";
    EXPECT_EQ(edit.detect_delay[1], 123);
    EXPECT_EQ(edit.minimum_size, 7);
    EXPECT_EQ(edit.minimum_area, 450);
    EXPECT_EQ(edit.front_auto_check_time, 4);
}

TEST_F(PageTest, SystemParamsCaptionsInMultiDetection)
{
    live.procedure = 4;
    live.detect_count = 5;
    SystemParamsWidget page;
    EXPECT_EQ(page.delayRows[0].caption->text(), LanStr(508));
    EXPECT_EQ(page.delayRows[1].caption->text(), LanStr(509));
    EXPECT_EQ(page.recheckRow.caption->text(), LanStr(511).arg(LanStr(481)));
}

TEST_F(PageTest, SystemFunctionsMapsItsSwitches)
{
    struct Case {
        int32_t correct;
        bool ticked;
    };
    for (const Case& c : {Case{-1, false}, Case{0, true}}) {
        WizardPara p = FactoryParams();
        p.enable_correct = c.correct;
        EXPECT_EQ(LoadSystemFunctions(p).motionCorrection, c.ticked);
        WizardPara q = p;
        StoreSystemFunctions(LoadSystemFunctions(p), q);
        EXPECT_EQ(p.sameAs(q), true) << c.correct;
    }

    SystemFunctionsWidget page;
    edit.semi_auto = edit.detect_product = edit.enabe_two_test = edit.is_psw_used = edit.template_auto_update = 0;
    edit.enable_correct = -1;
    page.newPassword->setText("12");
    page.WizardParaInit();
    EXPECT_TRUE(page.newPassword->text().isEmpty());
    EXPECT_FALSE(page.correctBox->isChecked());
    EXPECT_TRUE(page.templateUpdateBox->isHidden()) << "shown only in the auto-parts procedure";
    for (CheckBox* b : {page.semiAutoBox, page.productBox, page.twoSameBox, page.correctBox, page.passwordBox,
                        page.templateUpdateBox})
        b->setChecked(true);
    page.accept();
    EXPECT_EQ(edit.semi_auto, 1);
    EXPECT_EQ(edit.detect_product, 1);
    EXPECT_EQ(edit.enabe_two_test, 1);
    EXPECT_EQ(edit.enable_correct, 0);
    EXPECT_EQ(edit.is_psw_used, 1);
    EXPECT_EQ(edit.template_auto_update, 1);
    page.correctBox->setChecked(false);
    page.accept();
    EXPECT_EQ(edit.enable_correct, -1);
}

// Each language button names its language in that language, the same on
// every screen, so that an operator who cannot read the language in force
// still finds his own; shown in the order simplified, traditional, English.
TEST_F(PageTest, LanguageButtonsReadTheSameInEveryLanguage)
{
    for (int lan = 0; lan < 3; ++lan) {
        SCOPED_TRACE(lan);
        gLan = lan;
        SystemFunctionsWidget page;
        page.resize(1500, 900);
        page.show();
        QAbstractButton* zh = page.languageGroup->button(0);
        QAbstractButton* tw = page.languageGroup->button(2);
        QAbstractButton* en = page.languageGroup->button(1);
        EXPECT_EQ(zh->text(), QString::fromUtf8("简体中文"));
        EXPECT_EQ(tw->text(), QString::fromUtf8("繁体中文"));
        EXPECT_EQ(en->text(), QString("English"));
        EXPECT_LT(zh->x(), tw->x());
        EXPECT_LT(tw->x(), en->x());
    }
}
