#include "statistics/resstatisticsparam.h"

#include "params/lanstr.h"
#include "platform/host.h"
#include "statistics/statisticshost.h"
#include "statistics/statisticsmath.h"
#include "statistics/statisticswidget.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

ResStatisticsParam* gpResStatisticsParam = nullptr;

namespace {

constexpr int kRowFileError = 544;
constexpr int kRowUnread = 1564;

bool validSelection(int v) { return v >= 0 && v <= stats::kAll; }
bool validUnit(int v) { return v >= 0 && v < stats::kUnits; }

// (camera, step) pairs of a selection, camera outer and step inner.
QList<std::pair<int, int>> pairsOf(int step, int camera)
{
    QList<std::pair<int, int>> pairs;
    if (!validSelection(step) || !validSelection(camera))
        return pairs;
    for (int c = 0; c < stats::kUnits; ++c) {
        if (camera != stats::kAll && c != camera)
            continue;
        for (int d = 0; d < stats::kUnits; ++d)
            if (step == stats::kAll || d == step)
                pairs << std::make_pair(c, d);
    }
    return pairs;
}

QList<int> stepsOf(int step)
{
    QList<int> steps;
    if (!validSelection(step))
        return steps;
    for (int d = 0; d < stats::kUnits; ++d)
        if (step == stats::kAll || d == step)
            steps << d;
    return steps;
}

enum class Read { Found, Missing, Failed };

// A failed query is not a missing row: the series keep what they hold.
Read readRow(QSqlQuery& q, QList<int>* output, QList<int>* abnormal)
{
    if (!q.exec()) {
        qWarning() << "statistics: row not read:" << q.lastError().text();
        return Read::Failed;
    }
    if (!q.next()) {
        *output = *abnormal = stats::zeroSeries();
        return Read::Missing;
    }
    *output = stats::parseSeries(q.value(0).toString());
    *abnormal = stats::parseSeries(q.value(1).toString());
    return Read::Found;
}

QString cameraRow(int c, int d) { return QStringLiteral("C%1_D%2").arg(c).arg(d); }
QString totalRow(int d) { return QStringLiteral("Detect%1").arg(d); }

void warnFileError()
{
    host::showWarning(LanStr(kRowFileError));
}

} // namespace

ResStatisticsParam::ResStatisticsParam()
{
    for (int d = 0; d < stats::kUnits; ++d) {
        outputTotals[d] = abnormalTotals[d] = stats::zeroSeries();
        for (int c = 0; c < stats::kUnits; ++c)
            outputCounts[c][d] = abnormalCounts[c][d] = stats::zeroSeries();
    }
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
    db.setDatabaseName(QLatin1String(kFile));

    const QFileInfo live{QString::fromLatin1(kFile)};
    bool reported = false;
    if (!live.exists() || live.size() == 0) {
        // Made here and now; the day goes on without a restart.
        qInfo() << "statistics database missing; making" << kFile;
        if (!makeLiveDatabase()) {
            warnFileError();
            reported = true;
        }
    }
    usable_ = ensureOpen();
    if (!usable_ && !reported)
        warnFileError();
    curDate = productionDate();
    load(stats::kAll, stats::kAll);
    loadTotal(stats::kAll);
    if (usable_ && !unread_.isEmpty())
        host::showWarning(LanStr(kRowUnread));
    setFindResAll(1);
    clcCount();
}

ResStatisticsParam::~ResStatisticsParam()
{
    if (gpResStatisticsParam == this)
        gpResStatisticsParam = nullptr;
    if (db.isOpen())
        db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
}

QString ResStatisticsParam::productionDate() const
{
    return QDateTime::fromSecsSinceEpoch(statshost::productionTime()).toString(QStringLiteral("yyyy-MM-dd"));
}

// The template when there is one; otherwise a new database with every row,
// which then becomes the template when there is none.
bool ResStatisticsParam::makeLiveDatabase()
{
    db.close();
    if (QFileInfo::exists(QLatin1String(kFile)) && !QFile::remove(QLatin1String(kFile))) {
        qWarning() << "cannot replace the empty" << kFile;
        return false;
    }
    const QFileInfo tmpl{QString::fromLatin1(kTemplate)};
    if (tmpl.isFile() && tmpl.size() > 0) {
        if (QFile::copy(QLatin1String(kTemplate), QLatin1String(kFile)))
            return true;
        qWarning() << "cannot copy" << kTemplate << "to" << kFile << "; making a new one";
        QFile::remove(QLatin1String(kFile));
    }
    if (!ensureOpen())
        return false;
    createDatabase();
    const bool made = load(stats::kAll, stats::kAll) && loadTotal(stats::kAll);
    db.close();
    if (!made)
        return false;
    if (!tmpl.exists() && !QFile::copy(QLatin1String(kFile), QLatin1String(kTemplate)))
        qWarning() << "cannot make the statistics template" << kTemplate;
    return true;
}

bool ResStatisticsParam::ensureOpen()
{
    if (!db.isOpen() && !db.open()) {
        qWarning() << "cannot open" << kFile << db.lastError().text();
        return false;
    }
    // A file without the table (a broken template, a fresh file) gets it;
    // one that cannot say whether it has the table is an error, not a new file.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select count(*) from sqlite_master where type in ('table', 'view') and name='resstatistics'"))
        || !q.next()) {
        qWarning() << "statistics: cannot list the tables of" << kFile << q.lastError().text();
        return false;
    }
    if (q.value(0).toInt() == 0)
        return createTable();
    return true;
}

bool ResStatisticsParam::createDatabase()
{
    if (!db.isOpen() && !db.open()) {
        warnFileError();
        return false;
    }
    // SQLite has no such statement: the file itself is the database.
    QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE ResStatistics"));
    return true;
}

bool ResStatisticsParam::createTable()
{
    if (!db.isOpen() && !db.open()) {
        warnFileError();
        return false;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TABLE resstatistics ( 'name' TEXT NOT NULL, 'value1' varchar(255), "
                               "'value2' varchar(255), PRIMARY KEY('name') )"))) {
        qWarning() << "statistics table not made:" << q.lastError().text();
        return false;
    }
    return true;
}

template <class F>
bool ResStatisticsParam::inTransaction(F work)
{
    if (!db.transaction()) {
        qWarning() << "statistics: no transaction:" << db.lastError().text();
        return false;
    }
    if (work() && db.commit())
        return true;
    qWarning() << "statistics not written:" << db.lastError().text();
    db.rollback();
    return false;
}

bool ResStatisticsParam::load(int step, int camera)
{
    const QList<std::pair<int, int>> pairs = pairsOf(step, camera);
    if (pairs.isEmpty() || !ensureOpen())
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select value1 ,value2 from resstatistics where name=:name"));
    QList<std::pair<int, int>> missing;
    bool ok = true;
    for (const auto& [c, d] : pairs) {
        const QString name = cameraRow(c, d);
        q.bindValue(QStringLiteral(":name"), name);
        switch (readRow(q, &outputCounts[c][d], &abnormalCounts[c][d])) {
        case Read::Found:
            unread_.remove(name);
            break;
        case Read::Missing:
            unread_.remove(name);
            missing << std::make_pair(c, d);
            break;
        case Read::Failed:
            unread_.insert(name);
            ok = false;
            break;
        }
    }
    q.finish();
    ok = (missing.isEmpty() || insertRows(missing)) && ok;
    ok = loadPlan() && ok;
    return ok;
}

bool ResStatisticsParam::loadTotal(int step)
{
    const QList<int> steps = stepsOf(step);
    if (steps.isEmpty() || !ensureOpen())
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select value1 ,value2 from resstatistics where name=:name"));
    QList<int> missing;
    bool ok = true;
    for (int d : steps) {
        const QString name = totalRow(d);
        q.bindValue(QStringLiteral(":name"), name);
        switch (readRow(q, &outputTotals[d], &abnormalTotals[d])) {
        case Read::Found:
            unread_.remove(name);
            break;
        case Read::Missing:
            unread_.remove(name);
            missing << d;
            break;
        case Read::Failed:
            unread_.insert(name);
            ok = false;
            break;
        }
    }
    q.finish();
    return (missing.isEmpty() || insertTotalRows(missing)) && ok;
}

bool ResStatisticsParam::loadPlan()
{
    if (!ensureOpen())
        return false;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select value1 from resstatistics where name = 'plan'"))) {
        // Not a missing row: the plan in memory stays, nothing is inserted.
        qWarning() << "statistics: plan not read:" << q.lastError().text();
        return false;
    }
    if (q.next()) {
        plan = stats::parseCount(q.value(0).toString());
        return true;
    }
    q.finish();
    plan = 0;
    curPlan = plan;
    return insertPlan();
}

bool ResStatisticsParam::save(int step, int camera)
{
    const QList<std::pair<int, int>> pairs = pairsOf(step, camera);
    if (pairs.isEmpty() || !ensureOpen())
        return false;
    bool skipped = false;
    return inTransaction([&] { return saveRows(pairs, &skipped); }) && !skipped;
}

bool ResStatisticsParam::saveRows(const QList<std::pair<int, int>>& pairs, bool* skipped)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("update resstatistics set value1 = :value1, value2 = :value2 where name = :name"));
    for (const auto& [c, d] : pairs) {
        const QString name = cameraRow(c, d);
        if (unread_.contains(name)) {
            *skipped = true; // its stored counts are not in memory: never overwritten
            continue;
        }
        q.bindValue(QStringLiteral(":value1"), stats::seriesText(outputCounts[c][d]));
        q.bindValue(QStringLiteral(":value2"), stats::seriesText(abnormalCounts[c][d]));
        q.bindValue(QStringLiteral(":name"), name);
        if (!q.exec())
            return false;
    }
    return true;
}

bool ResStatisticsParam::saveTotal(int step)
{
    const QList<int> steps = stepsOf(step);
    if (steps.isEmpty() || !ensureOpen())
        return false;
    bool skipped = false;
    return inTransaction([&] { return saveTotalRows(steps, &skipped); }) && !skipped;
}

bool ResStatisticsParam::saveTotalRows(const QList<int>& steps, bool* skipped)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("update resstatistics set value1 = :value1, value2 = :value2 where name = :name"));
    for (int d : steps) {
        const QString name = totalRow(d);
        if (unread_.contains(name)) {
            *skipped = true;
            continue;
        }
        q.bindValue(QStringLiteral(":value1"), stats::seriesText(outputTotals[d]));
        q.bindValue(QStringLiteral(":value2"), stats::seriesText(abnormalTotals[d]));
        q.bindValue(QStringLiteral(":name"), name);
        if (!q.exec())
            return false;
    }
    return true;
}

bool ResStatisticsParam::savePlan()
{
    if (!ensureOpen())
        return false;
    return inTransaction([&] {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("update resstatistics set value1 = :value1 where name = 'plan'"));
        q.bindValue(QStringLiteral(":value1"), QString::number(plan));
        return q.exec() && q.numRowsAffected() == 1; // no plan row: nothing was stored
    });
}

bool ResStatisticsParam::insert(int step, int camera)
{
    const QList<std::pair<int, int>> pairs = pairsOf(step, camera);
    if (pairs.isEmpty() || !ensureOpen())
        return false;
    return insertRows(pairs);
}

// A row that is already there keeps what it holds (its insert is refused by
// the key and the others go on).
bool ResStatisticsParam::insertRows(const QList<std::pair<int, int>>& pairs)
{
    return inTransaction([&] {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert or ignore into resstatistics values(:name, :value1, :value2)"));
        for (const auto& [c, d] : pairs) {
            q.bindValue(QStringLiteral(":name"), cameraRow(c, d));
            q.bindValue(QStringLiteral(":value1"), stats::seriesText(outputCounts[c][d]));
            q.bindValue(QStringLiteral(":value2"), stats::seriesText(abnormalCounts[c][d]));
            if (!q.exec())
                return false;
        }
        return true;
    });
}

bool ResStatisticsParam::insertTotal(int step)
{
    const QList<int> steps = stepsOf(step);
    if (steps.isEmpty() || !ensureOpen())
        return false;
    return insertTotalRows(steps);
}

bool ResStatisticsParam::insertTotalRows(const QList<int>& steps)
{
    return inTransaction([&] {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert or ignore into resstatistics values(:name, :value1, :value2)"));
        for (int d : steps) {
            q.bindValue(QStringLiteral(":name"), totalRow(d));
            q.bindValue(QStringLiteral(":value1"), stats::seriesText(outputTotals[d]));
            q.bindValue(QStringLiteral(":value2"), stats::seriesText(abnormalTotals[d]));
            if (!q.exec())
                return false;
        }
        return true;
    });
}

bool ResStatisticsParam::insertPlan()
{
    if (!ensureOpen())
        return false;
    return inTransaction([&] {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert or ignore into resstatistics values('plan', :value1, '')"));
        q.bindValue(QStringLiteral(":value1"), QString::number(curPlan));
        return q.exec();
    });
}

bool ResStatisticsParam::setCurPlan(int value)
{
    const int stored = plan;
    plan = value;
    if (savePlan())
        return true;
    plan = stored; // memory keeps what the disk has
    return false;
}

void ResStatisticsParam::setPlan(int value) { curPlan = value; }
void ResStatisticsParam::setPlan() { curPlan = plan; }

void ResStatisticsParam::setFindResAll(int step)
{
    if (!validUnit(step))
        return;
    findOutput = outputTotals[step];
    findAbnormal = abnormalTotals[step];
    clcCount();
}

void ResStatisticsParam::setFindRes(QList<int> output, QList<int> abnormal)
{
    findOutput = output;
    findAbnormal = abnormal;
    clcCount();
}

void ResStatisticsParam::setFindRes(int step, int camera)
{
    if (!validUnit(step) || !validUnit(camera))
        return;
    findOutput = outputCounts[camera][step];
    findAbnormal = abnormalCounts[camera][step];
    clcCount();
}

void ResStatisticsParam::clcCount()
{
    const stats::ShiftSums out = stats::shiftSums(findOutput);
    const stats::ShiftSums ab = stats::shiftSums(findAbnormal);
    morningOutput = out.morning;
    nightOutput = out.night;
    dayOutput = out.day;
    morningAbnormal = ab.morning;
    nightAbnormal = ab.night;
    dayAbnormal = ab.day;
}

int ResStatisticsParam::getCount(ShiftType shift, bool output) const
{
    switch (shift) {
    case MorningShift:
        return output ? morningOutput : morningAbnormal;
    case NightShift:
        return output ? nightOutput : nightAbnormal;
    case WholeDay:
        return output ? dayOutput : dayAbnormal;
    }
    return 0;
}

QList<int> ResStatisticsParam::getRes(ShiftType shift, bool output) const
{
    const QList<int>& series = output ? findOutput : findAbnormal;
    switch (shift) {
    case MorningShift:
        return series.mid(0, stats::kShiftSlots);
    case NightShift:
        return series.mid(stats::kShiftSlots, stats::kShiftSlots);
    case WholeDay:
        return series;
    }
    return {};
}

bool ResStatisticsParam::add(int slot, bool output, int step, int camera)
{
    if (slot < 0 || slot >= stats::kSlots || !validUnit(step) || !validUnit(camera))
        return false;
    ++(output ? outputCounts : abnormalCounts)[camera][step][slot];
    return save(step, stats::kAll);
}

bool ResStatisticsParam::addTotal(int slot, bool output, int step)
{
    if (slot < 0 || slot >= stats::kSlots || !validUnit(step))
        return false;
    ++(output ? outputTotals : abnormalTotals)[step][slot];
    const bool saved = saveTotal(step);
    auto* page = qobject_cast<StatisticsWidget*>(statshost::page());
    if (page && page->isToday()) {
        setFindResAll(1);
        page->updateData();
    }
    return saved;
}

void ResStatisticsParam::reset(int flags, int step, int camera)
{
    for (const auto& [c, d] : pairsOf(step, camera)) {
        if (flags & 1)
            outputCounts[c][d] = stats::zeroSeries();
        if (flags & 2)
            abnormalCounts[c][d] = stats::zeroSeries();
    }
}

void ResStatisticsParam::resetTotal(int flags, int step)
{
    for (int d : stepsOf(step)) {
        if (flags & 1)
            outputTotals[d] = stats::zeroSeries();
        if (flags & 2)
            abnormalTotals[d] = stats::zeroSeries();
    }
}

bool ResStatisticsParam::nextDay(const QString& newDate)
{
    // The finished day, written whole in one transaction.
    bool skipped = false;
    if (ensureOpen())
        inTransaction([&] {
            return saveRows(pairsOf(stats::kAll, stats::kAll), &skipped)
                && saveTotalRows(stepsOf(stats::kAll), &skipped);
        });
    // Archived under the store's own date: the production time may not have
    // moved since the start.
    db.close();

    const QString folder = statshost::archiveFolder();
    const QString archive = folder + QStringLiteral("/") + curDate + QStringLiteral(".db");
    QDir().mkpath(folder);
    if (QFileInfo::exists(archive))
        QFile::remove(archive); // a day archived twice keeps its last archive
    if (!QFile::rename(QLatin1String(kFile), archive)) {
        qWarning() << "statistics of" << curDate << "could not be archived to" << archive;
        usable_ = ensureOpen();
        return false;
    }
    if (QFileInfo::exists(QLatin1String(kTemplate)) && !QFile::copy(QLatin1String(kTemplate), QLatin1String(kFile)))
        qWarning() << "statistics template not copied; the new day starts in a new database";
    curDate = newDate;
    unread_.clear(); // the new day's rows start from zero, in memory as on disk
    reset(3, stats::kAll, stats::kAll);
    resetTotal(3, stats::kAll);
    usable_ = ensureOpen();
    insert(stats::kAll, stats::kAll);
    insertTotal(stats::kAll);
    insertPlan();
    return usable_;
}
