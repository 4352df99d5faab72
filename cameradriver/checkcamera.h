#pragma once
// Choosing the camera back-end of the run: once at start-up, before any
// camera view exists. Sets gCameraID, gFindCamera, gOW, gOH, gSensorColor and
// the working image size (then the derived geometry of params/geometry.h).
#include "platform/cameras/mvsdk.h"

#include <QStringList>

struct WorkingSize {
    int width;
    int height;
};

// Working size of a Daheng sensor ow x oh with the cut on or off.
WorkingSize DahengWorkingSize(int ow, int oh, bool cut);
// Working size of a MindVision sensor ow x oh with the cut on or off. A 2592
// sensor with the cut on works at entry 10 of the capability's preset list,
// copied into *preset; a list without that entry (or an entry without an
// output size) is a fault, said in *fault, and the sensor size is used.
// *preset is left zeroed whenever no preset is used.
WorkingSize MindWorkingSize(int ow, int oh, bool cut, const mindvision::tSdkCameraCapbility& capability,
                            mindvision::tSdkImageResolution* preset, QString* fault);

// The start-up's record of the camera library version (MindVision only; ""
// for the other back-ends): the library's own version text, or, when the
// library gives none, a record saying so rather than a guess.
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
