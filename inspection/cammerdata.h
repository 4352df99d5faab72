#pragma once
// What one camera view keeps for the inspection, without any screen: frame
// buffers, templates and ignore points with their bitmaps, the two region
// stores with their masks, the engine and the result fields. The camera view
// derives from it and adds the widget.
#include "inspection/cammersingleton.h"

#include <QString>
#include <atomic>
#include <QStringList>
#include <memory>
#include <opencv2/core.hpp>
#include <vector>

class CammerRecong;

// Template slots per step (max_mold_num of the record, set by the start-up).
extern int gTempNum;
// Colour frames are judged on their grey plane when set, else on their hue.
extern bool gisGrayHue;

constexpr int kMaxNgRects = 99; // NG rectangles kept per region

// Whether detection step d is in use: below the number of steps and enabled
// by the procedure or the settings. Only steps in use keep their templates,
// ignore points and result images.
bool StepInUse(int d);

// Makes the frame-sized buffers of a step (templates, ignore points); throws
// std::bad_alloc or cv::Exception when the memory is not there. Tests replace
// it to run out of memory.
extern cv::Mat (*gNewStepBuffer)(int rows, int cols, int type);

// Text rows of the bitmap writes.
constexpr int kLanTemplateNotWritten = 1735;     // camera, step
constexpr int kLanIgnorePointsNotWritten = 1736; // camera, step
constexpr int kLanTemplateNotDeleted = 1737;     // camera, step, template number

// Writes an 8-bit plane (grey colour table) or a colour frame (RGB32) as the
// BMP file: into a temporary file beside it, then renamed over it, so the
// old bitmap stays whole when the write fails or is cut short. Refused while
// saves are held (a restored group waits for its restart, or the parameters
// could not be read). False, logged, when not written. Any thread.
bool writeBitmap(const cv::Mat& plane, const QString& path);
// Called with the temporary file complete, just before it is renamed (tests
// stop the process there, as a power cut would).
extern void (*gBitmapBeforeRename)(const QString& path);

class CammerData {
public:
    explicit CammerData(int cameraIndex);
    virtual ~CammerData();
    CammerData(const CammerData&) = delete;
    CammerData& operator=(const CammerData&) = delete;

    // Everything the inspection needs, in this order: frame and result
    // buffers, templates, recent-NG state, ignore points, the region stores
    // (live loaded from "PARAM.db") and the engine (trains the enabled steps).
    void BuildInspection();

    // A zeroed frame of the working size (4 bytes per pixel with colour on).
    static cv::Mat NewFrame();
    // "./cammer<camera+1><step+1>"
    QString Folder(int step) const;

    // Templates of every step in use from "template<slot>.bmp"; a wrong size
    // or depth leaves the slot empty; an empty slot 0 gets the synthetic one.
    // Steps out of use hold none.
    void LoadTemplates();
    // Ignore-point masks of every step in use from "ignorepoint.bmp"
    // (converted to 8 bit when stored otherwise; wrong size: nothing ignored).
    // A step without points keeps no mask (empty: nothing ignored).
    void LoadIgnorePoint();
    // Follows the steps in use (start-up, and whenever the procedure or the
    // settings change them): a step newly in use gets its templates and
    // ignore points, a step out of use gives them back. A step whose memory
    // cannot be had is refused.
    void SyncSteps();
    // The step cannot keep its templates or images: warned once, its memory
    // given back, and every judgement of it is NG until it is in use again
    // with its memory.
    void RefuseStep(int step);
    // The grey or hue plane and the found-pixel overlay, made (zeroed, of the
    // working size) on first use.
    cv::Mat& GrayImage();
    cv::Mat& NgOverlay();
    // The ignore-point mask of a step, made (nothing ignored) when the step has none.
    cv::Mat& IgnoreMask(int step);
    // Writes the step's ignore-point bitmap (all clear for a step in use
    // without a mask); false when it could not be written.
    bool SaveIgnorePoint(int step);
    // The newest frame becomes template 0 of the step, on disk and then in
    // memory (alignImage is overwritten with it too); false, with the
    // template in memory unchanged, when the file could not be written.
    bool SaveReTrainImage(int step);
    // Writes a frame or template plane (8-bit, or 4 bytes per pixel in
    // colour) as a bitmap at path, as every template bitmap is written; any
    // thread. A path outside the set of templates (a file that is renamed
    // into it afterwards). False when it could not be written.
    static bool WriteBitmap(const cv::Mat& plane, const QString& path);
    // The grey or hue plane the inspection reads of a frame; any thread.
    static cv::Mat PlaneOf(const cv::Mat& frame, bool colour, bool greyHue);
    // The frame becomes template `slot` of the step, on disk and then in
    // memory (and the reporting link is told); false, with memory unchanged,
    // when the file could not be written. The slot's use flags are the
    // caller's.
    bool PutTemplate(int step, int slot, const cv::Mat& frame);
    // Writes the template bitmap of a used slot from its buffer (and tells
    // the reporting link); false when it could not be written (a colour
    // picture waiting to be written is then dropped, the slot keeps its plane).
    bool SaveTemplate(int step, int slot);
    // Template buffer of a slot to write, made (zeroed) when the slot has
    // none yet. Colour: a picture of its own (zeroed), which the slot keeps
    // only as its plane, taken when the slot is next read or saved or another
    // template is written (TakePicture).
    cv::Mat& TemplateImage(int step, int slot);
    // A colour template just written becomes its slot's plane.
    void TakePicture() const;
    // The 8-bit plane the inspection works on for a used template slot (the
    // grey or hue plane of a colour template); empty for an unused slot.
    cv::Mat TemplatePlane(int step, int slot) const;
    // The template as shown: colour templates read from their file (the
    // picture just written, or the synthetic one, from memory).
    cv::Mat TemplatePicture(int step, int slot) const;

    // The aligned frame joins the step's ring of the three newest NG frames.
    void KeepRecentNG(int step);

    // A frame buffer about to be overwritten: when something else still
    // shares it (the view shows it), it is replaced by a buffer of its own
    // first, so what is shown never changes under the viewer.
    static void Detach(cv::Mat& m);

    // Removes region r of `step` from the edit store and moves later regions
    // down; the ignore points in its image box are cleared only when the edit
    // is saved (ApplyIgnoreClears). An index outside the step's regions
    // changes nothing (false).
    bool DeleteROI(int step, int r);
    // After a saved edit: the ignore points of the deleted regions' boxes are
    // cleared and the bitmaps written. A step whose bitmap cannot be written
    // keeps its points (as on disk), and the operator and the journal are
    // told, once for all such steps; false then. Dropped instead when the
    // edit is.
    bool ApplyIgnoreClears();
    // Tells bitmap failures (texts of the rows above): each journaled, all
    // shown in one box.
    static void TellBitmapFailures(const QStringList& texts);
    void DropIgnoreClears();
    // Edit masks take the live masks (shared pixels; masks are only ever
    // replaced, never written in place).
    void BackMask();
    // Live masks take the edit masks, except for the steps CopyPara produces.
    void RestorMask();
    // Copies the paired steps inside the live store by the procedure.
    void CopyPara();
    // The same copy inside any store, without the masks (the store to save).
    static void CopyParaOf(CammerSingleton& store);

    // Number of NG rectangles stored for a region.
    int NgRectCount(int step, int r) const { return ngRects[step][r][0][0]; }

    // The engine asks for a repaint after a preview; the view repaints.
    virtual void RequestRepaint() {}

    int cameraIndex;
    std::unique_ptr<CammerSingleton> liveRegions;
    std::unique_ptr<CammerSingleton> editRegions;
    std::unique_ptr<CammerRecong> recong;
    cv::Mat liveMasks[kStepCount][kRegionCount];
    cv::Mat editMasks[kStepCount][kRegionCount];

    cv::Mat curImage;   // newest frame (buffer address never changes)
    cv::Mat alignImage; // the frame aligned to the template
    cv::Mat grayImage;  // grey or hue plane of a colour frame (colour only; see GrayImage)
    cv::Mat ngOverlay;  // pixels found by the last judgement or preview (see NgOverlay)

    bool roiOK[kStepCount][kRegionCount];
    bool allOK = true;
    int roiValue[kStepCount][kRegionCount];
    // Per region 100 rectangles (x1, y1, x2, y2) in image coordinates; the
    // first int of slot 0 is the number n of rectangles in slots 1..n.
    std::unique_ptr<int[][kRegionCount][100][4]> ngRects;
    bool previewShown = false;

    cv::Mat ignoreMask[kStepCount]; // non-zero: never judged; empty: no points
    std::vector<QRect> ignoreClears[kStepCount]; // boxes of regions deleted in the edit
    bool stepLoaded[kStepCount] = {};  // templates and ignore points are held
    bool stepRefused[kStepCount] = {}; // no memory for the step: judged NG
    // Per slot the template; colour cameras keep its grey or hue plane only.
    mutable std::vector<cv::Mat> templateImages[kStepCount];
    std::vector<int> templateUsed[kStepCount];
    int templateCount[kStepCount];
    int curTemplate = 0;

    // Moved on whenever a step's templates change in memory (read by
    // trainings that run off the GUI thread, to tell whether they still fit).
    std::atomic<unsigned> templateEpoch[kStepCount] = {};
    // Template `slot` of the step becomes `plane` (the grey or hue plane of a
    // template written elsewhere); the step's templates move on.
    void InstallTemplatePlane(int step, int slot, const cv::Mat& plane);

    cv::Mat recentNG[kStepCount][3];
    int recentNGCount[kStepCount];
    int recentNGIndex = 0;

    int selectedRegion = -1;
    // The last template the cycle wrote (sampling, automatic update) could
    // not be written: told once, until a write succeeds again.
    bool templateWriteFailed = false;
    // The cycle's template write: told the first time it fails, until one
    // succeeds. True when written.
    bool CycleTemplateWrite(int step);

private:
    static void copySteps(CammerSingleton& s, cv::Mat (*masks)[kRegionCount]);
    mutable cv::Mat picture_; // colour template being written (see TemplateImage)
    mutable int pictureStep_ = -1, pictureSlot_ = -1;
    bool syntheticTemplate_[kStepCount] = {}; // slot 0 made, not loaded
    void loadTemplates(int step, bool inUse);
    void loadIgnorePoint(int step, bool inUse);
};
