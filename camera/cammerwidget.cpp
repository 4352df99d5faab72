#include "camera/cammerwidget.h"
#include "camera/viewtext.h"

#include "camera/viewhost.h"
#include "inspection/cammerrecongnize.h"
#include "inspection/changelog.h"
#include "inspection/shapebase.h"
#include "netlink/network.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/vision/vision.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <cstring>

int gSource = -1;
QString gTempTime;

namespace {
ViewPartsMaker gPartsMaker = nullptr;
} // namespace

void setViewPartsMaker(ViewPartsMaker maker) { gPartsMaker = maker; }

namespace {

constexpr int kRowTempAlarm = 801;  // after the stopped status while a temperature is out of its window
constexpr int kRowVerdictOk = 802;  // "OK"
constexpr int kRowVerdictNg = 803;  // "NG"
constexpr int kRowNoFreshFrame = 1630; // status while a cycle ended for want of a new frame

QFont viewFont(int pixels)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(pixels);
    return f;
}

// The image box of a region's shape (the stored kind), cut to the image.
QRect regionBox(const CammerSingleton& regions, int step, int r)
{
    return shapes::clipToImage(regions.ImageRect(step, r));
}

// Anchor of a region's label: top-left of the view rectangle, or the first
// vertex of a polygon. False for an unknown shape kind.
bool labelAnchor(const CammerSingleton& regions, int step, int r, QPoint* at)
{
    switch (regions.shapeType[step][r]) {
    case ShapeRect:
        *at = regions.rects[step][r].viewRect.topLeft();
        return true;
    case ShapeRing:
        *at = regions.circles[step][r].viewRect.topLeft();
        return true;
    case ShapePolygon:
        if (regions.polygons[step][r].count <= 0 || regions.polygons[step][r].viewPoints.empty())
            return false;
        *at = regions.polygons[step][r].viewPoints.front();
        return true;
    default:
        return false;
    }
}

void drawShape(QPainter& p, const CammerSingleton& regions, int step, int r)
{
    switch (regions.shapeType[step][r]) {
    case ShapeRect:
        regions.rects[step][r].Draw(p);
        break;
    case ShapeRing:
        regions.circles[step][r].Draw(p);
        break;
    case ShapePolygon:
        regions.polygons[step][r].Draw(p);
        break;
    default:
        break;
    }
}

bool isSelectedShape(const CammerSingleton& regions, int step, int r)
{
    switch (regions.shapeType[step][r]) {
    case ShapeRect:
        return regions.rects[step][r].IsSelected();
    case ShapeRing:
        return regions.circles[step][r].IsSelected();
    case ShapePolygon:
        return regions.polygons[step][r].IsSelected();
    default:
        return false;
    }
}

// The label box: from (x, y - 26) to (x + 399, y - 2).
QRect labelRect(QPoint at) { return QRect(at.x(), at.y() - 26, 400, 25); }

int clampStep(int s) { return s < 0 ? 0 : (s >= kStepCount ? kStepCount - 1 : s); }

int regionCount(const CammerSingleton& regions, int step)
{
    return std::max(0, std::min(kRegionCount, regions.roiCount[step]));
}

void applyZoom(QPainter& p, const ViewState& st)
{
    p.translate(st.panX, st.panY);
    p.scale(st.zoomFactor, st.zoomFactor);
}

} // namespace

// ---------------------------------------------------------------- construction

CammerWidget::CammerWidget(int slot, QWidget* parent)
    : QWidget(parent), CameraDriver(slot), CammerData(slot), edit(*this)
{
    camNumIcon = QPixmap(QStringLiteral(":/img/icons/camNum%1.png").arg(slot + 1));
    if (!camNumIcon.isNull())
        camNumIcon = camNumIcon.scaledToWidth(48, Qt::SmoothTransformation);

    // The drawing toolbar and the region panel, hidden until the editor shows them.
    if (gPartsMaker)
        gPartsMaker(this);

    auto templateButton = [this](const QString& icon, QPoint at) {
        auto* b = new QPushButton(this);
        b->setFixedSize(60, 60);
        b->setIcon(QIcon(icon));
        b->setIconSize(QSize(60, 60));
        b->setAutoRepeat(true);
        b->move(at);
        return b;
    };
    previousTemplateButton = templateButton(QStringLiteral(":/img/icons/107.png"), QPoint(40, 400));
    nextTemplateButton = templateButton(QStringLiteral(":/img/icons/108.png"), QPoint(1600, 400));
    connect(previousTemplateButton, &QPushButton::pressed, this, [] { viewHost().templatePrevious(); });
    connect(nextTemplateButton, &QPushButton::pressed, this, [] { viewHost().templateNext(); });
    setStyleSheet(QStringLiteral(
        "QPushButton{border-style:none;background:transparent;}QPushButton:pressed{background-color:#FFC107;}"));
    ShowHideTool(0);

    // The V4L2 filter parts come from the live record with the driver; no
    // extra filter yet.
    extraPart.clear();

    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    hide();
    selectedRegion = -1;
    edit.previousRegion = -1;
    averageGrey = 0;

    if (CameraOpen())
        countCamera(slot);
    else if (slot > 0)
        return; // a shell: no camera in this slot, and no frame buffers either
    edit.handleIndex = -1;
    edit.drawState = DrawIdle;
    edit.shapeDrag = false;
    edit.polyCount = 0;
    edit.gestureActive = false;
    edit.touchDown = false;

    // Frame and result buffers, templates, recent NG frames, ignore points,
    // the region stores and the engine (which trains the enabled steps).
    BuildInspection();
    showImage = curImage;
    allOK = true;
    blinkPhase = 0;
    for (int d = 0; d < kStepCount; ++d) {
        samplePending[d] = false;
        templateAdded[d] = false;
        noDetect[d] = false;
    }

    CameraStart();

    if (gpWPara && gpWPara->video_type == 2 && isOpen() && gpWPara->cntnet_enable && gpNet && gpNet->netEnabled &&
        gImageW > 0 && gImageH > 0) {
        linkFrame = cv::Mat(gImageH, gImageW, CV_8UC4, cv::Scalar::all(0));
        gpNet->CNT_AddUseMemory(slot, gImageW, gImageH, linkFrame.data);
    }

    blinkTimer = new QTimer(this);
    connect(blinkTimer, &QTimer::timeout, this, &CammerWidget::TimerShowAlarm);
    edit.editMaxGray = false;
    edit.moveMode = 0;
}

CammerWidget::~CammerWidget() = default;

void CammerWidget::ShowHideTool(int bits)
{
    previousTemplateButton->setVisible(bits & 1);
    nextTemplateButton->setVisible(bits & 1);
    if (drawingBar)
        drawingBar->setVisible(bits & 2);
}

void CammerWidget::TimerShowAlarm()
{
    if (allOK) {
        blinkPhase = 0;
        if (blinkTimer)
            blinkTimer->stop();
    } else {
        blinkPhase = blinkPhase ? 0 : 1;
    }
    update();
}

void CammerWidget::onCameraLost()
{
    allOK = false;
    update();
}

bool CammerWidget::LoadFrame(const QString& path)
{
    QImage img(path);
    if (img.isNull() || img.width() != gImageW || img.height() != gImageH || gImageW <= 0 || gImageH <= 0)
        return false;
    cv::Mat frame = NewFrame();
    img = img.convertToFormat(gisColor ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    const size_t rowBytes = size_t(gImageW) * (gisColor ? 4 : 1);
    for (int y = 0; y < gImageH; ++y)
        std::memcpy(frame.ptr(y), img.constScanLine(y), rowBytes);
    // The picture becomes the delivered frame only without a grab, which
    // writes that buffer outside the lock.
    if (!grabState && recvImage->size() == frame.total() * frame.elemSize()) {
        std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
        std::memcpy(recvImage->data(), frame.data, recvImage->size());
    }
    if (!curImage.empty()) {
        frame.copyTo(curImage);
        showImage = curImage;
    }
    update();
    return true;
}

void CammerWidget::MUpdateXYV(int x, int y)
{
    CameraViewHost& host = viewHost();
    const ViewState st = host.state(cameraIndex);
    const double zoom = st.zoomFactor > 0 ? st.zoomFactor : 1;
    const int ix = int((float(x - st.panX) * gImageW) / (gShowW * zoom));
    const int iy = int((float(y - st.panY) * gImageH) / (gShowH * zoom));
    host.setCursor(ix, iy);
    if (ix < 0 || iy < 0 || ix >= gImageW || iy >= gImageH)
        return;
    const size_t at = size_t(iy) * size_t(gImageW) + size_t(ix);
    const size_t shown = showImage.total() * showImage.elemSize();
    if (gisColor && shown >= (at + 1) * 4) {
        const unsigned char* px = showImage.data + at * 4; // blue, green, red, alpha
        host.setCursorValue((px[2] << 16) | (px[1] << 8) | px[0]);
    } else if (!gisColor && shown > at) {
        host.setCursorValue(showImage.data[at]);
    }
}

// ---------------------------------------------------------------- texts

QString CammerWidget::StepName(int d) { return StepText(d); }

QString CammerWidget::LimitText(const CammerSingleton& regions, int step, int r)
{
    const int method = regions.algorithm[step][r];
    if (method == MethodDefect && gpWPara && gpWPara->enable_display_detail == 0)
        return QString::number(gpWPara->minimum_area);
    if (method == MethodSimilarity)
        return QString::number(regions.sensibility[step][r]);
    if (method == MethodSpot)
        return QStringLiteral("%1--%2").arg(regions.sensibility[step][r]).arg(regions.max_area[step][r]);
    return QString::number(regions.max_area[step][r]);
}

QString CammerWidget::RegionLabel(const CammerSingleton& regions, int step, int r, int value)
{
    if (regions.roiCount[step] <= 10)
        return QStringLiteral("%1: %2 / %3 ")
            .arg(QString::number(r + 1), LimitText(regions, step, r), QString::number(value));
    return QStringLiteral("%1: %2").arg(r + 1).arg(value);
}

// ---------------------------------------------------------------- painting

namespace {

// A frame of the working size into an RGB32 image of the working size:
// colour frames are copied, grey ones widened; anything else is black.
void frameToRGB32(const cv::Mat& frame, uchar* out, size_t outStride)
{
    const int W = gImageW, H = gImageH;
    const size_t pixels = size_t(std::max(0, W)) * size_t(std::max(0, H));
    const size_t len = frame.total() * frame.elemSize();
    for (int y = 0; y < H; ++y) {
        uchar* row = out + size_t(y) * outStride;
        if (pixels > 0 && len == pixels * 4 && frame.isContinuous())
            std::memcpy(row, frame.data + size_t(y) * size_t(W) * 4, size_t(W) * 4);
        else if (pixels > 0 && len == pixels && frame.isContinuous())
            Gray2RGBA(frame.data + size_t(y) * size_t(W), row, W, 1);
        else
            std::memset(row, 0, size_t(W) * 4);
    }
}

} // namespace

void CammerWidget::compose(const ViewState& st, const std::vector<Overlay>& overlays)
{
    const int W = gImageW, H = gImageH;
    auto usable = [&](const Overlay& o) {
        return !o.box.isEmpty() && o.mask && o.mask->rows == H && o.mask->cols == W && o.box.left() >= 0 &&
               o.box.top() >= 0 && o.box.right() < W && o.box.bottom() < H;
    };

    // The link shares the whole frame with its overlays.
    if (!linkFrame.empty() && linkFrame.rows == H && linkFrame.cols == W) {
        frameToRGB32(showImage, linkFrame.data, linkFrame.step);
        for (const Overlay& o : overlays) {
            if (!usable(o))
                continue;
            for (int y = o.box.top(); y <= o.box.bottom(); ++y) {
                const uchar* m = o.mask->ptr(y);
                auto* px = reinterpret_cast<quint32*>(linkFrame.ptr(y));
                for (int x = o.box.left(); x <= o.box.right(); ++x)
                    if (m[x])
                        px[x] = o.colour;
            }
        }
    }

    const int w = width(), h = height();
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) {
        display = QImage();
        return;
    }
    if (display.size() != QSize(w, h))
        display = QImage(w, h, QImage::Format_ARGB32_Premultiplied);

    // The frame pixel each widget column and row shows: the pixel's centre
    // taken back through the zoom and the scaling into the view, nearest
    // pixel as the painter's fast scaling takes it; -1 outside the frame.
    const bool zoomed = cameraIndex == st.selectedCamera;
    const double zoom = zoomed ? st.zoomFactor : 1;
    const double panX = zoomed ? st.panX : 0, panY = zoomed ? st.panY : 0;
    std::vector<int> xs(size_t(w), -1), ys(size_t(h), -1);
    if (zoom > 0) {
        for (int x = 0; x < w; ++x) {
            const double f = (x + 0.5 - panX) / zoom * W / w;
            if (f >= 0 && f < W)
                xs[size_t(x)] = int(f);
        }
        for (int y = 0; y < h; ++y) {
            const double f = (y + 0.5 - panY) / zoom * H / h;
            if (f >= 0 && f < H)
                ys[size_t(y)] = int(f);
        }
    }

    const size_t pixels = size_t(W) * size_t(H);
    const size_t len = showImage.total() * showImage.elemSize();
    const int bytes = !showImage.isContinuous() ? 0 : len == pixels * 4 ? 4 : len == pixels ? 1 : 0;
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<quint32*>(display.scanLine(y));
        const int iy = ys[size_t(y)];
        if (iy < 0) {
            std::fill(out, out + w, 0u);
            continue;
        }
        const uchar* row = bytes ? showImage.data + size_t(iy) * size_t(W) * size_t(bytes) : nullptr;
        for (int x = 0; x < w; ++x) {
            const int ix = xs[size_t(x)];
            if (ix < 0) {
                out[x] = 0;
            } else if (bytes == 4) {
                quint32 v;
                std::memcpy(&v, row + size_t(ix) * 4, 4);
                out[x] = v | 0xFF000000u; // the frame's fourth byte is not alpha
            } else if (bytes == 1) {
                const quint32 g = row[ix];
                out[x] = 0xFF000000u | (g << 16) | (g << 8) | g;
            } else {
                out[x] = 0xFF000000u; // not a frame of the working size: black
            }
        }
    }

    for (const Overlay& o : overlays) {
        if (!usable(o))
            continue;
        std::vector<int> columns;
        for (int x = 0; x < w; ++x)
            if (xs[size_t(x)] >= o.box.left() && xs[size_t(x)] <= o.box.right())
                columns.push_back(x);
        if (columns.empty())
            continue;
        for (int y = 0; y < h; ++y) {
            const int iy = ys[size_t(y)];
            if (iy < o.box.top() || iy > o.box.bottom())
                continue;
            const uchar* m = o.mask->ptr(iy);
            auto* out = reinterpret_cast<quint32*>(display.scanLine(y));
            for (int x : columns)
                if (m[xs[size_t(x)]])
                    out[x] = o.colour;
        }
    }
}

void CammerWidget::paintEvent(QPaintEvent*)
{
    const ViewState st = viewHost().state(cameraIndex);
    QPainter p(this);
    if (gSource == 3 || gSource == 4)
        paintRecordPictures(p, st);
    else if (gSource == 2)
        paintRecentNG(p, st);
    else if (slotInUse(cameraIndex) && isComplete())
        paintCameraImage(p, st);
}

void CammerWidget::paintRecordPictures(QPainter& p, const ViewState& st)
{
    const bool wide = gShowW > 1024;
    p.setFont(viewFont(wide ? 45 : 20));
    p.setPen(Qt::green);
    if (st.pictureCount > 0) {
        p.save();
        applyZoom(p, st);
        p.drawImage(QRect(0, 0, width(), height()), st.picture);
        p.restore();
    }
    QString name = st.pictureName;
    if (name.endsWith(QLatin1String(".jpg")))
        name.chop(4);
    const QString text = LanStr(218).arg(QString::number(st.pictureCamera + 1), StepName(clampStep(st.editStep)),
                                         gSource == 3 ? LanStr(216) : LanStr(217), QString::number(st.pictureCount),
                                         QString::number(st.pictureIndex + 1), name);
    p.drawText(5, wide ? 40 : 20, text);
}

void CammerWidget::paintRecentNG(QPainter& p, const ViewState& st)
{
    const int step = clampStep(st.editStep);
    compose(st, {});
    if (!display.isNull())
        p.drawImage(0, 0, display);

    QString status;
    if (st.runState == 2) {
        p.setPen(Qt::cyan);
        status = LanStr(310);
    } else if (st.runState == 3) {
        p.setPen(Qt::red);
        status = LanStr(311);
    } else {
        p.setPen(Qt::green);
        status = LanStr(312);
    }
    p.setFont(viewFont(45));
    p.drawText(5, 40, LanStr(313).arg(QString::number(cameraIndex + 1), StepName(step), status));
    p.setPen(Qt::green);
    p.drawText(600, 40,
               LanStr(314).arg(StepName(step), QString::number(recentNGIndex + 1),
                               QString::number(std::min(recentNGCount[step], 3))));
}

QString CammerWidget::statusText(const ViewState& st, QColor* colour)
{
    if (st.runState == 2) {
        *colour = Qt::cyan;
        return LanStr(310);
    }
    if (st.runState == 3) {
        *colour = Qt::red;
        return st.tempAlarm ? LanStr(311) + QStringLiteral("   ") + LanStr(kRowTempAlarm) : LanStr(311);
    }
    // The clamp stays prohibited until a cycle is judged: the operator reads why.
    if (st.noFreshFrame) {
        *colour = Qt::red;
        return LanStr(kRowNoFreshFrame);
    }
    *colour = Qt::green;
    switch (st.cyclePhase) {
    case 1:
        return LanStr(312);
    case 2:
        return LanStr(528);
    case 3:
        return LanStr(529);
    default:
        return QString();
    }
}

void CammerWidget::showStatus()
{
    if (cameraIndex >= 4 || gSource >= 2 || !slotInUse(cameraIndex) || !isComplete())
        return;
    const ViewState st = viewHost().state(cameraIndex);
    const int s = clampStep(gSource == 0 ? st.editStep : st.currentStep);
    QColor colour;
    viewHost().setCameraInfo(cameraIndex, 1, LanStr(313).arg(QString::number(cameraIndex + 1), StepName(s),
                                                             statusText(st, &colour)), 1);
}

void CammerWidget::paintCameraImage(QPainter& p, const ViewState& st)
{
    CameraViewHost& host = viewHost();
    const WizardPara* wp = gpWPara;
    const bool templateSource = gSource == 0;
    const CammerSingleton* regionsPtr = templateSource && editRegions ? editRegions.get() : liveRegions.get();
    const CammerSingleton& regions = *regionsPtr;
    const int s = clampStep(templateSource ? st.editStep : st.currentStep);
    const int count = regionCount(regions, s);
    const bool selectedView = cameraIndex == st.selectedCamera;
    const bool hasSelection = selectedRegion >= 0 && selectedRegion < count;

    // Overlays, in the order they are written over each other.
    std::vector<Overlay> overlays;
    if (st.displayState == 2 && gSource == 1 && blinkPhase == 1) {
        for (int r = 0; r < count; ++r)
            if (!roiOK[s][r])
                overlays.push_back({regionBox(regions, s, r), &ngOverlay, 0xFFFF0000u});
    }
    if (templateSource) {
        for (int r = 0; r < count; ++r)
            overlays.push_back({regionBox(regions, s, r), &ignoreMask[s], 0xFF00FFFFu});
    }
    if (previewShown && hasSelection)
        overlays.push_back({regionBox(regions, s, selectedRegion), &ngOverlay, 0xFF00FFFFu});
    compose(st, overlays);
    if (!display.isNull())
        p.drawImage(0, 0, display);

    p.save(); // the zoom transform of the selected view lasts to the decorations' end
    if (selectedView)
        applyZoom(p, st);

    QString templateLine; // the selected region's label while templates are edited
    const bool decorate = templateSource || st.displayState == 1 || (st.displayState == 2 && gSource == 1) ||
                          (st.displayState == 0 && wp && wp->show_live_regions);
    if (decorate) {
        p.setFont(viewFont(45));
        if (st.displayState == 0)
            p.setPen(Qt::darkBlue);
        if (st.displayState == 1 || gSource == 1) {
            const QColor verdict = allOK ? QColor(Qt::green) : QColor(Qt::red);
            p.setPen(verdict);
            p.drawText(5, 85, LanStr(allOK ? kRowVerdictOk : kRowVerdictNg));
            p.drawText(1450, 40, LanStr(367).arg(averageGrey));
            const QString why = recong && !allOK ? recong->AlignmentText(s) : QString();
            if (!why.isEmpty()) {
                // Wrapped, and smaller rather than cut off: the count at the
                // end tells how long the part has not been found.
                QFont font = viewFont(30);
                const QRect room(5, 100, width() - 10, 3 * QFontMetrics(font).lineSpacing());
                font.setPixelSize(WrappedPixelSize(font, why, room.size(), 30, 12));
                p.setFont(font);
                p.drawText(room, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, why);
            }
        }
        p.setFont(viewFont(20));
        if (templateSource) {
            const int h = height();
            const QColor area(QStringLiteral("#E9967A"));
            p.setPen(Qt::blue);
            p.drawText(QRect(QPoint(10, h - 80), QPoint(159, h - 56)), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 :").arg(LanStr(22)));
            p.fillRect(QRect(QPoint(160, h - 80), QPoint(184, h - 56)), Qt::blue);
            p.setPen(area);
            p.drawText(QRect(QPoint(10, h - 40), QPoint(159, h - 16)), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 :").arg(LanStr(24)));
            p.fillRect(QRect(QPoint(160, h - 40), QPoint(184, h - 16)), area);
        }

        for (int r = 0; r < count; ++r) {
            const int method = regions.algorithm[s][r];
            if (method == MethodPosition && !templateSource)
                continue;
            if (templateSource && hasSelection && edit.moveMode != 2 && r != selectedRegion)
                continue;

            if (templateSource && method == MethodDefect && (!hasSelection || r == selectedRegion)) {
                const QRect box = regionBox(regions, s, r);
                const int cx = (box.left() + box.right()) / 2;
                const int cy = (box.top() + box.bottom()) / 2;
                const int q = (box.right() - box.left()) / 4;
                const bool detail = wp && wp->enable_display_detail;
                const int f = detail ? regions.min_size[s][r] : (wp ? wp->minimum_size : 0);
                const int a = detail ? regions.max_area[s][r] : (wp ? wp->minimum_area : 0);
                const int side = int(std::sqrt(double(std::max(0, a))));
                p.setPen(QPen(Qt::blue));
                p.drawRect(int((cx - q) * gShowAW) - f / 2, int(cy * gShowAH) - f / 2, f, f);
                p.setPen(QPen(QColor(QStringLiteral("#E9967A"))));
                p.drawRect(int((cx + q) * gShowAW) - side / 2, int(cy * gShowAH) - side / 2, side, side);
            }

            if (!allOK && !roiOK[s][r] && st.displayState == 2 && gSource == 1) {
                p.save();
                p.scale(st.imageScaleX, st.imageScaleY);
                p.setPen(Qt::red);
                const int n = std::max(0, std::min(kMaxNgRects, NgRectCount(s, r)));
                for (int i = 1; i <= n; ++i) {
                    const int* b = ngRects[s][r][i];
                    p.drawRect(QRect(QPoint(b[0], b[1]), QPoint(b[2] - 1, b[3] - 1)));
                }
                p.restore();
            }

            p.save();
            p.scale(st.displayScaleX, st.displayScaleY);
            QColor pen;
            if (st.displayState == 0)
                pen = Qt::darkBlue;
            else
                pen = (allOK || roiOK[s][r]) ? QColor(Qt::green) : QColor(Qt::red);
            p.setPen(pen);
            drawShape(p, regions, s, r);

            if (templateSource && r == selectedRegion && regions.shapeType[s][r] == ShapePolygon) {
                const RePolygon& poly = regions.polygons[s][r];
                const int t = edit.nudgeTarget;
                if (t >= 0 && t < poly.count && t < int(poly.viewPoints.size())) {
                    const QPoint v = poly.viewPoints[size_t(t)];
                    p.setPen(QPen(Qt::cyan, 2));
                    p.drawEllipse(QRect(QPoint(v.x() - 5, v.y() - 5), QPoint(v.x() + 4, v.y() + 4)));
                }
            }

            QPoint at;
            if (labelAnchor(regions, s, r, &at)) {
                const QString label = RegionLabel(regions, s, r, roiValue[s][r]);
                if (templateSource && hasSelection) {
                    templateLine = label;
                } else {
                    p.setPen(QPen(pen));
                    p.drawText(labelRect(at), Qt::AlignLeft | Qt::AlignVCenter, label);
                }
            }
            p.restore();
        }
    }
    p.restore();

    // Status texts, placed in view coordinates.
    p.save();
    p.scale(st.displayScaleX, st.displayScaleY);
    QColor statusColour;
    const QString status = statusText(st, &statusColour);
    p.setPen(statusColour);
    p.setFont(viewFont(45));
    // The title bar has rows for the first four cameras only.
    const bool hasRow = cameraIndex < 4;
    if (hasRow)
        host.setCameraInfo(cameraIndex, 1, LanStr(313).arg(QString::number(cameraIndex + 1), StepName(s), status), 1);

    if (st.countdownStep >= 0 && st.countdownSeconds > 0.02f)
        p.drawText(525, 40, QString::number(double(st.countdownSeconds), 'g', 3));

    p.setFont(viewFont(40));
    p.setPen(Qt::green);
    if (templateSource) {
        p.drawText(850, 40,
                   LanStr(315).arg(QString::number(curTemplate + 1), QString::number(templateCount[s]), templateLine));
    } else {
        if (hasRow) {
            host.setCameraInfo(cameraIndex, 2, QString::number(st.cycleCount), 1);
            host.setCameraInfo(cameraIndex, 3, QString::number(st.failCount), 1);
        }
        host.setCameraInfo(cameraIndex, 0, QString::number(st.frameRate), 1);
        if (st.displayState != 3 && wp && wp->show_cavity_number) {
            p.drawText(177, 85, LanStr(468));
            int x = 352;
            bool first = true;
            for (int k = 1; k <= 8; ++k) {
                if (liveRegions->checkFlags[1][k - 1] != 2)
                    continue;
                if (!first) {
                    p.drawText(x, 85, QStringLiteral(","));
                    x += 10;
                }
                first = false;
                p.drawText(x, 85, LanStr(469).arg(k));
                x += 60;
            }
        }
    }
    if ((gSource == -1 || templateSource) && selectedView && st.displayState != 1) {
        QString value;
        if (gisColor)
            value = QStringLiteral("%1, %2, %3")
                        .arg((st.cursorValue >> 16) & 0xFF)
                        .arg((st.cursorValue >> 8) & 0xFF)
                        .arg(st.cursorValue & 0xFF);
        else
            value = QString::number(st.cursorValue);
        host.setLocation(
            QStringLiteral("%1, %2, %3").arg(QString::number(st.cursorX), QString::number(st.cursorY), value));
    }
    if (templateSource)
        p.drawText(5, 85, gTempTime);
    p.restore();

    // The shape being drawn.
    p.save();
    if (selectedView)
        applyZoom(p, st);
    p.setPen(Qt::green);
    if (edit.drawState == DrawDrawing) {
        if (st.drawTool == 2) {
            const int n = std::min(edit.polyCount, int(edit.polyPoints.size()));
            p.setPen(QPen(Qt::green, 2));
            for (int i = 1; i < n; ++i)
                p.drawLine(edit.polyPoints[size_t(i - 1)], edit.polyPoints[size_t(i)]);
            if (n >= 1) {
                const QPoint f = edit.polyPoints[0];
                p.setPen(QPen(Qt::cyan, 2));
                p.drawEllipse(QRect(QPoint(f.x() - 5, f.y() - 5), QPoint(f.x() + 4, f.y() + 4)));
            }
        } else if (st.drawTool == 4) {
            edit.workRing.Draw(p);
        } else if (st.drawTool == 1) {
            edit.workRect.Draw(p);
        }
    }
    const QPen framePen = p.pen();
    p.restore();

    p.setPen(framePen);
    p.drawRect(0, 0, width() - 1, height() - 1);
    if (!camNumIcon.isNull())
        p.drawPixmap(width() - camNumIcon.width() - 10, 10, camNumIcon);
}

// ---------------------------------------------------------------- touch

QPoint CammerWidget::viewPoint(int xr, int yr, const ViewState& st)
{
    const double zoom = st.zoomFactor > 0 ? st.zoomFactor : 1;
    return QPoint(int((xr - st.panX) / zoom), int((yr - st.panY) / zoom));
}

EditTools CammerWidget::tools(const ViewState& st) const
{
    EditTools t;
    t.drawTool = st.drawTool;
    t.copyAreaMode = st.copyAreaMode;
    t.freeHandMode = st.freeHandMode;
    return t;
}

void CammerWidget::apply(const TouchResult& r, const EditTools& before, const EditTools& after)
{
    if (after.drawTool != before.drawTool || after.copyAreaMode != before.copyAreaMode ||
        after.freeHandMode != before.freeHandMode)
        viewHost().setEditTools(after);
    if (r.cursor >= 0)
        setCursor(Qt::CursorShape(r.cursor));
    if (r.panelRefresh)
        ShowHideROIPara();
    if (r.repaint)
        update();
}

void CammerWidget::mousePressEvent(QMouseEvent* event)
{
    CameraViewHost& host = viewHost();
    const ViewState st = host.state(cameraIndex);
    const int xr = qRound(event->localPos().x());
    const int yr = qRound(event->localPos().y());
    if (cameraIndex == st.selectedCamera) {
        host.setDragOrigin(xr, yr);
        MUpdateXYV(xr, yr);
    }
    if (!slotInUse(cameraIndex))
        return;
    if (st.selectedCamera < 0) {
        // The split view only chooses the camera to show alone.
        host.selectCamera(cameraIndex);
        if (st.displayState == 2 && gSource == 1)
            host.alarmSetCamera(cameraIndex);
        ShowHideTool(0);
        return;
    }
    if (gSource != 0) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    const EditTools before = tools(st);
    EditTools after = before;
    const TouchResult r = edit.Press(viewPoint(xr, yr, st), st.editStep, after);
    apply(r, before, after);
}

void CammerWidget::mouseMoveEvent(QMouseEvent* event)
{
    CameraViewHost& host = viewHost();
    const ViewState st = host.state(cameraIndex);
    const int xr = qRound(event->localPos().x());
    const int yr = qRound(event->localPos().y());
    if (cameraIndex == st.selectedCamera)
        MUpdateXYV(xr, yr);
    if (!slotInUse(cameraIndex))
        return;
    const bool panning = st.zoomToolState == 2 && st.zoomFactor > 1.1 && event->buttons() == Qt::LeftButton;
    auto pan = [&] {
        int ox = 0, oy = 0;
        host.dragOrigin(&ox, &oy);
        host.setPan(st.panX + (xr - ox), st.panY + (yr - oy));
        host.setDragOrigin(xr, yr);
        update();
    };
    if ((gSource == -1 || gSource == 1) && panning)
        pan();
    if (gSource != 0)
        return;
    const EditTools before = tools(st);
    EditTools after = before;
    const TouchResult r = edit.Move(viewPoint(xr, yr, st), st.editStep, after, size());
    apply(r, before, after);
    if (r.pan && panning)
        pan();
}

void CammerWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!slotInUse(cameraIndex) || gSource != 0) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const ViewState st = viewHost().state(cameraIndex);
    const EditTools before = tools(st);
    EditTools after = before;
    const TouchResult r = edit.Release(st.editStep, after);
    apply(r, before, after);
}

// ---------------------------------------------------------------- region editing

void CammerWidget::ShowHideROIPara()
{
    previewShown = false;
    if (panel)
        panel->ShowHideROIPara();
    update();
}

void CammerWidget::ShowHideCheckBox(bool shown)
{
    if (panel)
        panel->ShowHideCheckBox(shown);
}

void CammerWidget::SetCheckBoxState(int row)
{
    if (panel)
        panel->SetCheckBoxState(row);
}

void CammerWidget::DeselectROI()
{
    const ViewState st = viewHost().state(cameraIndex);
    const EditTools before = tools(st);
    EditTools after = before;
    edit.DeselectROI(st.editStep, after);
    apply(TouchResult(), before, after);
}

void CammerWidget::SavePolygon()
{
    const ViewState st = viewHost().state(cameraIndex);
    const EditTools before = tools(st);
    EditTools after = before;
    apply(edit.SavePolygon(st.editStep, after), before, after);
}

void CammerWidget::SlotCopyArea(QPoint p)
{
    const ViewState st = viewHost().state(cameraIndex);
    const EditTools t = tools(st);
    apply(edit.CopyArea(p, st.editStep), t, t);
}

void CammerWidget::SlotNextROI()
{
    const ViewState st = viewHost().state(cameraIndex);
    const EditTools before = tools(st);
    EditTools after = before;
    apply(edit.NextROI(st.editStep, after), before, after);
}

bool CammerWidget::DeleteROI(int r) { return DeleteROI(viewHost().state(cameraIndex).editStep, r); }

// ---------------------------------------------------------------- result image

void CammerWidget::SaveFailImage(int step, int kind)
{
    if (step < 0 || step >= kStepCount || kind < 0 || kind > 1 || !liveRegions || alignImage.empty() ||
        gImageW <= 0 || gImageH <= 0)
        return;
    const int camera = cameraIndex;
    // One drawing surface for every view's result images (they are drawn on
    // the GUI thread, one at a time).
    static QImage surface;
    if (surface.size() != QSize(gImageW, gImageH))
        surface = QImage(gImageW, gImageH, QImage::Format_RGB32);
    if (surface.isNull())
        return;
    frameToRGB32(alignImage, surface.bits(), size_t(surface.bytesPerLine()));
    {
        QPainter p(&surface);
        const ViewState st = viewHost().state(camera);
        const QString second = st.safetyDoorDetection ? LanStr(265) : QString();
        const QColor verdict = kind == 0 ? QColor(Qt::red) : QColor(Qt::green);
        p.setFont(viewFont(26));
        p.setPen(verdict);
        p.drawText(5, 80, LanStr(kind == 0 ? kRowVerdictNg : kRowVerdictOk));
        p.drawText(5, 110, second);

        p.setFont(viewFont(16));
        const CammerSingleton& regions = *liveRegions;
        const int count = regionCount(regions, step);
        QPoint at(5, 80);
        for (int r = 1; r <= count; ++r) {
            const int i = r - 1;
            const QColor colour = roiOK[step][i] ? QColor(Qt::green) : QColor(Qt::red);
            if (!roiOK[step][i]) {
                viewHost().markFirstFailure(camera, step, r);
                p.setPen(colour);
                const int n = std::max(0, std::min(kMaxNgRects, NgRectCount(step, i)));
                for (int k = 1; k <= n; ++k) {
                    const int* b = ngRects[step][i][k];
                    p.drawRect(QRect(QPoint(b[0], b[1]), QPoint(b[2] - 1, b[3] - 1)));
                }
            } else {
                p.setPen(colour);
            }
            switch (regions.shapeType[step][i]) {
            case ShapePolygon: {
                const RePolygon& poly = regions.polygons[step][i];
                const int n = std::min(poly.count, int(poly.imagePoints.size()));
                if (n > 0) {
                    p.setPen(QPen(colour, 1));
                    p.drawPolygon(poly.imagePoints.data(), n, Qt::OddEvenFill);
                    at = poly.imagePoints.front();
                }
                break;
            }
            case ShapeRing: {
                const Circle& ring = regions.circles[step][i];
                at = ring.imageRect.topLeft();
                p.save();
                p.scale(1.0 / gShowAW, 1.0 / gShowAH);
                ring.Draw(p);
                p.restore();
                break;
            }
            case ShapeRect: {
                const QRect box = regions.rects[step][i].imageRect;
                p.drawRects(&box, 1);
                at = box.topLeft();
                break;
            }
            default:
                break;
            }
            p.setPen(QPen(colour));
            p.drawText(labelRect(at), Qt::AlignLeft | Qt::AlignVCenter,
                       RegionLabel(regions, step, i, roiValue[step][i]));
        }
    }
    viewHost().storeFailImage(camera, step, kind, surface.constBits());
}

void CammerWidget::UpdateFailImage(int step, int kind)
{
    if (step < 0 || step >= kStepCount || kind < 0 || kind > 1 || gImageLen <= 0)
        return;
    const int camera = cameraIndex;
    int& code = viewHost().saveCode(camera, step);
    // How the alarm was cleared, by the step's image code: the method's text
    // row (-1 none), the line's prefix row and the code that follows.
    struct Clearing {
        int code;
        int methodRow;
        int prefixRow;
        int next;
    };
    static const Clearing clearings[] = {
        {4, 47, 120, 9}, {5, 48, 120, 9}, {6, 338, 120, 9}, {7, 61, 120, 8}, {8, -1, 143, 10}};
    const Clearing* found = nullptr;
    for (const Clearing& c : clearings)
        if (c.code == code)
            found = &c;
    if (!found)
        return; // nothing to write, the code stays
    const QString line = LanStr(found->prefixRow) + (found->methodRow >= 0 ? LanStr(found->methodRow) : QString());
    const int next = found->next;
    QImage img(gImageW, gImageH, QImage::Format_RGB32);
    if (!img.isNull() && viewHost().loadFailImage(camera, step, kind, img.bits())) {
        {
            QPainter p(&img);
            p.setFont(viewFont(26));
            p.setPen(Qt::red);
            p.drawText(55, 80, line);
        }
        viewHost().storeFailImage(camera, step, kind, img.constBits());
    }
    code = next;
}
