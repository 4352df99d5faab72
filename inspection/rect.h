#pragma once
// Rectangular region: geometry in view and image coordinates, hit tests,
// handle drags, drawing and mask.
#include <QPoint>
#include <QRect>
#include <opencv2/core.hpp>

class QPainter;

class ClustomRect {
public:
    ClustomRect() = default;

    bool IsSelected() const { return selected; }
    void SetSelected(bool s) { selected = s; }
    void GetRectExt(QRect& r) const { r = viewRect; }
    // The view rectangle grown by 20 px on each side contains p.
    bool Contains(QPoint p) const;
    // Handle under p (corners 0, 2, 5, 7; edges 3 left, 4 right, 1 top,
    // 6 bottom); an unselected shape never hits (-1).
    bool PtInCtrl(QPoint p, int* handle) const;
    // Moves the edges named by the handle by to - from; neither normalises nor
    // clips (callers clip and then call setImageRect).
    void Resize(int handle, QPoint from, QPoint to);
    // Derives imageRect from viewRect (an inverted rectangle counts as its
    // normalised one), cut to the image.
    void setImageRect();
    // All 255, of the size of imageRect; empty when the box is empty.
    cv::Mat UpdateMask() const;
    void Draw(QPainter& painter) const;

    QRect viewRect;
    QRect imageRect;
    bool selected = false;
    int lastDx = 0;
    int lastDy = 0;
};
