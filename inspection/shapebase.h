#pragma once
// Small helpers shared by the region shapes: rounding, the image box, the pen.
#include <QRect>
#include <cmath>

class QPainter;

namespace shapes {

// Sets the painter's pen for drawing a shape: its current pen at width 3,
// magenta when the shape is selected.
void ShapePen(QPainter& painter, bool selected);

// Nearest integer, ties to even.
inline int nint(double v) { return int(std::nearbyint(v)); }

// The part of `r` (inclusive corners, possibly inverted) that lies inside the
// working image; an empty QRect() when nothing does. Every image box of a
// shape goes through here, so no consumer can read or write outside the image.
QRect clipToImage(const QRect& r);

} // namespace shapes

#include <opencv2/core.hpp>

namespace shapes {

// The part of a region inside the image: its box and its mask cut to the
// same size (the mask is taken as anchored at the region box's top-left
// corner; an empty mask gives an empty mask part). False when no pixel of the
// region lies in the image.
bool RegionArea(const QRect& imageRect, const cv::Mat& mask, cv::Rect* box, cv::Mat* boxMask);

} // namespace shapes
