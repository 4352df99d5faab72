#include "cameradriver/checkcamera.h"

#include "cameradriver/EnsureDeviceReach.h"
#include "cameradriver/cameraglobals.h"
#include "cameradriver/camerahost.h"
#include "cameradriver/ipconfig.h"
#include "cameradriver/v4l2input.h"
#include "params/geometry.h"
#include "platform/cameras/gxapi.h"
#include "platform/cameras/mvsapi.h"
#include "platform/cameras/ueyeapi.h"
#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <QFile>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

int (*gRepairCameraAddresses)() = &RepairAllCameraIP;

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

WorkingSize MindWorkingSize(int ow, int oh, bool cut, const mindvision::Capability& capability,
                            mindvision::ImageResolution* preset)
{
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
        // A camera offering fewer presets keeps its sensor size.
        if (capability.presets && capability.presetCount > 10) {
            *preset = capability.presets[10];
            return {preset->width, preset->height};
        }
        return {ow, oh};
    default:
        return {ow, oh};
    }
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
    GXInitLib();
    uint32_t count = 0;
    const GX_STATUS st = GXUpdateDeviceList(&count, 20);
    if (count == 0) {
        qInfo() << "find 0 MerCamera ";
        return false;
    }
    if (st != kSuccess) {
        qInfo() << "GX_STATUS_SUCCESS:" << st;
        return false;
    }
    GX_DEV_HANDLE device = nullptr;
    GX_STATUS s = GXOpenDeviceByIndex(1, &device);
    if (s != kSuccess) {
        qInfo() << "Open MerCamera Error : " << s;
        return false;
    }
    int64_t w = 0, h = 0;
    if ((s = GXGetInt(device, kWidth, &w)) != kSuccess) {
        qInfo() << "Get MerCamera width Error : " << s;
        GXCloseDevice(device); // an open device would block the view's own open
        return false;
    }
    if ((s = GXGetInt(device, kHeight, &h)) != kSuccess) {
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
    if (is_GetNumberOfCameras(&n) != kSuccess || n < 1)
        return false;
    HIDS h = kUseDeviceId;
    if (is_InitCamera(&h, nullptr) != kSuccess)
        return false;
    SensorInfo info{};
    if (is_GetSensorInfo(h, &info) != kSuccess) {
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
    int count = kMaxDevices;
    CameraEnumerateDevice(gCList, &count);
    gCListCount = count;
    CameraHandle handle = 0;
    if (count < 1 || CameraInit(&gCList[0], -1, -1, &handle) != kSuccess)
        return false;
    Capability cap;
    std::memset(&cap, 0, sizeof cap);
    CameraGetCapability(handle, &cap);
    gSensorColor = cap.isMonoSensor == 0 ? 1 : 0;
    gOW = cap.maxWidth;
    gOH = cap.maxHeight;
    setSize(MindWorkingSize(gOW, gOH, gisCut != 0, cap, &gImageResolution));
    gCameraID = kCameraMind;
    gFindCamera = count;
    CameraUnInit(handle);
    int again = kMaxDevices;
    CameraEnumerateDevice(gCList, &again);
    gCListCount = again;
    return true;
}

bool probeHik()
{
    using namespace mvs;
    EnsureDeviceReach();
    MV_CC_EnumDevices(kGigEDevice | kUsbDevice, &gDevList);
    if (gDevList.count < 1 || !gDevList.devices[0])
        return false;
    void* handle = nullptr;
    if (MV_CC_CreateHandle(&handle, gDevList.devices[0]) != MV_OK)
        return false;
    if (MV_CC_OpenDevice(handle, kAccessExclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(handle);
        return false;
    }
    StringValue model{};
    MV_CC_GetStringValue(handle, "DeviceModelName", &model);
    const size_t len = strnlen(model.value, sizeof model.value);
    gSensorColor = len > 0 && model.value[len - 1] == 'M' ? 0 : 1;
    IntValue v{};
    if (MV_CC_GetIntValue(handle, "WidthMax", &v) == MV_OK)
        gOW = int(v.current);
    if (MV_CC_GetIntValue(handle, "HeightMax", &v) == MV_OK)
        gOH = int(v.current);
    if (MV_CC_GetIntValue(handle, "Width", &v) == MV_OK)
        gImageW = int(v.current);
    if (MV_CC_GetIntValue(handle, "Height", &v) == MV_OK)
        gImageH = int(v.current);
    MV_CC_CloseDevice(handle);
    MV_CC_DestroyHandle(handle);
    gCameraID = kCameraHik;
    gFindCamera = int(gDevList.count);
    return true;
}

bool probeV4l2()
{
    gFindCamera = CheckUSBCameraNum();
    if (gFindCamera < 1)
        return false;
    AVFormatContext* ctx = avformat_alloc_context();
    if (avformat_open_input(&ctx, v4l2input::devicePath(0).constData(), v4l2input::inputFormat(), nullptr) != 0)
        return false; // the failed open has freed the context
    bool video = false;
    if (avformat_find_stream_info(ctx, nullptr) >= 0) {
        for (unsigned i = 0; i < ctx->nb_streams; ++i)
            if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                video = true;
    }
    avformat_close_input(&ctx);
    if (!video)
        return false;
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
    // Under test the real repair would broadcast on the machine's own
    // interfaces: only a repair a test installed itself may run there.
    const bool realRepairRefused =
        gRepairCameraAddresses == &RepairAllCameraIP && platform::ProcessCommandRunner::refusing();
    if (gRepairCameraAddresses && !realRepairRefused && gRepairCameraAddresses() > 0)
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
