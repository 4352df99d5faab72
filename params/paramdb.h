#pragma once
// Creation of the databases a first start expects (used by the program-folder
// layout and by tests that need a real "PARAM.db").
#include <QString>
#include <functional>

class QSqlError;

class QSqlDatabase;
class QSqlError;
class WizardPara;

// The factory parameter record: built-in defaults with the load repairs
// applied, the alarm output idle-closed and the defect method offered.
WizardPara FactoryParams();

// Creates table sysparam (name, value) and the region tables cammer0..cammer7
// in the file and writes every key of the record. False with a log line on failure.
bool CreateParamDatabase(const QString& path, const WizardPara& params);
// "SN.db": table sysparam with serialNB0..7 = "0".
bool CreateSerialDatabase(const QString& path);
// "RECORDNULL.db"/"RECORD.db": the empty operation journal.
bool CreateRecordDatabase(const QString& path);

// Opens a SQLite file under a connection name (replacing one of that name).
bool OpenSqlite(const QString& connection, const QString& path);
void CloseSqlite(const QString& connection);

// An error that only says another connection holds the database locked: the
// read may be tried again, and says nothing about the file itself.
bool SqlBusy(const QSqlError& error);
// Tries of a statement kept out by a lock (each waits the connection's busy
// timeout) before it counts as failed.
constexpr int kSqlTries = 3;
// Called before a statement kept out by a lock is tried again (tests end
// the lock there).
extern void (*gSqlBeforeRetry)();
// Runs `attempt` again while a lock keeps it out (kSqlTries at most). True
// once it succeeded; false when it failed otherwise or stayed locked out,
// with its last error in `last`.
bool RetryWhileBusy(const std::function<bool(QSqlError& error)>& attempt, QSqlError* last = nullptr);
// Commits the connection's transaction, trying again while a reader keeps
// the commit out; when it cannot, rolls back, so no transaction stays open
// to swallow later statements. False (with the reason) when rolled back.
bool CommitOrRollback(QSqlDatabase& db, QString* why = nullptr);
