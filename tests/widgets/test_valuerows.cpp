// Value rows: the stepped integer row and the alarm-window row.
#include "kittest.h"

#include "params/geometry.h"
#include "widgets/basewidgets.h"
#include "widgets/keypads.h"
#include "widgets/valuerows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

class ValueRows : public KitTest {
protected:
    void TearDown() override
    {
        if (gpNumPad)
            gpNumPad->setParent(nullptr);
        KitTest::TearDown();
    }
    void touch(QLineEdit* field)
    {
        if (!page.isVisible())
            showActive(&page);
        field->show();
        QTest::mouseClick(field, Qt::LeftButton);
    }
    // Digits press their keys, 'B' is backspace.
    void press(const char* keys)
    {
        for (const char* k = keys; *k; ++k)
            QTest::mouseClick(*k == 'B' ? gpNumPad->backspaceKey() : gpNumPad->digitKey(*k - '0'), Qt::LeftButton);
    }
    QWidget page;
};

} // namespace

// The step keys and the clamp, with and without the exception for 0.
TEST_F(ValueRows, StepKeysAndTheClamp)
{
    struct Case {
        const char* name;
        int min, max;
        bool use0;
        int start;
        void (EditBox::*step)();
        int expected;
    };
    const Case cases[] = {
        {"-1 at the minimum", 1, 100, false, 1, &EditBox::SubOne, 1},
        {"+1 at the maximum", 1, 100, false, 100, &EditBox::AddOne, 100},
        {"+5 past the maximum", 1, 100, false, 98, &EditBox::AddFive, 100},
        {"-1 to zero", 1, 100, true, 1, &EditBox::SubOne, 0},
        {"-1 below zero", 1, 100, true, 0, &EditBox::SubOne, 1},
        {"-5 past the minimum", 1, 100, true, 3, &EditBox::SubFive, 1},
        {"+1 inside", 1, 100, false, 50, &EditBox::AddOne, 51},
        {"-5 inside", 1, 100, false, 50, &EditBox::SubFive, 45},
    };
    for (const Case& c : cases) {
        EditBox row(c.min, c.max, nullptr, "T", QString(), 0, 1);
        row.setUse0(c.use0);
        row.setInputValue(c.start);
        QSignalSpy changed(&row, &EditBox::valueChanged);
        (row.*c.step)();
        EXPECT_EQ(row.value(), c.expected) << c.name;
        ASSERT_EQ(changed.count(), 1) << c.name << ": emitted changed or not";
        EXPECT_EQ(changed[0][0].toInt(), c.expected) << c.name;
        EXPECT_EQ(row.valueField()->text(), QString::number(c.expected)) << c.name;
    }
}

// The keys are also connected: a press of "+ 5" steps the row.
TEST_F(ValueRows, KeysStepTheRowAndRepeat)
{
    EditBox row(0, 100, nullptr, "T", QString(), 0, 1);
    row.setValue(10);
    QTest::mouseClick(row.plusFiveKey(), Qt::LeftButton);
    QTest::mouseClick(row.minusOneKey(), Qt::LeftButton);
    EXPECT_EQ(row.value(), 14);
    EXPECT_TRUE(row.plusOneKey()->autoRepeat());
    row.setSampleShow();
    row.show();
    EXPECT_FALSE(row.plusOneKey()->isVisible());
    EXPECT_TRUE(row.valueField()->isVisible());
}

// Key labels and the shown value follow the type and the scale; a scale of
// 0 counts in units instead of dividing by zero.
TEST_F(ValueRows, LabelsAndDisplayFollowTheScale)
{
    struct Case {
        int type, scale, value;
        const char* shown;
        const char* keys[4]; // -5, -1, +1, +5
    };
    const Case cases[] = {
        {2, 10, 25, "2.5", {"- 0.5", "- 0.1", "+ 0.1", "+ 0.5"}},
        {0, 1, 25, "25", {"- 5", "- 1", "+ 1", "+ 5"}},
        {2, 0, 25, "25", {"- 5", "- 1", "+ 1", "+ 5"}},
        {2, 3, 10, "3.33333", {"- 1.66667", "- 0.333333", "+ 0.333333", "+ 1.66667"}},
        {1, 1, 25, "", {"- 5", "- 1", "+ 1", "+ 5"}},
    };
    for (const Case& c : cases) {
        EditBox row(0, 1000, nullptr, "T", QString(), c.type, c.scale);
        row.valueField()->setText(QString());
        row.setValue(c.value);
        EXPECT_EQ(row.valueField()->text(), QString(c.shown)) << c.type << "/" << c.scale;
        EXPECT_EQ(row.minusFiveKey()->text(), QString(c.keys[0]));
        EXPECT_EQ(row.minusOneKey()->text(), QString(c.keys[1]));
        EXPECT_EQ(row.plusOneKey()->text(), QString(c.keys[2]));
        EXPECT_EQ(row.plusFiveKey()->text(), QString(c.keys[3]));
    }
}

// A new row holds its minimum, shown, until the owner sets a value.
TEST_F(ValueRows, ANewRowHoldsItsMinimum)
{
    EditBox row(5, 100, nullptr, "T", QString(), 0, 1);
    EXPECT_EQ(row.value(), 5);
    EXPECT_EQ(row.valueField()->text(), QString("5"));
    EditTempBox temp(0, 1000, 0, 0, nullptr, "T", QString(), 2, 10);
    EXPECT_EQ(temp.getValue(), 0);
    EXPECT_EQ(temp.getMinValue(), 0);
    EXPECT_EQ(temp.getMaxValue(), 1000);
    EXPECT_TRUE(temp.judgeValue());
}

TEST_F(ValueRows, MetricsFollowTheDisplay)
{
    struct Case {
        int showW;
        QSize title, key, field;
    };
    const Case cases[] = {{1725, {135, 50}, {130, 50}, {150, 50}}, {1024, {65, 28}, {40, 28}, {60, 28}}};
    for (const Case& c : cases) {
        gShowW = c.showW;
        EditBox row(0, 10, nullptr, "T", QString(), 0, 1);
        EXPECT_EQ(row.titleLabel()->size(), c.title) << c.showW;
        EXPECT_EQ(row.plusOneKey()->size(), c.key);
        EXPECT_EQ(row.valueField()->size(), c.field);
        EXPECT_EQ(row.titleLabel()->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    }
    EditBox row(0, 10, nullptr, "T", QString(), 0, 1);
    row.setLabelColor(Qt::red);
    EXPECT_EQ(row.titleLabel()->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::red));
    row.setText("New");
    EXPECT_EQ(row.titleLabel()->text(), QString("New"));
    EXPECT_EQ(row.getType(), 0);
}

// Typed digits go into the value with the clamp after every digit; a
// backspace changes the value too.
TEST_F(ValueRows, TypingIntoAValueRow)
{
    auto* row = new EditBox(1, 100, &page, "T", QString(), 0, 1);
    row->move(10, 10);
    QList<int> seen;
    // The row lives as long as the page; the connection only as long as `seen`.
    QObject receiver;
    QObject::connect(row, &EditBox::valueChanged, &receiver, [&](int v) { seen << v; });
    touch(row->valueField());
    press("500");
    EXPECT_EQ(seen, (QList<int>{5, 50, 100}));
    press("B");
    EXPECT_EQ(row->value(), 10);
    EXPECT_EQ(row->valueField()->text(), QString("10"));
    press("3");
    EXPECT_EQ(row->value(), 100) << "103 clamped";
    press("BBB7");
    EXPECT_EQ(row->value(), 7);
}

// Limits are typed without a clamp and clamped into the bounds when the
// field loses the focus; the judgement includes both limits.
TEST_F(ValueRows, AlarmWindowLimitsAndJudgement)
{
    auto* row = new EditTempBox(0, 1000, 0, 0, &page, "T", QString(), 0, 1);
    auto* other = new QLineEdit(&page);
    other->move(0, 200);
    row->setValueRange(300, 800);
    EXPECT_TRUE(row->checkFocus(row->maximumField()));
    EXPECT_FALSE(row->checkFocus(row->minimumField()));

    touch(row->minimumField());
    press("1500");
    EXPECT_EQ(row->getMinValue(), 1500) << "no clamp while typing";
    EXPECT_EQ(row->minimumField()->text(), QString("1500"));
    other->setFocus();
    EXPECT_EQ(row->getMinValue(), 1000);
    EXPECT_EQ(row->minimumField()->text(), QString("1000"));

    touch(row->maximumField());
    press("12B");
    EXPECT_EQ(row->getMaxValue(), 1);

    struct Case {
        int min, max, value;
        bool within;
    };
    const Case cases[] = {{300, 800, 300, true}, {300, 800, 800, true}, {300, 800, 801, false},
                          {300, 800, 299, false}, {800, 300, 500, false}, {800, 300, 800, false}};
    for (const Case& c : cases) {
        row->setValueRange(c.min, c.max);
        row->setValue(c.value);
        EXPECT_EQ(row->judgeValue(), c.within) << c.min << ".." << c.max << " " << c.value;
    }
    // Bounds clamp both limits; whether the minimum lies below the maximum is not examined.
    row->setValueRange(-5, 2000);
    row->CheckRange();
    EXPECT_EQ(row->getMinValue(), 0);
    EXPECT_EQ(row->getMaxValue(), 1000);
}

TEST_F(ValueRows, AlarmWindowDisplay)
{
    struct Case {
        int type, scale, value;
        const char* shown;
    };
    const Case cases[] = {{2, 10, 253, "25.3"}, {2, 10, -5, "-0.5"}, {0, 10, 253, "253"}, {2, 0, 253, "253"}};
    for (const Case& c : cases) {
        EditTempBox row(0, 1000, 0, 0, nullptr, "T", QString("℃"), c.type, c.scale);
        row.setValue(c.value);
        EXPECT_EQ(row.valueLabel()->text(), QString(c.shown)) << c.type << "/" << c.scale;
        row.setMinValue(c.value);
        EXPECT_EQ(row.minimumField()->text(), QString(c.shown));
    }
    EditTempBox other(0, 1000, 0, 0, nullptr, "T", QString(), 1, 1);
    other.setValue(7);
    EXPECT_EQ(other.valueLabel()->text(), QString()) << "other types show nothing";
    EXPECT_EQ(other.getValue(), 7);
}
