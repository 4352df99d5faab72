#include "monitor/journal.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "platform/clock.h"
#include "testenv.h"

#include <QDir>
#include <QFileInfo>
#include <cctype>
#include <functional>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {

struct Row {
    QString time, level, text;
};

QList<Row> rowsOf(const QString& path)
{
    QList<Row> rows;
    OpenSqlite("peek", path);
    {
        QSqlQuery q(QSqlDatabase::database("peek"));
        q.exec("select recordtime, recordpassword, remarks from RECORD");
        while (q.next())
            rows.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    }
    CloseSqlite("peek");
    return rows;
}

void writeFile(const QString& name, const QByteArray& data)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Journal : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        platform::Clock::setInstance(&clock);
        ASSERT_TRUE(CreateRecordDatabase("RECORDNULL.db"));
        ASSERT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    }
    void TearDown() override
    {
        journal.Close();
        platform::Clock::setInstance(nullptr);
        InTempFolder::TearDown();
    }
    platform::ManualClock clock{QDateTime(QDate(2026, 5, 4), QTime(9, 5, 7))};
    OperationJournal journal;
};

} // namespace

TEST_F(Journal, RecordHoldsTimeLevelAndTheTextAsTyped)
{
    const int lan = gLan;
    gLan = 1;
    ASSERT_TRUE(journal.InsertRecord("service's \"check\"; DROP TABLE RECORD;--", 2));
    ASSERT_TRUE(journal.InsertRecord(QString::fromUtf8("操作员"), 1));
    ASSERT_TRUE(journal.InsertRecord("nobody", 0));
    journal.Close();
    const QList<Row> rows = rowsOf("RECORD.db");
    gLan = lan;
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].time, "09.05.07");
    EXPECT_EQ(rows[0].level, gaLanStr[154][1]);
    EXPECT_EQ(rows[0].text, "service's \"check\"; DROP TABLE RECORD;--");
    EXPECT_EQ(rows[1].level, gaLanStr[155][1]);
    EXPECT_EQ(rows[1].text, QString::fromUtf8("操作员"));
    EXPECT_EQ(rows[2].level, gaLanStr[156][1]);
}

TEST_F(Journal, ClearRecordEmptiesToday)
{
    journal.InsertRecord("a", 0);
    ASSERT_TRUE(journal.ClearRecord());
    journal.Close();
    EXPECT_TRUE(rowsOf("RECORD.db").isEmpty());
}

TEST_F(Journal, DateFileIsCreatedWithToday)
{
    journal.InitDate();
    EXPECT_EQ(journal.recordDate(), "2026-05-04");
    EXPECT_EQ(readFile("time.txt"), QByteArray("2026-05-04"));
    writeFile("time.txt", "2026-05-01 trailing");
    OperationJournal again;
    again.InitDate();
    EXPECT_EQ(again.recordDate(), "2026-05-01");
}

TEST_F(Journal, NewDayArchivesYesterdayAndStartsEmpty)
{
    writeFile("time.txt", "2026-05-03");
    journal.InitDate();
    journal.InsertRecord("yesterday's work", 1);
    journal.SlotCheckDate();
    EXPECT_EQ(journal.recordDate(), "2026-05-04");
    EXPECT_EQ(readFile("time.txt"), QByteArray("2026-05-04"));
    const QList<Row> archived = rowsOf("RECORD/2026-05-03.db");
    ASSERT_EQ(archived.size(), 1);
    EXPECT_EQ(archived[0].text, "yesterday's work");
    EXPECT_TRUE(rowsOf("RECORD.db").isEmpty());
    ASSERT_TRUE(journal.InsertRecord("today", 0)); // reopens the fresh journal
    journal.SlotCheckDate();                       // same day: nothing moves
    journal.Close();
    EXPECT_EQ(rowsOf("RECORD.db").size(), 1);
    EXPECT_TRUE(testenv::commands().calls().isEmpty()) << "no shell is needed for the archive";
}

TEST_F(Journal, AnExistingArchiveIsNeverOverwritten)
{
    QDir().mkpath("RECORD");
    ASSERT_TRUE(CreateRecordDatabase("RECORD/2026-05-03.db"));
    OpenSqlite("old", "RECORD/2026-05-03.db");
    QSqlQuery(QSqlDatabase::database("old")).exec("insert into RECORD values('1','2','first archive')");
    CloseSqlite("old");

    writeFile("time.txt", "2026-05-03");
    journal.InitDate();
    journal.InsertRecord("second journal", 0);
    journal.SlotCheckDate();
    EXPECT_EQ(rowsOf("RECORD/2026-05-03.db")[0].text, "first archive");
    ASSERT_EQ(rowsOf("RECORD/2026-05-03_1.db").size(), 1);
    EXPECT_EQ(rowsOf("RECORD/2026-05-03_1.db")[0].text, "second journal");
}

TEST_F(Journal, AJournalThatCannotBeArchivedKeepsItsDayAndIsRetried)
{
    writeFile("time.txt", "2026-05-03");
    writeFile("RECORD", "a file where the archive folder belongs");
    journal.InitDate();
    journal.InsertRecord("must not be lost", 0);
    journal.SlotCheckDate();
    EXPECT_EQ(journal.recordDate(), "2026-05-03");
    EXPECT_EQ(readFile("time.txt"), QByteArray("2026-05-03"));
    ASSERT_EQ(rowsOf("RECORD.db").size(), 1);
    EXPECT_FALSE(QFile::exists(OperationJournal::kFreshFile)) << "the new day's journal made for it is gone again";

    QFile::remove("RECORD");
    journal.SlotCheckDate();
    EXPECT_EQ(journal.recordDate(), "2026-05-04");
    ASSERT_EQ(rowsOf("RECORD/2026-05-03.db").size(), 1);
    EXPECT_EQ(rowsOf("RECORD/2026-05-03.db")[0].text, "must not be lost");
}

TEST_F(Journal, MissingTemplateStillGivesAWorkingJournal)
{
    QFile::remove("RECORDNULL.db");
    writeFile("time.txt", "2026-05-03");
    journal.InitDate();
    journal.SlotCheckDate();
    EXPECT_TRUE(journal.InsertRecord("after a lost template", 0));
}

// What the journal cannot do it refuses: a refused write or delete is not
// reported as done, and a missing journal is not made as an empty file
// without its table (which every later check would take for a journal).
TEST_F(Journal, RefusedWritesAreReportedAndMakeNothing)
{
    ASSERT_TRUE(journal.InsertRecord("kept", 0));
    QSqlQuery(QSqlDatabase::database(OperationJournal::kConnection)).exec("PRAGMA query_only=1");
    EXPECT_FALSE(journal.InsertRecord("refused", 0));
    EXPECT_FALSE(journal.ClearRecord());
    journal.Close();
    ASSERT_EQ(rowsOf("RECORD.db").size(), 1);
    EXPECT_EQ(rowsOf("RECORD.db")[0].text, "kept");

    QFile::remove("RECORD.db");
    EXPECT_FALSE(journal.InsertRecord("nowhere", 0));
    EXPECT_FALSE(journal.ClearRecord());
    EXPECT_FALSE(QFile::exists("RECORD.db"));
}

struct DayCase {
    const char* name;
    std::function<void()> prepare;     // after yesterday's record
    OperationJournal::DayCheck result;
    bool rotated;
    std::function<void()> clear;       // when set: the next check goes through
};

class DayChange : public Journal, public ::testing::WithParamInterface<DayCase> {};

// The new day's journal is made whole beside the old one before anything
// moves: whatever fails, yesterday's records are either current or archived,
// never lost, and the journal in place is always one that takes records.
TEST_P(DayChange, TheNewJournalIsWholeBeforeAnythingMoves)
{
    const DayCase& c = GetParam();
    writeFile("time.txt", "2026-05-03");
    journal.InitDate();
    ASSERT_TRUE(journal.InsertRecord("yesterday's work", 1));
    c.prepare();
    EXPECT_EQ(journal.SlotCheckDate(), c.result);
    EXPECT_FALSE(QFileInfo(OperationJournal::kFreshFile).isFile()) << "no half-made journal is left";
    if (c.rotated) {
        EXPECT_EQ(journal.recordDate(), "2026-05-04");
        ASSERT_EQ(rowsOf("RECORD/2026-05-03.db").size(), 1);
        EXPECT_TRUE(journal.InsertRecord("today", 0)) << "the new journal takes records";
        journal.Close();
        EXPECT_EQ(rowsOf("RECORD.db").size(), 1);
        return;
    }
    EXPECT_EQ(journal.recordDate(), "2026-05-03");
    EXPECT_EQ(readFile("time.txt"), QByteArray("2026-05-03"));
    EXPECT_FALSE(QFile::exists("RECORD/2026-05-03.db"));
    EXPECT_TRUE(journal.InsertRecord("still yesterday's journal", 0));
    journal.Close();
    EXPECT_EQ(rowsOf("RECORD.db").size(), 2);
    c.clear();
    EXPECT_EQ(journal.SlotCheckDate(), OperationJournal::DayCheck::NewDay);
    EXPECT_EQ(rowsOf("RECORD/2026-05-03.db").size(), 2);
    EXPECT_TRUE(rowsOf("RECORD.db").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DayChange,
    ::testing::Values(
        DayCase{"a damaged template",
                [] {
                    QFile::remove("RECORDNULL.db");
                    writeFile("RECORDNULL.db", QByteArray(4096, 'z'));
                },
                OperationJournal::DayCheck::NewDay, true, nullptr},
        DayCase{"a folder where the new journal is made",
                [] { QDir().mkpath(QString(OperationJournal::kFreshFile) + "/in the way"); },
                OperationJournal::DayCheck::NotArchived, false,
                [] { QDir(OperationJournal::kFreshFile).removeRecursively(); }},
        DayCase{"a folder where the day file belongs",
                [] {
                    QFile::remove("time.txt");
                    QDir().mkpath("time.txt/in the way");
                },
                OperationJournal::DayCheck::DateNotSaved, true, nullptr}),
    [](const ::testing::TestParamInfo<DayCase>& i) {
        std::string n;
        for (const char* p = i.param.name; *p; ++p)
            n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return n;
    });

TEST_F(Journal, RecordHookSeesEveryRecord)
{
    static QStringList seen;
    seen.clear();
    setRecordHook([](const QDateTime& when, const QString& level, const QString& text) {
        seen << when.toString("yyyy-MM-dd hh:mm:ss") + '|' + level + '|' + text;
    });
    journal.InsertRecord("x", 2);
    setRecordHook(nullptr);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0], "2026-05-04 09:05:07|" + OperationJournal::LevelText(2) + "|x");
}

struct CountCase {
    const char* name;
    QByteArray file; // empty: no file
    int all0, fail0, all7, fail7;
};

class Counters : public InTempFolder, public ::testing::WithParamInterface<CountCase> {};

TEST_P(Counters, ReadTable)
{
    const CountCase& c = GetParam();
    std::fill(gAllNum, gAllNum + 8, 99);
    std::fill(gFailNum, gFailNum + 8, 99);
    if (!c.file.isEmpty())
        writeFile("count.txt", c.file);
    CountRead();
    EXPECT_EQ(gAllNum[0], c.all0) << c.name;
    EXPECT_EQ(gFailNum[0], c.fail0) << c.name;
    EXPECT_EQ(gAllNum[7], c.all7) << c.name;
    EXPECT_EQ(gFailNum[7], c.fail7) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Counters,
    ::testing::Values(CountCase{"five and one", "5 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ", 5, 1, 0, 0},
                      CountCase{"last camera", "0 0 0 0 0 0 0 0 0 0 0 0 0 0 12 3 ", 0, 0, 12, 3},
                      CountCase{"too large", "200000000 100000000 0 0 0 0 0 0 0 0 0 0 0 0 0 0", 0, 100000000, 0, 0},
                      CountCase{"negative", "-4 2", 0, 2, 0, 0},
                      CountCase{"short file", "7", 7, 0, 0, 0},
                      CountCase{"garbage", "abc 5", 0, 0, 0, 0},
                      CountCase{"no file", "", 0, 0, 0, 0}));

TEST_F(InTempFolder, CounterFileFormat)
{
    for (int i = 0; i < 8; ++i) {
        gAllNum[i] = i * 10;
        gFailNum[i] = i;
    }
    CountWrite();
    EXPECT_EQ(readFile("count.txt"), QByteArray("0 0 10 1 20 2 30 3 40 4 50 5 60 6 70 7 "));
    std::fill(gAllNum, gAllNum + 8, 0);
    CountRead();
    EXPECT_EQ(gAllNum[6], 60);
    EXPECT_EQ(gFailNum[6], 6);
}

// A power cut between writing the new counts and putting them in place: the
// old file is whole at every moment, and what is left on disk is read as the
// old counts.
TEST_F(InTempFolder, ACounterWriteCutBeforeTheRenameKeepsTheOldCounts)
{
    std::fill(gAllNum, gAllNum + 8, 0);
    std::fill(gFailNum, gFailNum + 8, 0);
    gAllNum[0] = 5;
    gFailNum[0] = 1;
    ASSERT_TRUE(CountWrite());
    const QByteArray old = readFile("count.txt");

    gAllNum[0] = 6;
    QByteArray duringWrite;
    setCountWriteInterrupt([&] {
        duringWrite = readFile("count.txt");
        return false; // the power goes here
    });
    EXPECT_FALSE(CountWrite());
    setCountWriteInterrupt(nullptr);
    EXPECT_EQ(duringWrite, old) << "the old counts stay whole while the new ones are written";
    EXPECT_EQ(readFile("count.txt"), old);
    CountRead();
    EXPECT_EQ(gAllNum[0], 5);
    EXPECT_EQ(gFailNum[0], 1);

    gAllNum[0] = 7;
    EXPECT_TRUE(CountWrite()) << "the next write goes through";
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{"count.txt"});
    CountRead();
    EXPECT_EQ(gAllNum[0], 7);
}
