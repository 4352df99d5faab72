// Layout of the camera views, the zoom tools, zoom and pan.
#include "camera/cammerwidget.h"
#include "cameradriver/cameraglobals.h"
#include "monitor/imagecontainer.h"
#include "monitor/mainwindow.h"
#include "monitor/placeholders.h"
#include "params/geometry.h"

#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>

namespace {

// Cell grid of the split view: columns, rows and the cell size.
struct Grid {
    int columns;
    int cellW;
    int cellH;
};

Grid splitGrid(int cameras, int w, int h)
{
    if (cameras <= 2)
        return {2, w / 2, h};
    if (cameras <= 4)
        return {2, w / 2, h / 2};
    if (cameras <= 6)
        return {3, w / 3 + 1, h / 2};
    return {4, w / 4, h / 2};
}

} // namespace

void MainWindow::ChangeCammer()
{
    panX = panY = 0;
    zoomFactor = 1;
    const int w = gShowW;
    const int h = gShowH;
    const int cameras = std::min(numCamera, 8);
    if (cameras <= 0)
        return;
    // Camera k is laid out in its view, usedView(k); views of slots not in
    // use are never shown.
    auto place = [this](int k, int x, int y, int cw, int ch) {
        CammerWidget* v = usedView(k);
        if (!v)
            return;
        v->setGeometry(x, y, cw, ch);
        v->show();
        v->update();
    };

    if (cameras == 1) {
        selectedCamera = 0;
        place(0, 0, 0, w, h);
        MShowHide(1);
        return;
    }

    int cellW = w;
    int cellH = h;
    if (selectedCamera < 0 || selectedCamera >= cameras) {
        // The split view (a choice past the opened cameras counts as it too,
        // so no view beyond them is ever laid out).
        selectedCamera = cameras;
        const Grid g = splitGrid(cameras, w, h);
        cellW = g.cellW;
        cellH = g.cellH;
        for (int i = 0; i < cameras; ++i)
            place(i, (i % g.columns) * cellW, (i / g.columns) * cellH, cellW, cellH);
        MShowHide(4);
        MShowHide(0);
    } else {
        place(selectedCamera, 0, 0, w, h);
        for (int k = 0; k < cameras; ++k)
            if (k != selectedCamera && usedView(k))
                usedView(k)->hide();
        MShowHide(3);
        MShowHide(1);
    }
    if (gImageW > 0 && gImageH > 0) {
        viewPixelScaleX = float(cellW) / float(gImageW);
        viewPixelScaleY = float(cellH) / float(gImageH);
    }
    viewScaleX = float(cellW) / float(w);
    viewScaleY = float(cellH) / float(h);
}

void MainWindow::setcontentLayout()
{
    if (mainStack)
        mainStack->setCurrentIndex(0);
}

void MainWindow::MShowHide(int mode)
{
    QWidget* pad = optionBar ? optionBar->finetuningPad() : nullptr;
    // The tools live on the view shown alone. In the split view they are
    // hidden and kept on the display area itself, which every camera count has.
    CammerWidget* selected = usedView(selectedCamera);
    QWidget* holder = selected ? static_cast<QWidget*>(selected) : imageContainer;
    QWidget* tools[3] = {zoomOutButton, pad, zoomInButton};
    for (QWidget* t : tools) {
        if (!t)
            continue;
        if (holder && t->parentWidget() != holder)
            t->setParent(holder);
        t->hide();
    }
    auto setShown = [](QWidget* t, bool on) {
        if (t)
            t->setVisible(on);
    };

    switch (mode) {
    case 0:
        zoomToolState = 0;
        break;
    case 1:
        zoomToolState = 1;
        setShown(zoomInButton, true);
        break;
    case 2:
        zoomToolState = 2;
        setShown(pad, true);
        setShown(zoomOutButton, true);
        setShown(zoomInButton, true);
        break;
    case 3:
        if (selected)
            selected->ShowHideTool(1);
        break;
    case 4:
        for (int c : usedSlots())
            if (cameraViews[c])
                cameraViews[c]->ShowHideTool(0);
        break;
    default:
        break;
    }
}

void MainWindow::MHideAll()
{
    if (zoomToolState == 2)
        MShowHide(1);
}

void MainWindow::MScale(int direction)
{
    // The anchor is the image point of the last press, used as it is.
    const double ax = cursorImageX;
    const double ay = cursorImageY;
    const float relX = float((ax - panX) / zoomFactor);
    const float relY = float((ay - panY) / zoomFactor);
    double z = 1;
    if (direction > 0) {
        z = zoomFactor * 1.2;
        if (z > 32)
            z = 32;
    } else if (direction < 0) {
        z = zoomFactor / 1.2;
        if (z < 1.1)
            z = 1;
    }
    if (direction != 0) {
        zoomFactor = z;
        panX = ax - relX * z;
        panY = ay - relY * z;
    }
    if (z == 1) {
        panX = panY = 0;
        zoomFactor = 1;
    }
    update();
}

void MainWindow::MEnlargeScale()
{
    zoomToolTimer->start(30000);
    if (zoomToolState == 1)
        MShowHide(2); // the first press only brings out the tools
    else if (zoomToolState == 2)
        MScale(1);
}

void MainWindow::MReductionScale()
{
    zoomToolTimer->start(30000);
    MScale(-1);
}

void MainWindow::MRecovery()
{
    zoomToolTimer->start(30000);
    MScale(0);
}

void MainWindow::MTimerScale()
{
    zoomToolTimer->stop();
    MHideAll();
}

void MainWindow::SlotMove(int dx, int dy)
{
    if (zoomFactor <= 1)
        return;
    panX += dx * zoomFactor;
    panY += dy * zoomFactor;
    update();
}

void MainWindow::SlotMoveT()
{
    zoomToolTimer->start(30000);
    SlotMove(0, -1);
}

void MainWindow::SlotMoveB()
{
    zoomToolTimer->start(30000);
    SlotMove(0, 1);
}

void MainWindow::SlotMoveL()
{
    zoomToolTimer->start(30000);
    SlotMove(-1, 0);
}

void MainWindow::SlotMoveR()
{
    zoomToolTimer->start(30000);
    SlotMove(1, 0);
}
