// Pictures of every dialog in English and simplified Chinese, for a person to
// look at; and a check that every text on them has real glyphs (no boxes).
#include "kittest.h"

#include "params/lanstr.h"
#include "widgets/basewidgets.h"
#include "widgets/kitstyle.h"
#include "widgets/keyboards.h"
#include "widgets/keypads.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"
#include "widgets/splash.h"

#include <QAbstractButton>
#include <QDir>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QTextLayout>
#include <functional>
#include <memory>

namespace {

// Characters drawn with glyph 0 (the empty box of a font without them).
QString missingGlyphs(QString text, const QFont& font)
{
    text.replace('\r', ' ').replace('\n', ' ');
    if (text.trimmed().isEmpty())
        return {};
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QString missing;
    for (const QGlyphRun& run : layout.glyphRuns())
        if (run.glyphIndexes().contains(0))
            missing += text;
    return missing;
}

// Every text a person sees on the widget: labels, buttons, edits, placeholders.
QStringList textsWithoutGlyphs(QWidget* w)
{
    QStringList bad;
    for (QWidget* child : w->findChildren<QWidget*>()) {
        child->ensurePolished();
        QString text;
        if (auto* l = qobject_cast<QLabel*>(child))
            text = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(child))
            text = b->text();
        else if (auto* e = qobject_cast<QLineEdit*>(child))
            text = e->text() + ' ' + e->placeholderText();
        // Skinned buttons paint with their own face; the others use the widget font.
        const QFont font = dynamic_cast<ColorButton*>(child) ? kitFont("wqy-microhei", 22) : child->font();
        const QString missing = missingGlyphs(text, font);
        if (!missing.isEmpty())
            bad << missing;
    }
    return bad;
}

class Screenshots : public KitTest {
protected:
    void shoot(const QString& name, QWidget* w)
    {
        w->show();
        const QStringList bad = textsWithoutGlyphs(w);
        EXPECT_TRUE(bad.isEmpty()) << name.toStdString() << ": " << bad.join(" | ").toStdString();
        const QString dir = QStringLiteral(WIDGET_SHOT_DIR);
        ASSERT_TRUE(QDir().mkpath(dir));
        const QImage img = w->grab().toImage();
        EXPECT_FALSE(img.isNull());
        EXPECT_TRUE(img.save(dir + '/' + name + (gLan == 0 ? "-zh" : "-en") + ".png")) << name.toStdString();
        w->hide();
    }
};

} // namespace

// The glyph check itself sees a character no font has.
TEST_F(Screenshots, GlyphCheckSeesMissingCharacters)
{
    const QFont font = kitFont("wqy-microhei", 30);
    EXPECT_TRUE(missingGlyphs(QStringLiteral("警告！ Warning!"), font).isEmpty());
    EXPECT_FALSE(missingGlyphs(QString(QChar(0x0378)), font).isEmpty());
}

TEST_F(Screenshots, EveryDialogInBothLanguages)
{
    for (int lan : {1, 0}) {
        setLanguage(lan);
        NumberInput numpad;
        shoot("numpad", &numpad);
        NumCharInput charpad;
        shoot("charpad", &charpad);
        DigitalKeyboard digital(LanStr(243), "0, 10 - 9999", "600");
        shoot("digital-keyboard", &digital);
        FullKeyboard full(LanStr(401), "A-Z 0-9 _", "QMP_700");
        shoot("full-keyboard", &full);
        PasswordBox password(LanStr(569));
        shoot("password", &password);
        WarnBox warn(LanStr(568));
        warn.setText(LanStr(160));
        shoot("warning", &warn);
        ChooseBox choose(LanStr(566));
        choose.setText(LanStr(402));
        shoot("question", &choose);
    }
    BSplashScreen splash;
    shoot("splash", &splash);
}
