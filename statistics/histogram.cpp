#include "statistics/histogram.h"

#include "params/lanstr.h"
#include "widgets/kitstyle.h"

#include <QPainter>
#include <algorithm>

namespace {
const QColor kOutputColour(0, 255, 0, 200);
const QColor kAbnormalColour(255, 0, 0, 200);
constexpr int kRowOutputLegend = 1322;   // "产出次数"
constexpr int kRowAbnormalLegend = 1323; // "异常次数"
} // namespace

HistogramLayout histogramLayout(int W, int H, int barCount, const QList<int>& output, const QList<int>& abnormal,
                                int maxY)
{
    HistogramLayout l;
    l.xAxis = QLineF(0, H - 20, W, H - 20);
    l.yAxis = QLineF(20, 40, 20, H);
    l.scale = maxY != 0 ? std::max(0.0f, float(H - 60) / float(maxY)) : 0.0f;
    l.slotWidth = std::max(0, (W - 40) / (std::max(0, barCount) + 1));
    const float b = float(l.slotWidth);
    const float s = l.scale;
    for (int i = 0; i < barCount; ++i) {
        HistogramSlot slot;
        const float x = float(i + 1) * b + 20;
        slot.centre = x;
        slot.tick = QLineF(x, H - 30, x, H - 20);
        slot.labelRect = QRectF(x - b / 2, H - 20, b, 20);
        const float h = float(i < output.size() ? output[i] : 0) * s;
        slot.outputBar = QRect(int(x - b / 2), int(H - h - 20), int(b / 2), int(h));
        slot.outputText = QRectF(x - b / 2, std::min(float(H - 40), H - h - 20), b / 2, 20);
        const float h2 = float(i < abnormal.size() ? abnormal[i] : 0) * s;
        slot.abnormalBar = QRect(int(x), int(H - h2 - 20), int(b / 2), int(h2));
        slot.abnormalText = QRectF(x, std::min(float(H - 40), H - h2 - 20), b / 2, 20);
        l.columns << slot;
    }
    l.outputLegend = QRectF(W - 140, 5, 100, 30);
    const int g = int((W - 140) - (5 + b / 2));
    l.outputSwatch = QRect(g, 5, int(b / 2), 30);
    l.abnormalLegend = QRectF(g - 105, 5, 100, 30);
    l.abnormalSwatch = QRect(int((g - 105) - (5 + b / 2)), 5, int(b / 2), 30);
    return l;
}

Histogram::Histogram(QWidget* parent) : QWidget(parent) {}

Histogram::Histogram(QWidget* parent, QList<int> labels) : Histogram(parent, labels, {}, {}) {}

Histogram::Histogram(QWidget* parent, QList<int> labels, QList<int> output, QList<int> abnormal)
    : QWidget(parent), axisLabels(labels), barCount(labels.size())
{
    fill(outputValues, output);
    fill(abnormalValues, abnormal);
    clcMaxY();
}

void Histogram::fill(QList<int>& member, const QList<int>& values)
{
    member = values;
    while (member.size() < barCount)
        member << 0;
}

void Histogram::modifyDataAxisY(QList<int> output, QList<int> abnormal)
{
    fill(outputValues, output);
    fill(abnormalValues, abnormal);
    clcMaxY();
    update();
}

void Histogram::modifyDataAxisY1(QList<int> output)
{
    fill(outputValues, output);
    clcMaxY();
    update();
}

void Histogram::modifyDataAxisY2(QList<int> abnormal)
{
    fill(abnormalValues, abnormal);
    clcMaxY();
    update();
}

void Histogram::modifydata(QMap<int, int>)
{
    barCount = 0;
    update();
}

void Histogram::clcMaxY()
{
    maxY = 0;
    for (int v : outputValues)
        maxY = std::max(maxY, v);
    for (int v : abnormalValues)
        maxY = std::max(maxY, v);
}

void Histogram::paintEvent(QPaintEvent*)
{
    const int n = std::min({barCount, int(outputValues.size()), int(abnormalValues.size()), int(axisLabels.size())});
    const HistogramLayout l = histogramLayout(width(), height(), n, outputValues, abnormalValues, maxY);
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(l.xAxis);
    p.drawLine(l.yAxis);
    const QFont small = kitPointFont(QStringLiteral("wqy-microhei"), 15);
    const QFont legend = kitPointFont(QStringLiteral("wqy-microhei"), 20);
    p.setFont(small);
    for (int i = 0; i < l.columns.size(); ++i) {
        const HistogramSlot& s = l.columns[i];
        p.drawLine(s.tick);
        p.drawText(s.labelRect, Qt::AlignCenter, QStringLiteral("%1").arg(axisLabels[i]));
        p.fillRect(s.outputBar, kOutputColour);
        p.drawText(s.outputText, Qt::AlignCenter, QStringLiteral("%1").arg(outputValues[i]));
        p.fillRect(s.abnormalBar, kAbnormalColour);
        p.drawText(s.abnormalText, Qt::AlignCenter, QStringLiteral("%1").arg(abnormalValues[i]));
    }
    p.setFont(fittingFont(legend, LanStr(kRowOutputLegend), int(l.outputLegend.width())));
    p.drawText(l.outputLegend, Qt::AlignCenter, LanStr(kRowOutputLegend));
    p.fillRect(l.outputSwatch, kOutputColour);
    p.setFont(fittingFont(legend, LanStr(kRowAbnormalLegend), int(l.abnormalLegend.width())));
    p.drawText(l.abnormalLegend, Qt::AlignCenter, LanStr(kRowAbnormalLegend));
    p.fillRect(l.abnormalSwatch, kAbnormalColour);
}
