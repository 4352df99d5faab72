#pragma once
// Two composite rows over the unit fields: EditBox, one integer with step keys
// and a clamp, and EditTempBox, an alarm window (minimum, current value,
// maximum) that tells whether the value lies inside it. Digits from the
// numeric keypad go into the row's integers (ValueRow), not through the text.
#include "widgets/edit.h"

#include <QColor>
#include <QString>

class ColorButton;
class QHBoxLayout;
class QLabel;

class EditBox : public ValueRow {
    Q_OBJECT
public:
    // type 0 shows the value as an integer, 2 as value / scale; other types
    // show nothing. The value starts at min (0 for a range without it).
    EditBox(int min, int max, QWidget* parent, const QString& title, QString unit, int type, int scale);

    void setUse0(bool on) { use0 = on; }
    bool isUse0() const { return use0; }
    int scaleValue() const { return scale; }

    EditParam* valueField() const { return valueEdit; }
    ColorButton* plusOneKey() const { return addOneKey; }
    ColorButton* minusOneKey() const { return subOneKey; }
    ColorButton* plusFiveKey() const { return addFiveKey; }
    ColorButton* minusFiveKey() const { return subFiveKey; }
    QLabel* titleLabel() const { return title_; }

    int typedValue(const Edit* field) const override;
    void setTypedValue(const Edit* field, int value) override;

signals:
    void valueChanged(int value);

public slots:
    void AddOne();
    void SubOne();
    void AddFive();
    void SubFive();
    int value() const { return value_; }
    // Stores without a check and without showing.
    void setInputValue(int v) { value_ = v; }
    void setValue(int v);
    void setValue();
    void CheckRange();
    void setText(const QString& text);
    int getType() const { return type; }
    void setSampleShow();
    void setLabelColor(QColor c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // A scale of 0 (or less) would divide by zero; such a row counts in units.
    int divisor() const { return scale > 0 ? scale : 1; }

    EditParam* valueEdit;
    ColorButton* addOneKey;
    ColorButton* subOneKey;
    ColorButton* addFiveKey;
    ColorButton* subFiveKey;
    QLabel* title_;
    QHBoxLayout* layout;
    int minValue;
    int maxValue;
    int value_;
    bool use0 = false;
    int scale;
    int type;
    QString titleText;
};

class EditTempBox : public ValueRow {
    Q_OBJECT
public:
    // The third and fourth arguments are not used: the owner sets the limits
    // and the value afterwards. Until then the limits are the bounds and the
    // value is 0.
    EditTempBox(int lowerBound, int upperBound, int, int, QWidget* parent, const QString& title, QString unit,
                int type, int scale);

    void setValue(int v);
    int getValue() const { return value; }
    void setMinValue(int v);
    void setMaxValue(int v);
    void setValueRange(int min, int max);
    void setValueRange();
    int getMinValue() const { return minValue; }
    int getMaxValue() const { return maxValue; }
    // minimum <= value <= maximum (limits included).
    bool judgeValue() const;
    // True for the maximum field: the keypad types into that limit.
    bool checkFocus(QLineEdit* edit) const;

    EditTempParam* minimumField() const { return minEdit; }
    EditTempParam* maximumField() const { return maxEdit; }
    QLabel* valueLabel() const { return valueLabel_; }
    QLabel* titleLabel() const { return title_; }

    int typedValue(const Edit* field) const override;
    void setTypedValue(const Edit* field, int value) override;

public slots:
    void CheckRange();

private:
    QString format(int v) const;
    bool formats() const { return type == 0 || type == 2; }

    QLabel* title_;
    QHBoxLayout* layout;
    int lowerBound;
    int upperBound;
    int value = 0;
    int scale;
    int type;
    QString titleText;
    EditTempParam* maxEdit;
    EditTempParam* minEdit;
    int minValue;
    int maxValue;
    QLabel* valueLabel_;
};
