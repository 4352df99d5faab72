#pragma once
// Named accounts with a password and a type in "UserDataBase.db", with a
// journal of every login and logout in the same database. A lower type has
// more rights: an account adds or deletes only accounts of a higher type, and
// types 1 and 2 may change settings.
#include <QSqlDatabase>
#include <QString>
#include <climits>
#include <vector>

enum UserType : int {
    UserUnknown = 0,            // what a lookup of an unknown name gives
    UserAdmin = 1,              // the default account
    UserNoRights = INT_MAX,     // before (or without) a known current account
};

// Tells the operator that the current account may not change settings; the
// kit's showMessageDialog (widgets/bmessagebox.h) by default of whoever makes
// the store. Without a hook the refusal is only logged.
using UserNoticeHook = void (*)(const QString& title, const QString& text);
void setUserNoticeHook(UserNoticeHook hook);

class UserManager {
public:
    static constexpr const char* kConnection = "sql_user_database_connection";
    static constexpr const char* kFile = "UserDataBase.db";

    UserManager();
    // Releases the connection (no logout record; closeDatabase writes one).
    ~UserManager();
    UserManager(const UserManager&) = delete;
    UserManager& operator=(const UserManager&) = delete;

    void connectDatabase();
    void closeDatabase();
    bool canChangeSetting();
    bool addUser(UserType type, const QString& name, const QString& password, QString& message);
    bool deleteUser(const QString& name, QString& message);
    bool changeUserPassword(const QString& oldPassword, const QString& newPassword, QString& message);
    bool changeUser(const QString& name, const QString& password, QString& message);
    // 1 login, 2 logout. False when the record could not be stored.
    bool addRecord(const QString& name, int kind);
    UserType getUserType(const QString& name);
    void getAllUsersName(std::vector<QString>& names, std::vector<UserType>& types);

    UserType type() const { return currentType; }
    QString name() const { return currentName; }

private:
    bool isOpen() const { return accountDb.isOpen(); }
    void makeRecordsKeepEveryRecord();

    UserType currentType = UserNoRights;
    QString currentName;
    QSqlDatabase accountDb;
};
