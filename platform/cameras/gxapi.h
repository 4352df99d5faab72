#pragma once
// The Daheng Galaxy SDK (GxIAPI, libgxiapi.so) as the driver calls it: the
// vendor's names, parameter types, constants and record layouts of x86_64
// Linux, checked below at compile time. Frames are polled with GXGetImage
// into a buffer the caller supplies. The library is opened with dlopen where
// it is installed and used only when it exports every call declared here;
// otherwise, and with the simulated bus active, the calls answer from the
// simulator or as if no camera were connected.
#include <cstddef>
#include <cstdint>

namespace gx {

typedef int32_t GX_STATUS;
typedef int32_t GX_FEATURE_ID;
typedef int32_t GX_OPEN_MODE_CMD;
typedef int32_t GX_ACCESS_MODE_CMD;
typedef int32_t GX_FRAME_STATUS;
typedef void* GX_DEV_HANDLE;

// Status codes (0 is success).
constexpr GX_STATUS GX_STATUS_SUCCESS = 0;
constexpr GX_STATUS GX_STATUS_ERROR = -1;
constexpr GX_STATUS GX_STATUS_NOT_FOUND_TL = -2;
constexpr GX_STATUS GX_STATUS_NOT_FOUND_DEVICE = -3;
constexpr GX_STATUS GX_STATUS_OFFLINE = -4;
constexpr GX_STATUS GX_STATUS_INVALID_PARAMETER = -5;
constexpr GX_STATUS GX_STATUS_INVALID_HANDLE = -6;
constexpr GX_STATUS GX_STATUS_INVALID_CALL = -7;
constexpr GX_STATUS GX_STATUS_INVALID_ACCESS = -8;
constexpr GX_STATUS GX_STATUS_NEED_MORE_BUFFER = -9;
constexpr GX_STATUS GX_STATUS_OUT_OF_RANGE = -11;
constexpr GX_STATUS GX_STATUS_NOT_IMPLEMENTED = -12;
constexpr GX_STATUS GX_STATUS_TIMEOUT = -14;

// Feature ids: number | type | level.
constexpr GX_FEATURE_ID GX_INT_WIDTH_MAX = 0x100003EA;  // the sensor's whole width
constexpr GX_FEATURE_ID GX_INT_HEIGHT_MAX = 0x100003EB;
constexpr GX_FEATURE_ID GX_INT_OFFSET_X = 0x100003EC;
constexpr GX_FEATURE_ID GX_INT_OFFSET_Y = 0x100003ED;
constexpr GX_FEATURE_ID GX_INT_WIDTH = 0x100003EE;
constexpr GX_FEATURE_ID GX_INT_HEIGHT = 0x100003EF;
constexpr GX_FEATURE_ID GX_INT_PAYLOAD_SIZE = 0x100007D0;
constexpr GX_FEATURE_ID GX_ENUM_ACQUISITION_MODE = 0x30000BB8;
constexpr GX_FEATURE_ID GX_COMMAND_ACQUISITION_START = 0x70000BB9;
constexpr GX_FEATURE_ID GX_COMMAND_ACQUISITION_STOP = 0x70000BBA;
constexpr GX_FEATURE_ID GX_ENUM_TRIGGER_MODE = 0x30000BBD;
constexpr GX_FEATURE_ID GX_FLOAT_EXPOSURE_TIME = 0x20000BC1; // microseconds
constexpr GX_FEATURE_ID GX_ENUM_EXPOSURE_AUTO = 0x30000BC2;
constexpr GX_FEATURE_ID GX_FLOAT_GAIN = 0x20001393;
constexpr GX_FEATURE_ID GX_BOOL_GAMMA_ENABLE = 0x40001395;
constexpr GX_FEATURE_ID GX_FLOAT_GAMMA = 0x20001397;
constexpr GX_FEATURE_ID GX_ENUM_SHARPNESS_MODE = 0x3000178A;
constexpr GX_FEATURE_ID GX_FLOAT_SHARPNESS = 0x2000178B;

// Further numbers the camera set-up writes, by the SDK's numbering scheme
// (their type bits match the calls that write them): binning and decimation,
// horizontal and vertical; a value set to 0 before the size; the automatic
// shading switch.
constexpr GX_FEATURE_ID kBinningHorizontal = 0x100003F0;
constexpr GX_FEATURE_ID kBinningVertical = 0x100003F1;
constexpr GX_FEATURE_ID kDecimationHorizontal = 0x100003F2;
constexpr GX_FEATURE_ID kDecimationVertical = 0x100003F3;
constexpr GX_FEATURE_ID kFeature0BBB = 0x10000BBB;
constexpr GX_FEATURE_ID kAutoShading = 0x300036B0;

// Enumeration values.
constexpr int64_t GX_ACQ_MODE_CONTINUOUS = 2;
constexpr int64_t GX_TRIGGER_MODE_OFF = 0;
constexpr int64_t GX_EXPOSURE_AUTO_OFF = 0;
constexpr int64_t GX_EXPOSURE_AUTO_CONTINUOUS = 1;
constexpr int64_t GX_SHARPNESS_MODE_ON = 1;
constexpr GX_OPEN_MODE_CMD GX_OPEN_SN = 0;
constexpr GX_ACCESS_MODE_CMD GX_ACCESS_EXCLUSIVE = 4;
constexpr GX_FRAME_STATUS GX_FRAME_STATUS_SUCCESS = 0;
constexpr GX_FRAME_STATUS GX_FRAME_STATUS_INCOMPLETE = -1;

// Pixel formats of a frame (nPixelFormat).
constexpr int32_t GX_PIXEL_FORMAT_MONO8 = 0x01080001;
constexpr int32_t GX_PIXEL_FORMAT_BAYER_GR8 = 0x01080008;
constexpr int32_t GX_PIXEL_FORMAT_BAYER_RG8 = 0x01080009;
constexpr int32_t GX_PIXEL_FORMAT_BAYER_GB8 = 0x0108000A;
constexpr int32_t GX_PIXEL_FORMAT_BAYER_BG8 = 0x0108000B;
constexpr int32_t GX_PIXEL_FORMAT_MONO10 = 0x01100003;
constexpr int32_t GX_PIXEL_FORMAT_RGB8 = 0x02180014;

// One entry of the device list (GXGetAllDeviceBaseInfo), in the order of
// GXOpenDeviceByIndex.
struct GX_DEVICE_BASE_INFO {
    char szVendorName[32];
    char szModelName[32];
    char szSN[32];
    char szDisplayName[132];
    char szDeviceID[68];
    char szUserID[68];
    int32_t accessStatus;
    int32_t deviceClass;
    char reserved[300];
};

struct GX_OPEN_PARAM {
    char* pszContent; // the serial text for GX_OPEN_SN
    GX_OPEN_MODE_CMD openMode;
    GX_ACCESS_MODE_CMD accessMode;
};

// The Linux layout: offsets X and Y where Windows builds keep reserved words.
struct GX_FRAME_DATA {
    GX_FRAME_STATUS nStatus;
    void* pImgBuf; // the caller's buffer, at least the payload size
    int32_t nWidth;
    int32_t nHeight;
    int32_t nPixelFormat;
    int32_t nImgSize;
    uint64_t nFrameID;
    uint64_t nTimestamp;
    int32_t nOffsetX;
    int32_t nOffsetY;
    int32_t reserved[1];
};

struct GX_FLOAT_RANGE {
    double dMin;
    double dMax;
    double dInc;
    char szUnit[8];
    bool bIncIsValid;
    int8_t reserved[31];
};

static_assert(sizeof(GX_DEVICE_BASE_INFO) == 672 && alignof(GX_DEVICE_BASE_INFO) == 4, "GX_DEVICE_BASE_INFO");
static_assert(offsetof(GX_DEVICE_BASE_INFO, szSN) == 64 && offsetof(GX_DEVICE_BASE_INFO, szDisplayName) == 96
                  && offsetof(GX_DEVICE_BASE_INFO, szDeviceID) == 228 && offsetof(GX_DEVICE_BASE_INFO, accessStatus) == 364
                  && offsetof(GX_DEVICE_BASE_INFO, deviceClass) == 368,
              "GX_DEVICE_BASE_INFO fields");
static_assert(sizeof(GX_OPEN_PARAM) == 16 && alignof(GX_OPEN_PARAM) == 8, "GX_OPEN_PARAM");
static_assert(offsetof(GX_OPEN_PARAM, pszContent) == 0 && offsetof(GX_OPEN_PARAM, openMode) == 8
                  && offsetof(GX_OPEN_PARAM, accessMode) == 12,
              "GX_OPEN_PARAM fields");
static_assert(sizeof(GX_FRAME_DATA) == 64 && alignof(GX_FRAME_DATA) == 8, "GX_FRAME_DATA");
static_assert(offsetof(GX_FRAME_DATA, nStatus) == 0 && offsetof(GX_FRAME_DATA, pImgBuf) == 8
                  && offsetof(GX_FRAME_DATA, nWidth) == 16 && offsetof(GX_FRAME_DATA, nHeight) == 20
                  && offsetof(GX_FRAME_DATA, nPixelFormat) == 24 && offsetof(GX_FRAME_DATA, nImgSize) == 28
                  && offsetof(GX_FRAME_DATA, nFrameID) == 32 && offsetof(GX_FRAME_DATA, nTimestamp) == 40
                  && offsetof(GX_FRAME_DATA, nOffsetX) == 48 && offsetof(GX_FRAME_DATA, nOffsetY) == 52,
              "GX_FRAME_DATA fields");
static_assert(sizeof(GX_FLOAT_RANGE) == 64 && alignof(GX_FLOAT_RANGE) == 8, "GX_FLOAT_RANGE");
static_assert(offsetof(GX_FLOAT_RANGE, dMin) == 0 && offsetof(GX_FLOAT_RANGE, dMax) == 8
                  && offsetof(GX_FLOAT_RANGE, dInc) == 16 && offsetof(GX_FLOAT_RANGE, szUnit) == 24
                  && offsetof(GX_FLOAT_RANGE, bIncIsValid) == 32,
              "GX_FLOAT_RANGE fields");

GX_STATUS GXInitLib();
GX_STATUS GXUpdateDeviceList(uint32_t* punNumDevices, uint32_t nTimeOut);
// bufferBytes: in, the bytes of the array (entries x 672); out, the bytes filled.
GX_STATUS GXGetAllDeviceBaseInfo(GX_DEVICE_BASE_INFO* pDeviceInfo, size_t* pBufferSize);
GX_STATUS GXOpenDeviceByIndex(uint32_t nDeviceIndex, GX_DEV_HANDLE* phDevice); // index from 1
GX_STATUS GXOpenDevice(GX_OPEN_PARAM* pOpenParam, GX_DEV_HANDLE* phDevice);
GX_STATUS GXCloseDevice(GX_DEV_HANDLE hDevice);
GX_STATUS GXGetInt(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, int64_t* pnValue);
GX_STATUS GXSetInt(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, int64_t nValue);
GX_STATUS GXSetEnum(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, int64_t nValue);
GX_STATUS GXSetBool(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, bool bValue);
GX_STATUS GXGetFloat(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, double* pdValue);
GX_STATUS GXSetFloat(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, double dValue);
GX_STATUS GXGetFloatRange(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID, GX_FLOAT_RANGE* pFloatRange);
GX_STATUS GXSendCommand(GX_DEV_HANDLE hDevice, GX_FEATURE_ID featureID);
GX_STATUS GXGetImage(GX_DEV_HANDLE hDevice, GX_FRAME_DATA* pFrameData, uint32_t nTimeout);

// Whether the calls reach a camera bus (the simulator or a complete vendor
// library); otherwise why not.
bool Usable(const char** why = nullptr);

// Our own contrast stretch of 8-bit pixels around 128 (factor -50..100, 0
// leaves them), in place of the maker's separate image-processing library.
int32_t DxContrast(const void* input, void* output, int32_t length, int32_t factor);

// Feature name used in the simulated camera's log ("0x20001393").
const char* featureKey(GX_FEATURE_ID feature);

} // namespace gx
