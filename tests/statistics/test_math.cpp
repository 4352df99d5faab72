// The statistics arithmetic and the chart geometry, without a screen.
#include "params/lanstr.h"
#include "statistics/histogram.h"
#include "statistics/statisticsmath.h"

#include <QStringList>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(StatisticsMath, StoredSeriesText)
{
    const QList<int> z = stats::zeroSeries();
    ASSERT_EQ(z.size(), 24);
    const QString zeros = stats::seriesText(z);
    EXPECT_EQ(zeros.count(' '), 23);
    EXPECT_EQ(zeros.size(), 47);

    struct Case {
        const char* text;
        QList<int> head; // the rest is 0
    };
    const Case cases[] = {
        {"", {}},
        {"1 2 3", {1, 2, 3}},
        {"  4\t5\n6  ", {4, 5, 6}},
        {"1 x 3", {1, 0, 3}},
        {"-2 7", {0, 7}},
        {"99999999999 8", {0, 8}},
        {"2147483647", {INT_MAX}},
        {"1.5 2", {0, 2}},
    };
    for (const Case& c : cases) {
        QList<int> expected = c.head;
        while (expected.size() < 24)
            expected << 0;
        EXPECT_EQ(stats::parseSeries(c.text), expected) << c.text;
    }
    QStringList thirty;
    for (int i = 1; i <= 30; ++i)
        thirty << QString::number(i);
    const QList<int> cut = stats::parseSeries(thirty.join(' '));
    ASSERT_EQ(cut.size(), 24);
    EXPECT_EQ(cut.last(), 24);
    // Written and read back alike.
    QList<int> s = stats::zeroSeries();
    s[0] = 12;
    s[23] = 7;
    EXPECT_EQ(stats::parseSeries(stats::seriesText(s)), s);

    EXPECT_EQ(stats::parseCount("1234"), 1234);
    EXPECT_EQ(stats::parseCount(" 12abc"), 12);
    EXPECT_EQ(stats::parseCount(""), 0);
    EXPECT_EQ(stats::parseCount("abc"), 0);
}

TEST(StatisticsMath, ShiftSumsStayInRange)
{
    QList<int> s = stats::zeroSeries();
    s[0] = INT_MAX;
    s[1] = INT_MAX;
    s[12] = 5;
    const stats::ShiftSums sums = stats::shiftSums(s);
    EXPECT_EQ(sums.morning, INT_MAX);
    EXPECT_EQ(sums.night, 5);
    EXPECT_EQ(sums.day, INT_MAX);
}

TEST(StatisticsMath, HourLabels)
{
    EXPECT_EQ(stats::morningHours(), (QList<int>{8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(stats::nightHours(), (QList<int>{20, 21, 22, 23, 0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(StatisticsMath, RateAndCycleTexts)
{
    struct Rate {
        int output, abnormal;
        const char* text;
    };
    const Rate rates[] = {
        {7, 1, "12.5%"}, {0, 0, "0"}, {5, 0, "0%"}, {0, 3, "100%"}, {2, 1, "33.3333%"}, {INT_MAX, INT_MAX, "50%"},
    };
    for (const Rate& r : rates)
        EXPECT_EQ(stats::abnormalRateText(r.output, r.abnormal), QString::fromUtf8(r.text))
            << r.output << " " << r.abnormal;
    LoadTextTable();
    const int lan = gLan;
    gLan = 0;
    EXPECT_EQ(stats::cycleText(37), QString::fromUtf8("周期  3.7"));
    EXPECT_EQ(stats::cycleText(0), QString::fromUtf8("周期  0.0"));
    EXPECT_EQ(stats::cycleText(1234), QString::fromUtf8("周期 123.4"));
    gLan = 1;
    EXPECT_EQ(stats::cycleText(37), QString("Cycle  3.7"));
    gLan = lan;
}

// The temperature judgement: tenths truncated toward zero, limits inclusive.
TEST(StatisticsMath, TemperatureJudgement)
{
    struct Case {
        float degrees;
        int tenths;
        int lower, upper;
        bool within;
    };
    const Case cases[] = {
        {25.37f, 253, 0, 1000, true},
        {-0.5f, -5, 0, 1000, false},
        {30.0f, 300, 300, 800, true},   // equal to the lower limit
        {80.0f, 800, 300, 800, true},   // equal to the upper limit
        {80.1f, 801, 300, 800, false},
        {29.99f, 299, 300, 800, false},
        {50.0f, 500, 800, 300, false},  // minimum above maximum: never within
        {100.0f, 1000, 0, 1000, true},
        {0.0f, 0, 0, 0, true},
        {25.0f, 250, 0, 0, false},      // the record's default limits 0 and 0
        {std::numeric_limits<float>::quiet_NaN(), INT_MIN, 0, 1000, false},
        {std::numeric_limits<float>::infinity(), INT_MAX, 0, 1000, false},
        {-1e30f, INT_MIN, 0, 1000, false},
    };
    for (const Case& c : cases) {
        const int t = stats::temperatureTenths(c.degrees);
        EXPECT_EQ(t, c.tenths) << c.degrees;
        EXPECT_EQ(stats::withinLimits(t, c.lower, c.upper), c.within) << c.degrees << " " << c.lower << ".." << c.upper;
    }
}

TEST(StatisticsMath, ExportTable)
{
    LoadTextTable();
    const int lan = gLan;
    gLan = 1;
    QList<int> out = stats::zeroSeries();
    QList<int> ab = stats::zeroSeries();
    out[0] = 7;
    ab[0] = 1;
    out[12] = 3;
    const QByteArray table = stats::exportTable("2026-03-14", 500, out, ab);
    gLan = lan;
    ASSERT_TRUE(table.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(table.mid(3)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3 + 24 + 5);
    EXPECT_EQ(lines[0], QString("Date\t2026-03-14"));
    EXPECT_EQ(lines[1], QString("Planned output\t500"));
    EXPECT_EQ(lines[2], QString("Hour\tOutput\tAbnormal"));
    EXPECT_EQ(lines[3], QString("08:00\t7\t1"));
    EXPECT_EQ(lines[3 + 12], QString("20:00\t3\t0"));
    EXPECT_EQ(lines[3 + 16], QString("00:00\t0\t0"));
    EXPECT_EQ(lines[27], QString("Morning Shift\t7\t1"));
    EXPECT_EQ(lines[28], QString("Night Shift\t3\t0"));
    EXPECT_EQ(lines[29], QString("Total\t11"));
    EXPECT_EQ(lines[30], QString("Abnormal\t1"));
    EXPECT_EQ(lines[31], QString("Abnormal rate\t9.09091%"));
}

// The chart's geometry: bars, numbers, labels and legend.
TEST(HistogramGeometry, TwelveSlotsAtTheStatisticsPageSize)
{
    QList<int> out = stats::zeroSeries().mid(0, 12);
    QList<int> ab = out;
    out[0] = 10;
    ab[0] = 5;
    out[11] = 1;
    const HistogramLayout l = histogramLayout(1600, 420, 12, out, ab, 10);
    EXPECT_EQ(l.slotWidth, 120);
    EXPECT_FLOAT_EQ(l.scale, 36.0f);
    EXPECT_EQ(l.xAxis, QLineF(0, 400, 1600, 400));
    EXPECT_EQ(l.yAxis, QLineF(20, 40, 20, 420));
    ASSERT_EQ(l.columns.size(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_FLOAT_EQ(l.columns[i].centre, 140 + 120 * i);
    const HistogramSlot& s0 = l.columns[0];
    EXPECT_EQ(s0.tick, QLineF(140, 390, 140, 400));
    EXPECT_EQ(s0.labelRect, QRectF(80, 400, 120, 20));
    // The largest value reaches from the axis up to y = 40.
    EXPECT_EQ(s0.outputBar, QRect(80, 40, 60, 360));
    EXPECT_EQ(s0.outputText, QRectF(80, 40, 60, 20));
    EXPECT_EQ(s0.abnormalBar, QRect(140, 220, 60, 180));
    EXPECT_EQ(s0.abnormalText, QRectF(140, 220, 60, 20));
    // A bar lower than 20 pixels has its number just above the axis.
    const HistogramSlot& s11 = l.columns[11];
    EXPECT_EQ(s11.outputBar, QRect(1400, 364, 60, 36));
    EXPECT_EQ(s11.outputText, QRectF(1400, 364, 60, 20));
    EXPECT_EQ(s11.abnormalBar.height(), 0);
    EXPECT_EQ(s11.abnormalText, QRectF(1460, 380, 60, 20));
    // Legend: red swatch, abnormal text, green swatch, output text.
    EXPECT_EQ(l.outputLegend, QRectF(1460, 5, 100, 30));
    EXPECT_EQ(l.outputSwatch, QRect(1395, 5, 60, 30));
    EXPECT_EQ(l.abnormalLegend, QRectF(1290, 5, 100, 30));
    EXPECT_EQ(l.abnormalSwatch, QRect(1225, 5, 60, 30));
}

TEST(HistogramGeometry, EdgeCases)
{
    struct Case {
        const char* name;
        int W, H, bars, maxY;
        float scale;
        int slotWidth;
    };
    const Case cases[] = {
        {"all zero", 1600, 420, 12, 0, 0.0f, 120},
        {"no slots", 1600, 420, 0, 0, 0.0f, 1560},
        {"narrower than the margins", 30, 420, 12, 5, 72.0f, 0},
        {"lower than the margins", 1600, 50, 12, 5, 0.0f, 120},
    };
    for (const Case& c : cases) {
        const HistogramLayout l = histogramLayout(c.W, c.H, c.bars, {}, {}, c.maxY);
        EXPECT_FLOAT_EQ(l.scale, c.scale) << c.name;
        EXPECT_EQ(l.slotWidth, c.slotWidth) << c.name;
        EXPECT_EQ(l.columns.size(), c.bars) << c.name;
        for (const HistogramSlot& s : l.columns) {
            EXPECT_EQ(s.outputBar.height(), 0) << c.name;
            EXPECT_EQ(s.outputText.top(), c.H - 40) << c.name;
        }
    }
}

TEST(HistogramGeometry, ValuesFillUpToTheSlotsAndAllCountForTheScale)
{
    Histogram h(nullptr, stats::morningHours());
    EXPECT_EQ(h.bars(), 12);
    EXPECT_EQ(h.outputs(), stats::zeroSeries().mid(0, 12));
    h.modifyDataAxisY({3, 4}, {1});
    EXPECT_EQ(h.outputs().size(), 12);
    EXPECT_EQ(h.outputs()[1], 4);
    EXPECT_EQ(h.abnormals().size(), 12);
    EXPECT_EQ(h.maximum(), 4);
    // Values past the slots are kept and count for the largest value.
    QList<int> longer = stats::zeroSeries();
    longer[20] = 50;
    h.modifyDataAxisY1(longer);
    EXPECT_EQ(h.outputs().size(), 24);
    EXPECT_EQ(h.maximum(), 50);
    h.modifyDataAxisY2({-3});
    EXPECT_EQ(h.maximum(), 50);
    h.modifydata({});
    EXPECT_EQ(h.bars(), 0);

    Histogram empty(nullptr);
    EXPECT_EQ(empty.bars(), 0);
    EXPECT_EQ(empty.maximum(), 0);
    Histogram given(nullptr, {1, 2, 3}, {9}, {1, 2, 3, 4});
    EXPECT_EQ(given.outputs(), (QList<int>{9, 0, 0}));
    EXPECT_EQ(given.abnormals(), (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(given.maximum(), 9);
}
