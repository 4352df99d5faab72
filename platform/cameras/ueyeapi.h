#pragma once
// The IDS uEye SDK (uEye.h, libueye_api.so) as the driver calls it: the
// vendor's names, parameter types, constants and record layouts of x86_64
// Linux, checked below at compile time. The camera writes its frames
// its frames in turn into a sequence of image memories allocated through the
// SDK (live capture) and raises the frame event after each; a memory locked
// by the caller is skipped until it is unlocked.
// The library is opened with dlopen where it is installed and used only when
// it exports every call declared here; otherwise, and with the simulated bus
// active, the calls answer from the simulator or as if no camera were
// connected.
#include <cstddef>
#include <cstdint>

namespace ueye {

typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef uint32_t DWORD;
typedef uint32_t ULONG; // 4 bytes on Linux
typedef uint16_t WORD;
typedef char IS_CHAR;
typedef DWORD HIDS;
typedef void* HWND;

constexpr INT IS_NO_SUCCESS = -1;
constexpr INT IS_SUCCESS = 0;
constexpr INT IS_INVALID_CAMERA_HANDLE = 1;
constexpr INT IS_CANT_OPEN_DEVICE = 3;
constexpr INT IS_NO_IMAGE_MEM_ALLOCATED = 15;
constexpr INT IS_INVALID_MEMORY_POINTER = 49;
constexpr INT IS_SEQUENCE_BUF_ALREADY_LOCKED = 117;
constexpr INT IS_TIMED_OUT = 122;
constexpr INT IS_INVALID_PARAMETER = 125;
constexpr INT IS_NOT_SUPPORTED = 155;

constexpr HIDS IS_USE_DEVICE_ID = 0x8000;
constexpr INT IS_WAIT = 1;
constexpr INT IS_DONT_WAIT = 0;
constexpr INT IS_FORCE_VIDEO_STOP = 0x4000;
constexpr INT IS_IGNORE_PARAMETER = -1;
constexpr INT IS_SET_EVENT_FRAME = 2;
constexpr INT IS_CM_MONO8 = 6;
constexpr INT IS_SET_ENABLE_AUTO_GAIN = 0x8800;
constexpr INT IS_SET_ENABLE_AUTO_SHUTTER = 0x8802;
constexpr char IS_COLORMODE_MONOCHROME = 1;
constexpr char IS_COLORMODE_BAYER = 2;

// Commands of the calls that take (command, parameter, parameter bytes).
constexpr UINT IS_AOI_IMAGE_SET_AOI = 1; // IS_RECT
constexpr UINT IS_AOI_IMAGE_GET_AOI = 2; // IS_RECT
constexpr UINT IS_PIXELCLOCK_CMD_SET = 6; // UINT, MHz
constexpr UINT IS_EXPOSURE_CMD_SET_EXPOSURE = 12; // double, milliseconds
constexpr UINT IS_GAMMA_CMD_SET = 1; // INT, gamma x 100

// BOARDINFO, named CAMINFO by the camera calls.
struct BOARDINFO {
    char SerNo[12];
    char ID[20];
    char Version[10];
    char Date[12];
    uint8_t Select;
    uint8_t Type;
    char Reserved[8];
};
typedef BOARDINFO CAMINFO;

struct SENSORINFO {
    WORD SensorID;
    IS_CHAR strSensorName[32];
    char nColorMode; // IS_COLORMODE_MONOCHROME or IS_COLORMODE_BAYER
    DWORD nMaxWidth;
    DWORD nMaxHeight;
    BOOL bMasterGain;
    BOOL bRGain;
    BOOL bGGain;
    BOOL bBGain;
    BOOL bGlobShutter;
    WORD wPixelSize;
    char nUpperLeftBayerPixel;
    char Reserved[13];
};

// One camera of the camera list.
struct UEYE_CAMERA_INFO {
    DWORD dwCameraID;
    DWORD dwDeviceID;
    DWORD dwSensorID;
    DWORD dwInUse;
    IS_CHAR SerNo[16];
    IS_CHAR Model[16];
    DWORD dwStatus;
    DWORD dwReserved[2];
    IS_CHAR FullModelName[32];
    DWORD dwReserved2[5];
};

// The camera list: dwCount, then that many entries from offset 4 (the
// record declares one; callers allocate 4 + 112 x n bytes).
struct UEYE_CAMERA_LIST {
    ULONG dwCount;
    UEYE_CAMERA_INFO uci[1];
};

struct IS_RECT {
    INT s32X;
    INT s32Y;
    INT s32Width;
    INT s32Height;
};

static_assert(sizeof(BOARDINFO) == 64 && alignof(BOARDINFO) == 1, "BOARDINFO");
static_assert(offsetof(BOARDINFO, SerNo) == 0 && offsetof(BOARDINFO, ID) == 12 && offsetof(BOARDINFO, Version) == 32
                  && offsetof(BOARDINFO, Date) == 42 && offsetof(BOARDINFO, Select) == 54
                  && offsetof(BOARDINFO, Type) == 55 && offsetof(BOARDINFO, Reserved) == 56,
              "BOARDINFO fields");
static_assert(sizeof(SENSORINFO) == 80 && alignof(SENSORINFO) == 4, "SENSORINFO");
static_assert(offsetof(SENSORINFO, SensorID) == 0 && offsetof(SENSORINFO, strSensorName) == 2
                  && offsetof(SENSORINFO, nColorMode) == 34 && offsetof(SENSORINFO, nMaxWidth) == 36
                  && offsetof(SENSORINFO, nMaxHeight) == 40 && offsetof(SENSORINFO, bMasterGain) == 44
                  && offsetof(SENSORINFO, bGlobShutter) == 60 && offsetof(SENSORINFO, wPixelSize) == 64
                  && offsetof(SENSORINFO, nUpperLeftBayerPixel) == 66 && offsetof(SENSORINFO, Reserved) == 67,
              "SENSORINFO fields");
static_assert(sizeof(UEYE_CAMERA_INFO) == 112 && alignof(UEYE_CAMERA_INFO) == 4, "UEYE_CAMERA_INFO");
static_assert(offsetof(UEYE_CAMERA_INFO, dwDeviceID) == 4 && offsetof(UEYE_CAMERA_INFO, dwInUse) == 12
                  && offsetof(UEYE_CAMERA_INFO, SerNo) == 16 && offsetof(UEYE_CAMERA_INFO, Model) == 32
                  && offsetof(UEYE_CAMERA_INFO, dwStatus) == 48 && offsetof(UEYE_CAMERA_INFO, FullModelName) == 60
                  && offsetof(UEYE_CAMERA_INFO, dwReserved2) == 92,
              "UEYE_CAMERA_INFO fields");
static_assert(sizeof(UEYE_CAMERA_LIST) == 116 && offsetof(UEYE_CAMERA_LIST, uci) == 4, "UEYE_CAMERA_LIST");
static_assert(sizeof(IS_RECT) == 16 && offsetof(IS_RECT, s32X) == 0 && offsetof(IS_RECT, s32Y) == 4
                  && offsetof(IS_RECT, s32Width) == 8 && offsetof(IS_RECT, s32Height) == 12,
              "IS_RECT");

INT is_GetNumberOfCameras(INT* pnNumCams);
INT is_GetCameraList(UEYE_CAMERA_LIST* pucl); // dwCount set to the entries allocated
INT is_InitCamera(HIDS* phCam, HWND hWnd); // in: 0 first free, n camera id, n | IS_USE_DEVICE_ID device id
INT is_ExitCamera(HIDS hCam);
INT is_GetCameraInfo(HIDS hCam, CAMINFO* pInfo);
INT is_GetSensorInfo(HIDS hCam, SENSORINFO* pInfo);
INT is_SetColorMode(HIDS hCam, INT Mode);
INT is_AllocImageMem(HIDS hCam, INT width, INT height, INT bitspixel, char** ppcImgMem, int* pid);
INT is_FreeImageMem(HIDS hCam, char* pcMem, int id);
INT is_InquireImageMem(HIDS hCam, char* pcMem, int nID, int* pnX, int* pnY, int* pnBits, int* pnPitch);
INT is_AddToSequence(HIDS hCam, char* pcMem, INT nID);
INT is_ClearSequence(HIDS hCam);
// pnNum, ppcMem: the memory being written (1-based in the sequence);
// ppcMemLast: the memory of the last frame finished.
INT is_GetActSeqBuf(HIDS hCam, INT* pnNum, char** ppcMem, char** ppcMemLast);
INT is_LockSeqBuf(HIDS hCam, INT nNum, char* pcMem); // nNum IS_IGNORE_PARAMETER: by address
INT is_UnlockSeqBuf(HIDS hCam, INT nNum, char* pcMem);
INT is_EnableEvent(HIDS hCam, INT which);
INT is_DisableEvent(HIDS hCam, INT which);
INT is_WaitEvent(HIDS hCam, INT which, INT nTimeout); // IS_TIMED_OUT when no event came
INT is_AOI(HIDS hCam, UINT nCommand, void* pParam, UINT SizeOfParam);
INT is_SetAutoParameter(HIDS hCam, INT param, double* pval1, double* pval2);
INT is_SetHardwareGamma(HIDS hCam, INT nMode);
INT is_PixelClock(HIDS hCam, UINT nCommand, void* pParam, UINT cbSizeOfParam);
INT is_CaptureVideo(HIDS hCam, INT Wait);
INT is_StopLiveVideo(HIDS hCam, INT Wait);
INT is_Exposure(HIDS hCam, UINT nCommand, void* pParam, UINT cbSizeOfParam);
INT is_SetHardwareGain(HIDS hCam, INT nMaster, INT nRed, INT nGreen, INT nBlue);
INT is_Gamma(HIDS hCam, UINT nCommand, void* pParam, UINT cbSizeOfParam);

// Whether the calls reach a camera bus (the simulator or a complete vendor
// library); otherwise why not.
bool Usable(const char** why = nullptr);

} // namespace ueye
