// The date and time dialog: the editors show the clock's time, and the set
// writes it with "date -s" and then "hwclock --systohc", without a shell.
#include "kittest.h"
#include "params/geometry.h"
#include "platform/clock.h"
#include "testenv.h"
#include "widgets/modifytimewidget.h"

#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>

class ModifyTime : public KitTest {};

TEST_F(ModifyTime, SetsTheSystemAndHardwareClocks)
{
    testenv::commands().clear();
    EditDateTime e(QString{});
    e.dateEdit()->setDate(QDate(2024, 2, 29));
    e.timeEdit()->setTime(QTime(13, 5, 9));
    EXPECT_TRUE(e.setSysDateTime().ok());
    EXPECT_EQ(testenv::commands().lines(), (QStringList{"date -s 2024-02-29 13:05:09", "hwclock --systohc"}));
    EXPECT_EQ(testenv::commands().calls().first().args, (QStringList{"-s", "2024-02-29 13:05:09"}));
    EXPECT_EQ(e.dateTimeToSet(), QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9)));

    platform::CommandResult refused;
    refused.started = true;
    refused.exitCode = 1;
    testenv::commands().script("date", refused);
    const EditDateTime::Steps steps = e.setSysDateTime();
    EXPECT_FALSE(steps.date) << "a refused clock change is told";
    EXPECT_FALSE(steps.ok());
    testenv::commands().script("date", platform::CommandResult{true, 0, {}, {}});
}

TEST_F(ModifyTime, ShowsTheClockEachTime)
{
    platform::ManualClock clock(QDateTime(QDate(2026, 5, 6), QTime(23, 59, 30)));
    platform::Clock::setInstance(&clock);
    ModifyTimeWidget dialog(QString("Modify Time"));
    EXPECT_EQ(dialog.geometry(), QRect(gShowW / 2 - 340, gShowH / 2 - 200, 680, 400));
    dialog.editor()->ShowDateTime();
    dialog.editor()->timeEdit()->setTime(QTime(1, 2, 3));
    clock.advanceMs(60000);
    dialog.editor()->ShowDateTime();
    EXPECT_EQ(dialog.editor()->dateEdit()->date(), QDate(2026, 5, 7));
    EXPECT_EQ(dialog.editor()->timeEdit()->time(), QTime(0, 0, 30));
    EXPECT_EQ(dialog.editor()->dateEdit()->displayFormat(), QString("yyyy - MM - dd"));
    EXPECT_EQ(dialog.editor()->timeEdit()->displayFormat(), QString("HH : mm : ss"));
    platform::Clock::setInstance(nullptr);
}
