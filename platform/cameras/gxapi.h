#pragma once
// The calls of the Daheng Galaxy SDK that the camera driver makes, declared by
// us from what the driver relies on: status 0 is success, results come back
// through the out-parameters. Frames are polled with a timeout into the
// caller's buffer. The library is opened with dlopen where it is installed;
// otherwise every call answers as if no camera were connected.
#include <cstdint>

namespace gx {

using GX_STATUS = int32_t;
using GX_DEV_HANDLE = void*;

constexpr GX_STATUS kSuccess = 0;
constexpr GX_STATUS kTimeout = -14;
constexpr GX_STATUS kNotFound = -2;
constexpr GX_STATUS kInvalidHandle = -8;

// Feature numbers the driver uses.
enum : int32_t {
    kOffsetX = 0x100003EC,
    kOffsetY = 0x100003ED,
    kWidth = 0x100003EE,
    kHeight = 0x100003EF,
    kBinningH = 0x100003F0,
    kBinningV = 0x100003F1,
    kDecimationH = 0x100003F2,
    kDecimationV = 0x100003F3,
    kFeature0BBB = 0x10000BBB,
    kFeature178A = 0x3000178A,
    kFeature1395 = 0x40001395,
    kAcquisitionMode = 0x30000BB8,
    kTriggerMode = 0x30000BBD,
    kAcquisitionStart = 0x70000BB9,
    kAcquisitionStop = 0x70000BBA,
    kExposureAuto = 0x30000BC2,
    kExposureTime = 0x20000BC1,
    kAutoShading = 0x300036B0,
    kGain = 0x20001393,
    kSharpness = 0x2000178B,
    kGamma = 0x20001397,
};

struct GxOpenParam {
    const char* content; // serial text for open mode 0
    int32_t openMode;    // 0 by serial number
    int32_t accessMode;  // 4 exclusive
};

// One frame: the caller points imageBuffer at its own buffer of bufferSize
// bytes; the SDK fills the rest.
struct GxFrameData {
    int32_t status; // 0 complete frame
    void* imageBuffer;
    int32_t bufferSize;
    int32_t width;
    int32_t height;
    int32_t pixelFormat;
    int32_t imageSize;
    uint64_t frameId;
};

struct GxFloatRange {
    double min;
    double max;
    double inc;
};

GX_STATUS GXInitLib();
GX_STATUS GXUpdateDeviceList(uint32_t* count, uint32_t timeoutMs);
GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* device); // index from 1
GX_STATUS GXOpenDevice(GxOpenParam* param, GX_DEV_HANDLE* device);
GX_STATUS GXCloseDevice(GX_DEV_HANDLE device);
GX_STATUS GXGetInt(GX_DEV_HANDLE device, int32_t feature, int64_t* value);
GX_STATUS GXSetInt(GX_DEV_HANDLE device, int32_t feature, int64_t value);
GX_STATUS GXSetEnum(GX_DEV_HANDLE device, int32_t feature, int64_t value);
GX_STATUS GXSetBool(GX_DEV_HANDLE device, int32_t feature, bool value);
GX_STATUS GXGetFloat(GX_DEV_HANDLE device, int32_t feature, double* value);
GX_STATUS GXSetFloat(GX_DEV_HANDLE device, int32_t feature, double value);
GX_STATUS GXGetFloatRange(GX_DEV_HANDLE device, int32_t feature, GxFloatRange* range);
GX_STATUS GXSendCommand(GX_DEV_HANDLE device, int32_t feature);
GX_STATUS GXGetImage(GX_DEV_HANDLE device, GxFrameData* frame, uint32_t timeoutMs);

// The SDK's contrast function on 8-bit pixels: factor -50..100, 0 leaves the
// pixels as they are.
int32_t DxContrast(const void* input, void* output, int32_t length, int32_t factor);

// Feature name used in the simulated camera's log ("0x20001393").
const char* featureKey(int32_t feature);

} // namespace gx
