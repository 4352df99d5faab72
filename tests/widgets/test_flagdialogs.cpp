// The flag-button message dialogs and the page control bar.
#include "kittest.h"

#include "params/lanstr.h"
#include "widgets/bmessagebox.h"
#include "widgets/boxlook.h"
#include "widgets/keyboards.h"
#include "widgets/modal.h"
#include "widgets/pagecontrolbar.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

QStringList texts(const QList<QPushButton*>& buttons)
{
    QStringList t;
    for (QPushButton* b : buttons)
        t << b->text();
    return t;
}

} // namespace

using FlagDialogs = KitTest;

TEST_F(FlagDialogs, BMessageBoxButtonsByFlagInTheirOrder)
{
    const QString close = LanStr(1326);
    struct Case {
        int flags;
        QStringList buttons;
    };
    const Case cases[] = {
        {0x4 | 0x8, {LanStr(123), LanStr(122)}}, // NO left of YES
        {0x1, {LanStr(121)}},
        {0x1 | 0x2, {LanStr(124), LanStr(121)}},
        {0x1F, {LanStr(124), LanStr(121), LanStr(123), LanStr(122), close}},
        {0x20, {}},
        {0, {}},
    };
    for (const Case& c : cases) {
        BMessageBox box("T", "M", c.flags, Warning);
        EXPECT_EQ(texts(box.buttons()), c.buttons) << c.flags;
        for (QPushButton* b : box.buttons())
            EXPECT_EQ(b->height(), 72);
        EXPECT_EQ(box.geometry(), boxGeometry());
        EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    }
}

// Each button ends a modal run as accepted or rejected, on the press.
TEST_F(FlagDialogs, BMessageBoxResults)
{
    struct Case {
        int flag;
        int result;
    };
    const Case cases[] = {{0x1, QDialog::Accepted}, {0x2, QDialog::Rejected}, {0x4, QDialog::Accepted},
                          {0x8, QDialog::Rejected}, {0x10, QDialog::Rejected}};
    for (const Case& c : cases) {
        BMessageBox box("T", "M", c.flag);
        whenModal([](QWidget* w) {
            auto* b = static_cast<BMessageBox*>(w);
            QTest::mousePress(b->buttons().first(), Qt::LeftButton);
        });
        EXPECT_EQ(box.exec(), c.result) << c.flag;
        QTest::mouseRelease(box.buttons().first(), Qt::LeftButton);
    }
    // A box without buttons still closes with Escape.
    BMessageBox none("T", "M", 0);
    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(none.exec(), QDialog::Rejected);
}

TEST_F(FlagDialogs, BMessageBoxIcons)
{
    for (int icon : {0, 1, 2, 3, 4, 5}) {
        BMessageBox box("T", "M", 0x1, BMessageBoxIcon(icon));
        const QPixmap pm = box.iconLabel()->pixmap(Qt::ReturnByValue);
        const bool shown = !pm.isNull();
        EXPECT_EQ(shown, icon >= 1 && icon <= 4) << icon;
        EXPECT_EQ(box.iconLabel()->size(), QSize(48, 48));
        if (shown) {
            EXPECT_EQ(pm.toImage(), QPixmap(":/img/icons/warning.png").toImage()) << "all alike";
        }
    }
    BMessageBox box("T", "M", 0x1);
    EXPECT_EQ(box.titleLabel()->width(), 150);
    EXPECT_TRUE(box.messageLabel()->wordWrap());
}

TEST_F(FlagDialogs, MessageDialogButtonsAndResults)
{
    struct Case {
        int flags;
        QStringList buttons;
    };
    const Case cases[] = {
        {0x1, {LanStr(1327)}},
        {0x1111, {LanStr(1327), LanStr(1328), LanStr(1329), LanStr(1330)}},
        {0x10 | 0x100, {LanStr(1328), LanStr(1330)}},
        {0x2, {}},
    };
    for (const Case& c : cases) {
        MessageDialog d("warning", "text", c.flags);
        EXPECT_EQ(texts(d.buttons()), c.buttons) << c.flags;
        for (QPushButton* b : d.buttons())
            EXPECT_EQ(b->size(), QSize(100, 50));
        EXPECT_EQ(d.size(), QSize(500, 400));
        EXPECT_EQ(d.header()->size(), QSize(500, 60));
    }
    // OK and Cancel close without a choice; a modal run reports rejected.
    struct Run {
        int flag;
        int result;
    };
    const Run runs[] = {{0x1, QDialog::Rejected}, {0x1000, QDialog::Rejected}, {0x100, QDialog::Rejected},
                        {0x10, QDialog::Accepted}};
    for (const Run& r : runs) {
        MessageDialog d("t", "m", r.flag);
        whenModal([](QWidget* w) {
            QTest::mousePress(static_cast<MessageDialog*>(w)->buttons().first(), Qt::LeftButton);
        });
        EXPECT_EQ(d.exec(), r.result) << r.flag;
        EXPECT_FALSE(d.isVisible());
    }
}

TEST_F(FlagDialogs, MessageDialogResetsItsMessage)
{
    MessageDialog d("warning", "first", 0x1);
    auto* label = d.findChild<QLabel*>("message");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString("first"));
    EXPECT_TRUE(label->wordWrap());
    d.resetMessage("second");
    EXPECT_EQ(label->text(), QString("second"));
    EXPECT_EQ(d.titleLabel()->text(), QString("warning"));

    // The account store's notice: a modal dialog with OK only.
    QStringList seen;
    const ModalRunner previous = setModalRunner([&](QDialog& dialog) {
        auto* m = qobject_cast<MessageDialog*>(&dialog);
        if (m)
            seen << m->titleLabel()->text() << m->findChild<QLabel*>("message")->text() << texts(m->buttons());
        return int(QDialog::Rejected);
    });
    showMessageDialog("warning", "No permission !");
    setModalRunner(previous);
    EXPECT_EQ(seen, (QStringList{"warning", "No permission !", LanStr(1327)}));
}

TEST_F(FlagDialogs, PageControlBar)
{
    PageControlBar bar;
    EXPECT_EQ(bar.height(), 70);
    for (QPushButton* b : {bar.firstButton(), bar.previousButton(), bar.nextButton(), bar.lastButton(),
                           bar.pageButton(0), bar.pageButton(3)}) {
        EXPECT_EQ(b->size(), QSize(60, 60));
        EXPECT_EQ(b->iconSize(), QSize(60, 60));
    }
    EXPECT_FALSE(bar.firstButton()->icon().isNull());
    EXPECT_FALSE(bar.lastButton()->icon().isNull());
    EXPECT_EQ(bar.pageField()->width(), 80);
    EXPECT_EQ(bar.pageField()->alignment() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(bar.pageLabel()->text(), LanStr(1339));

    showActive(&bar);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(bar.pageButton(i)->isChecked());
    QTest::mouseClick(bar.pageButton(2), Qt::LeftButton);
    QTest::mouseClick(bar.pageButton(0), Qt::LeftButton);
    EXPECT_TRUE(bar.pageButton(0)->isChecked());
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(bar.pageButton(i)->isChecked()) << i;

    // The page field opens the numeric keyboard; the text stays in the field.
    QStringList labels;
    const ModalRunner previous = setModalRunner([&](QDialog& d) {
        auto* k = qobject_cast<KeyboardDialog*>(&d);
        if (!k)
            return int(QDialog::Rejected);
        for (QLabel* l : d.findChildren<QLabel*>())
            labels << l->text();
        EXPECT_NE(qobject_cast<DigitalKeyboard*>(&d), nullptr);
        k->lineEdit()->setText("3");
        return int(QDialog::Accepted);
    });
    QTest::mousePress(bar.pageField(), Qt::LeftButton);
    setModalRunner(previous);
    EXPECT_TRUE(labels.contains(LanStr(1337))) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains(LanStr(1338)));
    EXPECT_EQ(bar.pageField()->text(), QString("3"));
}
