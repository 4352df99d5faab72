// The address field, the picture label and the jump slider.
#include "kittest.h"

#include "widgets/edit.h"
#include "widgets/editip.h"
#include "widgets/keypads.h"
#include "widgets/picturelabel.h"
#include "widgets/uihost.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest/QTest>

using SmallWidgets = KitTest;

namespace {
QStringList octets(EditIP& ip)
{
    QStringList t;
    for (int k = 0; k < 4; ++k)
        t << ip.octet(k)->text();
    return t;
}
} // namespace

TEST_F(SmallWidgets, AddressFieldOctets)
{
    EditIP ip("IP");
    QSignalSpy changed(&ip, &EditIP::textchange);
    ip.octet(0)->setText("192");
    ip.octet(1)->setText("300");
    EXPECT_EQ(ip.octet(1)->text(), QString("255"));
    ASSERT_GE(changed.count(), 2);
    EXPECT_EQ(changed.last()[0].toString(), QString("192.255.0.0"));
    ip.octet(2)->setText("5");
    changed.clear();
    ip.octet(2)->setText("");
    EXPECT_EQ(ip.octet(2)->text(), QString("0")) << "an emptied octet shows 0 at once";
    EXPECT_GE(changed.count(), 1);
    ip.octet(3)->setText("-4");
    EXPECT_EQ(ip.octet(3)->text(), QString("0"));
    EXPECT_EQ(ip.getTextIP(), QString("192.255.0.0"));
    EXPECT_EQ(ip.height(), 80);
    EXPECT_EQ(ip.titleLabel()->width(), 200);
    EXPECT_EQ(ip.octet(0)->size(), QSize(100, 50));
}

TEST_F(SmallWidgets, AddressFieldSetText)
{
    struct Case {
        const char* text;
        QStringList octets;
    };
    const Case cases[] = {
        {"192.168.1.20", {"192", "168", "1", "20"}},
        {"10.0.0.1.5", {"10", "0", "0", "5"}}, // a fifth group restarts the fourth octet
        {"10.0", {"10", "0", "7", "7"}},       // octets without a character keep their text
        {"1.2.3.999", {"1", "2", "3", "255"}},
    };
    for (const Case& c : cases) {
        EditIP ip("IP");
        ip.setTextIP("7.7.7.7");
        QStringList fourth;
        QObject::connect(ip.octet(3), &QLineEdit::textChanged, [&](const QString& t) { fourth << t; });
        ip.setTextIP(c.text);
        EXPECT_EQ(octets(ip), c.octets) << c.text;
        if (QString(c.text) == "10.0.0.1.5") {
            EXPECT_EQ(fourth, (QStringList{"1", "5"})) << "first 1, then 5";
        }
    }
}

// The dot key moves on to the next octet with 0 in it; in the last it moves nowhere.
TEST_F(SmallWidgets, AddressFieldDotKey)
{
    EditIP ip("IP");
    showActive(&ip);
    ip.setTextIP("1.2.3.4");
    ip.octet(0)->setFocus();
    QTest::keyClick(ip.octet(0), '.');
    EXPECT_TRUE(ip.octet(1)->hasFocus());
    EXPECT_EQ(ip.octet(1)->text(), QString("0"));
    EXPECT_EQ(ip.octet(0)->text(), QString("1")) << "the dot itself is not typed";
    EXPECT_EQ(uiHost().focusedEdit.data(), ip.octet(1));
    ip.octet(3)->setFocus();
    QTest::keyClick(ip.octet(3), '.');
    EXPECT_TRUE(ip.octet(3)->hasFocus());
    EXPECT_EQ(ip.getTextIP(), QString("1.0.3.4"));

    ip.setTitleColor(Qt::green);
    EXPECT_EQ(ip.titleLabel()->palette().color(QPalette::WindowText), QColor(Qt::green));
}

TEST_F(SmallWidgets, PictureLabelReportsALeftPress)
{
    QPixmap pm(10, 10);
    pm.fill(Qt::red);
    Label label(nullptr, pm);
    EXPECT_TRUE(label.hasScaledContents());
    QSignalSpy clicked(&label, &Label::clicked);
    QTest::mousePress(&label, Qt::RightButton);
    EXPECT_EQ(clicked.count(), 0);
    QTest::mousePress(&label, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

// Where a release lands and what value it gives.
TEST_F(SmallWidgets, JumpSliderValueTable)
{
    struct Case {
        double x;
        int w, min, max, current, value;
    };
    const Case cases[] = {
        {250, 500, 0, 100, 7, 50},
        {492, 500, 0, 100, 7, 100}, // beyond w - w/50
        {9, 500, 0, 100, 7, 0},     // below w/50
        {10, 500, 0, 100, 7, 2},
        {-30, 500, 0, 100, 7, 0},
        {5000, 500, 0, 100, 7, 100},
        {249.5, 500, 0, 100, 7, 50}, // halves round up
        {20, 40, 0, 100, 7, 50},     // narrower than 50: no snapping
        {1, 40, 0, 100, 7, 2},
        {-20, 40, 0, 100, 7, 0},
        {10, 0, 0, 100, 7, 7},       // no width: the value stays
        {250, 500, -100, 100, 7, 0},
        {250, 500, 0, 2147483647, 7, 1073741823},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sliderJumpValue(c.x, c.w, c.min, c.max, c.current), c.value) << c.x << " on " << c.w;
}

TEST_F(SmallWidgets, JumpSliderReportsEveryRelease)
{
    C_Slider slider;
    EXPECT_EQ(slider.orientation(), Qt::Horizontal);
    EXPECT_EQ(slider.styleSheet(),
              QString("QSlider{border-color: #bcbcbc;}QSlider::groove:horizontal {border: 1px solid #999999;height: 10px}"
                      "QSlider::handle:horizontal {width: 8px;background: rgb(0, 160, 230); margin: -7px -7px -7px "
                      "-7px;border-radius: 1px;}"
                      "QSlider::sub-page:horizontal{background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, "
                      "stop:0 #439cf3, stop:0.25 #439cf3, stop:0.5 #439cf3, stop:1 #439cf3);}"
                      "QSlider::add-page:horizontal{background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, "
                      "stop:0 #bcbcbc, stop:0.25 #bcbcbc, stop:0.5 #bcbcbc, stop:1 #bcbcbc);}"));
    slider.setRange(0, 100);
    slider.resize(500, 30);
    showActive(&slider);
    QSignalSpy changed(&slider, &C_Slider::cChgValue);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(250, 15));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(495, 15));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(495, 15));
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed[0][0].toInt(), 50);
    EXPECT_EQ(changed[1][0].toInt(), 100);
    EXPECT_EQ(changed[2][0].toInt(), 100) << "unchanged, still reported";
    EXPECT_EQ(slider.value(), 100);
    // A slider squeezed to no width keeps its value.
    slider.setFixedWidth(0);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(0, 0));
    EXPECT_EQ(slider.value(), 100);
}
