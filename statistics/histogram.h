#pragma once
// The bar chart of the statistics page: per slot a green output bar and a red
// abnormal bar with their numbers, the slot's label under the axis and a
// legend at the top right. The bars scale to the largest value and to the
// widget's size. The geometry is plain code (histogramLayout) so it can be
// checked without painting.
#include <QLineF>
#include <QList>
#include <QMap>
#include <QRect>
#include <QRectF>
#include <QVector>
#include <QWidget>

struct HistogramSlot {
    float centre = 0;
    QLineF tick;
    QRectF labelRect;
    QRect outputBar;
    QRectF outputText;
    QRect abnormalBar;
    QRectF abnormalText;
};

struct HistogramLayout {
    QLineF xAxis;
    QLineF yAxis;
    float scale = 0;   // pixels per count
    int slotWidth = 0; // b
    QVector<HistogramSlot> columns;
    QRectF outputLegend;
    QRect outputSwatch;
    QRectF abnormalLegend;
    QRect abnormalSwatch;
};

// W x H pixels, barCount slots, the values drawn for them and maxY.
HistogramLayout histogramLayout(int W, int H, int barCount, const QList<int>& output, const QList<int>& abnormal,
                                int maxY);

class Histogram : public QWidget {
    Q_OBJECT
public:
    explicit Histogram(QWidget* parent = nullptr);
    Histogram(QWidget* parent, QList<int> labels);
    Histogram(QWidget* parent, QList<int> labels, QList<int> output, QList<int> abnormal);

    // Each list takes the values in order, then zeros up to barCount.
    void modifyDataAxisY(QList<int> output, QList<int> abnormal);
    void modifyDataAxisY1(QList<int> output);
    void modifyDataAxisY2(QList<int> abnormal);
    // Draws no slots from then on.
    void modifydata(QMap<int, int> data);
    void clcMaxY();

    const QList<int>& outputs() const { return outputValues; }
    const QList<int>& abnormals() const { return abnormalValues; }
    const QList<int>& labels() const { return axisLabels; }
    int bars() const { return barCount; }
    int maximum() const { return maxY; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fill(QList<int>& member, const QList<int>& values);

    QList<int> outputValues;
    QList<int> abnormalValues;
    QList<int> axisLabels;
    int barCount = 0;
    int maxY = 0;
};
