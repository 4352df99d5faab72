#include "inspectionfixture.h"

#include <gtest/gtest.h>

namespace {

struct CountingView : CammerData {
    CountingView() : CammerData(0) {}
    void RequestRepaint() override { ++repaints; }
    int repaints = 0;
};

class Preview : public InspectionFolder {
protected:
    void SetUp() override
    {
        InspectionFolder::SetUp();
        smallImage();
        params_.enable_correct = -1;
        params_.min_spot = 2;
        view.reset(new CountingView);
        view->BuildInspection();
    }
    // Copies the live regions into the edit store, as the editor does.
    void startEditing()
    {
        *view->editRegions = *view->liveRegions;
        view->BackMask();
    }
    std::unique_ptr<CountingView> view;
};

cv::Mat scene()
{
    cv::Mat m(491, 575, CV_8UC1, cv::Scalar(120));
    cv::RNG rng(3);
    for (int i = 0; i < 60; ++i) {
        const cv::Point c(rng.uniform(20, 555), rng.uniform(20, 471));
        cv::circle(m, c, rng.uniform(2, 9), cv::Scalar(rng.uniform(0, 2) ? 10 : 245), cv::FILLED);
    }
    const std::vector<cv::Point> wedge{{300, 300}, {300, 360}, {360, 360}};
    cv::fillConvexPoly(m, wedge, cv::Scalar(255));
    return m;
}

} // namespace

// What the operator previews on the template is what the cycle judges on the
// same picture.
TEST_F(Preview, AgreesWithTheJudgement)
{
    const cv::Mat pic = scene();
    pic.copyTo(view->templateImages[0][0]);
    view->curTemplate = 0;
    struct Region {
        int method, minSize, sens, maxArea;
    } regions[] = {
        {MethodSpot, (200 << 8) | 100, 10, 100000}, {MethodBlackArea, 0, 60, 100000},
        {MethodWhiteArea, 0, 200, 100000},          {MethodWhiteNum, 2, 200, 1000},
        {MethodDirection, 0, 200, 5000},
    };
    for (const Region& g : regions)
        addRect(*view, 0, {0, 0, 575, 491}, g.method, g.minSize, g.sens, g.maxArea);
    view->CammerData::IgnoreMask(0)(cv::Rect(0, 0, 200, 200)).setTo(255);
    view->recong->VarTrain(0);
    pic.copyTo(view->curImage);
    view->recong->ShapeMatch(0);
    view->recong->Run(0);
    int judged[5];
    for (int r = 0; r < 5; ++r)
        judged[r] = view->roiValue[0][r];

    startEditing();
    for (int r = 0; r < 5; ++r) {
        const int repaints = view->repaints;
        view->recong->RunTest(0, r);
        EXPECT_EQ(view->roiValue[0][r], judged[r]) << "method " << regions[r].method;
        EXPECT_GT(judged[r], 0) << "method " << regions[r].method;
        EXPECT_EQ(view->repaints, repaints + 1);
        EXPECT_TRUE(view->previewShown);
        EXPECT_EQ(view->NgRectCount(0, r), 0);
    }
}

TEST_F(Preview, OnlyThresholdingMethodsArePreviewed)
{
    addRect(*view, 0, {10, 10, 50, 50}, MethodDefect, 3, 25, 100);
    addRect(*view, 0, {10, 10, 50, 50}, MethodSimilarity, 0, 80, 0);
    addRect(*view, 0, {10, 10, 50, 50}, MethodBlackArea, 0, 60, 100);
    view->recong->VarTrain(0);
    startEditing();
    view->allOK = false;
    view->roiOK[0][2] = false;
    for (int r : {0, 1}) {
        view->ngOverlay.setTo(7);
        const int repaints = view->repaints;
        view->recong->RunTest(0, r);
        EXPECT_EQ(cv::countNonZero(view->ngOverlay), 0);
        EXPECT_EQ(view->repaints, repaints + 1);
    }
    // Past the edit count: cleared, no repaint.
    view->ngOverlay.setTo(7);
    const int repaints = view->repaints;
    view->recong->RunTest(0, 3);
    EXPECT_EQ(cv::countNonZero(view->ngOverlay), 0);
    EXPECT_EQ(view->repaints, repaints);
    // A step that was never trained gets no preview.
    view->editRegions->roiCount[4] = 1;
    view->editRegions->algorithm[4][0] = MethodBlackArea;
    view->recong->RunTest(4, 0);
    EXPECT_EQ(view->repaints, repaints);
    // Never a verdict.
    view->recong->RunTest(0, 2);
    EXPECT_FALSE(view->allOK);
    EXPECT_FALSE(view->roiOK[0][2]);
}

TEST_F(Preview, DirectionDrawsEveryBlobAndBoxesTheWrongOnes)
{
    cv::Mat pic(491, 575, CV_8UC1, cv::Scalar(0));
    const std::vector<cv::Point> wrong{{100, 100}, {100, 139}, {139, 139}};
    const std::vector<cv::Point> right{{200, 100}, {239, 100}, {239, 139}};
    cv::fillConvexPoly(pic, wrong, cv::Scalar(255));
    cv::fillConvexPoly(pic, right, cv::Scalar(255));
    pic.copyTo(view->templateImages[0][0]);
    addRect(*view, 0, {50, 50, 300, 200}, MethodDirection, 0, 100, 5000);
    view->recong->VarTrain(0);
    startEditing();
    view->recong->RunTest(0, 0);
    EXPECT_EQ(view->roiValue[0][0], 1);
    EXPECT_EQ(view->ngOverlay.at<uchar>(130, 230), 255) << "the accepted blob is drawn";
    EXPECT_EQ(view->ngOverlay.at<uchar>(100, 139), 255) << "the wrong blob's box corner";
    EXPECT_EQ(view->ngOverlay.at<uchar>(100, 239), 255);
    EXPECT_EQ(view->ngOverlay.at<uchar>(139, 200), 0) << "no box around the right one";
}
