#include "sqlfaults.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace sqlfaults {

namespace {
constexpr int kPage = 4096; // SQLite's default page size, which these files use
}

bool damagePageHolding(const QString& file, const QByteArray& marker)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    const qint64 at = f.readAll().indexOf(marker);
    if (at < 0)
        return false;
    const qint64 page = at / kPage;
    return f.seek(page * kPage) && f.write(QByteArray(kPage, '\xAA')) == kPage;
}

QString spillingValue(const QString& numbers, const QByteArray& marker)
{
    // Far more than a page: the row keeps its start in its table page and
    // the rest on a chain of overflow pages; the marker lands on the first
    // of them, which is not the last.
    return numbers + QString(6000, ' ') + QString::fromLatin1(marker) + QString(6000, ' ');
}

Lock::Lock(const QString& file, Kind kind, int holdMs)
{
    thread_ = std::thread([this, file, kind, holdMs] {
        const QString name = QStringLiteral("lock-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            bool ok = db.open();
            QSqlQuery q(db);
            if (ok && kind == Exclusive)
                ok = q.exec(QStringLiteral("begin exclusive"));
            else if (ok)
                ok = q.exec(QStringLiteral("begin")) && q.exec(QStringLiteral("select count(*) from sqlite_master")) &&
                     q.next();
            {
                std::unique_lock<std::mutex> lock(mutex_);
                held_ = ok;
                done_ = true;
                changed_.notify_all();
                if (holdMs < 0)
                    changed_.wait(lock, [this] { return releaseAsked_; });
                else
                    changed_.wait_for(lock, std::chrono::milliseconds(holdMs), [this] { return releaseAsked_; });
            }
            q.finish();
            q.exec(QStringLiteral("rollback"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
}

void Lock::release()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        releaseAsked_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
    held_ = false;
}

Lock::~Lock() { release(); }

bool reopenWithBusyTimeout(const QString& connection, const QString& file, int ms)
{
    if (QSqlDatabase::contains(connection)) {
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(ms));
    return db.open();
}

} // namespace sqlfaults
