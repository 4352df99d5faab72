#include "params/usermanager.h"

#include "params/lanstr.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

constexpr int kRowAccountsUnavailable = 1320;
constexpr int kRowNoRightToAdd = 1341;
constexpr int kRowAccountExists = 1342;
constexpr int kRowAccountAdded = 1343;
constexpr int kRowNotYourself = 1344;
constexpr int kRowNoSuchUser = 1345;
constexpr int kRowNoRightToDelete = 1346;
constexpr int kRowOldPasswordWrong = 1347;
constexpr int kRowPasswordUpdated = 1348;
constexpr int kRowPasswordWrong = 1349;
constexpr int kRowAccountSwitched = 1350;
constexpr int kRowNoticeTitle = 1351;
constexpr int kRowNoPermission = 1352;

UserNoticeHook gNoticeHook = nullptr;

} // namespace

void setUserNoticeHook(UserNoticeHook hook) { gNoticeHook = hook; }

UserManager::UserManager() { connectDatabase(); }

UserManager::~UserManager()
{
    if (accountDb.isOpen())
        accountDb.close();
    accountDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
}

void UserManager::connectDatabase()
{
    accountDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
    accountDb.setDatabaseName(QLatin1String(kFile));
    accountDb.setUserName(QStringLiteral("ZUN"));
    accountDb.setPassword(QStringLiteral("ZUN604217"));
    if (!accountDb.open())
        qWarning() << "account database cannot be opened:" << accountDb.lastError().text();

    const QStringList tables = accountDb.tables();
    QSqlQuery q(accountDb);
    if (tables.contains(QStringLiteral("user_table")) && tables.contains(QStringLiteral("record_table"))) {
        makeRecordsKeepEveryRecord();
        // The newest record: by time, and among records of one second the last written.
        if (q.exec(QStringLiteral("select name from record_table order by time desc, rowid desc limit 1")) && q.next())
            currentName = q.value(0).toString();
        q.prepare(QStringLiteral("select usertype from user_table where name=:name"));
        q.bindValue(QStringLiteral(":name"), currentName);
        if (!currentName.isNull() && q.exec() && q.next())
            currentType = UserType(q.value(0).toInt());
    } else {
        q.exec(QStringLiteral(
            "create table user_table(name varchar(32) primary key,password varchar(32),usertype int,createtime datetime)"));
        q.exec(QStringLiteral("insert into user_table values('admin','740396',1,datetime())"));
        currentType = UserAdmin;
        currentName = QStringLiteral("admin");
        // The row id orders the records, so two in one second are both kept.
        q.exec(QStringLiteral("create table record_table(name varchar(32),optype int,time datetime)"));
    }
    addRecord(currentName, 1);
}

// Older stores keyed the records by their time, which refused the second
// record of a second (a switch writes a logout and a login at once). Their
// records move into a table of the same columns without that key.
void UserManager::makeRecordsKeepEveryRecord()
{
    QSqlQuery q(accountDb);
    bool timeIsKey = false;
    if (q.exec(QStringLiteral("pragma table_info(record_table)")))
        while (q.next())
            if (q.value(1).toString() == QLatin1String("time") && q.value(5).toInt() > 0)
                timeIsKey = true;
    if (!timeIsKey)
        return;
    accountDb.transaction();
    const bool ok = q.exec(QStringLiteral("create table record_table_rows(name varchar(32),optype int,time datetime)"))
        && q.exec(QStringLiteral(
            "insert into record_table_rows(name,optype,time) select name,optype,time from record_table order by time"))
        && q.exec(QStringLiteral("drop table record_table"))
        && q.exec(QStringLiteral("alter table record_table_rows rename to record_table"));
    if (ok && accountDb.commit())
        return;
    qWarning() << "account records keep their old key:" << q.lastError().text();
    accountDb.rollback();
}

void UserManager::closeDatabase()
{
    if (!accountDb.isOpen())
        return;
    addRecord(currentName, 2);
    accountDb.close();
}

bool UserManager::canChangeSetting()
{
    if (currentType == 1 || currentType == 2)
        return true;
    if (gNoticeHook)
        gNoticeHook(LanStr(kRowNoticeTitle), LanStr(kRowNoPermission));
    else
        qWarning() << "account" << currentName << "may not change settings";
    return false;
}

bool UserManager::addUser(UserType type, const QString& name, const QString& password, QString& message)
{
    if (!isOpen()) {
        message = LanStr(kRowAccountsUnavailable);
        return false;
    }
    if (!(currentType < type)) {
        message = LanStr(kRowNoRightToAdd);
        return false;
    }
    QSqlQuery q(accountDb);
    q.prepare(QStringLiteral("select * from user_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), name);
    if (q.exec() && q.next()) {
        message = LanStr(kRowAccountExists);
        return false;
    }
    q.prepare(QStringLiteral("insert into user_table values(:name,:password,:type,datetime())"));
    q.bindValue(QStringLiteral(":name"), name);
    q.bindValue(QStringLiteral(":password"), password);
    q.bindValue(QStringLiteral(":type"), int(type));
    if (!q.exec()) {
        qWarning() << "account not added:" << q.lastError().text();
        message = LanStr(kRowAccountsUnavailable);
        return false;
    }
    message = LanStr(kRowAccountAdded);
    return true;
}

bool UserManager::deleteUser(const QString& name, QString& message)
{
    if (name == currentName) {
        message = LanStr(kRowNotYourself);
        return false;
    }
    QSqlQuery q(accountDb);
    q.prepare(QStringLiteral("select usertype from user_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), name);
    if (!q.exec() || !q.next()) {
        message = LanStr(kRowNoSuchUser);
        return false;
    }
    const UserType type = UserType(q.value(0).toInt());
    if (!(currentType < type)) {
        message = LanStr(kRowNoRightToDelete);
        return false;
    }
    q.prepare(QStringLiteral("delete from user_table where name = :name"));
    q.bindValue(QStringLiteral(":name"), name);
    if (!q.exec()) {
        message = LanStr(kRowAccountsUnavailable);
        return false;
    }
    return true;
}

bool UserManager::changeUserPassword(const QString& oldPassword, const QString& newPassword, QString& message)
{
    QSqlQuery q(accountDb);
    q.prepare(QStringLiteral("select password from user_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), currentName);
    if (!q.exec() || !q.next())
        return false;
    if (q.value(0).toString() != oldPassword) {
        message = LanStr(kRowOldPasswordWrong);
        return false;
    }
    q.prepare(QStringLiteral("update user_table set password=:password where name=:name"));
    q.bindValue(QStringLiteral(":password"), newPassword);
    q.bindValue(QStringLiteral(":name"), currentName);
    if (!q.exec()) {
        message = LanStr(kRowAccountsUnavailable);
        return false;
    }
    message = LanStr(kRowPasswordUpdated);
    return true;
}

bool UserManager::changeUser(const QString& name, const QString& password, QString& message)
{
    if (name == currentName)
        return true;
    QSqlQuery q(accountDb);
    q.prepare(QStringLiteral("select usertype from user_table where name=:name and password=:password"));
    q.bindValue(QStringLiteral(":name"), name);
    q.bindValue(QStringLiteral(":password"), password);
    if (!q.exec() || !q.next()) {
        message = LanStr(kRowPasswordWrong);
        return false;
    }
    const UserType type = UserType(q.value(0).toInt());
    q.finish();
    // The logout of the old and the login of the new account together.
    accountDb.transaction();
    addRecord(currentName, 2);
    currentName = name;
    currentType = type;
    addRecord(currentName, 1);
    accountDb.commit();
    message = LanStr(kRowAccountSwitched);
    return true;
}

bool UserManager::addRecord(const QString& name, int kind)
{
    QSqlQuery q(accountDb);
    q.prepare(QStringLiteral("insert into record_table values(:name,:optype,datetime())"));
    q.bindValue(QStringLiteral(":name"), name.isNull() ? QStringLiteral("") : name);
    q.bindValue(QStringLiteral(":optype"), kind);
    if (!q.exec()) {
        qWarning() << "account record not stored:" << q.lastError().text();
        return false;
    }
    return true;
}

UserType UserManager::getUserType(const QString& name)
{
    QSqlQuery q(accountDb);
    q.prepare(QStringLiteral("select usertype from user_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), name);
    if (q.exec() && q.next())
        return UserType(q.value(0).toInt());
    return UserUnknown;
}

void UserManager::getAllUsersName(std::vector<QString>& names, std::vector<UserType>& types)
{
    QSqlQuery q(accountDb);
    if (!q.exec(QStringLiteral("select name,usertype from user_table")))
        return;
    while (q.next()) {
        names.push_back(q.value(0).toString());
        types.push_back(UserType(q.value(1).toInt()));
    }
}
