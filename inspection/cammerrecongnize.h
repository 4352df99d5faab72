#pragma once
// The inspection engine of one camera: aligns each frame to the step's
// template, trains the per-region models from the templates and judges the
// regions of a step.
#include "inspection/cammersingleton.h"
#include "platform/vision/vision.h"

#include <QString>
#include <opencv2/core.hpp>

#include <vector>

class CammerData;

// What training one step reads, taken on the GUI thread so that the training
// itself can run on any thread: every part is a copy or a buffer that is only
// ever replaced, never written in place.
struct StepTrainingInput {
    int step = -1;
    bool shape = false;  // the positioning model is built
    bool models = false; // the valid mask and the region models are trained
    int width = 0, height = 0;
    int angle = 0;       // rotation searched (rotate_angle, or enable_correct)
    int edge = 0;        // location_adge
    int amplify = 0;     // difference_multiplier
    // The position region's box, mask and speed (defaults when none).
    cv::Rect positionBox;
    cv::Mat positionMask;
    int positionSpeed = 5;
    cv::Mat positionPlane; // template 0 of the step (empty: none)
    struct Region {
        int method = 0;
        bool inImage = false; // a non-empty box inside the image
        cv::Rect box;
        cv::Mat mask; // the shape inside the box (empty: the whole box)
        int sensibility = 0;
    };
    std::vector<Region> regions;
    cv::Mat ignore;              // the ignore points, a copy (empty: none)
    std::vector<cv::Mat> planes; // the used templates the models learn from
    bool planesFromSlot0 = false; // planes[0] is template 0
    // The engine's and the templates' state when this was taken.
    unsigned trainedEpoch = 0;
    unsigned templateEpoch = 0;
};

// What the training made of one step.
struct StepTraining {
    int step = -1;
    bool shape = false;
    bool models = false;
    FindShape position;
    bool positionFound = false;
    cv::Rect modelBox;
    int centreX = 0, centreY = 0;
    cv::Rect searchRect;
    cv::Mat validMask;
    std::vector<GrayMatch> defect;
    std::vector<SURF> similarity;
    unsigned trainedEpoch = 0;
    unsigned templateEpoch = 0;
};

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

    // The two above taken apart (they are these three in a row):
    // TrainingInput() on the GUI thread; Train() on any thread, from its
    // input alone; Install() on the GUI thread. An input of a step that
    // cannot be trained (refused, or positioning off for the shape) asks for
    // nothing of it.
    StepTrainingInput TrainingInput(int step, bool shape, bool models);
    static StepTraining Train(const StepTrainingInput& in);
    // The models replaced are left in t.
    void Install(StepTraining&& t);
    // Whether a training taken from `in` still fits: neither the engine nor
    // the templates of the step changed since.
    bool Current(unsigned trainedEpoch, unsigned templateEpoch, int step) const;
    // Moved on by each Install (and so by CreateShape and VarTrain).
    unsigned trainedEpoch[kStepCount] = {};
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
