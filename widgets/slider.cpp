#include "widgets/slider.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/skin.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/kitstyle.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kGrooveX = 295;
constexpr int kBoxLeft = 135;
constexpr int kBoxRight = 214;
constexpr int kRowPlusOne = 1353;  // "+ 1"
constexpr int kRowMinusOne = 1354; // "- 1"
} // namespace

Slider::Slider(int min, int max, int pageStep, int value, QWidget* parent, const QString& title)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setObjectName(title);
    setMinimum(min);
    setMaximum(max);
    setPageStep(pageStep);
    setValue(value);

    plus_ = new ColorButton(LanStr(kRowPlusOne), this, 3);
    plus_->setFixedSize(70, 41);
    plus_->SetRepeat();
    connect(plus_, &QPushButton::clicked, this, &Slider::Add);
    minus_ = new ColorButton(LanStr(kRowMinusOne), this, 3);
    minus_->setFixedSize(70, 41);
    minus_->SetRepeat();
    connect(minus_, &QPushButton::clicked, this, &Slider::Sub);
    valueEdit_ = new Edit(9, this, 1);
    valueEdit_->setGeometry(0, 0, 0, 60);
    connect(valueEdit_, &QLineEdit::textChanged, this, &Slider::SetText);
}

void Slider::Reset(int min, int max, int pageStep, int value, const QString& title)
{
    setObjectName(title);
    setMinimum(min);
    setMaximum(max);
    setPageStep(pageStep);
    setValue(value);
    dragX_ = dragY_ = -1;
    update();
}

void Slider::Add() { setValue(value() + 1); }
void Slider::Sub() { setValue(value() - 1); }

void Slider::SetText(const QString& text)
{
    // Only plain digits count; anything else reads as 0.
    const bool digits = !text.isEmpty()
                        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    setValue(digits ? saturatedInt(text) : 0);
}

int Slider::fillPixels() const
{
    // A slider with a single value has nothing to fill.
    if (maximum() == minimum() || fillWidth_ <= 0)
        return 0;
    return int(float(value() - minimum()) / float(maximum() - minimum()) * float(fillWidth_));
}

void Slider::resizeEvent(QResizeEvent* event)
{
    const int w = width();
    const int h = height();
    grooveWidth_ = w - 370;
    fillOffset_ = int(0.03 * grooveWidth_);
    fillWidth_ = int(grooveWidth_ * 0.95);
    const int y0 = ((h - 1) - 27) / 2 - 6;
    plus_->move(w - 70, y0);
    minus_->move(220, y0);
    QAbstractSlider::resizeEvent(event);
}

void Slider::paintEvent(QPaintEvent*)
{
    const int h = height();
    QPainter p(this);
    p.setPen(Qt::green);
    const QFont font = kitFont(QStringLiteral("wqy-microhei"), 30);
    p.setFont(fittingFont(font, objectName(), 120));
    p.drawText(QRect(QPoint(0, 0), QPoint(119, h - 1)), Qt::AlignLeft | Qt::AlignVCenter, objectName());
    p.setFont(font);
    if (gpPixmapEdit)
        p.drawPixmap(QRect(kBoxLeft, 3, 80, h - 6), *gpPixmapEdit);
    p.drawText(QRect(QPoint(kBoxLeft, 3), QPoint(kBoxRight, h - 4)), Qt::AlignCenter, QString::number(value()));
    if (gpPixmapSliderd)
        p.drawPixmap(QRect(kGrooveX, 3, grooveWidth_, h - 6), *gpPixmapSliderd);
    const int t = fillPixels();
    if (gpPixmapSlideru)
        p.drawPixmap(QRect(kGrooveX + fillOffset_, 11, t, h - 22), *gpPixmapSlideru);
    thumbX_ = kGrooveX + fillOffset_ + t;
    thumbY_ = 3;
    thumbW_ = 10;
    thumbH_ = h - 6;
    if (gpPixmapSlidert)
        p.drawPixmap(QRect(thumbX_, thumbY_, thumbW_, thumbH_), *gpPixmapSlidert);
}

void Slider::mousePressEvent(QMouseEvent* event)
{
    const int x = qRound(event->localPos().x());
    if (x >= thumbX_ - 20 && x <= thumbX_ + 29) {
        dragX_ = x;
        dragY_ = qRound(event->localPos().y());
    } else {
        dragX_ = dragY_ = -1;
    }
}

void Slider::mouseMoveEvent(QMouseEvent* event)
{
    if (dragX_ < 1 || fillWidth_ <= 0)
        return;
    const int x = qRound(event->localPos().x());
    const int delta = int(float(x - dragX_) / float(fillWidth_) * float(maximum() - minimum()));
    // Small moves add up until they make a whole step.
    if (delta == 0)
        return;
    setValue(value() + delta);
    dragX_ = x;
    dragY_ = qRound(event->localPos().y());
}

void Slider::mouseReleaseEvent(QMouseEvent* event)
{
    dragX_ = dragY_ = -1;
    const int x = qRound(event->localPos().x());
    if (x >= kBoxLeft && x <= kBoxRight && gShowW > 1024) {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(valueEdit_, &focusIn);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(valueEdit_, &release);
    }
}
