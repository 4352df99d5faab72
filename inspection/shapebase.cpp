#include "inspection/shapebase.h"

#include "params/geometry.h"

#include <QPainter>

#include <algorithm>

namespace shapes {

void ShapePen(QPainter& painter, bool selected)
{
    QPen pen = painter.pen();
    pen.setWidth(3);
    if (selected)
        pen.setColor(Qt::magenta);
    painter.setPen(pen);
}

QRect clipToImage(const QRect& r)
{
    const QRect n = r.normalized();
    if (n.width() < 1 || n.height() < 1)
        return QRect();
    const int x1 = std::max(n.left(), 0), y1 = std::max(n.top(), 0);
    const int x2 = std::min(n.right(), gImageW - 1), y2 = std::min(n.bottom(), gImageH - 1);
    if (x2 < x1 || y2 < y1)
        return QRect();
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

} // namespace shapes

namespace shapes {

bool RegionArea(const QRect& imageRect, const cv::Mat& mask, cv::Rect* box, cv::Mat* boxMask)
{
    const QRect clipped = clipToImage(imageRect);
    *boxMask = cv::Mat();
    if (clipped.isEmpty()) {
        *box = cv::Rect();
        return false;
    }
    cv::Rect b(clipped.x(), clipped.y(), clipped.width(), clipped.height());
    if (!mask.empty()) {
        const QPoint anchor = imageRect.normalized().topLeft();
        cv::Rect inMask(b.x - anchor.x(), b.y - anchor.y(), b.width, b.height);
        inMask &= cv::Rect(0, 0, mask.cols, mask.rows);
        if (inMask.width < 1 || inMask.height < 1) {
            *box = cv::Rect();
            return false;
        }
        b = cv::Rect(anchor.x() + inMask.x, anchor.y() + inMask.y, inMask.width, inMask.height);
        *boxMask = mask(inMask);
    }
    *box = b;
    return true;
}

} // namespace shapes
