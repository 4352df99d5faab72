#include "monitor/journal.h"

#include "params/lanstr.h"
#include "params/paramdb.h"
#include "platform/clock.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

int gAllNum[8];
int gFailNum[8];

namespace {

RecordHook gRecordHook = nullptr;

const char* kRecordFile = "RECORD.db";
const char* kRecordTemplate = "RECORDNULL.db";
const char* kRecordDir = "RECORD";
const char* kDateFile = "time.txt";

QString today() { return platform::now().date().toString(QStringLiteral("yyyy-MM-dd")); }

CountWriteInterrupt gCountInterrupt;

// Written beside the old file and renamed over it: a power cut leaves either
// the old or the new content, never an empty or half written file.
bool replaceFile(const QString& name, const QByteArray& data, const CountWriteInterrupt& interrupt = {})
{
    QSaveFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.flush()) {
        qWarning().noquote() << "cannot write" << name << f.errorString();
        return false;
    }
    if (interrupt && !interrupt()) {
        f.cancelWriting(); // what a power cut before the rename leaves
        return false;
    }
    if (!f.commit()) {
        qWarning().noquote() << "cannot replace" << name << f.errorString();
        return false;
    }
    return true;
}

bool writeDateFile(const QString& date) { return replaceFile(QString::fromLatin1(kDateFile), date.toUtf8()); }

// A name in the archive folder that does not exist yet.
QString archiveName(const QString& date)
{
    const QString dir = QDir(QLatin1String(kRecordDir)).absolutePath();
    QString name = dir + '/' + date + QStringLiteral(".db");
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = dir + '/' + date + QStringLiteral("_%1.db").arg(n);
    return name;
}

} // namespace

void setRecordHook(RecordHook hook) { gRecordHook = hook; }

OperationJournal::OperationJournal() = default;

void OperationJournal::InitDate()
{
    QFile f(QString::fromLatin1(kDateFile));
    if (f.open(QIODevice::ReadOnly)) {
        QTextStream in(&f);
        in >> recordDate_;
    }
    if (recordDate_.isEmpty()) {
        recordDate_ = today();
        writeDateFile(recordDate_);
    }
}

QString OperationJournal::LevelText(int userLevel)
{
    return LanStr(userLevel == 2 ? 154 : userLevel == 1 ? 155 : 156);
}

bool OperationJournal::ensureOpen()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kConnection), false);
    if (db.isValid() && db.isOpen())
        return true;
    return OpenSqlite(QLatin1String(kConnection), QLatin1String(kRecordFile));
}

bool OperationJournal::InsertRecord(const QString& text, int userLevel)
{
    if (!ensureOpen())
        return false;
    const QDateTime now = platform::now();
    const QString level = LevelText(userLevel);
    if (gRecordHook)
        gRecordHook(now, level, text);
    QSqlQuery q(QSqlDatabase::database(QLatin1String(kConnection)));
    q.prepare(QStringLiteral("INSERT INTO RECORD(recordtime, recordpassword, remarks) VALUES(?, ?, ?)"));
    q.addBindValue(now.time().toString(QStringLiteral("hh.mm.ss")));
    q.addBindValue(level);
    q.addBindValue(text);
    if (!q.exec()) {
        qWarning() << "record not stored:" << q.lastError().text() << text;
        return false;
    }
    return true;
}

bool OperationJournal::ClearRecord()
{
    if (!ensureOpen())
        return false;
    QSqlQuery q(QSqlDatabase::database(QLatin1String(kConnection)));
    return q.exec(QStringLiteral("DELETE FROM RECORD"));
}

void OperationJournal::Close() { CloseSqlite(QLatin1String(kConnection)); }

void OperationJournal::SlotCheckDate()
{
    const QString now = today();
    if (now == recordDate_)
        return;
    Close();
    QDir().mkpath(QLatin1String(kRecordDir));
    if (QFileInfo::exists(QLatin1String(kRecordFile))) {
        const QString target = archiveName(recordDate_);
        if (!QFile::rename(QLatin1String(kRecordFile), target)) {
            qWarning() << "journal of" << recordDate_ << "could not be archived to" << target;
            return; // keep the day: the next check retries, nothing is overwritten
        }
    }
    if (!QFile::copy(QLatin1String(kRecordTemplate), QLatin1String(kRecordFile))) {
        qWarning() << "journal template missing; creating an empty journal";
        CreateRecordDatabase(QLatin1String(kRecordFile));
    }
    recordDate_ = now;
    writeDateFile(recordDate_);
}

void CountRead()
{
    QFile f(QStringLiteral("count.txt"));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fill(gAllNum, gAllNum + 8, 0);
        std::fill(gFailNum, gFailNum + 8, 0);
        return;
    }
    QTextStream in(&f);
    auto next = [&in] {
        qint64 v = 0;
        in >> v;
        return (in.status() != QTextStream::Ok || v < 0 || v > 100000000) ? 0 : int(v);
    };
    for (int i = 0; i < 8; ++i) {
        gAllNum[i] = next();
        gFailNum[i] = next();
    }
}

void setCountWriteInterrupt(CountWriteInterrupt interrupt) { gCountInterrupt = std::move(interrupt); }

bool CountWrite()
{
    QByteArray line;
    for (int i = 0; i < 8; ++i) {
        line += QByteArray::number(uint(gAllNum[i])) + ' ';
        line += QByteArray::number(uint(gFailNum[i])) + ' ';
    }
    return replaceFile(QStringLiteral("count.txt"), line, gCountInterrupt);
}
