#pragma once
// The right-hand column while an alarm is on screen: another image of the
// alarm (source list), the camera, Live<->Temp, "Don't Detect", "Add As Temp"
// and "Re-detected". Its buttons go through the main window to the region
// editor; a source chosen here is carried out by the region option bar.
#include "widgets/basewidgets.h"

class QComboBox;

class AlarmOption : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE { LIVE_TEMP = 1, NO_DETECT = 2, RE_DETECT = 3, ADD_TEMP = 4, IGNORE_POINT = 5, DELETE_IGNORED = 6 };

    explicit AlarmOption(QWidget* parent = nullptr);

    // Applies source s again when it is already selected, else selects it.
    void CheckSource(int s);
    void SetCamera(int c);
    void SetSource(int s);

    // By type - 1. The ignore-point buttons (types 5 and 6) are made but never shown.
    BOptionButton* buttons[6] = {};
    QComboBox* sourceList = nullptr;
    QComboBox* cameraList = nullptr;

signals:
    void btnsToggled(AlarmOption::BTN_TYPE type, bool on);
    void AlarmChangeSource(int s);

public slots:
    void btnsToggledSlot(bool on);
    void ChangeCameraSlot(int c);
    void ChangeSourceSlot(int s);

protected:
    void showEvent(QShowEvent* event) override;
};

// The camera list of both bars: "Camera n" for each camera in use, named by
// its slot, and "All Camera" with more than one.
void FillCameraList(QComboBox* list);
// The source list of both bars.
void FillSourceList(QComboBox* list);
