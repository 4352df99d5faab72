#include "cameradriver/cameradriver.h"

#include "cameradriver/camerahost.h"
#include "cameradriver/camerathread.h"
#include "cameradriver/cameratexts.h"
#include "cameradriver/framecopy.h"
#include "cameradriver/v4l2session.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/background.h"
#include "platform/host.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace {

CameraDriver* gDrivers[kCameraSlots] = {};
// Guards the hand-over of a pending close between the thread that makes it
// and the driver's own end (and the list above while a close looks a driver up).
std::mutex gCloseMutex;
std::condition_variable gCloseDone;

// Grab threads that did not end in time, with the state they still use.
struct Retired {
    CameraThread* thread;
    std::shared_ptr<GrabState> state;
    CameraDriver* owner;
};
std::mutex gRetiredMutex;
std::vector<Retired> gRetired;

void reapRetired(CameraDriver* owner = nullptr, bool wait = false)
{
    std::vector<Retired> done;
    {
        std::lock_guard<std::mutex> l(gRetiredMutex);
        for (auto it = gRetired.begin(); it != gRetired.end();) {
            if ((owner && it->owner == owner && wait) || it->thread->isFinished()) {
                done.push_back(*it);
                it = gRetired.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Retired& r : done) {
        r.thread->waitEnd(); // bounded by the thread's own waits
        delete r.thread;
    }
}

template <typename Char, size_t N>
QByteArray fixedText(const Char (&field)[N])
{
    const char* p = reinterpret_cast<const char*>(field);
    return QByteArray(p, int(strnlen(p, N)));
}

bool eightBitGx(int32_t format)
{
    switch (format) {
    case gx::GX_PIXEL_FORMAT_MONO8:
    case gx::GX_PIXEL_FORMAT_BAYER_GR8:
    case gx::GX_PIXEL_FORMAT_BAYER_RG8:
    case gx::GX_PIXEL_FORMAT_BAYER_GB8:
    case gx::GX_PIXEL_FORMAT_BAYER_BG8:
        return true; // one byte per pixel, delivered as grey like the maker's sample
    default:
        return false;
    }
}

bool eightBitHik(mvs::MvGvspPixelType type)
{
    switch (type) {
    case mvs::PixelType_Gvsp_Mono8:
    case mvs::PixelType_Gvsp_BayerGR8:
    case mvs::PixelType_Gvsp_BayerRG8:
    case mvs::PixelType_Gvsp_BayerGB8:
    case mvs::PixelType_Gvsp_BayerBG8:
        return true;
    default:
        return false;
    }
}

// The serial of the Daheng camera that GXOpenDeviceByIndex(index + 1)
// opens: entry `index` of the device list.
QByteArray dahengListedSerial(int index)
{
    std::vector<gx::GX_DEVICE_BASE_INFO> list(size_t(qMax(kCameraSlots, gFindCamera) + 8));
    size_t bytes = list.size() * sizeof(gx::GX_DEVICE_BASE_INFO);
    if (gx::GXGetAllDeviceBaseInfo(list.data(), &bytes) != gx::GX_STATUS_SUCCESS)
        return QByteArray();
    if (index < 0 || size_t(index) >= qMin(list.size(), bytes / sizeof(gx::GX_DEVICE_BASE_INFO)))
        return QByteArray();
    return fixedText(list[size_t(index)].szSN);
}

// The operator is told through the event loop: a camera opened by the
// recovery inside a pass must not hold it in a message box.
void tellOperator(const QString& text)
{
    qWarning().noquote() << text;
    host::insertRecord(text);
    host::showWarningLater(text);
}

QSet<int>& keptSettings()
{
    static QSet<int> said;
    return said;
}

// Slots whose MindVision camera was said to be made grey by the library.
QSet<int>& greyByLibrarySaid()
{
    static QSet<int> said;
    return said;
}

} // namespace

QByteArray StoredSerial(int slot)
{
    if (slot < 0 || slot >= kCameraSlots)
        return QByteArray();
    return QByteArray(gSerialNB[slot], int(strnlen(gSerialNB[slot], WizardPara::TextLen)));
}

bool SerialBinds(int backend, const QByteArray& serial)
{
    if (backend == kCameraIds)
        return serial.size() >= 9 && serial.size() <= 19;
    return serial.size() > 8;
}

QString FaultText(int slot, const FaultReport& f)
{
    const int camera = slot + 1;
    switch (f.kind) {
    case CameraFault::FrameSize:
        return LanStr(cameratext::kFrameSize).arg(camera).arg(f.width).arg(f.height).arg(gImageW).arg(gImageH);
    case CameraFault::FrameFormat:
        return LanStr(cameratext::kFrameFormat).arg(camera).arg(QStringLiteral("0x%1").arg(f.detail, 8, 16, QLatin1Char('0')));
    case CameraFault::FilterGraph:
        return LanStr(cameratext::kFilterGraph).arg(camera);
    case CameraFault::Silent:
        return LanStr(cameratext::kSilent).arg(camera).arg(f.detail);
    case CameraFault::ReadFailed:
        return LanStr(cameratext::kReadFailed).arg(camera);
    case CameraFault::Processing:
        return LanStr(cameratext::kProcessing).arg(camera);
    case CameraFault::StuckThread:
        return LanStr(cameratext::kStuckThread).arg(camera);
    case CameraFault::DeviceGone:
        if (f.detail == 0)
            return LanStr(cameratext::kDeviceNotListed).arg(camera);
        return LanStr(cameratext::kDeviceGone)
            .arg(camera)
            .arg(gCameraID == kCameraHik ? QStringLiteral("0x%1").arg(f.detail, 0, 16) : QString::number(f.detail));
    case CameraFault::None:
        break;
    }
    return QString();
}

void TellCameraKeeps(int slot, int settingRow)
{
    if (keptSettings().contains(settingRow))
        return;
    keptSettings().insert(settingRow);
    tellOperator(LanStr(cameratext::kKeepsOwn).arg(slot + 1).arg(LanStr(settingRow)));
}

void ForgetCameraNotices()
{
    keptSettings().clear();
    greyByLibrarySaid().clear();
}

GrabState::~GrabState()
{
    av_frame_free(&avFrame);
    av_frame_free(&avFiltered);
}

CameraDriver::CameraDriver(int slot)
    : cameraIndex(slot),
      imageW_(gImageW),
      imageH_(gImageH),
      imageLen_(size_t(qMax(0, gImageLen))),
      colorLen_(size_t(qMax(0, gColorLen))),
      colour_(gisColor)
{
    // The receive buffer is made by the first open: a slot that never has a
    // camera holds no frame.
    if (gpWPara) {
        contrastPart = contrastText(gpWPara->contrast[slot]);
        gammaPart = gammaText(gpWPara->gamma[slot]);
        sharpPart = sharpText(gpWPara->sharp[slot]);
    }
    std::lock_guard<std::mutex> l(gCloseMutex);
    if (slot >= 0 && slot < kCameraSlots)
        gDrivers[slot] = this;
}

CameraDriver::~CameraDriver()
{
    // A restore's thread uses this driver until it lets go of the camera.
    waitForRestore();
    *alive_ = false;
    if (isOpen()) {
        CameraStop();
        CameraClose();
    }
    completePendingClose();
    delete grabThread;
    reapRetired(this, true);
    {
        std::lock_guard<std::mutex> lock(graphMutex);
        avfilter_graph_free(&avGraph);
        sws_freeContext(sws_);
        sws_ = nullptr;
    }
    std::lock_guard<std::mutex> l(gCloseMutex);
    if (cameraIndex >= 0 && cameraIndex < kCameraSlots && gDrivers[cameraIndex] == this)
        gDrivers[cameraIndex] = nullptr;
}

CameraDriver* CameraDriver::at(int slot)
{
    return slot >= 0 && slot < kCameraSlots ? gDrivers[slot] : nullptr;
}

int CameraDriver::retiredThreads()
{
    reapRetired();
    std::lock_guard<std::mutex> l(gRetiredMutex);
    return int(gRetired.size());
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

// ---------------------------------------------------------------- faults

void CameraDriver::reportFault(const FaultReport& f)
{
    std::lock_guard<std::mutex> l(faultMutex_);
    if (faultKind_.load() != int(CameraFault::None))
        return; // the first cause is the one that counts
    fault_ = f;
    faultKind_ = int(f.kind);
}

bool CameraDriver::takeFault(FaultReport* out)
{
    std::lock_guard<std::mutex> l(faultMutex_);
    if (faultKind_.load() == int(CameraFault::None))
        return false;
    if (out)
        *out = fault_;
    fault_ = FaultReport();
    faultKind_ = int(CameraFault::None);
    return true;
}

void CameraDriver::failOpen(const QString& why)
{
    openFailure_ = why;
    qWarning().noquote() << QStringLiteral("camera %1 not opened: %2").arg(cameraIndex + 1).arg(why);
}

// ---------------------------------------------------------------- opening

std::shared_ptr<GrabState> CameraDriver::newGrabState()
{
    auto g = std::make_shared<GrabState>();
    g->owner = this;
    g->generation = ++opens_;
    if (g->generation == 0)
        g->generation = ++opens_; // 0 means "none"
    g->backend = gCameraID;
    g->width = imageW_;
    g->height = imageH_;
    g->colour = colour_;
    g->colorBuffer = recvImage;
    return g;
}

bool CameraDriver::CameraOpen()
{
    if (cameraIndex < 0 || cameraIndex >= kCameraSlots)
        return false;
    completePendingClose(); // the device of the last open is closed first
    cameraOpened[cameraIndex] = false;
    reapRetired();
    openFailure_.clear();
    deviceSerial_.clear();
    if (cameraIndex >= gFindCamera)
        return false;
    const QByteArray serial = StoredSerial(cameraIndex);
    bool ok = false;
    try {
        {
            // A buffer of this open's own: a thread of an earlier open may
            // still be writing into the previous one.
            auto fresh = std::make_shared<std::vector<unsigned char>>(colorLen_, 0);
            std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
            recvImage = std::move(fresh);
            isImageFill[cameraIndex] = false;
        }
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
    } catch (const std::bad_alloc&) {
        // The frame buffers of the camera did not fit; the device is closed again below.
        failOpen(QStringLiteral("not enough memory for the frame buffers"));
        ok = false;
        cameraOpened[cameraIndex] = true;
        CameraClose();
    }
    if (!ok) {
        grabState.reset();
        return false;
    }
    takeFault(nullptr);
    if (grabState)
        current_ = grabState->generation;
    cameraOpened[cameraIndex] = true;
    delete grabThread;
    grabThread = grabState ? new CameraThread(this, grabState) : nullptr;
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
    using namespace gx;
    GX_STATUS st;
    const bool bound = SerialBinds(kCameraDaheng, serial);
    if (bound) {
        QByteArray content = serial;
        GX_OPEN_PARAM p{content.data(), GX_OPEN_SN, GX_ACCESS_EXCLUSIVE};
        st = GXOpenDevice(&p, &gxDevice);
    } else {
        st = GXOpenDeviceByIndex(uint32_t(cameraIndex + 1), &gxDevice);
    }
    if (st != GX_STATUS_SUCCESS) {
        gxDevice = nullptr;
        return false;
    }
    GXSetInt(gxDevice, kFeature0BBB, 0);
    const bool binning = imageW_ * 2 == gOW;
    if (binning)
        for (GX_FEATURE_ID f : {kBinningHorizontal, kBinningVertical, kDecimationHorizontal, kDecimationVertical})
            GXSetInt(gxDevice, f, 2);
    // A camera takes an offset only where the window still fits its current
    // width (and a width only where it fits the current offset): offsets to
    // 0 first, then the size, then the centring offsets.
    const int64_t x = binning ? 0 : (gOW - imageW_) / 2;
    const int64_t y = binning ? 0 : (gOH - imageH_) / 2;
    const std::pair<GX_FEATURE_ID, int64_t> window[] = {{GX_INT_OFFSET_X, 0},       {GX_INT_OFFSET_Y, 0},
                                                        {GX_INT_WIDTH, imageW_},    {GX_INT_HEIGHT, imageH_},
                                                        {GX_INT_OFFSET_X, x},       {GX_INT_OFFSET_Y, y}};
    for (const auto& step : window) {
        const GX_STATUS ws = GXSetInt(gxDevice, step.first, step.second);
        if (ws != GX_STATUS_SUCCESS) {
            const QString text =
                LanStr(cameratext::kDahengWindow).arg(cameraIndex + 1).arg(imageW_).arg(imageH_).arg(x).arg(y).arg(ws);
            failOpen(text);
            host::insertRecord(text);
            GXCloseDevice(gxDevice);
            gxDevice = nullptr;
            return false;
        }
    }
    GXSetEnum(gxDevice, GX_ENUM_SHARPNESS_MODE, GX_SHARPNESS_MODE_ON);
    GXSetBool(gxDevice, GX_BOOL_GAMMA_ENABLE, true);
    // The library writes a whole payload into our buffer: it must fit, or
    // every frame would be refused (or worse). Checked once, here.
    int64_t payload = 0;
    if (GXGetInt(gxDevice, GX_INT_PAYLOAD_SIZE, &payload) != GX_STATUS_SUCCESS || payload <= 0
        || uint64_t(payload) > imageLen_) {
        failOpen(QStringLiteral("payload %1 bytes, frame buffer %2").arg(payload).arg(imageLen_));
        host::insertRecord(LanStr(cameratext::kWorkingSize).arg(cameraIndex + 1).arg(imageW_).arg(imageH_));
        GXCloseDevice(gxDevice);
        gxDevice = nullptr;
        return false;
    }
    deviceSerial_ = bound ? serial : dahengListedSerial(cameraIndex);
    grabState = newGrabState();
    grabState->gxDevice = gxDevice;
    grabState->rawFrame.assign(imageLen_, 0);
    return true;
}

bool CameraDriver::openIds(const QByteArray& serial)
{
    using namespace ueye;
    HIDS h = 0;
    if (SerialBinds(kCameraIds, serial)) {
        INT n = 0;
        is_GetNumberOfCameras(&n);
        bool found = false;
        for (INT i = 1; i <= n && !found; ++i) {
            h = HIDS(i) | IS_USE_DEVICE_ID;
            if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
                continue;
            CAMINFO info{};
            if (is_GetCameraInfo(h, &info) == IS_SUCCESS && fixedText(info.SerNo) == serial)
                found = true;
            else
                is_ExitCamera(h);
        }
        if (!found)
            return false;
    } else {
        h = HIDS(cameraIndex + 1) | IS_USE_DEVICE_ID;
        if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
            return false;
    }
    ueyeCamera = h;
    CAMINFO info{};
    if (is_GetCameraInfo(ueyeCamera, &info) == IS_SUCCESS)
        deviceSerial_ = fixedText(info.SerNo);
    auto refuse = [&](const QString& why) {
        failOpen(why);
        host::insertRecord(LanStr(cameratext::kWorkingSize).arg(cameraIndex + 1).arg(imageW_).arg(imageH_));
        freeIdsMemories();
        is_ExitCamera(ueyeCamera);
        return false;
    };
    // The working size comes from the sensor information: a sensor smaller
    // than the working size cannot deliver it.
    SENSORINFO sensor{};
    if (is_GetSensorInfo(ueyeCamera, &sensor) != IS_SUCCESS)
        return refuse(QStringLiteral("no sensor information"));
    if (int(sensor.nMaxWidth) < imageW_ || int(sensor.nMaxHeight) < imageH_)
        return refuse(QStringLiteral("sensor %1 x %2").arg(sensor.nMaxWidth).arg(sensor.nMaxHeight));
    ueyeColorMode = IS_CM_MONO8;
    ueyeBitsPerPixel = 8;
    is_SetColorMode(ueyeCamera, ueyeColorMode);
    // The camera writes its frames in turn into a sequence of memories and
    // skips one that is locked: a finished frame is copied out locked, whole,
    // while the camera writes the next into another.
    freeIdsMemories();
    for (int k = 0; k < kIdsMemories; ++k) {
        char* memory = nullptr;
        int id = 0;
        if (is_AllocImageMem(ueyeCamera, imageW_, imageH_, ueyeBitsPerPixel, &memory, &id) != IS_SUCCESS || !memory)
            return refuse(QStringLiteral("no image memory"));
        ueyeMemories.emplace_back(memory, id);
        if (is_AddToSequence(ueyeCamera, memory, id) != IS_SUCCESS)
            return refuse(QStringLiteral("image memory sequence refused"));
    }
    ueyeMemory = ueyeMemories.front().first;
    ueyeMemoryId = ueyeMemories.front().second;
    INT pitch = 0, x = 0, y = 0, bits = 0;
    if (is_InquireImageMem(ueyeCamera, ueyeMemory, ueyeMemoryId, &x, &y, &bits, &pitch) != IS_SUCCESS || pitch < imageW_)
        return refuse(QStringLiteral("image memory pitch %1").arg(pitch));
    if (is_EnableEvent(ueyeCamera, IS_SET_EVENT_FRAME) != IS_SUCCESS)
        return refuse(QStringLiteral("no frame event"));
    // The image size is the area of interest from the sensor's corner; the
    // camera keeps it, so it is set and checked here once, not per frame.
    IS_RECT aoi{0, 0, imageW_, imageH_};
    is_AOI(ueyeCamera, IS_AOI_IMAGE_SET_AOI, &aoi, sizeof aoi);
    IS_RECT now{};
    if (is_AOI(ueyeCamera, IS_AOI_IMAGE_GET_AOI, &now, sizeof now) != IS_SUCCESS || now.s32Width != imageW_
        || now.s32Height != imageH_)
        return refuse(QStringLiteral("area of interest %1 x %2").arg(now.s32Width).arg(now.s32Height));
    double off = 0.0, unused = 0.0;
    is_SetAutoParameter(ueyeCamera, IS_SET_ENABLE_AUTO_GAIN, &off, &unused);
    off = 0.0;
    is_SetAutoParameter(ueyeCamera, IS_SET_ENABLE_AUTO_SHUTTER, &off, &unused);
    is_SetHardwareGamma(ueyeCamera, 1);
    // The parameter's size goes with it, so a library that expects another
    // type refuses the call instead of misreading the value.
    UINT clock = 5;
    is_PixelClock(ueyeCamera, IS_PIXELCLOCK_CMD_SET, &clock, sizeof clock);
    grabState = newGrabState();
    grabState->ueyeCamera = ueyeCamera;
    grabState->ueyePitch = pitch;
    grabState->ueyeSerial = deviceSerial_;
    return true;
}

void CameraDriver::freeIdsMemories()
{
    using namespace ueye;
    if (!ueyeMemories.empty()) {
        is_DisableEvent(ueyeCamera, IS_SET_EVENT_FRAME);
        is_ClearSequence(ueyeCamera);
    }
    for (const auto& m : ueyeMemories)
        is_FreeImageMem(ueyeCamera, m.first, m.second);
    ueyeMemories.clear();
    ueyeMemory = nullptr;
    ueyeMemoryId = 0;
}

int CameraDriver::mindSensorWidth() const
{
    return mindCapability.sResolutionRange.iWidthMax > 0 ? mindCapability.sResolutionRange.iWidthMax : gOW;
}

int CameraDriver::applyMindGeometry(bool* greyByLibrary)
{
    using namespace mindvision;
    // The window is centred on this camera's own sensor; a camera too small
    // for the working size refuses it.
    const int sensorW = mindSensorWidth();
    const int sensorH = mindCapability.sResolutionRange.iHeightMax > 0 ? mindCapability.sResolutionRange.iHeightMax : gOH;
    tSdkImageResolution r{};
    if (gImageResolution.iWidth > 0 && gImageResolution.iWidth == imageW_ && gImageResolution.iHeight == imageH_) {
        r = gImageResolution;
    } else {
        r.iIndex = kCustomResolution;
        r.iHOffsetFOV = (sensorW - imageW_) / 2;
        r.iVOffsetFOV = (sensorH - imageH_) / 2;
        r.iWidthFOV = r.iWidth = imageW_;
        r.iHeightFOV = r.iHeight = imageH_;
    }
    // Each call only while every one before it was taken.
    int st = CameraSetImageResolution(mindCamera, &r);
    if (gSensorColor) {
        const UINT format = colour_ ? CAMERA_MEDIA_TYPE_RGB8 : CAMERA_MEDIA_TYPE_MONO8;
        if (st == CAMERA_STATUS_SUCCESS)
            st = CameraSetWbMode(mindCamera, 0);
        if (sensorW == 2048) {
            if (st == CAMERA_STATUS_SUCCESS)
                st = CameraSetIspOutFormat(mindCamera, format);
            if (st == CAMERA_STATUS_SUCCESS)
                st = CameraSetMonochrome(mindCamera, colour_ ? 0 : 1);
        } else {
            if (st == CAMERA_STATUS_SUCCESS)
                st = setMindMediaType(greyByLibrary);
            if (st == CAMERA_STATUS_SUCCESS)
                st = CameraSetIspOutFormat(mindCamera, format);
        }
    } else {
        if (st == CAMERA_STATUS_SUCCESS)
            st = CameraSetIspOutFormat(mindCamera, CAMERA_MEDIA_TYPE_MONO8);
        if (st == CAMERA_STATUS_SUCCESS)
            st = CameraSetMonochrome(mindCamera, 0);
    }
    return st;
}

int CameraDriver::setMindMediaType(bool* greyByLibrary)
{
    using namespace mindvision;
    // The list is the camera's own and as long as it is: the entry is found
    // by its format code, an 8-bit Bayer plane with colour, grey without.
    const auto* list = static_cast<const tSdkMediaType*>(mindCapability.pMediaTypeDesc);
    const int count = list ? mindCapability.iMediaTypdeDesc : 0;
    for (int i = 0; i < count; ++i) {
        const UINT code = list[i].iMediaType;
        const bool bayer8 = code == CAMERA_MEDIA_TYPE_BAYGR8 || code == CAMERA_MEDIA_TYPE_BAYRG8
            || code == CAMERA_MEDIA_TYPE_BAYGB8 || code == CAMERA_MEDIA_TYPE_BAYBG8;
        if (colour_ ? bayer8 : code == CAMERA_MEDIA_TYPE_MONO8)
            return CameraSetMediaType(mindCamera, i);
    }
    // None: the camera keeps its own, and with grey asked for the library
    // turns its colour frames into grey (the output format set next).
    if (!colour_ && greyByLibrary)
        *greyByLibrary = true;
    return CAMERA_STATUS_SUCCESS;
}

void CameraDriver::noteGreyByLibrary()
{
    if (greyByLibrarySaid().contains(cameraIndex))
        return;
    greyByLibrarySaid().insert(cameraIndex);
    const QString text = LanStr(cameratext::kMediaNoMono).arg(cameraIndex + 1);
    qInfo().noquote() << text;
    host::insertRecord(text);
}

bool CameraDriver::openMind(const QByteArray& serial)
{
    using namespace mindvision;
    tSdkCameraDevInfo* entry = nullptr;
    if (!SerialBinds(kCameraMind, serial)) {
        if (cameraIndex < gCListCount)
            entry = &gCList[cameraIndex];
    } else {
        const int n = qMin(gFindCamera, gCListCount);
        for (int i = 0; i < n; ++i) {
            if (fixedText(gCList[i].acSn) == serial) {
                host::insertRecord(LanStr(cameratext::kMindOpen).arg(cameraIndex + 1).arg(QString::fromLatin1(serial)));
                entry = &gCList[i];
                break;
            }
        }
    }
    int status = -1;
    if (entry)
        status = CameraInit(entry, -1, -1, &mindCamera);
    if (status != CAMERA_STATUS_SUCCESS) {
        host::insertRecord(LanStr(cameratext::kMindFail).arg(status));
        mindCamera = 0;
        return false;
    }
    deviceSerial_ = fixedText(entry->acSn);
    std::memset(&mindCapability, 0, sizeof mindCapability);
    CameraGetCapability(mindCamera, &mindCapability);
    // A camera that cannot be given the working size and format would send
    // frames of another kind: it is not opened.
    auto fail = [&](int st, const QString& why) {
        host::insertRecord(LanStr(cameratext::kMindFail).arg(st));
        failOpen(why);
        CameraUnInit(mindCamera);
        mindCamera = 0;
        return false;
    };
    bool greyByLibrary = false;
    int st = applyMindGeometry(&greyByLibrary);
    if (greyByLibrary)
        noteGreyByLibrary();
    if (st == CAMERA_STATUS_SUCCESS)
        st = CameraSetMirror(mindCamera, MIRROR_DIRECTION_HORIZONTAL, 0);
    if (st == CAMERA_STATUS_SUCCESS)
        st = CameraSetMirror(mindCamera, MIRROR_DIRECTION_VERTICAL, 0);
    if (st == CAMERA_STATUS_SUCCESS)
        st = CameraSetFrameSpeed(mindCamera, 0);
    if (st != CAMERA_STATUS_SUCCESS)
        return fail(st, QStringLiteral("working size %1 x %2 and output format refused, status %3")
                            .arg(imageW_)
                            .arg(imageH_)
                            .arg(st));
    // The image processor writes as many bytes per pixel as its output
    // format has: the buffer is sized by the format the camera reports back.
    UINT format = 0;
    const int bytes = CameraGetIspOutFormat(mindCamera, &format) != CAMERA_STATUS_SUCCESS ? 0
        : format == CAMERA_MEDIA_TYPE_MONO8                                               ? 1
        : format == CAMERA_MEDIA_TYPE_MONO16                                              ? 2
        : format == CAMERA_MEDIA_TYPE_RGB8 || format == CAMERA_MEDIA_TYPE_BGR8            ? 3
        : format == CAMERA_MEDIA_TYPE_RGBA8 || format == CAMERA_MEDIA_TYPE_BGRA8          ? 4
                                                                                          : 0;
    // The processor writes into the next frame's buffer: without the colour
    // setting that holds one byte per pixel only.
    if (bytes == 0 || (!colour_ && bytes > 1)) {
        failOpen(QStringLiteral("output format 0x%1 cannot be used").arg(format, 8, 16, QLatin1Char('0')));
        host::insertRecord(LanStr(cameratext::kFrameFormat)
                               .arg(cameraIndex + 1)
                               .arg(QStringLiteral("0x%1").arg(format, 8, 16, QLatin1Char('0'))));
        CameraUnInit(mindCamera);
        mindCamera = 0;
        return false;
    }
    grabState = newGrabState();
    grabState->mindCamera = mindCamera;
    grabState->processBytes = bytes;
    // The processor writes as many bytes per pixel as its output format has,
    // whatever was asked of it (a defaults load changes the format): grey
    // frames are processed into room for the widest, 4 bytes per pixel, and
    // refused unless grey. With colour the frame's own buffer has that room.
    if (!colour_)
        grabState->mindProcessed.assign(imageLen_ * 4, 0);
    return true;
}

bool CameraDriver::openHik(const QByteArray& serial)
{
    using namespace mvs;
    MV_CC_DEVICE_INFO* dev = nullptr;
    const int listed = int(qMin(gDevList.nDeviceNum, MV_MAX_DEVICE_NUM));
    // GigE and USB cameras alike are known by the serial of their list entry.
    auto serialOf = [](const MV_CC_DEVICE_INFO& d) {
        size_t size = 0;
        const unsigned char* field = SerialField(d, &size);
        return QByteArray(reinterpret_cast<const char*>(field), int(strnlen(reinterpret_cast<const char*>(field), size)));
    };
    if (!SerialBinds(kCameraHik, serial)) {
        if (cameraIndex < listed)
            dev = gDevList.pDeviceInfo[cameraIndex];
    } else {
        const int n = qMin(gFindCamera, listed);
        for (int i = 0; i < n; ++i) {
            MV_CC_DEVICE_INFO* d = gDevList.pDeviceInfo[i];
            if (d && serialOf(*d) == serial) {
                dev = d;
                break;
            }
        }
    }
    if (!dev)
        return false;
    hikDeviceInfo = dev;
    // A copy: the list entry belongs to the library and goes with the next enumeration.
    deviceSerial_ = serialOf(*dev);
    if (MV_CC_CreateHandle(&hikDevice, dev) != MV_OK) {
        hikDevice = nullptr;
        return false;
    }
    if (MV_CC_OpenDevice(hikDevice, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(hikDevice);
        hikDevice = nullptr;
        return false;
    }
    MV_CC_SetEnumValue(hikDevice, "UserSetSelector", 0);
    MV_CC_SetCommandValue(hikDevice, "UserSetLoad");
    MV_CC_SetBoolValue(hikDevice, "SharpnessEnable", true);
    MV_CC_SetBoolValue(hikDevice, "GammaEnable", true);
    grabState = newGrabState();
    grabState->hikDevice = hikDevice;
    const bool rgb = gSensorColor && colour_;
    grabState->hikConverts = rgb;
    MV_CC_PIXEL_CONVERT_PARAM& c = grabState->hikConvert;
    std::memset(&c, 0, sizeof c);
    c.nWidth = (unsigned short)imageW_;
    c.nHeight = (unsigned short)imageH_;
    c.nSrcDataLen = unsigned(imageLen_);
    c.nDstLen = unsigned(imageLen_);
    c.nDstBufferSize = unsigned(colorLen_);
    // The grab state is the callback's user: it outlives the callbacks,
    // which end with stop-grabbing.
    MV_CC_RegisterImageCallBack(hikDevice, &CameraDriver::ImageCallBack, grabState.get());
    // A camera gone says so here, whatever the trigger mode: frames alone
    // cannot tell a disconnected camera from one waiting for its trigger.
    MV_CC_RegisterExceptionCallBack(hikDevice, &CameraDriver::ExceptionCallBack, grabState.get());
    MV_CC_SetEnumValue(hikDevice, "PixelFormat",
                       unsigned(rgb ? PixelType_Gvsp_BayerRG8 : PixelType_Gvsp_Mono8));
    return true;
}

bool CameraDriver::endGrabThread(int waitMs)
{
    if (!grabThread)
        return true;
    grabThread->running = false;
    if (grabState && grabState->v4l2)
        grabState->v4l2->abort = true;
    if (grabThread->waitEnd(ulong(std::max(0, waitMs)))) {
        delete grabThread;
        grabThread = nullptr;
        return true;
    }
    qWarning().noquote() << QStringLiteral("camera %1: the grab thread did not end within %2 ms; left to finish")
                                .arg(cameraIndex + 1)
                                .arg(waitMs);
    {
        std::lock_guard<std::mutex> l(gRetiredMutex);
        gRetired.push_back({grabThread, grabThread->state, this});
    }
    grabThread = nullptr;
    return false;
}

void CameraDriver::CameraClose()
{
    if (!isOpen())
        return;
    detachForClose();
    completePendingClose();
}

void CameraDriver::detachForClose()
{
    if (!isOpen())
        return;
    cameraOpened[cameraIndex] = false;
    {
        std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
        current_ = 0; // nothing more is delivered from this open
    }
    if (grabThread)
        grabThread->running = false;
    if (grabState && grabState->v4l2)
        grabState->v4l2->abort = true;
    std::lock_guard<std::mutex> l(gCloseMutex);
    closeState_ = 1;
}

void CameraDriver::finishPendingClose(int slot)
{
    CameraDriver* d = nullptr;
    {
        std::lock_guard<std::mutex> l(gCloseMutex);
        d = at(slot);
        if (!d || d->closeState_.load() != 1)
            return;
        d->closeState_ = 2; // the driver waits for this close before it goes
    }
    d->closeClaimed();
}

void CameraDriver::completePendingClose()
{
    {
        std::unique_lock<std::mutex> l(gCloseMutex);
        gCloseDone.wait(l, [this] { return closeState_.load() != 2; });
        if (closeState_.load() != 1)
            return;
        closeState_ = 2;
    }
    closeClaimed();
}

void CameraDriver::closeClaimed()
{
    finishClose();
    {
        std::lock_guard<std::mutex> l(gCloseMutex);
        closeState_ = 0;
    }
    gCloseDone.notify_all();
}

void CameraDriver::finishClose()
{
    // Off the GUI thread (the recovery's worker) but for the driver's own
    // end: the camera is closed only once a restore let go of it.
    waitForRestore();
    if (acquiring_)
        stopAcquisition(); // never leave the SDK delivering into a closed camera
    const bool ended = endGrabThread(gCameraID == kCameraV4l2 ? kV4l2CloseWaitMs : kCloseWaitMs);
    switch (gCameraID) {
    case kCameraDaheng:
        gx::GXCloseDevice(gxDevice);
        break;
    case kCameraIds:
        // A thread still comparing the image memory would read freed memory:
        // the memory then goes with the camera when the library lets it go.
        if (ended)
            freeIdsMemories();
        ueyeMemories.clear();
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
    grabState.reset();
}

void CameraDriver::startAcquisition()
{
    switch (gCameraID) {
    case kCameraDaheng:
        gx::GXSendCommand(gxDevice, gx::GX_COMMAND_ACQUISITION_START);
        break;
    case kCameraIds:
        // Without waiting for a first image: under hardware trigger that
        // wait lasts until the machine triggers, and a start may run on the
        // GUI thread.
        ueye::is_CaptureVideo(ueyeCamera, ueye::IS_DONT_WAIT);
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
    if (grabState)
        grabState->acquiring = true;
}

bool CameraDriver::CameraStart()
{
    if (!isOpen())
        return false;
    if (lentToRestore("start"))
        return true; // the restore starts it again when it is done
    startAcquisition();
    if (grabThread) {
        // A thread told to stop may still be finishing its last poll; a
        // second loop beside it would share its state. One that does not end
        // in time is a fault of the camera, not a reason to wait on.
        if (grabThread->isRunning() && !grabThread->waitEnd(kStartWaitMs)) {
            reportFault({CameraFault::StuckThread});
            return true;
        }
        if (grabState && grabState->v4l2)
            grabState->v4l2->abort = false;
        if (grabState)
            grabState->lastPacketMs = 0;
        grabThread->running = true;
        grabThread->start();
    }
    return true;
}

void CameraDriver::stopAcquisition()
{
    if (grabState)
        grabState->acquiring = false; // what the library answers from here on is our own stop
    switch (gCameraID) {
    case kCameraDaheng:
        gx::GXSendCommand(gxDevice, gx::GX_COMMAND_ACQUISITION_STOP);
        break;
    case kCameraIds:
        ueye::is_StopLiveVideo(ueyeCamera, ueye::IS_FORCE_VIDEO_STOP);
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
    if (!isOpen() || lentToRestore("stop"))
        return;
    stopAcquisition();
    if (grabThread)
        grabThread->running = false;
    if (grabState && grabState->v4l2)
        grabState->v4l2->abort = true;
}

void CameraDriver::CameraChangeTrig(bool restart)
{
    if (!isOpen() || !gpWPara || lentToRestore("trigger mode"))
        return;
    const bool external = gpWPara->use_external_trigger != 0;
    switch (gCameraID) {
    case kCameraDaheng:
        if (restart)
            gx::GXSendCommand(gxDevice, gx::GX_COMMAND_ACQUISITION_STOP);
        gx::GXSetEnum(gxDevice, gx::GX_ENUM_ACQUISITION_MODE, gx::GX_ACQ_MODE_CONTINUOUS);
        gx::GXSetEnum(gxDevice, gx::GX_ENUM_TRIGGER_MODE, gx::GX_TRIGGER_MODE_OFF);
        if (restart)
            gx::GXSendCommand(gxDevice, gx::GX_COMMAND_ACQUISITION_START);
        break;
    case kCameraMind:
        mindvision::CameraSetTriggerMode(mindCamera,
                                         external ? mindvision::TRIGGER_EXTERNAL : mindvision::TRIGGER_CONTINUATION);
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
    if (!isOpen() || !p || lentToRestore("exposure"))
        return;
    const int e = p->expose_time[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        using namespace gx;
        if (p->auto_exposure) {
            GXSetEnum(gxDevice, GX_ENUM_EXPOSURE_AUTO, GX_EXPOSURE_AUTO_CONTINUOUS);
        } else {
            GXSetEnum(gxDevice, GX_ENUM_EXPOSURE_AUTO, GX_EXPOSURE_AUTO_OFF);
            double current = 0;
            GXGetFloat(gxDevice, GX_FLOAT_EXPOSURE_TIME, &current);
            GX_FLOAT_RANGE r{};
            double value = e; // a percentage of the range when the range is known
            if (GXGetFloatRange(gxDevice, GX_FLOAT_EXPOSURE_TIME, &r) == GX_STATUS_SUCCESS)
                value = int(r.dMin + (r.dMax - r.dMin) / 100 * e);
            GXSetFloat(gxDevice, GX_FLOAT_EXPOSURE_TIME, value);
        }
        // A camera without the switch keeps its own shading; the operator hears of it once.
        if (GXSetEnum(gxDevice, kAutoShading, p->auto_shading ? 1 : 0) != GX_STATUS_SUCCESS)
            TellCameraKeeps(cameraIndex, cameratext::kSettingShading);
        break;
    }
    case kCameraIds: {
        double ms = e;
        ueye::is_Exposure(ueyeCamera, ueye::IS_EXPOSURE_CMD_SET_EXPOSURE, &ms, sizeof ms);
        break;
    }
    case kCameraMind:
        if (p->auto_exposure) {
            mindvision::CameraSetAeState(mindCamera, 1);
        } else {
            mindvision::CameraSetAeState(mindCamera, 0);
            mindvision::CameraSetExposureTime(mindCamera, e * 1000.0);
        }
        setMindShading(p->auto_shading != 0);
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
    if (!isOpen() || !p || lentToRestore("gain"))
        return;
    const int g = p->adjust_plus[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        gx::GX_FLOAT_RANGE r{};
        if (gx::GXGetFloatRange(gxDevice, gx::GX_FLOAT_GAIN, &r) == gx::GX_STATUS_SUCCESS)
            gx::GXSetFloat(gxDevice, gx::GX_FLOAT_GAIN, r.dMin + g * (r.dMax - r.dMin) / 64);
        break;
    }
    case kCameraIds:
        ueye::is_SetHardwareGain(ueyeCamera, g, g, g, g);
        break;
    case kCameraMind: {
        int mn = 0, mx = 0;
        if (mindGainRange(&mn, &mx))
            mindvision::CameraSetAnalogGain(mindCamera, int(mn + g * double(mx - mn) / 64));
        break;
    }
    case kCameraHik: {
        mvs::MVCC_FLOATVALUE v{};
        const bool known = mvs::MV_CC_GetFloatValue(hikDevice, "Gain", &v) == mvs::MV_OK;
        mvs::MV_CC_SetEnumValue(hikDevice, "GainAuto", 0);
        if (known)
            mvs::MV_CC_SetFloatValue(hikDevice, "Gain", g * ((v.fMax - v.fMin) * (1.0f / 64)) + v.fMin);
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
    if (!isOpen() || !p || lentToRestore("sharpness"))
        return;
    const int s = p->sharp[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        gx::GX_FLOAT_RANGE r{};
        if (gx::GXGetFloatRange(gxDevice, gx::GX_FLOAT_SHARPNESS, &r) == gx::GX_STATUS_SUCCESS)
            gx::GXSetFloat(gxDevice, gx::GX_FLOAT_SHARPNESS, int(r.dMin + s * (r.dMax - r.dMin) / 100));
        break;
    }
    case kCameraMind: {
        const mindvision::tRange r = mindCapability.sSharpnessRange;
        mindvision::CameraSetSharpness(mindCamera, int(r.iMin + s * double(r.iMax - r.iMin) / 100));
        break;
    }
    case kCameraHik: {
        mvs::MVCC_INTVALUE v{};
        if (mvs::MV_CC_GetSharpness(hikDevice, &v) == mvs::MV_OK)
            mvs::MV_CC_SetIntValueEx(hikDevice, "Sharpness",
                                     int64_t(s * float((double(v.nMax) - double(v.nMin)) / 100.0) + v.nMin));
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
    if (!isOpen() || !p || lentToRestore("contrast"))
        return;
    const int k = p->contrast[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
        gContrast[cameraIndex] = k > 150 ? 100 : k - 50;
        break;
    }
    case kCameraMind: {
        // Proportional over the camera's range however narrow it is; the
        // contrast acts only while the LUT is made from it.
        const mindvision::tRange r = mindCapability.sContrastRange;
        mindvision::CameraSetLutMode(mindCamera, mindvision::LUTMODE_PARAM_GEN);
        mindvision::CameraSetContrast(mindCamera, int(r.iMin + k * double(r.iMax - r.iMin) / 200));
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
    if (!isOpen() || !p || lentToRestore("gamma"))
        return;
    const int y = p->gamma[cameraIndex];
    switch (gCameraID) {
    case kCameraDaheng: {
        gx::GX_FLOAT_RANGE r{};
        if (gx::GXGetFloatRange(gxDevice, gx::GX_FLOAT_GAMMA, &r) == gx::GX_STATUS_SUCCESS)
            gx::GXSetFloat(gxDevice, gx::GX_FLOAT_GAMMA, r.dMin + y * (r.dMax - r.dMin) / 250);
        break;
    }
    case kCameraIds: {
        ueye::INT v = y;
        ueye::is_Gamma(ueyeCamera, ueye::IS_GAMMA_CMD_SET, &v, sizeof v);
        break;
    }
    case kCameraMind: {
        const mindvision::tRange r = mindCapability.sGammaRange;
        mindvision::CameraSetGamma(mindCamera, int(r.iMin + y * double(r.iMax - r.iMin) / 250));
        break;
    }
    case kCameraHik: {
        mvs::MVCC_FLOATVALUE v{};
        if (mvs::MV_CC_GetFloatValue(hikDevice, "Gamma", &v) == mvs::MV_OK)
            mvs::MV_CC_SetFloatValue(hikDevice, "Gamma", y * ((v.fMax - v.fMin) / 250) + v.fMin);
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
    if (restoring_.load()) {
        wbOwed_ = true; // once the restore is done
        return;
    }
    if (gCameraID == kCameraMind)
        mindvision::CameraSetOnceWB(mindCamera);
    else if (gCameraID == kCameraHik)
        mvs::MV_CC_SetBalanceWhiteAuto(hikDevice, mvs::MV_BALANCEWHITE_AUTO_ONCE);
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

// (value - min) / (range / parts), guarded against an empty range and kept
// within the setting's own 0..parts.
int readBack(double value, double min, double max, double parts)
{
    const double step = (max - min) / parts;
    return step > 0 ? qBound(0, int((value - min) / step), int(parts)) : 0;
}

} // namespace

bool CameraDriver::mindGainRange(int* mn, int* mx) const
{
    // The auto-exposure gain range where the library has the call, else the
    // analog gain range of the capability.
    if (mindvision::Has("CameraGetAeAnalogGainRange")
        && mindvision::CameraGetAeAnalogGainRange(mindCamera, mn, mx) == mindvision::CAMERA_STATUS_SUCCESS)
        return true;
    *mn = int(mindCapability.sExposeDesc.uiAnalogGainMin);
    *mx = int(mindCapability.sExposeDesc.uiAnalogGainMax);
    return *mx > *mn;
}

void CameraDriver::setMindShading(bool on)
{
    // Older libraries lack the call, and a camera may refuse it: either way
    // the camera keeps its own shading, and the operator hears of it once.
    char result[64] = {};
    if (!mindvision::Has("CameraCommonCall")
        || mindvision::CameraCommonCall(mindCamera, on ? "set_awdr_enable(true)" : "set_awdr_enable(false)", result,
                                        sizeof result)
            != mindvision::CAMERA_STATUS_SUCCESS)
        TellCameraKeeps(cameraIndex, cameratext::kSettingShading);
}

// ---------------------------------------------------------------- defaults restore

bool CameraDriver::lentToRestore(const char* what) const
{
    if (!restoring_.load())
        return false;
    qWarning().noquote() << QStringLiteral("camera %1: %2 left out, its defaults are being restored")
                                .arg(cameraIndex + 1)
                                .arg(QLatin1String(what));
    return true;
}

void CameraDriver::waitForRestore()
{
    std::unique_lock<std::mutex> l(restoreMutex_);
    restoreEnded_.wait(l, [this] { return !restoring_.load(); });
}

void CameraDriver::restoreStop()
{
    stopAcquisition();
    if (grabThread)
        grabThread->running = false;
}

void CameraDriver::restoreStart()
{
    // A camera the loss closed meanwhile stays stopped: its close waits for
    // this thread, and the recovery opens it anew.
    if (closeState_.load() != 0)
        return;
    startAcquisition();
    if (!grabThread)
        return;
    // One that does not end in time is a fault of the camera, as at a start.
    if (grabThread->isRunning() && !grabThread->waitEnd(kStartWaitMs)) {
        reportFault({CameraFault::StuckThread});
        return;
    }
    // Under the close lock: a loss marking the camera closed now tells the
    // thread started here to end.
    std::lock_guard<std::mutex> l(gCloseMutex);
    if (closeState_.load() != 0)
        return;
    grabThread->running = true;
    grabThread->start();
}

RestoreAnswer CameraDriver::restoreMind(const RestoreInputs& in)
{
    using namespace mindvision;
    RestoreAnswer a;
    const int c = cameraIndex;
    restoreStop();
    // The grab thread ends its poll before the camera's set is replaced: no
    // frame is processed while the output format changes under it.
    if (grabThread && grabThread->isRunning() && !grabThread->waitEnd(kStartWaitMs)) {
        a.told << LanStr(cameratext::kRestoreBusy).arg(c + 1);
        restoreStart(); // reports the stuck thread as a fault of the camera
        return a;
    }
    const int loaded = CameraLoadParameter(mindCamera, PARAMETER_TEAM_DEFAULT);
    if (loaded != CAMERA_STATUS_SUCCESS) {
        // Nothing was restored: the edit copy keeps its values.
        a.told << LanStr(cameratext::kRestoreFailed).arg(c + 1).arg(loaded);
        restoreStart();
        return a;
    }
    a.restored = true;
    // The defaults bring the camera's own size, format, trigger, LUT and
    // mirroring back. A camera that refuses our size and format is said so;
    // its frames are then refused as of another size or format, and the
    // loss check takes it from there.
    const int geometry = applyMindGeometry(&a.greyByLibrary);
    if (geometry != CAMERA_STATUS_SUCCESS)
        a.told << LanStr(cameratext::kRestoreIncomplete).arg(c + 1).arg(geometry);
    CameraSetAeState(mindCamera, in.autoExposure ? 1 : 0);
    // The picture as the open sets it: never mirrored, or templates trained
    // now would be upside down against the frames after the next open.
    CameraSetMirror(mindCamera, MIRROR_DIRECTION_HORIZONTAL, 0);
    CameraSetMirror(mindCamera, MIRROR_DIRECTION_VERTICAL, 0);
    CameraSetFrameSpeed(mindCamera, 0);
    // Hardware trigger stays on (a free-running camera would start a cycle
    // with every set of frames), and contrast and gamma keep acting.
    CameraSetTriggerMode(mindCamera, in.externalTrigger ? TRIGGER_EXTERNAL : TRIGGER_CONTINUATION);
    CameraSetLutMode(mindCamera, LUTMODE_PARAM_GEN);
    // What the camera holds now, as settings of the page.
    double us = 0;
    if (CameraGetExposureTime(mindCamera, &us) == CAMERA_STATUS_SUCCESS)
        a.exposure = int(us / 1000);
    int mn = 0, mx = 0, v = 0;
    if (CameraGetAnalogGain(mindCamera, &v) == CAMERA_STATUS_SUCCESS && mindGainRange(&mn, &mx))
        a.gain = readBack(v, mn, mx, 64);
    const tRange sharp = mindCapability.sSharpnessRange;
    if (CameraGetSharpness(mindCamera, &v) == CAMERA_STATUS_SUCCESS)
        a.sharp = readBack(v, sharp.iMin, sharp.iMax, 100);
    const tRange contrast = mindCapability.sContrastRange;
    if (CameraGetContrast(mindCamera, &v) == CAMERA_STATUS_SUCCESS)
        a.contrast = readBack(v, contrast.iMin, contrast.iMax, 200);
    const tRange gamma = mindCapability.sGammaRange;
    if (CameraGetGamma(mindCamera, &v) == CAMERA_STATUS_SUCCESS)
        a.gamma = readBack(v, gamma.iMin, gamma.iMax, 250);
    // The frame speed of the settings before the camera starts again; the
    // other cameras kept theirs, so they are neither stopped nor started.
    CameraSetFrameSpeed(mindCamera, in.speed);
    restoreStart();
    return a;
}

RestoreAnswer CameraDriver::restoreHik(const RestoreInputs& in)
{
    using namespace mvs;
    RestoreAnswer a;
    restoreStop();
    MV_CC_SetEnumValue(hikDevice, "UserSetSelector", 0);
    MV_CC_SetCommandValue(hikDevice, "UserSetLoad");
    MV_CC_SetEnumValue(hikDevice, "PixelFormat", in.hikFormat);
    // The user set loaded brings its own trigger mode.
    if (in.externalTrigger) {
        MV_CC_SetEnumValue(hikDevice, "TriggerMode", 1);
        MV_CC_SetEnumValue(hikDevice, "TriggerSource", 0);
    } else {
        MV_CC_SetEnumValue(hikDevice, "TriggerMode", 0);
    }
    restoreStart();
    a.restored = true;
    MVCC_FLOATVALUE f{};
    if (MV_CC_GetFloatValue(hikDevice, "ExposureTime", &f) == MV_OK)
        a.exposure = int(f.fCurValue / 1000);
    if (MV_CC_GetFloatValue(hikDevice, "Gain", &f) == MV_OK)
        a.gain = readBack(f.fCurValue, f.fMin, f.fMax, 64);
    MVCC_INTVALUE i{};
    if (MV_CC_GetSharpness(hikDevice, &i) == MV_OK)
        a.sharp = readBack(double(i.nCurValue), double(i.nMin), double(i.nMax), 100);
    if (MV_CC_GetFloatValue(hikDevice, "Gamma", &f) == MV_OK)
        a.gamma = readBack(f.fCurValue, f.fMin, f.fMax, 250);
    return a;
}

void CameraDriver::finishRestore(const RestoreAnswer& a)
{
    const int c = cameraIndex;
    if (gpWParaBak) {
        WizardPara& edit = *gpWParaBak;
        if (a.exposure)
            edit.expose_time[c] = *a.exposure;
        if (a.gain)
            edit.adjust_plus[c] = *a.gain;
        if (a.sharp)
            edit.sharp[c] = *a.sharp;
        if (a.contrast)
            edit.contrast[c] = *a.contrast;
        if (a.gamma)
            edit.gamma[c] = *a.gamma;
    }
    if (a.greyByLibrary)
        noteGreyByLibrary();
    for (const QString& text : a.told)
        tellOperator(text);
    if (wbOwed_) {
        wbOwed_ = false;
        SetWB();
    }
}

void CameraDriver::RestoreDefaultSettings(std::function<void(bool restored)> done)
{
    auto answer = [done](bool restored) {
        if (done)
            done(restored);
    };
    // A closed or lost camera has no valid handle to restore through.
    if (!isOpen() || !gpWParaBak) {
        answer(false);
        return;
    }
    const int c = cameraIndex;
    if (restoring_.load()) {
        tellOperator(LanStr(cameratext::kRestoreRunning).arg(c + 1));
        answer(false);
        return;
    }
    RestoreInputs in;
    in.autoExposure = gpWPara && gpWPara->auto_exposure;
    in.externalTrigger = gpWPara && gpWPara->use_external_trigger;
    switch (gCameraID) {
    case kCameraMind: {
        const int s = gpWPara ? gpWPara->capture_speed : 0;
        in.speed = gisColor ? s + 1 : s;
        break;
    }
    case kCameraHik:
        in.hikFormat = unsigned(gSensorColor && colour_ ? mvs::PixelType_Gvsp_BayerRG8 : mvs::PixelType_Gvsp_Mono8);
        break;
    case kCameraV4l2: {
        WizardPara& edit = *gpWParaBak;
        edit.contrast[c] = 140;
        edit.gamma[c] = 40;
        edit.sharp[c] = 0;
        contrastPart = contrastText(140);
        gammaPart = gammaText(40);
        sharpPart = sharpText(0);
        extraPart.clear();
        answer(true);
        return;
    }
    default:
        answer(false); // Daheng, IDS and no camera have no defaults to restore
        return;
    }
    restoring_ = true;
    const std::shared_ptr<bool> alive = alive_;
    platform::runInBackground<RestoreAnswer>(
        QCoreApplication::instance(),
        [this, in] {
            RestoreAnswer a = gCameraID == kCameraHik ? restoreHik(in) : restoreMind(in);
            // Notified under the lock: a driver waiting to go cannot go before.
            std::lock_guard<std::mutex> l(restoreMutex_);
            restoring_ = false;
            restoreEnded_.notify_all();
            return a;
        },
        [this, alive, answer](RestoreAnswer a) {
            if (!*alive)
                return;
            finishRestore(a);
            answer(a.restored);
        });
}

// ---------------------------------------------------------------- frames

bool CameraDriver::beginFrame(GrabState& g)
{
    std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
    // A thread left to finish, or a camera closed meanwhile, writes nothing.
    if (g.generation != current_.load() || !g.colorBuffer || g.colorBuffer != recvImage ||
        g.colorBuffer->size() != colorLen_)
        return false;
    isImageFill[cameraIndex] = false; // being overwritten: never taken half-written
    return true;
}

void CameraDriver::deliverStaged(GrabState& g)
{
    std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
    if (g.generation != current_.load() || g.colorBuffer != recvImage)
        return;
    isImageFill[cameraIndex] = true;
    ++delivered_;
}

void CameraDriver::deliverGrey(GrabState& g, const unsigned char* grey, size_t stride)
{
    const size_t w = size_t(std::max(0, g.width)), h = size_t(std::max(0, g.height));
    if (!beginFrame(g))
        return;
    unsigned char* out = g.colorBuffer->data();
    for (size_t y = 0; y < h; ++y) {
        const unsigned char* row = grey + y * stride;
        if (colour_)
            framecopy::greyToRgb32(row, out + y * w * 4, w);
        else if (row != out + y * w)
            std::memcpy(out + y * w, row, w);
    }
    deliverStaged(g);
}

void CameraDriver::dropFrame(GrabState& g, const FaultReport& fault)
{
    ++dropped_;
    grabFault(g, fault);
}

void CameraDriver::grabFault(GrabState& g, const FaultReport& fault)
{
    if (g.generation == current_.load())
        reportFault(fault);
}

void CameraDriver::noteReadStatus(GrabState& g, bool error)
{
    if (!error || !g.acquiring) {
        g.failingSinceMs = 0;
        return;
    }
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    if (g.failingSinceMs == 0)
        g.failingSinceMs = now;
    else if (now - g.failingSinceMs >= kFailingMs)
        grabFault(g, {CameraFault::ReadFailed});
}

bool CameraDriver::takeFrame(unsigned char* dest)
{
    std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
    const bool fresh = isImageFill[cameraIndex];
    // Only a complete frame is copied: otherwise the grab side may be writing it.
    if (fresh && dest && recvImage->size() == colorLen_)
        std::memcpy(dest, recvImage->data(), colorLen_);
    isImageFill[cameraIndex] = false;
    return fresh;
}

bool CameraDriver::grabOnce(GrabState& g)
{
    switch (g.backend) {
    case kCameraDaheng:
        grabDaheng(g);
        return true;
    case kCameraIds:
        grabIds(g);
        return true;
    case kCameraMind:
        grabMind(g);
        return true;
    case kCameraV4l2:
        return grabV4l2(g);
    default:
        return true; // Hikvision frames come through the callback
    }
}

void CameraDriver::grabDaheng(GrabState& g)
{
    using namespace gx;
    g.gxFrame.pImgBuf = g.rawFrame.data();
    const GX_STATUS st = GXGetImage(g.gxDevice, &g.gxFrame, 100);
    if (st == GX_STATUS_NEED_MORE_BUFFER) {
        dropFrame(g, {CameraFault::FrameSize, 0, 0, 0});
        return;
    }
    // A camera gone is lost at once, whatever the trigger mode: without
    // frames, hardware-triggered cameras would never start a cycle to notice.
    if ((st == GX_STATUS_OFFLINE || st == GX_STATUS_NOT_FOUND_DEVICE) && g.acquiring) {
        grabFault(g, {CameraFault::DeviceGone, 0, 0, st});
        return;
    }
    noteReadStatus(g, st != GX_STATUS_SUCCESS && st != GX_STATUS_TIMEOUT);
    if (st != GX_STATUS_SUCCESS || g.gxFrame.nStatus != GX_FRAME_STATUS_SUCCESS)
        return; // no frame in time, or an incomplete one
    if (g.gxFrame.nWidth != g.width || g.gxFrame.nHeight != g.height || g.gxFrame.nImgSize != int32_t(imageLen_)) {
        dropFrame(g, {CameraFault::FrameSize, g.gxFrame.nWidth, g.gxFrame.nHeight, 0});
        return;
    }
    if (!eightBitGx(g.gxFrame.nPixelFormat)) {
        dropFrame(g, {CameraFault::FrameFormat, 0, 0, g.gxFrame.nPixelFormat});
        return;
    }
    int contrast = 0;
    {
        std::lock_guard<std::mutex> lock(pMutex[cameraIndex]);
        contrast = gContrast[cameraIndex];
    }
    // Into the start of the next frame, made colour in place when it has to be.
    if (!beginFrame(g))
        return;
    DxContrast(g.rawFrame.data(), g.colorBuffer->data(), int32_t(imageLen_), contrast);
    if (colour_)
        framecopy::greyToRgb32InPlace(g.colorBuffer->data(), imageLen_);
    deliverStaged(g);
}

void CameraDriver::grabIds(GrabState& g)
{
    using namespace ueye;
    checkIdsPresence(g);
    const INT st = is_WaitEvent(g.ueyeCamera, IS_SET_EVENT_FRAME, 100);
    noteReadStatus(g, st != IS_SUCCESS && st != IS_TIMED_OUT);
    if (st != IS_SUCCESS)
        return;
    INT number = 0;
    char* writing = nullptr;
    char* last = nullptr;
    if (is_GetActSeqBuf(g.ueyeCamera, &number, &writing, &last) != IS_SUCCESS || !last || last == writing)
        return;
    if (is_LockSeqBuf(g.ueyeCamera, IS_IGNORE_PARAMETER, last) != IS_SUCCESS)
        return;
    // Locked, the memory is not written again; unless the camera had begun
    // writing it before the lock, the frame in it is whole.
    char* lastNow = nullptr;
    if (is_GetActSeqBuf(g.ueyeCamera, &number, &writing, &lastNow) == IS_SUCCESS && writing != last)
        deliverGrey(g, reinterpret_cast<const unsigned char*>(last), size_t(g.ueyePitch));
    is_UnlockSeqBuf(g.ueyeCamera, IS_IGNORE_PARAMETER, last);
}

void CameraDriver::checkIdsPresence(GrabState& g)
{
    using namespace ueye;
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    if (g.ueyeSerial.isEmpty() || now - g.idsCheckedMs < 1000)
        return;
    g.idsCheckedMs = now;
    // The camera list names every camera connected; a call that fails tells nothing.
    INT n = 0;
    if (is_GetNumberOfCameras(&n) != IS_SUCCESS || n < 0)
        return;
    bool present = false;
    if (n > 0) {
        std::vector<uint32_t> room(1 + (sizeof(UEYE_CAMERA_INFO) * size_t(n) + 3) / 4);
        auto* list = reinterpret_cast<UEYE_CAMERA_LIST*>(room.data());
        list->dwCount = ULONG(n);
        if (is_GetCameraList(list) != IS_SUCCESS)
            return;
        const auto* entries = reinterpret_cast<const UEYE_CAMERA_INFO*>(reinterpret_cast<const char*>(room.data())
                                                                         + offsetof(UEYE_CAMERA_LIST, uci));
        for (int i = 0; i < qMin(int(list->dwCount), n) && !present; ++i)
            present = fixedText(entries[i].SerNo) == g.ueyeSerial;
    }
    // Twice in a row, a second apart: a camera plugged in between the count
    // and the list does not make another one seem gone.
    g.idsMissing = present ? 0 : g.idsMissing + 1;
    if (g.idsMissing >= 2 && g.acquiring)
        grabFault(g, {CameraFault::DeviceGone, 0, 0, 0});
}

void CameraDriver::grabMind(GrabState& g)
{
    using namespace mindvision;
    const int st = CameraGetImageBuffer(g.mindCamera, &g.mindFrameHead, &g.mindRawBuffer, 100);
    if (st != CAMERA_STATUS_SUCCESS) {
        // The statuses that waiting cannot mend are a camera gone, at once
        // and whatever the trigger mode; other errors count when they persist.
        const bool gone = st == CAMERA_STATUS_DEVICE_LOST || st == CAMERA_STATUS_NO_DEVICE_FOUND
            || st == CAMERA_STATUS_NO_LOGIC_DEVICE_FOUND || st == CAMERA_STATUS_DEVICE_IS_CLOSED
            || st == CAMERA_STATUS_DEVICE_VEDIO_CLOSED || st == CAMERA_STATUS_CAMERA_NEED_RESET;
        if (gone && g.acquiring)
            grabFault(g, {CameraFault::DeviceGone, 0, 0, st});
        else
            noteReadStatus(g, st != CAMERA_STATUS_TIME_OUT);
        return;
    }
    noteReadStatus(g, false);
    FaultReport fault;
    bool retired = false;
    if (g.mindFrameHead.iWidth != g.width || g.mindFrameHead.iHeight != g.height)
        fault = {CameraFault::FrameSize, g.mindFrameHead.iWidth, g.mindFrameHead.iHeight, 0};
    else if (colour_ && !beginFrame(g))
        retired = true;
    else if (CameraImageProcess(g.mindCamera, g.mindRawBuffer, colour_ ? g.colorBuffer->data() : g.mindProcessed.data(),
                                &g.mindFrameHead)
             != CAMERA_STATUS_SUCCESS)
        fault = {CameraFault::Processing};
    CameraReleaseImageBuffer(g.mindCamera, g.mindRawBuffer);
    g.mindRawBuffer = nullptr;
    if (retired)
        return;
    if (fault.kind != CameraFault::None) {
        dropFrame(g, fault);
        return;
    }
    const UINT type = g.mindFrameHead.uiMediaType;
    if (!colour_) {
        if (type == CAMERA_MEDIA_TYPE_MONO8)
            deliverGrey(g, g.mindProcessed.data(), size_t(g.width));
        else
            dropFrame(g, {CameraFault::FrameFormat, 0, 0, int64_t(type)});
        return;
    }
    // The processed frame fills the start of the next frame's buffer.
    if (type == CAMERA_MEDIA_TYPE_MONO8) {
        framecopy::greyToRgb32InPlace(g.colorBuffer->data(), imageLen_);
    } else if (type == CAMERA_MEDIA_TYPE_RGB8) {
        framecopy::rgbToRgb32InPlace(g.colorBuffer->data(), imageLen_);
    } else if (type == CAMERA_MEDIA_TYPE_BGR8) {
        framecopy::bgrToRgb32InPlace(g.colorBuffer->data(), imageLen_);
    } else {
        dropFrame(g, {CameraFault::FrameFormat, 0, 0, int64_t(type)});
        return;
    }
    deliverStaged(g);
}

void CameraDriver::ImageCallBack(unsigned char* data, mvs::MV_FRAME_OUT_INFO* info, void* user)
{
    if (!info || !user)
        return;
    auto* g = static_cast<GrabState*>(user);
    g->owner->hikFrame(*g, data, info);
}

void CameraDriver::ExceptionCallBack(unsigned int type, void* user)
{
    if (type != mvs::MV_EXCEPTION_DEV_DISCONNECT || !user)
        return;
    auto* g = static_cast<GrabState*>(user);
    g->owner->grabFault(*g, {CameraFault::DeviceGone, 0, 0, int64_t(type)});
}

void CameraDriver::hikFrame(GrabState& g, const unsigned char* data, const mvs::MV_FRAME_OUT_INFO* info)
{
    if (!data)
        return;
    if (info->nWidth != g.width || info->nHeight != g.height || info->nFrameLen < imageLen_) {
        dropFrame(g, {CameraFault::FrameSize, info->nWidth, info->nHeight, 0});
        return;
    }
    if (g.hikConverts) {
        // RGB into the start of the next frame's buffer, made 4 bytes per pixel in place.
        mvs::MV_CC_PIXEL_CONVERT_PARAM& c = g.hikConvert;
        c.enSrcPixelType = info->enPixelType;
        c.pSrcData = const_cast<unsigned char*>(data);
        c.nSrcDataLen = info->nFrameLen;
        c.enDstPixelType = mvs::PixelType_Gvsp_RGB8_Packed;
        if (!beginFrame(g))
            return;
        c.pDstBuffer = g.colorBuffer->data();
        c.nDstBufferSize = unsigned(g.colorBuffer->size());
        if (mvs::MV_CC_ConvertPixelType(g.hikDevice, &c) != mvs::MV_OK || c.nDstLen < imageLen_ * 3) {
            dropFrame(g, {CameraFault::FrameFormat, 0, 0, info->enPixelType});
            return;
        }
        framecopy::rgbToRgb32InPlace(g.colorBuffer->data(), imageLen_);
        deliverStaged(g);
        return;
    }
    // An 8-bit frame (a colour sensor with the colour setting off sends its
    // Bayer plane as it is); anything wider cannot be read as bytes.
    if (!eightBitHik(info->enPixelType)) {
        dropFrame(g, {CameraFault::FrameFormat, 0, 0, info->enPixelType});
        return;
    }
    deliverGrey(g, data, size_t(g.width));
}

// ---------------------------------------------------------------- all cameras

void CameraSetSpeed()
{
    if (!gpWPara)
        return;
    for (int i : usedSlots()) {
        CameraDriver* d = CameraDriver::at(i);
        if (d && d->isOpen())
            d->changeSpeed();
    }
}

void CameraDriver::changeSpeed()
{
    if (!isOpen() || lentToRestore("frame speed"))
        return;
    // A camera not acquiring as usual (stopped, or its grab thread told to
    // end) is started as at any start.
    const bool polling = !grabThread || (grabThread->running && grabThread->isRunning());
    if (!acquiring_ || !polling) {
        CameraStop();
        applySpeed();
        CameraStart();
        return;
    }
    // The thread keeps polling: a start would otherwise wait on the GUI
    // thread for its last poll to end.
    stopAcquisition();
    applySpeed();
    startAcquisition();
}

void CameraDriver::applySpeed()
{
    if (!gpWPara || !isOpen() || lentToRestore("frame speed"))
        return;
    const int s = gpWPara->capture_speed;
    switch (gCameraID) {
    case kCameraIds: {
        ueye::UINT clock = ueye::UINT(s);
        ueye::is_PixelClock(ueyeCamera, ueye::IS_PIXELCLOCK_CMD_SET, &clock, sizeof clock);
        break;
    }
    case kCameraMind:
        mindvision::CameraSetFrameSpeed(mindCamera, gisColor ? s + 1 : s);
        break;
    case kCameraHik:
        mvs::MV_CC_SetBoolValue(hikDevice, "AcquisitionFrameRateEnable", true);
        mvs::MV_CC_SetFloatValue(hikDevice, "AcquisitionFrameRate", s < 5 ? 20.0f : float(s));
        break;
    default:
        break;
    }
}

bool SaveSN(int clear) { return SaveSN(clear, gCamNO); }

bool SaveSN(int clear, const int* numbers)
{
    if (serialSavesHeld()) {
        // The stored bindings could not be read: memory would replace them.
        tellOperator(LanStr(kLanSerialsUnread));
        return false;
    }
    if (!numbers)
        numbers = gCamNO;
    // The binding to store, worked out beside the one in force: memory takes
    // it only once the disk has it.
    QByteArray next[kCameraSlots];
    for (int k = 0; k < kCameraSlots; ++k)
        next[k] = StoredSerial(k);
    // Clearing drops every binding; saving rebinds the slots in use only, so
    // a slot whose camera did not open this time keeps its camera's serial.
    for (int k = 0; k < kCameraSlots; ++k)
        if (clear || slotInUse(k))
            next[k] = QByteArrayLiteral("0");
    QStringList unbound;
    if (!clear && gCameraID != kCameraNone) {
        for (int i : usedSlots()) {
            const int slot = numbers[i];
            CameraDriver* d = CameraDriver::at(i);
            if (slot < 0 || slot >= kCameraSlots || !slotInUse(slot) || !d || !d->isOpen())
                continue;
            // The serial the open compares with; one that cannot bind would
            // leave the slot to the order of the device list without a word.
            QByteArray text = d->deviceSerial().left(WizardPara::TextLen - 1);
            if (!SerialBinds(gCameraID, text)) {
                unbound << LanStr(cameratext::kSerialUnbound)
                               .arg(i + 1)
                               .arg(text.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(text));
                text = QByteArrayLiteral("0");
            }
            next[slot] = text;
        }
    }
    // One transaction: a missing row is added, and a failure leaves the
    // stored bindings as they were.
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kSerialConnection), false);
    QString failure;
    if (!db.isOpen()) {
        failure = QStringLiteral("SN.db is not open");
    } else if (!db.transaction()) {
        failure = db.lastError().text();
    } else {
        for (int k = 0; k < kCameraSlots && failure.isEmpty(); ++k) {
            const QString name = QStringLiteral("serialNB%1").arg(k);
            const QString text = QString::fromLatin1(next[k]);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("update sysparam set value=? where name=?"));
            q.addBindValue(text);
            q.addBindValue(name);
            if (!q.exec()) {
                failure = q.lastError().text();
                break;
            }
            if (q.numRowsAffected() > 0)
                continue;
            QSqlQuery add(db);
            add.prepare(QStringLiteral("insert into sysparam(name, value) values(?, ?)"));
            add.addBindValue(name);
            add.addBindValue(text);
            if (!add.exec())
                failure = add.lastError().text();
        }
        if (failure.isEmpty() && !db.commit())
            failure = db.lastError().text();
        if (!failure.isEmpty())
            db.rollback();
    }
    if (!failure.isEmpty()) {
        qWarning().noquote() << "camera serials not saved:" << failure;
        host::insertRecord(LanStr(cameratext::kSerialsNotSaved));
        host::showWarning(LanStr(cameratext::kSerialsNotSaved));
        return false;
    }
    for (int k = 0; k < kCameraSlots; ++k)
        setParamText(gSerialNB[k], next[k]);
    if (!clear && numbers != gCamNO)
        for (int i : usedSlots())
            gCamNO[i] = numbers[i];
    for (int k = 0; k < kCameraSlots; ++k)
        if (slotInUse(k))
            host::insertRecord(LanStr(cameratext::kSerialSaved).arg(k + 1).arg(QString::fromLatin1(next[k])));
    if (!unbound.isEmpty()) {
        for (const QString& t : unbound) {
            qWarning().noquote() << t;
            host::insertRecord(t);
        }
        host::showWarningLater(unbound.join(QLatin1Char('\n')));
    }
    return true;
}
