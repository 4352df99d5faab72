#include "widgets/kitstyle.h"

#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QRegularExpression>
#include <QStringList>
#include <QTextLayout>
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
