#include "kittest.h"

#include "params/lanstr.h"
#include "platform/clock.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"
#include "widgets/keypads.h"
#include "widgets/modal.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QPushButton>
#include <QtTest/QTest>

namespace {

class Passwords : public KitTest {
protected:
    void SetUp() override
    {
        KitTest::SetUp();
        platform::Clock::setInstance(&clock);
        setParamText(para.password, "1234");
    }
    void TearDown() override
    {
        setModalRunner({});
        platform::Clock::setInstance(nullptr);
        KitTest::TearDown();
    }
    // Types the code into an open box and presses YES.
    void submit(PasswordBox& box, const QString& code)
    {
        box.passwordField()->setText(code);
        QTest::mouseClick(box.acceptButton(), Qt::LeftButton);
    }
    platform::ManualClock clock{QDateTime(QDate(2026, 3, 7), QTime(14, 5))};
};

} // namespace

TEST_F(Passwords, LevelsWithProtectionOnAndOff)
{
    struct Case {
        int protection;
        const char* password;
        const char* typed;
        int level;
    };
    const Case cases[] = {
        {0, "1234", "5281", 2},
        {0, "1234", "1234", 1},
        {0, "1234", "5281140307", 0},
        {0, "1234", "", 0},
        {1, "1234", "5281", 0},
        {1, "1234", "5281140307", 2},
        {1, "1234", "1234", 1},
        {1, "5281", "5281", 1},       // the access code alone is only the operator's password now
        {0, "5281", "5281", 2},       // the service code is tried first
        {1, "", "", 1},               // an empty operator password accepts an empty field
        {1, "1234", "5281140306", 0}, // yesterday's code
    };
    for (const Case& c : cases) {
        para.is_psw_used = c.protection;
        setParamText(para.password, c.password);
        uiHost().userLevel = 1;
        PasswordBox box("Password confirmation");
        box.show();
        submit(box, c.typed);
        EXPECT_EQ(uiHost().userLevel, c.level) << c.protection << " " << c.typed;
        EXPECT_EQ(box.isVisible(), c.level == 0) << c.typed;
    }
}

TEST_F(Passwords, ServiceCodeChangesEveryHour)
{
    para.is_psw_used = 1;
    EXPECT_EQ(serviceCode(), QString("5281140307"));
    clock.setNow(QDateTime(QDate(2026, 3, 7), QTime(14, 59, 59)));
    EXPECT_EQ(serviceCode(), QString("5281140307"));
    clock.setNow(QDateTime(QDate(2026, 3, 7), QTime(15, 0)));
    EXPECT_EQ(serviceCode(), QString("5281150307"));
    clock.setNow(QDateTime(QDate(2026, 12, 31), QTime(0, 0)));
    EXPECT_EQ(serviceCode(), QString("5281001231"));
    para.is_psw_used = 0;
    EXPECT_EQ(serviceCode(), QString("5281"));
}

TEST_F(Passwords, WrongCodeLogsOutAndSaysSo)
{
    uiHost().userLevel = 1;
    PasswordBox box("t");
    box.show();
    EXPECT_EQ(box.passwordField()->placeholderText(), LanStr(125));
    submit(box, "999");
    EXPECT_EQ(uiHost().userLevel, 0);
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(box.passwordField()->text().isEmpty());
    EXPECT_EQ(box.passwordField()->placeholderText(), QString("The password is wrong"));
    box.passwordField()->setText("1");
    EXPECT_TRUE(box.passwordField()->placeholderText().isEmpty());
    box.passwordField()->setText("");
    EXPECT_EQ(box.passwordField()->placeholderText(), QString("The password is wrong"));
    box.passwordField()->setText("1");
    box.passwordField()->setText("");
    EXPECT_EQ(box.passwordField()->placeholderText(), QString("Password:"));
}

TEST_F(Passwords, CancelKeepsTheLevel)
{
    uiHost().userLevel = 1;
    PasswordBox box("t");
    whenModal([&](QWidget*) {
        box.passwordField()->setText("999");
        QTest::mouseClick(box.cancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(box.exec(), int(QDialog::Rejected));
    EXPECT_EQ(uiHost().userLevel, 1);
}

// A tap on the box's background would have submitted an empty code: logging
// the operator out, or in when the operator password is empty.
TEST_F(Passwords, StrayTapDoesNotSubmit)
{
    for (const char* password : {"1234", ""}) {
        setParamText(para.password, password);
        uiHost().userLevel = 2;
        delete gpPasswordBox;
        gpPasswordBox = new PasswordBox("t");
        gpPasswordBox->show();
        QTest::mouseClick(gpPasswordBox, Qt::LeftButton, {}, QPoint(600, 20));
        EXPECT_TRUE(gpPasswordBox->isVisible()) << password;
        EXPECT_EQ(uiHost().userLevel, 2) << password;
        EXPECT_EQ(gpPasswordBox->failureFlag(), 0);
    }
}

// Every box hears the keypad's confirm key; only the one on screen answers.
TEST_F(Passwords, KeypadConfirmSubmitsOnlyTheOpenBox)
{
    gpPasswordBox = new PasswordBox("t");
    PasswordBox hidden("t"); // connected after the shared box
    gpPasswordBox->show();
    gpPasswordBox->passwordField()->setText("1234");
    QTest::mouseClick(gpNumPad->confirmKey(), Qt::LeftButton);
    EXPECT_FALSE(gpPasswordBox->isVisible());
    EXPECT_EQ(uiHost().userLevel, 1);
    EXPECT_EQ(hidden.failureFlag(), 0);
}

TEST_F(Passwords, TypingGoesThroughTheNumericKeyboard)
{
    PasswordBox box("t");
    whenModal([&](QWidget* w) {
        auto* k = dynamic_cast<DigitalKeyboard*>(w);
        ASSERT_NE(k, nullptr);
        for (const char* d : {"1", "2", "3", "4"})
            QTest::mouseClick(k->key(d), Qt::LeftButton);
        QTest::mouseClick(k->confirmButton(), Qt::LeftButton);
    });
    box.show();
    QTest::mouseClick(box.passwordField(), Qt::LeftButton);
    EXPECT_EQ(box.passwordField()->text(), QString("1234"));
    EXPECT_EQ(box.passwordField()->echoMode(), QLineEdit::Password);
    QTest::mouseClick(box.acceptButton(), Qt::LeftButton);
    EXPECT_EQ(uiHost().userLevel, 1);
}

TEST_F(Passwords, HidingReleasesTheFocusedField)
{
    Edit field(0);
    uiHost().focusedEdit = &field;
    PasswordBox box("t");
    box.show();
    box.hide();
    EXPECT_EQ(uiHost().focusedEdit.data(), nullptr);
}

TEST_F(Passwords, BoxLooksLikeTheOtherBoxes)
{
    PasswordBox box("t");
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.geometry(), QRect(522, 366, 680, 250));
    EXPECT_EQ(box.passwordField()->size(), QSize(350, 50));
    EXPECT_EQ(box.acceptButton()->text(), QString("YES"));
    EXPECT_EQ(box.cancelButton()->text(), QString("Cancel"));
}

TEST_F(Passwords, CheckPasswordAndCheckRoot)
{
    int asked = 0;
    QString answer;
    setModalRunner([&](QDialog& d) {
        ++asked;
        auto& box = dynamic_cast<PasswordBox&>(d);
        box.show();
        box.passwordField()->setText(answer);
        box.accept();
        return box.result();
    });
    struct Case {
        int protection, levelBefore;
        const char* answer;
        int result, dialogs;
    };
    const Case cases[] = {
        {0, 0, "", 2, 0},
        {1, 1, "", 1, 0},
        {1, 0, "1234", 1, 1},
        {1, 0, "5281140307", 2, 1},
        {1, 0, "0", 0, 1},
    };
    for (const Case& c : cases) {
        para.is_psw_used = c.protection;
        uiHost().userLevel = c.levelBefore;
        answer = c.answer;
        asked = 0;
        EXPECT_EQ(CheckPassword(), c.result) << c.answer;
        EXPECT_EQ(asked, c.dialogs) << c.answer;
    }

    gpPasswordBox = new PasswordBox("t");
    para.is_psw_used = 1;
    uiHost().userLevel = 2;
    asked = 0;
    EXPECT_TRUE(CheckRoot());
    EXPECT_EQ(asked, 0);
    uiHost().userLevel = 1;
    answer = "1234";
    EXPECT_FALSE(CheckRoot());
    answer = "5281140307";
    EXPECT_TRUE(CheckRoot());
    EXPECT_EQ(asked, 2);
}
