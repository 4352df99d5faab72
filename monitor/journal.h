#pragma once
// The operation journal "RECORD.db" (one day, archived into ./RECORD at the
// change of date) and the per-camera cycle counters kept in "count.txt".
#include <QDateTime>
#include <QString>
#include <functional>

extern int gAllNum[8];  // cycles judged per camera
extern int gFailNum[8]; // NG cycles per camera

class OperationJournal {
public:
    static constexpr const char* kConnection = "dbRecord";

    OperationJournal();

    // Reads "time.txt" (or creates it with today's date).
    void InitDate();
    QString recordDate() const { return recordDate_; }

    // Appends one row: time "hh.mm.ss", the level text of userLevel, the text
    // as given (bound, so quotes are kept). False when it could not be stored.
    bool InsertRecord(const QString& text, int userLevel);
    // Deletes today's rows.
    bool ClearRecord();
    // Archives yesterday's journal when the date changed. A journal that
    // cannot be moved aside stays the current day, so the next check retries.
    void SlotCheckDate();
    // Closes the journal connection.
    void Close();

    // Level texts for the record (text rows 154, 155, 156).
    static QString LevelText(int userLevel);

private:
    bool ensureOpen();
    QString recordDate_;
};

// Called with every journaled record (the reporting link hooks in here).
using RecordHook = void (*)(const QDateTime& when, const QString& level, const QString& text);
void setRecordHook(RecordHook hook);

void CountRead();
// Replaces "count.txt" through a temporary file; false when the counts could
// not be stored (the old file is then left as it was).
bool CountWrite();
// Tests stand in for a power cut: called after the temporary file is written
// and before it replaces "count.txt"; false abandons the write there.
using CountWriteInterrupt = std::function<bool()>;
void setCountWriteInterrupt(CountWriteInterrupt interrupt);
