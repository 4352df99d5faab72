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
#include "inspection/regionedit.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

class CammerWidget;
class QPainter;
class QPushButton;
class QTimer;
struct ViewState;

// Image source of the region editor and the alarm review: -1 live view, 0
// template of the edit step, 1 live or alarm image, 2 recent NG frames, 3
// stored OK pictures, 4 stored NG pictures.
extern int gSource;
// File time of the template shown in the editor ("yyyy-MM-dd hh.mm.ss").
extern QString gTempTime;

// What a view needs of the region panel that the region editor attaches to it.
class RegionPanelBase {
public:
    virtual ~RegionPanelBase() = default;
    // Shows the controls of the selected region next to it, or hides them
    // when nothing is selected.
    virtual void ShowHideROIPara() = 0;
    virtual void ShowHideCheckBox(bool shown) = 0;
    // Ticks the cavity boxes from a row of the edit store's cavity flags.
    virtual void SetCheckBoxState(int row) = 0;
};

// The drawing toolbar and the region panel of a view come with the region
// editor, which installs their maker before the views are made; a view made
// without one has neither.
using ViewPartsMaker = void (*)(CammerWidget* view);
void setViewPartsMaker(ViewPartsMaker maker);

class CammerWidget : public QWidget, public CameraDriver, public CammerData {
    Q_OBJECT
public:
    CammerWidget(int slot, QWidget* parent = nullptr);
    ~CammerWidget() override;

    using CameraDriver::cameraIndex;
    using CammerData::DeleteROI;

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

    // The view's status line into its title-bar row (cameras 1 to 4), as
    // the paint writes it: for a change the operator must see before the
    // next frame repaints the view.
    void showStatus();

    // Text of detection step d for the current procedure.
    static QString StepName(int d);
    // The limit shown in a region's label (defect area, similarity score,
    // grey range or maximum area).
    static QString LimitText(const CammerSingleton& regions, int step, int r);
    // "%1: %2 / %3 " with the limit for steps of up to ten regions, else "%1: %2".
    static QString RegionLabel(const CammerSingleton& regions, int step, int r, int value);

    // What the view shows: the newest frame, a template or a recent NG
    // frame. It shares the frame it shows instead of holding a copy.
    cv::Mat showImage;
    // The shown frame with its overlays at the size the view paints it, as
    // far as the zoom shows it; remade by every paint.
    QImage display;
    // The full-size copy of the display that the reporting link shares
    // (W x H x 4 bytes, Qt RGB32), only while the link shares this view.
    cv::Mat linkFrame;

    QPixmap camNumIcon;
    QPushButton* previousTemplateButton = nullptr;
    QPushButton* nextTemplateButton = nullptr;
    QWidget* drawingBar = nullptr;     // the drawing toolbar (with the editor)
    RegionPanelBase* panel = nullptr;  // the region panel (with the editor)

    QTimer* blinkTimer = nullptr;
    int blinkPhase = 0; // 1: the NG pixels are painted red

    // Per step: not judged in the current cycle; to be sampled as template;
    // a template was added from the library.
    bool noDetect[8] = {};
    bool samplePending[8] = {};
    bool templateAdded[8] = {};

    // Touch editing of the edit store and the panel's state.
    RegionEditor edit;

public slots:
    // The aligned frame with the verdict, the regions and their values, for
    // the image writer (kind 0 NG, 1 OK).
    void SaveFailImage(int step, int kind);
    // Writes how the alarm was cleared on the stored image and advances the
    // step's image code.
    void UpdateFailImage(int step, int kind);
    void TimerShowAlarm();

    // Region editing (the edit store of the editor's step).
    void ShowHideROIPara();
    void ShowHideCheckBox(bool shown);
    void SetCheckBoxState(int row);
    void DeselectROI();
    void SavePolygon();
    void SlotCopyArea(QPoint p);
    void SlotNextROI();
    // Removes region r of the editor's step from the edit store.
    bool DeleteROI(int r);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    void RequestRepaint() override { update(); }
    void onCameraLost() override;

private:
    // A widget point of the view shown alone in view coordinates.
    static QPoint viewPoint(int xr, int yr, const ViewState& st);
    // The editor's tools from the host, and back after a touch.
    EditTools tools(const ViewState& st) const;
    void apply(const TouchResult& r, const EditTools& before, const EditTools& after);
    // Pixels of box (inclusive, image coordinates) whose mask byte is set
    // take colour.
    struct Overlay {
        QRect box;
        const cv::Mat* mask;
        quint32 colour;
    };
    // showImage with the overlays into `display`, sampled as the painter
    // scales it into the view (with the zoom of the selected view); pixels
    // outside the frame stay transparent. The link's copy too, when shared.
    void compose(const ViewState& st, const std::vector<Overlay>& overlays);
    void paintRecordPictures(QPainter& p, const ViewState& st);
    void paintRecentNG(QPainter& p, const ViewState& st);
    void paintCameraImage(QPainter& p, const ViewState& st);
    // The status of the run and cycle, and its colour.
    static QString statusText(const ViewState& st, QColor* colour);
};
