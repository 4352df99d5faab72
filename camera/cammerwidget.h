#pragma once
// The view of one camera slot: the camera (opened and started through its
// driver), the inspection data of the camera (templates, ignore points, the
// two region stores and the engine), and the widget that paints the live
// image, the results, the NG overlay, the countdown and the status texts.
//
// A view above slot 0 whose camera does not open stays a shell: it keeps
// only its frame buffers and is never laid out as a camera. Slot 0 is always
// complete.
#include "cameradriver/cameradriver.h"
#include "inspection/cammerdata.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

class CheckBox;
class ColorButton;
class ComboBox;
class QLabel;
class QPainter;
class QPushButton;
class QTimer;
class Slider;
class roiOperation;
struct ViewState;

// Image source of the region editor and the alarm review: -1 live view, 0
// template of the edit step, 1 live or alarm image, 2 recent NG frames, 3
// stored OK pictures, 4 stored NG pictures.
extern int gSource;
// File time of the template shown in the editor ("yyyy-MM-dd hh.mm.ss").
extern QString gTempTime;

class CammerWidget : public QWidget, public CameraDriver, public CammerData {
    Q_OBJECT
public:
    CammerWidget(int slot, QWidget* parent = nullptr);
    ~CammerWidget() override;

    using CameraDriver::cameraIndex;

    // True when the view has its inspection data (slot 0, or a camera opened).
    bool isComplete() const { return bool(liveRegions); }

    // Bit 0 shows the two template buttons, bit 1 the drawing toolbar.
    void ShowHideTool(int bits);
    void DeleteAllFailImage() {}

    // A stored picture of the working size becomes the camera's newest
    // frame (receive buffer, curImage and showImage); pictures of another
    // size are refused. Used for the demonstration views without cameras.
    bool LoadFrame(const QString& path);

    // Widget point of the selected view -> image point and the pixel there,
    // into the main window's cursor readout.
    void MUpdateXYV(int x, int y);

    // Text of detection step d for the current procedure.
    static QString StepName(int d);
    // The limit shown in a region's label (defect area, similarity score,
    // grey range or maximum area).
    static QString LimitText(const CammerSingleton& regions, int step, int r);
    // "%1: %2 / %3 " with the limit for steps of up to ten regions, else "%1: %2".
    static QString RegionLabel(const CammerSingleton& regions, int step, int r, int value);

    std::vector<unsigned char> showImage; // gColorLen: what the view shows
    // The display copy of showImage that overlays are written into
    // (W x H x 4 bytes, Qt RGB32), and its image.
    cv::Mat showRGBA;
    QImage showQImage;

    QPixmap camNumIcon;
    QPushButton* previousTemplateButton = nullptr;
    QPushButton* nextTemplateButton = nullptr;
    roiOperation* drawingBar = nullptr;

    // Region panel (shown by the region editor; hidden until then).
    Slider* minSizeSlider = nullptr;
    Slider* sensibilitySlider = nullptr;
    Slider* maxAreaSlider = nullptr;
    QLabel* funcLabel = nullptr;
    ColorButton* funcButton = nullptr;
    ColorButton* graySwitchButton = nullptr;
    ComboBox* outputCombo = nullptr;
    ColorButton* roiSwitchButton = nullptr;
    ColorButton* objectButton = nullptr;
    ColorButton* nudgeButtons[4] = {};
    ColorButton* moveButtons[4] = {};
    ColorButton* moveAllButton = nullptr;
    CheckBox* cavityBoxes[8] = {};

    QTimer* blinkTimer = nullptr;
    int blinkPhase = 0; // 1: the NG pixels are painted red

    // Per step: not judged in the current cycle; to be sampled as template;
    // a template was added from the library.
    bool noDetect[8] = {};
    bool samplePending[8] = {};
    bool templateAdded[8] = {};

    // Touch-editing state.
    int previousRegion = -1;
    int handleIndex = -1;
    int drawState = 0;
    bool shapeDrag = false;
    bool gestureActive = false;
    bool touchDown = false;
    ClustomRect workRect;
    Circle workRing;
    std::vector<QPoint> polyPoints;
    int polyCount = 0;
    int moveMode = 0;
    int nudgeTarget = 0;
    bool editMaxGray = false;

public slots:
    // The aligned frame with the verdict, the regions and their values, for
    // the image writer (kind 0 NG, 1 OK).
    void SaveFailImage(int step, int kind);
    // Writes how the alarm was cleared on the stored image and advances the
    // step's image code.
    void UpdateFailImage(int step, int kind);
    void TimerShowAlarm();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

    void RequestRepaint() override { update(); }
    void onCameraLost() override;

private:
    void buildPanel();
    // A frame of the working size (gColorLen bytes) into showRGBA.
    void toRGBA(const unsigned char* frame, size_t len);
    void paintRecordPictures(QPainter& p, const ViewState& st);
    void paintRecentNG(QPainter& p, const ViewState& st);
    void paintCameraImage(QPainter& p, const ViewState& st);
    // Pixels of box (inclusive, image) whose mask byte is set take colour.
    void overlay(const QRect& box, const cv::Mat& mask, unsigned colour);
};
