// A frame that could not be aligned shows why under the camera's NG result,
// in the operator's language; an aligned frame's result shows no such line.
#include "viewfixture.h"

#include "camera/viewtext.h"
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

// The reason wraps within the view and is drawn smaller only when three
// lines would not hold it: the count at its end is never cut off, in a view
// shown alone, a half or a quarter of the split screen.
TEST_F(ViewTest, TheAlignmentReasonFitsTheView)
{
    para().show_live_regions = 0;
    CammerWidget* view = makeView(0);
    fillRamp(view);
    host.s.displayState = 1;
    host.s.currentStep = 0;
    view->allOK = false;
    view->recong->alignState[0] = AlignState::NotFound;
    struct Case {
        int width;
        int language;
        int failures;
        const char* shot; // or none
    } cases[] = {{1725, 1, 1000, nullptr},
                 {862, 1, 1, nullptr},
                 {862, 1, 1000, "alignment-split-en"},
                 {862, 0, 1000, "alignment-split-zh"},
                 {431, 1, 100000, "alignment-quarter-en"},
                 {431, 0, 100000, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " px, language " << c.language << ", " << c.failures);
        gLan = c.language;
        view->recong->alignFailures[0] = c.failures;
        view->resize(c.width, 491);
        const QImage img = render(view);
        if (c.shot)
            shoot(c.shot, img);
        // The red ink under the verdict.
        int ink = 0, right = 0;
        for (int y = 95; y < 240; ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor p = img.pixelColor(x, y);
                if (p.red() > 150 && p.green() < 110 && p.blue() < 110) {
                    ++ink;
                    right = std::max(right, x);
                }
            }
        EXPECT_GT(ink, 300) << "the reason is drawn";
        EXPECT_LT(right, c.width - 4) << "nothing runs off the view";
    }
    gLan = 1;
}

TEST(ViewText, WrappedSizesStayReadable)
{
    QFont font("wqy-microhei");
    const QString longReason = LanStr(kLanAlignNotFound, 1).arg(100000);
    for (const QSize room : {QSize(1715, 120), QSize(852, 120), QSize(421, 120)}) {
        SCOPED_TRACE(room.width());
        const int px = WrappedPixelSize(font, longReason, room, 30, 12);
        EXPECT_GE(px, 18);
        font.setPixelSize(px);
        const QRect needed = QFontMetrics(font).boundingRect(QRect(QPoint(), room), Qt::TextWordWrap, longReason);
        EXPECT_LE(needed.width(), room.width());
        EXPECT_LE(needed.height(), room.height());
    }
    EXPECT_EQ(WrappedPixelSize(font, "NG", QSize(400, 40), 30, 12), 30) << "a short text keeps its size";
    EXPECT_EQ(WrappedPixelSize(font, longReason, QSize(40, 10), 30, 12), 12) << "the smallest when nothing fits";
}
