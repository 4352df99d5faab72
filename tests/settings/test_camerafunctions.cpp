// "Camera function": fifteen switches, the detail display the area and count
// methods force on, and the factory switch that shows them.
#include "pagefixture.h"

#include "settings/advancefuncwidget.h"
#include "settings/camerafunctionswidget.h"
#include "widgets/edit.h"

#include <QLabel>

TEST_F(PageTest, CameraFunctionsForcesTheDetailDisplay)
{
    struct Case {
        const char* name;
        std::function<void(WizardPara&)> stored;
        int32_t detail;
    };
    auto methodsOnly = [](WizardPara& p) {
        p.enable_defect_detect = p.enable_spot_detect = p.enable_black_area = p.enable_white_area = 0;
        p.enable_white_num = p.enable_similarity = p.enable_direction_check = p.enable_ignore_area = 0;
        p.enable_display_detail = 0;
    };
    const std::vector<Case> cases = {
        {"defect only: the operator's choice", [&](WizardPara& p) { methodsOnly(p); p.enable_defect_detect = 1; }, 0},
        {"white area", [&](WizardPara& p) { methodsOnly(p); p.enable_white_area = 1; }, 1},
        {"spot", [&](WizardPara& p) { methodsOnly(p); p.enable_spot_detect = 1; }, 1},
        {"black area", [&](WizardPara& p) { methodsOnly(p); p.enable_black_area = 1; }, 1},
        {"white number", [&](WizardPara& p) { methodsOnly(p); p.enable_white_num = 1; }, 1},
        {"black spot count", [&](WizardPara& p) { methodsOnly(p); p.enable_direction_check = 1; }, 1},
        {"similarity and ignore area", [&](WizardPara& p) { methodsOnly(p); p.enable_similarity = p.enable_ignore_area = 1; }, 0},
    };
    CameraFunctionsWidget page;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara p = FactoryParams();
        c.stored(p);
        WizardPara plain = p;
        EXPECT_EQ(StoreCameraFunctions(LoadCameraFunctions(p), plain), c.detail != 0);
        EXPECT_EQ(plain.enable_display_detail, c.detail);
        edit = p;
        page.WizardParaInit();
        page.accept();
        EXPECT_TRUE(edit.sameAs(plain));
        EXPECT_EQ(page.boxes[camerafunctions::kDisplayDetail]->isChecked(), c.detail != 0);
    }
}

TEST_F(PageTest, CameraFunctionsStoresEverySwitchAndShowsWithTheFactorySwitch)
{
    CameraFunctionsWidget page;
    AdvanceFuncWidget advanced;
    page.factoryShown = [&] { return advanced.factoryParamShown(); };
    for (const pagekit::SwitchField& s : camerafunctions::Switches())
        s.field(edit) = 0;
    edit.enable_defect_detect = 1;
    edit.factory_param = 0;
    page.WizardParaInit();
    advanced.WizardParaInit();
    page.show();
    EXPECT_FALSE(page.boxes[0]->isVisible()) << "a factory page";
    page.hide();
    advanced.boxes[advancefunctions::kFactory]->setChecked(true);
    page.show();
    EXPECT_TRUE(page.boxes[0]->isVisible()) << "shown before anything is saved";
    EXPECT_TRUE(page.captions[14]->isVisible());
    page.hide();

    for (CheckBox* b : page.boxes)
        b->setChecked(true);
    page.accept();
    for (const pagekit::SwitchField& s : camerafunctions::Switches())
        EXPECT_EQ(s.field(edit), 1) << s.captionRow;
    for (CheckBox* b : page.boxes)
        b->setChecked(false);
    page.accept();
    for (const pagekit::SwitchField& s : camerafunctions::Switches())
        EXPECT_EQ(s.field(edit), 0) << s.captionRow;
}
