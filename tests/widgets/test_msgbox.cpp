#include "kittest.h"
#include "programlook.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "widgets/basewidgets.h"
#include "widgets/modal.h"
#include "widgets/msgbox.h"
#include "widgets/sharedboxes.h"
#include "widgets/uihost.h"
#include "widgets/keypads.h"
#include "widgets/passwordbox.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>

using MessageBoxes = KitTest;

TEST_F(MessageBoxes, BoxesAreCentredOnTheDisplayArea)
{
    struct Case {
        int showW, showH;
        QPoint corner;
    };
    const Case cases[] = {{1725, 982, {522, 366}}, {1920, 1080, {620, 415}}, {1024, 600, {172, 175}}};
    for (const Case& c : cases) {
        gShowW = c.showW;
        gShowH = c.showH;
        WarnBox warn("t");
        ChooseBox choose("t");
        warn.show();
        choose.show();
        EXPECT_EQ(warn.geometry(), QRect(c.corner, QSize(680, 250))) << c.showW;
        EXPECT_EQ(choose.geometry(), QRect(c.corner, QSize(680, 250))) << c.showW;
    }
}

TEST_F(MessageBoxes, ChooseBoxIsTrueOnlyForYes)
{
    struct Case {
        const char* name;
        std::function<void(ChooseBox*)> answer;
        bool expected;
    };
    const Case cases[] = {
        {"YES", [](ChooseBox* b) { QTest::mouseClick(b->yesButton(), Qt::LeftButton); }, true},
        {"NO", [](ChooseBox* b) { QTest::mouseClick(b->noButton(), Qt::LeftButton); }, false},
        {"Escape", [](ChooseBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, false},
    };
    for (const Case& c : cases) {
        QString seenText, seenTitle;
        whenModal([&](QWidget* w) {
            auto* box = dynamic_cast<ChooseBox*>(w);
            ASSERT_NE(box, nullptr);
            seenText = box->text();
            c.answer(box);
        });
        EXPECT_EQ(showChooseBox("Delete it?"), c.expected) << c.name;
        EXPECT_EQ(seenText, QString("Delete it?"));
    }
}

TEST_F(MessageBoxes, WarnBoxReturnsOnConfirmWithEnglishTexts)
{
    QStringList labels;
    QString button;
    whenModal([&](QWidget* w) {
        for (QLabel* l : w->findChildren<QLabel*>())
            labels << l->text();
        auto* box = dynamic_cast<WarnBox*>(w);
        ASSERT_NE(box, nullptr);
        button = box->confirmButton()->text();
        QTest::mouseClick(box->confirmButton(), Qt::LeftButton);
    });
    showWarnBox("Camera lost");
    EXPECT_TRUE(labels.contains("Warning!"));
    EXPECT_TRUE(labels.contains("Camera lost"));
    EXPECT_EQ(button, QString("Confirm"));

    ChooseBox choose(LanStr(566));
    EXPECT_EQ(choose.yesButton()->text(), QString("YES"));
    EXPECT_EQ(choose.noButton()->text(), QString("NO"));
    EXPECT_FALSE(choose.isVisible());
}

TEST_F(MessageBoxes, RunnerSeamAnswersWithoutAPerson)
{
    QStringList asked;
    ModalRunner old = setModalRunner([&](QDialog& d) {
        asked << static_cast<ChooseBox&>(d).text();
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(showChooseBox("Save?"));
    setModalRunner(old);
    EXPECT_EQ(asked, QStringList{"Save?"});
}

// A warning wakes a dark screen; a question does not.
TEST_F(MessageBoxes, BacklightOnlyForWarnings)
{
    struct Case {
        int screenOffSeconds;
        bool warning;
        int expectOn, expectTimerMs;
    };
    const Case cases[] = {{600, true, 1, 600000}, {0, true, 1, -1}, {600, false, 0, -1}};
    for (const Case& c : cases) {
        para.location_level = c.screenOffSeconds;
        UiHost& host = uiHost();
        host.screenOff = 1;
        int switchedOn = 0, timerMs = -1;
        host.lcdOnOff = [&](int on) {
            switchedOn += on;
            host.screenOff = on ? 0 : 1;
        };
        host.restartLcdTimer = [&](int ms) { timerMs = ms; };
        if (c.warning) {
            WarnBox box("t");
            box.show();
        } else {
            ChooseBox box("t");
            box.show();
        }
        EXPECT_EQ(switchedOn, c.expectOn);
        EXPECT_EQ(timerMs, c.expectTimerMs);
        EXPECT_EQ(host.screenOff, c.expectOn ? 0 : 1);
    }
}

// A text the 680 x 250 box cannot show grows the box, within the display
// area, until every line shows; a short one keeps the box as it is. The
// start-up's no-camera question lost its question line in the plain box.
TEST_F(MessageBoxes, BoxGrowsToShowTheWholeText)
{
    const ProgramLook look;
    struct Case {
        int lan;
        QString text;
        int grows; // 0 keeps 680 x 250, 1 grows, -1 either
    };
    const QString longText = QString("A very long message that has to wrap. ").repeated(6);
    const Case cases[] = {
        {1, "t", 0},
        {0, LanStr(134, 0), -1},
        {1, LanStr(134, 1), 1},
        {2, LanStr(134, 2), -1},
        {1, longText, 1},
        {1, longText.repeated(12), 1}, // wider, then smaller
    };
    for (const Case& c : cases) {
        setLanguage(c.lan);
        WarnBox warn(LanStr(568));
        ChooseBox choose(LanStr(566));
        for (TextBox* box : {static_cast<TextBox*>(&warn), static_cast<TextBox*>(&choose)}) {
            box->setText(c.text);
            box->show();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QLabel* message = nullptr;
            for (QLabel* l : box->findChildren<QLabel*>())
                if (l->text() == c.text)
                    message = l;
            ASSERT_NE(message, nullptr);
            const std::string name = c.text.left(30).toStdString();
            EXPECT_GE(message->height(), message->heightForWidth(message->width())) << name;
            EXPECT_TRUE(QRect(0, 0, gShowW, gShowH).contains(box->geometry())) << name;
            if (c.grows == 0)
                EXPECT_EQ(box->size(), QSize(680, 250)) << name;
            else if (c.grows == 1)
                EXPECT_GT(box->height(), 250) << name;
            for (QPushButton* b : box->findChildren<QPushButton*>())
                EXPECT_TRUE(box->rect().contains(b->geometry())) << name;
            box->hide();
        }
    }
    // A warning without a modal run just hides on confirm.
    WarnBox box("t");
    box.show();
    QTest::mouseClick(box.confirmButton(), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(MessageBoxes, CalibrationChoiceOffersThreePointCounts)
{
    ChooseCaliNumWidget w;
    ASSERT_EQ(w.pointCount()->count(), 3);
    EXPECT_EQ(w.pointCount()->itemText(0), QString(" 4 "));
    EXPECT_EQ(w.pointCount()->itemText(2), QString(" 25 "));
    EXPECT_EQ(w.pointCount()->geometry(), QRect(440, 32, 200, 80));
}

TEST_F(MessageBoxes, SharedBoxesAreMadeAndAdoptedByTheWindow)
{
    delete gpNumPad;
    delete gpNumCharPad;
    MakeSharedBoxes();
    QWidget window;
    AdoptSharedBoxes(&window);
    EXPECT_FALSE(gpWarnBox->confirmButton()->isVisibleTo(gpWarnBox));
    EXPECT_EQ(gpWarnBox->text(), LanStr(133));
    EXPECT_EQ(gpChooseBox->parentWidget(), &window);
    EXPECT_TRUE(gpChooseBox->isWindow());
    EXPECT_TRUE(gpChooseBox->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(gpNumPad->parentWidget(), &window);
    EXPECT_FALSE(gpNumPad->isWindow());
    EXPECT_EQ(uiHost().mainWindow.data(), &window);
    // Out of the window again before it goes; the fixture deletes the rest.
    for (QWidget* w : {static_cast<QWidget*>(gpWarnBox), static_cast<QWidget*>(gpChooseBox),
                       static_cast<QWidget*>(gpNumPad), static_cast<QWidget*>(gpNumCharPad),
                       static_cast<QWidget*>(gpPasswordBox)})
        w->setParent(nullptr);
    delete gpWarnBox;
    delete gpChooseBox;
    gpWarnBox = nullptr;
    gpChooseBox = nullptr;
}

// Long English titles are made to fit their column instead of being cut.
TEST_F(MessageBoxes, TitleWordsFitTheirColumn)
{
    struct Case {
        int lan;
        bool question;
        int row;
    };
    const Case cases[] = {{1, true, 566}, {1, false, 568}, {0, true, 566}, {0, false, 568}, {1, true, 588}};
    for (const Case& c : cases) {
        setLanguage(c.lan);
        std::unique_ptr<QDialog> box(c.question ? static_cast<QDialog*>(new ChooseBox(LanStr(c.row)))
                                                : new WarnBox(LanStr(c.row)));
        box->show();
        QLabel* title = nullptr;
        for (QLabel* l : box->findChildren<QLabel*>())
            if (l->text() == LanStr(c.row))
                title = l;
        ASSERT_NE(title, nullptr);
        const QFontMetrics fm(title->font());
        for (const QString& word : title->text().split(' ', Qt::SkipEmptyParts))
            EXPECT_LE(fm.horizontalAdvance(word), title->width()) << word.toStdString();
        // Chinese titles keep the box's 30-px text.
        if (c.lan == 0) {
            EXPECT_EQ(title->font().pixelSize(), 30);
        }
    }
}
