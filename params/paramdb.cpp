#include "params/paramdb.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"

#include <QDebug>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

bool execAll(const QString& path, const QStringList& statements)
{
    const QString conn = QStringLiteral("create-") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(path);
        ok = db.open();
        if (!ok)
            qWarning() << "cannot create" << path << db.lastError().text();
        for (const QString& s : statements) {
            if (!ok)
                break;
            QSqlQuery q(db);
            ok = q.exec(s);
            if (!ok)
                qWarning() << "cannot create" << path << q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return ok;
}

} // namespace

WizardPara FactoryParams()
{
    WizardPara p;
    const int lan = gLan;
    p.RepairRanges();
    gLan = lan;
    p.output_initial_state[2] = 1;
    p.enable_defect_detect = 1;
    p.detect_product = 1;
    p.procedure_requested = p.procedure;
    return p;
}

bool OpenSqlite(const QString& connection, const QString& path)
{
    if (QSqlDatabase::contains(connection))
        CloseSqlite(connection);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    if (!db.open()) {
        qWarning() << "cannot open" << path << db.lastError().text();
        return false;
    }
    return true;
}

void CloseSqlite(const QString& connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

void (*gSqlBeforeRetry)() = nullptr;

bool SqlBusy(const QSqlError& error)
{
    // SQLITE_BUSY and SQLITE_LOCKED; a failed commit carries only the text.
    const QString code = error.nativeErrorCode();
    if (code == QLatin1String("5") || code == QLatin1String("6"))
        return true;
    return code.isEmpty() && error.databaseText().contains(QLatin1String("database is locked"));
}

bool RetryWhileBusy(const std::function<bool(QSqlError& error)>& attempt, QSqlError* last)
{
    for (int tries = 1;; ++tries) {
        QSqlError error;
        if (attempt(error))
            return true;
        if (!SqlBusy(error) || tries >= kSqlTries) {
            if (last)
                *last = error;
            return false;
        }
        if (gSqlBeforeRetry)
            gSqlBeforeRetry();
    }
}

bool CommitOrRollback(QSqlDatabase& db, QString* why)
{
    QSqlError error;
    const auto commit = [&db](QSqlError& e) {
        if (db.commit())
            return true;
        e = db.lastError();
        return false;
    };
    if (RetryWhileBusy(commit, &error))
        return true;
    if (why)
        *why = error.text();
    if (!db.rollback())
        qWarning() << "rollback failed after a failed commit:" << db.lastError().text();
    return false;
}

bool CreateParamDatabase(const QString& path, const WizardPara& params)
{
    // The parameter keys and one region table per camera slot.
    QStringList tables{QStringLiteral("create table if not exists sysparam(name text, value text)")};
    for (int c = 0; c < 8; ++c)
        tables << QStringLiteral("create table if not exists cammer%1(name text, value text)").arg(c);
    if (!execAll(path, tables))
        return false;
    const QString conn = QStringLiteral("create-param-") + QUuid::createUuid().toString();
    if (!OpenSqlite(conn, path))
        return false;
    // The save writes through the parameter connection; borrow that name briefly.
    const bool hadParamConn = QSqlDatabase::contains(QLatin1String(kParamConnection));
    bool ok = false;
    if (hadParamConn) {
        qWarning() << "parameter connection already open; not creating" << path;
    } else {
        QSqlDatabase::cloneDatabase(QSqlDatabase::database(conn), QLatin1String(kParamConnection)).open();
        WizardPara copy = params;
        const int lan = gLan;
        ok = copy.SaveDatatoFile();
        gLan = lan;
        CloseSqlite(QLatin1String(kParamConnection));
    }
    CloseSqlite(conn);
    return ok;
}

bool CreateSerialDatabase(const QString& path)
{
    QStringList s{QStringLiteral("create table if not exists sysparam(name text, value text)")};
    for (int i = 0; i < 8; ++i)
        s << QStringLiteral("insert into sysparam values('serialNB%1', '0')").arg(i);
    return execAll(path, s);
}

bool CreateRecordDatabase(const QString& path)
{
    return execAll(path, {QStringLiteral(
                              "create table if not exists RECORD(recordtime text, recordpassword text, remarks text)")});
}
