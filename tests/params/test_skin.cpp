#include "params/fonts.h"
#include "params/skin.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QRawFont>
#include <QResource>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// Pictures that show what the skin and the fonts look like on screen.
QString screenshotPath(const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir + '/' + name;
}

QRawFont embeddedFont(const QString& path)
{
    QResource res(path);
    if (!res.isValid())
        return QRawFont();
    return QRawFont(QByteArray(reinterpret_cast<const char*>(res.data()), int(res.size())), 24);
}

const QString kHan = QStringLiteral("中");  // simplified Chinese
const QString kHant = QStringLiteral("體"); // traditional Chinese

} // namespace

class SkinPixmaps : public InTempFolder {
protected:
    // The copy of the value box that a new program folder gets.
    bool installValueBox()
    {
        return QDir().mkpath(file("images"))
               && QFile::copy(testenv::sourceDir() + QStringLiteral("/resources/programdir/images/edit.png"),
                              file("images/edit.png"));
    }
};

TEST_F(SkinPixmaps, EmbeddedImagesHaveTheirSizesAndChannels)
{
    MakeSkinPixmaps();
    struct Case {
        QPixmap* pixmap;
        const char* path;
        QSize size;
        bool alpha; // of the file: a pixmap drops an alpha channel that is never used
    };
    const Case cases[] = {
        {gpPixmapLogo, ":/img/icons/2.png", {175, 113}, true},
        {gpPixmapBG, ":/img/icons/3-1.png", {171, 128}, true},
        {gpPixmapSlideru, ":/img/icons/slideru.png", {101, 12}, false},
        {gpPixmapSliderd, ":/img/icons/sliderd.png", {327, 25}, false},
        {gpPixmapSlidert, ":/img/icons/slidert.png", {122, 208}, false},
        {gpPixmapButton[0], ":/img/icons/buttonu.png", {97, 79}, false},
        {gpPixmapButton[1], ":/img/icons/buttond.png", {97, 79}, false},
        {gpPixmapOUT[0], ":/img/icons/19.png", {36, 36}, true},
        {gpPixmapOUT[1], ":/img/icons/18.png", {36, 36}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_NE(c.pixmap, nullptr);
        EXPECT_FALSE(c.pixmap->isNull());
        EXPECT_EQ(c.pixmap->size(), c.size);
        EXPECT_EQ(QImage(QString::fromLatin1(c.path)).hasAlphaChannel(), c.alpha);
    }
    // Pressed and released must be told apart, and so must the lamp states.
    EXPECT_NE(gpPixmapButton[0]->toImage(), gpPixmapButton[1]->toImage());
    EXPECT_NE(gpPixmapOUT[0]->toImage(), gpPixmapOUT[1]->toImage());
}

TEST_F(SkinPixmaps, ValueBoxComesFromTheProgramFolder)
{
    MakeSkinPixmaps();
    ASSERT_NE(gpPixmapEdit, nullptr);
    EXPECT_TRUE(gpPixmapEdit->isNull());

    ASSERT_TRUE(installValueBox());
    MakeSkinPixmaps();
    EXPECT_FALSE(gpPixmapEdit->isNull());
    EXPECT_EQ(gpPixmapEdit->size(), QSize(120, 48));
}

TEST_F(SkinPixmaps, ScreenshotAsTheWidgetsDrawThem)
{
    ASSERT_TRUE(installValueBox());
    MakeSkinPixmaps();
    QImage sheet(900, 560, QImage::Format_RGB32);
    sheet.fill(QColor(0x10, 0x20, 0x38));
    QPainter p(&sheet);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(24);
    p.setFont(f);
    // IO page: logo over the page, cyan title.
    p.drawPixmap(QRect(0, 0, 440, 300), *gpPixmapLogo);
    p.setPen(QColor(0, 255, 255));
    p.drawText(QRect(70, 10, 300, 40), Qt::AlignCenter, QStringLiteral("IO Settings"));
    // Dialog background with a blue caption.
    p.drawPixmap(QRect(460, 0, 440, 300), *gpPixmapBG);
    p.setPen(Qt::blue);
    p.drawText(QRect(480, 10, 400, 50), Qt::AlignVCenter, QStringLiteral("Camera 1 switches to:"));
    // Buttons, up and down, with white text.
    for (int down = 0; down < 2; ++down) {
        const QRect r(20 + 240 * down, 320, 220, 100);
        p.drawPixmap(r, *gpPixmapButton[down]);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, down ? QStringLiteral("Pressed") : QStringLiteral("Confirm"));
    }
    // Output lamps as the IO status band draws them.
    p.drawPixmap(QRect(520, 330, 70, 80), *gpPixmapOUT[0]);
    p.drawPixmap(QRect(620, 330, 70, 80), *gpPixmapOUT[1]);
    // A slider 860 wide and 60 high, value 40 of 0..100.
    const int w = 860, h = 60, y = 460, groove = w - 370;
    p.setPen(Qt::green);
    p.drawText(QRect(20, y, 120, h), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Gain"));
    p.drawPixmap(QRect(20 + 135, y + 3, 80, h - 6), *gpPixmapEdit);
    p.drawText(QRect(20 + 135, y + 3, 80, h - 6), Qt::AlignCenter, QStringLiteral("40"));
    p.drawPixmap(QRect(20 + 295, y + 3, groove, h - 6), *gpPixmapSliderd);
    const int t = int(0.4f * int(groove * 0.95)), off = int(0.03 * groove);
    p.drawPixmap(QRect(20 + 295 + off, y + 11, t, h - 22), *gpPixmapSlideru);
    p.drawPixmap(QRect(20 + 295 + off + t, y + 3, 10, h - 6), *gpPixmapSlidert);
    p.end();
    EXPECT_TRUE(sheet.save(screenshotPath(QStringLiteral("skin.png"))));
}

TEST(ApplicationFonts, EmbeddedFontsHoldTheirScripts)
{
    const QString family = LoadApplicationFonts();
    ASSERT_FALSE(family.isEmpty());
    EXPECT_EQ(LoadApplicationFonts(), family); // registered once

    // The data itself, not a same-named system font, must carry the glyphs;
    // the Medium font's first face is the one the screens are set in.
    struct Case {
        const char* path;
        bool cjk;
    };
    const Case cases[] = {
        {":/font/fonts/SourceHanSansCN-Medium.ttf", true},
        {":/font/fonts/SourceHanSansCN-Normal.ttf", true},
        {":/font/fonts/opensans.ttf", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const QRawFont raw = embeddedFont(QString::fromLatin1(c.path));
        ASSERT_TRUE(raw.isValid());
        EXPECT_TRUE(raw.supportsCharacter(QLatin1Char('A')));
        EXPECT_EQ(raw.supportsCharacter(kHan.at(0)), c.cjk);
        EXPECT_EQ(raw.supportsCharacter(kHant.at(0)), c.cjk);
    }
    const QRawFont medium = embeddedFont(QStringLiteral(":/font/fonts/SourceHanSansCN-Medium.ttf"));
    EXPECT_EQ(medium.familyName(), family);
    EXPECT_TRUE(family.endsWith(QLatin1String(" SC"))) << qPrintable(family);

    QFont font(family);
    font.setWeight(50);
    const QFontMetrics fm(font);
    for (const QString& s : {kHan, kHant, QStringLiteral("A")})
        EXPECT_TRUE(fm.inFontUcs4(s.toUcs4().at(0))) << qPrintable(s);
}

TEST(ApplicationFonts, ScreenshotOfChineseAndLatinText)
{
    const QString family = LoadApplicationFonts();
    ASSERT_FALSE(family.isEmpty());
    QWidget w;
    w.setStyleSheet(QStringLiteral("background:#10243f; color:white;"));
    auto* layout = new QVBoxLayout(&w);
    QFont font(family);
    font.setWeight(50);
    font.setPixelSize(32);
    for (const QString& text : {QStringLiteral("检测设置 模具监控 確認體驗"),
                                QStringLiteral("Detection settings 0123456789")}) {
        auto* label = new QLabel(text, &w);
        label->setFont(font);
        layout->addWidget(label);
    }
    auto* latin = new QLabel(QStringLiteral("Open Sans: Monitor 42"), &w);
    QFont open(QStringLiteral("Open Sans"));
    open.setPixelSize(32);
    latin->setFont(open);
    layout->addWidget(latin);
    w.resize(640, 220);
    const QPixmap shot = w.grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(screenshotPath(QStringLiteral("fonts.png"))));
}
