#pragma once
// Two small touch widgets: a picture that reports a left press, and a
// horizontal slider that jumps to where the finger is lifted.
#include <QLabel>
#include <QPixmap>
#include <QSlider>

class Label : public QLabel {
    Q_OBJECT
public:
    // Shows the pixmap scaled to the label's size.
    Label(QWidget* parent, QPixmap pixmap);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The value a release at x gives on a slider of width w and range [min, max]:
// the outer fiftieths of the width snap to the ends. A slider without width
// keeps `current`.
int sliderJumpValue(double x, int w, int min, int max, int current);

class C_Slider : public QSlider {
    Q_OBJECT
public:
    explicit C_Slider(QWidget* parent = nullptr);

signals:
    void cChgValue(int value);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
