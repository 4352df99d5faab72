#pragma once
// The right-hand column while regions and templates are edited: the image
// source, the camera and the detection step as three lists, and the buttons
// Live<->Temp, "Add As Temp", "Delete Temp" and "End Set". Its lists carry
// out the editor's source, camera and step changes; its buttons go through
// the main window to the editor. It also browses templates, recent NG frames
// and the stored OK and NG pictures that the views paint.
#include "widgets/basewidgets.h"

#include <QImage>
#include <QString>

class QComboBox;

class RegiOption : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE { DELETE_TEMP = 1, ADD_TEMP = 2, END_SET = 3, LIVE_TEMP = 4 };

    explicit RegiOption(QWidget* parent = nullptr);

    // Selects that entry of the step list (its change runs the step change).
    void setDetect(int step);
    void SetSource(int s);
    // Applies source s again when it is already selected, else selects it.
    void CheckSource(int s);
    // The step list of the multi-detection procedure: n steps.
    void ChangeDetectNum(int n);
    // The stored picture `pictureIndex` of the listed camera, step and kind.
    void LoadPic();
    // Tools and buttons that go with the source.
    void ChangePage();
    void GetTempTIme(int camera, int step, int slot);

    // The stored pictures listed (sources 3 and 4).
    QString pictureName; // without ".jpg"; empty when none
    QImage picture;
    int pictureCamera = 0; // camera slot
    int pictureStep = 0;
    int pictureCount = 0;
    int pictureKind = 0; // 1 OK pictures, 0 NG pictures
    int pictureIndex = 0;

    BOptionButton* deleteButton = nullptr;
    BOptionButton* addButton = nullptr;
    BOptionButton* endButton = nullptr;
    BOptionButton* switchButton = nullptr;
    QComboBox* stepList = nullptr;
    QComboBox* cameraList = nullptr;
    QComboBox* sourceList = nullptr;
    int lastButton = 0;

signals:
    void btnsToggled(RegiOption::BTN_TYPE type, bool on);

public slots:
    void ChangeSourceSlot(int s);
    void SlotTempLast();
    void SlotTempNext();
    void btnsToggledSlot(bool on);
    void ChangeDetectSlot(int d);
    void ChangeCameraSlot(int c);

private:
    void browse(bool forward);

    // The bar lives for the whole run: at most one of the two "Two same
    // parameters" notes is shown per run.
    bool sameParameterNoteShown_ = false;
};
