#include "statsfixture.h"

#include "params/lanstr.h"
#include "platform/host.h"
#include "statistics/resstatisticsparam.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace statstest {

namespace {
// A connection of its own for the duration of `work`.
template <class F>
auto withDb(const QString& file, F work)
{
    const QString name = QStringLiteral("peek-") + QUuid::createUuid().toString();
    decltype(work(std::declval<QSqlDatabase&>())) result{};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open())
            result = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
} // namespace

QMap<QString, Row> rows(const QString& file)
{
    return withDb(file, [](QSqlDatabase& db) {
        QMap<QString, Row> all;
        QSqlQuery q(db);
        q.exec(QStringLiteral("select name, value1, value2 from resstatistics"));
        while (q.next())
            all.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString()});
        return all;
    });
}

bool exec(const QString& file, const QStringList& statements)
{
    return withDb(file, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const QString& s : statements)
            if (!q.exec(s))
                return false;
        return true;
    });
}

QString zeros()
{
    QStringList z;
    for (int i = 0; i < 24; ++i)
        z << QStringLiteral("0");
    return z.join(' ');
}

QList<int> series(std::initializer_list<int> head)
{
    QList<int> s(head);
    while (s.size() < 24)
        s << 0;
    return s;
}

QString text(std::initializer_list<int> head)
{
    QStringList parts;
    for (int v : series(head))
        parts << QString::number(v);
    return parts.join(' ');
}

} // namespace statstest

void StatsFolder::SetUp()
{
    InTempFolder::SetUp();
    LoadTextTable();
    hooks.productionTime = [this] { return production.toSecsSinceEpoch(); };
    hooks.archiveFolder = [this] { return folder() + QStringLiteral("/ResStatistics"); };
    statshost::install(hooks);
    QDir().mkpath(QStringLiteral("ResStatistics"));
    host::Hooks h;
    h.showWarning = [this](const QString& text) { warnings << text; };
    host::install(h);
}

void StatsFolder::TearDown()
{
    closeStore();
    statshost::install({});
    host::install({});
    InTempFolder::TearDown();
}

ResStatisticsParam& StatsFolder::open()
{
    closeStore();
    store = new ResStatisticsParam;
    return *store;
}

void StatsFolder::closeStore()
{
    delete store;
    store = nullptr;
}
