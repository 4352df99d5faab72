#include "camera/cameraglobals.h"

int gCameraID = kCameraNone;
int gFindCamera = 0;
int gOW = 0;
int gOH = 0;
int gSensorColor = 0;
int gisCut = 1;
int numCamera = 0;
int gisLost = 0;
int gLost = 0;
int gCamNO[kCameraSlots] = {0, 1, 2, 3, 4, 5, 6, 7};
int gContrast[kCameraSlots] = {};
bool cameraOpened[kCameraSlots] = {};

std::mutex pMutex[kCameraSlots];
bool isImageFill[kCameraSlots] = {};

mindvision::ImageResolution gImageResolution = {};
mindvision::DeviceInfo gCList[mindvision::kMaxDevices] = {};
int gCListCount = 0;
mvs::DeviceList gDevList = {};

QStringList gCameraInterfaces;
