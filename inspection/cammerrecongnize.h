#pragma once
// The inspection engine of one camera: aligns each frame to the step's
// template, trains the per-region models from the templates and judges the
// regions of a step.
#include "inspection/cammersingleton.h"
#include "platform/vision/vision.h"

#include <opencv2/core.hpp>

class CammerData;

class CammerRecong {
public:
    // Trains every step enabled in the live parameter record.
    CammerRecong(CammerSingleton* regions, CammerData* view);

    // Positioning model, centre and search box of the step, from its first
    // "Position" region (or the default box) cut from template 0.
    void CreateShape(int step);
    // Aligns the view's curImage into alignImage for the step (a plain copy
    // when positioning is off, untrained, colour, or the part is not found).
    void ShapeMatch(int step);
    // Valid mask of the step and the defect and similarity models of its regions.
    void VarTrain(int step);
    void AreaGen() {}

    // Judges every region of the step on alignImage: per-region verdicts,
    // values, NG rectangles and the overlay in the view; a record per judged
    // region in g_listParamROI during a triggered cycle with the link on;
    // "REG RUN ERROR" journal records for regions that cannot be judged.
    void Run(int step);
    // Shows what region r of the edit store would find on the shown template
    // (thresholding methods only): overlay and value, no verdict, no record.
    void RunTest(int step, int r);

    CammerSingleton* regions;
    CammerData* view;
    cv::Mat curMat, alignMat; // 8-bit W x H headers over curImage and alignImage
    cv::Mat validMask[kStepCount]; // 255: judged, 0: ignored
    GrayMatch defectModels[kStepCount][kRegionCount];
    SURF similarityModels[kStepCount][kRegionCount];
    FindShape positionModels[kStepCount];
    int modelCentreX[kStepCount];
    int modelCentreY[kStepCount];
    cv::Rect searchRect[kStepCount];
};
