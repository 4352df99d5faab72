#include "widgets/picturelabel.h"

#include <QMouseEvent>
#include <cmath>

Label::Label(QWidget* parent, QPixmap pixmap) : QLabel(parent)
{
    setScaledContents(true);
    setPixmap(pixmap);
}

void Label::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

int sliderJumpValue(double x, int w, int min, int max, int current)
{
    if (w <= 0)
        return current;
    const int t = w / 50;
    qint64 p = qint64(std::floor(x + 0.5));
    if (p > w - t)
        p = w;
    else if (p < t)
        p = 0;
    // 64-bit, so a wide range times a far release cannot overflow.
    return int(p * (qint64(max) - min) / w + min);
}

C_Slider::C_Slider(QWidget* parent) : QSlider(parent)
{
    setStyleSheet(QStringLiteral(
        "QSlider{border-color: #bcbcbc;}QSlider::groove:horizontal {border: 1px solid #999999;height: 10px}"
        "QSlider::handle:horizontal {width: 8px;background: rgb(0, 160, 230); margin: -7px -7px -7px -7px;"
        "border-radius: 1px;}"
        "QSlider::sub-page:horizontal{background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, "
        "stop:0 #439cf3, stop:0.25 #439cf3, stop:0.5 #439cf3, stop:1 #439cf3);}"
        "QSlider::add-page:horizontal{background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, "
        "stop:0 #bcbcbc, stop:0.25 #bcbcbc, stop:0.5 #bcbcbc, stop:1 #bcbcbc);}"));
    setOrientation(Qt::Horizontal);
}

void C_Slider::mouseReleaseEvent(QMouseEvent* event)
{
    setValue(sliderJumpValue(event->localPos().x(), width(), minimum(), maximum(), value()));
    emit cChgValue(value());
    QSlider::mouseReleaseEvent(event);
}
