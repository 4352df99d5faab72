#pragma once
// The custom IO names: for each of the eight trigger input slots and eight
// output slots of multi-detection, the machine signal wired to it, picked
// from the fixed name tables. The choice lives in the multi-detection IO
// page, which shows the names; "Confirm" also writes it into the edit copy.
#include <QWidget>

class ColorButton;
class ComboBox;
class IOWidget;
class QLabel;
class SystemSettingWidget;

// Slot captions in the current language: the board input wired to trigger
// slot `slot` (inputs 1, 3, 4 .. 9) or the board output of output slot
// `slot` (outputs 1, 2, 4 .. 9).
QString customInputName(int slot);
QString customOutputName(int slot);

class CustomIONameWidget : public QWidget {
    Q_OBJECT
public:
    // A child of the main window over the settings window and its
    // multi-detection IO page.
    CustomIONameWidget(QWidget* mainWindow, SystemSettingWidget* settingsWindow);

    // The boxes from the IO page's indexes (once, at start-up).
    void init();

    SystemSettingWidget* ownerWindow;
    IOWidget* ioPage;
    ComboBox* inputNameBoxes[8] = {};
    ComboBox* outputNameBoxes[8] = {};
    QLabel* inputSlotLabels[8] = {};
    QLabel* outputSlotLabels[8] = {};
    ColorButton* confirmButton;

public slots:
    void accept();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
