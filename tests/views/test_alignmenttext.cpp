// A frame that could not be aligned shows why under the camera's NG result,
// in the operator's language; an aligned frame's result shows no such line.
#include "viewfixture.h"

#include "inspection/cammerrecongnize.h"
#include "params/geometry.h"
#include "params/lanstr.h"

TEST_F(ViewTest, AFailedAlignmentIsShownUnderTheResult)
{
    para().show_live_regions = 0;
    CammerWidget* view = makeView(0);
    fillRamp(view);
    host.s.displayState = 1;
    host.s.currentStep = 0;
    const QRect line(0, 95, 1400, 45); // under the "OK"/"NG" verdict
    auto redIn = [&](const QImage& img) { return countColour(img, line, Qt::red); };

    view->allOK = true;
    const int quiet = redIn(render(view));
    struct Case {
        const char* name;
        AlignState state;
        int language;
    } cases[] = {
        {"alignment-not-found-en", AlignState::NotFound, 1},
        {"alignment-not-found-zh", AlignState::NotFound, 0},
        {"alignment-no-model-en", AlignState::NoModel, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gLan = c.language;
        view->recong->alignState[0] = c.state;
        view->recong->alignFailures[0] = 4;
        view->allOK = false;
        EXPECT_FALSE(view->recong->AlignmentText(0).isEmpty());
        const QImage img = render(view);
        shoot(c.name, img);
        EXPECT_GT(redIn(img), quiet + 100) << "the reason is written in red under the verdict";
    }
    gLan = 1;
    view->recong->alignState[0] = AlignState::Aligned;
    view->allOK = false;
    const QImage img = render(view);
    EXPECT_TRUE(view->recong->AlignmentText(0).isEmpty());
    EXPECT_LT(redIn(img), quiet + 100) << "an NG of the regions has no alignment line";
}
