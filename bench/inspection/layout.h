#pragma once
// Where the scenes put their regions: a 5 x 4 grid of 256-px cells (scaled to
// the frame), each region inside its cell with a margin, in one of the three
// shapes. Where its defect goes is the scene's own choice.
#include "scene.h"

#include "inspection/cammersingleton.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace scenelayout {

inline cv::Rect cell(cv::Size frame, int col, int row, int rows = 1)
{
    const double sx = frame.width / 1280.0, sy = frame.height / 1024.0;
    const int x0 = int(col * 256 * sx), y0 = int(row * 256 * sy);
    const int x1 = int((col + 1) * 256 * sx), y1 = int((row + rows) * 256 * sy);
    const int mx = int(48 * sx), my = int(48 * sy);
    return cv::Rect(x0 + mx, y0 + my, x1 - x0 - 2 * mx, y1 - y0 - 2 * my);
}

inline cv::Point centreOf(cv::Rect b) { return cv::Point(b.x + b.width / 2, b.y + b.height / 2); }

inline SceneRegion rect(SceneRegion r, cv::Rect b)
{
    r.shape = ShapeRect;
    r.box = b;
    return r;
}

// A ring filling the cell's shorter side; `hole` leaves its inner third out.
inline SceneRegion ring(SceneRegion r, cv::Rect b, bool hole)
{
    r.shape = ShapeRing;
    r.centre = centreOf(b);
    r.radius = std::min(b.width, b.height) / 2;
    r.inner = hole ? r.radius / 3 : 0;
    r.box = cv::Rect(r.centre.x - r.radius, r.centre.y - r.radius, 2 * r.radius, 2 * r.radius);
    return r;
}

// A skewed quadrilateral touching the four sides of the cell.
inline SceneRegion polygon(SceneRegion r, cv::Rect b)
{
    r.shape = ShapePolygon;
    r.polygon = {{b.x + b.width / 8, b.y}, {b.x + b.width, b.y + b.height / 10},
                 {b.x + b.width * 9 / 10, b.y + b.height}, {b.x, b.y + b.height * 7 / 8}};
    r.box = cv::boundingRect(r.polygon);
    return r;
}

} // namespace scenelayout
