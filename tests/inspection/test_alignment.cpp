#include "inspectionfixture.h"

#include <gtest/gtest.h>

namespace {

class Alignment : public InspectionFolder {
protected:
    void SetUp() override
    {
        InspectionFolder::SetUp();
        smallImage();
        params_.enable_correct = 0;
        params_.location_adge = 40;
        tmpl = texture({575, 491}, 5);
    }
    // The template with its content turned about `centre` and moved.
    cv::Mat frameOf(cv::Point2d move, cv::Point2d centre, double angle) const
    {
        return MovedPicture(tmpl, move, centre, angle);
    }
    static double meanDiff(const cv::Mat& a, const cv::Mat& b)
    {
        cv::Mat d;
        cv::absdiff(a, b, d);
        return cv::mean(d)[0];
    }
    cv::Mat tmpl;
};

} // namespace

TEST_F(Alignment, RecoversATableOfShiftsAndRotations)
{
    const cv::Rect pos(180, 150, 200, 160);
    const cv::Rect inner(120, 100, 330, 280);
    struct Case {
        double dx, dy, angle;
        int rotateAngle;
    } cases[] = {{0, 0, 0, 0},  {15, -15, 0, 0},  {-9, 4, 0, 0},    {3, 12, 0, 0},
                 {6, -3, 5, 10}, {-12, 8, -9, 10}, {0, 0, 2.5, 10}, {14, 14, -4, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " turned " << c.angle);
        params_.rotate_angle = c.rotateAngle;
        auto view = makeView();
        tmpl.copyTo(view->templateImages[0][0]);
        addRect(*view, 0, pos, MethodPosition, 5, 0, 0);
        view->recong->CreateShape(0);
        ASSERT_TRUE(view->recong->positionModels[0].IsValid());
        EXPECT_EQ(view->recong->modelCentreX[0], 280);
        EXPECT_EQ(view->recong->modelCentreY[0], 230);
        EXPECT_EQ(view->recong->searchRect[0], cv::Rect(140, 110, 280, 240));

        frameOf({c.dx, c.dy}, {280, 230}, c.angle).copyTo(view->curImage);
        view->recong->ShapeMatch(0);
        EXPECT_LT(meanDiff(view->alignImage(inner), tmpl(inner)), c.rotateAngle ? 4.0 : 1.0);
    }
}

TEST_F(Alignment, PlainCopyWhenPositioningIsOffColourOrNotFound)
{
    auto view = makeView();
    tmpl.copyTo(view->templateImages[0][0]);
    view->recong->CreateShape(0);
    const cv::Mat frame = frameOf({5, 5}, {0, 0}, 0);

    params_.enable_correct = -1;
    frame.copyTo(view->curImage);
    view->recong->ShapeMatch(0);
    EXPECT_EQ(cv::countNonZero(view->alignImage != frame), 0);

    params_.enable_correct = 0;
    texture({575, 491}, 77).copyTo(view->curImage); // another scene: not found
    view->recong->ShapeMatch(0);
    EXPECT_EQ(cv::countNonZero(view->alignImage != view->curImage), 0);

    // Steps outside the range only copy.
    frame.copyTo(view->curImage);
    view->recong->ShapeMatch(9);
    EXPECT_EQ(cv::countNonZero(view->alignImage != frame), 0);

    // A colour camera is never positioned: the frame is copied whole.
    smallImage(true);
    auto colour = makeView(1);
    colour->recong->CreateShape(0);
    EXPECT_FALSE(colour->recong->positionModels[0].IsValid());
    cv::randu(colour->curImage, 0, 255);
    colour->recong->ShapeMatch(0);
    ASSERT_EQ(colour->alignImage.type(), CV_8UC4);
    EXPECT_EQ(cv::norm(colour->alignImage, colour->curImage, cv::NORM_INF), 0);
}

TEST_F(Alignment, PositionRegionChoiceAndSearchBox)
{
    auto view = makeView();
    tmpl.copyTo(view->templateImages[1][0]);
    CammerRecong& e = *view->recong;

    // No position region: the default box from a quarter to the far edges.
    e.CreateShape(1);
    EXPECT_EQ(e.modelCentreX[1], 143 + 431 / 2);
    EXPECT_EQ(e.modelCentreY[1], 122 + 368 / 2);

    // Two position regions: the first counts; its box at the border with a
    // margin of 20 is cut at the image edges, not shifted.
    params_.location_adge = 20;
    addRect(*view, 1, {10, 0, 60, 40}, MethodDefect, 1, 1, 1);
    addRect(*view, 1, {0, 5, 80, 60}, MethodPosition, 9, 0, 0);
    addRect(*view, 1, {300, 300, 100, 100}, MethodPosition, 1, 0, 0);
    e.CreateShape(1);
    EXPECT_EQ(e.modelCentreX[1], 40);
    EXPECT_EQ(e.modelCentreY[1], 35);
    EXPECT_EQ(e.searchRect[1], cv::Rect(0, 0, 100, 85));

    // Off: nothing is built at all.
    params_.enable_correct = -1;
    view->liveRegions->roiCount[1] = 0;
    e.CreateShape(1);
    EXPECT_EQ(e.modelCentreX[1], 40);
}

TEST_F(Alignment, ValidMaskFromIgnorePointsAndIgnoreRegions)
{
    auto view = makeView();
    view->ignoreMask[0].setTo(0);
    view->ignoreMask[0](cv::Rect(10, 10, 20, 20)).setTo(1); // any non-zero value is an ignore point
    view->ignoreMask[0](cv::Rect(100, 100, 30, 30)).setTo(255);
    // A ring-shaped ignore region over the second patch: inside its box the
    // ring replaces the ignore points.
    CammerSingleton& s = *view->liveRegions;
    const int r = s.roiCount[0]++;
    s.shapeType[0][r] = ShapeRing;
    s.algorithm[0][r] = MethodIgnore;
    s.circles[0][r].centreX = 115 * 3;
    s.circles[0][r].centreY = 115 * 2;
    s.circles[0][r].radius = 40;
    s.circles[0][r].innerRadius = 20;
    s.circles[0][r].UpdateRect();
    view->liveMasks[0][r] = s.UpdateMask(0, r);
    view->recong->VarTrain(0);

    const cv::Mat& v = view->recong->validMask[0];
    const QRect box = s.ImageRect(0, r);
    EXPECT_EQ(v.at<uchar>(15, 15), 0);
    EXPECT_EQ(v.at<uchar>(50, 50), 255);
    EXPECT_EQ(v.at<uchar>(115, 115), 255) << "the ring's hole is judged again";
    EXPECT_EQ(v.at<uchar>(115, box.left() + 2), 0) << "on the ring";
    EXPECT_EQ(cv::countNonZero(v(cv::Rect(box.x(), box.y(), box.width(), box.height())) == 0),
              cv::countNonZero(view->liveMasks[0][r]));
}

// Training takes the used template slots up to the step's template count.
TEST_F(Alignment, TrainingUsesTheCountedTemplatesOnly)
{
    auto view = makeView();
    for (int slot : {0, 2, 5, 7}) {
        cv::Mat t = tmpl.clone();
        if (slot == 7)
            t(cv::Rect(200, 200, 40, 40)).setTo(0);
        t.copyTo(view->TemplateImage(0, slot));
        view->templateUsed[0][slot] = 1;
    }
    view->templateCount[0] = 3;
    const int r = addRect(*view, 0, {150, 150, 150, 150}, MethodDefect, 3, 25, 100);
    view->recong->VarTrain(0);
    GrayMatch& m = view->recong->defectModels[0][r];
    ASSERT_TRUE(m.IsValid());
    cv::Mat out;
    m.Match(view->templateImages[0][7](cv::Rect(150, 150, 150, 150)), out);
    EXPECT_GT(cv::countNonZero(out), 1000) << "slot 7 was not learnt";
    m.Match(tmpl(cv::Rect(150, 150, 150, 150)), out);
    EXPECT_EQ(cv::countNonZero(out), 0);
}
