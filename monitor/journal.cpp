#include "monitor/journal.h"

#include "monitor/startupdb.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "platform/clock.h"
#include "platform/filesync.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <unistd.h>

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

bool makeFreshJournal(const QString& fresh)
{
    if (QFileInfo::exists(fresh) && !QFile::remove(fresh)) // a leftover of a power cut
        return false;
    const QString table = QStringLiteral("RECORD");
    bool ok = QFile::copy(QLatin1String(kRecordTemplate), fresh) && DatabaseUsable(fresh, table);
    if (!ok) {
        qWarning() << "journal template missing or unusable; making an empty journal";
        QFile::remove(fresh);
        ok = CreateRecordDatabase(fresh) && DatabaseUsable(fresh, table);
    }
    ok = ok && filesync::toDisk(fresh);
    if (!ok)
        QFile::remove(fresh);
    return ok;
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
    if (!QFileInfo(QLatin1String(kRecordFile)).isFile()) {
        qWarning() << "journal" << kRecordFile << "missing";
        return false; // opening would make an empty file that every later check takes for a journal
    }
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
    if (!q.exec(QStringLiteral("DELETE FROM RECORD"))) {
        qWarning() << "journal not cleared:" << q.lastError().text();
        return false;
    }
    return true;
}

void OperationJournal::Close() { CloseSqlite(QLatin1String(kConnection)); }

OperationJournal::DayCheck OperationJournal::SlotCheckDate()
{
    const QString now = today();
    if (now == recordDate_)
        return DayCheck::SameDay;
    const QString fresh = QString::fromLatin1(kFreshFile);
    if (!makeFreshJournal(fresh)) {
        qWarning() << "the journal of" << now << "cannot be made; the journal of" << recordDate_ << "stays current";
        return DayCheck::NotArchived;
    }
    Close();
    QDir().mkpath(QLatin1String(kRecordDir));
    QString archived;
    if (QFileInfo::exists(QLatin1String(kRecordFile))) {
        archived = archiveName(recordDate_);
        if (!QFile::rename(QLatin1String(kRecordFile), archived)) {
            qWarning() << "journal of" << recordDate_ << "could not be archived to" << archived;
            QFile::remove(fresh);
            return DayCheck::NotArchived; // keep the day: the next check retries, nothing is overwritten
        }
    }
    if (!QFile::rename(fresh, QLatin1String(kRecordFile))) {
        qWarning() << "the journal of" << now << "could not be put in place";
        if (!archived.isEmpty() && !QFile::rename(archived, QLatin1String(kRecordFile)))
            qWarning() << "the journal of" << recordDate_ << "stays in" << archived;
        QFile::remove(fresh);
        return DayCheck::NotArchived;
    }
    recordDate_ = now;
    return writeDateFile(recordDate_) ? DayCheck::NewDay : DayCheck::DateNotSaved;
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
