// The user-account store against real "UserDataBase.db" files.
#include "params/lanstr.h"
#include "params/usermanager.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>
#include <memory>

namespace {

QStringList gNotices;
void recordNotice(const QString& title, const QString& text) { gNotices << title + '|' + text; }

class UserAccounts : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        gNotices.clear();
        setUserNoticeHook(recordNotice);
    }
    void TearDown() override
    {
        users.reset();
        setUserNoticeHook(nullptr);
        InTempFolder::TearDown();
    }
    UserManager& open()
    {
        users.reset();
        users = std::make_unique<UserManager>();
        return *users;
    }
    void close() { users.reset(); }

    // Rows of a query on the file, fields joined by ',', through a connection of its own.
    static QStringList query(const QString& sql)
    {
        const QString name = QUuid::createUuid().toString();
        QStringList rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName("UserDataBase.db");
            db.open();
            QSqlQuery q(db);
            if (q.exec(sql)) {
                while (q.next()) {
                    QStringList fields;
                    for (int i = 0; i < q.record().count(); ++i)
                        fields << q.value(i).toString();
                    rows << fields.join(',');
                }
            } else {
                rows << "error";
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return rows;
    }
    static bool exec(const QStringList& statements)
    {
        const QString name = QUuid::createUuid().toString();
        bool ok = true;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName("UserDataBase.db");
            db.open();
            QSqlQuery q(db);
            for (const QString& s : statements)
                ok = ok && q.exec(s);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

    std::unique_ptr<UserManager> users;
};

} // namespace

TEST_F(UserAccounts, ANewDatabaseHoldsAdminLoggedIn)
{
    UserManager& u = open();
    EXPECT_EQ(u.name(), QString("admin"));
    EXPECT_EQ(u.type(), UserAdmin);
    EXPECT_EQ(query("select name, password, usertype from user_table"), QStringList{"admin,740396,1"});
    EXPECT_EQ(query("select name, optype from record_table"), QStringList{"admin,1"});
    EXPECT_EQ(query("select count(*) from user_table where createtime is not null"), QStringList{"1"});
}

// Records within one second are all kept: a switch writes a logout and a
// login at once, and a reopen a third.
TEST_F(UserAccounts, EveryRecordIsKeptAlsoWithinOneSecond)
{
    UserManager& u = open();
    QString m;
    ASSERT_TRUE(u.addUser(UserType(2), "anna", "pw", m));
    ASSERT_TRUE(u.changeUser("anna", "pw", m));
    EXPECT_EQ(m, QString::fromUtf8("账户切换成功!"));
    u.closeDatabase();
    EXPECT_EQ(query("select name, optype from record_table order by rowid"),
              (QStringList{"admin,1", "admin,2", "anna,1", "anna,2"}));
    // The newest record names the current account at the next opening,
    // also when it is a logout.
    UserManager& again = open();
    EXPECT_EQ(again.name(), QString("anna"));
    EXPECT_EQ(again.type(), UserType(2));
    EXPECT_EQ(query("select count(*) from record_table").first(), QString("5"));
}

// A store made with the time as the records' key keeps its records and from
// then on keeps every record.
TEST_F(UserAccounts, AnOlderStoreKeyedByTimeIsCarriedOver)
{
    ASSERT_TRUE(exec({"create table user_table(name varchar(32) primary key,password varchar(32),usertype int,"
                      "createtime datetime)",
                      "insert into user_table values('admin','740396',1,datetime())",
                      "insert into user_table values('bob','b',3,datetime())",
                      "create table record_table(name varchar(32),optype int,time datetime primary key)",
                      "insert into record_table values('admin',1,'2020-01-01 10:00:00')",
                      "insert into record_table values('bob',2,'2020-01-02 10:00:00')"}));
    UserManager& u = open();
    EXPECT_EQ(u.name(), QString("bob"));
    EXPECT_EQ(u.type(), UserType(3));
    EXPECT_TRUE(u.addRecord("bob", 2));
    EXPECT_TRUE(u.addRecord("bob", 1)) << "in the same second";
    EXPECT_EQ(query("select name, optype from record_table order by rowid"),
              (QStringList{"admin,1", "bob,2", "bob,1", "bob,2", "bob,1"}));
}

TEST_F(UserAccounts, AUserTableWithoutRecordsGetsTheRest)
{
    ASSERT_TRUE(exec({"create table user_table(name varchar(32) primary key,password varchar(32),usertype int,"
                      "createtime datetime)",
                      "insert into user_table values('admin','secret',1,datetime())"}));
    UserManager& u = open();
    EXPECT_EQ(u.name(), QString("admin"));
    EXPECT_EQ(u.type(), UserAdmin);
    EXPECT_EQ(query("select name, password from user_table"), QStringList{"admin,secret"}) << "left as it was";
    EXPECT_EQ(query("select name, optype from record_table"), QStringList{"admin,1"});
}

// Without a known current account there are no rights.
TEST_F(UserAccounts, TheCurrentTypeStartsWithoutRights)
{
    struct Case {
        const char* name;
        QStringList records; // after a new database
        QString current;
    };
    const Case cases[] = {
        {"no records", {"delete from record_table"}, ""},
        {"newest record names a deleted account", {"insert into record_table values('gone',1,'2999-01-01 00:00:00')"},
         "gone"},
    };
    for (const Case& c : cases) {
        QFile::remove("UserDataBase.db");
        open();
        close();
        ASSERT_TRUE(exec(c.records)) << c.name;
        UserManager& u = open();
        EXPECT_EQ(u.name(), c.current) << c.name;
        EXPECT_EQ(u.type(), UserNoRights) << c.name;
        QString m;
        EXPECT_FALSE(u.addUser(UserType(3), "x", "y", m)) << c.name;
        EXPECT_EQ(m, QString::fromUtf8("您没有权限添加该账户!"));
        EXPECT_FALSE(u.deleteUser("admin", m)) << c.name;
        EXPECT_EQ(m, QString::fromUtf8("您没有权限删除该用户!"));
        gNotices.clear();
        EXPECT_FALSE(u.canChangeSetting()) << c.name;
        EXPECT_EQ(gNotices, QStringList{QString::fromUtf8("警告|没有权限 !")});
    }
    // The reopen after an empty journal wrote a login with an empty name.
    QFile::remove("UserDataBase.db");
    open();
    close();
    exec({"delete from record_table"});
    open();
    EXPECT_EQ(query("select name, optype from record_table"), QStringList{",1"});
}

// The permission table: who may add, delete and change settings.
TEST_F(UserAccounts, PermissionTable)
{
    struct Case {
        int current;
        int other;
        bool mayAdd;
        bool mayDelete;
    };
    const Case cases[] = {
        {1, 2, true, true},   {1, 1, false, false}, {2, 3, true, true},
        {2, 2, false, false}, {2, 1, false, false}, {3, 4, true, true},
    };
    for (const Case& c : cases) {
        QFile::remove("UserDataBase.db");
        UserManager& u = open();
        QString m;
        if (c.current != 1) {
            ASSERT_TRUE(u.addUser(UserType(c.current), "me", "pw", m));
            ASSERT_TRUE(u.changeUser("me", "pw", m));
        }
        ASSERT_TRUE(exec({QString("insert into user_table values('old','o',%1,datetime())").arg(c.other)}));
        m.clear();
        EXPECT_EQ(u.addUser(UserType(c.other), "new", "n", m), c.mayAdd) << c.current << " adds " << c.other;
        EXPECT_EQ(m, QString::fromUtf8(c.mayAdd ? "账户添加成功!" : "您没有权限添加该账户!"));
        m = "untouched";
        EXPECT_EQ(u.deleteUser("old", m), c.mayDelete) << c.current << " deletes " << c.other;
        EXPECT_EQ(m, c.mayDelete ? QString("untouched") : QString::fromUtf8("您没有权限删除该用户!"));
        EXPECT_EQ(query("select count(*) from user_table where name='old'").first(), c.mayDelete ? "0" : "1");
        gNotices.clear();
        EXPECT_EQ(u.canChangeSetting(), c.current == 1 || c.current == 2) << c.current;
        EXPECT_EQ(gNotices.size(), c.current <= 2 ? 0 : 1);
    }
}

TEST_F(UserAccounts, AddDeleteAndLookUp)
{
    UserManager& u = open();
    QString m;
    EXPECT_TRUE(u.addUser(UserType(2), "anna", "a'); drop table user_table; --", m));
    EXPECT_FALSE(u.addUser(UserType(3), "anna", "other", m));
    EXPECT_EQ(m, QString::fromUtf8("账户已存在!"));
    EXPECT_EQ(query("select password from user_table where name='anna'"),
              QStringList{"a'); drop table user_table; --"});
    EXPECT_EQ(u.getUserType("anna"), UserType(2));
    EXPECT_EQ(u.getUserType("nobody"), UserUnknown);
    EXPECT_FALSE(u.deleteUser("admin", m));
    EXPECT_EQ(m, QString::fromUtf8("您不能删除自己!"));
    EXPECT_FALSE(u.deleteUser("nobody", m));
    EXPECT_EQ(m, QString::fromUtf8("该用户不存在!"));

    std::vector<QString> names{"kept"};
    std::vector<UserType> types{UserType(9)};
    u.getAllUsersName(names, types);
    EXPECT_EQ(names, (std::vector<QString>{"kept", "admin", "anna"}));
    EXPECT_EQ(types, (std::vector<UserType>{UserType(9), UserAdmin, UserType(2)}));
}

// The messages come in the language chosen; the English ones read as they
// always did.
TEST_F(UserAccounts, MessagesInTheLanguageChosen)
{
    UserManager& u = open();
    QString m;
    ASSERT_TRUE(u.addUser(UserType(3), "op", "o", m));
    struct Lan {
        int lan;
        const char* exists;
        const char* yourself;
        const char* notice;
    };
    const Lan lans[] = {
        {1, "The account already exists!", "You can not delete youself!", "warning|No permission !"},
        {2, "帳戶已存在!", "您不能刪除自己!", "警告|沒有權限 !"},
    };
    for (const Lan& l : lans) {
        gLan = l.lan;
        EXPECT_FALSE(u.addUser(UserType(3), "op", "x", m));
        EXPECT_EQ(m, QString::fromUtf8(l.exists));
        EXPECT_FALSE(u.deleteUser("admin", m));
        EXPECT_EQ(m, QString::fromUtf8(l.yourself));
        ASSERT_TRUE(u.changeUser("op", "o", m));
        gNotices.clear();
        EXPECT_FALSE(u.canChangeSetting());
        EXPECT_EQ(gNotices, QStringList{QString::fromUtf8(l.notice)});
        ASSERT_TRUE(u.changeUser("admin", "740396", m));
    }
    gLan = 0;
}

TEST_F(UserAccounts, PasswordsAndSwitching)
{
    UserManager& u = open();
    QString m;
    EXPECT_FALSE(u.changeUserPassword("wrong", "new", m));
    EXPECT_EQ(m, QString::fromUtf8("旧密码不正确!"));
    EXPECT_TRUE(u.changeUserPassword("740396", "n3w", m));
    EXPECT_EQ(m, QString::fromUtf8("密码已更新!"));
    EXPECT_EQ(query("select password from user_table where name='admin'"), QStringList{"n3w"});

    ASSERT_TRUE(u.addUser(UserType(3), "op", "o", m));
    const int records = query("select count(*) from record_table").first().toInt();
    m = "untouched";
    EXPECT_TRUE(u.changeUser("admin", "anything", m)) << "already current";
    EXPECT_EQ(m, QString("untouched"));
    EXPECT_FALSE(u.changeUser("op", "wrong", m));
    EXPECT_EQ(m, QString::fromUtf8("密码错误!"));
    EXPECT_EQ(query("select count(*) from record_table").first().toInt(), records) << "nothing written";
    EXPECT_TRUE(u.changeUser("op", "o", m));
    EXPECT_EQ(u.name(), QString("op"));
    EXPECT_EQ(u.type(), UserType(3));
    EXPECT_EQ(query("select name, optype from record_table order by rowid desc limit 2"),
              (QStringList{"op,1", "admin,2"}));
}

// A database that cannot be opened: nothing is claimed as done.
TEST_F(UserAccounts, AnUnopenedDatabaseRefusesWrites)
{
    QDir().mkpath("UserDataBase.db/x"); // a folder where the file should be
    UserManager& u = open();
    EXPECT_EQ(u.name(), QString("admin")) << "the default account, as before";
    QString m;
    EXPECT_FALSE(u.addUser(UserType(2), "anna", "a", m));
    EXPECT_EQ(m, LanStr(1320));
    EXPECT_EQ(u.getUserType("admin"), UserUnknown);
    EXPECT_FALSE(u.changeUserPassword("740396", "x", m));
    EXPECT_FALSE(u.changeUser("anna", "a", m));
    EXPECT_FALSE(u.addRecord("admin", 1));
    u.closeDatabase();

    // After closing, every statement fails, and the add says so.
    QDir("UserDataBase.db").removeRecursively();
    UserManager& fresh = open();
    fresh.closeDatabase();
    EXPECT_FALSE(fresh.addUser(UserType(2), "anna", "a", m));
    EXPECT_EQ(m, LanStr(1320));
    EXPECT_EQ(query("select name, optype from record_table"), (QStringList{"admin,1", "admin,2"}));
}
