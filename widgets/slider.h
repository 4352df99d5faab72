#pragma once
// The touch slider of the region parameter panel: title, value box (opens the
// numeric keypad), "- 1", a skinned groove with its thumb, and "+ 1".
#include <QAbstractSlider>

class ColorButton;
class Edit;

class Slider : public QAbstractSlider {
    Q_OBJECT
public:
    Slider(int min, int max, int pageStep, int value, QWidget* parent, const QString& title);
    void Reset(int min, int max, int pageStep, int value, const QString& title);

    int grooveWidth() const { return grooveWidth_; }
    int fillOffset() const { return fillOffset_; }
    int fillWidth() const { return fillWidth_; }
    int thumbX() const { return thumbX_; }
    // Pixels of filled groove for the current value.
    int fillPixels() const;
    Edit* valueEdit() const { return valueEdit_; }
    ColorButton* plusButton() const { return plus_; }
    ColorButton* minusButton() const { return minus_; }

public slots:
    void Add();
    void Sub();
    void SetText(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ColorButton* plus_;
    ColorButton* minus_;
    Edit* valueEdit_;
    int grooveWidth_ = 0;
    int fillOffset_ = 0;
    int fillWidth_ = 0;
    int thumbX_ = 0;
    int thumbY_ = 3;
    int thumbW_ = 10;
    int thumbH_ = 0;
    int dragX_ = -1;
    int dragY_ = -1;
};
