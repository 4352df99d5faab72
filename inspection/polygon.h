#pragma once
// Polygon region (drawn or free hand). Vertices are kept in vectors of the
// polygon's own size, so a store of hundreds of polygons stays small.
#include <QPoint>
#include <QRect>
#include <opencv2/core.hpp>
#include <vector>

class QPainter;

class RePolygon {
public:
    static constexpr int MaxPoints = 8096;

    RePolygon() = default;
    // count view vertices (at most MaxPoints) copied from points.
    RePolygon(int count, const QPoint* points);

    bool IsSelected() const { return selected; }
    void SetSelected(bool s) { selected = s; }
    // Inside viewRect for a small polygon (under 80 px), else strictly inside
    // the view polygon.
    bool Contains(const QPoint& p) const;
    // The first vertex within 20 px.
    bool PtInCtrl(QPoint p, int* handle) const;
    // Moves vertex i by to - from when it stays more than 2 px inside the
    // display area; its image vertex follows with the given scales.
    void Resize(int i, QPoint from, QPoint to, float scaleX, float scaleY);
    // Replaces the vertices (view coordinates; at most MaxPoints).
    void SetPoints(const std::vector<QPoint>& points);
    // Image vertices from the view vertices, then BoundingRect().
    void setImageRect();
    // imageRect (cut to the image) and the view hit rectangle.
    void BoundingRect();
    // 255 where a pixel lies strictly inside the image polygon (even-odd
    // rule), 0 on the outline and outside.
    cv::Mat UpdateMask() const;
    void Draw(QPainter& painter) const;

    int count = 0;
    std::vector<QPoint> viewPoints;
    std::vector<QPoint> imagePoints;
    QRect viewRect;
    QRect imageRect;
    bool selected = false;
    int lastDx = 0;
    int lastDy = 0;
};

// Strict inside test of the mask (even-odd, outline excluded) for one row of
// pixels: fills row[0 .. width) for pixels (x0 + k, y).
void PolygonRow(const std::vector<QPoint>& poly, int n, int y, int x0, int width, unsigned char* row);
