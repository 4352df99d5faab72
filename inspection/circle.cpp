#include "inspection/circle.h"

#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "platform/vision/vision.h"

#include <QPainter>
#include <cmath>
#include <cstdint>

bool Circle::Contains(QPoint p) const { return viewRect.adjusted(-20, -20, 20, 20).contains(p); }

bool Circle::PtInCtrl(QPoint p, int* handle) const
{
    *handle = -1;
    if (!selected)
        return false;
    const int64_t dx = p.x() - centreX, dy = p.y() - centreY;
    const int64_t d2 = dx * dx + dy * dy;
    const int64_t lo = int64_t(radius - 20) * (radius - 20), hi = int64_t(radius + 20) * (radius + 20);
    if (d2 < lo || d2 > hi)
        return false;
    const int x = p.x(), y = p.y(), cx = centreX, cy = centreY;
    if (LineAround(cx, x, 20))
        *handle = y > cy ? 1 : 6;
    else if (LineAround(cy, y, 20))
        *handle = x >= cx ? 4 : 3;
    else if (x < cx && y > cy)
        *handle = 0;
    else if (x < cx && y < cy)
        *handle = 5;
    else if (x > cx && y > cy)
        *handle = 2;
    else if (x > cx && y < cy)
        *handle = 7;
    return *handle >= 0;
}

void Circle::Resize(int, QPoint, QPoint to)
{
    radius = int(std::hypot(double(to.x() - centreX), double(to.y() - centreY)));
    UpdateRect();
}

void Circle::UpdateRect()
{
    viewRect = QRect(centreX - radius, centreY - radius, 2 * radius, 2 * radius);
    if (innerRadius > radius)
        innerRadius = radius;
    if (innerRadius < 0)
        innerRadius = 0;
}

void Circle::UpdateAll()
{
    radius = std::min((viewRect.right() - viewRect.left() + 1) / 2, (viewRect.bottom() - viewRect.top() + 1) / 2);
    centreX = viewRect.left() + radius;
    centreY = viewRect.top() + radius;
    UpdateRect();
}

void Circle::setImageRect()
{
    imageRadius = shapes::nint((radius / gShowAW + radius / gShowAH) * 0.5);
    imageInnerRadius = shapes::nint((innerRadius / gShowAW + innerRadius / gShowAH) * 0.5);
    imageCentreX = int(centreX / gShowAW);
    imageCentreY = int(centreY / gShowAH);
    if (imageRadius <= 0) {
        imageRect = QRect();
        return;
    }
    imageRect = shapes::clipToImage(
        QRect(imageCentreX - imageRadius, imageCentreY - imageRadius, 2 * imageRadius, 2 * imageRadius));
}

cv::Mat Circle::UpdateMask() const
{
    if (imageRect.width() < 1 || imageRect.height() < 1)
        return cv::Mat();
    cv::Mat mask(imageRect.height(), imageRect.width(), CV_8UC1, cv::Scalar(0));
    // Pixel (j, i) of the full square lies at (j - ir, i - ir) from the centre;
    // the box may be a cut-out of that square.
    const int64_t ir = imageRadius, in = imageInnerRadius;
    const int64_t outer2 = ir * ir, inner2 = in * in;
    const int64_t j0 = imageRect.left() - (int64_t(imageCentreX) - ir);
    const int64_t i0 = imageRect.top() - (int64_t(imageCentreY) - ir);
    for (int i = 0; i < mask.rows; ++i) {
        uchar* row = mask.ptr<uchar>(i);
        const int64_t dy = i0 + i - ir;
        for (int j = 0; j < mask.cols; ++j) {
            const int64_t dx = j0 + j - ir;
            const int64_t d2 = dx * dx + dy * dy;
            if (d2 >= inner2 && d2 < outer2)
                row[j] = 255;
        }
    }
    return mask;
}

void Circle::Draw(QPainter& painter) const
{
    shapes::ShapePen(painter, selected);
    painter.drawEllipse(viewRect);
    QPen pen = painter.pen();
    pen.setColor(Qt::yellow);
    painter.setPen(pen);
    painter.drawEllipse(QRect(centreX - innerRadius, centreY - innerRadius, 2 * innerRadius, 2 * innerRadius));
}
