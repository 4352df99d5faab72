#pragma once
// The label beside a settings slider: it shows the slider's value (the page
// formats it) and, when touched, lets the operator type an exact value.
#include <QLabel>

#include "widgets/keyboards.h"

class QSlider;

class BlineLabel : public QLabel {
    Q_OBJECT
public:
    BlineLabel(QSlider* slider, QWidget* parent, QString title, QString hint, KeyboardType type);

    // Slider steps per shown unit: 10 for a slider stored in tenths and shown
    // in units (a typed 1.5 stores 15). 1 by default.
    void setScale(int scale);
    int scale() const { return scale_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int sliderValueFor(const QString& typed) const;

    QSlider* slider;
    QString title;
    QString hint;
    KeyboardType keyboardType;
    QString savedText;
    QString lastTyped;
    int scale_ = 1;
};
