#include "widgets/kitstyle.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QLabel>
#include <QPainterPath>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextLayout>
#include <QToolButton>
#include <QVariant>
#include <algorithm>
#include <utility>

void InstallKitFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitutions(QStringLiteral("wqy-microhei"),
                               {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei")});
    QFont::insertSubstitutions(QStringLiteral("wenquanyi"),
                               {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei")});
}

QFont kitFont(const QString& family, int pixelSize)
{
    InstallKitFonts();
    QFont f(family);
    f.setPixelSize(pixelSize);
    return f;
}

QFont kitPointFont(const QString& family, int pointSize)
{
    InstallKitFonts();
    QFont f(family);
    f.setPointSize(pointSize);
    return f;
}

bool drawsEveryCharacter(const QString& text, const QFont& font)
{
    QString visible = text;
    visible.remove(QRegularExpression(QStringLiteral("\\s")));
    if (visible.isEmpty())
        return true;
    QTextLayout layout(visible, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0 || raw.pathForGlyph(glyph).isEmpty())
                return false;
    }
    return true;
}

QFont fittingFont(QFont font, const QString& text, int width, int smallest)
{
    QStringList lines = QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    auto widest = [&lines](const QFont& f) {
        const QFontMetrics m(f);
        int w = 0;
        for (const QString& line : lines)
            w = std::max(w, m.horizontalAdvance(line));
        return w;
    };
    const bool pixels = font.pixelSize() > 0;
    int size = pixels ? font.pixelSize() : font.pointSize();
    while (size > smallest && widest(font) > width) {
        --size;
        if (pixels)
            font.setPixelSize(size);
        else
            font.setPointSize(size);
    }
    return font;
}

namespace {

// The widget's own style sheet without the fitting rule, and the sheet as
// last set here: a sheet its owner set since then becomes the own one.
const char* const kFitOwnSheet = "kitFitOwnSheet";
const char* const kFitSetSheet = "kitFitSetSheet";

// Each entry of a combo box may be the one shown.
QString captionText(QWidget* w)
{
    if (auto* box = qobject_cast<QComboBox*>(w)) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts.join(QLatin1Char('\n'));
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->wordWrap() || l->textFormat() == Qt::RichText ? QString() : l->text();
    return QString();
}

// The width the style leaves the text.
int captionRoom(QWidget* w)
{
    if (auto* box = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(box);
        opt.editable = box->isEditable();
        opt.frame = box->hasFrame();
        opt.iconSize = box->iconSize();
        opt.subControls = QStyle::SC_All;
        int room = box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box).width();
        bool icons = false;
        for (int i = 0; i < box->count(); ++i)
            icons = icons || !box->itemIcon(i).isNull();
        if (icons)
            room -= box->iconSize().width() + 4;
        return room;
    }
    if (auto* t = qobject_cast<QToolButton*>(w)) {
        int room = t->width() - 8;
        if (t->toolButtonStyle() == Qt::ToolButtonTextBesideIcon && !t->icon().isNull())
            room -= t->iconSize().width() + 4;
        return room;
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        int room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width() - 4;
        if (!b->icon().isNull())
            room -= b->iconSize().width() + 4;
        return room;
    }
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->contentsRect().width() - 2 * std::max(0, l->indent()) - 2 * l->margin();
    return 0;
}

void setSheet(QWidget* w, const QString& sheet)
{
    if (w->styleSheet() != sheet)
        w->setStyleSheet(sheet);
    w->setProperty(kFitSetSheet, sheet);
}

void refit(QWidget* w)
{
    QString own = w->property(kFitOwnSheet).toString();
    if (w->styleSheet() != w->property(kFitSetSheet).toString()) {
        own = w->styleSheet();
        w->setProperty(kFitOwnSheet, own);
    }
    setSheet(w, own);
    w->ensurePolished();
    const QString text = captionText(w);
    const int room = captionRoom(w);
    if (text.isEmpty() || room <= 0)
        return;
    const QFont font = w->font();
    const QFont fitted = fittingFont(font, text, room);
    if (fitted == font)
        return;
    const int px = QFontInfo(fitted).pixelSize();
    const QString rule = QStringLiteral("%1{font-size:%2px;}").arg(QLatin1String(w->metaObject()->className())).arg(px);
    setSheet(w, own.contains(QLatin1Char('{')) || own.trimmed().isEmpty() ? own + rule
                                                                       : QStringLiteral("*{%1}").arg(own) + rule);
}

class CaptionFitter : public QObject {
public:
    explicit CaptionFitter(QObject* parent) : QObject(parent) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            refit(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

void fitCaption(QWidget* w)
{
    if (!w || w->property(kFitOwnSheet).isValid())
        return;
    w->setProperty(kFitOwnSheet, w->styleSheet());
    w->setProperty(kFitSetSheet, w->styleSheet());
    w->installEventFilter(new CaptionFitter(w));
    if (w->isVisible())
        refit(w);
}

void refitCaption(QWidget* w)
{
    if (!w)
        return;
    fitCaption(w);
    refit(w);
}

void fitCaptions(QWidget* parent)
{
    for (QWidget* w : parent->findChildren<QWidget*>())
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLabel*>(w))
            fitCaption(w);
}

void keepLook(QWidget* w)
{
    const QFont f = w->font();
    const QString size = f.pixelSize() > 0 ? QStringLiteral("%1px").arg(f.pixelSize())
                                           : QStringLiteral("%1pt").arg(f.pointSizeF());
    w->setStyleSheet(QStringLiteral("%1{font-family:\"%2\";font-size:%3;color:%4;}")
                         .arg(QLatin1String(w->metaObject()->className()), f.family(), size,
                              w->palette().color(QPalette::WindowText).name()));
}

QString AppStyleSheet()
{
    static const std::pair<const char*, const char*> rules[] = {
        {"QLabel", "font-size:18px;color:white;"},
        {"MainWindow", "background-color:#ffffff;"},
        {"BLineEdit", "background-color:#f5f5f5;border-width:1px;border-style:solid;border-color:#696667;"
                      "color:#173889;font-size:32px;"},
        {"QPushButton", "background-color:#ffffff;border-width:1px;border-style:solid;border-color:#696667;"
                        "color:#173889;font-size:22px;"},
        {"QPushButton:pressed", "background-color:#656263;color:#ffffff;"},
        {"QScrollBar:vertical", "background:#00FFFFFF;width:6px;min-height:40px;padding:0px;"},
        {"QScrollBar::handle:vertical", "background:#BDBDBD;border-radius:3px;"},
        {"QScrollBar::handle:vertical:hover", "background:#EDEDED;"},
        {"QScrollBar::add-line:vertical", "background:None;"},
        {"QScrollBar::sub-line:vertical", "background:None;"},
        {"QSlider", "height:38px;"},
        {"QSlider::groove", "border-radius:5px;height:10px;background:#d3d3d3;"},
        {"QSlider::handle", "width:  60px;height: 60px;margin-top: -20px;margin-left: -10px;"
                            "margin-bottom: -20px;margin-right: -10px;image:url(:/img/icons/圆1.png);"},
        {"QSlider::add-page", "border-radius:5px;height:10px;background:#d3d3d3;"},
        {"QSlider::sub-page", "border-radius:5px;height:10px;background:#273d88;"},
        {"QCheckBox::indicator", "width:95px;height:50px;"},
        {"QCheckBox::indicator:unchecked", "image:url(:/img/icons/54.png);"},
        {"QCheckBox::indicator:checked", "image:url(:/img/icons/55.png);"},
        {"QRadioButton", "font-size:22px;color:#656263;spacing:30px;"},
        {"QRadioButton::indicator", "width:50px;height:50px;"},
        {"QRadioButton::indicator::unchecked", "image: url(:/img/icons/71.png);"},
        {"QRadioButton::indicator::checked", "image: url(:/img/icons/70.png);"},
        {"QComboBox", "border: 1px solid #656263;padding: 1px 32px 1px 32px;font-size: 22px;color: #5f6268;"
                      "height: 50px;background-color:#f5f5f5;"},
        {"QComboBox::drop-down", "subcontrol-origin: padding;subcontrol-position: top right;width: 50px;"
                                 "border-style:none;"},
        {"QComboBox::down-arrow", "width: 50px;image: url(:/img/icons/2a.png);"},
        {"QComboBox QAbstractItemView", "border: 1px solid #656263;font-size: 22px;color: #5f6268;"
                                        "selection-background-color: #656263;"},
        {"QComboBox QAbstractItemView::item", "height:50px;"},
    };
    QString sheet;
    for (const auto& r : rules)
        sheet += QString::fromUtf8(r.first) + '{' + QString::fromUtf8(r.second) + '}';
    return sheet;
}
