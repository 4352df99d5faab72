// What a view holds for its frames: what it shows is shared with the frame
// it shows, never a copy of its own, and a frame someone shows is never
// overwritten under the viewer.
#include "viewfixture.h"

#include "monitor/cycleview.h"
#include "params/geometry.h"

namespace {

using FrameMemory = ViewTest;

} // namespace

TEST_F(FrameMemory, TheShownFrameIsSharedAndNeverChangesUnderTheViewer)
{
    CammerWidget* v = makeView(0);
    v->curImage.setTo(10);

    // Live: the newest frame itself.
    gSource = -1;
    cycleview::showLive(v);
    EXPECT_EQ(v->showImage.data, v->curImage.data);

    // Another source keeps the frame of the judgement, not the next one.
    gSource = 0;
    cycleview::showLive(v);
    EXPECT_NE(v->showImage.data, v->curImage.data);
    v->curImage.setTo(20);
    EXPECT_EQ(v->showImage.at<uchar>(5, 5), 10);

    // A recent NG frame is shown as kept; a newer NG frame landing in the
    // same ring slot leaves the shown one alone.
    v->alignImage.setTo(30);
    v->KeepRecentNG(0);
    v->showImage = v->recentNG[0][0];
    v->recentNGCount[0] = 3; // the ring is full: the next one goes to slot 0 again
    v->alignImage.setTo(40);
    v->KeepRecentNG(0);
    EXPECT_EQ(v->showImage.at<uchar>(5, 5), 30);
    EXPECT_EQ(v->recentNG[0][0].at<uchar>(5, 5), 40);

    // The same for a shown template that is replaced.
    v->showImage = v->templateImages[0][0];
    const uchar before = v->showImage.at<uchar>(0, 0);
    v->TemplateImage(0, 0).setTo(uchar(before + 1));
    EXPECT_EQ(v->showImage.at<uchar>(0, 0), before);
    EXPECT_EQ(v->templateImages[0][0].at<uchar>(0, 0), uchar(before + 1));
}
