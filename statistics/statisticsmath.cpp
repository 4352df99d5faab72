#include "statistics/statisticsmath.h"

#include "params/lanstr.h"

#include <QRegularExpression>
#include <QStringList>
#include <climits>
#include <cmath>

namespace stats {

namespace {
constexpr int kRowCycle = 1324; // "周期 %1"
} // namespace

QList<int> zeroSeries()
{
    QList<int> s;
    s.reserve(kSlots);
    for (int i = 0; i < kSlots; ++i)
        s << 0;
    return s;
}

QString seriesText(const QList<int>& series)
{
    QStringList parts;
    for (int v : series)
        parts << QString::number(v);
    return parts.join(' ');
}

namespace {
int countOf(const QString& token)
{
    bool ok = false;
    const qlonglong v = token.toLongLong(&ok);
    return ok && v >= 0 && v <= INT_MAX ? int(v) : 0;
}
} // namespace

QList<int> parseSeries(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList tokens = text.split(blanks, Qt::SkipEmptyParts);
    QList<int> s = zeroSeries();
    for (int i = 0; i < kSlots && i < tokens.size(); ++i)
        s[i] = countOf(tokens[i]);
    return s;
}

int parseCount(const QString& text)
{
    static const QRegularExpression first(QStringLiteral("^\\s*(-?\\d+)"));
    const QRegularExpressionMatch m = first.match(text);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const qlonglong v = m.captured(1).toLongLong(&ok);
    return ok && v >= INT_MIN && v <= INT_MAX ? int(v) : 0;
}

ShiftSums shiftSums(const QList<int>& series)
{
    qint64 morning = 0;
    qint64 night = 0;
    for (int i = 0; i < series.size(); ++i)
        (i < kShiftSlots ? morning : night) += series[i];
    auto held = [](qint64 v) { return int(qBound<qint64>(INT_MIN, v, INT_MAX)); };
    ShiftSums sums;
    sums.morning = held(morning);
    sums.night = held(night);
    sums.day = held(morning + night);
    return sums;
}

QList<int> morningHours()
{
    QList<int> h;
    for (int k = 0; k < kShiftSlots; ++k)
        h << slotHour(k);
    return h;
}

QList<int> nightHours()
{
    QList<int> h;
    for (int k = kShiftSlots; k < kSlots; ++k)
        h << slotHour(k);
    return h;
}

int slotHour(int slot) { return (slot + 8) % 24; }

QString abnormalRateText(int output, int abnormal)
{
    const qint64 total = qint64(output) + abnormal;
    if (total == 0)
        return QStringLiteral("0");
    return QStringLiteral("%1%").arg(double(abnormal) * 100 / double(total), 0, 'g', 6);
}

QString cycleText(int cycleTimeTenths)
{
    return LanStr(kRowCycle).arg(cycleTimeTenths / 10.0, 4, 'f', 1);
}

int temperatureTenths(float degrees)
{
    if (std::isnan(degrees))
        return INT_MIN;
    const float tenths = degrees * 10.0f;
    if (tenths >= 2147483648.0f)
        return INT_MAX;
    if (tenths <= -2147483648.0f)
        return INT_MIN;
    return int(tenths); // toward zero: 25.37 gives 253
}

bool withinLimits(int value, int lower, int upper) { return lower <= value && value <= upper; }

} // namespace stats

#include "params/lanstr.h"

namespace stats {

namespace {
constexpr int kRowHour = 1300;
constexpr int kRowOutput = 1301;
constexpr int kRowAbnormal = 1302;
constexpr int kRowRate = 1303;
constexpr int kRowDate = 1304;
} // namespace

QByteArray exportTable(const QString& date, int plan, const QList<int>& output, const QList<int>& abnormal)
{
    const QList<int> out = output.mid(0, kSlots);
    const QList<int> ab = abnormal.mid(0, kSlots);
    const ShiftSums o = shiftSums(out);
    const ShiftSums a = shiftSums(ab);
    QStringList lines;
    auto line = [&lines](const QStringList& cells) { lines << cells.join('\t'); };
    line({LanStr(kRowDate), date});
    line({LanStr(550), QString::number(plan)});
    line({LanStr(kRowHour), LanStr(kRowOutput), LanStr(kRowAbnormal)});
    for (int k = 0; k < kSlots; ++k)
        line({QStringLiteral("%1:00").arg(slotHour(k), 2, 10, QLatin1Char('0')),
              QString::number(k < out.size() ? out[k] : 0), QString::number(k < ab.size() ? ab[k] : 0)});
    line({LanStr(545), QString::number(o.morning), QString::number(a.morning)});
    line({LanStr(546), QString::number(o.night), QString::number(a.night)});
    line({LanStr(547), QString::number(qint64(o.day) + a.day)});
    line({LanStr(kRowAbnormal), QString::number(a.day)});
    line({LanStr(kRowRate), abnormalRateText(o.day, a.day)});
    return QByteArray("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

} // namespace stats
