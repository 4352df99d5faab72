#pragma once
// The full-screen production statistics page: for the day chosen in the day
// list (today or an archived day) the morning and night output and abnormal
// counts of detection step 1 as numbers and hourly bar charts, the day's
// totals and abnormal rate, the planned output (editable for today), the
// clock and the last cycle time; a second tab holds the temperature page. Its
// one-second refresh also sets the temperature-alarm flag. The store
// (gpResStatisticsParam) must exist before the page is made.
#include <QSqlDatabase>
#include <QWidget>

class ColorButton;
class Edit;
class Histogram;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTimer;
class TemperatureStatisticsWidget;

class StatisticsWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kDayConnection = "dbListRes";

    explicit StatisticsWidget(QWidget* parent = nullptr);
    ~StatisticsWidget() override;

    void updateData();
    void updateList();
    bool isToday() const;

    Histogram* morningChart = nullptr;
    Histogram* nightChart = nullptr;
    Edit* planEdit = nullptr;
    QLabel* morningOutputLabel = nullptr;
    QLabel* morningAbnormalLabel = nullptr;
    QLabel* nightOutputLabel = nullptr;
    QLabel* nightAbnormalLabel = nullptr;
    QLabel* totalLabel = nullptr;
    QLabel* abnormalTotalLabel = nullptr;
    QLabel* abnormalRateLabel = nullptr;
    QLabel* clockLabel = nullptr;
    QLabel* cycleLabel = nullptr;
    QTimer* refreshTimer = nullptr;
    QListWidget* dayList = nullptr;
    QSqlDatabase dayDb;
    TemperatureStatisticsWidget* temperaturePage = nullptr;
    QTabWidget* tabs = nullptr;
    ColorButton* returnButton = nullptr;
    ColorButton* exportButton = nullptr;

public slots:
    void slotConfirm();
    void slotTimeout();
    void updateRecord(QListWidgetItem* item);
    void slotPlanChange(QString text);
    void SlotExportData();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void feedTemperatures();
    // The disk looked for, the table moved onto it and the disk let go, all
    // off the GUI thread; the result is shown when it is over.
    void exportToDisk();
    // The shown day as a table (tab-separated, UTF-8) in `path`.
    bool writeExportTable(const QString& path) const;

    bool planWarningQueued_ = false; // one box for a burst of refused keystrokes
};
