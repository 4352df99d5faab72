#pragma once
// The command column at the right edge of the live screen: eight large touch
// buttons, each press turned into one command code that the main window
// carries out (the product snapshot triggers directly), and the fine-tuning
// pad that pans the zoomed single view.
#include "widgets/basewidgets.h"

#include <QPointer>

class QPushButton;

// A floating cross of four arrows around a zoom-all button.
class FinetuningDialog : public BWidget {
    Q_OBJECT
public:
    explicit FinetuningDialog(QWidget* parent = nullptr);

    QPushButton* upButton;
    QPushButton* rightButton;
    QPushButton* downButton;
    QPushButton* leftButton;
    QPushButton* zoomAllButton;

protected:
    // Only the buttons show: the pad itself draws nothing.
    void paintEvent(QPaintEvent* event) override;
};

class OptionBar : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE : int {
        MultiScreen = 1,
        StartStop = 2,
        Settings = 3,
        Resample = 4,
        Area = 5,
        Statistics = 6,
        MoldSnapshot = 7,
    };

    explicit OptionBar(QWidget* parent = nullptr);
    ~OptionBar() override;

    // Unchecks the settings button without a signal (the settings window was
    // refused at the password gate).
    void SetTLast();
    FinetuningDialog* finetuningPad() const { return finePad; }
    // The start/stop button as the run state shows it: stopping (green) or
    // starting (red).
    void showRunning(bool detecting);

    FinetuningDialog* finePad;
    BOptionButton* multiScreenButton;
    BOptionButton* startStopButton;
    BOptionButton* settingsButton;
    BOptionButton* resampleButton;
    BOptionButton* areaButton;
    BOptionButton* statisticsButton;
    BOptionButton* productSnapButton;
    BOptionButton* moldSnapButton;
    int lastType = 0;

signals:
    void btnsToggled(OptionBar::BTN_TYPE type, bool checked);

private slots:
    void btnsToggledSlot(bool checked);
    void CalibrationPos();

private:
    // The pad floats without a parent until the layout puts it on a view.
    QPointer<FinetuningDialog> pad_;
};
