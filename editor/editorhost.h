#pragma once
// What the region editor and its option bars need of the main window: the
// screen and cycle state they change, the camera views in use, the right-hand
// column, and the cycle's judgement. The main window installs its own host at
// start-up; until then a plain host that keeps the state in its own fields
// stands in (it has no views and judges nothing).
#include "inspection/regionedit.h"

#include <QString>

class AlarmOption;
class CammerWidget;
class DrawROIWidget;
class RegiOption;

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // ---- state of the main window
    virtual int& displayState() = 0; // 0 live, 1 OK shown, 2 alarm, 3 editing
    virtual int& currentStep() = 0;
    virtual int& editStep() = 0;
    // Camera in use shown alone; numCamera is the split view.
    virtual int& selectedCamera() = 0;
    virtual EditTools& tools() = 0;
    // Per step group: one bit per camera slot still to be judged.
    virtual int& pendingCameras(int group) = 0;
    // State of the last judgement of a camera slot's step and its image.
    virtual int& stepSaveCode(int slot, int step) = 0;
    // The next verdict comes from the editor.
    virtual void setEditorJudgement() = 0;
    virtual bool anyCameraNG() const = 0;
    // The safety door opened since the cycle started.
    virtual bool safetyDoorOpened() const = 0;
    // Editing was opened by the end of template sampling.
    virtual bool& fromTrain() = 0;

    // ---- screens
    // The view of camera k in use; null past the cameras in use.
    virtual CammerWidget* view(int k) = 0;
    virtual DrawROIWidget* editor() = 0;
    virtual RegiOption* regionBar() = 0;
    virtual AlarmOption* alarmBar() = 0;
    // Right-hand column: 0 main option bar, 1 region bar, 2 alarm bar.
    virtual void showSidePage(int page) = 0;
    virtual void showIOStatus() = 0;
    // The folder of a slot's stored pictures of a step (kind 0 NG, 1 OK).
    virtual QString pictureFolder(int slot, int step, int kind) = 0;
    virtual void repaint() = 0;

    // ---- the cycle
    virtual void resetRun() = 0;
    // The alarm step judged again: outputs, pending cameras, every camera
    // not marked not-to-detect, then the verdict.
    virtual void reDetect() = 0;
    virtual void checkNG() = 0;
    // Lays the views out for selectedCamera.
    virtual void changeCamera() = 0;
    // Back to detecting after editing opened by template sampling.
    virtual void backTrain() = 0;
};

class BasicEditorHost : public EditorHost {
public:
    int& displayState() override { return display; }
    int& currentStep() override { return current; }
    int& editStep() override { return edit; }
    int& selectedCamera() override { return selected; }
    EditTools& tools() override { return editTools; }
    int& pendingCameras(int group) override;
    int& stepSaveCode(int slot, int step) override;
    void setEditorJudgement() override {}
    bool anyCameraNG() const override { return false; }
    bool safetyDoorOpened() const override { return false; }
    bool& fromTrain() override { return train; }
    CammerWidget* view(int) override { return nullptr; }
    DrawROIWidget* editor() override { return nullptr; }
    RegiOption* regionBar() override { return nullptr; }
    AlarmOption* alarmBar() override { return nullptr; }
    void showSidePage(int page) override { sidePage = page; }
    void showIOStatus() override {}
    QString pictureFolder(int slot, int step, int kind) override;
    void repaint() override {}
    void resetRun() override {}
    void reDetect() override {}
    void checkNG() override {}
    void changeCamera() override {}
    void backTrain() override {}

    int display = 0;
    int current = 0;
    int edit = 0;
    int selected = 0;
    int sidePage = 0;
    bool train = false;
    EditTools editTools;
    int pending[8] = {};
    int codes[8][8] = {};
};

// The installed host (a BasicEditorHost until one is installed; null restores it).
void setEditorHost(EditorHost* host);
EditorHost& editorHost();
