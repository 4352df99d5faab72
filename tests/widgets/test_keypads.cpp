#include "kittest.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/keypads.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>
#include <algorithm>
#include <climits>

namespace {

// A page as wide as the display area with the field somewhere on it.
class Keypads : public KitTest {
protected:
    void SetUp() override
    {
        KitTest::SetUp();
        page.resize(1725, 982);
    }
    void TearDown() override
    {
        gpNumPad->setParent(nullptr);
        gpNumCharPad->setParent(nullptr);
        KitTest::TearDown();
    }
    void touch(Edit* e)
    {
        if (!page.isVisible())
            showActive(&page);
        e->show(); // made after the page was shown
        QTest::mouseClick(e, Qt::LeftButton);
    }
    // 'B' backspace, 'C' confirm, digits press their keys.
    QStringList press(Edit* e, const char* keys)
    {
        QStringList texts;
        for (const char* k = keys; *k; ++k) {
            QPushButton* key = *k == 'B' ? gpNumPad->backspaceKey()
                               : *k == 'C' ? gpNumPad->confirmKey()
                                           : gpNumPad->digitKey(*k - '0');
            QTest::mouseClick(key, Qt::LeftButton);
            texts << e->text();
        }
        return texts;
    }
    QWidget page;
};

// A value row clamping its integer like the settings rows do.
class ClampRow : public ValueRow {
public:
    ClampRow(QWidget* parent, int min, int max) : ValueRow(parent), min(min), max(max)
    {
        field = new EditParam(9, QString(), this);
        field->setGeometry(0, 0, 150, 50);
        resize(150, 50);
    }
    int typedValue(const Edit*) const override { return value; }
    void setTypedValue(const Edit*, int v) override
    {
        value = std::clamp(v, min, max);
        seen << value;
        field->setValue(value);
    }
    int min, max, value = 0;
    QList<int> seen;
    EditParam* field;
};

} // namespace

TEST_F(Keypads, DigitSequences)
{
    struct Case {
        int min, max;
        const char* start;
        const char* keys;
        QStringList texts;
    };
    const Case cases[] = {
        {0, 100, "42", "735B4", {"7", "73", "100", "10", "100"}},
        {-1, -1, "42", "735", {"7", "73", "735"}},
        // Backspace to empty starts a new number.
        {-1, -1, "", "12BB5", {"1", "12", "1", "", "5"}},
        {0, 100, "3", "5BB7", {"5", "0", "0", "7"}},
        // The production-plan field: twelve nines end at its bound.
        {0, 9999999, "1", "999999999999", {"9", "99", "999", "9999", "99999", "999999", "9999999", "9999999",
                                          "9999999", "9999999", "9999999", "9999999"}},
    };
    for (const Case& c : cases) {
        auto* e = new Edit(1, &page, 1);
        e->setGeometry(100, 100, 130, 40);
        e->setText(c.start);
        e->setRange(c.min, c.max);
        touch(e);
        const QString afterTouch = c.min == -1 ? QString() : QString::number(c.min);
        EXPECT_EQ(e->text(), afterTouch) << "touch";
        EXPECT_TRUE(gpNumPad->isVisible());
        EXPECT_EQ(press(e, c.keys), c.texts) << c.keys;
        delete e;
    }
}

// Digits go into the row's integer; long runs saturate instead of wrapping.
TEST_F(Keypads, RowFieldsTypeIntoTheRowValue)
{
    struct Case {
        int min, max;
        const char* keys;
        QList<int> values;
    };
    const Case cases[] = {
        {1, 100, "500", {5, 50, 100}},
        {0, INT_MAX, "99999999999", {9, 99, 999, 9999, 99999, 999999, 9999999, 99999999, 999999999, INT_MAX,
                                    INT_MAX}},
    };
    for (const Case& c : cases) {
        auto* row = new ClampRow(&page, c.min, c.max);
        row->move(40, 200);
        row->value = 77;
        touch(row->field);
        press(row->field, c.keys);
        EXPECT_EQ(row->seen, c.values) << c.keys;
        delete row;
    }
}

// Backspace drops the last digit of the row's value, not only of its text,
// so the next digit extends what the row holds.
TEST_F(Keypads, BackspaceOnARowFieldChangesTheValue)
{
    struct Case {
        int min, max;
        const char* keys;
        int value;
        const char* text;
    };
    const Case cases[] = {
        {0, 1000, "12B", 1, "1"},
        {0, 1000, "12B3", 13, "13"},
        // Erasing the last digit starts a new number.
        {0, 1000, "7B5", 5, "5"},
        {0, 1000, "12BB4", 4, "4"},
        // The row's clamp applies to the shortened value too.
        {5, 1000, "12BB", 5, "5"},
        {5, 1000, "12BB7", 7, "7"},
    };
    for (const Case& c : cases) {
        auto* row = new ClampRow(&page, c.min, c.max);
        touch(row->field);
        press(row->field, c.keys);
        EXPECT_EQ(row->value, c.value) << c.keys;
        EXPECT_EQ(row->field->text(), QString(c.text)) << c.keys;
        delete row;
    }
}

TEST_F(Keypads, PlacementFollowsTheField)
{
    struct Case {
        const char* name;
        int flags;
        QRect field;
        QSize parent;
        QPoint expected;
    };
    const Case cases[] = {
        {"below", 0, {10, 100, 200, 40}, {1725, 982}, {10, 145}},
        {"right edge numeric", 0, {1600, 100, 100, 40}, {1725, 982}, {1298, 145}},
        {"right edge character", 2, {1600, 100, 100, 40}, {1725, 982}, {940, 145}},
        {"near the bottom numeric", 0, {10, 800, 100, 40}, {1725, 982}, {10, 845 - 230 - 45}},
        {"near the bottom character", 2, {10, 800, 100, 40}, {1725, 982}, {10, 845 - 295 - 45}},
        {"short parent", 0, {10, 500, 100, 40}, {1725, 600}, {10, 600 - 230}},
        // The limit is the display area's, compared with the parent's coordinate.
        {"limit is absolute", 0, {10, 698, 100, 40}, {1725, 982}, {10, 743 - 230 - 45}},
        {"just above the limit", 0, {10, 657, 100, 40}, {1725, 982}, {10, 702}},
    };
    for (const Case& c : cases) {
        QWidget parent;
        parent.resize(c.parent);
        auto* e = new Edit(c.flags, &parent);
        e->setGeometry(c.field);
        showActive(&parent);
        QTest::mouseClick(e, Qt::LeftButton);
        QWidget* pad = c.flags & 2 ? static_cast<QWidget*>(gpNumCharPad) : gpNumPad;
        EXPECT_EQ(pad->parentWidget(), &parent) << c.name;
        EXPECT_EQ(pad->pos(), c.expected) << c.name;
        EXPECT_TRUE(pad->isVisible()) << c.name;
        pad->setParent(nullptr);
    }
}

TEST_F(Keypads, PlacementBitsClimbTheParents)
{
    struct Case {
        int flags;
        int level; // 0 the field's parent, 1 its parent, 2 the page
    };
    const Case cases[] = {{0, 0}, {9, 1}, {0x10, 2}, {0x18, 1}};
    for (const Case& c : cases) {
        QWidget top;
        top.resize(1725, 982);
        auto* mid = new QWidget(&top);
        mid->setGeometry(30, 40, 1500, 800);
        auto* row = new QWidget(mid);
        row->setGeometry(50, 300, 600, 400);
        auto* e = new Edit(c.flags, row);
        e->setGeometry(20, 5, 150, 40);
        showActive(&top);
        QTest::mouseClick(e, Qt::LeftButton);
        QWidget* const levels[3] = {row, mid, &top};
        const QPoint offsets[3] = {{0, 0}, {50, 300}, {80, 340}};
        EXPECT_EQ(gpNumPad->parentWidget(), levels[c.level]) << c.flags;
        EXPECT_EQ(gpNumPad->pos(), QPoint(20, 5 + 40 - 1 + 6) + offsets[c.level]) << c.flags;
        gpNumPad->setParent(nullptr);
    }
}

TEST_F(Keypads, DisplayHeightDecidesWhereTheLimitIs)
{
    gShowH = 1080;
    auto* e = new Edit(0, &page);
    e->setGeometry(10, 698, 100, 40);
    touch(e);
    EXPECT_EQ(gpNumPad->pos(), QPoint(10, 743));
}

TEST_F(Keypads, ConfirmReleasesTheField)
{
    auto* e = new Edit(0, &page);
    e->setGeometry(10, 100, 100, 40);
    touch(e);
    ASSERT_EQ(uiHost().focusedEdit.data(), e);
    QSignalSpy chk(gpNumPad, &NumberInput::chkpassword);
    press(e, "4C");
    EXPECT_EQ(e->text(), QString("4"));
    EXPECT_FALSE(e->hasFocus());
    EXPECT_EQ(uiHost().focusedEdit.data(), nullptr);
    EXPECT_FALSE(gpNumPad->isVisible());
    EXPECT_FALSE(gpNumCharPad->isVisible());
    EXPECT_EQ(chk.count(), 0);
}

TEST_F(Keypads, ConfirmWhileThePasswordBoxIsOpenChecksTheCode)
{
    setParamText(para.password, "1234"); // an empty typed code is wrong: the box stays open
    gpPasswordBox = new PasswordBox("pw");
    gpPasswordBox->show();
    auto* e = new Edit(0, &page);
    uiHost().focusedEdit = e;
    QSignalSpy chk(gpNumPad, &NumberInput::chkpassword);
    QTest::mouseClick(gpNumPad->confirmKey(), Qt::LeftButton);
    EXPECT_EQ(chk.count(), 1);
    EXPECT_TRUE(gpPasswordBox->isVisible());
    EXPECT_EQ(gpPasswordBox->failureFlag(), 2);
    EXPECT_EQ(uiHost().focusedEdit.data(), e);
    // Putting the keypad away by other means never submits.
    gpNumPad->HideUpdate();
    EXPECT_EQ(chk.count(), 1);
}

TEST_F(Keypads, CharacterKeypadSets)
{
    auto* e = new Edit(2, &page);
    e->setGeometry(10, 100, 300, 40);
    touch(e);
    ASSERT_TRUE(gpNumCharPad->isVisible());
    auto key = [](int i) { return gpNumCharPad->key(i); };
    auto click = [&](int i) { QTest::mouseClick(key(i), Qt::LeftButton); };
    EXPECT_EQ(key(11)->text(), QString("Q"));
    EXPECT_EQ(key(30)->geometry(), QRect(106, 220, 65, 65));
    EXPECT_EQ(key(NumCharInput::ConfirmKey)->geometry(), QRect(695, 220, 80, 65));
    click(0);
    click(11);
    click(10);
    EXPECT_EQ(e->text(), QString("1Q_"));

    click(NumCharInput::PunctKey); // symbol
    EXPECT_EQ(key(15)->text(), QString("\\"));
    EXPECT_EQ(key(36)->text(), QString("\""));
    EXPECT_EQ(key(NumCharInput::PunctKey)->text(), LanStr(442));
    click(NumCharInput::CapsKey); // from punctuation, Lower gives lower case
    EXPECT_EQ(key(11)->text(), QString("q"));
    EXPECT_EQ(key(NumCharInput::CapsKey)->text(), LanStr(159));
    EXPECT_EQ(key(NumCharInput::PunctKey)->text(), LanStr(441));
    click(11);
    EXPECT_EQ(e->text(), QString("1Q_q"));
    click(NumCharInput::BackspaceKey);
    EXPECT_EQ(e->text(), QString("1Q_"));
    click(NumCharInput::CapsKey);
    EXPECT_EQ(key(11)->text(), QString("Q"));
    click(NumCharInput::PunctKey);
    click(NumCharInput::PunctKey); // character: back to upper case
    EXPECT_EQ(key(21)->text(), QString("A"));

    // Left in lower case, it reopens in upper case.
    click(NumCharInput::CapsKey);
    click(NumCharInput::ConfirmKey);
    EXPECT_FALSE(gpNumCharPad->isVisible());
    EXPECT_TRUE(e->hasFocus());
    gpNumCharPad->show();
    EXPECT_EQ(key(11)->text(), QString("Q"));
    EXPECT_EQ(key(NumCharInput::CapsKey)->text(), LanStr(158));
    EXPECT_EQ(key(NumCharInput::PunctKey)->text(), LanStr(441));
}

TEST_F(Keypads, KeysNeverTakeTheFocus)
{
    auto* e = new Edit(0, &page);
    touch(e);
    QTest::mouseClick(gpNumPad->digitKey(3), Qt::LeftButton);
    EXPECT_TRUE(e->hasFocus());
    EXPECT_EQ(gpNumPad->size(), QSize(427, 230));
    EXPECT_EQ(gpNumPad->digitKey(0)->geometry(), QRect(110, 155, 100, 70));
    EXPECT_EQ(gpNumPad->confirmKey()->geometry(), QRect(320, 155, 100, 70));
}

TEST_F(Keypads, KeysWithoutAFieldDoNothing)
{
    QTest::mouseClick(gpNumPad->digitKey(1), Qt::LeftButton);
    QTest::mouseClick(gpNumPad->backspaceKey(), Qt::LeftButton);
    QTest::mouseClick(gpNumCharPad->key(3), Qt::LeftButton);
    EXPECT_EQ(uiHost().focusedEdit.data(), nullptr);
}
