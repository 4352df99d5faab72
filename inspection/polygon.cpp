#include "inspection/polygon.h"

#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "platform/vision/vision.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <opencv2/imgproc.hpp>

RePolygon::RePolygon(int n, const QPoint* points)
{
    n = std::max(0, std::min(MaxPoints, n));
    viewPoints.assign(points, points + n);
    imagePoints.assign(n, QPoint());
    count = n;
}

void RePolygon::SetPoints(const std::vector<QPoint>& points)
{
    const int n = std::min<int>(MaxPoints, int(points.size()));
    viewPoints.assign(points.begin(), points.begin() + n);
    imagePoints.assign(n, QPoint());
    count = n;
}

bool RePolygon::Contains(const QPoint& p) const
{
    if (viewRect.right() - viewRect.left() <= 78 || viewRect.bottom() - viewRect.top() <= 78)
        return viewRect.contains(p);
    if (count < 1)
        return false;
    std::vector<cv::Point> c;
    c.reserve(count);
    for (int i = 0; i < count; ++i)
        c.emplace_back(viewPoints[i].x(), viewPoints[i].y());
    return cv::pointPolygonTest(c, cv::Point2f(float(p.x()), float(p.y())), false) > 0;
}

bool RePolygon::PtInCtrl(QPoint p, int* handle) const
{
    *handle = -1;
    if (!selected)
        return false;
    for (int i = 0; i < count; ++i)
        if (PointAround(p, viewPoints[i], 20)) {
            *handle = i;
            return true;
        }
    return false;
}

void RePolygon::Resize(int i, QPoint from, QPoint to, float scaleX, float scaleY)
{
    lastDx = to.x() - from.x();
    lastDy = to.y() - from.y();
    if (i < 0 || i >= count)
        return;
    const int x = viewPoints[i].x() + lastDx, y = viewPoints[i].y() + lastDy;
    if (!(x > 2 && x < gShowW - 2 && y > 2 && y < gShowH - 2))
        return;
    viewPoints[i] = QPoint(x, y);
    imagePoints[i] = QPoint(shapes::nint(x / double(scaleX)), shapes::nint(y / double(scaleY)));
}

void RePolygon::setImageRect()
{
    imagePoints.resize(count);
    for (int i = 0; i < count; ++i)
        imagePoints[i] = QPoint(shapes::nint(viewPoints[i].x() / gShowAW), shapes::nint(viewPoints[i].y() / gShowAH));
    BoundingRect();
}

void RePolygon::BoundingRect()
{
    const int n = std::max(1, count);
    auto at = [&](const std::vector<QPoint>& v, int i) { return i < int(v.size()) ? v[i] : QPoint(); };
    QPoint imin = at(imagePoints, 0), imax = imin, vmin = at(viewPoints, 0), vmax = vmin;
    for (int i = 1; i < n && count >= 2; ++i) {
        const QPoint a = at(imagePoints, i), b = at(viewPoints, i);
        imin = QPoint(std::min(imin.x(), a.x()), std::min(imin.y(), a.y()));
        imax = QPoint(std::max(imax.x(), a.x()), std::max(imax.y(), a.y()));
        vmin = QPoint(std::min(vmin.x(), b.x()), std::min(vmin.y(), b.y()));
        vmax = QPoint(std::max(vmax.x(), b.x()), std::max(vmax.y(), b.y()));
    }
    // The right and bottom image columns lie on the outline at best, so the
    // box ends one pixel before them.
    imageRect = shapes::clipToImage(QRect(QPoint(imin.x(), imin.y()), QPoint(imax.x() - 1, imax.y() - 1)));
    viewRect = QRect(vmin.x() - 20, vmin.y() - 20, vmax.x() - vmin.x() + 20, vmax.y() - vmin.y() + 20);
}

void PolygonRow(const std::vector<QPoint>& poly, int n, int y, int x0, int width, unsigned char* row)
{
    std::fill(row, row + width, 0);
    if (n < 2 || width < 1)
        return;
    // Crossings of the row with edges spanning it half-open (one end at or
    // above, one below): a pixel is inside when an odd number of crossings
    // lie right of it. Pixels exactly on an edge, on a vertex or on a
    // horizontal edge are outline and stay 0.
    std::vector<double> cross;
    std::vector<int> onEdge;
    for (int i = 0; i < n; ++i) {
        const QPoint a = poly[(i + n - 1) % n], b = poly[i];
        const int64_t ay = a.y(), by = b.y(), ax = a.x(), bx = b.x();
        if (b.y() == y)
            onEdge.push_back(b.x());
        if (ay == y && by == y) {
            for (int x = std::min(a.x(), b.x()); x <= std::max(a.x(), b.x()); ++x)
                if (x >= x0 && x < x0 + width)
                    onEdge.push_back(x);
            continue;
        }
        if ((ay <= y && by <= y) || (ay > y && by > y))
            continue;
        const int64_t num = (y - ay) * (bx - ax);
        const int64_t den = by - ay;
        cross.push_back(double(ax) + double(num) / double(den));
        if (num % den == 0)
            onEdge.push_back(int(ax + num / den));
    }
    std::sort(cross.begin(), cross.end());
    size_t passed = 0; // crossings at or left of x
    for (int k = 0; k < width; ++k) {
        const double x = x0 + k;
        while (passed < cross.size() && cross[passed] <= x)
            ++passed;
        if ((cross.size() - passed) % 2 == 1)
            row[k] = 255;
    }
    for (int x : onEdge)
        if (x >= x0 && x < x0 + width)
            row[x - x0] = 0;
}

cv::Mat RePolygon::UpdateMask() const
{
    if (imageRect.width() < 1 || imageRect.height() < 1 || count < 2)
        return cv::Mat();
    cv::Mat mask(imageRect.height(), imageRect.width(), CV_8UC1);
    for (int i = 0; i < mask.rows; ++i)
        PolygonRow(imagePoints, count, imageRect.top() + i, imageRect.left(), mask.cols, mask.ptr<uchar>(i));
    return mask;
}

void RePolygon::Draw(QPainter& painter) const
{
    shapes::ShapePen(painter, selected);
    painter.drawPolygon(viewPoints.data(), count, Qt::OddEvenFill);
}
