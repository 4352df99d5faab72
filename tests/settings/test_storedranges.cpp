// Every slider of the settings pages at both ends of its range, stored
// through its page, saved and loaded again at a start: the loader must keep
// the value, so a stored value means the same before and after a restart.
#include "pagefixture.h"
#include "testenv.h"

#include "settings/advanceparamwidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/systemparamswidget.h"

#include <QSlider>

namespace {

class StoredRanges : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        Data_Init();
        live = FactoryParams();
        edit = live;
        gpWPara = &live;
        gpWParaBak = &edit;
        ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), live));
        ASSERT_TRUE(OpenSqlite(kParamConnection, file("PARAM.db")));
    }
    void TearDown() override
    {
        CloseSqlite(kParamConnection);
        gpWPara = gpWParaBak = nullptr;
        gLan = 0;
        InTempFolder::TearDown();
    }
    WizardPara live;
    WizardPara edit;
};

} // namespace

TEST_F(StoredRanges, EverySliderEndSurvivesASaveAndARestart)
{
    SystemParamsWidget system;
    AdvanceparamWidget advanced;
    IOParamsWidget io;
    CameraParamsWidget camera;
    struct Case {
        QString name;
        QSlider* slider;
        std::function<void()> store; // the page's own store, or the tuning slot's
        std::function<int32_t(const WizardPara&)> field;
    };
    auto sysCase = [&](const char* n, QSlider* s, int32_t WizardPara::*f) {
        return Case{n, s, [&] { system.accept(); }, [f](const WizardPara& p) { return p.*f; }};
    };
    std::vector<Case> cases = {
        sysCase("filter size", system.filterRow.slider, &WizardPara::minimum_size),
        sysCase("area", system.areaRow.slider, &WizardPara::minimum_area),
        sysCase("re-checks", system.recheckRow.slider, &WizardPara::front_auto_check_time),
        {"io timeout", io.timeoutRow.slider, [&] { io.accept(); },
         [](const WizardPara& p) { return p.input_timeout_len; }},
        {"ejector pulse", io.ejectorRow.slider, [&] { io.accept(); },
         [](const WizardPara& p) { return p.thimble_pulse; }},
        {"pre-cut", io.preCutRow.slider, [&] { io.accept(); }, [](const WizardPara& p) { return p.pre_cut; }},
        {"speed", camera.slider(CameraParamsWidget::Speed), [&] { camera.accept(); },
         [](const WizardPara& p) { return p.capture_speed; }},
    };
    const std::vector<advanceparams::SliderField>& t = advanceparams::Sliders();
    for (size_t i = 0; i < t.size(); ++i) {
        auto field = t[i].field;
        cases.push_back({QString("advanced row %1").arg(i), advanced.rows[i].slider, [&] { advanced.accept(); },
                         [field](const WizardPara& p) { return field(const_cast<WizardPara&>(p)); }});
    }
    // The per-camera sliders: the tuning slots write the value unchanged.
    using PerCamera = int32_t (WizardPara::*)[8];
    const std::pair<const char*, std::pair<QSlider*, PerCamera>> perCamera[] = {
        {"exposure", {camera.subWidget->exposureSlider, &WizardPara::expose_time}},
        {"gain", {camera.subWidget->gainSlider, &WizardPara::adjust_plus}},
        {"clarity", {camera.slider(CameraParamsWidget::Clarity), &WizardPara::sharp}},
        {"gamma", {camera.slider(CameraParamsWidget::Gamma), &WizardPara::gamma}},
        {"truth", {camera.slider(CameraParamsWidget::Truth), &WizardPara::contrast}},
    };
    for (const auto& [name, sf] : perCamera) {
        QSlider* s = sf.first;
        PerCamera f = sf.second;
        cases.push_back({name, s, [this, s, f] { (edit.*f)[2] = s->value(); },
                         [f](const WizardPara& p) { return (p.*f)[2]; }});
    }

    for (const Case& c : cases) {
        for (const bool top : {false, true}) {
            const int v = top ? c.slider->maximum() : c.slider->minimum();
            SCOPED_TRACE(c.name.toStdString() + (top ? " at its maximum " : " at its minimum ") + std::to_string(v));
            edit = live;
            system.WizardParaInit();
            advanced.WizardParaInit();
            io.WizardParaInit();
            c.slider->setValue(v);
            c.store();
            ASSERT_EQ(c.field(edit), v) << "the page stores what it shows";
            ASSERT_TRUE(edit.SaveDatatoFile());
            WizardPara restarted;
            restarted.LoadDatafromFile();
            EXPECT_EQ(c.field(restarted), v) << "the loader replaced a value the page offers";
        }
    }
}
