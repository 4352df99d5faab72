// Links the camera driver on its own, without QtWidgets: every entry point
// of the driver is referenced, so a widget dependency would fail the link.
#include "cameradriver/EnsureDeviceReach.h"
#include "cameradriver/cameradriver.h"
#include "cameradriver/cameraloss.h"
#include "cameradriver/checkcamera.h"
#include "cameradriver/ipconfig.h"

int main(int argc, char**)
{
    if (argc > 1000) { // never true: only the references count
        CheckCameraID();
        CameraDriver d(0);
        d.CameraOpen();
        d.CameraStart();
        CameraWatch::instance().SlotFPS();
        CameraWatch::instance().runStep();
        CameraRestart();
        SaveSN(0);
        CameraSetSpeed();
        RepairAllCameraIP();
        EnsureDeviceReach();
    }
    return 0;
}
