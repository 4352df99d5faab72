#include "inspection/regionedit.h"

#include "inspection/cammerrecongnize.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/vision/vision.h"

#include <Qt>
#include <climits>
#include <cstdlib>

qint64 RegionEditor::lastPolygonMoveMs = LLONG_MIN / 2;

namespace {

constexpr int kKeep = INT_MIN; // the value stays as it is
constexpr int kLimitRow = 36;  // "The total number of area is limited ..."
constexpr int kPolygonPointsRow = 35;
constexpr int kCopyQuestionRow = 38;
constexpr int kCloseDistance = 9;   // a press this near the first point closes a polygon
constexpr int kMinNewSize = 9;      // a new rectangle or ring spans more than this
constexpr int kMinFreeHand = 6;     // points of a free-hand outline that is kept
constexpr int kMoveStepImagePx = 3; // smallest step of a dragged region, image pixels
constexpr int kPolygonMoveMs = 30;

void keepOrSet(int& field, int v)
{
    if (v != kKeep)
        field = v;
}

int stepCount(const CammerSingleton& s, int step)
{
    return std::max(0, std::min(kRegionCount, s.roiCount[step]));
}

bool movedFarEnough(QPoint from, QPoint to)
{
    return std::abs(from.x() - to.x()) / gShowAW >= kMoveStepImagePx ||
           std::abs(from.y() - to.y()) / gShowAH >= kMoveStepImagePx;
}

int handleCursor(int handle)
{
    switch (handle) {
    case 0:
    case 7:
        return Qt::SizeFDiagCursor;
    case 2:
    case 5:
        return Qt::SizeBDiagCursor;
    case 1:
    case 6:
        return Qt::SizeVerCursor;
    case 3:
    case 4:
        return Qt::SizeHorCursor;
    default:
        return -1;
    }
}

} // namespace

// ---------------------------------------------------------------- tables

MethodPanel PanelFor(int method)
{
    auto s = [](int min, int max, int row) { return SliderSetup{true, min, max, row}; };
    const SliderSetup keep;
    switch (method) {
    case MethodSpot:
        return {s(0, 255, 10), s(0, 99999, 13), s(0, 99999, 14), 15};
    case MethodIgnore:
        return {s(0, 255, 16), s(0, 255, 16), s(0, 255, 16), 17};
    case MethodPosition:
        return {s(1, 100, 20), s(1, 32, 16), s(1, 100, 16), 21};
    case MethodBlackArea:
        return {keep, s(0, 255, 11), s(0, 50000, 24), 392};
    case MethodWhiteArea:
        return {keep, s(0, 255, 10), s(0, 50000, 24), 393};
    case MethodSimilarity:
        return {keep, s(0, 100, 362), keep, 398};
    case MethodWhiteNum:
        return {s(1, 100, 22), s(0, 255, 10), s(0, 100, 522), 521};
    case MethodDirection:
        return {s(0, 1, 22), s(0, 50000, 13), s(0, 50000, 14), 561};
    default:
        return {s(1, 10, 22), s(0, 255, 23), s(0, 1000, 24), 25};
    }
}

namespace {

bool methodSwitch(const WizardPara& p, int m)
{
    switch (m) {
    case MethodDefect:
        return p.enable_defect_detect;
    case MethodSpot:
        return p.enable_spot_detect;
    case MethodIgnore:
        return p.enable_ignore_area;
    case MethodPosition:
        return p.enable_manual_edit;
    case MethodBlackArea:
        return p.enable_black_area;
    case MethodWhiteArea:
        return p.enable_white_area;
    case MethodSimilarity:
        return p.enable_similarity;
    case MethodWhiteNum:
        return p.enable_white_num;
    case MethodDirection:
        return p.enable_direction_check;
    default:
        return false;
    }
}

} // namespace

int EnabledMethodCount(const WizardPara& p)
{
    int n = 0;
    for (int m = 0; m <= MethodDirection; ++m)
        n += methodSwitch(p, m) ? 1 : 0;
    return n;
}

int NextMethod(int current, const WizardPara& p)
{
    const int methods = MethodDirection + 1;
    const int c = ((current % methods) + methods) % methods;
    for (int i = 1; i <= methods; ++i) {
        const int m = (c + i) % methods;
        if (methodSwitch(p, m))
            return m;
    }
    return -1;
}

int PanelTop(int top, int bottom, int h)
{
    if (bottom + h < gShowH - 70)
        return bottom + 5;
    if (h < top)
        return top - h;
    return gShowH - 70 - h;
}

QPoint ClampToView(QPoint p)
{
    int x = p.x(), y = p.y();
    CheckInRange(&x, 1);
    CheckInRange(&y, 0);
    return QPoint(x, y);
}

// ---------------------------------------------------------------- shapes of the store

RegionEditor::RegionEditor(CammerData& d) : data(d), polyPoints(kMaxPolyPoints) {}

bool RegionEditor::validRegion(int step, int r) const
{
    return data.editRegions && step >= 0 && step < kStepCount && r >= 0 && r < stepCount(store(), step);
}

bool RegionEditor::hasSelection(int step) const { return validRegion(step, data.selectedRegion); }

int RegionEditor::selectedKind(int step) const
{
    return hasSelection(step) ? store().shapeType[step][data.selectedRegion] : 0;
}

void RegionEditor::setSelected(int step, int r, bool on)
{
    CammerSingleton& s = store();
    switch (s.shapeType[step][r]) {
    case ShapeRect:
        s.rects[step][r].SetSelected(on);
        break;
    case ShapeRing:
        s.circles[step][r].SetSelected(on);
        break;
    case ShapePolygon:
        s.polygons[step][r].SetSelected(on);
        break;
    default:
        break;
    }
}

bool RegionEditor::isSelected(int step, int r) const
{
    const CammerSingleton& s = store();
    switch (s.shapeType[step][r]) {
    case ShapeRect:
        return s.rects[step][r].IsSelected();
    case ShapeRing:
        return s.circles[step][r].IsSelected();
    case ShapePolygon:
        return s.polygons[step][r].IsSelected();
    default:
        return false;
    }
}

bool RegionEditor::contains(int step, int r, QPoint p) const
{
    const CammerSingleton& s = store();
    switch (s.shapeType[step][r]) {
    case ShapeRect:
        return s.rects[step][r].Contains(p);
    case ShapeRing:
        return s.circles[step][r].Contains(p);
    case ShapePolygon:
        return s.polygons[step][r].Contains(p);
    default:
        return false;
    }
}

bool RegionEditor::onHandle(int step, int r, QPoint p, int* handle) const
{
    const CammerSingleton& s = store();
    *handle = -1;
    switch (s.shapeType[step][r]) {
    case ShapeRect:
        return s.rects[step][r].PtInCtrl(p, handle);
    case ShapeRing:
        return s.circles[step][r].PtInCtrl(p, handle);
    case ShapePolygon:
        return s.polygons[step][r].PtInCtrl(p, handle);
    default:
        return false;
    }
}

// Image geometry and mask follow the view geometry.
void RegionEditor::rebuild(int step, int r) { data.editMasks[step][r] = store().UpdateMask(step, r); }

void RegionEditor::newRegionParams(int step, int n, bool polygon)
{
    CammerSingleton& s = store();
    if (n > 0) {
        s.min_size[step][n] = s.min_size[step][n - 1];
        s.sensibility[step][n] = s.sensibility[step][n - 1];
        s.max_area[step][n] = s.max_area[step][n - 1];
        s.algorithm[step][n] = s.algorithm[step][n - 1];
        return;
    }
    struct Row {
        int32_t WizardPara::*on;
        int method, minSize, sensibility, maxArea;
        bool polygonToo;
    };
    static const Row rows[] = {
        {&WizardPara::enable_spot_detect, MethodSpot, 12800, 80, 500, true},
        {&WizardPara::enable_black_area, MethodBlackArea, kKeep, 50, 100, true},
        {&WizardPara::enable_white_area, MethodWhiteArea, kKeep, 200, 100, true},
        {&WizardPara::enable_similarity, MethodSimilarity, kKeep, 80, kKeep, true},
        {&WizardPara::enable_white_num, MethodWhiteNum, 5, 128, 1, true},
        {&WizardPara::enable_direction_check, MethodDirection, 1, 5000, 10000, false},
    };
    Row chosen{nullptr, MethodDefect, 5, 25, 100, true};
    if (gpWPara) {
        for (const Row& row : rows) {
            if (gpWPara->*row.on && (row.polygonToo || !polygon)) {
                chosen = row;
                break;
            }
        }
    }
    s.algorithm[step][n] = chosen.method;
    keepOrSet(s.min_size[step][n], chosen.minSize);
    keepOrSet(s.sensibility[step][n], chosen.sensibility);
    keepOrSet(s.max_area[step][n], chosen.maxArea);
}

// ---------------------------------------------------------------- hit tests

bool RegionEditor::PtInRegion(QPoint p, int step) const
{
    if (!hasSelection(step))
        return false;
    int h;
    return contains(step, data.selectedRegion, p) || onHandle(step, data.selectedRegion, p, &h);
}

bool RegionEditor::PtInRect(QPoint p, int step)
{
    if (!data.editRegions)
        return false;
    const int n = stepCount(store(), step);
    const int first = validRegion(step, data.selectedRegion) ? data.selectedRegion : 0;
    for (int i = 0; i < n; ++i) {
        const int r = (first + i) % n;
        int h;
        if (contains(step, r, p) || onHandle(step, r, p, &h)) {
            data.selectedRegion = r;
            lastTouch = p;
            return true;
        }
    }
    return false;
}

bool RegionEditor::PtInRectMove(QPoint p, int step) const
{
    if (!data.editRegions)
        return false;
    const int n = stepCount(store(), step);
    for (int r = 0; r < n; ++r) {
        int h;
        if (contains(step, r, p) || onHandle(step, r, p, &h))
            return true;
    }
    return false;
}

bool RegionEditor::GetSelectedRect(int step)
{
    if (!data.editRegions)
        return false;
    const int n = stepCount(store(), step);
    for (int r = 0; r < n; ++r) {
        if (isSelected(step, r)) {
            data.selectedRegion = r;
            return true;
        }
    }
    return false;
}

void RegionEditor::DeselectROI(int step, EditTools& tools)
{
    gestureActive = false;
    drawState = DrawIdle;
    tools.drawTool = ToolSelect;
    polyCount = 0;
    if (data.selectedRegion != -1) {
        if (validRegion(step, data.selectedRegion))
            setSelected(step, data.selectedRegion, false);
        data.selectedRegion = -1;
    }
}

TouchResult RegionEditor::NextROI(int step, EditTools& tools)
{
    TouchResult out;
    if (!data.editRegions)
        return out;
    const int n = stepCount(store(), step);
    const int from = data.selectedRegion;
    for (int i = 1; i <= n; ++i) {
        const int r = ((from + i) % n + n) % n;
        int h;
        if (contains(step, r, lastTouch) || onHandle(step, r, lastTouch, &h)) {
            DeselectROI(step, tools);
            data.selectedRegion = r;
            setSelected(step, r, true);
            out.panelRefresh = out.repaint = true;
            return out;
        }
    }
    return out;
}

// ---------------------------------------------------------------- press

TouchResult RegionEditor::pressSelect(QPoint p, int step)
{
    TouchResult out;
    out.repaint = true;
    if (!PtInRect(p, step))
        return out;
    setSelected(step, data.selectedRegion, true);
    out.cursor = Qt::SizeAllCursor;
    gestureStart = p;
    nudgeTarget = 0;
    drawState = DrawMoving;
    if (selectedKind(step) == ShapePolygon)
        gestureActive = true;
    else
        shapeDrag = true;
    return out;
}

TouchResult RegionEditor::Press(QPoint p, int step, EditTools& tools)
{
    TouchResult out;
    if (!data.editRegions || step < 0 || step >= kStepCount)
        return out;
    p = ClampToView(p);
    drawState = DrawIdle;
    touchDown = true;

    if (tools.copyAreaMode) {
        tools.copyAreaMode = false;
        return CopyArea(p, step);
    }

    switch (tools.drawTool) {
    case ToolSelect: {
        const int kind = GetSelectedRect(step) ? selectedKind(step) : 0;
        if (kind != ShapeRect && kind != ShapePolygon && kind != ShapeRing)
            return pressSelect(p, step);
        const int r = data.selectedRegion;
        out.repaint = true;
        if (!PtInRegion(p, step)) {
            // Touching beside the selection only deselects; the next press selects.
            previousRegion = r;
            data.selectedRegion = -1;
            out.cursor = Qt::CrossCursor;
            gestureStart = p;
            setSelected(step, r, false);
        } else {
            int h;
            if (onHandle(step, r, p, &h)) {
                handleIndex = h;
                drawState = DrawHandle;
            } else {
                out.cursor = Qt::SizeAllCursor;
                drawState = DrawMoving;
            }
            gestureStart = p;
            if (kind == ShapePolygon)
                gestureActive = true;
            else
                shapeDrag = true;
        }
        return out;
    }
    case ToolRect:
    case ToolRing:
        out.cursor = Qt::CrossCursor;
        gestureStart = gestureCurrent = p;
        if (tools.drawTool == ToolRect)
            workRect.viewRect = QRect(p, p);
        else
            workRing.viewRect = QRect(p, p);
        drawState = DrawPressed;
        shapeDrag = true;
        return out;
    case ToolPolygon:
        out.cursor = Qt::CrossCursor;
        gestureStart = gestureCurrent = p;
        drawState = DrawDrawing;
        gestureActive = true;
        out.repaint = true;
        if (tools.freeHandMode)
            return out; // free hand collects its points while moving
        if (polyCount >= kMaxPolyPoints) {
            polyCount = kMaxPolyPoints - 1;
            host::showWarning(LanStr(kPolygonPointsRow));
        } else if (polyCount > 0 && std::abs(p.x() - polyPoints[0].x()) <= kCloseDistance &&
                   std::abs(p.y() - polyPoints[0].y()) <= kCloseDistance) {
            // Back at the first point: the polygon tool's own action closes it.
            tools.copyAreaMode = false;
            tools.freeHandMode = false;
            if (tools.drawTool == ToolPolygon)
                out = SavePolygon(step, tools);
            out.cursor = Qt::CrossCursor;
            out.repaint = true;
        } else {
            polyPoints[size_t(polyCount++)] = p;
        }
        return out;
    default:
        return out;
    }
}

// ---------------------------------------------------------------- move

TouchResult RegionEditor::hover(QPoint p, int step)
{
    TouchResult out;
    const int kind = selectedKind(step);
    int h = -1;
    if ((kind == ShapeRect || kind == ShapeRing) && onHandle(step, data.selectedRegion, p, &h) &&
        handleCursor(h) >= 0) {
        out.cursor = handleCursor(h);
    } else if (kind == ShapePolygon && onHandle(step, data.selectedRegion, p, &h)) {
        out.cursor = Qt::SizeFDiagCursor;
    } else if (PtInRectMove(p, step)) {
        out.cursor = Qt::SizeAllCursor;
    } else {
        out.cursor = Qt::ArrowCursor;
        out.pan = true;
    }
    return out;
}

TouchResult RegionEditor::Move(QPoint p, int step, EditTools& tools, QSize widget)
{
    TouchResult out;
    if (!data.editRegions || step < 0 || step >= kStepCount)
        return out;
    p = ClampToView(p);
    GetSelectedRect(step);
    CammerSingleton& s = store();
    const int r = data.selectedRegion;
    const int kind = selectedKind(step);

    if (shapeDrag) {
        QRect* second = tools.drawTool == ToolRing ? &workRing.viewRect : &workRect.viewRect;
        switch (drawState) {
        case DrawHandle:
            gestureCurrent = p;
            if (kind == ShapeRect) {
                s.rects[step][r].Resize(handleIndex, gestureStart, gestureCurrent);
                CheckInRange(&s.rects[step][r].viewRect, false);
            } else if (kind == ShapeRing) {
                Circle& c = s.circles[step][r];
                c.Resize(handleIndex, gestureStart, gestureCurrent);
                CheckInRange(&c.viewRect, false);
                c.UpdateAll();
            }
            gestureStart = p;
            break;
        case DrawPressed:
            drawState = DrawDrawing;
            [[fallthrough]];
        case DrawDrawing:
            second->setBottomRight(p);
            if (tools.drawTool == ToolRing)
                workRing.UpdateAll();
            break;
        case DrawMoving:
            if (movedFarEnough(gestureStart, p)) {
                gestureCurrent = p;
                const QPoint d = p - gestureStart;
                if (kind == ShapeRect) {
                    s.rects[step][r].viewRect.translate(d);
                    CheckInRange(&s.rects[step][r].viewRect, true);
                } else if (kind == ShapeRing) {
                    Circle& c = s.circles[step][r];
                    c.viewRect.translate(d);
                    CheckInRange(&c.viewRect, true);
                    c.UpdateAll();
                }
                gestureStart = p;
            }
            break;
        default:
            break;
        }
        out.repaint = true;
    } else if (!gestureActive) {
        return hover(p, step);
    }

    if (gestureActive) {
        if (drawState == DrawMoving && touchDown && kind == ShapePolygon) {
            const qint64 now = platform::Clock::instance().monotonicMs();
            if (now - lastPolygonMoveMs < kPolygonMoveMs)
                return out;
            lastPolygonMoveMs = now;
            if (movedFarEnough(gestureStart, p)) {
                gestureCurrent = p;
                RePolygon& poly = s.polygons[step][r];
                const QPoint d = p - gestureStart;
                bool inside = true;
                for (int i = 0; i < poly.count && inside; ++i) {
                    const QPoint v = poly.viewPoints[size_t(i)] + d;
                    inside = v.x() >= 3 && v.x() <= widget.width() - 4 && v.y() >= 3 && v.y() <= widget.height() - 4;
                }
                if (inside) {
                    for (int i = 0; i < poly.count; ++i)
                        poly.viewPoints[size_t(i)] += d;
                    poly.setImageRect(); // the mask follows at the release
                    gestureStart = p;
                }
            }
        } else if (drawState == DrawHandle && touchDown && kind == ShapePolygon) {
            gestureCurrent = p;
            s.polygons[step][r].Resize(handleIndex, gestureStart, gestureCurrent, float(gShowAW), float(gShowAH));
            gestureStart = p;
        } else if (drawState == DrawDrawing && tools.freeHandMode) {
            if (polyCount < kMaxPolyPoints - 1)
                polyPoints[size_t(polyCount++)] = p;
        }
        out.repaint = true;
    }
    return out;
}

// ---------------------------------------------------------------- release

TouchResult RegionEditor::Release(int step, EditTools& tools)
{
    TouchResult out;
    out.panelRefresh = out.repaint = true;
    if (!data.editRegions || step < 0 || step >= kStepCount) {
        touchDown = false;
        return out;
    }
    CammerSingleton& s = store();

    if (shapeDrag) {
        if (drawState == DrawDrawing) {
            const bool rect = tools.drawTool == ToolRect, ring = tools.drawTool == ToolRing;
            const QRect v = rect ? workRect.viewRect : workRing.viewRect;
            const bool bigEnough = (rect || ring) && v.right() - v.left() > kMinNewSize &&
                                   v.bottom() - v.top() > kMinNewSize;
            if (!bigEnough) {
                tools.drawTool = ToolSelect;
                drawState = DrawIdle;
                shapeDrag = false;
            } else if (s.roiCount[step] >= kRegionCount) {
                // The outline stays on screen until the next press.
                host::showWarning(LanStr(kLimitRow));
                shapeDrag = false;
            } else {
                const int n = std::max(0, s.roiCount[step]);
                if (rect) {
                    s.rects[step][n] = workRect;
                    s.rects[step][n].SetSelected(true);
                    s.shapeType[step][n] = ShapeRect;
                } else {
                    s.circles[step][n] = workRing;
                    s.circles[step][n].SetSelected(true);
                    s.shapeType[step][n] = ShapeRing;
                }
                rebuild(step, n);
                newRegionParams(step, n, false);
                data.roiValue[step][n] = 0;
                if (step == 0)
                    s.output_point[n] = 0;
                s.roiCount[step] = n + 1;
                data.selectedRegion = n;
                tools.drawTool = ToolSelect;
                drawState = DrawIdle;
                shapeDrag = false;
            }
        } else if (drawState == DrawPressed) {
            tools.drawTool = ToolSelect;
            drawState = DrawIdle;
            shapeDrag = false;
        } else if (drawState == DrawMoving || drawState == DrawHandle) {
            shapeDrag = false;
        }
    }

    if (drawState == DrawMoving || drawState == DrawHandle) {
        if (hasSelection(step))
            rebuild(step, data.selectedRegion);
        gestureActive = false;
        drawState = DrawIdle;
    }

    if (gestureActive && drawState == DrawDrawing && tools.freeHandMode) {
        if (polyCount < kMinFreeHand) {
            gestureActive = false;
            drawState = DrawIdle;
            tools.drawTool = ToolSelect;
            polyCount = 0;
        } else {
            SavePolygon(step, tools);
        }
    }
    touchDown = false;
    return out;
}

TouchResult RegionEditor::SavePolygon(int step, EditTools& tools)
{
    TouchResult out;
    if (drawState != DrawDrawing || tools.drawTool != ToolPolygon || !data.editRegions)
        return out;
    CammerSingleton& s = store();
    if (s.roiCount[step] >= kRegionCount) {
        host::showWarning(LanStr(kLimitRow));
        return out;
    }
    if (polyCount < 3)
        return out; // drawing goes on
    polyCount = std::min(polyCount, kMaxPolyPoints - 1);
    const int n = std::max(0, s.roiCount[step]);
    s.polygons[step][n] = RePolygon(polyCount, polyPoints.data());
    s.shapeType[step][n] = ShapePolygon;
    rebuild(step, n);
    s.polygons[step][n].SetSelected(true);
    newRegionParams(step, n, true);
    if (step == 0)
        s.output_point[n] = 0;
    data.roiValue[step][n] = 0;
    s.roiCount[step] = n + 1;
    data.selectedRegion = n;
    gestureActive = false;
    drawState = DrawIdle;
    tools.drawTool = ToolSelect;
    polyCount = 0;
    out.panelRefresh = out.repaint = true;
    return out;
}

TouchResult RegionEditor::CopyArea(QPoint p, int step)
{
    TouchResult out;
    if (!data.editRegions)
        return out;
    CammerSingleton& s = store();
    const int count = stepCount(s, step);
    if (count == 0)
        return out;
    if (!host::askChoice(LanStr(kCopyQuestionRow)))
        return out;
    if (count >= kRegionCount) {
        host::showWarning(LanStr(kLimitRow));
        return out;
    }
    p = ClampToView(p);
    int src = data.selectedRegion;
    if (!validRegion(step, src))
        src = validRegion(step, previousRegion) ? previousRegion : count - 1;
    data.selectedRegion = src;

    const int n = count;
    s.CopyRegion(s, step, src, step, n);
    switch (s.shapeType[step][n]) {
    case ShapePolygon: {
        RePolygon& poly = s.polygons[step][n];
        const QPoint first = poly.count > 0 ? poly.viewPoints[0] : QPoint();
        for (int i = 0; i < poly.count; ++i)
            poly.viewPoints[size_t(i)] = ClampToView(p + (poly.viewPoints[size_t(i)] - first));
        break;
    }
    case ShapeRing:
    case ShapeRect: {
        QRect& v = s.shapeType[step][n] == ShapeRing ? s.circles[step][n].viewRect : s.rects[step][n].viewRect;
        v.translate(p.x() - (v.left() + v.right()) / 2, p.y() - (v.top() + v.bottom()) / 2);
        CheckInRange(&v, true);
        if (s.shapeType[step][n] == ShapeRing)
            s.circles[step][n].UpdateAll();
        break;
    }
    default:
        break;
    }
    rebuild(step, n);
    setSelected(step, n, true);
    setSelected(step, src, false);
    data.roiValue[step][n] = 0;
    if (step == 0)
        s.output_point[n] = s.output_point[src];
    s.roiCount[step] = n + 1;
    data.selectedRegion = n;
    out.panelRefresh = out.repaint = true;
    return out;
}

// ---------------------------------------------------------------- region panel

void RegionEditor::SetMinSize(int step, int v)
{
    if (!hasSelection(step))
        return;
    const int r = data.selectedRegion;
    int& m = store().min_size[step][r];
    if (store().algorithm[step][r] == MethodSpot)
        m = editMaxGray ? (m & ~0xFF00) | ((v & 0xFF) << 8) : (m & ~0xFF) | (v & 0xFF);
    else
        m = v;
    if (data.recong)
        data.recong->RunTest(step, r);
}

void RegionEditor::SetSensitivity(int step, int v)
{
    if (!hasSelection(step))
        return;
    store().sensibility[step][data.selectedRegion] = v;
    if (data.recong)
        data.recong->RunTest(step, data.selectedRegion);
}

void RegionEditor::SetArea(int step, int v)
{
    if (!hasSelection(step))
        return;
    store().max_area[step][data.selectedRegion] = v;
    if (data.recong)
        data.recong->RunTest(step, data.selectedRegion);
}

bool RegionEditor::SetOutput(int step, int v)
{
    if (!hasSelection(step) || step != 0)
        return false;
    store().output_point[data.selectedRegion] = v;
    return true;
}

int RegionEditor::MinSizeShown(int step) const
{
    if (!hasSelection(step))
        return 0;
    const int m = store().min_size[step][data.selectedRegion];
    if (store().algorithm[step][data.selectedRegion] == MethodSpot)
        return editMaxGray ? (m >> 8) & 0xFF : m & 0xFF;
    return m;
}

bool RegionEditor::ChangeFunc(int step, const WizardPara& p)
{
    if (!hasSelection(step))
        return false;
    CammerSingleton& s = store();
    const int r = data.selectedRegion;
    const int m = NextMethod(s.algorithm[step][r], p);
    if (m < 0)
        return false;
    struct Start {
        int minSize, sensibility, maxArea;
    };
    static const Start starts[] = {
        {5, 25, 100},         // defect
        {12800, 80, 500},     // spot: grey range 0 .. 50
        {5, 25, 100},         // ignore area
        {10, 10, 10},         // position
        {kKeep, 50, 100},     // black area
        {kKeep, 200, 100},    // white area
        {kKeep, 80, kKeep},   // similarity
        {1, 128, 100},        // white num
        {1, 5000, 10000},     // direction
    };
    s.algorithm[step][r] = m;
    keepOrSet(s.min_size[step][r], starts[m].minSize);
    keepOrSet(s.sensibility[step][r], starts[m].sensibility);
    keepOrSet(s.max_area[step][r], starts[m].maxArea);
    editMaxGray = false;
    return true;
}

int RegionEditor::PartCount(int step) const
{
    switch (selectedKind(step)) {
    case ShapeRect:
        return 2;
    case ShapeRing:
        return 3;
    case ShapePolygon:
        return store().polygons[step][data.selectedRegion].count;
    default:
        return 1;
    }
}

void RegionEditor::ChangeObject(int step)
{
    nudgeTarget = nudgeTarget + 1 < PartCount(step) ? nudgeTarget + 1 : 0;
}

bool RegionEditor::Nudge(int k, int step)
{
    if (!hasSelection(step) || k < 0 || k > 3)
        return false;
    CammerSingleton& s = store();
    const int r = data.selectedRegion;
    // Button order: up, left, down, right (y - 1, x - 1, y + 1, x + 1).
    static const QPoint steps[4] = {{0, -1}, {-1, 0}, {0, 1}, {1, 0}};
    const QPoint d = steps[k];
    switch (s.shapeType[step][r]) {
    case ShapeRect: {
        QRect& v = s.rects[step][r].viewRect;
        QRect c = v;
        if (nudgeTarget == 0)
            c.setTopLeft(c.topLeft() + d);
        else
            c.setBottomRight(c.bottomRight() + d);
        CheckInRange(&c, false);
        // The two corners never meet or cross.
        const bool narrower = c.right() - c.left() < 1 && c.right() - c.left() < v.right() - v.left();
        const bool lower = c.bottom() - c.top() < 1 && c.bottom() - c.top() < v.bottom() - v.top();
        if (narrower || lower)
            return false;
        v = c;
        break;
    }
    case ShapeRing: {
        Circle& c = s.circles[step][r];
        const Circle before = c;
        if (nudgeTarget == 0 || nudgeTarget == 1) {
            static const int radii[4] = {10, 1, -1, -10};
            (nudgeTarget == 0 ? c.innerRadius : c.radius) += radii[k];
        } else {
            c.centreX += d.x();
            c.centreY += d.y();
        }
        c.UpdateRect();
        CheckInRange(&c.viewRect, false);
        c.UpdateAll();
        if (c.radius < 1) {
            c = before;
            return false;
        }
        break;
    }
    case ShapePolygon: {
        RePolygon& poly = s.polygons[step][r];
        if (nudgeTarget < 0 || nudgeTarget >= poly.count)
            return false;
        QPoint& v = poly.viewPoints[size_t(nudgeTarget)];
        v = ClampToView(v + d);
        break;
    }
    default:
        return false;
    }
    rebuild(step, r);
    return true;
}

bool RegionEditor::MoveRegions(int dx, int dy, int step, QSize widget)
{
    if (!data.editRegions)
        return false;
    CammerSingleton& s = store();
    std::vector<int> moved;
    if (moveMode == 2) {
        for (int r = 0; r < stepCount(s, step); ++r)
            moved.push_back(r);
    } else if (hasSelection(step)) {
        moved.push_back(data.selectedRegion);
    }
    const QPoint d(dx, dy);
    for (int r : moved) {
        switch (s.shapeType[step][r]) {
        case ShapePolygon: {
            RePolygon& poly = s.polygons[step][r];
            for (int i = 0; i < poly.count; ++i) {
                const QPoint v = poly.viewPoints[size_t(i)] + d;
                if (v.x() < 3 || v.x() > widget.width() - 4 || v.y() < 3 || v.y() > widget.height() - 4)
                    return false;
            }
            for (int i = 0; i < poly.count; ++i)
                poly.viewPoints[size_t(i)] += d;
            break;
        }
        case ShapeRing: {
            Circle& c = s.circles[step][r];
            c.viewRect.translate(d);
            CheckInRange(&c.viewRect, true);
            c.UpdateAll();
            break;
        }
        case ShapeRect:
            s.rects[step][r].viewRect.translate(d);
            CheckInRange(&s.rects[step][r].viewRect, true);
            break;
        default:
            break;
        }
        rebuild(step, r);
    }
    return true;
}

void RegionEditor::CycleMoveMode(int step)
{
    if (hasSelection(step))
        moveMode = (moveMode + 1) % 3;
}
