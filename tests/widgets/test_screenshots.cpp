// Pictures of every dialog in English and simplified Chinese (the checks in
// traditional Chinese too), in the program's own font and style sheet, for a
// person to look at; and checks that every text on them has real glyphs (no
// boxes) and that no caption is cut off.
#include "kittest.h"

#include "captions.h"
#include "programlook.h"

#include "params/lanstr.h"
#include "widgets/basewidgets.h"
#include "widgets/kitstyle.h"
#include "widgets/keyboards.h"
#include "widgets/keypads.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"
#include "widgets/splash.h"
#include "widgets/bmessagebox.h"
#include "widgets/editip.h"
#include "widgets/pagecontrolbar.h"
#include "widgets/picturelabel.h"
#include "widgets/valuerows.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QDir>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QTextLayout>
#include <functional>
#include <memory>

namespace {

// The text when some character is drawn with glyph 0 (the empty box of a
// font without it) or with a glyph that has no shape.
QString missingGlyphs(QString text, const QFont& font)
{
    return drawsEveryCharacter(text, font) ? QString() : text;
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

// Pixels of the widget drawn close to the colour: the ink of its text.
int inkOf(QWidget* w, const QColor& colour)
{
    const QImage img = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                     + std::abs(c.blue() - colour.blue()) < 60;
        }
    return n;
}

class Screenshots : public KitTest {
protected:
    void SetUp() override
    {
        KitTest::SetUp();
        look = std::make_unique<ProgramLook>();
    }
    void TearDown() override
    {
        look.reset();
        KitTest::TearDown();
    }
    std::unique_ptr<ProgramLook> look;
    void shoot(const QString& name, QWidget* w)
    {
        w->show();
        const QStringList bad = textsWithoutGlyphs(w);
        EXPECT_TRUE(bad.isEmpty()) << name.toStdString() << ": " << bad.join(" | ").toStdString();
        const QStringList cut = clippedCaptions(w);
        EXPECT_TRUE(cut.isEmpty()) << name.toStdString() << " " << gLan << ": " << cut.join(" | ").toStdString();
        if (gLan == 2) {
            w->hide();
            return; // checked, not kept
        }
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
    EXPECT_TRUE(missingGlyphs(QStringLiteral("a\r\n b"), font).isEmpty());
    EXPECT_FALSE(missingGlyphs(QString(QChar(0x0378)), font).isEmpty());
    // This face has an empty shape for the degree sign.
    EXPECT_FALSE(missingGlyphs(QString::fromUtf8("℃"), font).isEmpty());
    EXPECT_TRUE(missingGlyphs(QString::fromUtf8("℃"), kitFont("wenquanyi", 30)).isEmpty());
}

// The caption check sees a button too narrow for its text, and the kit's
// fitting makes it fit.
TEST_F(Screenshots, CaptionCheckSeesACutCaptionAndFittingMends)
{
    QWidget row;
    auto* b = new QPushButton(QStringLiteral("Cancel"), &row);
    b->setFixedSize(100, 50);
    b->setStyleSheet(QStringLiteral("font-size:32px;"));
    auto* combo = new QComboBox(&row);
    combo->addItems({QStringLiteral("Live Image"), QStringLiteral("All Camera")});
    combo->setFixedSize(260, 50);
    combo->setStyleSheet(QStringLiteral("QComboBox{font-size:40px;}"));
    combo->move(0, 60);
    row.show();
    EXPECT_EQ(clippedCaptions(&row).size(), 3) << clippedCaptions(&row).join(" | ").toStdString();
    row.hide();
    fitCaptions(&row);
    row.show();
    QCoreApplication::processEvents(); // the new size sheet takes effect
    const QStringList cut = clippedCaptions(&row);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
    EXPECT_LT(b->font().pixelSize(), 32);
    EXPECT_GT(b->font().pixelSize(), 20);
}

TEST_F(Screenshots, EveryDialogInEveryLanguage)
{
    for (int lan : {1, 0, 2}) {
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
        // Its category line is in the operator's language.
        BSplashScreen splash;
        shoot("splash", &splash);
    }
}

TEST_F(Screenshots, RowsBarsAndFlagDialogsInEveryLanguage)
{
    for (int lan : {1, 0, 2}) {
        setLanguage(lan);
        BMessageBox box(LanStr(566), LanStr(447), 0x4 | 0x8, Question);
        shoot("bmessagebox", &box);
        BMessageBox all(LanStr(568), LanStr(324), 0x1F, NoIcon);
        shoot("bmessagebox-all", &all);
        // The account notice: its title and message rows.
        MessageDialog dialog(LanStr(1351), LanStr(1352), MessageDialog::Ok | MessageDialog::Cancel);
        shoot("messagedialog", &dialog);
        PageControlBar bar;
        bar.resize(900, 70);
        shoot("pagecontrolbar", &bar);

        QWidget rows;
        rows.setStyleSheet("background-color:#3c3c3c;");
        auto* value = new EditBox(0, 100, &rows, LanStr(243), "S", 2, 10);
        value->setValue(25);
        auto* temp = new EditTempBox(0, 1000, 0, 0, &rows, QString::fromUtf8("温度1"), QString::fromUtf8("℃"), 2, 10);
        temp->setValueRange(200, 600);
        temp->setValue(253);
        temp->setStyleSheet("background-color:#ffffff;");
        temp->move(0, 70);
        auto* ip = new EditIP("IP", &rows);
        ip->setTextIP("192.168.1.20");
        ip->move(0, 140);
        ip->resize(700, 80);
        auto* slider = new C_Slider(&rows);
        slider->setRange(0, 100);
        slider->setValue(40);
        slider->setGeometry(20, 240, 500, 30);
        rows.resize(1000, 290);
        shoot("rows", &rows);
        // The program's QLabel rule (18 px, white) must not win over the
        // colour and size these labels are given: white on the temperature
        // row's white field showed nothing.
        rows.show();
        EXPECT_GT(inkOf(temp->titleLabel(), Qt::black), 40);
        EXPECT_GT(inkOf(temp->valueLabel(), Qt::black), 40);
        EXPECT_GT(inkOf(value->titleLabel(), Qt::yellow), 40);
        EXPECT_GT(inkOf(ip->titleLabel(), Qt::yellow), 20);
        EXPECT_GT(QFontInfo(temp->titleLabel()->font()).pixelSize(), 18);
        rows.hide();
    }
}
