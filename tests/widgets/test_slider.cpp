#include "kittest.h"

#include "params/geometry.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/keypads.h"
#include "widgets/slider.h"
#include "widgets/uihost.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

// The region panel with one slider; 1423 px wide gives a 1053-px groove and
// exactly 1000 px for the whole range.
class Sliders : public KitTest {
protected:
    void TearDown() override
    {
        gpNumPad->setParent(nullptr);
        KitTest::TearDown();
    }
    Slider* make(int min, int max, int value, int width = 1423)
    {
        auto* s = new Slider(min, max, 1, value, &panel, "Size");
        s->setGeometry(0, 100, width, 60);
        panel.resize(1725, 400);
        if (!panel.isVisible())
            showActive(&panel);
        s->show();
        return s;
    }
    void drag(Slider* s, int fromX, const QList<int>& toX)
    {
        QTest::mousePress(s, Qt::LeftButton, {}, QPoint(fromX, 30));
        for (int x : toX) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, 30), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(s, &move);
        }
        QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(toX.isEmpty() ? fromX : toX.last(), 30));
    }
    QWidget panel;
};

} // namespace

TEST_F(Sliders, LayoutFollowsTheWidth)
{
    Slider* s = make(0, 1000, 0);
    EXPECT_EQ(s->grooveWidth(), 1053);
    EXPECT_EQ(s->fillOffset(), 31);
    EXPECT_EQ(s->fillWidth(), 1000);
    const int y0 = ((60 - 1) - 27) / 2 - 6;
    EXPECT_EQ(s->plusButton()->pos(), QPoint(1423 - 70, y0));
    EXPECT_EQ(s->minusButton()->pos(), QPoint(220, y0));
    EXPECT_EQ(s->plusButton()->size(), QSize(70, 41));
    EXPECT_EQ(s->objectName(), QString("Size"));
}

TEST_F(Sliders, ValueToPixels)
{
    struct Case {
        int min, max, value, width;
        int pixels;
    };
    const Case cases[] = {
        {0, 1000, 500, 1423, 500}, {0, 10, 3, 1423, 300},     {-50, 50, 0, 1423, 500}, {0, 1000, 1000, 1423, 1000},
        {0, 3, 1, 1423, 333},      {0, 1000, 500, 1370, 475}, // 950 px for the range
        {5, 5, 5, 1423, 0},        // a single value: nothing to fill, no division by zero
        {0, 100, 50, 300, 0},      // narrower than the fixed parts: no groove
    };
    for (const Case& c : cases) {
        Slider* s = make(c.min, c.max, c.value, c.width);
        s->grab(); // paints, which places the thumb
        EXPECT_EQ(s->fillPixels(), c.pixels) << c.min << ".." << c.max << " @" << c.value;
        EXPECT_EQ(s->thumbX(), 295 + s->fillOffset() + c.pixels);
        delete s;
    }
}

TEST_F(Sliders, DragStartsOnlyNearTheThumb)
{
    struct Case {
        int offset;
        bool drags;
    };
    const Case cases[] = {{-21, false}, {-20, true}, {0, true}, {25, true}, {29, true}, {30, false}};
    for (const Case& c : cases) {
        Slider* s = make(0, 1000, 500);
        s->grab();
        const int x = s->thumbX() + c.offset;
        drag(s, x, {x + 10});
        EXPECT_EQ(s->value(), c.drags ? 510 : 500) << c.offset;
        delete s;
    }
}

TEST_F(Sliders, SmallMovesAddUpToWholeSteps)
{
    Slider* s = make(0, 10, 0);
    s->grab();
    const int x0 = s->thumbX();
    QList<int> path;
    for (int dx = 1; dx <= 99; ++dx)
        path << x0 + dx;
    QSignalSpy changed(s, &Slider::valueChanged);
    drag(s, x0, path);
    EXPECT_EQ(s->value(), 0);
    drag(s, x0, path << x0 + 100);
    EXPECT_EQ(s->value(), 1);
    EXPECT_EQ(changed.count(), 1);

    Slider* fine = make(0, 1000, 100);
    fine->grab();
    drag(fine, fine->thumbX(), {fine->thumbX() + 1, fine->thumbX() + 2, fine->thumbX() - 5});
    EXPECT_EQ(fine->value(), 95);

    // A single-value slider cannot be dragged anywhere.
    Slider* fixed = make(7, 7, 7);
    fixed->grab();
    drag(fixed, fixed->thumbX(), {fixed->thumbX() + 300});
    EXPECT_EQ(fixed->value(), 7);
}

TEST_F(Sliders, StepButtonsStopAtTheEnds)
{
    Slider* s = make(0, 10, 9);
    QTest::mouseClick(s->plusButton(), Qt::LeftButton);
    QTest::mouseClick(s->plusButton(), Qt::LeftButton);
    EXPECT_EQ(s->value(), 10);
    s->setValue(0);
    QTest::mouseClick(s->minusButton(), Qt::LeftButton);
    EXPECT_EQ(s->value(), 0);
    EXPECT_TRUE(s->plusButton()->autoRepeat());
}

TEST_F(Sliders, TextIntoTheValue)
{
    struct Case {
        int min, max;
        const char* text;
        int value;
    };
    const Case cases[] = {
        {0, 50000, "70000", 50000}, {0, 50000, "123", 123}, {10, 100, "abc", 10},
        {10, 100, "-5", 10},        {0, 100, "", 0},        {0, 50000, "99999999999", 50000},
    };
    for (const Case& c : cases) {
        Slider* s = make(c.min, c.max, 20);
        s->SetText(c.text);
        EXPECT_EQ(s->value(), c.value) << c.text;
        delete s;
    }
}

// A tap on the value box opens the numeric keypad; the digits land in the value.
TEST_F(Sliders, TapOnTheValueBoxTypesOnTheKeypad)
{
    Slider* s = make(10, 50000, 300);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(170, 30));
    EXPECT_EQ(uiHost().focusedEdit.data(), s->valueEdit());
    EXPECT_TRUE(gpNumPad->isVisible());
    EXPECT_EQ(gpNumPad->parentWidget(), &panel);
    EXPECT_EQ(s->value(), 300);
    QList<int> values;
    for (int d : {7, 0, 0, 0, 0}) {
        QTest::mouseClick(gpNumPad->digitKey(d), Qt::LeftButton);
        values << s->value();
    }
    EXPECT_EQ(values, (QList<int>{10, 70, 700, 7000, 50000}));
    // The next tap empties the box again, which reads as 0: the minimum.
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(s->value(), 10);
    QTest::mouseClick(gpNumPad->digitKey(4), Qt::LeftButton);
    EXPECT_EQ(s->value(), 10);
    QTest::mouseClick(gpNumPad->digitKey(2), Qt::LeftButton);
    EXPECT_EQ(s->value(), 42);
}

TEST_F(Sliders, SmallDisplaysOpenNoKeypad)
{
    gShowW = 1024;
    Slider* s = make(0, 100, 30);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(170, 30));
    EXPECT_FALSE(gpNumPad->isVisible());
    EXPECT_EQ(s->value(), 30);
}

TEST_F(Sliders, ResetClampsBeforeTakingTheNewValue)
{
    Slider* s = make(0, 100, 80);
    QSignalSpy changed(s, &Slider::valueChanged);
    s->Reset(0, 50, 5, 20, "Area");
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0].first().toInt(), 50);
    EXPECT_EQ(changed[1].first().toInt(), 20);
    EXPECT_EQ(s->objectName(), QString("Area"));
    EXPECT_EQ(s->pageStep(), 5);
}
