#pragma once
// "Camera Param": the image of one camera at a time (the global outSet).
// Exposure and gain sit in an upper block that can float over the live
// camera views; clarity, gamma, truth and capture speed below it show only
// while "Display factory param" is ticked. The window's live tuning slots
// write the per-camera values into the edit copy and the camera as the
// sliders move; the page stores only the speed itself.
#include "settings/pagekit.h"
#include "widgets/basewidgets.h"

#include <QSize>
#include <functional>

class BlineLabel;
class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;
class QVBoxLayout;

// The loader replaces a gamma below 1 at the next start, so none is offered.
constexpr int kGammaMin = 1;

// The camera slot whose values the camera pages tune: the slot of camera
// outSet in use (outSet itself when there is no such camera).
int TunedSlot();

class CameraParamsSubWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraParamsSubWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept() {}
    void displayIndependent(bool on);
    bool detached() const { return formerParent_ != nullptr; }

    QSlider* exposureSlider;
    QSlider* gainSlider;
    BlineLabel* exposureValue;
    BlineLabel* gainValue;
    QPushButton* cameraButtons[4];
    QButtonGroup* cameraGroup;
    QPushButton* tuneButton;
    QPushButton* restoreButton;
    QPushButton* viewButton;
    QPushButton* previousButton;
    QPushButton* nextButton;
    QWidget* splitLine;
    // Run before the block floats off and the settings window hides (the
    // window keeps the edits of every page for its return).
    std::function<void()> beforeDetach;

public slots:
    void viewBtnToggled(bool on);
    void SlotPrevious();
    void SlotNext();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void goTo(int camera);
    QVBoxLayout* root_;
    QWidget* formerParent_ = nullptr;
    QSize formerSize_;
};

class CameraParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraParamsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();

    CameraParamsSubWidget* subWidget;
    // Lower rows: clarity, gamma, truth, speed.
    enum Row { Clarity, Gamma, Truth, Speed };
    pagekit::SliderRow rows[4];
    QSlider* slider(Row r) const { return rows[r].slider; }
    // Whether "Display factory param" is ticked now (set by the window).
    std::function<bool()> factoryShown;

public slots:
    void slotQSliderValue(int);

protected:
    void showEvent(QShowEvent* event) override;
};
