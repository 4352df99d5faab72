#pragma once
// The calls of the MindVision camera SDK that the camera driver makes,
// declared by us from what the driver relies on: status 0 is success. Frames
// are taken with get-buffer (timeout), processed into the caller's buffer and
// handed back with release-buffer. The library is opened with dlopen where it
// is installed; otherwise every call answers as if no camera were connected.
#include <cstddef>
#include <cstdint>

namespace mindvision {

using CameraHandle = int; // valid when > 0
constexpr int kSuccess = 0;
constexpr int kFailed = -1;
constexpr int kTimeout = -12;
constexpr int kNoDevice = -13;
constexpr int kBusy = -18;

constexpr unsigned kIspMono8 = 0x01080001;
constexpr unsigned kIspRgb8 = 0x02180014;
constexpr int kMaxDevices = 12;

// One entry of the device list; the serial text starts at byte 224.
struct DeviceInfo {
    char productSeries[32];
    char productName[32];
    char friendlyName[32];
    char linkName[32];
    char driverVersion[32];
    char sensorType[32];
    char portType[32];
    char serial[32];
    uint32_t instance;
};
static_assert(sizeof(DeviceInfo) == 260, "device list entry");
static_assert(offsetof(DeviceInfo, serial) == 224, "serial position");

struct ImageResolution {
    int index; // 255 = custom
    char description[32];
    int binSumMode;
    int binAverageMode;
    int skipMode;
    int resampleMask;
    int hOffsetFov;
    int vOffsetFov;
    int widthFov;
    int heightFov;
    int width;
    int height;
    int widthZoomHd;
    int heightZoomHd;
    int widthZoomSw;
    int heightZoomSw;
};

struct IntRange {
    int min;
    int max;
};

struct Capability {
    int isMonoSensor;
    int maxWidth;
    int maxHeight;
    IntRange sharpness;
    IntRange contrast;
    IntRange gamma;
    const ImageResolution* presets;
    int presetCount;
};

struct FrameHead {
    int width;
    int height;
    unsigned bytes;
    unsigned mediaType;
    unsigned frameId;
};

int CameraSdkInit(int language);
int CameraUSBDeviceInit();
int CameraEnumerateDevice(DeviceInfo* list, int* count); // count: capacity in, found out
int CameraInit(const DeviceInfo* info, int paramLoadMode, int team, CameraHandle* handle);
int CameraUnInit(CameraHandle handle);
int CameraGetCapability(CameraHandle handle, Capability* capability);
int CameraSetImageResolution(CameraHandle handle, const ImageResolution* resolution);
int CameraSetWbMode(CameraHandle handle, int automatic);
int CameraSetIspOutFormat(CameraHandle handle, unsigned format);
int CameraSetMonochrome(CameraHandle handle, int enable);
int CameraSetMediaType(CameraHandle handle, int index);
int CameraSetMirror(CameraHandle handle, int direction, int enable);
int CameraSetFrameSpeed(CameraHandle handle, int speed);
int CameraSetTriggerMode(CameraHandle handle, int mode);
int CameraPlay(CameraHandle handle);
int CameraStop(CameraHandle handle);
int CameraGetImageBuffer(CameraHandle handle, FrameHead* head, unsigned char** raw, unsigned timeoutMs);
int CameraImageProcess(CameraHandle handle, unsigned char* raw, unsigned char* out, FrameHead* head);
int CameraReleaseImageBuffer(CameraHandle handle, unsigned char* raw);
int CameraSetAeState(CameraHandle handle, int automatic);
int CameraSetAeTarget(CameraHandle handle, int target);
int CameraSetAeExposureRange(CameraHandle handle, double minimumUs, double maximumUs);
int CameraSetAntiFlick(CameraHandle handle, int enable);
int CameraSetExposureTime(CameraHandle handle, double microseconds);
int CameraGetExposureTime(CameraHandle handle, double* microseconds);
int CameraCommonCall(CameraHandle handle, const char* command, char* result, unsigned resultSize);
int CameraGetAeAnalogGainRange(CameraHandle handle, int* min, int* max);
int CameraSetAnalogGain(CameraHandle handle, int gain);
int CameraGetAnalogGain(CameraHandle handle, int* gain);
int CameraSetSharpness(CameraHandle handle, int value);
int CameraGetSharpness(CameraHandle handle, int* value);
int CameraSetContrast(CameraHandle handle, int value);
int CameraGetContrast(CameraHandle handle, int* value);
int CameraSetGamma(CameraHandle handle, int value);
int CameraGetGamma(CameraHandle handle, int* value);
int CameraSetOnceWB(CameraHandle handle);
int CameraLoadParameter(CameraHandle handle, int team);
int CameraReadSN(CameraHandle handle, unsigned char* buffer, int level);

} // namespace mindvision
