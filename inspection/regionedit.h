#pragma once
// Touch editing of one view's regions: the press, move and release gestures
// that select, move, reshape and draw regions in the edit store, and the
// operations behind the region panel's controls. Plain logic in view
// coordinates over the view's edit store and edit masks; the camera view
// feeds it touches and the panel shows what it leaves selected.
//
// Every point that enters a shape is kept inside the display area, so no
// region can reach outside the image.
#include "inspection/cammerdata.h"

#include <QPoint>
#include <QSize>
#include <vector>

class WizardPara;

enum DrawTool { ToolSelect = 0, ToolRect = 1, ToolPolygon = 2, ToolRing = 4 };

// The editor's drawing tools. The main window keeps them; the editor's tool
// buttons set them and touches read and reset them.
struct EditTools {
    int drawTool = ToolSelect;
    bool copyAreaMode = false; // the next press copies a region to the touched point
    bool freeHandMode = false; // the polygon tool draws free hand
};

// Gesture states.
enum DrawState { DrawIdle = 0, DrawDrawing = 1, DrawMoving = 2, DrawHandle = 3, DrawPressed = 5 };

// What a touch leaves for the view to do.
struct TouchResult {
    int cursor = -1;           // Qt::CursorShape to show; -1 keeps the cursor
    bool panelRefresh = false; // the region panel follows the selection
    bool repaint = false;
    bool pan = false;          // a drag outside any gesture pans a zoomed view
};

// A slider of the region panel for a detection method: range and title
// (text row); `set` false leaves the slider as it was.
struct SliderSetup {
    bool set = false;
    int min = 0;
    int max = 0;
    int titleRow = -1;
};
struct MethodPanel {
    SliderSetup minSize;
    SliderSetup sensibility;
    SliderSetup maxArea;
    int funcRow; // text of the method button
};
MethodPanel PanelFor(int method);

// Number of detection methods switched on in the record (the method button
// shows from two on).
int EnabledMethodCount(const WizardPara& p);
// The method after `current` in the cycle 0 .. 8 whose switch is on, the
// current one last; -1 when no switch is on.
int NextMethod(int current, const WizardPara& p);
// Top of the panel: below the region when it fits above the bottom bar, else
// above it, else as low as it fits. top and bottom in view rows, h its height.
int PanelTop(int top, int bottom, int h);
// Point p kept inside the display area.
QPoint ClampToView(QPoint p);

class RegionEditor {
public:
    static constexpr int kMaxPolyPoints = RePolygon::MaxPoints; // 8096

    explicit RegionEditor(CammerData& data);

    // Touches, in view coordinates, on `step` of the edit store. The press
    // and move points are clamped to the display area first.
    TouchResult Press(QPoint p, int step, EditTools& tools);
    TouchResult Move(QPoint p, int step, EditTools& tools, QSize widget);
    TouchResult Release(int step, EditTools& tools);

    // Ends a point-by-point polygon of three or more points as a new region.
    TouchResult SavePolygon(int step, EditTools& tools);
    // After the operator agreed: a copy of the selected region (else the one
    // selected before the last deselection, else the last) placed at p.
    TouchResult CopyArea(QPoint p, int step);
    // "ROI Switch": the next region under the point that made the selection.
    TouchResult NextROI(int step, EditTools& tools);
    // No selection, no gesture, no tool.
    void DeselectROI(int step, EditTools& tools);

    // Hit tests on `step`.
    bool PtInRegion(QPoint p, int step) const;
    bool PtInRect(QPoint p, int step);
    bool PtInRectMove(QPoint p, int step) const;
    bool GetSelectedRect(int step);

    // ---- region panel, on the selected region of `step` (none: nothing)
    // minSizeSlider: for a spot region the grey bound being edited (low byte
    // minimum, high byte maximum), else min_size.
    void SetMinSize(int step, int v);
    void SetSensitivity(int step, int v);
    void SetArea(int step, int v);
    // Output numbers exist once for all steps and are edited on step 0 only.
    bool SetOutput(int step, int v);
    // What minSizeSlider shows.
    int MinSizeShown(int step) const;
    void ToggleGreyBound() { editMaxGray = !editMaxGray; }
    // The next enabled method with its starting parameters.
    bool ChangeFunc(int step, const WizardPara& p);
    // The next part of the shape for the nudge buttons.
    void ChangeObject(int step);
    int PartCount(int step) const;
    // Nudge k (0..3, the button order) of the chosen part. A rectangle never
    // turns inside out and a ring keeps a radius of at least 1: such a nudge
    // is refused (false).
    bool Nudge(int k, int step);
    // Moves the selected region, or every region of the step in move mode 2.
    // False when a polygon would come closer than 3 px to the widget's edge:
    // the move stops there (regions moved before stay moved).
    bool MoveRegions(int dx, int dy, int step, QSize widget);
    void CycleMoveMode(int step);

    bool hasSelection(int step) const;
    int selectedKind(int step) const;

    CammerData& data;
    int previousRegion = -1;
    int drawState = DrawIdle;
    int handleIndex = -1;
    bool shapeDrag = false;     // a rectangle or ring gesture is under way
    bool gestureActive = false; // a polygon is drawn, moved or reshaped
    bool touchDown = false;
    ClustomRect workRect;
    Circle workRing;
    QPoint gestureStart;
    QPoint gestureCurrent;
    QPoint lastTouch;
    std::vector<QPoint> polyPoints;
    int polyCount = 0;
    int moveMode = 0;   // 0 panel shown, 1 panel hidden, 2 every region moves
    int nudgeTarget = 0;
    bool editMaxGray = false;

    // One time stamp for every view: a polygon moves at most once per 30 ms.
    static qint64 lastPolygonMoveMs;

private:
    CammerSingleton& store() const { return *data.editRegions; }
    bool validRegion(int step, int r) const;
    void setSelected(int step, int r, bool on);
    bool isSelected(int step, int r) const;
    bool contains(int step, int r, QPoint p) const;
    bool onHandle(int step, int r, QPoint p, int* handle) const;
    void rebuild(int step, int r);
    void newRegionParams(int step, int n, bool polygon);
    TouchResult pressSelect(QPoint p, int step);
    TouchResult hover(QPoint p, int step);
};
