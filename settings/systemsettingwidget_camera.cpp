// Live camera tuning: while the settings window is open the camera pages
// change the image settings of one camera at a time (outSet). Each value is
// written into the edit copy and applied to the camera at once; the live
// record changes only when the apply step saves.
#include "cameradriver/cameradriver.h"
#include "cameradriver/cameraglobals.h"
#include "cameradriver/cameratexts.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/camerafunctionswidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "widgets/busycover.h"
#include "widgets/msgbox.h"

#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

using settingshost::CameraOp;

void SystemSettingWidget::tune(int32_t (WizardPara::*field)[8], int value, int op)
{
    if (!gpWParaBak)
        return;
    const int slot = TunedSlot();
    if (slot < 0 || slot >= 8)
        return;
    (gpWParaBak->*field)[slot] = value;
    settingshost::cameraOp(slot, CameraOp(op));
}

void SystemSettingWidget::SetExposeTime(int value) { tune(&WizardPara::expose_time, value, int(CameraOp::Expose)); }
void SystemSettingWidget::SetAdjust(int value) { tune(&WizardPara::adjust_plus, value, int(CameraOp::Gain)); }
void SystemSettingWidget::SetSharp(int value) { tune(&WizardPara::sharp, value, int(CameraOp::Sharp)); }
void SystemSettingWidget::SetContrast(int value) { tune(&WizardPara::contrast, value, int(CameraOp::Contrast)); }
void SystemSettingWidget::SetGamma(int value) { tune(&WizardPara::gamma, value, int(CameraOp::Gamma)); }

// The shading and exposure switches act on the exposure of every view. The
// check state is stored as delivered (2 ticked); the page stores 0 or 1.
void SystemSettingWidget::SetAutoWDR(int state)
{
    if (!gpWParaBak)
        return;
    gpWParaBak->auto_shading = state;
    for (int slot = 0; slot < kCameraSlots; ++slot)
        settingshost::cameraOp(slot, CameraOp::Expose);
}

void SystemSettingWidget::SetAutoExp(int state)
{
    if (!gpWParaBak)
        return;
    gpWParaBak->auto_exposure = state;
    for (int slot = 0; slot < kCameraSlots; ++slot)
        settingshost::cameraOp(slot, CameraOp::Expose);
}

// Sliders whose value changes send it, so the new camera gets its own values.
void SystemSettingWidget::reloadCameraSliders()
{
    const WizardPara& p = *gpWParaBak;
    const int slot = TunedSlot();
    CameraParamsSubWidget* block = cameraParams->subWidget;
    block->exposureSlider->setValue(p.expose_time[slot]);
    block->gainSlider->setValue(p.adjust_plus[slot]);
    cameraParams->slider(CameraParamsWidget::Clarity)->setValue(p.sharp[slot]);
    cameraParams->slider(CameraParamsWidget::Truth)->setValue(p.contrast[slot]);
    cameraParams->slider(CameraParamsWidget::Gamma)->setValue(p.gamma[slot]);
}

void SystemSettingWidget::SlotChangeCamera()
{
    if (numCamera == 1 || !gpWParaBak)
        return;
    for (int i = 0; i < 4; ++i)
        if (sender() == cameraParams->subWidget->cameraButtons[i])
            outSet = i;
    settingshost::showCamera(outSet);
    reloadCameraSliders();
    update();
}

// The camera may take its time to load its own set: the page (and the
// floating block) stay covered until it has answered, so nothing else is
// tuned on it meanwhile; the cycle goes on underneath.
void SystemSettingWidget::SlotRestoreDefaultSettings()
{
    if (!showChooseBox(LanStr(527)) || !gpWParaBak)
        return;
    QList<QPointer<QWidget>> covered{this};
    CameraParamsSubWidget* block = cameraParams->subWidget;
    if (block->detached())
        covered << block;
    for (QWidget* w : covered)
        BusyCover::hold(w);
    QPointer<SystemSettingWidget> self(this);
    settingshost::restoreDefaults(TunedSlot(), [self, covered](bool) {
        for (const QPointer<QWidget>& w : covered)
            BusyCover::release(w);
        if (!self || !gpWParaBak)
            return;
        self->reloadCameraSliders();
        self->cameraParams->slider(CameraParamsWidget::Speed)->setValue(gpWParaBak->capture_speed);
    });
}

void SystemSettingWidget::SlotTuneCamera() { settingshost::tuneCamera(); }

void SystemSettingWidget::SlotChangeShowMode()
{
    const bool wasClear = !showMode;
    showMode = !showMode;
    if (wasClear)
        settingshost::showCamera(outSet);
    update();
    settingshost::repaintViews();
}

// MindVision cameras expose themselves once: the camera's own automatic
// exposure runs for two seconds and its result is taken as the setting.
void SystemSettingWidget::SlotAutoExposeTime()
{
    autoExposureTimer->start(2000);
    if (gCameraID != kCameraMind)
        return;
    CameraDriver* d = CameraDriver::at(TunedSlot());
    if (!d || !d->isOpen() || d->restoring())
        return;
    mindvision::CameraSetAeState(d->mindCamera, 1);
    mindvision::CameraSetAeTarget(d->mindCamera, 120);
    // Older libraries cannot limit the range: the camera then uses its own.
    if (!mindvision::Has("CameraSetAeExposureRange")
        || mindvision::CameraSetAeExposureRange(d->mindCamera, 0.0, 100000.0) != mindvision::CAMERA_STATUS_SUCCESS)
        TellCameraKeeps(TunedSlot(), cameratext::kSettingAeRange);
    mindvision::CameraSetAntiFlick(d->mindCamera, 1);
}

void SystemSettingWidget::SlotAutoExposeTimeTimeout()
{
    autoExposureTimer->stop();
    if (gCameraID != kCameraMind || !gpWParaBak)
        return;
    const int slot = TunedSlot();
    CameraDriver* d = CameraDriver::at(slot);
    if (!d || !d->isOpen())
        return;
    if (d->restoring()) {
        autoExposureTimer->start(100); // read once the restore let go of the camera
        return;
    }
    mindvision::CameraSetAeState(d->mindCamera, 0);
    double exposureUs = 0;
    int gain = 0;
    mindvision::CameraGetExposureTime(d->mindCamera, &exposureUs);
    mindvision::CameraGetAnalogGain(d->mindCamera, &gain);
    gpWParaBak->expose_time[slot] = int(exposureUs / 1000);
    gpWParaBak->adjust_plus[slot] = gain;
    cameraParams->subWidget->exposureSlider->setValue(gpWParaBak->expose_time[slot]);
    cameraParams->subWidget->gainSlider->setValue(gpWParaBak->adjust_plus[slot]);
    update();
}
