#include "cameradriver/cameradriver.h"

#include "cameradriver/camerahost.h"
#include "cameradriver/camerathread.h"
#include "cameradriver/framecopy.h"
#include "params/geometry.h"
#include "params/wizardpara.h"
#include "platform/host.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstring>

namespace {

CameraDriver* gDrivers[kCameraSlots] = {};

QByteArray storedSerial(int slot)
{
    return QByteArray(gSerialNB[slot], int(strnlen(gSerialNB[slot], WizardPara::TextLen)));
}

template <size_t N>
QByteArray fixedText(const char (&field)[N])
{
    return QByteArray(field, int(strnlen(field, N)));
}

} // namespace

CameraDriver::CameraDriver(int slot)
    : cameraIndex(slot),
      imageW_(gImageW),
      imageH_(gImageH),
      imageLen_(size_t(qMax(0, gImageLen))),
      colorLen_(size_t(qMax(0, gColorLen))),
      colour_(gisColor)
{
    recvImage.assign(colorLen_, 0);
    grabBuffer.assign(imageLen_ * 4, 0);
    if (colour_)
        colorBuffer.assign(colorLen_, 0);
    rawFrame.assign(imageLen_, 0);
    if (gpWPara) {
        contrastPart = contrastText(gpWPara->contrast[slot]);
        gammaPart = gammaText(gpWPara->gamma[slot]);
        sharpPart = sharpText(gpWPara->sharp[slot]);
    }
    if (slot >= 0 && slot < kCameraSlots)
        gDrivers[slot] = this;
}

CameraDriver::~CameraDriver()
{
    if (isOpen()) {
        CameraStop();
        CameraClose();
    }
    if (cameraIndex >= 0 && cameraIndex < kCameraSlots && gDrivers[cameraIndex] == this)
        gDrivers[cameraIndex] = nullptr;
}

CameraDriver* CameraDriver::at(int slot)
{
    return slot >= 0 && slot < kCameraSlots ? gDrivers[slot] : nullptr;
}

bool CameraDriver::isOpen() const
{
    return cameraIndex >= 0 && cameraIndex < kCameraSlots && cameraOpened[cameraIndex];
}

const WizardPara* CameraDriver::settings(bool exposure) const
{
    const bool edit = camerahost::settingsVisible() || (exposure && camerahost::exposurePanelVisible());
    if (edit && gpWParaBak)
        return gpWParaBak;
    return gpWPara;
}

// ---------------------------------------------------------------- opening

bool CameraDriver::CameraOpen()
{
    if (cameraIndex < 0 || cameraIndex >= kCameraSlots)
        return false;
    cameraOpened[cameraIndex] = false;
    if (cameraIndex >= gFindCamera)
        return false;
    const QByteArray serial = storedSerial(cameraIndex);
    bool ok = false;
    switch (gCameraID) {
    case kCameraNone:
        ok = true;
        break;
    case kCameraDaheng:
        ok = openDaheng(serial);
        break;
    case kCameraIds:
        ok = openIds(serial);
        break;
    case kCameraMind:
        ok = openMind(serial);
        break;
    case kCameraHik:
        ok = openHik(serial);
        break;
    case kCameraV4l2:
        ok = openV4l2();
        break;
    default:
        break;
    }
    if (!ok)
        return false;
    cameraOpened[cameraIndex] = true;
    grabThread = new CameraThread(this);
    CameraChangeTrig(true);
    SetAdjustPlus();
    SetExposeTime();
    SetContrast();
    SetSharp();
    SetGamma();
    return true;
}

bool CameraDriver::openDaheng(const QByteArray& serial)
{
    gx::GX_STATUS st;
    if (serial.size() > 8) {
        gx::GxOpenParam p{serial.constData(), 0, 4};
        st = gx::GXOpenDevice(&p, &gxDevice);
    } else {
        st = gx::GXOpenDeviceByIndex(uint32_t(cameraIndex + 1), &gxDevice);
    }
    if (st != gx::kSuccess) {
        gxDevice = nullptr;
        return false;
    }
    gx::GXSetInt(gxDevice, gx::kFeature0BBB, 0);
    if (imageW_ * 2 == gOW) {
        for (int32_t f : {gx::kBinningH, gx::kBinningV, gx::kDecimationH, gx::kDecimationV})
            gx::GXSetInt(gxDevice, f, 2);
        gx::GXSetInt(gxDevice, gx::kOffsetX, 0);
        gx::GXSetInt(gxDevice, gx::kOffsetY, 0);
    } else {
        gx::GXSetInt(gxDevice, gx::kOffsetX, (gOW - imageW_) / 2);
        gx::GXSetInt(gxDevice, gx::kOffsetY, (gOH - imageH_) / 2);
    }
    gx::GXSetInt(gxDevice, gx::kWidth, imageW_);
    gx::GXSetInt(gxDevice, gx::kHeight, imageH_);
    gx::GXSetEnum(gxDevice, gx::kFeature178A, 1);
    gx::GXSetBool(gxDevice, gx::kFeature1395, true);
    return true;
}

bool CameraDriver::openIds(const QByteArray& serial)
{
    using namespace ueye;
    HIDS h = 0;
    if (serial.size() >= 9 && serial.size() <= 19) {
        INT n = 0;
        is_GetNumberOfCameras(&n);
        bool found = false;
        for (INT i = 1; i <= n && !found; ++i) {
            h = HIDS(i) | kUseDeviceId;
            if (is_InitCamera(&h, nullptr) != kSuccess)
                continue;
            CameraInfo info{};
            if (is_GetCameraInfo(h, &info) == kSuccess && fixedText(info.serialNumber) == serial)
                found = true;
            else
                is_ExitCamera(h);
        }
        if (!found)
            return false;
    } else {
        h = HIDS(cameraIndex + 1) | kUseDeviceId;
        if (is_InitCamera(&h, nullptr) != kSuccess)
            return false;
    }
    ueyeCamera = h;
    INT bpp = 0, mode = 0;
    is_GetColorDepth(ueyeCamera, &bpp, &mode);
    ueyeColorMode = kColorModeMono8;
    ueyeBitsPerPixel = 8;
    is_SetColorMode(ueyeCamera, ueyeColorMode);
    ueyeMemory = nullptr;
    if (is_AllocImageMem(ueyeCamera, imageW_, imageH_, ueyeBitsPerPixel, &ueyeMemory, &ueyeMemoryId) != kSuccess)
        ueyeMemory = nullptr;
    else
        is_SetImageMem(ueyeCamera, ueyeMemory, ueyeMemoryId);
    Size2D size{imageW_, imageH_};
    is_ZUV(ueyeCamera, kImageSizeSet, &size, sizeof size);
    double off = 0.0, unused = 0.0;
    is_SetAutoParameter(ueyeCamera, kSetAutoGain, &off, &unused);
    off = 0.0;
    is_SetAutoParameter(ueyeCamera, kSetAutoShutter, &off, &unused);
    is_SetHardwareGamma(ueyeCamera, 1);
    uint32_t clock = 5;
    is_PixelClock(ueyeCamera, kPixelClockSet, &clock, sizeof clock);
    idsLast_.assign(imageLen_, 0);
    return true;
}

void CameraDriver::applyMindFormat()
{
    using namespace mindvision;
    if (gOW == 2592 && gisCut) {
        CameraSetImageResolution(mindCamera, &gImageResolution);
    } else {
        ImageResolution r;
        std::memset(&r, 0, sizeof r);
        r.index = 255;
        r.hOffsetFov = (gOW - imageW_) / 2;
        r.vOffsetFov = (gOH - imageH_) / 2;
        r.widthFov = r.width = imageW_;
        r.heightFov = r.height = imageH_;
        CameraSetImageResolution(mindCamera, &r);
    }
    if (gSensorColor) {
        CameraSetWbMode(mindCamera, 0);
        const unsigned format = colour_ ? kIspRgb8 : kIspMono8;
        if (gOW == 2048) {
            CameraSetIspOutFormat(mindCamera, format);
            CameraSetMonochrome(mindCamera, colour_ ? 0 : 1);
        } else {
            CameraSetMediaType(mindCamera, colour_ ? 0 : 1);
            CameraSetIspOutFormat(mindCamera, format);
        }
    } else {
        CameraSetIspOutFormat(mindCamera, kIspMono8);
        CameraSetMonochrome(mindCamera, 0);
    }
}

bool CameraDriver::openMind(const QByteArray& serial)
{
    using namespace mindvision;
    const DeviceInfo* entry = nullptr;
    if (serial.size() < 9) {
        if (cameraIndex < gCListCount)
            entry = &gCList[cameraIndex];
    } else {
        const int n = qMin(gFindCamera, gCListCount);
        for (int i = 0; i < n; ++i) {
            if (fixedText(gCList[i].serial) == serial) {
                host::insertRecord(QStringLiteral("Mind Open %1 = %2").arg(cameraIndex + 1).arg(QString::fromLatin1(serial)));
                entry = &gCList[i];
                break;
            }
        }
    }
    int status = -1;
    if (entry)
        status = CameraInit(entry, -1, -1, &mindCamera);
    if (status != kSuccess) {
        host::insertRecord(QStringLiteral("Mind Fail = %1").arg(status));
        mindCamera = 0;
        return false;
    }
    std::memset(&mindCapability, 0, sizeof mindCapability);
    CameraGetCapability(mindCamera, &mindCapability);
    applyMindFormat();
    CameraSetMirror(mindCamera, 0, 0);
    CameraSetMirror(mindCamera, 1, 0);
    CameraSetFrameSpeed(mindCamera, 0);
    return true;
}

bool CameraDriver::openHik(const QByteArray& serial)
{
    using namespace mvs;
    DeviceInfo* dev = nullptr;
    const int listed = int(qMin(gDevList.count, unsigned(kMaxDevices)));
    if (serial.size() < 9) {
        if (cameraIndex < listed)
            dev = gDevList.devices[cameraIndex];
    } else {
        const int n = qMin(gFindCamera, listed);
        for (int i = 0; i < n; ++i) {
            DeviceInfo* d = gDevList.devices[i];
            if (d && fixedText(d->gige.serialNumber) == serial) {
                dev = d;
                break;
            }
        }
    }
    if (!dev)
        return false;
    hikDeviceInfo = dev;
    if (MV_CC_CreateHandle(&hikDevice, dev) != MV_OK) {
        hikDevice = nullptr;
        return false;
    }
    if (MV_CC_OpenDevice(hikDevice, kAccessExclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(hikDevice);
        hikDevice = nullptr;
        return false;
    }
    MV_CC_SetEnumValue(hikDevice, "UserSetSelector", 0);
    MV_CC_SetCommandValue(hikDevice, "UserSetLoad");
    MV_CC_SetBoolValue(hikDevice, "SharpnessEnable", true);
    MV_CC_SetBoolValue(hikDevice, "GammaEnable", true);
    std::memset(&hikConvert, 0, sizeof hikConvert);
    hikConvert.width = uint16_t(imageW_);
    hikConvert.height = uint16_t(imageH_);
    hikConvert.srcDataLength = unsigned(imageLen_);
    hikConvert.dstLength = unsigned(imageLen_);
    hikConvert.dstBufferSize = unsigned(imageLen_ * 3);
    MV_CC_RegisterImageCallBack(hikDevice, &CameraDriver::ImageCallBack, this);
    MV_CC_SetEnumValue(hikDevice, "PixelFormat", unsigned(gSensorColor && colour_ ? kPixelBayerRG8 : kPixelMono8));
    return true;
}

void CameraDriver::CameraClose()
{
    if (!isOpen())
        return;
    cameraOpened[cameraIndex] = false;
    if (acquiring_)
        stopAcquisition(); // never leave the SDK delivering into a closed camera
    if (grabThread) {
        grabThread->running = false;
        grabThread->wait();
        delete grabThread;
        grabThread = nullptr;
    }
    switch (gCameraID) {
    case kCameraDaheng:
        gx::GXCloseDevice(gxDevice);
        break;
    case kCameraIds:
        ueye::is_FreeImageMem(ueyeCamera, ueyeMemory, ueyeMemoryId);
        ueyeMemory = nullptr;
        ueye::is_ExitCamera(ueyeCamera);
        break;
    case kCameraMind:
        if (mindCamera > 0)
            mindvision::CameraUnInit(mindCamera);
        break;
    case kCameraHik:
        mvs::MV_CC_CloseDevice(hikDevice);
        mvs::MV_CC_DestroyHandle(hikDevice);
        hikDevice = nullptr;
        break;
    case kCameraV4l2:
        closeV4l2();
        break;
    default:
        break;
    }
}

bool CameraDriver::CameraStart()
{
    if (!isOpen())
        return false;
    switch (gCameraID) {
    case kCameraDaheng:
        gx::GXSendCommand(gxDevice, gx::kAcquisitionStart);
        break;
    case kCameraIds:
        ueye::is_CaptureVideo(ueyeCamera, 1);
        break;
    case kCameraMind:
        mindvision::CameraPlay(mindCamera);
        break;
    case kCameraHik:
        mvs::MV_CC_StartGrabbing(hikDevice);
        break;
    default:
        break;
    }
    acquiring_ = true;
    if (grabThread) {
        // A thread told to stop may still be finishing its last poll; starting
        // it again before it has ended would do nothing and leave the camera
        // silently without a grab loop.
        if (grabThread->isRunning() && !grabThread->running)
            grabThread->wait();
        if (!grabThread->isRunning()) {
            grabThread->running = true;
            grabThread->start();
        }
    }
    return true;
}

void CameraDriver::stopAcquisition()
{
    switch (gCameraID) {
    case kCameraDaheng:
        gx::GXSendCommand(gxDevice, gx::kAcquisitionStop);
        break;
    case kCameraIds:
        ueye::is_StopLiveVideo(ueyeCamera, ueye::kForceVideoStop);
        break;
    case kCameraMind:
        if (mindCamera > 0)
            mindvision::CameraStop(mindCamera);
        break;
    case kCameraHik:
        mvs::MV_CC_StopGrabbing(hikDevice);
        break;
    default:
        break;
    }
    acquiring_ = false;
}

void CameraDriver::CameraStop()
{
    if (!isOpen())
        return;
    stopAcquisition();
    if (grabThread)
        grabThread->running = false;
}

void CameraDriver::CameraChangeTrig(bool restart)
{
    if (!isOpen() || !gpWPara)
        return;
    const bool external = gpWPara->use_external_trigger != 0;
    switch (gCameraID) {
    case kCameraDaheng:
        if (restart)
            gx::GXSendCommand(gxDevice, gx::kAcquisitionStop);
        gx::GXSetEnum(gxDevice, gx::kAcquisitionMode, 2);
        gx::GXSetEnum(gxDevice, gx::kTriggerMode, 0);
        if (restart)
            gx::GXSendCommand(gxDevice, gx::kAcquisitionStart);
        break;
    case kCameraMind:
        mindvision::CameraSetTriggerMode(mindCamera, external ? 2 : 0);
        break;
    case kCameraHik:
        if (external) {
            mvs::MV_CC_SetEnumValue(hikDevice, "TriggerMode", 1);
            mvs::MV_CC_SetEnumValue(hikDevice, "TriggerSource", 0);
        } else {
            mvs::MV_CC_SetEnumValue(hikDevice, "TriggerMode", 0);
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- settings

void CameraDriver::SetExposeTime()
{
    const WizardPara* p = settings(true);
    if (!isOpen() || !p)
        return;
    const int e = p->expose_time[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        if (p->auto_exposure) {
            gx::GXSetEnum(gxDevice, gx::kExposureAuto, 1);
        } else {
            gx::GXSetEnum(gxDevice, gx::kExposureAuto, 0);
            double current = 0;
            gx::GXGetFloat(gxDevice, gx::kExposureTime, &current);
            gx::GxFloatRange r{};
            double value = e; // a percentage of the range when the range is known
            if (gx::GXGetFloatRange(gxDevice, gx::kExposureTime, &r) == gx::kSuccess)
                value = int(r.min + (r.max - r.min) / 100 * e);
            gx::GXSetFloat(gxDevice, gx::kExposureTime, value);
        }
        gx::GXSetEnum(gxDevice, gx::kAutoShading, p->auto_shading ? 1 : 0);
        break;
    }
    case kCameraIds: {
        double ms = e;
        ueye::is_Exposure(ueyeCamera, ueye::kExposureSet, &ms, sizeof ms);
        break;
    }
    case kCameraMind:
        if (p->auto_exposure) {
            mindvision::CameraSetAeState(mindCamera, 1);
        } else {
            mindvision::CameraSetAeState(mindCamera, 0);
            mindvision::CameraSetExposureTime(mindCamera, e * 1000.0);
        }
        mindvision::CameraCommonCall(mindCamera, p->auto_shading ? "set_awdr_enable(true)" : "set_awdr_enable(false)",
                                     nullptr, 0);
        break;
    case kCameraHik:
        mvs::MV_CC_SetEnumValue(hikDevice, "ExposureMode", 0);
        mvs::MV_CC_SetEnumValue(hikDevice, "ExposureAuto", 0);
        mvs::MV_CC_SetFloatValue(hikDevice, "ExposureTime", float(e * 1000.0));
        break;
    default:
        break;
    }
    SetWB();
}

void CameraDriver::SetAdjustPlus()
{
    // The floating exposure block tunes the gain too.
    const WizardPara* p = settings(true);
    if (!isOpen() || !p)
        return;
    const int g = p->adjust_plus[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        gx::GxFloatRange r{};
        if (gx::GXGetFloatRange(gxDevice, gx::kGain, &r) == gx::kSuccess)
            gx::GXSetFloat(gxDevice, gx::kGain, r.min + g * (r.max - r.min) / 64);
        break;
    }
    case kCameraIds:
        ueye::is_SetHardwareGain(ueyeCamera, g, g, g, g);
        break;
    case kCameraMind: {
        int mn = 0, mx = 0;
        if (mindvision::CameraGetAeAnalogGainRange(mindCamera, &mn, &mx) == mindvision::kSuccess)
            mindvision::CameraSetAnalogGain(mindCamera, int(mn + g * double(mx - mn) / 64));
        break;
    }
    case kCameraHik: {
        mvs::FloatValue v{};
        const bool known = mvs::MV_CC_GetGain(hikDevice, &v) == mvs::MV_OK;
        mvs::MV_CC_SetEnumValue(hikDevice, "GainAuto", 0);
        if (known)
            mvs::MV_CC_SetFloatValue(hikDevice, "Gain", g * ((v.max - v.min) * (1.0f / 64)) + v.min);
        break;
    }
    default:
        break;
    }
    SetWB();
}

void CameraDriver::SetSharp()
{
    const WizardPara* p = settings();
    if (!isOpen() || !p)
        return;
    const int s = p->sharp[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        gx::GxFloatRange r{};
        if (gx::GXGetFloatRange(gxDevice, gx::kSharpness, &r) == gx::kSuccess)
            gx::GXSetFloat(gxDevice, gx::kSharpness, int(r.min + s * (r.max - r.min) / 100));
        break;
    }
    case kCameraMind: {
        const mindvision::IntRange r = mindCapability.sharpness;
        mindvision::CameraSetSharpness(mindCamera, int(r.min + s * double(r.max - r.min) / 100));
        break;
    }
    case kCameraHik: {
        mvs::IntValue v{};
        if (mvs::MV_CC_GetSharpness(hikDevice, &v) == mvs::MV_OK)
            mvs::MV_CC_SetIntValue(hikDevice, "Sharpness", int(s * float((v.max - v.min) / 100.0) + v.min));
        break;
    }
    case kCameraV4l2:
        sharpPart = sharpText(s);
        rebuildFilters();
        break;
    default:
        break;
    }
}

void CameraDriver::SetContrast()
{
    const WizardPara* p = settings();
    if (!isOpen() || !p)
        return;
    const int k = p->contrast[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
        gContrast[cameraIndex] = k > 150 ? 100 : k - 50;
        break;
    }
    case kCameraMind: {
        const mindvision::IntRange r = mindCapability.contrast;
        mindvision::CameraSetContrast(mindCamera, int(r.min + k * double(r.max - r.min) / 200));
        break;
    }
    case kCameraV4l2:
        contrastPart = contrastText(k);
        rebuildFilters();
        break;
    default:
        break;
    }
}

void CameraDriver::SetGamma()
{
    const WizardPara* p = settings();
    if (!isOpen() || !p)
        return;
    const int y = p->gamma[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        gx::GxFloatRange r{};
        if (gx::GXGetFloatRange(gxDevice, gx::kGamma, &r) == gx::kSuccess)
            gx::GXSetFloat(gxDevice, gx::kGamma, r.min + y * (r.max - r.min) / 250);
        break;
    }
    case kCameraIds: {
        ueye::INT v = y;
        ueye::is_Gamma(ueyeCamera, ueye::kGammaSet, &v, sizeof v);
        break;
    }
    case kCameraMind: {
        const mindvision::IntRange r = mindCapability.gamma;
        mindvision::CameraSetGamma(mindCamera, int(r.min + y * double(r.max - r.min) / 250));
        break;
    }
    case kCameraHik: {
        mvs::FloatValue v{};
        if (mvs::MV_CC_GetGamma(hikDevice, &v) == mvs::MV_OK)
            mvs::MV_CC_SetFloatValue(hikDevice, "Gamma", y * ((v.max - v.min) / 250) + v.min);
        break;
    }
    case kCameraV4l2:
        gammaPart = gammaText(y);
        rebuildFilters();
        break;
    default:
        break;
    }
}

void CameraDriver::SetWB()
{
    if (!isOpen() || !gisColor)
        return;
    if (gCameraID == kCameraMind)
        mindvision::CameraSetOnceWB(mindCamera);
    else if (gCameraID == kCameraHik)
        mvs::MV_CC_SetBalanceWhiteAuto(hikDevice, 2);
}

void CameraDriver::AutoChangeExposeTime()
{
    if (!gpWPara)
        return;
    int& e = gpWPara->expose_time[cameraIndex];
    if (averageGrey > 130)
        e -= 1;
    else if (averageGrey <= 125)
        e += 1;
    SetExposeTime();
}

namespace {

// (value - min) / (range / parts), guarded against an empty range.
int readBack(double value, double min, double max, double parts)
{
    const double step = (max - min) / parts;
    return step > 0 ? int((value - min) / step) : 0;
}

} // namespace

void CameraDriver::RestoreDefaultSettings()
{
    // A closed or lost camera has no valid handle to restore through.
    if (!isOpen() || !gpWParaBak)
        return;
    WizardPara& edit = *gpWParaBak;
    const int c = cameraIndex;
    switch (gCameraID) {
    case kCameraMind: {
        using namespace mindvision;
        CameraDriver::CameraStop();
        CameraLoadParameter(mindCamera, 255);
        applyMindFormat();
        CameraSetAeState(mindCamera, gpWPara && gpWPara->auto_exposure ? 1 : 0);
        CameraSetMirror(mindCamera, 0, 0);
        CameraSetMirror(mindCamera, 1, gOW < 2048 && !colour_ ? 1 : 0);
        CameraSetFrameSpeed(mindCamera, 0);
        double exposure = 0;
        CameraGetExposureTime(mindCamera, &exposure);
        edit.expose_time[c] = int(exposure / 1000);
        int gain = 0, gmin = 0, gmax = 0;
        CameraGetAnalogGain(mindCamera, &gain);
        CameraGetAeAnalogGainRange(mindCamera, &gmin, &gmax);
        edit.adjust_plus[c] = readBack(gain, gmin, gmax, 64);
        int v = 0;
        CameraGetSharpness(mindCamera, &v);
        edit.sharp[c] = readBack(v, mindCapability.sharpness.min, mindCapability.sharpness.max, 100);
        CameraGetContrast(mindCamera, &v);
        edit.contrast[c] = readBack(v, mindCapability.contrast.min, mindCapability.contrast.max, 200);
        CameraGetGamma(mindCamera, &v);
        edit.gamma[c] = readBack(v, mindCapability.gamma.min, mindCapability.gamma.max, 250);
        CameraStart();
        CameraSetSpeed();
        break;
    }
    case kCameraHik: {
        using namespace mvs;
        CameraStop();
        MV_CC_SetEnumValue(hikDevice, "UserSetSelector", 0);
        MV_CC_SetCommandValue(hikDevice, "UserSetLoad");
        MV_CC_SetEnumValue(hikDevice, "PixelFormat", unsigned(gSensorColor && colour_ ? kPixelBayerRG8 : kPixelMono8));
        CameraStart();
        FloatValue f{};
        if (MV_CC_GetFloatValue(hikDevice, "ExposureTime", &f) == MV_OK)
            edit.expose_time[c] = int(f.current / 1000);
        if (MV_CC_GetGain(hikDevice, &f) == MV_OK)
            edit.adjust_plus[c] = readBack(f.current, f.min, f.max, 64);
        IntValue i{};
        if (MV_CC_GetSharpness(hikDevice, &i) == MV_OK)
            edit.sharp[c] = readBack(double(i.current), double(i.min), double(i.max), 100);
        if (MV_CC_GetGamma(hikDevice, &f) == MV_OK)
            edit.gamma[c] = readBack(f.current, f.min, f.max, 250);
        break;
    }
    case kCameraV4l2:
        edit.contrast[c] = 140;
        edit.gamma[c] = 40;
        edit.sharp[c] = 0;
        contrastPart = contrastText(140);
        gammaPart = gammaText(40);
        sharpPart = sharpText(0);
        extraPart.clear();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- frames

void CameraDriver::deliver(const unsigned char* frame)
{
    std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
    std::memcpy(recvImage.data(), frame, colorLen_);
    isImageFill[cameraIndex] = true;
    ++delivered_;
}

void CameraDriver::deliverGrey(const unsigned char* grey)
{
    if (colour_) {
        framecopy::greyToRgb32(grey, colorBuffer.data(), imageLen_);
        deliver(colorBuffer.data());
    } else {
        deliver(grey);
    }
}

bool CameraDriver::takeFrame(unsigned char* dest)
{
    std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
    if (dest)
        std::memcpy(dest, recvImage.data(), colorLen_);
    const bool fresh = isImageFill[cameraIndex];
    isImageFill[cameraIndex] = false;
    return fresh;
}

bool CameraDriver::grabOnce()
{
    switch (gCameraID) {
    case kCameraDaheng:
        grabDaheng();
        return true;
    case kCameraIds:
        grabIds();
        return true;
    case kCameraMind:
        grabMind();
        return true;
    case kCameraV4l2:
        return grabV4l2();
    default:
        return true; // Hikvision frames come through the callback
    }
}

void CameraDriver::grabDaheng()
{
    gxFrame.imageBuffer = rawFrame.data();
    gxFrame.bufferSize = int32_t(rawFrame.size());
    if (gx::GXGetImage(gxDevice, &gxFrame, 100) != gx::kSuccess || gxFrame.status != 0)
        return;
    if (gxFrame.width != imageW_ || gxFrame.height != imageH_ || gxFrame.imageSize != int32_t(imageLen_)) {
        dropFrame();
        return;
    }
    int contrast = 0;
    {
        std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
        contrast = gContrast[cameraIndex];
    }
    // The raw frame holds one byte per pixel, whatever the colour setting.
    gx::DxContrast(rawFrame.data(), grabBuffer.data(), int32_t(imageLen_), contrast);
    deliverGrey(grabBuffer.data());
}

void CameraDriver::grabIds()
{
    if (!ueyeMemory)
        return;
    ueye::Size2D size{0, 0};
    if (ueye::is_ZUV(ueyeCamera, ueye::kImageSizeGet, &size, sizeof size) != ueye::kSuccess
        || size.width != imageW_ || size.height != imageH_) {
        dropFrame();
        return;
    }
    // The camera keeps writing this memory; a new frame shows as new content.
    if (std::memcmp(ueyeMemory, idsLast_.data(), imageLen_) == 0)
        return;
    std::memcpy(idsLast_.data(), ueyeMemory, imageLen_);
    deliverGrey(idsLast_.data());
}

void CameraDriver::grabMind()
{
    using namespace mindvision;
    if (CameraGetImageBuffer(mindCamera, &mindFrameHead, &mindRawBuffer, 100) != kSuccess)
        return;
    bool ok = mindFrameHead.width == imageW_ && mindFrameHead.height == imageH_;
    if (ok)
        ok = CameraImageProcess(mindCamera, mindRawBuffer, grabBuffer.data(), &mindFrameHead) == kSuccess;
    CameraReleaseImageBuffer(mindCamera, mindRawBuffer);
    if (!ok) {
        dropFrame();
        return;
    }
    if (colour_ && gSensorColor) {
        framecopy::rgbToRgb32(grabBuffer.data(), colorBuffer.data(), imageLen_);
        deliver(colorBuffer.data());
    } else {
        deliverGrey(grabBuffer.data());
    }
}

void CameraDriver::ImageCallBack(unsigned char* data, mvs::FrameInfo* info, void* user)
{
    if (!info || !user)
        return;
    static_cast<CameraDriver*>(user)->hikFrame(data, info);
}

void CameraDriver::hikFrame(const unsigned char* data, const mvs::FrameInfo* info)
{
    if (!data || info->width != imageW_ || info->height != imageH_ || info->frameLength < imageLen_) {
        dropFrame();
        return;
    }
    if (colour_ && gSensorColor) {
        hikConvert.srcPixelType = info->pixelType;
        hikConvert.srcData = data;
        hikConvert.srcDataLength = info->frameLength;
        hikConvert.dstPixelType = mvs::kPixelRgb8;
        hikConvert.dstBuffer = colorBuffer.data();
        hikConvert.dstBufferSize = unsigned(imageLen_ * 3);
        if (mvs::MV_CC_ConvertPixelType(hikDevice, &hikConvert) != mvs::MV_OK) {
            dropFrame();
            return;
        }
        framecopy::rgbToRgb32(colorBuffer.data(), grabBuffer.data(), imageLen_);
        deliver(grabBuffer.data());
    } else {
        deliverGrey(data);
    }
}

// ---------------------------------------------------------------- all cameras

void CameraSetSpeed()
{
    if (!gpWPara)
        return;
    const int s = gpWPara->capture_speed;
    for (int i : usedSlots()) {
        CameraDriver* d = CameraDriver::at(i);
        if (!d || !d->isOpen())
            continue;
        d->CameraStop();
        switch (gCameraID) {
        case kCameraIds: {
            uint32_t clock = uint32_t(s);
            ueye::is_PixelClock(d->ueyeCamera, ueye::kPixelClockSet, &clock, sizeof clock);
            break;
        }
        case kCameraMind:
            mindvision::CameraSetFrameSpeed(d->mindCamera, gisColor ? s + 1 : s);
            break;
        case kCameraHik:
            mvs::MV_CC_SetBoolValue(d->hikDevice, "AcquisitionFrameRateEnable", true);
            mvs::MV_CC_SetFloatValue(d->hikDevice, "AcquisitionFrameRate", s < 5 ? 20.0f : float(s));
            break;
        default:
            break;
        }
        d->CameraStart();
    }
}

void SaveSN(int clear)
{
    for (auto& slot : gSerialNB)
        setParamText(slot, QByteArrayLiteral("0"));
    if (!clear) {
        for (int i : usedSlots()) {
            const int slot = gCamNO[i];
            CameraDriver* d = CameraDriver::at(i);
            if (slot < 0 || slot >= kCameraSlots || !d || !d->isOpen())
                continue;
            QByteArray text;
            bool read = true;
            switch (gCameraID) {
            case kCameraIds: {
                ueye::CameraInfo info{};
                if (ueye::is_GetCameraInfo(d->ueyeCamera, &info) == ueye::kSuccess)
                    text = fixedText(info.serialNumber);
                break;
            }
            case kCameraMind: {
                unsigned char buf[32] = {};
                mindvision::CameraReadSN(d->mindCamera, buf, 0);
                text = QByteArray(reinterpret_cast<const char*>(buf), int(strnlen(reinterpret_cast<const char*>(buf), 31)));
                break;
            }
            case kCameraHik:
                if (d->hikDeviceInfo && d->hikDeviceInfo->transportLayer == mvs::kGigEDevice)
                    text = fixedText(d->hikDeviceInfo->gige.serialNumber).left(31);
                break;
            default:
                read = false; // nothing reads a serial on these back-ends
                break;
            }
            if (read)
                setParamText(gSerialNB[slot], text.left(WizardPara::TextLen - 1));
        }
    }
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kSerialConnection), false);
    if (!db.isOpen())
        qWarning() << "SN.db is not open; serial bindings not saved";
    for (int k = 0; k < kCameraSlots; ++k) {
        const QString text = QString::fromLatin1(storedSerial(k));
        if (db.isOpen()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("update sysparam set value=? where name=?"));
            q.addBindValue(text);
            q.addBindValue(QStringLiteral("serialNB%1").arg(k));
            if (!q.exec())
                qWarning() << "cannot save serial of slot" << k << q.lastError().text();
        }
        if (slotInUse(k))
            host::insertRecord(QStringLiteral("Save SN %1: %2").arg(k + 1).arg(text));
    }
}
