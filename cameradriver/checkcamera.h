#pragma once
// Choosing the camera back-end of the run: once at start-up, before any
// camera view exists. Sets gCameraID, gFindCamera, gOW, gOH, gSensorColor and
// the working image size (then the derived geometry of params/geometry.h).
#include "platform/cameras/mvsdk.h"

struct WorkingSize {
    int width;
    int height;
};

// Working size of a Daheng sensor ow x oh with the cut on or off.
WorkingSize DahengWorkingSize(int ow, int oh, bool cut);
// Working size of a MindVision sensor; for a 2592-wide sensor with the cut
// the capability's preset 10 is copied into *preset and gives the size.
WorkingSize MindWorkingSize(int ow, int oh, bool cut, const mindvision::Capability& capability,
                            mindvision::ImageResolution* preset);

// The number of USB cameras the kernel lists in its input devices.
int CheckUSBCameraNum();
// The probe: address repair, then Daheng, IDS, MindVision, Hikvision, V4L2,
// the first that finds a camera ending it; none leaves back-end 0.
void CheckCameraID();

// The address repair the probe runs first (RepairAllCameraIP); replaceable so
// that tests never reach the machine's own interfaces.
extern int (*gRepairCameraAddresses)();
