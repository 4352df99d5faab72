#include "captions.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <algorithm>

namespace {

int widestLine(const QFontMetrics& m, const QString& text)
{
    int w = 0;
    for (const QString& line : QString(text).remove('\r').split('\n'))
        w = std::max(w, m.horizontalAdvance(line));
    return w;
}

// The texts a widget may show, and the room for them.
bool measure(QWidget* w, QStringList* texts, int* room)
{
    if (auto* box = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(box);
        opt.editable = box->isEditable();
        opt.frame = box->hasFrame();
        opt.subControls = QStyle::SC_All;
        *room = box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box).width();
        bool icons = false;
        for (int i = 0; i < box->count(); ++i) {
            *texts << box->itemText(i);
            icons = icons || !box->itemIcon(i).isNull();
        }
        if (icons)
            *room -= box->iconSize().width();
        return true;
    }
    if (auto* t = qobject_cast<QToolButton*>(w)) {
        *texts << t->text();
        *room = t->width();
        if (t->toolButtonStyle() == Qt::ToolButtonTextBesideIcon && !t->icon().isNull())
            *room -= t->iconSize().width();
        return true;
    }
    if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w)) {
        // The text starts past the indicator and its spacing.
        auto* b = static_cast<QAbstractButton*>(w);
        QStyleOptionButton opt;
        opt.initFrom(b);
        const bool radio = qobject_cast<QRadioButton*>(w) != nullptr;
        QStyle* style = b->style();
        const int indicator = style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, &opt, b);
        const int spacing = style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &opt, b);
        *texts << b->text();
        *room = b->width() - indicator - spacing;
        if (!b->icon().isNull())
            *room -= b->iconSize().width() + 4;
        return true;
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (QByteArray(b->metaObject()->className()) == "ColorButton")
            return false;
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        *texts << b->text();
        *room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
        if (!b->icon().isNull())
            *room -= b->iconSize().width();
        return true;
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->wordWrap() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(l->text()))
            return false;
        *texts << l->text();
        *room = l->contentsRect().width();
        return true;
    }
    return false;
}

// A word-wrapped label cut off: its wrapped text taller than the label, or
// a line wider than the label (a word that cannot be broken). Empty when it
// shows the whole text.
QString wrappedCut(QLabel* l)
{
    const QString text = l->text();
    if (text.trimmed().isEmpty() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(text))
        return QString();
    const int needed = l->heightForWidth(l->width());
    if (needed > l->height())
        return QStringLiteral("%1 (%2 high > %3)").arg(text).arg(needed).arg(l->height());
    const int width = l->contentsRect().width() - 2 * std::max(0, l->indent()) - 2 * l->margin();
    for (const QString& paragraph : QString(text).remove('\r').split('\n')) {
        QTextLayout layout(paragraph, l->font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            if (line.naturalTextWidth() > width + 0.5)
                return QStringLiteral("%1 (a line %2 > %3)").arg(text).arg(line.naturalTextWidth()).arg(width);
        }
        layout.endLayout();
    }
    return QString();
}

// The part of the widget's right side that its ancestors up to root hide
// (a scroll area's viewport narrowed by its scroll bar).
int hiddenAtRight(QWidget* w, QWidget* root)
{
    QRect visible = w->rect();
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        visible &= QRect(w->mapFrom(p, QPoint(0, 0)), p->size());
        if (p == root || p->isWindow())
            break;
    }
    return visible.isEmpty() ? 0 : std::max(0, w->width() - 1 - visible.right());
}

} // namespace

QStringList clippedCaptions(QWidget* root)
{
    // Layouts that a text change asked for are done first, as the next pass
    // of the event loop would do them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStringList cut;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->width() <= 0)
            continue;
        w->ensurePolished();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap()) {
            const QString cutText = wrappedCut(l);
            if (!cutText.isEmpty())
                cut << cutText;
            continue;
        }
        QStringList texts;
        int room = 0;
        if (!measure(w, &texts, &room))
            continue;
        room -= hiddenAtRight(w, root);
        const QFontMetrics m(w->font());
        for (const QString& text : texts) {
            const int width = widestLine(m, text);
            if (!text.trimmed().isEmpty() && width > room)
                cut << QStringLiteral("%1 (%2 > %3)").arg(text).arg(width).arg(room);
        }
        // A caption of several lines needs their height too.
        const int lines = texts.size() == 1 ? QString(texts.first()).remove('\r').split('\n').size() : 1;
        if (lines > 1 && (qobject_cast<QPushButton*>(w) || qobject_cast<QLabel*>(w))) {
            int roomHeight = w->contentsRect().height();
            if (auto* b = qobject_cast<QPushButton*>(w)) {
                QStyleOptionButton opt;
                opt.initFrom(b);
                opt.text = b->text();
                roomHeight = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).height();
            }
            const int height = m.lineSpacing() * (lines - 1) + m.height();
            if (height > roomHeight)
                cut << QStringLiteral("%1 (%2 high > %3)").arg(texts.first()).arg(height).arg(roomHeight);
        }
    }
    return cut;
}
