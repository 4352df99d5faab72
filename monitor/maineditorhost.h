#pragma once
// The region editor's host over the main window (gpWin): the editor and its
// option bars read and change the window's screen and cycle state and call
// its cycle operations through it.
#include "editor/editorhost.h"

class MainEditorHost : public EditorHost {
public:
    int& displayState() override;
    int& currentStep() override;
    int& editStep() override;
    int& selectedCamera() override;
    EditTools& tools() override;
    int& pendingCameras(int group) override;
    int& stepSaveCode(int slot, int step) override;
    void setEditorJudgement() override;
    bool anyCameraNG() const override;
    bool safetyDoorOpened() const override;
    bool& fromTrain() override;
    CammerWidget* view(int k) override;
    DrawROIWidget* editor() override;
    RegiOption* regionBar() override;
    AlarmOption* alarmBar() override;
    void showSidePage(int page) override;
    void showIOStatus() override;
    QString pictureFolder(int slot, int step, int kind) override;
    void repaint() override;
    void resetRun() override;
    void reDetect() override;
    void checkNG() override;
    void changeCamera() override;
    void backTrain() override;

    static MainEditorHost& instance();

private:
    BasicEditorHost spare_; // answers while no main window exists
};
