#include "cameradriver/checkcamera.h"

#include "cameradriver/EnsureDeviceReach.h"
#include "cameradriver/cameraglobals.h"
#include "cameradriver/camerahost.h"
#include "cameradriver/ipconfig.h"
#include "cameradriver/cameratexts.h"
#include "cameradriver/v4l2input.h"
#include "cameradriver/v4l2session.h"
#include "params/geometry.h"
#include "platform/cameras/gxapi.h"
#include "platform/cameras/mvsapi.h"
#include "platform/cameras/ueyeapi.h"
#include "platform/commandrunner.h"
#include "platform/host.h"
#include "platform/sysroot.h"
#include "params/lanstr.h"

#include <QDebug>
#include <QFile>
#include <cstring>

int (*gRepairCameraAddresses)() = &RepairAllCameraIP;
QStringList (*gDiscoverCameraInterfaces)() = &DiscoverCameraInterfaces;

bool networkStepAllowed(const void* step, const void* real)
{
    return step && !(step == real && platform::ProcessCommandRunner::refusing());
}

WorkingSize DahengWorkingSize(int ow, int oh, bool cut)
{
    if (ow == 2592)
        return {1296, oh / 2}; // 2 x 2 binning, cut or not
    if (cut) {
        if (ow == 1280)
            return {1120, 840};
        if (ow == 2048)
            return {1600, 1200};
    }
    return {ow, oh};
}

WorkingSize MindWorkingSize(int ow, int oh, bool cut, const mindvision::tSdkCameraCapbility& capability,
                            mindvision::tSdkImageResolution* preset, QString* fault)
{
    constexpr int kPreset = 10;
    if (preset)
        std::memset(preset, 0, sizeof *preset);
    if (!cut)
        return {ow, oh};
    switch (ow) {
    case 1280:
        return {1120, 840};
    case 1600:
        return {1300, 1000};
    case 2048:
        return {1600, 1200};
    case 3088:
        return {2592, 1944};
    case 2592:
        break;
    default:
        return {ow, oh};
    }
    const auto* list = static_cast<const mindvision::tSdkImageResolution*>(capability.pImageSizeDesc);
    const int count = list ? capability.iImageSizeDesc : 0;
    if (count <= kPreset) {
        if (fault)
            *fault = LanStr(cameratext::kMindPresetMissing).arg(count).arg(ow).arg(oh);
        return {ow, oh};
    }
    const mindvision::tSdkImageResolution& entry = list[kPreset];
    if (entry.iWidth <= 0 || entry.iHeight <= 0 || entry.iWidth > ow || entry.iHeight > oh) {
        if (fault)
            *fault = LanStr(cameratext::kMindPresetMissing).arg(count).arg(ow).arg(oh);
        return {ow, oh};
    }
    if (preset)
        *preset = entry;
    return {entry.iWidth, entry.iHeight};
}

QString SdkVersionRecord()
{
    using namespace mindvision;
    if (gCameraID != kCameraMind)
        return QString();
    char text[kVersionBufferBytes] = {};
    const CameraSdkStatus st = CameraSdkGetVersionString(text);
    const QString version =
        st == CAMERA_STATUS_SUCCESS ? QString::fromLatin1(text, int(strnlen(text, sizeof text - 1))).trimmed() : QString();
    if (version.isEmpty()) {
        qInfo() << "MindVision: the library gives no version text, status" << st;
        return LanStr(cameratext::kMindNoVersion);
    }
    return version;
}

int CheckUSBCameraNum()
{
    // A copy that failed would leave an old list behind; count nothing then.
    const platform::CommandResult r = platform::runCommand(
        QStringLiteral("cp"), {QStringLiteral("-f"), platform::sysPath(QStringLiteral("/proc/bus/input/devices")),
                               QStringLiteral(".")});
    if (!r.ok())
        return 0;
    QFile f(QStringLiteral("devices"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int count = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().toLower();
        if (line.contains("camera") || line.contains("webcam"))
            ++count;
    }
    return count;
}

namespace {

void setSize(WorkingSize s)
{
    gImageW = s.width;
    gImageH = s.height;
}

bool probeDaheng()
{
    using namespace gx;
    if (!Usable())
        return false;
    GXInitLib();
    uint32_t count = 0;
    const GX_STATUS st = GXUpdateDeviceList(&count, 20);
    if (count == 0) {
        qInfo() << "find 0 MerCamera ";
        return false;
    }
    if (st != GX_STATUS_SUCCESS) {
        qInfo() << "GX_STATUS_SUCCESS:" << st;
        return false;
    }
    GX_DEV_HANDLE device = nullptr;
    GX_STATUS s = GXOpenDeviceByIndex(1, &device);
    if (s != GX_STATUS_SUCCESS) {
        qInfo() << "Open MerCamera Error : " << s;
        return false;
    }
    // The sensor's whole size: the current window may still be a narrower
    // one another program left, which would give a wrong working size.
    int64_t w = 0, h = 0;
    if ((s = GXGetInt(device, GX_INT_WIDTH_MAX, &w)) != GX_STATUS_SUCCESS) {
        qInfo() << "Get MerCamera width Error : " << s;
        GXCloseDevice(device); // an open device would block the view's own open
        return false;
    }
    if ((s = GXGetInt(device, GX_INT_HEIGHT_MAX, &h)) != GX_STATUS_SUCCESS) {
        qInfo() << "Get MerCamera height Error : " << s;
        GXCloseDevice(device);
        return false;
    }
    gOW = int(w);
    gOH = int(h);
    setSize(DahengWorkingSize(gOW, gOH, gisCut != 0));
    qInfo() << "find MerCamera count : " << count;
    gCameraID = kCameraDaheng;
    gFindCamera = int(count);
    GXCloseDevice(device);
    return true;
}

bool probeIds()
{
    using namespace ueye;
    INT n = 0;
    if (!Usable() || is_GetNumberOfCameras(&n) != IS_SUCCESS || n < 1)
        return false;
    HIDS h = IS_USE_DEVICE_ID;
    if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
        return false;
    SENSORINFO info{};
    if (is_GetSensorInfo(h, &info) != IS_SUCCESS) {
        is_ExitCamera(h);
        return false;
    }
    setSize({1280, 1024});
    gCameraID = kCameraIds;
    camerahost::sleepMs(3000);
    n = 0;
    is_GetNumberOfCameras(&n);
    gFindCamera = n;
    is_ExitCamera(h);
    return true;
}

bool probeMind()
{
    using namespace mindvision;
    if (!Usable())
        return false;
    int count = kMaxDevices;
    CameraEnumerateDevice(gCList, &count);
    gCListCount = qBound(0, count, int(kMaxDevices));
    CameraHandle handle = 0;
    if (gCListCount < 1 || CameraInit(&gCList[0], -1, -1, &handle) != CAMERA_STATUS_SUCCESS)
        return false;
    tSdkCameraCapbility cap;
    std::memset(&cap, 0, sizeof cap);
    CameraGetCapability(handle, &cap);
    gSensorColor = cap.sIspCapacity.bMonoSensor == 0 ? 1 : 0;
    gOW = cap.sResolutionRange.iWidthMax;
    gOH = cap.sResolutionRange.iHeightMax;
    QString fault;
    setSize(MindWorkingSize(gOW, gOH, gisCut != 0, cap, &gImageResolution, &fault));
    if (!fault.isEmpty()) {
        qWarning().noquote() << fault;
        host::insertRecord(fault);
    }
    gCameraID = kCameraMind;
    gFindCamera = count;
    CameraUnInit(handle);
    int again = kMaxDevices;
    CameraEnumerateDevice(gCList, &again);
    gCListCount = qBound(0, again, int(kMaxDevices));
    return true;
}

bool probeHik()
{
    using namespace mvs;
    if (!Usable())
        return false;
    EnsureDeviceReach();
    MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &gDevList);
    if (gDevList.nDeviceNum < 1 || !gDevList.pDeviceInfo[0])
        return false;
    void* handle = nullptr;
    if (MV_CC_CreateHandle(&handle, gDevList.pDeviceInfo[0]) != MV_OK)
        return false;
    if (MV_CC_OpenDevice(handle, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(handle);
        return false;
    }
    MVCC_STRINGVALUE model{};
    MV_CC_GetStringValue(handle, "DeviceModelName", &model);
    const size_t len = strnlen(model.chCurValue, sizeof model.chCurValue);
    gSensorColor = len > 0 && model.chCurValue[len - 1] == 'M' ? 0 : 1;
    // The working size is the camera's current one; without it there is no
    // size to build the frames on, and the back-end is not used.
    MVCC_INTVALUE_EX v{};
    if (MV_CC_GetIntValueEx(handle, "WidthMax", &v) == MV_OK)
        gOW = int(v.nCurValue);
    if (MV_CC_GetIntValueEx(handle, "HeightMax", &v) == MV_OK)
        gOH = int(v.nCurValue);
    int w = 0, h = 0;
    if (MV_CC_GetIntValueEx(handle, "Width", &v) == MV_OK)
        w = int(v.nCurValue);
    if (MV_CC_GetIntValueEx(handle, "Height", &v) == MV_OK)
        h = int(v.nCurValue);
    MV_CC_CloseDevice(handle);
    MV_CC_DestroyHandle(handle);
    if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF) {
        qWarning().noquote() << QStringLiteral("Hikvision: the working size %1 x %2 cannot be used; back-end not used")
                                    .arg(w)
                                    .arg(h);
        return false;
    }
    setSize({w, h});
    gCameraID = kCameraHik;
    gFindCamera = int(gDevList.nDeviceNum);
    return true;
}

bool probeV4l2()
{
    gFindCamera = CheckUSBCameraNum();
    if (gFindCamera < 1)
        return false;
    // Opened as the driver opens it: never waiting without a limit.
    QString why;
    if (!V4l2Session::open(0, false, &why)) {
        qInfo().noquote() << "V4L2:" << why;
        return false;
    }
    gCameraID = kCameraV4l2;
    setSize({960, 540});
    return true;
}

} // namespace

void CheckCameraID()
{
    gCameraID = kCameraNone;
    gOW = gOH = 0;
    gSensorColor = 0;
    std::memset(&gImageResolution, 0, sizeof gImageResolution);
    // Under test the real repair would broadcast on the machine's own
    // interfaces: only a repair a test installed itself may run there.
    if (networkStepAllowed(reinterpret_cast<const void*>(gRepairCameraAddresses),
                           reinterpret_cast<const void*>(&RepairAllCameraIP))
        && gRepairCameraAddresses() > 0)
        camerahost::sleepMs(6000); // the cameras come up with their new addresses

    bool found = probeDaheng();
    if (!found) {
        mindvision::CameraSdkInit(0);
        mindvision::CameraUSBDeviceInit();
        found = probeIds() || probeMind() || probeHik() || probeV4l2();
    }
    if (!found) {
        gFindCamera = 4;
        gCameraID = kCameraNone;
        setSize({1920, 1080});
    }
    SetImageGeometry(gImageW, gImageH, gisColor);
}
