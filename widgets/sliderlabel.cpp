#include "widgets/sliderlabel.h"

#include "widgets/modal.h"

#include <QMouseEvent>
#include <QSlider>
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

BlineLabel::BlineLabel(QSlider* slider, QWidget* parent, QString title, QString hint, KeyboardType type)
    : QLabel(parent), slider(slider), title(std::move(title)), hint(std::move(hint)), keyboardType(type)
{
    setText(QString::number(slider->value()));
    installEventFilter(this);
}

void BlineLabel::setScale(int scale) { scale_ = std::max(1, scale); }

// The typed number on the slider's own scale, truncated; decimal fractions
// that binary floating point misses (2.3 * 10 = 22.999...) still count whole.
int BlineLabel::sliderValueFor(const QString& typed) const
{
    double v = typed.toDouble() * scale_;
    if (!std::isfinite(v))
        return 0;
    v = std::trunc(v + std::copysign(1e-9 * std::max(1.0, std::fabs(v)), v));
    return int(std::clamp(v, double(INT_MIN), double(INT_MAX)));
}

bool BlineLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != this || event->type() != QEvent::MouseButtonPress)
        return QLabel::eventFilter(watched, event);

    savedText = text();
    setText(QString());
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QLabel::eventFilter(watched, event);

    std::unique_ptr<KeyboardDialog> keyboard(makeKeyboard(keyboardType, title, hint, text()));
    const bool accepted = runModal(*keyboard) == QDialog::Accepted;
    const QString t = keyboard->getText();
    if (!accepted || t.isEmpty()) {
        setText(savedText);
    } else if (keyboardType == KeyboardDigital) {
        setText(t == lastTyped ? savedText : t);
        const int before = slider->value();
        slider->setValue(sliderValueFor(t));
        // The slider is silent when the value stays; the page still has to
        // rewrite the label in its own format.
        if (slider->value() == before)
            emit slider->valueChanged(slider->value());
        lastTyped = t;
    } else {
        setText(t);
        slider->setValue(sliderValueFor(t));
    }
    return QLabel::eventFilter(watched, event);
}
