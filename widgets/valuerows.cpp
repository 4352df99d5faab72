#include "widgets/valuerows.h"

#include "params/geometry.h"
#include "widgets/basewidgets.h"
#include "widgets/kitstyle.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

QString quotient(int v, int divisor) { return QString::number(double(v) / divisor, 'g', 6); }

} // namespace

EditBox::EditBox(int min, int max, QWidget* parent, const QString& title, QString unit, int type, int scale)
    : ValueRow(parent), minValue(min), maxValue(max), value_(min), scale(scale), type(type), titleText(title)
{
    const bool small = gShowW <= 1024;
    const int pointSize = small ? 12 : 27;
    const int spacing = small ? 5 : 10;
    const QSize titleSize = small ? QSize(65, 28) : QSize(135, 50);
    const QSize keySize = small ? QSize(40, 28) : QSize(130, 50);
    const QSize fieldSize(keySize.width() + 20, keySize.height());
    const QFont font = kitPointFont(QStringLiteral("wqy-microhei"), pointSize);

    title_ = new QLabel(title, this);
    setLabelColor(Qt::yellow);
    title_->setFont(fittingFont(font, title, titleSize.width()));
    keepLook(title_);
    title_->setFixedSize(titleSize);

    auto makeKey = [&](const char* sign, int step) {
        auto* key = new ColorButton(QStringLiteral("%1 %2").arg(QLatin1String(sign), quotient(step, divisor())), this, 3);
        key->SetRepeat();
        key->setFixedSize(keySize);
        return key;
    };
    subFiveKey = makeKey("-", 5);
    subOneKey = makeKey("-", 1);
    addOneKey = makeKey("+", 1);
    addFiveKey = makeKey("+", 5);
    connect(subFiveKey, &QPushButton::clicked, this, &EditBox::SubFive);
    connect(subOneKey, &QPushButton::clicked, this, &EditBox::SubOne);
    connect(addOneKey, &QPushButton::clicked, this, &EditBox::AddOne);
    connect(addFiveKey, &QPushButton::clicked, this, &EditBox::AddFive);

    valueEdit = new EditParam(9, unit, this);
    valueEdit->setFixedSize(fieldSize);
    valueEdit->setFrame(true);
    valueEdit->setFont(font);
    connect(valueEdit, &UnitEdit::focusOut, this, &EditBox::CheckRange);

    layout = new QHBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(subFiveKey);
    layout->addWidget(subOneKey);
    layout->addWidget(valueEdit);
    layout->addWidget(addOneKey);
    layout->addWidget(addFiveKey);
    layout->setSpacing(spacing);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setValue();
}

int EditBox::typedValue(const Edit*) const { return value_; }
void EditBox::setTypedValue(const Edit*, int v) { setValue(v); }

void EditBox::AddOne() { setValue(value_ + 1); }
void EditBox::SubOne() { setValue(value_ - 1); }
void EditBox::AddFive() { setValue(value_ + 5); }
void EditBox::SubFive() { setValue(value_ - 5); }

void EditBox::setValue(int v)
{
    value_ = v;
    CheckRange();
}

void EditBox::setValue()
{
    if (type == 0)
        valueEdit->setValue(value_);
    else if (type == 2)
        valueEdit->setValue(double(value_) / divisor());
}

void EditBox::CheckRange()
{
    if (value_ >= minValue) {
        if (value_ > maxValue)
            value_ = maxValue;
    } else if (!(value_ == 0 && use0)) {
        value_ = minValue;
    }
    setValue();
    emit valueChanged(value_);
}

void EditBox::setText(const QString& text)
{
    const QFont font = kitPointFont(QStringLiteral("wqy-microhei"), gShowW <= 1024 ? 12 : 27);
    title_->setFont(fittingFont(font, text, title_->width()));
    keepLook(title_);
    title_->setText(text);
}

void EditBox::setSampleShow()
{
    for (ColorButton* key : {addOneKey, subOneKey, addFiveKey, subFiveKey})
        key->hide();
}

void EditBox::setLabelColor(QColor c)
{
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, c);
    title_->setPalette(pal);
    keepLook(title_);
}

void EditBox::paintEvent(QPaintEvent*) {}

EditTempBox::EditTempBox(int lowerBound, int upperBound, int, int, QWidget* parent, const QString& title,
                         QString unit, int type, int scale)
    : ValueRow(parent), lowerBound(lowerBound), upperBound(upperBound), scale(scale), type(type), titleText(title),
      minValue(lowerBound), maxValue(upperBound)
{
    const QFont font = kitPointFont(QStringLiteral("wqy-microhei"), 27);
    const QSize size(135, 50);

    title_ = new QLabel(title, this);
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    title_->setPalette(pal);
    title_->setFont(fittingFont(font, title, size.width()));
    keepLook(title_);
    title_->setFixedSize(size);
    title_->setAlignment(Qt::AlignCenter);

    auto makeField = [&] {
        auto* field = new EditTempParam(9, unit, this);
        field->setFixedSize(150, 50);
        field->setFrame(true);
        field->setFont(font);
        connect(field, &UnitEdit::focusOut, this, &EditTempBox::CheckRange);
        return field;
    };
    minEdit = makeField();
    maxEdit = makeField();

    valueLabel_ = new QLabel(this);
    valueLabel_->setFixedSize(size);
    valueLabel_->setFont(font);
    valueLabel_->setPalette(pal);
    keepLook(valueLabel_);
    valueLabel_->setAlignment(Qt::AlignCenter);

    layout = new QHBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(minEdit);
    layout->addWidget(valueLabel_);
    layout->addWidget(maxEdit);
    layout->setSpacing(10);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setValueRange();
    setValue(0);
}

QString EditTempBox::format(int v) const
{
    return type == 2 ? quotient(v, scale > 0 ? scale : 1) : QString::number(v);
}

void EditTempBox::setValue(int v)
{
    value = v;
    if (formats())
        valueLabel_->setText(format(v));
}

void EditTempBox::setMinValue(int v)
{
    minValue = v;
    if (formats())
        minEdit->setText(format(v));
}

void EditTempBox::setMaxValue(int v)
{
    maxValue = v;
    if (formats())
        maxEdit->setText(format(v));
}

void EditTempBox::setValueRange(int min, int max)
{
    setMinValue(min);
    setMaxValue(max);
}

void EditTempBox::setValueRange() { setValueRange(minValue, maxValue); }

bool EditTempBox::judgeValue() const { return minValue <= value && value <= maxValue; }

bool EditTempBox::checkFocus(QLineEdit* edit) const { return edit == maxEdit; }

int EditTempBox::typedValue(const Edit* field) const { return field == maxEdit ? maxValue : minValue; }

void EditTempBox::setTypedValue(const Edit* field, int v)
{
    if (field == maxEdit)
        setMaxValue(v);
    else
        setMinValue(v);
}

void EditTempBox::CheckRange()
{
    auto clamp = [this](int v) { return v < lowerBound ? lowerBound : v > upperBound ? upperBound : v; };
    minValue = clamp(minValue);
    maxValue = clamp(maxValue);
    setValueRange();
}
