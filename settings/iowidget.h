#pragma once
// The multi-detection IO page: a pop-up over the camera area, opened by
// "Custom IO" on the IO parameters page. Each line is a trigger choice: its
// trigger input, the steps it claims, its cut mode. The rules live in
// MultiDetectModel; the widgets show the model and hand it every touch.
// "Confirm" writes the page into the edit copy.
#include "settings/multidetect.h"

#include <QWidget>

class CheckBox;
class ColorButton;
class ComboBox;
class IOWidget;
class QLabel;
class SystemSettingWidget;
class WizardPara;

// One trigger-choice line: trigger list, eight step boxes, cut mode.
class IOCheckComBO : public QWidget {
    Q_OBJECT
public:
    IOCheckComBO(IOWidget* owner, const QString& title, int boxes, int choice);

    // Shows the model's state of this line (signals of the boxes blocked).
    void refresh(const MultiDetectModel& m);
    // Ticked, open (checkable) and shown state of step box k.
    bool getCheckComboStatus(int k) const;

    IOWidget* owner;
    QLabel* titleLabel = nullptr; // made only for a title
    ComboBox* triggerBox;
    CheckBox* stepBoxes[multidetect::kSteps] = {};
    ComboBox* cutModeBox;
    int choiceIndex;

signals:
    void clickeCheckBox(int choice, int step);
    void changeTrigin(int choice, int slot);
    void changeCutMode(int choice, int mode);

private slots:
    void SlotChangeTrigin(int index);
    void SlotChangeCutMode(int index);

private:
    int triggerBase_ = 0;
};

class IOWidget : public QWidget {
    Q_OBJECT
public:
    explicit IOWidget(SystemSettingWidget* parent = nullptr);

    // Loads the page from the live record and hides it (at start-up).
    void initIOWidget();
    // Shows what the record holds (each opening of the settings window
    // loads the edit copy, so nothing a refused save left stays on screen).
    void loadFrom(const WizardPara& p);
    // The lines' captions after a change of the custom names.
    void ResetIOName();

    MultiDetectModel model;
    SystemSettingWidget* ownerWindow;
    ComboBox* stepCountBox;
    ColorButton* confirmButton;
    ColorButton* resetButton;
    IOCheckComBO* choiceRows[multidetect::kLines] = {};

signals:
    void currentIndexChanged(int);

public slots:
    void reset();
    void SlotChangeDetectNum(int index);
    void SlotClickCheckBox(int choice, int step);
    void SlotChangeTrigin(int choice, int slot);
    void SlotChangeCutMode(int choice, int mode);
    // Stores into the edit copy and goes back to the IO parameters page;
    // warns and stays while the last step is not claimed.
    void accept();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
};
