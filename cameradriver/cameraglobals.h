#pragma once
// State of the camera side shared by the probe, the drivers, the grab
// threads, the loss check and the main window. Image geometry (gImageW,
// gImageH, gImageLen, gColorLen, gisColor) lives in params/geometry.h.
#include "platform/cameras/mvsapi.h"
#include "platform/cameras/mvsdk.h"

#include <QStringList>
#include <QVector>
#include <mutex>

// Back-ends, the values of gCameraID.
enum CameraBackend {
    kCameraNone = 0,
    kCameraDaheng = 4,
    kCameraIds = 5,
    kCameraMind = 6,
    kCameraHik = 7,
    kCameraV4l2 = 9,
};

constexpr int kCameraSlots = 8;

extern int gCameraID;     // back-end of the run
extern int gFindCamera;   // cameras the back-end enumerated (4 with none)
extern int gOW;           // first sensor width
extern int gOH;           // first sensor height
extern int gSensorColor;  // first sensor delivers colour
extern int gisCut;        // lens optimisation: 1 - prohibit_optimize, set before the probe
extern int numCamera;     // cameras in use: opened by the views (or the demonstration pair)
extern int gisLost;       // a camera loss is being handled
extern int gLost;         // losses since start
// Per slot in use: the slot its camera is to be bound to at the next start
// (the renumbering dialog sets it; otherwise the slot itself).
extern int gCamNO[kCameraSlots];
extern int gContrast[kCameraSlots];     // Daheng contrast, under pMutex[c]
extern bool cameraOpened[kCameraSlots]; // the slot's camera device is open

// Slots of the cameras in use, in slot order: camera k (k < numCamera) is
// the camera of slot gCameraSlot[k]. A slot whose camera did not open is
// skipped, so after a failed slot camera k and slot k differ; whatever
// belongs to a camera (lock, buffers, counters, folders, view) is kept by
// its slot.
extern int gCameraSlot[kCameraSlots];

// A view's camera opened: its slot joins the cameras in use.
void countCamera(int slot);
// The cameras in use are exactly these slots, in this order (numCamera
// follows); slots outside 0..7 are left out.
void setCameraSlots(const QVector<int>& list);
// The slot of camera k; -1 past the cameras in use.
int cameraSlot(int k);
// Which camera in use the slot's camera is; -1 for a slot not in use.
int cameraOfSlot(int slot);
inline bool slotInUse(int slot) { return cameraOfSlot(slot) >= 0; }

// The slots in use, for range loops: for (int slot : usedSlots()).
struct SlotRange {
    const int* first;
    const int* last;
    const int* begin() const { return first; }
    const int* end() const { return last; }
};
SlotRange usedSlots();

// Per slot: the lock and the new-frame flag of the receive buffer. Plain
// std::mutex so that the thread sanitizer sees the hand-off.
extern std::mutex pMutex[kCameraSlots];
extern bool isImageFill[kCameraSlots];

extern mindvision::tSdkCameraDevInfo gCList[mindvision::kMaxDevices];
extern int gCListCount;   // entries of gCList filled by the last enumeration
// The MindVision preset a 2592 sensor works at with the cut on (index and
// output size 0 when no preset is used).
extern mindvision::tSdkImageResolution gImageResolution;
extern mvs::MV_CC_DEVICE_INFO_LIST gDevList;

// Host interfaces on which cameras answered (any maker, any address), at
// start-up and at every recovery attempt; the recovery cycles only these.
extern QStringList gCameraInterfaces;
// Adds interfaces to gCameraInterfaces (never removes one).
void addCameraInterfaces(const QStringList& names);
