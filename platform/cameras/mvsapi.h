#pragma once
// The calls of the Hikvision MVS SDK that the camera driver and the GigE
// reachability pass make, declared by us from what they rely on: status 0 is
// success. Frames arrive on the SDK's own thread through a registered
// callback between start- and stop-grabbing. The library is opened with
// dlopen where it is installed; otherwise every call answers as if no camera
// were connected.
#include <cstdint>

namespace mvs {

constexpr int MV_OK = 0;
constexpr int kError = -2147483647 - 1;
constexpr int kNoData = -2147483641;
constexpr int kNotFound = -2147483640;

constexpr unsigned kGigEDevice = 1;
constexpr unsigned kUsbDevice = 4;
constexpr unsigned kAccessExclusive = 1;

constexpr int64_t kPixelMono8 = 0x01080001;
constexpr int64_t kPixelBayerRG8 = 0x01080009;
constexpr int64_t kPixelRgb8 = 0x02180014;

constexpr int kMaxDevices = 256;

struct GigEInfo {
    uint32_t currentIp;    // host order
    uint32_t currentMask;  // host order
    uint32_t gateway;      // host order
    uint32_t hostIp;       // address of the host interface the camera was found on
    char serialNumber[32];
    char modelName[32];
};

struct UsbInfo {
    char serialNumber[64];
    char modelName[64];
};

struct DeviceInfo {
    uint32_t macHigh;
    uint32_t macLow;
    unsigned transportLayer; // kGigEDevice or kUsbDevice
    GigEInfo gige;
    UsbInfo usb;
};

struct DeviceList {
    unsigned count;
    DeviceInfo* devices[kMaxDevices];
};

struct IntValue {
    int64_t current;
    int64_t max;
    int64_t min;
    int64_t inc;
};

struct FloatValue {
    float current;
    float max;
    float min;
};

struct StringValue {
    char value[256];
};

struct FrameInfo {
    uint16_t width;
    uint16_t height;
    int64_t pixelType;
    unsigned frameNumber;
    unsigned frameLength;
};

struct ConvertParam {
    uint16_t width;
    uint16_t height;
    int64_t srcPixelType;
    const unsigned char* srcData;
    unsigned srcDataLength;
    int64_t dstPixelType;
    unsigned char* dstBuffer;
    unsigned dstLength;     // written
    unsigned dstBufferSize;
};

using ImageCallback = void (*)(unsigned char* data, FrameInfo* info, void* user);

int MV_CC_EnumDevices(unsigned layers, DeviceList* list);
bool MV_CC_IsDeviceAccessible(DeviceInfo* device, unsigned access);
int MV_CC_CreateHandle(void** handle, const DeviceInfo* device);
int MV_CC_DestroyHandle(void* handle);
int MV_CC_OpenDevice(void* handle, unsigned access, uint16_t switchoverKey);
int MV_CC_CloseDevice(void* handle);
int MV_CC_GetStringValue(void* handle, const char* key, StringValue* value);
int MV_CC_GetIntValue(void* handle, const char* key, IntValue* value);
int MV_CC_SetIntValue(void* handle, const char* key, int64_t value);
int MV_CC_GetFloatValue(void* handle, const char* key, FloatValue* value);
int MV_CC_SetFloatValue(void* handle, const char* key, float value);
int MV_CC_SetEnumValue(void* handle, const char* key, unsigned value);
int MV_CC_SetBoolValue(void* handle, const char* key, bool value);
int MV_CC_SetCommandValue(void* handle, const char* key);
int MV_CC_GetGain(void* handle, FloatValue* value);
int MV_CC_GetSharpness(void* handle, IntValue* value);
int MV_CC_GetGamma(void* handle, FloatValue* value);
int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned mode);
int MV_CC_RegisterImageCallBack(void* handle, ImageCallback callback, void* user);
int MV_CC_StartGrabbing(void* handle);
int MV_CC_StopGrabbing(void* handle);
int MV_CC_ConvertPixelType(void* handle, ConvertParam* param);
int MV_GIGE_ForceIpEx(void* handle, uint32_t ip, uint32_t mask, uint32_t gateway);

} // namespace mvs
