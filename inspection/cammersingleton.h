#pragma once
// The region store of one camera: per detection step up to 50 regions with
// their parameters, detection method and shape, kept in the table
// "cammer<camera>" of "PARAM.db". Each view keeps a live store (used by the
// inspection) and an edit store (changed by touch editing); they are copied
// by assignment.
#include "inspection/circle.h"
#include "inspection/polygon.h"
#include "inspection/rect.h"

#include <opencv2/core.hpp>

class CammerData;

constexpr int kStepCount = 8;    // detection steps per camera
constexpr int kLanRegionSaveFailed = 1402; // text of the warning when a save fails
constexpr int kLanRegionsUnread = 1733;    // told and journaled when a camera's table cannot be read
constexpr int kLanRegionsUnreadReason = 1734; // the reason shown under the camera's NG
constexpr int kLanRegionsUnreadNotSaved = 1738; // a save of such a store refused
constexpr int kRegionCount = 50; // regions per step

// Detection methods (`algorithm`).
enum DetectMethod {
    MethodDefect = 0,
    MethodSpot = 1,
    MethodIgnore = 2,
    MethodPosition = 3,
    MethodBlackArea = 4,
    MethodWhiteArea = 5,
    MethodSimilarity = 6,
    MethodWhiteNum = 7,
    MethodDirection = 8,
};

// Shape kinds (`shapeType`).
enum ShapeKind { ShapeRect = 1, ShapePolygon = 2, ShapeRing = 4 };

class CammerSingleton {
public:
    explicit CammerSingleton(int camera);

    // Fills the store from its table and writes every loaded region's mask
    // into the view's liveMasks. Missing step rows are created with '0'; a
    // region count outside 0..50 shows the camera-file warning and loads the
    // step empty. A table that cannot be read whole (tried again while
    // another connection's lock keeps it out) loads no region and marks the
    // store `unread`: false then.
    bool LoadDatafromFile(CammerData* view);
    // Writes the whole store in one transaction (values bound, never pasted
    // into the statement). False, with nothing written and the operator
    // warned, when any statement fails, while saves are held, or for an
    // unread store (it would write its emptiness over the stored regions);
    // the reporting link hears of each step only after a commit.
    bool SaveDatatoFile();

    // Image box of the slot's shape (the kind named by shapeType; empty for
    // an unknown kind). Always inside the image.
    QRect ImageRect(int step, int r) const;
    // Derives the image geometry of the slot's shape and returns its mask
    // (empty for an unknown kind).
    cv::Mat UpdateMask(int step, int r);
    // Slot (toStep, toR) takes the shape named by the source's shapeType and
    // the parameters of (fromStep, fromR) of `from`.
    void CopyRegion(const CammerSingleton& from, int fromStep, int fromR, int toStep, int toR);

    int camera;
    int roiCount[kStepCount];
    int min_size[kStepCount][kRegionCount];
    int sensibility[kStepCount][kRegionCount];
    int max_area[kStepCount][kRegionCount];
    int algorithm[kStepCount][kRegionCount];
    ClustomRect rects[kStepCount][kRegionCount];
    Circle circles[kStepCount][kRegionCount];
    RePolygon polygons[kStepCount][kRegionCount];
    int shapeType[kStepCount][kRegionCount];
    int output_point[kRegionCount]; // one array shared by all steps
    int checkFlags[kStepCount][8];
    // The table could not be read: the store is not what is stored. Its
    // camera's steps are judged NG, and it is never saved.
    bool unread = false;

private:
    QString table() const;
    void setDefaults(int step, int r);
};
