#pragma once
// The read-only list of the panel's hardware as the maker wrote it into
// "conf.txt" (key, tab, value per line; "_" shows as a blank), with the
// number of cameras actually open in the "Count" row. Read once, when built.
#include <QList>
#include <QMap>
#include <QPair>
#include <QPointer>
#include <QWidget>

class ColorButton;
class QGridLayout;
class QLabel;

class HardwareConfigurationWidget : public QWidget {
    Q_OBJECT
public:
    // The view is a window of its own; `owner` only keeps it alive.
    explicit HardwareConfigurationWidget(QWidget* owner = nullptr);

    static void loadConfiguration(QList<QPair<QString, QString>>& list);
    static void loadConfiguration(QMap<QString, QString>& map);

    ColorButton* confirmButton;
    QLabel* countLabel = nullptr;
    QGridLayout* grid;
    // Shown again when the view is confirmed (the settings window).
    QPointer<QWidget> returnTo;

public slots:
    void slotConfirm();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
