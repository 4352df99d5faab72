// The file work of the maintenance commands on real folders: group names,
// group backup, restore and delete, checked copies and update names.
#include "settings/maintenance.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace maintenance;

namespace {

void put(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every file under a folder with its content, for comparing whole trees.
QStringList tree(const QString& root)
{
    QStringList out;
    QDir dir(root);
    if (!dir.exists())
        return {"<no folder>"};
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& e : entries) {
        if (e.isDir()) {
            for (const QString& sub : tree(e.filePath()))
                out << e.fileName() + '/' + sub;
        } else {
            out << e.fileName() + '=' + QString::fromLatin1(read(e.filePath()));
        }
    }
    return out;
}

class GroupFiles : public InTempFolder {
protected:
    // A program folder with its database and template folders of two
    // cameras and three steps; the group folder holds the factory group.
    void SetUp() override
    {
        InTempFolder::SetUp();
        put("PARAM.db", "live params");
        for (int c = 1; c <= 2; ++c)
            for (int s = 1; s <= 3; ++s)
                put(QString("cammer%1%2/template0.bmp").arg(c).arg(s), QString("live %1%2").arg(c).arg(s).toLatin1());
        put("paraGroup/default/PARAM.db", "factory params");
        put("paraGroup/default/20clearsh.tar.gz", "factory archive");
    }
    QString program() const { return folder(); }
    QString root() const { return file("paraGroup"); }
};

} // namespace

TEST(GroupNames, WhatAGroupMayBeCalled)
{
    struct Case {
        const char* name;
        QString text;
        GroupName expected;
    };
    const Case cases[] = {
        {"empty", "", GroupName::Empty},
        {"blanks only", "   ", GroupName::Empty},
        {"parent folder", "..", GroupName::Invalid},
        {"hidden", ".mold", GroupName::Invalid},
        {"a path", "a/b", GroupName::Invalid},
        {"a path upwards", "../../etc", GroupName::Invalid},
        {"a line break", "mold\n1", GroupName::Invalid},
        {"a tab", "mold\t1", GroupName::Invalid},
        {"the factory group", "default", GroupName::Reserved},
        {"the factory group in capitals", "DEFAULT", GroupName::Reserved},
        {"blanks inside", "a b", GroupName::Ok},
        {"shell signs", "x;y", GroupName::Ok},
        {"more shell signs", "$(reboot)&`id`|*", GroupName::Ok},
        {"Chinese", QString::fromUtf8("模具一"), GroupName::Ok},
        {"too long for a folder name", QString(201, 'a'), GroupName::Invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkGroupName(c.text), c.expected);
    }
}

TEST_F(GroupFiles, BackupOfANewGroupTakesTheStepsInUse)
{
    ASSERT_TRUE(backupGroup(program(), root(), "x;y", 2));
    EXPECT_EQ(listGroups(root()), (QStringList{"default", "x;y"}));
    EXPECT_EQ(tree(file("paraGroup/x;y")),
              (QStringList{"PARAM.db=live params", "cammer11/template0.bmp=live 11", "cammer12/template0.bmp=live 12",
                           "cammer21/template0.bmp=live 21", "cammer22/template0.bmp=live 22"}));
    EXPECT_TRUE(testenv::commands().calls().isEmpty()) << "no command at all, so no shell";
}

TEST_F(GroupFiles, AnExistingGroupIsReplacedUnderItsOwnSpelling)
{
    put("paraGroup/Mold1/PARAM.db", "old params");
    put("paraGroup/Mold1/cammer13/template0.bmp", "old 13");
    EXPECT_EQ(existingGroup(listGroups(root()), "mold1"), QString("Mold1"));
    ASSERT_TRUE(backupGroup(program(), root(), "mold1", 1));
    EXPECT_EQ(listGroups(root()), (QStringList{"Mold1", "default"}));
    EXPECT_EQ(tree(file("paraGroup/Mold1")),
              (QStringList{"PARAM.db=live params", "cammer11/template0.bmp=live 11", "cammer21/template0.bmp=live 21"}));
}

TEST_F(GroupFiles, AFailedBackupLeavesTheGroupsAsTheyWere)
{
    put("paraGroup/Mold1/PARAM.db", "old params");
    const QStringList before = tree(root());
    // A template that cannot be read (a link to nothing) breaks the copy.
    ASSERT_TRUE(QFile::link(file("nowhere.bmp"), file("cammer12/broken.bmp")));
    EXPECT_FALSE(backupGroup(program(), root(), "Mold1", 2));
    EXPECT_EQ(tree(root()), before);
    EXPECT_FALSE(backupGroup(program(), root(), "..", 2)) << "a refused name is refused here too";
    EXPECT_FALSE(backupGroup(program(), root(), "default", 2));
    QFile::remove("PARAM.db");
    EXPECT_FALSE(backupGroup(program(), root(), "Mold2", 2)) << "no database, no group";
    EXPECT_EQ(tree(root()), before);
}

TEST_F(GroupFiles, RestoreReplacesTheStepsInUseAndKeepsTheOthers)
{
    put("paraGroup/A/PARAM.db", "group params");
    put("paraGroup/A/cammer11/template0.bmp", "group 11");
    put("paraGroup/A/cammer14/template0.bmp", "group 14");
    GroupRestore restore(program(), file("paraGroup/A"), 2);
    ASSERT_TRUE(restore.stage());
    EXPECT_EQ(read("PARAM.db"), QByteArray("live params")) << "staging changes nothing in force";
    ASSERT_TRUE(restore.commit());
    EXPECT_EQ(read("PARAM.db"), QByteArray("group params"));
    EXPECT_EQ(read("cammer11/template0.bmp"), QByteArray("group 11"));
    EXPECT_EQ(read("cammer14/template0.bmp"), QByteArray("group 14")) << "steps beyond the count come back";
    EXPECT_FALSE(QDir("cammer12").exists()) << "current steps in use that the group lacks go";
    EXPECT_FALSE(QDir("cammer21").exists());
    EXPECT_EQ(read("cammer13/template0.bmp"), QByteArray("live 13")) << "current steps beyond the count stay";
    EXPECT_EQ(tree(file("paraGroup/A")).size(), 3) << "the group itself is untouched";
    EXPECT_TRUE(QDir(program()).entryList(QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot).filter(".group").isEmpty())
        << "no work folder is left";
}

TEST_F(GroupFiles, ARestoreThatCannotStageChangesNothing)
{
    const QStringList before = tree(program());
    put("paraGroup/NoDb/cammer11/template0.bmp", "x");
    GroupRestore withoutDatabase(program(), file("paraGroup/NoDb"), 2);
    EXPECT_FALSE(withoutDatabase.stage());

    put("paraGroup/Broken/PARAM.db", "group params");
    QDir().mkpath(file("paraGroup/Broken/cammer11"));
    ASSERT_TRUE(QFile::link(file("nowhere.bmp"), file("paraGroup/Broken/cammer11/t.bmp")));
    GroupRestore broken(program(), file("paraGroup/Broken"), 2);
    EXPECT_FALSE(broken.stage());
    QDir("paraGroup/NoDb").removeRecursively();
    QDir("paraGroup/Broken").removeRecursively();
    EXPECT_EQ(tree(program()), before);
}

TEST_F(GroupFiles, DeleteTakesOnlyAListedGroup)
{
    put("paraGroup/a b/PARAM.db", "x");
    EXPECT_FALSE(deleteGroup(root(), "")) << "an empty name is not the whole group folder";
    EXPECT_FALSE(deleteGroup(root(), ".."));
    EXPECT_FALSE(deleteGroup(root(), "A B"));
    EXPECT_TRUE(deleteGroup(root(), "a b"));
    EXPECT_EQ(listGroups(root()), QStringList{"default"});
    EXPECT_TRUE(QFile::exists("PARAM.db"));
    EXPECT_TRUE(QDir(root()).entryList(QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot).filter(".deleted").isEmpty());
}

TEST(UpdatePackages, InstalledNameByTheChosenFile)
{
    struct Case {
        const char* file;
        const char* target;
    };
    const Case cases[] = {
        {"app.tar.gz", "newupdate.tar.gz"},
        {"app.tar.xz", "newupdate.tar.xz"},
        {"app.rar", "newupdate.rar"},
        {"app.tar.gz.rar", "newupdate.tar.gz"},
        {"app.tar.bz2", ""},
        {"app.TAR.GZ", ""},
        {"app.tar", ""},
        {"x; reboot .tar.gz", "newupdate.tar.gz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(updateTarget(c.file), QString(c.target));
    }
}

TEST_F(GroupFiles, CheckedCopyReplacesOnlyWhenComplete)
{
    put("pkg.tar.gz", QByteArray(100000, 'p'));
    put("newupdate.tar.gz", "older package");
    EXPECT_TRUE(copyChecked("pkg.tar.gz", file("newupdate.tar.gz")));
    EXPECT_EQ(read("newupdate.tar.gz"), QByteArray(100000, 'p'));
    EXPECT_FALSE(QFile::exists("newupdate.tar.gz.part"));

    EXPECT_FALSE(copyChecked("missing.tar.gz", file("newupdate.tar.gz")));
    EXPECT_EQ(read("newupdate.tar.gz"), QByteArray(100000, 'p')) << "the installed package stays";
    EXPECT_FALSE(QFile::exists("newupdate.tar.gz.part"));
}

TEST(Passwords, WhatTheRecordCanKeep)
{
    struct Case {
        const char* name;
        QString text;
        bool storable;
    };
    const Case cases[] = {
        {"digits", "123456", true},
        {"32 characters", QString(32, '7'), true},
        {"33 characters", QString(33, '7'), false},
        {"40 characters", QString(40, '7'), false},
        {"Latin-1 letters", QString::fromUtf8("abcé"), true},
        {"outside Latin-1", QString::fromUtf8("密码"), false},
        {"a control character", QString("12\n3"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(passwordStorable(c.text), c.storable);
    }
}

// A power cut anywhere in a restore's chain of renames: the next start finds
// the set in force before or the restored one, never a mix, and no work
// folder is left for a second start.
TEST_F(GroupFiles, ARestoreCutAnywhereIsFinishedOrUndoneAtTheNextStart)
{
    put("paraGroup/A/PARAM.db", "group params");
    put("paraGroup/A/cammer11/template0.bmp", "group 11");
    put("paraGroup/A/cammer14/template0.bmp", "group 14");
    const QStringList before = tree(program());
    auto reset = [&] {
        for (const QFileInfo& e : QDir(program()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            if (e.fileName() != "paraGroup")
                ASSERT_TRUE(e.isDir() ? QDir(e.filePath()).removeRecursively() : QFile::remove(e.filePath()));
        for (const QString& entry : before)
            if (!entry.startsWith("paraGroup/"))
                put(entry.section('=', 0, 0), entry.section('=', 1).toLatin1());
    };
    QStringList after;
    int undone = 0;
    int finished = 0;
    for (int cutAt = 0; cutAt < 100; ++cutAt) {
        SCOPED_TRACE(cutAt);
        reset();
        ASSERT_EQ(tree(program()), before);
        int points = 0;
        bool cut = false;
        {
            GroupRestore restore(program(), file("paraGroup/A"), 2);
            ASSERT_TRUE(restore.stage());
            restore.setInterrupt([&] {
                cut = points++ >= cutAt;
                return !cut;
            });
            restore.commit();
        }
        if (!cut) { // the whole chain ran
            after = tree(program());
            EXPECT_EQ(recoverGroupRestore(program()), RestoreRecovery::Nothing);
            break;
        }
        const RestoreRecovery recovery = recoverGroupRestore(program());
        if (recovery == RestoreRecovery::RolledBack) {
            EXPECT_EQ(tree(program()), before);
            ++undone;
        } else {
            EXPECT_EQ(recovery, RestoreRecovery::Finished);
            ++finished;
            after = tree(program());
        }
        EXPECT_EQ(recoverGroupRestore(program()), RestoreRecovery::Nothing);
    }
    EXPECT_EQ(read("PARAM.db"), QByteArray("group params"));
    EXPECT_FALSE(after.isEmpty());
    EXPECT_EQ(tree(program()), after) << "a finished restore leaves what a whole one does";
    EXPECT_GT(undone, 8) << "every move of the chain was cut once";
    EXPECT_GE(finished, 1);
}

// An undo that cannot move a file back (a file where its folder belongs)
// leaves everything where it is, and the next start tries again.
TEST_F(GroupFiles, ARestoreThatCannotBeUndoneStaysForTheNextTry)
{
    put("paraGroup/A/PARAM.db", "group params");
    const QStringList before = tree(program());
    {
        GroupRestore restore(program(), file("paraGroup/A"), 2);
        ASSERT_TRUE(restore.stage());
        int points = 0;
        restore.setInterrupt([&] { return points++ < 13; }); // once the group's database came in
        restore.commit();
    }
    ASSERT_EQ(read("PARAM.db"), QByteArray("group params"));
    ASSERT_TRUE(QDir(".group-restore").removeRecursively());
    put(".group-restore", "in the way");
    EXPECT_EQ(recoverGroupRestore(program()), RestoreRecovery::Failed);
    EXPECT_TRUE(QFileInfo(restoreWorkFolder(program())).isDir());
    EXPECT_EQ(read("PARAM.db"), QByteArray("group params")) << "nothing moved half";
    QFile::remove(".group-restore");
    EXPECT_EQ(recoverGroupRestore(program()), RestoreRecovery::RolledBack);
    EXPECT_EQ(tree(program()), before);
}
