#pragma once
// The operation journal "RECORD.db" (one day, archived into ./RECORD at the
// change of date) and the per-camera cycle counters kept in "count.txt".
#include <QDateTime>
#include <QString>
#include <functional>

extern int gAllNum[8];  // cycles judged per camera
extern int gFailNum[8]; // NG cycles per camera

// What the operator is told when the journal fails (text rows).
namespace journaltext {
constexpr int kRecordNotStored = 1760;  // a record could not be written
constexpr int kDayNotArchived = 1762;   // %1 the day whose journal stays current
constexpr int kDateNotSaved = 1763;     // "time.txt" could not be written
} // namespace journaltext

class OperationJournal {
public:
    static constexpr const char* kConnection = "dbRecord";
    // The new day's journal is made whole under this name, then renamed.
    static constexpr const char* kFreshFile = "RECORD.db.new";

    enum class DayCheck {
        SameDay,
        NewDay,
        NotArchived,  // nothing moved: the old day stays current and is retried
        DateNotSaved, // the new day is current, but "time.txt" still names the old one
    };

    OperationJournal();

    // Reads "time.txt" (or creates it with today's date).
    void InitDate();
    QString recordDate() const { return recordDate_; }

    // Appends one row: time "hh.mm.ss", the level text of userLevel, the text
    // as given (bound, so quotes are kept). False when it could not be stored;
    // a missing "RECORD.db" is never made here as an empty file without table.
    bool InsertRecord(const QString& text, int userLevel);
    // Deletes today's rows; false when they are still there.
    bool ClearRecord();
    // Archives yesterday's journal when the date changed. The new day's
    // journal is made whole beside the old one first (from the template, or
    // new when the template is unusable); when it cannot be made, or the
    // old one cannot be moved aside, nothing moves and the next check retries.
    DayCheck SlotCheckDate();
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
