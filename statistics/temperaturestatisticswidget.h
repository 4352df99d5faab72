#pragma once
// The temperature tab of the statistics page: eight alarm-window rows, one
// per temperature channel, in tenths of a degree. The limits come from the
// parameter record when the page shows and go back to it (and to "PARAM.db")
// when it hides.
#include <QWidget>

class EditTempBox;

class TemperatureStatisticsWidget : public QWidget {
    Q_OBJECT
public:
    explicit TemperatureStatisticsWidget(QWidget* parent = nullptr);

    // Channel k's value becomes the tenths of temperatures[k], k = 0..7.
    void updateTemp(const float* temperatures);
    // True when a channel lies outside its limits (a limit itself is inside).
    bool judgeTemperature() const;

    EditTempBox* box(int k) const { return tempBoxes[k]; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    EditTempBox* tempBoxes[8];
    bool unsaved_ = false; // the last limits typed did not reach the disk
};
