// The procedure fields of an accepted edit copy, without a screen.
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "settings/applyedit.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct ModeCase {
    const char* name;
    int from, to, cavity;
    bool semi, product, stopNotAlarm;
    std::vector<int> enabled;  // steps 0..3
    int trigger0, trigger1;
    int selector;              // left/right pair afterwards (-1: unchanged from 7)
    int procedure;             // in force in the edit copy afterwards
};

TEST(ModeRebuild, StepsOfTheRequestedProcedure)
{
    LoadTextTable();
    const ModeCase cases[] = {
        {"standard, product on", 1, 0, 0, false, true, false, {1, 1, 0, 0}, 0, 0, -1, 0},
        {"standard, semi-automatic", 1, 0, 0, true, false, false, {0, 1, 0, 0}, 0, 2, -1, 0},
        {"auto parts", 0, 3, 0, false, true, false, {1, 1, 0, 0}, 0, 0, -1, 3},
        {"two-colour, left mold", 0, 1, 0, false, true, false, {1, 1, 0, 0}, 0, 2, 1, 1},
        {"two-colour, right mold, no product", 0, 1, 1, false, false, false, {0, 0, 0, 1}, 0, 3, 0, 1},
        {"two-colour, all molds", 0, 1, 2, false, true, false, {1, 1, 1, 1}, 0, kEitherMoldInput, -1, 1},
        {"turntable, left mold", 0, 2, 0, false, true, false, {1, 1, 0, 0}, 0, 0, 1, 2},
        {"turntable, left mold, semi", 0, 2, 0, true, true, false, {1, 1, 0, 0}, 0, 2, 1, 2},
        {"turntable, right mold", 0, 2, 1, false, true, false, {0, 0, 1, 1}, 3, 3, 0, 2},
        {"turntable, right mold, semi", 0, 2, 1, true, true, false, {0, 0, 1, 1}, 3, 2, 0, 2},
        {"turntable, all molds", 0, 2, 3, false, false, false, {0, 1, 0, 1}, kEitherMoldInput, kEitherMoldInput, -1, 2},
        {"turntable, all molds, semi", 0, 2, 2, true, true, false, {1, 1, 1, 1}, kEitherMoldInput, 2, -1, 2},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara live = FactoryParams();
        live.procedure = live.procedure_requested = c.from;
        WizardPara edit = live;
        edit.procedure_requested = c.to;
        edit.cavity_position = c.cavity;
        edit.semi_auto = c.semi;
        edit.detect_product = c.product;
        edit.enable_stop_not_alarm = c.stopNotAlarm;
        std::fill(edit.step_enabled, edit.step_enabled + 8, 0);
        int selector = 7;
        gpLeftMoldActive = &selector;
        RebuildMode(edit, live);
        gpLeftMoldActive = nullptr;
        EXPECT_EQ(edit.procedure, c.procedure);
        EXPECT_EQ(std::vector<int>(edit.step_enabled, edit.step_enabled + 4), c.enabled);
        EXPECT_EQ(edit.step_trigger_input[0], c.trigger0);
        EXPECT_EQ(edit.step_trigger_input[1], c.trigger1);
        EXPECT_EQ(selector, c.selector == -1 ? 7 : c.selector);
    }
}

TEST(ModeRebuild, StandardOutputsAndTheNoRecheckProcedure)
{
    for (int stopNotAlarm : {0, 1}) {
        WizardPara live = FactoryParams();
        WizardPara edit = live;
        edit.procedure_requested = ProcStandardNoRecheck;
        edit.front_auto_check_time = 4;
        edit.enable_stop_not_alarm = stopNotAlarm;
        RebuildMode(edit, live);
        EXPECT_EQ(edit.front_auto_check_time, 0);
        for (int i = 4; i <= 7; ++i)
            EXPECT_EQ(edit.output_initial_state[i], stopNotAlarm ? 0 : 1) << i;
    }
}

TEST(ModeRebuild, ToOrFromMultiDetectionWaitsForTheNextStart)
{
    for (auto fromTo : {std::pair<int, int>{0, 4}, {4, 0}, {4, 1}}) {
        WizardPara live = FactoryParams();
        live.procedure = live.procedure_requested = fromTo.first;
        WizardPara edit = live;
        edit.procedure_requested = fromTo.second;
        const WizardPara before = edit;
        RebuildMode(edit, live);
        EXPECT_TRUE(edit.sameAs(before)) << fromTo.first << " to " << fromTo.second;
    }
}

} // namespace
