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

// Slot captions: the board input (in trigger-slot order) or board output.
extern const char* const gCustomInputName[8][3];
extern const char* const gCustomOutputName[8][3];

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
