#include "kittest.h"

#include "params/lanstr.h"
#include "widgets/tabbar.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <QtTest/QTest>

namespace {

class TabBar : public KitTest {
protected:
    QVector<QWidget*> newPages(int n)
    {
        QVector<QWidget*> v;
        for (int i = 0; i < n; ++i)
            v << new QWidget;
        return v;
    }
    QPixmap icon{QSize(92, 92)};
};

} // namespace

TEST_F(TabBar, GroupsFillTheColumnInOrder)
{
    BVerticalTabBar bar;
    icon.fill(Qt::blue);
    const QVector<QWidget*> first = newPages(3);
    const QVector<QWidget*> second = newPages(2);
    bar.addWidgetGroup(icon, {"a", "b", "c"}, first);
    bar.addWidgetGroup(icon, {"d", "e"}, second);

    // 3 buttons, a 30-px gap, 2 buttons, a 30-px gap, the stretch.
    QVBoxLayout* col = bar.columnLayout();
    ASSERT_EQ(col->count(), 8);
    const QVector<QPushButton*>& buttons = bar.tabButtons();
    const int buttonAt[] = {0, 1, 2, 4, 5};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(col->itemAt(buttonAt[i])->widget(), buttons[i]) << i;
    for (int gap : {3, 6}) {
        QSpacerItem* s = col->itemAt(gap)->spacerItem();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->sizeHint().height(), 30);
    }
    EXPECT_NE(col->itemAt(7)->spacerItem(), nullptr);

    // The first tab of each group carries the icon; the others a lower border.
    EXPECT_EQ(buttons[0]->findChildren<QLabel*>().size(), 1);
    EXPECT_EQ(buttons[0]->findChild<QLabel*>()->pixmap(Qt::ReturnByValue).width(), 46);
    EXPECT_EQ(buttons[3]->findChildren<QLabel*>().size(), 1);
    EXPECT_EQ(buttons[1]->styleSheet(), QString("border-width:0px 0px 1px 0px;"));
    EXPECT_TRUE(buttons[3]->styleSheet().isEmpty());

    EXPECT_TRUE(buttons[0]->isChecked());
    EXPECT_EQ(bar.titleText(), QString("a"));
    EXPECT_EQ(bar.currentPage(), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ((i < 3 ? first[i] : second[i - 3])->parentWidget(), &bar);

    showActive(&bar);
    QTest::mouseClick(buttons[4], Qt::LeftButton);
    EXPECT_EQ(bar.currentPage(), 4);
    EXPECT_EQ(bar.titleText(), QString("e"));
    EXPECT_TRUE(buttons[4]->isChecked());
    EXPECT_FALSE(buttons[0]->isChecked());
}

TEST_F(TabBar, MismatchedOrEmptyGroupsAddNothing)
{
    BVerticalTabBar bar;
    const QVector<QWidget*> pages = newPages(1);
    bar.addWidgetGroup(icon, {"a", "b"}, pages);
    bar.addWidgetGroup(icon, {}, {});
    EXPECT_TRUE(bar.tabButtons().isEmpty());
    EXPECT_EQ(bar.columnLayout()->count(), 1);
    EXPECT_TRUE(bar.titleText().isEmpty());
    delete pages[0];
}

// The announcements follow the tab texts, also on the tab already shown.
TEST_F(TabBar, SpecialTabsAnnounceThemselves)
{
    BVerticalTabBar bar;
    bar.addWidgetGroup(icon, {"x", LanStr(575), LanStr(576)}, newPages(3));
    bar.addWidgetGroup(icon, {LanStr(431)}, newPages(1));
    QSignalSpy log(&bar, &BVerticalTabBar::recordshow);
    QSignalSpy memo(&bar, &BVerticalTabBar::Memorandum);
    QSignalSpy device(&bar, &BVerticalTabBar::DeviPara);
    QSignalSpy exitSpy(&bar, &BVerticalTabBar::Exitsetup);
    showActive(&bar);
    const auto& b = bar.tabButtons();
    struct Step {
        int tab, log, memo, device;
    };
    const Step steps[] = {{1, 1, 0, 0}, {1, 2, 0, 0}, {2, 2, 1, 0}, {3, 2, 1, 1}, {0, 2, 1, 1}};
    for (const Step& s : steps) {
        QTest::mousePress(b[s.tab], Qt::LeftButton);
        QTest::mouseRelease(b[s.tab], Qt::LeftButton);
        EXPECT_EQ(bar.currentPage(), s.tab);
        EXPECT_EQ(log.count(), s.log) << s.tab;
        EXPECT_EQ(memo.count(), s.memo) << s.tab;
        EXPECT_EQ(device.count(), s.device) << s.tab;
    }
    EXPECT_EQ(exitSpy.count(), 0);
    QTest::mousePress(bar.exitButton(), Qt::LeftButton);
    EXPECT_EQ(exitSpy.count(), 1);
    EXPECT_EQ(bar.currentPage(), 0);
    EXPECT_EQ(bar.exitButton()->text(), QString("Exit setup"));
}
