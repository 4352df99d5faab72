#pragma once
// The Hikvision MVS SDK (MvCameraControl.h, CameraParams.h,
// libMvCameraControl.so) as the driver and the GigE reachability pass call
// it: the vendor's names, parameter types, constants and record layouts of
// x86_64 Linux, checked below at compile time. Frames arrive on the SDK's own
// thread through a registered callback between start- and stop-grabbing. The
// library is opened with dlopen where it is installed and used only when it
// exports every call declared here; otherwise, and with the simulated bus
// active, the calls answer from the simulator or as if no camera were
// connected.
#include <cstddef>
#include <cstdint>

namespace mvs {

// Status codes: 0x800000xx, negative as an int.
constexpr int MV_OK = 0;
constexpr int MV_E_HANDLE = int(0x80000000u);
constexpr int MV_E_SUPPORT = int(0x80000001u);
constexpr int MV_E_CALLORDER = int(0x80000003u);
constexpr int MV_E_PARAMETER = int(0x80000004u);
constexpr int MV_E_NODATA = int(0x80000007u);
constexpr int MV_E_PRECONDITION = int(0x80000008u);
constexpr int MV_E_ACCESS_DENIED = int(0x80000203u);

constexpr unsigned int MV_GIGE_DEVICE = 0x00000001;
constexpr unsigned int MV_USB_DEVICE = 0x00000004;
constexpr unsigned int MV_ACCESS_Exclusive = 1;
constexpr unsigned int MV_MAX_DEVICE_NUM = 256;
constexpr unsigned int MV_BALANCEWHITE_AUTO_ONCE = 2;
// Exception messages of the exception callback.
constexpr unsigned int MV_EXCEPTION_DEV_DISCONNECT = 0x00008001;

// The pixel-type enumeration has members past 0x7FFFFFFF and -1, so gcc
// gives it 8 bytes: every field of this type is 8 bytes, 8-aligned.
typedef int64_t MvGvspPixelType;
constexpr MvGvspPixelType PixelType_Gvsp_Undefined = -1;
constexpr MvGvspPixelType PixelType_Gvsp_Mono8 = 0x01080001;
constexpr MvGvspPixelType PixelType_Gvsp_BayerGR8 = 0x01080008;
constexpr MvGvspPixelType PixelType_Gvsp_BayerRG8 = 0x01080009;
constexpr MvGvspPixelType PixelType_Gvsp_BayerGB8 = 0x0108000A;
constexpr MvGvspPixelType PixelType_Gvsp_BayerBG8 = 0x0108000B;
constexpr MvGvspPixelType PixelType_Gvsp_Mono12 = 0x01100005;
constexpr MvGvspPixelType PixelType_Gvsp_RGB8_Packed = 0x02180014;

struct MV_GIGE_DEVICE_INFO {
    unsigned int nIpCfgOption;
    unsigned int nIpCfgCurrent;
    unsigned int nCurrentIp; // host order: first octet in bits 31-24
    unsigned int nCurrentSubNetMask;
    unsigned int nDefultGateWay;
    unsigned char chManufacturerName[32];
    unsigned char chModelName[32];
    unsigned char chDeviceVersion[32];
    unsigned char chManufacturerSpecificInfo[48];
    unsigned char chSerialNumber[16];
    unsigned char chUserDefinedName[16];
    unsigned int nNetExport; // address of the host interface the camera was found on
    unsigned int nReserved[4];
};

struct MV_USB3_DEVICE_INFO {
    unsigned char CrtlInEndPoint;
    unsigned char CrtlOutEndPoint;
    unsigned char StreamEndPoint;
    unsigned char EventEndPoint;
    unsigned short idVendor;
    unsigned short idProduct;
    unsigned int nDeviceNumber;
    unsigned char chDeviceGUID[64];
    unsigned char chVendorName[64];
    unsigned char chModelName[64];
    unsigned char chFamilyName[64];
    unsigned char chDeviceVersion[64];
    unsigned char chManufacturerName[64];
    unsigned char chSerialNumber[64];
    unsigned char chUserDefinedName[64];
    unsigned int nbcdUSB;
    unsigned int nDeviceAddress;
    unsigned int nReserved[2];
};

struct MV_CC_DEVICE_INFO {
    unsigned short nMajorVer;
    unsigned short nMinorVer;
    unsigned int nMacAddrHigh;
    unsigned int nMacAddrLow;
    unsigned int nTLayerType; // MV_GIGE_DEVICE or MV_USB_DEVICE
    unsigned int nDevTypeInfo;
    unsigned int nReserved[3];
    union {
        MV_GIGE_DEVICE_INFO stGigEInfo;
        MV_USB3_DEVICE_INFO stUsb3VInfo;
    } SpecialInfo;
};

struct MV_CC_DEVICE_INFO_LIST {
    unsigned int nDeviceNum;
    MV_CC_DEVICE_INFO* pDeviceInfo[MV_MAX_DEVICE_NUM]; // records belong to the library
};

// What the frame callback receives.
struct MV_FRAME_OUT_INFO {
    unsigned short nWidth;
    unsigned short nHeight;
    MvGvspPixelType enPixelType;
    unsigned int nFrameNum;
    unsigned int nDevTimeStampHigh;
    unsigned int nDevTimeStampLow;
    unsigned int nReserved0;
    int64_t nHostTimeStamp;
    unsigned int nFrameLen;
    unsigned int nLostPacket;
    unsigned int nReserved[2];
};

struct MV_CC_PIXEL_CONVERT_PARAM {
    unsigned short nWidth;
    unsigned short nHeight;
    MvGvspPixelType enSrcPixelType;
    unsigned char* pSrcData;
    unsigned int nSrcDataLen;
    MvGvspPixelType enDstPixelType;
    unsigned char* pDstBuffer;
    unsigned int nDstLen;        // written
    unsigned int nDstBufferSize; // given
    unsigned int nRes[4];
};

// Max comes before Min.
struct MVCC_INTVALUE {
    unsigned int nCurValue;
    unsigned int nMax;
    unsigned int nMin;
    unsigned int nInc;
    unsigned int nReserved[4];
};

struct MVCC_INTVALUE_EX {
    int64_t nCurValue;
    int64_t nMax;
    int64_t nMin;
    int64_t nInc;
    unsigned int nReserved[16];
};

struct MVCC_FLOATVALUE {
    float fCurValue;
    float fMax;
    float fMin;
    unsigned int nReserved[4];
};

struct MVCC_STRINGVALUE {
    char chCurValue[256];
    int64_t nMaxLength;
    unsigned int nReserved[2];
};

static_assert(sizeof(MV_GIGE_DEVICE_INFO) == 216, "MV_GIGE_DEVICE_INFO");
static_assert(sizeof(MV_USB3_DEVICE_INFO) == 540, "MV_USB3_DEVICE_INFO");
static_assert(sizeof(MV_CC_DEVICE_INFO) == 572 && alignof(MV_CC_DEVICE_INFO) == 4, "MV_CC_DEVICE_INFO");
static_assert(offsetof(MV_CC_DEVICE_INFO, nMajorVer) == 0 && offsetof(MV_CC_DEVICE_INFO, nMinorVer) == 2
                  && offsetof(MV_CC_DEVICE_INFO, nMacAddrHigh) == 4 && offsetof(MV_CC_DEVICE_INFO, nMacAddrLow) == 8
                  && offsetof(MV_CC_DEVICE_INFO, nTLayerType) == 12 && offsetof(MV_CC_DEVICE_INFO, nDevTypeInfo) == 16
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo) == 32,
              "MV_CC_DEVICE_INFO fields");
static_assert(offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nCurrentIp) == 40
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nCurrentSubNetMask) == 44
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nDefultGateWay) == 48
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.chModelName) == 84
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.chSerialNumber) == 196
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nNetExport) == 228,
              "MV_GIGE_DEVICE_INFO fields");
static_assert(offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stUsb3VInfo.idVendor) == 36
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stUsb3VInfo.chModelName) == 172
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stUsb3VInfo.chSerialNumber) == 428
                  && offsetof(MV_CC_DEVICE_INFO, SpecialInfo.stUsb3VInfo.nbcdUSB) == 556,
              "MV_USB3_DEVICE_INFO fields");
static_assert(sizeof(MV_CC_DEVICE_INFO_LIST) == 2056 && offsetof(MV_CC_DEVICE_INFO_LIST, pDeviceInfo) == 8,
              "MV_CC_DEVICE_INFO_LIST");
static_assert(sizeof(MV_FRAME_OUT_INFO) == 56 && alignof(MV_FRAME_OUT_INFO) == 8, "MV_FRAME_OUT_INFO");
static_assert(offsetof(MV_FRAME_OUT_INFO, nWidth) == 0 && offsetof(MV_FRAME_OUT_INFO, nHeight) == 2
                  && offsetof(MV_FRAME_OUT_INFO, enPixelType) == 8 && offsetof(MV_FRAME_OUT_INFO, nFrameNum) == 16
                  && offsetof(MV_FRAME_OUT_INFO, nHostTimeStamp) == 32 && offsetof(MV_FRAME_OUT_INFO, nFrameLen) == 40
                  && offsetof(MV_FRAME_OUT_INFO, nLostPacket) == 44,
              "MV_FRAME_OUT_INFO fields");
static_assert(sizeof(MV_CC_PIXEL_CONVERT_PARAM) == 72 && alignof(MV_CC_PIXEL_CONVERT_PARAM) == 8,
              "MV_CC_PIXEL_CONVERT_PARAM");
static_assert(offsetof(MV_CC_PIXEL_CONVERT_PARAM, nWidth) == 0 && offsetof(MV_CC_PIXEL_CONVERT_PARAM, nHeight) == 2
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, enSrcPixelType) == 8
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, pSrcData) == 16
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, nSrcDataLen) == 24
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, enDstPixelType) == 32
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, pDstBuffer) == 40
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, nDstLen) == 48
                  && offsetof(MV_CC_PIXEL_CONVERT_PARAM, nDstBufferSize) == 52,
              "MV_CC_PIXEL_CONVERT_PARAM fields");
static_assert(sizeof(MVCC_INTVALUE) == 32 && offsetof(MVCC_INTVALUE, nCurValue) == 0
                  && offsetof(MVCC_INTVALUE, nMax) == 4 && offsetof(MVCC_INTVALUE, nMin) == 8
                  && offsetof(MVCC_INTVALUE, nInc) == 12,
              "MVCC_INTVALUE");
static_assert(sizeof(MVCC_INTVALUE_EX) == 96 && offsetof(MVCC_INTVALUE_EX, nCurValue) == 0
                  && offsetof(MVCC_INTVALUE_EX, nMax) == 8 && offsetof(MVCC_INTVALUE_EX, nMin) == 16
                  && offsetof(MVCC_INTVALUE_EX, nInc) == 24,
              "MVCC_INTVALUE_EX");
static_assert(sizeof(MVCC_FLOATVALUE) == 28 && alignof(MVCC_FLOATVALUE) == 4 && offsetof(MVCC_FLOATVALUE, fMax) == 4
                  && offsetof(MVCC_FLOATVALUE, fMin) == 8,
              "MVCC_FLOATVALUE");
static_assert(sizeof(MVCC_STRINGVALUE) == 272 && alignof(MVCC_STRINGVALUE) == 8
                  && offsetof(MVCC_STRINGVALUE, nMaxLength) == 256,
              "MVCC_STRINGVALUE");

typedef void (*ImageCallBack)(unsigned char* pData, MV_FRAME_OUT_INFO* pFrameInfo, void* pUser);
// Called on the library's own thread, for example when the device is gone.
typedef void (*ExceptionCallBack)(unsigned int nMsgType, void* pUser);

int MV_CC_EnumDevices(unsigned int nTLayerType, MV_CC_DEVICE_INFO_LIST* pstDevList);
int MV_CC_CreateHandle(void** handle, const MV_CC_DEVICE_INFO* pstDevInfo);
int MV_CC_DestroyHandle(void* handle);
int MV_CC_OpenDevice(void* handle, unsigned int nAccessMode, unsigned short nSwitchoverKey);
int MV_CC_CloseDevice(void* handle);
int MV_CC_GetStringValue(void* handle, const char* strKey, MVCC_STRINGVALUE* pstStringValue);
int MV_CC_GetIntValueEx(void* handle, const char* strKey, MVCC_INTVALUE_EX* pstIntValue);
int MV_CC_SetIntValueEx(void* handle, const char* strKey, int64_t nValue);
int MV_CC_GetFloatValue(void* handle, const char* strKey, MVCC_FLOATVALUE* pstFloatValue);
int MV_CC_SetFloatValue(void* handle, const char* strKey, float fValue);
int MV_CC_SetEnumValue(void* handle, const char* strKey, unsigned int nValue);
int MV_CC_SetBoolValue(void* handle, const char* strKey, bool bValue);
int MV_CC_SetCommandValue(void* handle, const char* strKey);
int MV_CC_GetSharpness(void* handle, MVCC_INTVALUE* pstValue);
int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned int nValue);
int MV_CC_RegisterImageCallBack(void* handle, ImageCallBack cbOutput, void* pUser);
int MV_CC_RegisterExceptionCallBack(void* handle, ExceptionCallBack cbException, void* pUser);
int MV_CC_StartGrabbing(void* handle);
int MV_CC_StopGrabbing(void* handle);
int MV_CC_ConvertPixelType(void* handle, MV_CC_PIXEL_CONVERT_PARAM* pstCvtParam);
int MV_GIGE_ForceIpEx(void* handle, unsigned int nIP, unsigned int nSubNetMask, unsigned int nDefaultGateWay);

// Whether the calls reach a camera bus (the simulator or a complete vendor
// library); otherwise why not.
bool Usable(const char** why = nullptr);

// The serial text of a listed device (GigE or USB3 part), at most its field.
const unsigned char* SerialField(const MV_CC_DEVICE_INFO& device, size_t* size);

} // namespace mvs
