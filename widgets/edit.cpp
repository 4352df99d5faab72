#include "widgets/edit.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "widgets/keypads.h"
#include "widgets/kitstyle.h"
#include "widgets/stylepresets.h"
#include "widgets/uihost.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <algorithm>
#include <climits>

int saturatedInt(const QString& text)
{
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (ok)
        return int(std::clamp<qlonglong>(v, INT_MIN, INT_MAX));
    // Too long even for 64 bits, but still a plain number.
    static const QRegularExpression digits(QStringLiteral("^\\s*([+-]?)\\d+\\s*$"));
    const QRegularExpressionMatch m = digits.match(text);
    if (!m.hasMatch())
        return 0;
    return m.captured(1) == QLatin1String("-") ? INT_MIN : INT_MAX;
}

int appendDigit(int value, int digit)
{
    return int(std::clamp<qlonglong>(qlonglong(value) * 10 + digit, INT_MIN, INT_MAX));
}

Edit::Edit(int padFlags, QWidget* parent, int style) : QLineEdit(parent), padFlags_(padFlags)
{
    if (style == 1) {
        C_Type_COM preset;
        preset.setTxtQss(this, C_Type_COM::C_Color2);
    }
    connect(this, &QLineEdit::textChanged, this, &Edit::SlotRange);
}

int Edit::value() const { return saturatedInt(text()); }

double Edit::valueToDouble() const { return text().toDouble(); }

void Edit::setValue(int v) { setText(QString::number(v)); }

void Edit::setValue(double v) { setText(QString::number(v, 'g', 6)); }

void Edit::setRange(int min, int max)
{
    minValue_ = min;
    maxValue_ = max;
}

void Edit::init() { setText(QString()); }

void Edit::SlotRange(const QString& text)
{
    if (minValue_ == -1 || maxValue_ == -1)
        return;
    if (maxValue_ < minValue_)
        std::swap(minValue_, maxValue_);
    int v = saturatedInt(text);
    v = std::min(v, maxValue_);
    v = std::max(minValue_, v);
    setText(QStringLiteral("%1").arg(v));
}

bool Edit::event(QEvent* e)
{
    UiHost& host = uiHost();
    switch (e->type()) {
    case QEvent::FocusIn:
        if (echoMode() == QLineEdit::Password) {
            clear();
            clearFocus();
            setPlaceholderText(LanStr(125));
        }
        host.focusedEdit = this;
        break;
    case QEvent::FocusOut:
        host.focusedEdit = nullptr;
        if (gpNumPad)
            gpNumPad->hide();
        if (gpNumCharPad)
            gpNumCharPad->hide();
        break;
    case QEvent::MouseButtonRelease:
        if (host.focusedEdit)
            placeKeypad();
        break;
    default:
        break;
    }
    return QLineEdit::event(e);
}

void Edit::placeKeypad()
{
    QWidget* pad = nullptr;
    if (padFlags_ & 0x02) {
        pad = gpNumCharPad;
    } else {
        pad = gpNumPad;
        if (gpNumPad)
            gpNumPad->eraseAll();
    }
    QWidget* target = parentWidget();
    if (!pad || !target)
        return;

    int x = this->x();
    int y = this->y() + height() - 1 + 6;
    const int levels = (padFlags_ & 0x08) ? 1 : (padFlags_ & 0x10) ? 2 : 0;
    for (int i = 0; i < levels && target->parentWidget(); ++i) {
        x += target->x();
        y += target->y();
        target = target->parentWidget();
    }

    const int W = target->width();
    const int H = target->height();
    const int w = pad->width();
    const int h = pad->height();
    if (x + w > W)
        x = W - w;
    // Near the bottom of the display area the keypad opens above the field.
    if (y + h >= gShowH - 49)
        y = y - h - 45;
    if (y + h > H)
        y = H - h;

    if (pad->parentWidget() != target)
        pad->setParent(target);
    pad->move(x, y);
    pad->show();
    pad->raise();
}

void Edit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == 0x2E || event->key() == 13)
        emit sig_Dot();
    QLineEdit::keyPressEvent(event);
}

UnitEdit::UnitEdit(int padFlags, QString unit, ValueRow* owner) : Edit(padFlags, owner, 1), owner_(owner)
{
    if (!unit.isEmpty()) {
        charWidth_ = 27;
        unitLabel_ = new QLabel(unit, this);
        unitLabel_->setFixedSize(unit.length() * charWidth_ + 10, 50);
        QFont font = kitPointFont(QStringLiteral("wqy-microhei"), 27);
        if (!drawsEveryCharacter(unit, font))
            font = kitPointFont(QStringLiteral("wenquanyi"), 27);
        unitLabel_->setFont(font);
        keepLook(unitLabel_);
        unitLabel_->setAlignment(Qt::AlignCenter);
        const QMargins m = textMargins();
        setTextMargins(m.left(), m.top(), unitLabel_->width(), m.bottom());
        connect(this, &QLineEdit::textChanged, this, &UnitEdit::ChangeLabelP);
        auto* layout = new QHBoxLayout(this);
        layout->addStretch();
        layout->addWidget(unitLabel_);
        layout->setSpacing(0);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
}

void UnitEdit::ChangeLabelP(QString text)
{
    if (!unitLabel_)
        return;
    labelX_ = (width() - unitLabel_->width() + int(text.length() * charWidth_ * 0.5)) / 2;
    unitLabel_->move(labelX_, 1);
}

void UnitEdit::focusInEvent(QFocusEvent* event) { QLineEdit::focusInEvent(event); }

void UnitEdit::focusOutEvent(QFocusEvent* event)
{
    emit focusOut();
    QLineEdit::focusOutEvent(event);
}

CheckBox::CheckBox(QWidget* parent, const QString& text) : QCheckBox(text, parent)
{
    QPalette pal;
    pal.setColor(QPalette::WindowText, Qt::yellow);
    setPalette(pal);
    setFont(kitFont(QStringLiteral("wqy-microhei"), 16));
}

int CheckBox::value() const { return checkState() == Qt::Checked ? 1 : 0; }

void CheckBox::setValue(int v) { setChecked(v != 0); }
