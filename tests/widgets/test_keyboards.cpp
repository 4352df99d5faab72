#include "kittest.h"

#include "params/lanstr.h"
#include "widgets/keyboards.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

using Keyboards = KitTest;

namespace {
// Presses keys of a keyboard: a name in braces is a function key.
void type(KeyboardDialog* k, const QStringList& keys)
{
    for (const QString& name : keys) {
        QPushButton* b = name == "{BS}"        ? k->backspaceButton()
                         : name == "{OK}"      ? k->confirmButton()
                         : name == "{CANCEL}"  ? k->cancelButton()
                         : name == "{CLOSE}"   ? k->closeButton()
                         : name == "{CASE}"    ? static_cast<FullKeyboard*>(k)->caseButton()
                         : name == "{SYMBOL}"  ? static_cast<FullKeyboard*>(k)->symbolButton()
                                               : k->key(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
}
} // namespace

TEST_F(Keyboards, DigitalKeysEditAndEndTheRun)
{
    struct Case {
        const char* start;
        QStringList keys;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {"", {"1", ".", "5", "{OK}"}, QDialog::Accepted, "1.5"},
        {"", {"1", ".", ".", "3", "{OK}"}, QDialog::Accepted, "1..3"}, // checking the number is the caller's task
        {"", {".", "{OK}"}, QDialog::Accepted, "."},
        {"42", {"{BS}", "7", "{OK}"}, QDialog::Accepted, "47"},
        {"", {"{BS}", "9", "{CANCEL}"}, QDialog::Rejected, "9"},
        {"", {"5", "{CLOSE}"}, QDialog::Rejected, "5"},
        // Confirm with nothing (or only blanks) keeps the dialog open.
        {"", {"{OK}", "{CANCEL}"}, QDialog::Rejected, ""},
        {"  ", {"{OK}", "{CANCEL}"}, QDialog::Rejected, "  "},
    };
    for (const Case& c : cases) {
        DigitalKeyboard k("Title", "hint", c.start);
        whenModal([&](QWidget*) { type(&k, c.keys); });
        EXPECT_EQ(k.exec(), c.result) << c.keys.join(' ').toStdString();
        EXPECT_EQ(k.getText(), QString(c.text));
    }
}

TEST_F(Keyboards, EmptyConfirmLeavesTheDialogUp)
{
    DigitalKeyboard k("t", "h", "");
    k.show();
    type(&k, {"{OK}"});
    EXPECT_TRUE(k.isVisible());
    type(&k, {"0", "{OK}"});
    EXPECT_FALSE(k.isVisible());
    EXPECT_EQ(k.result(), int(QDialog::Accepted));
}

// Keys act on the touch itself, not on the release.
TEST_F(Keyboards, KeysActOnPress)
{
    DigitalKeyboard k("t", "h", "");
    QTest::mousePress(k.key("8"), Qt::LeftButton);
    EXPECT_EQ(k.getText(), QString("8"));
    QTest::mouseRelease(k.key("8"), Qt::LeftButton);
    EXPECT_EQ(k.getText(), QString("8"));
}

TEST_F(Keyboards, LanguageOfTheFunctionKeys)
{
    setLanguage(1);
    DigitalKeyboard digital("t", "h", "");
    EXPECT_EQ(digital.backspaceButton()->text(), QString("BS"));
    EXPECT_EQ(digital.confirmButton()->text(), QString("Confirm"));
    EXPECT_EQ(digital.cancelButton()->text(), QString("Cancel"));
    EXPECT_EQ(digital.size(), QSize(416, 586));
    EXPECT_EQ(digital.backspaceButton()->height(), 168);
    FullKeyboard full("t", "h", "");
    EXPECT_EQ(full.caseButton()->text(), QString("abc"));
    EXPECT_EQ(full.symbolButton()->text(), QString("Symbol"));
    EXPECT_EQ(full.cancelButton()->text(), QString("Cancel"));
    EXPECT_EQ(full.confirmButton()->text(), QString("OK"));
    EXPECT_EQ(full.backspaceButton()->text(), QString("Back"));
    EXPECT_EQ(full.size(), QSize(1112, 520));
}

TEST_F(Keyboards, FullKeyboardCaseKeyAndSymbolKey)
{
    FullKeyboard k("t", "h", "");
    EXPECT_TRUE(k.caseButton()->isChecked());
    ASSERT_NE(k.key("Q"), nullptr);
    type(&k, {"Q", "1", "_"});
    type(&k, {"{CASE}"});
    EXPECT_EQ(k.caseButton()->text(), LanStr(1332));
    EXPECT_EQ(k.key("Q"), nullptr);
    ASSERT_NE(k.key("q"), nullptr);
    ASSERT_NE(k.key("1"), nullptr);
    type(&k, {"q", "{SYMBOL}", "{BS}", "w"});
    EXPECT_EQ(k.getText(), QString("Q1_w"));
    type(&k, {"{CASE}"});
    EXPECT_EQ(k.caseButton()->text(), LanStr(1331));
    ASSERT_NE(k.key("W"), nullptr);
    whenModal([&](QWidget*) { type(&k, {"Z", "{OK}"}); });
    EXPECT_EQ(k.exec(), int(QDialog::Accepted));
    EXPECT_EQ(k.getText(), QString("Q1_wZ"));
}

TEST_F(Keyboards, LineEditRetypesOnPress)
{
    struct Case {
        KeyboardType type;
        QStringList keys;
        const char* result;
        int textChanges;
    };
    const Case cases[] = {
        {KeyboardDigital, {"{CANCEL}"}, "12", 2},
        {KeyboardDigital, {"{CLOSE}"}, "12", 2},
        {KeyboardDigital, {"7", "{OK}"}, "7", 2},
        {KeyboardFull, {"A", "B", "{OK}"}, "AB", 2},
        {KeyboardFull, {"{CANCEL}"}, "12", 2},
    };
    for (const Case& c : cases) {
        BLineEdit edit(nullptr, "Title", "hint", c.type);
        edit.setText("12");
        QSignalSpy changed(&edit, &QLineEdit::textChanged);
        QString startText = "unset";
        bool full = false;
        whenModal([&](QWidget* w) {
            auto* k = dynamic_cast<KeyboardDialog*>(w);
            ASSERT_NE(k, nullptr);
            startText = k->getText();
            full = dynamic_cast<FullKeyboard*>(k) != nullptr;
            type(k, c.keys);
        });
        QTest::mouseClick(&edit, Qt::LeftButton);
        EXPECT_EQ(startText, QString()); // always starts empty
        EXPECT_EQ(full, c.type == KeyboardFull);
        EXPECT_EQ(edit.text(), QString(c.result)) << c.keys.join(' ').toStdString();
        EXPECT_EQ(changed.count(), c.textChanges);
        EXPECT_EQ(edit.savedText(), QString("12"));
    }
}

// The keyboard of a password field hides the digits as the field does.
TEST_F(Keyboards, KeyboardEchoesAsItsField)
{
    for (QLineEdit::EchoMode mode : {QLineEdit::Password, QLineEdit::Normal}) {
        BLineEdit edit(nullptr, "t", "h", KeyboardDigital);
        edit.setEchoMode(mode);
        QLineEdit::EchoMode shown = QLineEdit::NoEcho;
        whenModal([&](QWidget* w) {
            auto* k = dynamic_cast<KeyboardDialog*>(w);
            ASSERT_NE(k, nullptr);
            type(k, {"5", "2"});
            shown = k->lineEdit()->echoMode();
            type(k, {"{OK}"});
        });
        QTest::mouseClick(&edit, Qt::LeftButton);
        EXPECT_EQ(shown, mode);
        EXPECT_EQ(edit.text(), QString("52"));
    }
}

TEST_F(Keyboards, RightPressOpensNothing)
{
    BLineEdit edit(nullptr, "t", "h", KeyboardDigital);
    edit.setText("5");
    QTest::mouseClick(&edit, Qt::RightButton);
    EXPECT_EQ(edit.text(), QString("5"));
}
