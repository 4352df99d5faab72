#include "kittest.h"

#include "params/lanstr.h"
#include "widgets/basewidgets.h"
#include "widgets/kitstyle.h"

#include <QAbstractItemView>
#include <QFontInfo>
#include <QSignalSpy>
#include <QtTest/QTest>

using BaseWidgets = KitTest;

TEST_F(BaseWidgets, AppStyleSheetHasEveryRuleInOrder)
{
    const QString sheet = AppStyleSheet();
    EXPECT_EQ(sheet.size(), 1927);
    EXPECT_TRUE(sheet.startsWith("QLabel{font-size:18px;color:white;}MainWindow{background-color:#ffffff;}"));
    EXPECT_TRUE(sheet.endsWith("QComboBox QAbstractItemView::item{height:50px;}"));
    EXPECT_TRUE(sheet.contains("QSlider::handle{width:  60px;height: 60px;"));
    EXPECT_TRUE(sheet.contains("image:url(:/img/icons/圆1.png);}QSlider::add-page{"));
}

TEST_F(BaseWidgets, RequestedFamiliesResolveToInstalledChineseFonts)
{
    for (const char* family : {"wqy-microhei", "wenquanyi"}) {
        const QFontInfo info(kitFont(QString::fromLatin1(family), 20));
        EXPECT_TRUE(info.family().startsWith("WenQuanYi")) << family << " -> " << info.family().toStdString();
    }
}

TEST_F(BaseWidgets, ComboBoxTellsOfThePressAndStillOpensItsPopup)
{
    ComboBox combo;
    combo.addItems({"a", "b"});
    showActive(&combo);
    QSignalSpy clicked(&combo, &ComboBox::clicked);
    QTest::mouseClick(&combo, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(combo.view()->isVisible());
    combo.hidePopup();
    EXPECT_EQ(combo.focusPolicy(), Qt::NoFocus);
}

TEST_F(BaseWidgets, ComboBoxItemHeightReplacesItsStyleSheet)
{
    ComboBox combo;
    combo.setStyleSheet("QComboBox{color:red;}");
    combo.setItemHeight(80);
    EXPECT_EQ(combo.styleSheet(),
              QString("QComboBox QAbstractItemView::item{height:80px;}QComboBox::tab-bar{border-width:0px;}"));
    combo.setItemWidth(300);
    EXPECT_EQ(combo.view()->width(), 300);
}

// The button's own pixmap covers it only when it came through the constructor.
TEST_F(BaseWidgets, ColorButtonDrawsItsOwnPixmapOnlyFromThePixmapConstructor)
{
    QPixmap red(10, 10);
    red.fill(Qt::red);
    ColorButton fromPixmap(red);
    fromPixmap.resize(40, 30);
    EXPECT_EQ(fromPixmap.grab().toImage().pixelColor(20, 15), QColor(Qt::red));
    EXPECT_EQ(fromPixmap.style(), 3);
    EXPECT_TRUE(fromPixmap.text().isEmpty());

    ColorButton fromText("", nullptr, 3);
    fromText.setPixmap(red);
    fromText.resize(40, 30);
    EXPECT_NE(fromText.grab().toImage().pixelColor(20, 15), QColor(Qt::red));
}

TEST_F(BaseWidgets, ColorButtonRepeatTiming)
{
    ColorButton b("+", nullptr, 3);
    b.SetRepeat();
    EXPECT_TRUE(b.autoRepeat());
    EXPECT_EQ(b.autoRepeatDelay(), 300);
    EXPECT_EQ(b.autoRepeatInterval(), 50);
}

TEST_F(BaseWidgets, SplitLinesAreOnePixelInTheirColour)
{
    QWidget parent;
    QWidget* v = createVerticalSplitLine(&parent, "#656263");
    QWidget* h = createHorizontalSplitLine(&parent, "#00ff00");
    EXPECT_EQ(v->parentWidget(), &parent);
    EXPECT_EQ(v->maximumWidth(), 1);
    EXPECT_EQ(h->maximumHeight(), 1);
    EXPECT_EQ(v->styleSheet(), QString("background-color:#656263"));
    h->resize(20, 1);
    EXPECT_EQ(h->grab().toImage().pixelColor(10, 0), QColor("#00ff00"));
}

TEST_F(BaseWidgets, BWidgetPaintsItsStyleSheetBackground)
{
    BWidget w;
    w.setStyleSheet("BWidget{background-color:#123456;}");
    w.resize(30, 30);
    EXPECT_EQ(w.grab().toImage().pixelColor(15, 15), QColor("#123456"));
}

TEST_F(BaseWidgets, OptionButtonIsFixedWithTextUnderIcon)
{
    BOptionButton b;
    EXPECT_EQ(b.size(), QSize(175, 112));
    EXPECT_EQ(b.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
}
