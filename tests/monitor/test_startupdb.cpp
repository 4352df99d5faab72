#include "monitor/startupdb.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "sqlfaults.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

class StartupDb : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        host::Hooks h;
        h.showWarning = [this](const QString& t) { warnings << t; };
        h.insertRecord = [this](const QString& t) { records << t; };
        host::install(h);
        QDir().mkpath("paraGroup/default");
    }
    void TearDown() override
    {
        host::install({});
        gLan = 0;
        for (const char* c : {"dbIn", "dbRecord", "dbT"})
            CloseSqlite(c);
        InTempFolder::TearDown();
    }
    static void garbage(const QString& name)
    {
        QFile f(name);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(4096, 'z'));
    }
    QStringList warnings;
    QStringList records;
};

} // namespace

TEST_F(StartupDb, GoodDatabasesOpenWithoutAnySystemAction)
{
    ASSERT_TRUE(CreateParamDatabase("PARAM.db", WizardPara()));
    ASSERT_TRUE(CreateRecordDatabase("RECORD.db"));
    ASSERT_TRUE(CreateSerialDatabase("SN.db"));
    EXPECT_EQ(OpenStartupDatabase(ParamDatabase()), DbOpenResult::Opened);
    EXPECT_EQ(OpenStartupDatabase(RecordDatabase()), DbOpenResult::Opened);
    EXPECT_EQ(OpenStartupDatabase(SerialDatabase()), DbOpenResult::Opened);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(testenv::commands().calls().isEmpty());
}

TEST_F(StartupDb, MissingOrDamagedDatabaseWarnsInEnglishAndTriesTheDefault)
{
    ASSERT_TRUE(CreateRecordDatabase("RECORDNULL.db"));
    gLan = 2; // whatever language is in force, the message is the English one
    for (bool missing : {true, false}) {
        QFile::remove("RECORD.db");
        if (!missing)
            garbage("RECORD.db");
        testenv::commands().clear();
        warnings.clear();
        // The recorder copies nothing, so the journal stays unusable: no reboot follows.
        EXPECT_EQ(OpenStartupDatabase(RecordDatabase()), DbOpenResult::Unusable) << missing;
        EXPECT_EQ(warnings, QStringList{QString("Database failed to open, please restart!")}) << missing;
        EXPECT_EQ(testenv::commands().lines(), QStringList{"cp -f RECORDNULL.db RECORD.db"}) << missing;
        // Without a default in its place the damaged journal stays as it was.
        EXPECT_EQ(QFile::exists("RECORD.db"), !missing) << missing;
        EXPECT_EQ(QFileInfo("RECORD.db").size(), missing ? 0 : 4096) << missing;
        EXPECT_TRUE(QDir().entryList({"RECORD.damaged-*"}).isEmpty()) << missing;
    }
}

TEST_F(StartupDb, SuccessfulReplacementEndsInOneReboot)
{
    ASSERT_TRUE(CreateParamDatabase("paraGroup/default/PARAM.db", WizardPara()));
    garbage("PARAM.db");
    // A runner that really copies, so the result can be checked as on the panel.
    struct CopyingRunner : platform::RecordingCommandRunner {
        platform::CommandResult run(const QString& p, const QStringList& a, int t) override
        {
            auto r = RecordingCommandRunner::run(p, a, t);
            if (p == "cp") {
                QFile::remove(a.at(2));
                QFile::copy(a.at(1), a.at(2));
            }
            return r;
        }
    } runner;
    platform::CommandRunner::setInstance(&runner);
    const DbOpenResult r = OpenStartupDatabase(ParamDatabase());
    platform::CommandRunner::setInstance(&testenv::commands());
    EXPECT_EQ(r, DbOpenResult::Replaced);
    EXPECT_EQ(runner.lines(), (QStringList{"cp -f ./paraGroup/default/PARAM.db PARAM.db", "reboot"}));
    EXPECT_EQ(warnings, QStringList{LanStr(160, 1)});
    EXPECT_TRUE(warnings.first().startsWith("System parameter file error"));
    EXPECT_TRUE(DatabaseUsable("PARAM.db", "sysparam"));
    // The damaged file is kept beside it, dated, and the journal says so.
    const QStringList kept = QDir().entryList({"PARAM.damaged-*.db"});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(QFileInfo(kept[0]).size(), 4096);
    EXPECT_EQ(records, QStringList{LanStr(startuptext::kKeptDamaged, 1).arg("PARAM.db", kept[0],
                                                                          "./paraGroup/default/PARAM.db")});
}

// A damaged file that cannot be kept aside (its dated name would pass the
// length a file name may have) is not replaced either.
TEST_F(StartupDb, AFileThatCannotBeKeptIsNotReplaced)
{
    ASSERT_TRUE(CreateParamDatabase("paraGroup/default/PARAM.db", WizardPara()));
    const QString name = QString(240, 'p') + ".db";
    garbage(name);
    const StartupDatabase db{"dbLong", name, "sysparam", "./paraGroup/default/PARAM.db", 160, 0};
    EXPECT_EQ(OpenStartupDatabase(db), DbOpenResult::Unusable);
    EXPECT_TRUE(testenv::commands().calls().isEmpty()) << "nothing copied over it, no reboot";
    EXPECT_EQ(QFileInfo(name).size(), 4096);
    EXPECT_EQ(warnings.last(), LanStr(startuptext::kNotKept, 1).arg(name));
    EXPECT_TRUE(records.isEmpty());
}

TEST_F(StartupDb, NoUsableDefaultMeansNoRebootLoop)
{
    garbage("SN.db");
    EXPECT_EQ(OpenStartupDatabase(SerialDatabase()), DbOpenResult::Unusable);
    garbage("paraGroup/default/SN.db");
    EXPECT_EQ(OpenStartupDatabase(SerialDatabase()), DbOpenResult::Unusable);
    EXPECT_TRUE(testenv::commands().calls().isEmpty()) << "nothing copied, no reboot";
    EXPECT_EQ(warnings.size(), 2);
}

TEST_F(StartupDb, UsabilityNeedsTheTable)
{
    ASSERT_TRUE(CreateRecordDatabase("RECORD.db"));
    EXPECT_TRUE(DatabaseUsable("RECORD.db", "RECORD"));
    EXPECT_FALSE(DatabaseUsable("RECORD.db", "sysparam"));
    EXPECT_FALSE(DatabaseUsable("nothing.db", "RECORD"));
    EXPECT_FALSE(QFile::exists("nothing.db")) << "checking must not create the file";
}

// The start-up check reads the table whole: a damaged page in it makes the
// file unusable (and so replaced), while a lock held by another process is
// no damage. A damaged region table leaves the parameter file usable: the
// region load refuses that camera alone.
TEST_F(StartupDb, ADamagedTableIsFoundAndALockIsNoDamage)
{
    enum Fault { None, SysparamDamaged, RegionTableDamaged, Locked };
    const char* names[] = {"intact", "parameter table damaged", "region table damaged", "locked"};
    for (Fault fault : {None, SysparamDamaged, RegionTableDamaged, Locked}) {
        SCOPED_TRACE(names[fault]);
        QFile::remove("PARAM.db");
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", WizardPara()));
        ASSERT_TRUE(OpenSqlite("fill", "PARAM.db"));
        {
            QSqlQuery q(QSqlDatabase::database("fill"));
            ASSERT_TRUE(q.exec("insert into cammer0 values('ROI0-0', '5 25 100 0 1 0 0 10 10 60 60')"));
        }
        CloseSqlite("fill");
        if (fault == SysparamDamaged)
            ASSERT_TRUE(sqlfaults::damagePageHolding("PARAM.db", "trigInDelay"));
        if (fault == RegionTableDamaged)
            ASSERT_TRUE(sqlfaults::damagePageHolding("PARAM.db", "ROI0-0"));
        std::unique_ptr<sqlfaults::Lock> lock;
        if (fault == Locked)
            lock.reset(new sqlfaults::Lock("PARAM.db", sqlfaults::Lock::Exclusive));
        EXPECT_EQ(DatabaseUsable("PARAM.db", "sysparam"), fault != SysparamDamaged);
    }
}
