#pragma once
// Ring region (a disc when the inner radius is 0).
#include <QPoint>
#include <QRect>
#include <opencv2/core.hpp>

class QPainter;

class Circle {
public:
    Circle() { UpdateAll(); }

    bool IsSelected() const { return selected; }
    void SetSelected(bool s) { selected = s; }
    void GetRectExt(QRect& r) const { r = viewRect; }
    bool Contains(QPoint p) const;
    // Handles on the band of 20 px around the outer circle: 1 below and 6
    // above the centre, 4 right and 3 left, then 0, 5, 2, 7 by quadrant.
    bool PtInCtrl(QPoint p, int* handle) const;
    // The outer radius becomes the distance from the centre to `to`.
    void Resize(int handle, QPoint from, QPoint to);
    // viewRect from centre and radius; the inner radius clamped to 0..radius.
    void UpdateRect();
    // Centre and radius from a viewRect that was moved or resized.
    void UpdateAll();
    // Image centre (truncated) and radii (mean of both scales); imageRect is
    // the bounding square cut to the image.
    void setImageRect();
    // The ring over imageRect: 255 where inner^2 <= d^2 < outer^2.
    cv::Mat UpdateMask() const;
    void Draw(QPainter& painter) const;

    QRect viewRect;
    QRect imageRect;
    int centreX = 0;
    int centreY = 0;
    int radius = 0;
    int innerRadius = 0;
    int imageCentreX = 0;
    int imageCentreY = 0;
    int imageRadius = 0;
    int imageInnerRadius = 0;
    bool selected = false;
};
