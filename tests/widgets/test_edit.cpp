#include "kittest.h"

#include "params/lanstr.h"
#include "widgets/edit.h"
#include "widgets/uihost.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest/QTest>
#include <climits>

using InputFields = KitTest;

namespace {
// A row that keeps one integer for its unit field.
class PlainRow : public ValueRow {
public:
    explicit PlainRow(const QString& unit = QString()) { field = new EditParam(9, unit, this); }
    int typedValue(const Edit*) const override { return value; }
    void setTypedValue(const Edit*, int v) override { value = v; }
    int value = 0;
    EditParam* field;
};
} // namespace

TEST_F(InputFields, ClampToRange)
{
    struct Case {
        int min, max;
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {0, 100, "150", "100"},
        {0, 100, "", "0"},
        {0, 100, "007", "7"},
        {0, 100, "abc", "0"},
        {10, 100, "", "10"},
        {10, 100, "-5", "10"},
        {-1, -1, "abc", "abc"},
        {5, -1, "999", "999"},
        {-1, 50, "999", "999"},
        // Beyond the 32-bit range the number still reads as large, not as 0.
        {0, 9999999, "99999999999", "9999999"},
        {0, 9999999, "999999999999999999999999", "9999999"},
        {-100, 100, "-99999999999999999999", "-100"},
    };
    for (const Case& c : cases) {
        Edit e(0);
        e.setText("1");
        e.setRange(c.min, c.max);
        e.setText(c.text);
        EXPECT_EQ(e.text(), QString(c.shown)) << c.min << ".." << c.max << " " << c.text;
    }
}

TEST_F(InputFields, ClampRunsOnEveryTypedCharacter)
{
    Edit e(0);
    showActive(&e);
    e.setRange(0, 100);
    QStringList seen;
    QObject::connect(&e, &QLineEdit::textChanged, [&](const QString& t) { seen << t; });
    QTest::keyClicks(&e, "150");
    EXPECT_EQ(e.text(), QString("100"));
    EXPECT_TRUE(seen.contains("15"));
    EXPECT_TRUE(seen.contains("100"));
}

TEST_F(InputFields, SwappedBoundsAreRepairedAtTheNextChange)
{
    Edit e(0);
    e.setRange(100, 0);
    EXPECT_EQ(e.minValue(), 100);
    e.setText("150");
    EXPECT_EQ(e.minValue(), 0);
    EXPECT_EQ(e.maxValue(), 100);
    EXPECT_EQ(e.text(), QString("100"));
}

TEST_F(InputFields, ValuesInAndOut)
{
    Edit e(0);
    e.setValue(2.5);
    EXPECT_EQ(e.text(), QString("2.5"));
    e.setValue(1e7);
    EXPECT_EQ(e.text(), QString("1e+07"));
    e.setValue(3.14159265);
    EXPECT_EQ(e.text(), QString("3.14159"));
    e.setValue(-42);
    EXPECT_EQ(e.value(), -42);
    e.setText("x1");
    EXPECT_EQ(e.value(), 0);
    EXPECT_EQ(e.valueToDouble(), 0.0);
    e.setText("99999999999");
    EXPECT_EQ(e.value(), INT_MAX);
    e.init();
    EXPECT_TRUE(e.text().isEmpty());
}

TEST_F(InputFields, DotSignalRunsBeforeTheCharacterArrives)
{
    Edit e(0);
    showActive(&e);
    e.setText("12");
    QString textAtSignal;
    QObject::connect(&e, &Edit::sig_Dot, [&] { textAtSignal = e.text(); });
    QTest::keyClick(&e, '.');
    EXPECT_EQ(textAtSignal, QString("12"));
    EXPECT_EQ(e.text(), QString("12."));
}

TEST_F(InputFields, UnitLabelSitsBesideTheCentredText)
{
    PlainRow row(QStringLiteral("℃"));
    row.field->resize(150, 50);
    QLabel* unit = row.field->unitLabel();
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->width(), 37);
    EXPECT_EQ(row.field->textMargins().right(), 37);
    row.field->setText("25");
    EXPECT_EQ(row.field->unitLabelX(), (150 - 37 + 27) / 2);
    EXPECT_EQ(unit->pos(), QPoint((150 - 37 + 27) / 2, 1));
    EXPECT_EQ(row.field->alignment(), Qt::AlignCenter);

    PlainRow bare;
    EXPECT_EQ(bare.field->unitLabel(), nullptr);
}

TEST_F(InputFields, UnitFieldTellsItsRowWhenItLosesTheFocus)
{
    QWidget page;
    auto* row = new PlainRow;
    row->setParent(&page);
    auto* other = new QLineEdit(&page);
    other->move(0, 100);
    showActive(&page);
    QSignalSpy out(row->field, &UnitEdit::focusOut);
    row->field->setFocus();
    EXPECT_EQ(uiHost().focusedEdit.data(), row->field);
    other->setFocus();
    EXPECT_EQ(out.count(), 1);
    EXPECT_EQ(uiHost().focusedEdit.data(), nullptr);
}

TEST_F(InputFields, PasswordFieldEmptiesOnFocus)
{
    QWidget page;
    auto* e = new Edit(0, &page);
    e->setEchoMode(QLineEdit::Password);
    e->setText("secret");
    showActive(&page);
    e->setFocus();
    EXPECT_TRUE(e->text().isEmpty());
    EXPECT_EQ(e->placeholderText(), LanStr(125));
    EXPECT_EQ(uiHost().focusedEdit.data(), e);
}

TEST_F(InputFields, CheckBoxStoresZeroOrOne)
{
    CheckBox box(nullptr, "Enable");
    box.setValue(5);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(box.value(), 1);
    box.setValue(0);
    EXPECT_EQ(box.value(), 0);
    box.setTristate(true);
    box.setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(box.value(), 0);
    EXPECT_EQ(box.palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::yellow));
    EXPECT_EQ(box.font().pixelSize(), 16);
}
