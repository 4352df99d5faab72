#include "inspectionfixture.h"

#include "params/procedures.h"

#include <gtest/gtest.h>

namespace {

class StepCopy : public InspectionFolder {
protected:
    void SetUp() override
    {
        InspectionFolder::SetUp();
        smallImage();
        view = makeView();
    }
    void fill(int step, int n, int method)
    {
        for (int r = 0; r < n; ++r) {
            const int i = addRect(*view, step, {10 + 40 * r, 10 + 20 * step, 30, 15}, method, r, step, 100 + r);
            view->liveRegions->rects[step][i].SetSelected(true);
        }
    }
    std::unique_ptr<CammerData> view;
};

} // namespace

TEST_F(StepCopy, PairedStepsAreCopiedByProcedure)
{
    params_.procedure = ProcTurntable;
    fill(0, 5, MethodSpot);
    fill(1, 3, MethodBlackArea);
    view->CopyPara();
    const CammerSingleton& s = *view->liveRegions;
    EXPECT_EQ(s.roiCount[2], 5);
    EXPECT_EQ(s.roiCount[3], 3);
    for (const auto& pair : {std::make_pair(0, 2), std::make_pair(1, 3)})
        for (int r = 0; r < s.roiCount[pair.first]; ++r) {
            const int a = pair.first, b = pair.second;
            EXPECT_EQ(s.rects[b][r].viewRect, s.rects[a][r].viewRect);
            EXPECT_FALSE(s.rects[b][r].IsSelected());
            EXPECT_EQ(s.algorithm[b][r], s.algorithm[a][r]);
            EXPECT_EQ(s.min_size[b][r], s.min_size[a][r]);
            EXPECT_EQ(s.sensibility[b][r], s.sensibility[a][r]);
            EXPECT_EQ(s.max_area[b][r], s.max_area[a][r]);
            EXPECT_EQ(view->liveMasks[b][r].data, view->liveMasks[a][r].data);
        }

    // A later mask update of one step leaves the copy alone.
    view->liveRegions->rects[2][0].viewRect = QRect(0, 0, 9, 9);
    view->liveMasks[2][0] = view->liveRegions->UpdateMask(2, 0);
    EXPECT_EQ(view->liveMasks[0][0].size(), cv::Size(30, 15));

    // Multi-detection copies nothing; the standard procedure repeats step 0 in step 1.
    params_.procedure = ProcMultiDetect;
    view->liveRegions->roiCount[0] = 4;
    view->CopyPara();
    EXPECT_EQ(s.roiCount[1], 3);
    params_.procedure = ProcStandard;
    view->CopyPara();
    EXPECT_EQ(s.roiCount[1], 4);
    EXPECT_EQ(s.algorithm[1][0], MethodSpot);
}

TEST_F(StepCopy, MasksFollowTheStoresExceptCopiedSteps)
{
    for (int d = 0; d < 8; ++d)
        fill(d, 1, MethodSpot);
    view->BackMask();
    for (int d = 0; d < 8; ++d)
        EXPECT_EQ(view->editMasks[d][0].data, view->liveMasks[d][0].data);

    struct Case {
        int procedure, twoTests, step0;
        std::vector<int> kept; // steps whose live masks stay
    } cases[] = {
        {ProcStandard, 0, 1, {}},
        {ProcStandard, 1, 1, {1, 3, 5, 7}},
        {ProcStandard, 1, 0, {}},
        {ProcAutoParts, 1, 1, {1, 3, 5, 7}},
        {ProcTwoColor, 1, 0, {2, 3, 4, 5, 6, 7}},
        {ProcMultiDetect, 1, 1, {}},
    };
    for (const Case& c : cases) {
        params_.procedure = c.procedure;
        params_.enabe_two_test = c.twoTests;
        params_.step_enabled[0] = c.step0;
        cv::Mat before[8];
        for (int d = 0; d < 8; ++d) {
            before[d] = view->liveMasks[d][0];
            view->editMasks[d][0] = cv::Mat(3, 3, CV_8UC1, cv::Scalar(d));
        }
        view->RestorMask();
        for (int d = 0; d < 8; ++d) {
            const bool kept = std::find(c.kept.begin(), c.kept.end(), d) != c.kept.end();
            EXPECT_EQ(view->liveMasks[d][0].data, kept ? before[d].data : view->editMasks[d][0].data)
                << "procedure " << c.procedure << " step " << d;
        }
    }
}
