#include "inspectionfixture.h"

#include "inspection/paramroi.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

class Judgement : public InspectionFolder {
protected:
    void SetUp() override
    {
        InspectionFolder::SetUp();
        smallImage();
        params_.enable_correct = -1; // frames are judged as they come
        params_.min_spot = 1;
        params_.minimum_size = 1;
        params_.minimum_area = 100;
        params_.cntnet_enable = 1;
        g_listParamROI.clear();
        trigger = 1;
        gpCycleTrigger = &trigger;
    }
    void TearDown() override
    {
        gpCycleTrigger = nullptr;
        g_listParamROI.clear();
        InspectionFolder::TearDown();
    }
    // Trains the step on the view's templates and judges `frame`.
    static void judge(CammerData& v, const cv::Mat& frame, int step = 0)
    {
        v.recong->VarTrain(step);
        frame.copyTo(v.curImage);
        v.recong->ShapeMatch(step);
        v.recong->Run(step);
    }
    int trigger = 0;
};

const cv::Rect kBox(100, 80, 120, 100);

cv::Mat flat(int grey) { return cv::Mat(491, 575, CV_8UC1, cv::Scalar(grey)); }
void block(cv::Mat& m, cv::Rect r, int grey) { m(r).setTo(grey); }

} // namespace

// Each method on a clean frame and on a frame with its kind of defect.
TEST_F(Judgement, EveryMethodMeasuresAndJudges)
{
    const cv::Mat tex = texture({575, 491}, 9);
    struct Case {
        const char* name;
        int method, minSize, sens, maxArea;
        std::function<cv::Mat()> clean, defect;
        int cleanValue, defectValue; // -1: only the verdict is checked
    } cases[] = {
        {"spot", MethodSpot, (40 << 8) | 200, 50, 500,
         [] { cv::Mat m = flat(20); block(m, {130, 100, 12, 12}, 100); return m; },
         [] { return flat(20); }, 121, 0},
        {"spot too large", MethodSpot, (200 << 8) | 40, 50, 500,
         [] { cv::Mat m = flat(20); block(m, {130, 100, 12, 12}, 200); return m; },
         [] { cv::Mat m = flat(20); block(m, {130, 100, 30, 30}, 40); return m; }, 121, 841},
        {"black area", MethodBlackArea, 0, 60, 100, [] { return flat(200); },
         [] { cv::Mat m = flat(200); block(m, {110, 90, 15, 15}, 30); return m; }, 0, 196},
        {"white area", MethodWhiteArea, 0, 150, 100,
         [] { cv::Mat m = flat(50); block(m, {110, 90, 10, 10}, 220); return m; },
         [] { cv::Mat m = flat(50); block(m, {110, 90, 15, 15}, 220); return m; }, 81, 196},
        {"white num", MethodWhiteNum, 1, 150, 3,
         [] { cv::Mat m = flat(30); for (int i = 0; i < 3; ++i) block(m, {110 + 20 * i, 100, 4, 4}, 240); return m; },
         [] { cv::Mat m = flat(30); for (int i = 0; i < 5; ++i) block(m, {110 + 20 * i, 100, 4, 4}, 240); return m; },
         3, 5},
        {"defect", MethodDefect, 3, 25, 100, [&] { return tex.clone(); },
         [&] { cv::Mat m = tex.clone(); cv::circle(m, {160, 130}, 12, cv::Scalar(0), cv::FILLED); return m; }, 0, -1},
        {"similarity", MethodSimilarity, 0, 80, 0, [&] { return tex.clone(); },
         [&] { cv::Mat m = tex.clone(); texture({575, 491}, 10)(kBox).copyTo(m(kBox)); return m; }, -1, -1},
        {"direction", MethodDirection, 0, 100, 5000,
         [] { cv::Mat m = flat(0); std::vector<cv::Point> t{{120, 100}, {159, 100}, {159, 139}};
              cv::fillConvexPoly(m, t, cv::Scalar(255)); return m; },
         [] { cv::Mat m = flat(0); std::vector<cv::Point> t{{120, 100}, {120, 139}, {159, 139}};
              cv::fillConvexPoly(m, t, cv::Scalar(255)); return m; }, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = makeView();
        c.clean().copyTo(view->templateImages[0][0]);
        const int r = addRect(*view, 0, kBox, c.method, c.minSize, c.sens, c.maxArea);

        judge(*view, c.clean());
        EXPECT_TRUE(view->allOK);
        EXPECT_TRUE(view->roiOK[0][r]);
        if (c.cleanValue >= 0) {
            EXPECT_EQ(view->roiValue[0][r], c.cleanValue);
        }

        judge(*view, c.defect());
        EXPECT_FALSE(view->allOK);
        EXPECT_FALSE(view->roiOK[0][r]);
        if (c.defectValue >= 0) {
            EXPECT_EQ(view->roiValue[0][r], c.defectValue);
        }
        if (c.method != MethodSpot || c.defectValue) {
            EXPECT_GT(view->NgRectCount(0, r), 0);
            EXPECT_GT(cv::countNonZero(view->ngOverlay(kBox)), 0);
        }
        EXPECT_EQ(cv::countNonZero(view->ngOverlay) - cv::countNonZero(view->ngOverlay(kBox)), 0);
    }
}

TEST_F(Judgement, DefectAndSimilarityValuesFollowTheirLimits)
{
    const cv::Mat tex = texture({575, 491}, 9);
    auto view = makeView();
    tex.copyTo(view->templateImages[0][0]);
    const int d = addRect(*view, 0, kBox, MethodDefect, 3, 25, 100);
    const int s = addRect(*view, 0, {300, 200, 100, 100}, MethodSimilarity, 0, 80, 0);
    cv::Mat bad = tex.clone();
    cv::rectangle(bad, cv::Rect(150, 120, 20, 20), cv::Scalar(0), cv::FILLED);
    judge(*view, bad);
    EXPECT_NEAR(view->roiValue[0][d], 19 * 19, 40) << "area of the dark square";
    EXPECT_GT(view->roiValue[0][s], 95) << "the similarity region is untouched";
    EXPECT_TRUE(view->roiOK[0][s]);
    const int* first = view->ngRects[0][d][1];
    EXPECT_NEAR(first[0], 150, 2);
    EXPECT_NEAR(first[3], 140, 2);

    // The per-region limit applies only when detail parameters are on.
    params_.enable_display_detail = 1;
    view->liveRegions->max_area[0][d] = 500;
    judge(*view, bad);
    EXPECT_TRUE(view->roiOK[0][d]);

    // Templates that show NG parts invert the comparison.
    params_.enable_display_detail = 0;
    params_.template_is_ng_image = 1;
    judge(*view, tex);
    EXPECT_FALSE(view->roiOK[0][d]) << "a clean part is NG";
    judge(*view, bad);
    EXPECT_TRUE(view->roiOK[0][d]);
}

// A defect region at its defaults (filter 5, sensitivity 25, area 100) on
// textured steel, under a lamp's slope of +-20 % across it and an offset of
// +-50: a change of 30 grey levels over 1.5 times the area, or a shiny blob,
// is NG; a fainter or smaller change, and the light alone, are not.
TEST_F(Judgement, DefectsAtTheRegionDefaultsUnderUnevenLight)
{
    params_.enable_display_detail = 1;
    const cv::Rect box(150, 120, 180, 150);
    const cv::Mat tex = texture({575, 491}, 21);
    auto view = makeView();
    tex.copyTo(view->templateImages[0][0]);
    const int r = addRect(*view, 0, box, MethodDefect, 5, 25, 100);
    // The shot: gain from 1 - ramp at the region's left to 1 + ramp at its
    // right, the offset, noise; `change` adds `contrast` grey levels as the
    // camera shows them over `area` pixels at `at`.
    // The change goes where the steel is mid-grey, so that no light of the
    // table drives it into black or white.
    cv::Point2d at(-1, -1);
    for (int y = box.y + 20; y < box.y + box.height - 20 && at.x < 0; y += 4)
        for (int x = box.x + 20; x < box.x + box.width - 20 && at.x < 0; x += 4) {
            double lo, hi;
            cv::minMaxLoc(tex(cv::Rect(x - 9, y - 9, 19, 19)), &lo, &hi);
            if (lo >= 95 && hi <= 160)
                at = cv::Point2d(x, y);
        }
    ASSERT_GE(at.x, 0);
    auto shot = [&](double ramp, double offset, double area, int contrast, int seed) {
        const double radius = std::sqrt(area / CV_PI);
        cv::Mat f(tex.size(), CV_32F);
        for (int y = 0; y < f.rows; ++y)
            for (int x = 0; x < f.cols; ++x) {
                const double u = std::max(-1.0, std::min(1.0, 2.0 * (x - box.x) / (box.width - 1) - 1));
                const double g = 1 + ramp * u;
                double v = g * tex.at<uchar>(y, x) + offset;
                if (std::hypot(x - at.x, y - at.y) <= radius)
                    v += contrast;
                f.at<float>(y, x) = float(v);
            }
        cv::Mat n(f.size(), CV_32F);
        cv::RNG(uint64_t(seed)).fill(n, cv::RNG::NORMAL, 0, 3);
        f += n;
        cv::Mat out;
        f.convertTo(out, CV_8U);
        return out;
    };
    struct Case {
        const char* name;
        double area;
        int contrast;
        bool ng;
    } cases[] = {
        {"clean", 0, 0, false},          {"+30 over 150 px", 150, 30, true},  {"-30 over 150 px", 150, -30, true},
        {"+15 over 220 px", 220, 15, false}, {"+40 over 55 px", 55, 40, false},
    };
    struct Light {
        double ramp, offset;
    } lights[] = {{0, 0}, {0.2, 50}, {-0.2, -50}, {0.2, -50}};
    int seed = 1;
    for (const Light& l : lights)
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", ramp " << l.ramp << ", offset " << l.offset);
            judge(*view, shot(l.ramp, l.offset, c.area, c.contrast, seed++));
            EXPECT_EQ(!view->roiOK[0][r], c.ng) << "area " << view->roiValue[0][r];
        }
    // A new shiny blob: a stuck part catching the light.
    cv::Mat blob = shot(0.2, 40, 0, 0, 99);
    cv::circle(blob, cv::Point(box.x + 100, box.y + 50), 9, cv::Scalar(252), cv::FILLED, cv::LINE_AA);
    judge(*view, blob);
    EXPECT_FALSE(view->roiOK[0][r]);
}

TEST_F(Judgement, IgnorePointsAndIgnoreRegionsHideDefects)
{
    auto view = makeView();
    flat(200).copyTo(view->templateImages[0][0]);
    const int r = addRect(*view, 0, kBox, MethodBlackArea, 0, 60, 100);
    cv::Mat bad = flat(200);
    block(bad, {110, 90, 15, 15}, 30);
    block(bad, {180, 150, 15, 15}, 30);

    view->CammerData::IgnoreMask(0)(cv::Rect(105, 85, 25, 25)).setTo(255);
    judge(*view, bad);
    EXPECT_EQ(view->roiValue[0][r], 196) << "only the second square counts";
    addRect(*view, 0, {175, 145, 30, 30}, MethodIgnore, 0, 0, 0);
    judge(*view, bad);
    EXPECT_EQ(view->roiValue[0][r], 0);
    EXPECT_TRUE(view->allOK);
    EXPECT_EQ(view->roiValue[0][1], 0);
    EXPECT_EQ(view->NgRectCount(0, 1), 0);
}

TEST_F(Judgement, WhiteSpotCountIsNotCappedByTheStoredRectangles)
{
    auto view = makeView();
    const int r = addRect(*view, 0, {20, 20, 400, 400}, MethodWhiteNum, 1, 150, 120);
    cv::Mat many = flat(30);
    for (int i = 0; i < 150; ++i)
        block(many, {25 + 30 * (i % 13), 25 + 30 * (i / 13), 5, 5}, 240);
    many.copyTo(view->templateImages[0][0]);
    judge(*view, many);
    EXPECT_EQ(view->roiValue[0][r], 150);
    EXPECT_EQ(view->NgRectCount(0, r), 99);
    EXPECT_FALSE(view->roiOK[0][r]) << "a limit of 99 or more can fail";
}

TEST_F(Judgement, RegionsThatCannotBeJudgedAreErrorsWithARecord)
{
    auto view = makeView();
    CammerSingleton& s = *view->liveRegions;
    s.roiCount[0] = 1; // a region whose row was missing: empty rectangle, empty mask
    s.shapeType[0][0] = ShapeRect;
    s.algorithm[0][0] = MethodDefect;
    view->liveMasks[0][0] = s.UpdateMask(0, 0);
    judge(*view, flat(100));
    EXPECT_FALSE(view->allOK);
    EXPECT_TRUE(view->roiOK[0][0]);
    EXPECT_EQ(records, QStringList{"REG RUN ERROR = 0, 0, -1"});
    EXPECT_TRUE(g_listParamROI.isEmpty());

    // A step that was never trained (in use, but the settings enabled it after
    // the training).
    records.clear();
    gDNum = 6;
    params_.step_enabled[3] = params_.step_enabled[5] = 1;
    addRect(*view, 5, kBox, MethodSpot, 0, 0, 0);
    flat(100).copyTo(view->curImage);
    view->recong->ShapeMatch(5);
    view->recong->Run(5);
    EXPECT_EQ(records, QStringList{"REG RUN ERROR = 0, 5, -2"});

    // A step without regions passes and clears the overlay.
    view->ngOverlay.setTo(9);
    view->recong->Run(3);
    EXPECT_TRUE(view->allOK);
    EXPECT_EQ(cv::countNonZero(view->ngOverlay), 0);

    // A step out of use has no templates: never judged OK.
    view->recong->Run(4);
    EXPECT_FALSE(view->allOK);
}

TEST_F(Judgement, ResultRecordsDuringATriggeredCycle)
{
    auto view = makeView(2);
    flat(200).copyTo(view->templateImages[0][0]);
    addRect(*view, 0, {10, 10, 50, 50}, MethodBlackArea, 0, 60, 100);
    addRect(*view, 0, {100, 10, 50, 50}, MethodPosition, 5, 0, 0);
    addRect(*view, 0, {200, 10, 50, 50}, MethodSimilarity, 0, 70, 0);
    addRect(*view, 0, {300, 10, 50, 50}, MethodDirection, 0, 900, 100);
    cv::Mat bad = flat(200);
    block(bad, {15, 15, 20, 20}, 0);
    judge(*view, bad);
    ASSERT_EQ(g_listParamROI.size(), 3);
    const param_roi& a = g_listParamROI[0];
    EXPECT_EQ(a.camera, 2);
    EXPECT_EQ(a.region, 0);
    EXPECT_EQ(a.algorithm, MethodBlackArea);
    EXPECT_EQ(a.value, 361);
    EXPECT_EQ(a.lowerLimit, 0);
    EXPECT_EQ(a.upperLimit, 100);
    EXPECT_EQ(a.ok, 0);
    const param_roi& b = g_listParamROI[1];
    EXPECT_EQ(b.region, 2);
    EXPECT_EQ(b.lowerLimit, 70);
    EXPECT_EQ(b.upperLimit, -1);
    EXPECT_EQ(b.ok, 0) << "passes, but the camera is already NG";
    EXPECT_EQ(g_listParamROI[2].lowerLimit, 100) << "swapped bounds";
    EXPECT_EQ(g_listParamROI[2].upperLimit, 900);

    g_listParamROI.clear();
    trigger = 0;
    judge(*view, bad);
    EXPECT_TRUE(g_listParamROI.isEmpty());
}

TEST_F(Judgement, LaterRegionOwnsTheOverlayWhereBoxesOverlap)
{
    auto view = makeView();
    addRect(*view, 0, {100, 100, 60, 60}, MethodBlackArea, 0, 60, 10000);
    addRect(*view, 0, {130, 130, 60, 60}, MethodWhiteArea, 0, 150, 10000);
    cv::Mat m = flat(100);
    block(m, {125, 125, 10, 10}, 0);
    flat(100).copyTo(view->templateImages[0][0]);
    judge(*view, m);
    EXPECT_EQ(view->roiValue[0][0], 81);
    EXPECT_EQ(cv::countNonZero(view->ngOverlay), 75) << "the white-area box replaced the overlap";
}

TEST_F(Judgement, DirectionSideChoosesWhichBlobsAreWrong)
{
    cv::Mat frame = flat(0);
    const std::vector<cv::Point> lowerLeft{{120, 100}, {120, 139}, {159, 139}};
    cv::fillConvexPoly(frame, lowerLeft, cv::Scalar(255));
    struct Case {
        int side;
        bool ok;
    } cases[] = {{0, false}, {1, true}, {2, true}};
    for (const Case& c : cases) {
        auto view = makeView();
        const int r = addRect(*view, 0, kBox, MethodDirection, c.side, 5000, 100);
        judge(*view, frame);
        EXPECT_EQ(view->roiOK[0][r], c.ok) << "side " << c.side;
    }
}

TEST_F(Judgement, ColourFramesAreJudgedOnTheirGreyOrHuePlane)
{
    smallImage(true);
    cv::Mat frame(491, 575, CV_8UC4, cv::Scalar(40, 40, 40, 255));
    frame(cv::Rect(110, 90, 15, 15)).setTo(cv::Scalar(0, 0, 255, 255)); // red in RGB32: B, G, R, A
    for (bool grey : {true, false}) {
        gisGrayHue = grey;
        auto view = makeView();
        // Grey: red is about 76, above 60. Hue: red is 0, below 60; grey 40 has hue 0 too.
        const int r = addRect(*view, 0, kBox, MethodWhiteArea, 0, 60, 100);
        judge(*view, frame);
        EXPECT_EQ(view->roiValue[0][r], grey ? 196 : 0) << (grey ? "grey" : "hue");
    }
}
