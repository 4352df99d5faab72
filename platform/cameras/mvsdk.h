#pragma once
// The MindVision camera SDK (CameraApi.h, libMVSDK.so) as the driver calls
// it: the vendor's names, parameter types, constants and record layouts of
// x86_64 Linux, checked below at compile time. Frames are taken with
// CameraGetImageBuffer (library-owned, with a timeout), processed into the
// caller's buffer and handed back with CameraReleaseImageBuffer. The library
// is opened with dlopen where it is installed and used only when it exports
// every required call declared here (the calls only some versions have are
// resolved as optional, see Has); otherwise, and with the simulated bus
// active, the calls answer from the simulator or as if no camera were
// connected.
#include <cstddef>
#include <cstdint>

namespace mindvision {

typedef int CameraHandle; // valid when > 0
typedef int CameraSdkStatus;
typedef int INT;
typedef int BOOL;
typedef unsigned int UINT;
typedef uint8_t BYTE;

constexpr CameraSdkStatus CAMERA_STATUS_SUCCESS = 0;
constexpr CameraSdkStatus CAMERA_STATUS_FAILED = -1;
constexpr CameraSdkStatus CAMERA_STATUS_NOT_SUPPORTED = -4;
constexpr CameraSdkStatus CAMERA_STATUS_PARAMETER_INVALID = -6;
constexpr CameraSdkStatus CAMERA_STATUS_TIME_OUT = -12;
constexpr CameraSdkStatus CAMERA_STATUS_NO_DEVICE_FOUND = -16;
constexpr CameraSdkStatus CAMERA_STATUS_NO_LOGIC_DEVICE_FOUND = -17;
constexpr CameraSdkStatus CAMERA_STATUS_DEVICE_IS_OPENED = -18;
constexpr CameraSdkStatus CAMERA_STATUS_DEVICE_IS_CLOSED = -19;
constexpr CameraSdkStatus CAMERA_STATUS_DEVICE_VEDIO_CLOSED = -20;
constexpr CameraSdkStatus CAMERA_STATUS_NO_MEMORY = -21;
constexpr CameraSdkStatus CAMERA_STATUS_USB_BULK_ERROR = -34;
constexpr CameraSdkStatus CAMERA_STATUS_DEVICE_LOST = -38;
constexpr CameraSdkStatus CAMERA_STATUS_CAMERA_NEED_RESET = -46;

// Media types (frame heads and the image processor's output).
constexpr UINT CAMERA_MEDIA_TYPE_MONO8 = 0x01080001;
constexpr UINT CAMERA_MEDIA_TYPE_BAYGR8 = 0x01080008;
constexpr UINT CAMERA_MEDIA_TYPE_BAYRG8 = 0x01080009;
constexpr UINT CAMERA_MEDIA_TYPE_BAYGB8 = 0x0108000A;
constexpr UINT CAMERA_MEDIA_TYPE_BAYBG8 = 0x0108000B;
constexpr UINT CAMERA_MEDIA_TYPE_MONO16 = 0x01100007;
constexpr UINT CAMERA_MEDIA_TYPE_RGB8 = 0x02180014;
constexpr UINT CAMERA_MEDIA_TYPE_BGR8 = 0x02180015;
constexpr UINT CAMERA_MEDIA_TYPE_RGBA8 = 0x02200016;
constexpr UINT CAMERA_MEDIA_TYPE_BGRA8 = 0x02200017;

constexpr int TRIGGER_CONTINUATION = 0;
constexpr int TRIGGER_EXTERNAL = 2;
constexpr int kMaxDevices = 12; // the list capacity the probe passes

constexpr int MIRROR_DIRECTION_HORIZONTAL = 0;
constexpr int MIRROR_DIRECTION_VERTICAL = 1;
constexpr int PARAMETER_TEAM_DEFAULT = 0xFF; // load the camera's default parameters
constexpr int LUTMODE_PARAM_GEN = 0;         // the LUT made from contrast and gamma
constexpr int LUTMODE_PRESET = 1;
constexpr int LUTMODE_USER_DEF = 2;
constexpr int kCustomResolution = 0xFF;      // tSdkImageResolution.iIndex of a window of our own
// CameraSdkGetVersionString: "must be larger than 32 bytes".
constexpr int kVersionBufferBytes = 64;

// One entry of the device list.
struct tSdkCameraDevInfo {
    char acProductSeries[32];
    char acProductName[32];
    char acFriendlyName[32];
    char acLinkName[32];
    char acDriverVersion[32];
    char acSensorType[32];
    char acPortType[32];
    char acSn[32];
    UINT uInstance;
};

struct tSdkFrameHead {
    UINT uiMediaType;
    UINT uBytes;
    INT iWidth;
    INT iHeight;
    INT iWidthZoomSw;
    INT iHeightZoomSw;
    BOOL bIsTrigger;
    UINT uiTimeStamp; // 0.1 ms
    UINT uiExpTime;   // microseconds
    float fAnalogGain;
    INT iGamma;
    INT iContrast;
    INT iSaturation;
    float fRgain;
    float fGgain;
    float fBgain;
};

struct tSdkExpose {
    UINT uiTargetMin;
    UINT uiTargetMax;
    UINT uiAnalogGainMin;
    UINT uiAnalogGainMax;
    float fAnalogGainStep;
    UINT uiExposeTimeMin; // in sensor lines
    UINT uiExposeTimeMax;
};

struct tSdkResolutionRange {
    INT iHeightMax;
    INT iHeightMin;
    INT iWidthMax;
    INT iWidthMin;
    UINT uSkipModeMask;
    UINT uBinSumModeMask;
    UINT uBinAverageModeMask;
    UINT uResampleMask;
};

struct tRgbGainRange {
    INT iRGainMin;
    INT iRGainMax;
    INT iGGainMin;
    INT iGGainMax;
    INT iBGainMin;
    INT iBGainMax;
};

struct tRange {
    INT iMin;
    INT iMax;
};

struct tSdkIspCapacity {
    BOOL bMonoSensor;
    BOOL bWbOnce;
    BOOL bAutoWb;
    BOOL bAutoExposure;
    BOOL bManualExposure;
    BOOL bAntiFlick;
    BOOL bDeviceIsp;
    BOOL bForceUseDeviceIsp;
    BOOL bZoomHD;
};

// The capability record (the vendor's spelling). The descriptor arrays
// belong to the library.
struct tSdkCameraCapbility {
    void* pTriggerDesc;
    INT iTriggerDesc;
    void* pImageSizeDesc;
    INT iImageSizeDesc;
    void* pClrTempDesc;
    INT iClrTempDesc;
    void* pMediaTypeDesc;
    INT iMediaTypdeDesc;
    void* pFrameSpeedDesc;
    INT iFrameSpeedDesc;
    void* pPackLenDesc;
    INT iPackLenDesc;
    INT iOutputIoCounts;
    INT iInputIoCounts;
    void* pPresetLutDesc;
    INT iPresetLut;
    INT iUserDataMaxLen;
    BOOL bParamInDevice;
    void* pAeAlmSwDesc;
    INT iAeAlmSwDesc;
    void* pAeAlmHdDesc;
    INT iAeAlmHdDesc;
    void* pBayerDecAlmSwDesc;
    INT iBayerDecAlmSwDesc;
    void* pBayerDecAlmHdDesc;
    INT iBayerDecAlmHdDesc;
    tSdkExpose sExposeDesc;
    tSdkResolutionRange sResolutionRange;
    tRgbGainRange sRgbGainRange;
    tRange sSaturationRange;
    tRange sGammaRange;
    tRange sContrastRange;
    tRange sSharpnessRange;
    tSdkIspCapacity sIspCapacity;
};

// A resolution preset (the capability's list) or a window of our own.
struct tSdkImageResolution {
    INT iIndex; // preset number, or kCustomResolution
    char acDescription[32];
    UINT uModeMasks[4]; // binning, skipping and resampling modes (left 0)
    INT iHOffsetFOV;
    INT iVOffsetFOV;
    INT iWidthFOV;
    INT iHeightFOV;
    INT iWidth; // output size
    INT iHeight;
    INT iWidthZoomHd;
    INT iHeightZoomHd;
    INT iWidthZoomSw;
    INT iHeightZoomSw;
};

// One entry of the capability's media-type list; CameraSetMediaType takes
// the entry's number, not the format code.
struct tSdkMediaType {
    INT iIndex;
    char acDescription[32];
    UINT iMediaType;
};

static_assert(sizeof(tSdkImageResolution) == 92 && alignof(tSdkImageResolution) == 4, "tSdkImageResolution");
static_assert(offsetof(tSdkImageResolution, acDescription) == 4 && offsetof(tSdkImageResolution, iHOffsetFOV) == 52
                  && offsetof(tSdkImageResolution, iVOffsetFOV) == 56 && offsetof(tSdkImageResolution, iWidthFOV) == 60
                  && offsetof(tSdkImageResolution, iHeightFOV) == 64 && offsetof(tSdkImageResolution, iWidth) == 68
                  && offsetof(tSdkImageResolution, iHeight) == 72 && offsetof(tSdkImageResolution, iWidthZoomHd) == 76
                  && offsetof(tSdkImageResolution, iHeightZoomSw) == 88,
              "tSdkImageResolution fields");
static_assert(sizeof(tSdkMediaType) == 40 && offsetof(tSdkMediaType, iMediaType) == 36, "tSdkMediaType");

static_assert(sizeof(tSdkCameraDevInfo) == 260 && alignof(tSdkCameraDevInfo) == 4, "tSdkCameraDevInfo");
static_assert(offsetof(tSdkCameraDevInfo, acProductSeries) == 0 && offsetof(tSdkCameraDevInfo, acProductName) == 32
                  && offsetof(tSdkCameraDevInfo, acFriendlyName) == 64 && offsetof(tSdkCameraDevInfo, acLinkName) == 96
                  && offsetof(tSdkCameraDevInfo, acDriverVersion) == 128
                  && offsetof(tSdkCameraDevInfo, acSensorType) == 160 && offsetof(tSdkCameraDevInfo, acPortType) == 192
                  && offsetof(tSdkCameraDevInfo, acSn) == 224 && offsetof(tSdkCameraDevInfo, uInstance) == 256,
              "tSdkCameraDevInfo fields");
static_assert(sizeof(tSdkFrameHead) == 64 && alignof(tSdkFrameHead) == 4, "tSdkFrameHead");
static_assert(offsetof(tSdkFrameHead, uiMediaType) == 0 && offsetof(tSdkFrameHead, uBytes) == 4
                  && offsetof(tSdkFrameHead, iWidth) == 8 && offsetof(tSdkFrameHead, iHeight) == 12
                  && offsetof(tSdkFrameHead, uiTimeStamp) == 28 && offsetof(tSdkFrameHead, fBgain) == 60,
              "tSdkFrameHead fields");
static_assert(sizeof(tSdkCameraCapbility) == 344 && alignof(tSdkCameraCapbility) == 8, "tSdkCameraCapbility");
static_assert(offsetof(tSdkCameraCapbility, pImageSizeDesc) == 16 && offsetof(tSdkCameraCapbility, iImageSizeDesc) == 24
                  && offsetof(tSdkCameraCapbility, pMediaTypeDesc) == 48
                  && offsetof(tSdkCameraCapbility, iOutputIoCounts) == 92
                  && offsetof(tSdkCameraCapbility, iInputIoCounts) == 96
                  && offsetof(tSdkCameraCapbility, pPresetLutDesc) == 104
                  && offsetof(tSdkCameraCapbility, iUserDataMaxLen) == 116
                  && offsetof(tSdkCameraCapbility, bParamInDevice) == 120
                  && offsetof(tSdkCameraCapbility, pAeAlmSwDesc) == 128
                  && offsetof(tSdkCameraCapbility, pBayerDecAlmHdDesc) == 176
                  && offsetof(tSdkCameraCapbility, sExposeDesc) == 188,
              "tSdkCameraCapbility pointer and count fields");
static_assert(offsetof(tSdkCameraCapbility, sExposeDesc.uiAnalogGainMin) == 196
                  && offsetof(tSdkCameraCapbility, sExposeDesc.uiAnalogGainMax) == 200
                  && offsetof(tSdkCameraCapbility, sExposeDesc.fAnalogGainStep) == 204
                  && offsetof(tSdkCameraCapbility, sResolutionRange.iHeightMax) == 216
                  && offsetof(tSdkCameraCapbility, sResolutionRange.iWidthMax) == 224
                  && offsetof(tSdkCameraCapbility, sRgbGainRange) == 248
                  && offsetof(tSdkCameraCapbility, sSaturationRange) == 272
                  && offsetof(tSdkCameraCapbility, sGammaRange.iMin) == 280
                  && offsetof(tSdkCameraCapbility, sGammaRange.iMax) == 284
                  && offsetof(tSdkCameraCapbility, sContrastRange) == 288
                  && offsetof(tSdkCameraCapbility, sSharpnessRange.iMin) == 296
                  && offsetof(tSdkCameraCapbility, sSharpnessRange.iMax) == 300
                  && offsetof(tSdkCameraCapbility, sIspCapacity.bMonoSensor) == 304
                  && offsetof(tSdkCameraCapbility, sIspCapacity.bZoomHD) == 336,
              "tSdkCameraCapbility range fields");

CameraSdkStatus CameraSdkInit(int iLanguageSel);
// Only the newer Linux library has it (marked as not needed): called when present.
CameraSdkStatus CameraUSBDeviceInit();
CameraSdkStatus CameraEnumerateDevice(tSdkCameraDevInfo* pCameraList, INT* piNums); // *piNums: capacity in, found out
CameraSdkStatus CameraInit(tSdkCameraDevInfo* pCameraInfo, int emParamLoadMode, int emTeam, CameraHandle* pCameraHandle);
CameraSdkStatus CameraUnInit(CameraHandle hCamera);
CameraSdkStatus CameraGetCapability(CameraHandle hCamera, tSdkCameraCapbility* pCameraInfo);
CameraSdkStatus CameraSetIspOutFormat(CameraHandle hCamera, UINT uFormat);
CameraSdkStatus CameraGetIspOutFormat(CameraHandle hCamera, UINT* puFormat);
CameraSdkStatus CameraSetWbMode(CameraHandle hCamera, BOOL bAuto);
CameraSdkStatus CameraSetFrameSpeed(CameraHandle hCamera, int iFrameSpeed);
CameraSdkStatus CameraSetTriggerMode(CameraHandle hCamera, int iModeSel);
CameraSdkStatus CameraPlay(CameraHandle hCamera);
CameraSdkStatus CameraStop(CameraHandle hCamera);
CameraSdkStatus CameraGetImageBuffer(CameraHandle hCamera, tSdkFrameHead* pFrameInfo, BYTE** pbyBuffer, UINT wTimes);
CameraSdkStatus CameraImageProcess(CameraHandle hCamera, BYTE* pbyIn, BYTE* pbyOut, tSdkFrameHead* pFrInfo);
CameraSdkStatus CameraReleaseImageBuffer(CameraHandle hCamera, BYTE* pbyBuffer);
CameraSdkStatus CameraSetAeState(CameraHandle hCamera, BOOL bAeState);
// The one-shot automatic exposure of the camera page; the exposure range is
// optional (older libraries lack it).
CameraSdkStatus CameraSetAeTarget(CameraHandle hCamera, int iAeTarget);
CameraSdkStatus CameraSetAeExposureRange(CameraHandle hCamera, double fMinExposureTime, double fMaxExposureTime);
CameraSdkStatus CameraSetAntiFlick(CameraHandle hCamera, BOOL bEnable);
CameraSdkStatus CameraSetExposureTime(CameraHandle hCamera, double fExposureTime); // microseconds
CameraSdkStatus CameraGetExposureTime(CameraHandle hCamera, double* pfExposureTime);
// Only the newer library has it; without it the capability's analog gain range is used.
CameraSdkStatus CameraGetAeAnalogGainRange(CameraHandle hCamera, int* piMin, int* piMax);
CameraSdkStatus CameraSetAnalogGain(CameraHandle hCamera, INT iAnalogGain);
CameraSdkStatus CameraGetAnalogGain(CameraHandle hCamera, INT* piAnalogGain);
CameraSdkStatus CameraSetSharpness(CameraHandle hCamera, int iSharpness);
CameraSdkStatus CameraGetSharpness(CameraHandle hCamera, int* piSharpness);
CameraSdkStatus CameraSetGamma(CameraHandle hCamera, int iGamma);
CameraSdkStatus CameraGetGamma(CameraHandle hCamera, int* piGamma);
CameraSdkStatus CameraSetOnceWB(CameraHandle hCamera);
CameraSdkStatus CameraGetImageResolution(CameraHandle hCamera, tSdkImageResolution* psCurVideoSize);
CameraSdkStatus CameraSetImageResolution(CameraHandle hCamera, tSdkImageResolution* pImageResolution);
CameraSdkStatus CameraSetMirror(CameraHandle hCamera, int iDir, BOOL bEnable);
CameraSdkStatus CameraSetMonochrome(CameraHandle hCamera, BOOL bEnable);
CameraSdkStatus CameraSetMediaType(CameraHandle hCamera, INT iMediaType); // an index into pMediaTypeDesc
CameraSdkStatus CameraSetContrast(CameraHandle hCamera, int iContrast);
CameraSdkStatus CameraGetContrast(CameraHandle hCamera, int* piContrast);
// Contrast and gamma take effect only while the LUT is made from them.
CameraSdkStatus CameraSetLutMode(CameraHandle hCamera, int emLutMode);
CameraSdkStatus CameraLoadParameter(CameraHandle hCamera, int iTeam);
CameraSdkStatus CameraSdkGetVersionString(char* pVersionString); // no handle
// Optional (older libraries lack it).
CameraSdkStatus CameraCommonCall(CameraHandle hCamera, char const* pszCall, char* pszResult, UINT uResultBufSize);

// Whether the calls reach a camera bus (the simulator or a complete vendor
// library); otherwise why not.
bool Usable(const char** why = nullptr);
// Whether the library has this optional call (the simulator can be told to
// lack one). Calls the library lacks answer camsdk::kNotAvailable.
bool Has(const char* call);

} // namespace mindvision
