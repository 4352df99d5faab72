#include "cameradriver/cameraglobals.h"

int gCameraID = kCameraNone;
int gFindCamera = 0;
int gOW = 0;
int gOH = 0;
int gSensorColor = 0;
int gisCut = 1;
int numCamera = 0;
int gCameraSlot[kCameraSlots] = {0, 1, 2, 3, 4, 5, 6, 7};
int gisLost = 0;
int gLost = 0;
int gCamNO[kCameraSlots] = {0, 1, 2, 3, 4, 5, 6, 7};
int gContrast[kCameraSlots] = {};
bool cameraOpened[kCameraSlots] = {};

std::mutex pMutex[kCameraSlots];
bool isImageFill[kCameraSlots] = {};

mindvision::tSdkCameraDevInfo gCList[mindvision::kMaxDevices] = {};
int gCListCount = 0;
mvs::MV_CC_DEVICE_INFO_LIST gDevList = {};
mindvision::tSdkImageResolution gImageResolution = {};

QStringList gCameraInterfaces;

void addCameraInterfaces(const QStringList& names)
{
    for (const QString& n : names)
        if (!n.isEmpty() && !gCameraInterfaces.contains(n))
            gCameraInterfaces << n;
}

void countCamera(int slot)
{
    if (numCamera >= 0 && numCamera < kCameraSlots && slot >= 0 && slot < kCameraSlots)
        gCameraSlot[numCamera++] = slot;
}

void setCameraSlots(const QVector<int>& list)
{
    numCamera = 0;
    for (int slot : list)
        countCamera(slot);
}

int cameraSlot(int k)
{
    return k >= 0 && k < numCamera && k < kCameraSlots ? gCameraSlot[k] : -1;
}

int cameraOfSlot(int slot)
{
    for (int k = 0; k < numCamera && k < kCameraSlots; ++k)
        if (gCameraSlot[k] == slot)
            return k;
    return -1;
}

SlotRange usedSlots()
{
    const int n = numCamera < 0 ? 0 : (numCamera > kCameraSlots ? kCameraSlots : numCamera);
    return {gCameraSlot, gCameraSlot + n};
}
