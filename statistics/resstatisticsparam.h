#pragma once
// One production day's counts in "ResStatistics.db": per camera and detection
// step, and per step as a whole, 24 hourly output counts and 24 abnormal
// counts, with the day's planned output. A finished day moves into the
// archive folder under its date; "ResStatisticsNULL.db" is the empty day.
// Cameras and steps are 0..7; as a selection argument 8 means all eight.
// Every series holds 24 counts (slot 0 = 08:00, slot 12 = 20:00); the caller
// of add and addTotal passes the slot.
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <utility>

enum ShiftType : int { MorningShift = 0, NightShift = 1, WholeDay = 2 };

class ResStatisticsParam {
public:
    static constexpr const char* kConnection = "dbResStatistics";
    static constexpr const char* kFile = "ResStatistics.db";
    static constexpr const char* kTemplate = "ResStatisticsNULL.db";

    // Opens the live database of the working directory, making it (from the
    // template, or new together with the template) when it is missing or
    // empty; loads every series and selects the totals of step 1. A database
    // that cannot be made or opened is reported; the counts then stay in memory.
    ResStatisticsParam();
    ~ResStatisticsParam();
    ResStatisticsParam(const ResStatisticsParam&) = delete;
    ResStatisticsParam& operator=(const ResStatisticsParam&) = delete;

    bool createDatabase();
    bool createTable();

    // Row operations; each opens the connection when needed, does nothing
    // when it cannot, and writes its rows in one transaction.
    bool load(int step, int camera); // then loadPlan()
    bool loadTotal(int step);
    bool loadPlan();
    bool save(int step, int camera);
    bool saveTotal(int step);
    bool savePlan();
    bool insert(int step, int camera);
    bool insertTotal(int step);
    bool insertPlan();

    // The live plan, saved; false (the plan in memory unchanged) when the
    // database did not store it.
    bool setCurPlan(int value);
    void setPlan(int value);    // the shown plan
    void setPlan();             // the shown plan becomes the live one
    int getPlan() const { return curPlan; }
    QString getCurDate() const { return curDate; }

    void setFindResAll(int step);
    void setFindRes(QList<int> output, QList<int> abnormal);
    void setFindRes(int step, int camera);
    void clcCount();
    int getCount(ShiftType shift, bool output) const;
    QList<int> getRes(ShiftType shift, bool output) const;

    // One cycle of a camera in a step; false (nothing changed) for a slot,
    // step or camera out of range, camera 8 included. Writes the step's rows.
    bool add(int slot, bool output, int step, int camera);
    // One cycle of a step as a whole; refreshes the page while it shows today.
    bool addTotal(int slot, bool output, int step);
    // Zero series in memory: bit 0 of flags the output, bit 1 the abnormal counts.
    void reset(int flags, int step, int camera);
    void resetTotal(int flags, int step);
    // Archives the live day under its own date (getCurDate) and starts
    // newDate ("yyyy-MM-dd") with zero counts. When the day cannot be moved
    // aside it stays live (false), so the next call retries and nothing is lost.
    bool nextDay(const QString& newDate);

    // The live database was found or made and opened.
    bool usable() const { return usable_; }

    QList<int> outputTotals[8];
    QList<int> outputCounts[8][8]; // [camera][step]
    QList<int> abnormalTotals[8];
    QList<int> abnormalCounts[8][8];
    int plan = 0;
    QList<int> findOutput;
    QList<int> findAbnormal;
    int morningOutput = 0;
    int morningAbnormal = 0;
    int nightOutput = 0;
    int nightAbnormal = 0;
    int dayOutput = 0;
    int dayAbnormal = 0;
    int curPlan = 0;
    QSqlDatabase db;
    QString curDate;

private:
    bool ensureOpen();
    bool makeLiveDatabase();
    QString productionDate() const;
    // Runs `work` in one transaction; rolled back when it fails.
    template <class F>
    bool inTransaction(F work);
    // Inserts in a transaction of their own; rows already there stay.
    bool insertRows(const QList<std::pair<int, int>>& pairs);
    bool insertTotalRows(const QList<int>& steps);
    // Updates inside the caller's transaction; rows that could not be read
    // are left as stored (`skipped` set).
    bool saveRows(const QList<std::pair<int, int>>& pairs, bool* skipped);
    bool saveTotalRows(const QList<int>& steps, bool* skipped);

    bool usable_ = false;
    QSet<QString> unread_; // rows whose query failed: memory does not hold them
};

extern ResStatisticsParam* gpResStatisticsParam;
