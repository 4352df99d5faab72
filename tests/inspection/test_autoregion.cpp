#include "inspectionfixture.h"

#include "inspection/autoregion.h"

#include <gtest/gtest.h>
#include <functional>

namespace {

class AutoRegion : public InspectionFolder {
protected:
    void SetUp() override
    {
        InspectionFolder::SetUp();
        smallImage();
        params_.minimum_size = 4;
        params_.minimum_area = 150;
        freshView();
    }
    // Both steps with the same template.
    void freshView()
    {
        view = makeView();
        view->editRegions.reset(new CammerSingleton(0));
        view->selectedRegion = 5;
        cv::Mat(491, 575, CV_8UC1, cv::Scalar(100)).copyTo(view->templateImages[1][0]);
        view->templateImages[1][0].copyTo(view->templateImages[0][0]);
    }
    std::unique_ptr<CammerData> view;
};

} // namespace

TEST_F(AutoRegion, PolygonAroundTheKnownDifference)
{
    view->templateImages[0][0](cv::Rect(200, 150, 100, 80)).setTo(220);
    ASSERT_TRUE(AutogenerationRegion(view.get(), 3)) << "step 3 still compares steps 0 and 1";
    const CammerSingleton& s = *view->editRegions;
    ASSERT_EQ(s.roiCount[3], 1);
    EXPECT_EQ(s.shapeType[3][0], ShapePolygon);
    EXPECT_EQ(s.algorithm[3][0], MethodDefect);
    EXPECT_TRUE(s.polygons[3][0].IsSelected());
    EXPECT_EQ(view->selectedRegion, -1);
    EXPECT_EQ(s.min_size[3][0], 4);
    EXPECT_EQ(s.max_area[3][0], 150);
    EXPECT_NEAR(s.sensibility[3][0], 24, 1) << "a fifth of the difference of 120";

    // The rectangle grown by the 50 px dilation, within the simplification's 10 px.
    const QRect box = s.polygons[3][0].imageRect;
    EXPECT_NEAR(box.left(), 175, 10);
    EXPECT_NEAR(box.right(), 324, 10);
    EXPECT_NEAR(box.top(), 125, 10);
    EXPECT_NEAR(box.bottom(), 254, 10);
    const cv::Mat& m = view->editMasks[3][0];
    ASSERT_EQ(m.size(), cv::Size(box.width(), box.height()));
    EXPECT_EQ(cv::countNonZero(m(cv::Rect(200 - box.left(), 150 - box.top(), 100, 80))), 8000)
        << "the whole difference lies inside";
    // View vertices give the image vertices back.
    for (int i = 0; i < s.polygons[3][0].count; ++i) {
        const QPoint v = s.polygons[3][0].viewPoints[i];
        EXPECT_EQ(s.polygons[3][0].imagePoints[i], QPoint(v.x() / 3, v.y() / 2));
    }
}

TEST_F(AutoRegion, SeveralBlobsGiveOneConvexPolygon)
{
    view->templateImages[0][0](cv::Rect(60, 60, 50, 50)).setTo(0);
    view->templateImages[0][0](cv::Rect(400, 300, 60, 40)).setTo(255);
    ASSERT_TRUE(AutogenerationRegion(view.get(), 0));
    const RePolygon& p = view->editRegions->polygons[0][0];
    EXPECT_TRUE(p.imageRect.contains(QPoint(85, 85)));
    EXPECT_TRUE(p.imageRect.contains(QPoint(430, 320)));
    const cv::Mat& m = view->editMasks[0][0];
    EXPECT_EQ(m.at<uchar>(200 - p.imageRect.top(), 250 - p.imageRect.left()), 255) << "between the blobs";
}

TEST_F(AutoRegion, IdenticalTemplatesGiveNothing)
{
    view->templateImages[0][0](cv::Rect(60, 60, 50, 50)).setTo(149); // a difference of 49 only
    EXPECT_FALSE(AutogenerationRegion(view.get(), 0));
    EXPECT_EQ(view->editRegions->roiCount[0], 0);
    EXPECT_EQ(view->selectedRegion, 5);
}

TEST_F(AutoRegion, NothingMadeTellsTheOperatorWhy)
{
    struct Case {
        const char* name;
        std::function<void(CammerData&)> prepare;
        int why;
    };
    const Case cases[] = {
        {"the templates do not differ", [](CammerData&) {}, kRowAutoRegionNoDifference},
        {"the product step out of use", [](CammerData& v) { v.templateUsed[0][0] = 0; }, kRowAutoRegionStepsUnused},
        {"the mold step out of use", [](CammerData& v) { v.templateUsed[1][0] = 0; }, kRowAutoRegionStepsUnused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshView();
        view->templateImages[0][0](cv::Rect(200, 150, 100, 80)).setTo(c.why == kRowAutoRegionNoDifference ? 100 : 220);
        c.prepare(*view);
        int why = -1;
        EXPECT_FALSE(AutogenerationRegion(view.get(), 1, &why));
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(view->editRegions->roiCount[1], 0);
    }
    freshView();
    view->templateImages[0][0](cv::Rect(200, 150, 100, 80)).setTo(220);
    int why = -1;
    EXPECT_TRUE(AutogenerationRegion(view.get(), 1, &why));
    EXPECT_EQ(why, 0);
}
