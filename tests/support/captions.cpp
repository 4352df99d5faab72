#include "captions.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextDocument>
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
        QStringList texts;
        int room = 0;
        if (!measure(w, &texts, &room))
            continue;
        const QFontMetrics m(w->font());
        for (const QString& text : texts) {
            const int width = widestLine(m, text);
            if (!text.trimmed().isEmpty() && width > room)
                cut << QStringLiteral("%1 (%2 > %3)").arg(text).arg(width).arg(room);
        }
    }
    return cut;
}
