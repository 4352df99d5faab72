#pragma once
// Touch input fields for numbers: Edit clamps its text to a range and brings
// up the shared on-screen keypads; EditParam and EditTempParam carry a unit and
// belong to a value row; CheckBox loads and stores 0/1 parameters.
#include <QCheckBox>
#include <QLineEdit>
#include <utility>

class QLabel;
class Edit;

// The text as a decimal integer, 0 when it is not one. A number beyond the
// 32-bit range gives the nearer end of that range, so a long run of typed
// digits ends at the field's bound rather than wrapping or reading as 0.
int saturatedInt(const QString& text);
// value * 10 + digit, held inside the 32-bit range.
int appendDigit(int value, int digit);

class Edit : public QLineEdit {
    Q_OBJECT
public:
    // padFlags: 0x02 character keypad (else numeric); 0x08 place the keypad
    // one parent level up, 0x10 two levels up. style 1 applies line-edit preset 2.
    Edit(int padFlags, QWidget* parent = nullptr, int style = 0);

    int value() const;
    double valueToDouble() const;
    void setValue(int v);
    void setValue(double v);
    // -1 for either bound switches clamping off.
    void setRange(int min, int max);
    void init();

    int padFlags() const { return padFlags_; }
    int minValue() const { return minValue_; }
    int maxValue() const { return maxValue_; }

signals:
    void sig_Dot();

public slots:
    void SlotRange(const QString& text);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeKeypad();

    int padFlags_;
    int minValue_ = -1;
    int maxValue_ = -1;
};

// The row that owns an EditParam or EditTempParam. Digits from the numeric
// keypad go straight into the row's integer (its value, or the limit that the
// field shows), not through the field's text; the row shows the result.
class ValueRow : public QWidget {
public:
    using QWidget::QWidget;
    virtual int typedValue(const Edit* field) const = 0;
    virtual void setTypedValue(const Edit* field, int value) = 0;
};

// A centred number field with an optional unit label at its right, owned by
// a value row; it tells the row when it loses the focus.
class UnitEdit : public Edit {
    Q_OBJECT
public:
    UnitEdit(int padFlags, QString unit, ValueRow* owner);
    ValueRow* owner() const { return owner_; }
    QLabel* unitLabel() const { return unitLabel_; }
    int unitLabelX() const { return labelX_; }

signals:
    void focusOut();

public slots:
    void ChangeLabelP(QString text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    ValueRow* owner_;
    QLabel* unitLabel_ = nullptr;
    int charWidth_ = 0;
    int labelX_ = 0;
};

// The value field of a value row.
class EditParam : public UnitEdit {
    Q_OBJECT
public:
    EditParam(int padFlags, QString unit, ValueRow* owner) : UnitEdit(padFlags, std::move(unit), owner) {}
};

// A limit field of an alarm-window row.
class EditTempParam : public UnitEdit {
    Q_OBJECT
public:
    EditTempParam(int padFlags, QString unit, ValueRow* owner) : UnitEdit(padFlags, std::move(unit), owner) {}
};

class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(QWidget* parent = nullptr, const QString& text = QString());
    int value() const;
    void setValue(int v);
};
