#pragma once
// Common ground of the camera tests: simulated SDK buses, parameter records,
// recording main-window hooks and clean camera globals for every test.
#include "cameradriver/cameradriver.h"
#include "platform/cameras/simcamera.h"
#include "testenv.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "params/wizardpara.h"

const char* vendorName(camsdk::Vendor v);

// Waits (really) until the condition holds, at most timeoutMs.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

class CameraTest : public InTempFolder {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    camsdk::SimCameraPtr addCamera(camsdk::Vendor vendor, const QByteArray& serial, int width = 640, int height = 480,
                                   bool colour = false, bool gige = false);
    // Sets back-end and image geometry as the probe would have.
    void useBackend(int backend, int width, int height, bool colour = false, int found = 8);
    // Makes the driver of a slot and opens its camera (counted in numCamera when open).
    CameraDriver* openSlot(int slot);
    // Opens slots 0..n-1 and starts them.
    void openAndStart(int n);
    void closeAll();
    void setSerial(int slot, const QByteArray& serial);
    // A defaults restore as the camera page asks for it, the event loop run
    // until it answered (at most timeoutMs); whether the defaults were loaded.
    bool restore(CameraDriver* d, int timeoutMs = 5000);

    WizardPara& para() { return *para_; }
    WizardPara& edit() { return *bak_; }

    QStringList records;      // journal
    QStringList warnings;     // warning boxes
    QList<QPair<int, int>> outputs; // setOutput(output, value)
    int flashes = 0;
    QList<int> sleeps;        // blocking waits asked for
    int runState = 1;
    bool settingsShown = false;
    bool exposurePanelShown = false; // the floating exposure block of the camera page
    int warningHidden = 0;

    std::vector<std::unique_ptr<CameraDriver>> drivers;

private:
    std::unique_ptr<WizardPara> para_;
    std::unique_ptr<WizardPara> bak_;
};
