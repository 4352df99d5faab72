#pragma once
// Choosing the camera back-end of the run: once at start-up, before any
// camera view exists. Sets gCameraID, gFindCamera, gOW, gOH, gSensorColor and
// the working image size (then the derived geometry of params/geometry.h).
#include <QStringList>

struct WorkingSize {
    int width;
    int height;
};

// Working size of a Daheng sensor ow x oh with the cut on or off.
WorkingSize DahengWorkingSize(int ow, int oh, bool cut);
// A MindVision camera works at its sensor size: the library interface has
// no call that sets another resolution, so the cut cannot be applied.

// The start-up's record of the camera library version (MindVision only; ""
// for the other back-ends). The library interface has no version call: the
// driver version that the device list reports for the first camera is used,
// and its absence is recorded and logged rather than guessed.
QString SdkVersionRecord();

// The number of USB cameras the kernel lists in its input devices.
int CheckUSBCameraNum();
// The probe: address repair, then Daheng, IDS, MindVision, Hikvision, V4L2,
// the first that finds a camera ending it; none leaves back-end 0.
void CheckCameraID();

// The address repair the probe runs first (RepairAllCameraIP); replaceable so
// that tests never reach the machine's own interfaces.
extern int (*gRepairCameraAddresses)();
// One discovery round on every interface (DiscoverCameraInterfaces): the
// interfaces on which any camera answered. The recovery runs it; replaceable
// for the same reason.
extern QStringList (*gDiscoverCameraInterfaces)();
// Whether a replaceable network step may run: the real ones are refused
// under test (they would broadcast on the machine's own interfaces).
bool networkStepAllowed(const void* step, const void* real);
