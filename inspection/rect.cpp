#include "inspection/rect.h"

#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "platform/vision/vision.h"

#include <QPainter>

bool ClustomRect::Contains(QPoint p) const { return viewRect.adjusted(-20, -20, 20, 20).contains(p); }

bool ClustomRect::PtInCtrl(QPoint p, int* handle) const
{
    *handle = -1;
    if (!selected)
        return false;
    const int x1 = viewRect.left(), y1 = viewRect.top(), x2 = viewRect.right(), y2 = viewRect.bottom();
    const int bandX = (x2 - x1 + 1) / 4, bandY = (y2 - y1 + 1) / 4;
    if (PointAround(p, QPoint(x1, y1), 20))
        *handle = 0;
    else if (PointAround(p, QPoint(x2, y1), 20))
        *handle = 2;
    else if (PointAround(p, QPoint(x1, y2), 20))
        *handle = 5;
    else if (PointAround(p, QPoint(x2, y2), 20))
        *handle = 7;
    else if (LineAround(x1, p.x(), p.y(), y1, y2, bandX))
        *handle = 3;
    else if (LineAround(x2, p.x(), p.y(), y1, y2, bandX))
        *handle = 4;
    else if (LineAround(y1, p.y(), p.x(), x1, x2, bandY))
        *handle = 1;
    else if (LineAround(y2, p.y(), p.x(), x1, x2, bandY))
        *handle = 6;
    return *handle >= 0;
}

void ClustomRect::Resize(int handle, QPoint from, QPoint to)
{
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    const bool moveX1 = handle == 0 || handle == 3 || handle == 5;
    const bool moveX2 = handle == 2 || handle == 4 || handle == 7;
    const bool moveY1 = handle == 0 || handle == 1 || handle == 2;
    const bool moveY2 = handle == 5 || handle == 6 || handle == 7;
    if (moveX1)
        viewRect.setLeft(viewRect.left() + dx);
    if (moveX2)
        viewRect.setRight(viewRect.right() + dx);
    if (moveY1)
        viewRect.setTop(viewRect.top() + dy);
    if (moveY2)
        viewRect.setBottom(viewRect.bottom() + dy);
    if (moveX1 || moveX2)
        lastDx = dx;
    if (moveY1 || moveY2)
        lastDy = dy;
}

void ClustomRect::setImageRect()
{
    const QRect v = viewRect.normalized();
    if (v.width() < 1 || v.height() < 1) {
        imageRect = QRect();
        return;
    }
    const int ix = shapes::nint(v.left() / gShowAW), iy = shapes::nint(v.top() / gShowAH);
    const int iw = shapes::nint(v.width() / gShowAW), ih = shapes::nint(v.height() / gShowAH);
    imageRect = shapes::clipToImage(QRect(ix, iy, iw, ih));
}

cv::Mat ClustomRect::UpdateMask() const
{
    if (imageRect.width() < 1 || imageRect.height() < 1)
        return cv::Mat();
    return cv::Mat(imageRect.height(), imageRect.width(), CV_8UC1, cv::Scalar(255));
}

void ClustomRect::Draw(QPainter& painter) const
{
    shapes::ShapePen(painter, selected);
    painter.drawRects(&viewRect, 1);
}
