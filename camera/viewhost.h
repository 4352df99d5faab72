#pragma once
// What a camera view needs of the main window: the screen and cycle state it
// paints from, the zoom and pan of the view shown alone, the cursor readout,
// the title-bar rows, the camera choice of the split view and the per-step
// image codes of the annotated result image. The main window installs its
// own host at start-up; until then (tests, tools) a plain host that keeps the
// state in its own fields stands in.
#include <QImage>
#include <QString>
#include <vector>

struct EditTools;

// One snapshot of the main window, taken by the view at each paint or touch.
struct ViewState {
    int displayState = 0;   // 0 live, 1 OK shown, 2 alarm, 3 editing
    int runState = 1;       // 1 detecting, 2 sampling templates, 3 stopped
    int cyclePhase = 3;     // 1 counting down, 2 judged, 3 waiting
    int currentStep = 0;
    int editStep = 0;
    int selectedCamera = 0; // slot of the view shown alone; -1: the split view
    double panX = 0;
    double panY = 0;
    double zoomFactor = 1;
    int zoomToolState = 0;  // 2: the zoom tools are out and a drag pans
    float imageScaleX = 1;  // widget pixels per image pixel of a cell
    float imageScaleY = 1;
    float displayScaleX = 1; // cell size / display area
    float displayScaleY = 1;
    // The first detection step whose countdown timer runs, -1 none, and
    // the seconds it has left.
    int countdownStep = -1;
    float countdownSeconds = 0;
    int cursorX = 0;        // image point under the last press on the selected view
    int cursorY = 0;
    int cursorValue = 0;
    int drawTool = 0;       // region-drawing tool of the editor
    bool copyAreaMode = false; // the editor's copy tool waits for its press
    bool freeHandMode = false; // the polygon tool draws free hand
    bool tempAlarm = false; // the temperature alarm of the statistics pages
    bool safetyDoorDetection = false; // the mold step was started by the safety door
    // The camera's last cycle ended without a verdict, for want of a frame
    // newer than the step's start; until a cycle is judged again.
    bool noFreshFrame = false;
    // Per camera (of the camera asked for).
    int cycleCount = 0;
    int failCount = 0;
    int frameRate = 0;
    // Record pictures browsed in the region editor (sources 3 and 4).
    QImage picture;
    int pictureCount = 0;
    int pictureCamera = 0;
    int pictureIndex = 0;
    QString pictureName;
};

class CameraViewHost {
public:
    virtual ~CameraViewHost() = default;

    virtual ViewState state(int camera) const = 0;

    // Touch on the views.
    virtual void setCursor(int x, int y) = 0;
    virtual void setCursorValue(int value) = 0;
    virtual void setDragOrigin(int x, int y) = 0;
    virtual void dragOrigin(int* x, int* y) const = 0;
    virtual void setPan(double x, double y) = 0;
    // The editor's tools after a touch used or reset them.
    virtual void setEditTools(const EditTools& tools) = 0;
    // The split view's choice: the camera of the slot is shown alone (layout included).
    virtual void selectCamera(int camera) = 0;
    // The alarm option bar follows the camera chosen in the alarm display.
    virtual void alarmSetCamera(int camera) = 0;
    // The view's template buttons (previous, next template of the editor).
    virtual void templatePrevious() = 0;
    virtual void templateNext() = 0;

    // Title bar.
    virtual void setCameraInfo(int camera, int type, const QString& text, int kind) = 0;
    virtual void setLocation(const QString& text) = 0;

    // State of the last judgement of a camera's step and its image.
    virtual int& saveCode(int camera, int step) = 0;

    // The annotated result images handed to the image writer, per camera,
    // step and kind (0 NG, 1 OK), gImageLen x 4 bytes (RGB32) each; every
    // call takes the writer's lock for itself.
    // The step's first NG region (from 1) unless one is already recorded.
    virtual void markFirstFailure(int camera, int step, int region) = 0;
    virtual void storeFailImage(int camera, int step, int kind, const unsigned char* rgb32) = 0;
    // False when no image is kept for the slot.
    virtual bool loadFailImage(int camera, int step, int kind, unsigned char* rgb32) = 0;
};

// A host that keeps everything in its own fields.
class BasicViewHost : public CameraViewHost {
public:
    ViewState state(int camera) const override;
    void setCursor(int x, int y) override;
    void setCursorValue(int value) override;
    void setDragOrigin(int x, int y) override;
    void dragOrigin(int* x, int* y) const override;
    void setPan(double x, double y) override;
    void setEditTools(const EditTools& tools) override;
    void selectCamera(int camera) override;
    void alarmSetCamera(int) override {}
    void templatePrevious() override {}
    void templateNext() override {}
    void setCameraInfo(int, int, const QString&, int) override {}
    void setLocation(const QString&) override {}
    int& saveCode(int camera, int step) override;
    void markFirstFailure(int camera, int step, int region) override;
    void storeFailImage(int camera, int step, int kind, const unsigned char* rgb32) override;
    bool loadFailImage(int camera, int step, int kind, unsigned char* rgb32) override;

    ViewState s;
    int dragX = 0;
    int dragY = 0;
    int codes[8][8] = {};
    int failIndex[8][8] = {};
    std::vector<unsigned char> failImages[8][8][2];
};

// The installed host (a BasicViewHost until one is installed; null restores it).
void setViewHost(CameraViewHost* host);
CameraViewHost& viewHost();
