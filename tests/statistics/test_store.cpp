// The statistics store against real database files in a program folder.
#include "statsfixture.h"

#include "params/lanstr.h"
#include "statistics/resstatisticsparam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

using statstest::rows;
using statstest::series;
using statstest::text;
using statstest::zeros;

namespace {

QStringList expectedNames()
{
    QStringList names{QStringLiteral("plan")};
    for (int c = 0; c < 8; ++c)
        for (int d = 0; d < 8; ++d)
            names << QStringLiteral("C%1_D%2").arg(c).arg(d);
    for (int d = 0; d < 8; ++d)
        names << QStringLiteral("Detect%1").arg(d);
    names.sort();
    return names;
}

QByteArray bytes(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

using StatisticsStore = StatsFolder;

// A first start makes the live database and its template in place, with the
// 73 rows, and goes on without a restart or a message.
TEST_F(StatisticsStore, AFreshFolderGetsBothDatabasesWithTheirRows)
{
    ResStatisticsParam& s = open();
    EXPECT_TRUE(s.usable());
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('|').toStdString();
    EXPECT_TRUE(testenv::commands().lines().isEmpty()) << "no reboot, no shell copy";
    EXPECT_EQ(s.getCurDate(), QString("2026-03-14"));

    for (const char* file : {"ResStatisticsNULL.db", "ResStatistics.db"}) {
        const auto all = rows(file);
        QStringList names = all.keys();
        names.sort();
        EXPECT_EQ(names, expectedNames()) << file;
        ASSERT_EQ(all.size(), 73) << file;
        EXPECT_EQ(all["plan"].value1, QString("0"));
        EXPECT_EQ(all["plan"].value2, QString(""));
        for (auto it = all.begin(); it != all.end(); ++it) {
            if (it.key() == "plan")
                continue;
            EXPECT_EQ(it->value1, zeros()) << it.key().toStdString();
            EXPECT_EQ(it->value2, zeros()) << it.key().toStdString();
        }
    }
    EXPECT_EQ(s.findOutput, series({}));
    EXPECT_EQ(s.getCount(WholeDay, true), 0);
}

// A missing or empty live database is made from the template, and the day
// is loaded from it at once.
TEST_F(StatisticsStore, AMissingOrEmptyLiveDatabaseComesFromTheTemplate)
{
    open();
    closeStore();
    ASSERT_TRUE(statstest::exec("ResStatisticsNULL.db",
                                {"update resstatistics set value1='77' where name='plan'",
                                 QString("update resstatistics set value1='0 0 4' where name='Detect1'")}));
    for (bool empty : {false, true}) {
        QFile::remove("ResStatistics.db");
        if (empty) {
            QFile f("ResStatistics.db");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        ResStatisticsParam& s = open();
        EXPECT_TRUE(warnings.isEmpty()) << empty;
        EXPECT_TRUE(testenv::commands().lines().isEmpty());
        EXPECT_EQ(s.plan, 77) << empty;
        EXPECT_EQ(s.outputTotals[1], series({0, 0, 4})) << empty;
        EXPECT_EQ(s.getCount(MorningShift, true), 4) << "step 1 is selected";
        EXPECT_EQ(rows("ResStatistics.db").size(), 73);
    }
}

// Rows that are not 24 counts load as 24 counts; rows that are missing are
// added with zeros and the others are left as they are.
TEST_F(StatisticsStore, MalformedAndMissingRowsSurvive)
{
    open();
    closeStore();
    const QString long30 = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30";
    ASSERT_TRUE(statstest::exec("ResStatistics.db",
                                {"update resstatistics set value1='1 2 x -3 99999999999 6', value2='' where name='C2_D1'",
                                 "update resstatistics set value1='  7\t8\n9 ', value2=NULL where name='C0_D0'",
                                 "update resstatistics set value1='" + long30 + "' where name='Detect1'",
                                 "update resstatistics set value1='12abc' where name='plan'",
                                 "delete from resstatistics where name in ('C3_D4', 'Detect5')"}));
    ResStatisticsParam& s = open();
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(s.outputCounts[2][1], series({1, 2, 0, 0, 0, 6}));
    EXPECT_EQ(s.abnormalCounts[2][1], series({}));
    EXPECT_EQ(s.outputCounts[0][0], series({7, 8, 9}));
    QList<int> first24;
    for (int i = 1; i <= 24; ++i)
        first24 << i;
    EXPECT_EQ(s.outputTotals[1], first24);
    EXPECT_EQ(s.plan, 12);
    EXPECT_EQ(s.getCount(NightShift, true), 13 + 14 + 15 + 16 + 17 + 18 + 19 + 20 + 21 + 22 + 23 + 24);

    const auto after = rows("ResStatistics.db");
    EXPECT_EQ(after.size(), 73);
    EXPECT_EQ(after["C3_D4"].value1, zeros());
    EXPECT_EQ(after["Detect5"].value2, zeros());
    EXPECT_EQ(after["C2_D1"].value1, QString("1 2 x -3 99999999999 6")) << "left alone until written";

    // Counting into a malformed row stores it as 24 counts.
    ASSERT_TRUE(s.add(0, true, 1, 2));
    EXPECT_EQ(rows("ResStatistics.db")["C2_D1"].value1, text({2, 2, 0, 0, 0, 6}));
}

// A query that fails is not a missing row: the stored counts are neither
// taken for zeros nor overwritten with them, and the operator is told.
TEST_F(StatisticsStore, AFailedReadIsNotAMissingRow)
{
    ResStatisticsParam& first = open();
    ASSERT_TRUE(first.add(4, true, 1, 3));
    first.setCurPlan(500);
    closeStore();
    // Reads fail while the flag is up; writes still reach the rows.
    ASSERT_TRUE(statstest::exec(
        "ResStatistics.db",
        {"alter table resstatistics rename to kept", "create table flag(up int)", "insert into flag values(1)",
         "create view resstatistics as select name, value1, value2 from kept "
         "where abs(case when (select up from flag) then -9223372036854775808 else 0 end) = 0",
         "create trigger write instead of update on resstatistics begin "
         "update kept set value1 = new.value1, value2 = new.value2 where name = old.name; end"}));
    warnings.clear();
    ResStatisticsParam& s = open();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], LanStr(1564));
    ASSERT_TRUE(statstest::exec("ResStatistics.db", {"update flag set up = 0"}));
    EXPECT_FALSE(s.add(4, true, 1, 0)) << "not stored";
    EXPECT_FALSE(s.addTotal(4, true, 1));
    const auto r = rows("ResStatistics.db");
    EXPECT_EQ(r["C3_D1"].value1, text({0, 0, 0, 0, 1})) << "not overwritten with zeros";
    EXPECT_EQ(r["plan"].value1, QString("500")) << "the plan is not taken for a missing one";
}

// Rows that could not be read are not left unread into the next day: the
// new day starts them from zero, in memory as on disk, and its counts are
// stored like every other row's.
TEST_F(StatisticsStore, ADayChangeAfterAFailedReadStoresTheNewDaysCounts)
{
    ResStatisticsParam& first = open();
    ASSERT_TRUE(first.add(4, true, 1, 3));
    ASSERT_TRUE(first.addTotal(4, true, 1));
    closeStore();
    // Reads fail while the flag is up; writes still reach the rows.
    ASSERT_TRUE(statstest::exec(
        "ResStatistics.db",
        {"alter table resstatistics rename to kept", "create table flag(up int)", "insert into flag values(1)",
         "create view resstatistics as select name, value1, value2 from kept "
         "where abs(case when (select up from flag) then -9223372036854775808 else 0 end) = 0",
         "create trigger write instead of update on resstatistics begin "
         "update kept set value1 = new.value1, value2 = new.value2 where name = old.name; end"}));
    ResStatisticsParam& s = open();
    ASSERT_TRUE(statstest::exec("ResStatistics.db", {"update flag set up = 0"}));
    ASSERT_FALSE(s.add(5, true, 1, 3)) << "unread: not stored";

    ASSERT_TRUE(s.nextDay("2026-03-15"));
    const auto archived = rows(folder() + "/ResStatistics/2026-03-14.db");
    EXPECT_EQ(archived["C3_D1"].value1, text({0, 0, 0, 0, 1})) << "the day's stored counts are archived as read";
    EXPECT_EQ(s.outputCounts[3][1], series({}));
    EXPECT_TRUE(s.add(6, true, 1, 3));
    EXPECT_TRUE(s.addTotal(6, true, 1));
    const auto live = rows("ResStatistics.db");
    EXPECT_EQ(live["C3_D1"].value1, text({0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(live["Detect1"].value1, text({0, 0, 0, 0, 0, 0, 1}));
}

// Counting, the plan and the day change persist across a reopen.
TEST_F(StatisticsStore, CountsPlanAndDayChangePersist)
{
    ResStatisticsParam& s = open();
    EXPECT_TRUE(s.add(5, true, 1, 2));
    EXPECT_TRUE(s.add(5, true, 1, 2));
    EXPECT_TRUE(s.add(23, false, 1, 2));
    EXPECT_TRUE(s.addTotal(0, true, 1));
    EXPECT_TRUE(s.addTotal(13, false, 1));
    s.setCurPlan(1234);
    {
        const auto r = rows("ResStatistics.db");
        EXPECT_EQ(r["C2_D1"].value1, text({0, 0, 0, 0, 0, 2}));
        EXPECT_EQ(r["C2_D1"].value2, text({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
        EXPECT_EQ(r["plan"].value1, QString("1234"));
    }

    ResStatisticsParam& again = open();
    EXPECT_EQ(again.outputCounts[2][1][5], 2);
    EXPECT_EQ(again.abnormalCounts[2][1][23], 1);
    EXPECT_EQ(again.plan, 1234);
    EXPECT_EQ(again.getCount(MorningShift, true), 1);
    EXPECT_EQ(again.getCount(NightShift, false), 1);

    // The finished day is archived under the production date; the new day
    // starts with zero counts and the template's plan.
    EXPECT_TRUE(again.nextDay("2026-03-15"));
    EXPECT_EQ(again.getCurDate(), QString("2026-03-15"));
    EXPECT_EQ(again.outputCounts[2][1], series({}));
    const QString archive = folder() + "/ResStatistics/2026-03-14.db";
    ASSERT_TRUE(QFileInfo::exists(archive));
    EXPECT_EQ(rows(archive)["C2_D1"].value1, text({0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(rows(archive)["plan"].value1, QString("1234"));
    const auto live = rows("ResStatistics.db");
    EXPECT_EQ(live.size(), 73);
    EXPECT_EQ(live["C2_D1"].value1, zeros());
    EXPECT_EQ(live["plan"].value1, QString("0"));
    EXPECT_TRUE(testenv::commands().lines().isEmpty());

    // The new day counts into the new database; the next change archives it
    // under its own date, though the production time has not moved.
    EXPECT_TRUE(again.add(1, true, 0, 0));
    EXPECT_TRUE(again.nextDay("2026-03-16"));
    const QString second = folder() + "/ResStatistics/2026-03-15.db";
    ASSERT_TRUE(QFileInfo::exists(second));
    EXPECT_EQ(rows(second)["C0_D0"].value1, text({0, 1}));
    EXPECT_EQ(rows(second)["C2_D1"].value1, zeros());
    EXPECT_EQ(rows(archive)["C2_D1"].value1, text({0, 0, 0, 0, 0, 2})) << "the first day's archive stays";
    EXPECT_EQ(again.getCurDate(), QString("2026-03-16"));

    ResStatisticsParam& third = open();
    EXPECT_EQ(third.outputCounts[0][0], series({}));
    EXPECT_EQ(third.plan, 0);
}

// Every count of the finished day, per camera and per step, output and
// abnormal alike, starts the new day at zero in memory and in the database.
TEST_F(StatisticsStore, ADayChangeStartsEveryCountAtZero)
{
    ResStatisticsParam& s = open();
    for (int d = 0; d < 8; ++d) {
        for (int c = 0; c < 8; ++c) {
            ASSERT_TRUE(s.add(c + d, true, d, c));
            ASSERT_TRUE(s.add(23 - c, false, d, c));
        }
        ASSERT_TRUE(s.addTotal(d, true, d));
        ASSERT_TRUE(s.addTotal(d + 8, false, d));
    }
    ASSERT_TRUE(s.nextDay("2026-03-15"));
    const auto live = rows("ResStatistics.db");
    for (int d = 0; d < 8; ++d) {
        for (int c = 0; c < 8; ++c) {
            SCOPED_TRACE(QStringLiteral("C%1_D%2").arg(c).arg(d).toStdString());
            EXPECT_EQ(s.outputCounts[c][d], series({}));
            EXPECT_EQ(s.abnormalCounts[c][d], series({}));
            EXPECT_EQ(live[QStringLiteral("C%1_D%2").arg(c).arg(d)].value1, zeros());
            EXPECT_EQ(live[QStringLiteral("C%1_D%2").arg(c).arg(d)].value2, zeros());
        }
        EXPECT_EQ(s.outputTotals[d], series({})) << d;
        EXPECT_EQ(s.abnormalTotals[d], series({})) << d;
        EXPECT_EQ(live[QStringLiteral("Detect%1").arg(d)].value1, zeros()) << d;
        EXPECT_EQ(live[QStringLiteral("Detect%1").arg(d)].value2, zeros()) << d;
    }
}

// Without a template the day change makes a complete new database.
TEST_F(StatisticsStore, ADayChangeWithoutTemplateStillLeavesEveryRow)
{
    ResStatisticsParam& s = open();
    ASSERT_TRUE(QFile::remove("ResStatisticsNULL.db"));
    s.add(3, true, 4, 5);
    s.setCurPlan(9);
    EXPECT_TRUE(s.nextDay("2026-03-15"));
    const auto live = rows("ResStatistics.db");
    EXPECT_EQ(live.size(), 73);
    EXPECT_EQ(live["C5_D4"].value1, zeros());
    EXPECT_EQ(live["plan"].value1, QString("0")) << "the shown plan is inserted, the live one kept in memory";
    EXPECT_EQ(s.plan, 9);
}

// A day that cannot be moved into the archive stays the live day: nothing
// is overwritten and its counts go on.
TEST_F(StatisticsStore, ADayThatCannotBeArchivedStaysLive)
{
    ResStatisticsParam& s = open();
    s.add(2, true, 1, 1);
    // The archive folder is taken by a file.
    QDir("ResStatistics").removeRecursively();
    {
        QFile f("ResStatistics");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(s.nextDay("2026-03-15"));
    EXPECT_EQ(s.getCurDate(), QString("2026-03-14"));
    EXPECT_EQ(s.outputCounts[1][1][2], 1);
    EXPECT_TRUE(s.add(2, true, 1, 1));
    EXPECT_EQ(rows("ResStatistics.db")["C1_D1"].value1, text({0, 0, 2}));
}

// A database that cannot be made or opened is reported once (in English),
// never answered by a restart; counting goes on in memory.
TEST_F(StatisticsStore, ADatabaseThatCannotBeMadeIsReported)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"live database is a folder",
         [] {
             QDir().mkpath("ResStatistics.db/x");
         }},
        {"working folder is gone",
         [this] {
             QDir().mkpath(folder() + "/gone");
             QDir::setCurrent(folder() + "/gone");
             QDir(folder()).rmdir("gone");
         }},
    };
    for (const Case& c : cases) {
        QDir::setCurrent(folder());
        warnings.clear();
        c.arrange();
        gLan = 0;
        ResStatisticsParam& s = open();
        EXPECT_FALSE(s.usable()) << c.name;
        ASSERT_EQ(warnings.size(), 1) << c.name;
        EXPECT_EQ(warnings[0], LanStr(544, 0)) << c.name << ": in the language chosen";
        EXPECT_TRUE(testenv::commands().lines().isEmpty()) << c.name;
        EXPECT_FALSE(s.add(3, true, 1, 1)) << "not stored";
        EXPECT_EQ(s.outputCounts[1][1][3], 1) << "but counted";
        closeStore();
    }
    QDir::setCurrent(folder());
}

// A template that cannot be copied gives way to a new database; it is left as it is.
TEST_F(StatisticsStore, ATemplateThatCannotBeCopiedGivesWayToANewDatabase)
{
    QDir().mkpath("ResStatisticsNULL.db/x");
    ResStatisticsParam& s = open();
    EXPECT_TRUE(s.usable());
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(rows("ResStatistics.db").size(), 73);
    EXPECT_TRUE(QFileInfo("ResStatisticsNULL.db").isDir());
}

// A save writes all its rows or none.
TEST_F(StatisticsStore, ASaveIsOneTransaction)
{
    open();
    closeStore();
    ASSERT_TRUE(statstest::exec("ResStatistics.db",
                                {"create trigger refuse before update on resstatistics when old.name = 'C5_D1' "
                                 "begin select raise(abort, 'refused'); end"}));
    ResStatisticsParam& t = open();
    EXPECT_FALSE(t.add(7, true, 1, 0)) << "C0_D1 comes before the refused C5_D1";
    EXPECT_EQ(rows("ResStatistics.db")["C0_D1"].value1, zeros()) << "rolled back";
    EXPECT_TRUE(t.add(7, true, 2, 0)) << "another step is not refused";
}

// Slots, steps and cameras outside their ranges change nothing.
TEST_F(StatisticsStore, ArgumentsOutOfRangeChangeNothing)
{
    ResStatisticsParam& s = open();
    const QByteArray before = bytes("ResStatistics.db");
    struct Case {
        int slot, step, camera;
    };
    const Case cases[] = {{5, 1, 8}, {-1, 1, 2}, {24, 1, 2}, {5, 8, 2}, {5, -1, 2}, {5, 1, -1}, {5, 1, 9}};
    for (const Case& c : cases) {
        EXPECT_FALSE(s.add(c.slot, true, c.step, c.camera)) << c.slot << " " << c.step << " " << c.camera;
        EXPECT_FALSE(s.add(c.slot, false, c.step, c.camera));
    }
    for (auto [slot, step] : {std::pair{-1, 1}, {24, 1}, {0, 8}, {0, -1}})
        EXPECT_FALSE(s.addTotal(slot, true, step)) << slot << " " << step;
    EXPECT_FALSE(s.load(9, 0));
    EXPECT_FALSE(s.save(0, -1));
    s.reset(3, 9, 0);
    s.setFindResAll(8);
    s.setFindRes(-1, 0);
    for (int c = 0; c < 8; ++c)
        for (int d = 0; d < 8; ++d) {
            EXPECT_EQ(s.outputCounts[c][d], series({}));
            EXPECT_EQ(s.abnormalCounts[c][d], series({}));
        }
    EXPECT_EQ(bytes("ResStatistics.db"), before) << "nothing written";
}

// The selection and its sums.
TEST_F(StatisticsStore, SelectionAndShiftSums)
{
    ResStatisticsParam& s = open();
    QList<int> out;
    QList<int> ab;
    for (int i = 0; i < 24; ++i) {
        out << i;
        ab << (i % 2);
    }
    s.setFindRes(out, ab);
    EXPECT_EQ(s.getCount(MorningShift, true), 66);
    EXPECT_EQ(s.getCount(NightShift, true), 210);
    EXPECT_EQ(s.getCount(WholeDay, true), 276);
    EXPECT_EQ(s.getCount(MorningShift, false), 6);
    EXPECT_EQ(s.getCount(ShiftType(3), true), 0);
    EXPECT_EQ(s.getRes(NightShift, true), out.mid(12));
    EXPECT_EQ(s.getRes(MorningShift, false), ab.mid(0, 12));
    EXPECT_EQ(s.getRes(WholeDay, true), out);
    EXPECT_TRUE(s.getRes(ShiftType(3), true).isEmpty());

    // A longer list: every element from position 12 on counts for the night.
    s.setFindRes(out + QList<int>{100, 200}, ab);
    EXPECT_EQ(s.getCount(NightShift, true), 510);

    // The selection is a copy, never the series itself.
    s.outputCounts[3][2] = series({5});
    s.setFindRes(2, 3);
    s.outputCounts[3][2][0] = 9;
    EXPECT_EQ(s.getCount(MorningShift, true), 5);
}

// Loading a selection reads exactly its rows (and the plan with load).
TEST_F(StatisticsStore, LoadReadsOnlyTheSelectedRows)
{
    ResStatisticsParam& s = open();
    ASSERT_TRUE(statstest::exec("ResStatistics.db",
                                {"update resstatistics set value1='1' where name in ('C0_D2','C7_D2','C0_D3','Detect2','Detect3')",
                                 "update resstatistics set value1='55' where name='plan'"}));
    s.loadTotal(2);
    EXPECT_EQ(s.outputTotals[2][0], 1);
    EXPECT_EQ(s.outputTotals[3][0], 0);
    EXPECT_EQ(s.plan, 0) << "loadTotal leaves the plan";
    s.load(2, 8);
    EXPECT_EQ(s.outputCounts[0][2][0], 1);
    EXPECT_EQ(s.outputCounts[7][2][0], 1);
    EXPECT_EQ(s.outputCounts[0][3][0], 0);
    EXPECT_EQ(s.plan, 55);

    // reset(2, 8, 3): the abnormal series of camera 3 in every step, memory only.
    for (int d = 0; d < 8; ++d)
        s.outputCounts[3][d][0] = s.abnormalCounts[3][d][0] = s.abnormalCounts[4][d][0] = 1;
    s.reset(2, 8, 3);
    for (int d = 0; d < 8; ++d) {
        EXPECT_EQ(s.abnormalCounts[3][d][0], 0);
        EXPECT_EQ(s.outputCounts[3][d][0], 1);
        EXPECT_EQ(s.abnormalCounts[4][d][0], 1);
    }
    s.resetTotal(1, 2);
    EXPECT_EQ(s.outputTotals[2][0], 0);
}
