#pragma once
// The calls of the IDS uEye SDK that the camera driver makes, declared by us
// from what the driver relies on: status 0 is success. The camera writes its
// frames continuously into image memory that the caller allocated through the
// SDK (live capture). The library is opened with dlopen where it is
// installed; otherwise every call answers as if no camera were connected.
#include <cstdint>

namespace ueye {

using HIDS = uint32_t;
using INT = int32_t;

constexpr INT kSuccess = 0;
constexpr INT kNoSuccess = -1;
constexpr INT kInvalidHandle = 1;
constexpr HIDS kUseDeviceId = 0x8000;

constexpr INT kColorModeMono8 = 6;
constexpr INT kForceVideoStop = 0x4000;
constexpr INT kSetAutoGain = 0x8800;
constexpr INT kSetAutoShutter = 0x8802;
constexpr uint32_t kImageSizeSet = 5;  // is_ZUV: set image size (Size2D)
constexpr uint32_t kImageSizeGet = 6;  // is_ZUV: current image size (Size2D)
constexpr uint32_t kPixelClockSet = 6; // is_PixelClock
constexpr uint32_t kExposureSet = 12;  // is_Exposure, double ms
constexpr uint32_t kGammaSet = 1;      // is_Gamma, INT

struct Size2D {
    INT width;
    INT height;
};

struct SensorInfo {
    uint16_t sensorId;
    char sensorName[32];
    char colorMode;
    uint32_t maxWidth;
    uint32_t maxHeight;
};

struct CameraInfo {
    char serialNumber[32];
    char id[20];
    char version[10];
    char date[12];
    uint8_t select;
    uint8_t type;
};

INT is_GetNumberOfCameras(INT* count);
INT is_InitCamera(HIDS* camera, void* window);
INT is_ExitCamera(HIDS camera);
INT is_GetSensorInfo(HIDS camera, SensorInfo* info);
INT is_GetCameraInfo(HIDS camera, CameraInfo* info);
INT is_GetColorDepth(HIDS camera, INT* bitsPerPixel, INT* colorMode);
INT is_SetColorMode(HIDS camera, INT mode);
INT is_AllocImageMem(HIDS camera, INT width, INT height, INT bitsPerPixel, char** memory, INT* memoryId);
INT is_SetImageMem(HIDS camera, char* memory, INT memoryId);
INT is_FreeImageMem(HIDS camera, char* memory, INT memoryId);
INT is_ZUV(HIDS camera, uint32_t command, void* param, uint32_t size);
INT is_SetAutoParameter(HIDS camera, INT param, double* value1, double* value2);
INT is_SetHardwareGamma(HIDS camera, INT mode);
INT is_PixelClock(HIDS camera, uint32_t command, void* param, uint32_t size);
INT is_CaptureVideo(HIDS camera, INT wait);
INT is_StopLiveVideo(HIDS camera, INT wait);
INT is_Exposure(HIDS camera, uint32_t command, void* param, uint32_t size);
INT is_SetHardwareGain(HIDS camera, INT master, INT red, INT green, INT blue);
INT is_Gamma(HIDS camera, uint32_t command, void* param, uint32_t size);

} // namespace ueye
