#include "inspection/shapebase.h"

#include "params/geometry.h"

#include <algorithm>

namespace shapes {

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
