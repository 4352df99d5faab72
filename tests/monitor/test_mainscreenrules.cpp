// The main screen's decisions without a screen: the IO icon table, the
// inputs the IO panel reports and its alarm lamp, the snapshot buttons, the
// password gate and the blocked-state rule.
#include "monitor/mainscreenrules.h"
#include "params/paramdb.h"
#include "params/procedures.h"
#include "params/wizardpara.h"

#include <gtest/gtest.h>

using namespace mainscreen;

TEST(MainScreenRules, IoIconsByKindIndexAndState)
{
    struct Case {
        int kind, index;
        bool active;
        int picture, entry;
    } cases[] = {
        {0, 0, true, 18, 0},  {0, 0, false, 19, 0}, {0, 1, true, 20, 1},  {0, 1, false, 21, 1},
        {0, 2, true, 22, 2},  {0, 2, false, 23, 2}, {0, 3, true, 24, 3},  {0, 3, false, 25, 3},
        {1, 0, true, 26, 4},  {1, 0, false, 27, 4}, {1, 1, true, 28, 5},  {1, 1, false, 29, 5},
        {1, 2, true, 30, 6},  {1, 2, false, 31, 6}, {1, 3, true, 32, 7},  {1, 3, false, 33, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ioIconPath(c.kind, c.index, c.active), QStringLiteral(":/img/icons/%1.png").arg(c.picture))
            << c.kind << c.index << c.active;
        EXPECT_EQ(ioIconEntry(c.kind, c.index), c.entry) << c.kind << c.index;
    }
}

TEST(MainScreenRules, ReportedInputsAndTheAlarmLamp)
{
    struct Case {
        const char* name;
        int procedure;
        std::array<int, 8> triggers;
        std::array<bool, 4> reported;
        QPoint lamp;
    } cases[] = {
        {"standard: all four", ProcStandard, {0, 2, -1, -1, -1, -1, -1, -1}, {true, true, true, true}, {472, 95}},
        {"two-color: all four", ProcTwoColor, {255, 2, -1, -1, -1, -1, -1, -1}, {true, true, true, true}, {472, 95}},
        {"multi: inputs 0 and 5", ProcMultiDetect, {0, 5, -1, -1, -1, -1, -1, -1}, {true, true, false, false}, {157, 95}},
        {"multi: out-of-range entries ignored", ProcMultiDetect, {3, 12, 255, -1, 9, -1, -1, -1},
         {false, true, false, true}, {157, 95}},
        {"multi: the safety door always", ProcMultiDetect, {-1, -1, -1, -1, -1, -1, -1, -1},
         {false, true, false, false}, {157, 95}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara p = FactoryParams();
        p.procedure = c.procedure;
        std::copy(c.triggers.begin(), c.triggers.end(), p.step_trigger_input);
        const std::array<bool, 4> r = reportedInputs(p);
        EXPECT_EQ(r, c.reported);
        EXPECT_EQ(alarmLampPosition(r, c.procedure == ProcMultiDetect, 180), c.lamp);
    }
    // The lamp moves with the inputs reported outside multi-detection.
    EXPECT_EQ(alarmLampPosition({true, false, false, false}, false, 180), QPoint(7 + 90 + 150, 95));
    EXPECT_EQ(alarmLampPosition({true, true, false, true}, false, 180), QPoint(82 + 75 + 90 + 150, 95));
}

TEST(MainScreenRules, SnapshotButtonsFollowThreeParameters)
{
    struct Case {
        int snapShot, product, procedure;
        bool productVisible, moldVisible;
    } cases[] = {
        {0, 1, ProcStandard, false, false},   {0, 0, ProcStandard, false, false},
        {0, 1, ProcMultiDetect, false, false}, {1, 1, ProcMultiDetect, false, false},
        {1, 0, ProcMultiDetect, false, false}, {1, 0, ProcStandard, false, true},
        {1, 1, ProcStandard, true, true},      {1, 1, ProcTwoColor, true, true},
        {1, 1, ProcStandardNoRecheck, true, true},
    };
    for (const Case& c : cases) {
        WizardPara p = FactoryParams();
        p.snap_shot = c.snapShot;
        p.detect_product = c.product;
        p.procedure = c.procedure;
        EXPECT_EQ(productSnapshotVisible(p), c.productVisible) << c.snapShot << c.product << c.procedure;
        EXPECT_EQ(moldSnapshotVisible(p), c.moldVisible) << c.snapShot << c.product << c.procedure;
    }
}

TEST(MainScreenRules, PasswordGate)
{
    struct Case {
        int passwordUsed, level, result;
    } cases[] = {
        {0, 0, 2}, {0, 1, 2}, {0, 2, 2}, // protection off: granted, nothing asked
        {1, 1, 1}, {1, 2, 2},            // logged in: the level
        {1, 0, kAskPassword},            // nobody logged in: the box decides
    };
    for (const Case& c : cases)
        EXPECT_EQ(passwordGate(c.passwordUsed, c.level), c.result) << c.passwordUsed << c.level;
}

TEST(MainScreenRules, CommandsAreBlockedByEditingScreensAndTheAlarm)
{
    struct Case {
        const char* name;
        ScreenState s;
        bool blocked;
    } cases[] = {
        {"live screen", {}, false},
        {"OK result shown", {false, false, false, false, false, 1}, false},
        {"editing screen without a bar", {false, false, false, false, false, 3}, false},
        {"settings window", {true, false, false, false, false, 0}, true},
        {"alarm bar", {false, true, false, false, false, 0}, true},
        {"region bar", {false, false, true, false, false, 3}, true},
        {"camera renumbering", {false, false, false, true, false, 0}, true},
        {"IO names", {false, false, false, false, true, 0}, true},
        {"alarm", {false, false, false, false, false, 2}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(commandBlocked(c.s), c.blocked) << c.name;
}
