#pragma once
// The inspection engine of one camera: aligns each frame to the step's
// template, trains the per-region models from the templates and judges the
// regions of a step.
#include "inspection/cammersingleton.h"
#include "platform/vision/vision.h"

#include <QString>
#include <opencv2/core.hpp>

class CammerData;

// Text rows of the alignment failures shown with a camera's result.
constexpr int kLanAlignNotFound = 1400; // "%1": frames not aligned since the start
constexpr int kLanAlignNoModel = 1401;

// How the last alignment of a step went.
enum class AlignState {
    Whole,    // positioning off (or a colour camera): judged as it lies
    Aligned,  // the part found and the frame moved onto the template
    NoModel,  // positioning on, but the template gave no position model
    NotFound, // positioning on, the part not found in the frame
};

class CammerRecong {
public:
    // Trains every step enabled in the live parameter record.
    CammerRecong(CammerSingleton* regions, CammerData* view);

    // Positioning model, centre and search box of the step, from its first
    // "Position" region (or the default box) cut from template 0.
    void CreateShape(int step);
    // Aligns the view's curImage into alignImage for the step (a plain copy
    // when positioning is off, untrained, colour, or the part is not found).
    // A step whose positioning is on but could not align is judged NG by
    // Run; each such frame is counted and logged.
    void ShapeMatch(int step);
    // The operator's text for why the step's last judgement is NG beyond its
    // regions (the regions could not be read, the alignment failed); empty
    // otherwise.
    QString AlignmentText(int step) const;
    // 255 where pixels of the box in alignImage came from inside the camera's
    // view after the step's last alignment; empty when all of them did.
    cv::Mat InView(int step, const cv::Rect& box) const;
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
    // 255: judged, 0: ignored. A trained step that ignores nothing keeps no
    // mask (every pixel judged); validTrained says the step was trained.
    cv::Mat validMask[kStepCount];
    bool validTrained[kStepCount] = {};
    // The step's judged pixels inside box (all of them without a mask).
    cv::Mat ValidIn(int step, const cv::Rect& box) const;
    GrayMatch defectModels[kStepCount][kRegionCount];
    SURF similarityModels[kStepCount][kRegionCount];
    FindShape positionModels[kStepCount];
    int modelCentreX[kStepCount];
    int modelCentreY[kStepCount];
    cv::Rect searchRect[kStepCount];

    AlignState alignState[kStepCount];
    int alignFailures[kStepCount]; // frames of the step not aligned since the start
    double alignScore[kStepCount]; // the last search's score
    // The last alignment found: the shift and the turn (degrees) about the
    // model's centre that bring the part back to its template position.
    cv::Point2d alignShift[kStepCount];
    double alignAngle[kStepCount];
    // The frame's outline in alignImage after the step's last alignment
    // (a pixel's margin inside where pixels were interpolated).
    cv::Point2d viewCorners[kStepCount][4];

private:
    void wholeView(int step);
};
