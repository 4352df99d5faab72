#pragma once
// The arithmetic of the production statistics, free of databases and screens:
// the stored text of a series, the shift sums, the hour labels, the rate and
// cycle texts, and the temperature values.
#include <QList>
#include <QString>

namespace stats {

constexpr int kSlots = 24;      // one-hour slots of a production day
constexpr int kShiftSlots = 12; // slots 0-11 morning (08-19), 12-23 night (20-07)
constexpr int kUnits = 8;       // cameras, and detection steps
constexpr int kAll = 8;         // a selection argument meaning all eight

QList<int> zeroSeries();
// 24 counts as decimal integers joined by one blank.
QString seriesText(const QList<int>& series);
// The counts of a stored text, always 24: missing slots are 0, counts past
// the 24th are dropped, and a token that is no count (not a number, negative,
// beyond the int range) is 0 in its place.
QList<int> parseSeries(const QString& text);
// The first integer of a text (the plan row), 0 when there is none.
int parseCount(const QString& text);

struct ShiftSums {
    int morning = 0; // positions 0 to 11
    int night = 0;   // every position from 12 on
    int day = 0;
};
// Held within the int range however large the stored counts are.
ShiftSums shiftSums(const QList<int>& series);

// Hour labels of the charts: 8..19, and 20..23 then 0..7.
QList<int> morningHours();
QList<int> nightHours();
// The hour of day that slot 0..23 stands for.
int slotHour(int slot);

// "12.5%" for 1 abnormal among 8; "0" for a day without counts.
QString abnormalRateText(int output, int abnormal);
// "Cycle" and the cycle time in seconds, one decimal, right-aligned in 4.
QString cycleText(int cycleTimeTenths);

// A temperature in tenths of a degree, truncated toward zero. A word that is
// no number reads as the lowest value, outside every alarm window.
int temperatureTenths(float degrees);
// lower <= value <= upper.
bool withinLimits(int value, int lower, int upper);

} // namespace stats

namespace stats {

// The shown day as a table for a spreadsheet: tab-separated lines (UTF-8
// with a byte-order mark, so the Chinese texts open right): the date, the
// plan, one line per hour (08 to 07) with its output and abnormal count,
// then the shift sums, the totals and the abnormal rate. Texts in the
// current language.
QByteArray exportTable(const QString& date, int plan, const QList<int>& output, const QList<int>& abnormal);

} // namespace stats
