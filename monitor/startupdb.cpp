#include "monitor/startupdb.h"

#include "params/lanstr.h"
#include "params/paramdb.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/host.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <cstdio>

bool DatabaseUsable(const QString& file, const QString& table)
{
    if (!QFileInfo(file).isFile())
        return false;
    const QString conn = QStringLiteral("check-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(file);
        // A lock held by another process says nothing about the file: it is
        // not waited for long here, and the loads try again and hold the
        // saves when they cannot read.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
        if (db.open()) {
            // The table name written in (the program's own names): a lock
            // that keeps out the statement's preparation is reported as such
            // only this way.
            QSqlQuery q(db);
            const bool listed =
                q.exec(QStringLiteral("select count(*) from sqlite_master where type='table' and name='%1'").arg(table)) &&
                q.next();
            ok = listed ? q.value(0).toInt() == 1 : SqlBusy(q.lastError());
            // A damaged page shows only when it is read, so the table is read whole.
            if (listed && ok) {
                QSqlQuery rows(db);
                if (rows.exec(QStringLiteral("select * from \"%1\"").arg(table)))
                    while (rows.next()) {
                    }
                ok = !rows.lastError().isValid() || SqlBusy(rows.lastError());
                if (!ok)
                    qWarning() << "table" << table << "of" << file << "cannot be read:" << rows.lastError().text();
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return ok;
}

QString KeptName(const QString& file)
{
    const QFileInfo fi(file);
    const QString folder = fi.path() == QLatin1String(".") ? QString() : fi.path() + QLatin1Char('/');
    const QString base = folder + fi.completeBaseName() + QStringLiteral(".damaged-")
        + platform::now().toString(QStringLiteral("yyyy-MM-dd-hhmmss"));
    const QString suffix = fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix();
    QString name = base + suffix;
    for (int n = 1; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QStringLiteral("_%1").arg(n) + suffix;
    return name;
}

namespace {

// rename(2): moves a file or a folder in one step, within the folder.
bool moveAside(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

DbOpenResult OpenStartupDatabase(const StartupDatabase& db)
{
    if (DatabaseUsable(db.file, db.table) && OpenSqlite(db.connection, db.file))
        return DbOpenResult::Opened;

    qWarning() << "database" << db.file << "cannot be opened";
    // The stored language is not known yet: the message is read in English,
    // which every maker's service staff can read, whatever was stored.
    host::showWarning(LanStr(db.message, kStartupMessageColumn));
    if (!DatabaseUsable(db.replacement, db.table)) {
        qCritical() << "no usable default for" << db.file << "- staying up without it";
        return DbOpenResult::Unusable;
    }
    // What does not open may still hold what the default lacks (every
    // camera's regions, the day's journal): it is kept, never copied over.
    QString kept;
    if (QFileInfo::exists(db.file) || QFileInfo(db.file).isSymLink()) {
        CloseSqlite(db.connection); // nothing may go on writing into it
        kept = KeptName(db.file);
        if (!moveAside(db.file, kept)) {
            qCritical() << db.file << "cannot be kept as" << kept << "- not replaced";
            host::showWarning(LanStr(startuptext::kNotKept, kStartupMessageColumn).arg(db.file));
            return DbOpenResult::Unusable;
        }
    }
    const platform::CommandResult copy =
        platform::runCommand(QStringLiteral("cp"), {QStringLiteral("-f"), db.replacement, db.file});
    if (!copy.ok() || !DatabaseUsable(db.file, db.table)) {
        qCritical() << "default copy of" << db.file << "failed - staying up without it";
        if (!kept.isEmpty()) {
            QFile::remove(db.file); // what the failed copy left
            if (!moveAside(kept, db.file))
                qCritical() << "the damaged" << db.file << "stays as" << kept;
        }
        return DbOpenResult::Unusable;
    }
    if (!kept.isEmpty())
        host::insertRecord(LanStr(startuptext::kKeptDamaged, kStartupMessageColumn)
                               .arg(db.file, QFileInfo(kept).fileName(), db.replacement));
    QThread::msleep(static_cast<unsigned long>(db.waitMs));
    platform::runCommand(QStringLiteral("reboot"));
    return DbOpenResult::Replaced;
}

StartupDatabase ParamDatabase()
{
    return {QStringLiteral("dbIn"), QStringLiteral("PARAM.db"), QStringLiteral("sysparam"),
            QStringLiteral("./paraGroup/default/PARAM.db"), 160, 100};
}

StartupDatabase RecordDatabase()
{
    return {QStringLiteral("dbRecord"), QStringLiteral("RECORD.db"), QStringLiteral("RECORD"),
            QStringLiteral("RECORDNULL.db"), 135, 300};
}

StartupDatabase SerialDatabase()
{
    return {QStringLiteral("dbT"), QStringLiteral("SN.db"), QStringLiteral("sysparam"),
            QStringLiteral("./paraGroup/default/SN.db"), 160, 100};
}
