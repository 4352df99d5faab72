#include "platform/cameras/mvsdk.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using camsdk::SimCamera;
using camsdk::SimCameraPtr;

namespace mindvision {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{
        {"libMVSDK.so"},
        {"CameraSdkInit", "CameraEnumerateDevice", "CameraInit", "CameraUnInit", "CameraGetCapability",
         "CameraSetIspOutFormat", "CameraGetIspOutFormat", "CameraSetWbMode", "CameraSetFrameSpeed", "CameraSetTriggerMode", "CameraPlay",
         "CameraStop", "CameraGetImageBuffer", "CameraImageProcess", "CameraReleaseImageBuffer", "CameraSetAeState",
         "CameraSetExposureTime", "CameraGetExposureTime", "CameraSetAnalogGain", "CameraGetAnalogGain",
         "CameraSetSharpness", "CameraGetSharpness", "CameraSetGamma", "CameraGetGamma", "CameraSetOnceWB",
         "CameraSetAeTarget", "CameraSetAntiFlick", "CameraGetImageResolution", "CameraSetImageResolution",
         "CameraSetMirror", "CameraSetMonochrome", "CameraSetMediaType", "CameraSetContrast",
         "CameraGetContrast", "CameraSetLutMode", "CameraLoadParameter", "CameraSdkGetVersionString"},
        // Only some library versions have these.
        {"CameraUSBDeviceInit", "CameraGetAeAnalogGainRange", "CameraSetAeExposureRange", "CameraCommonCall"}};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::MindVision); }
bool sim() { return bus().active(); }

// Per opened simulated camera: the raw buffer lent out between get-buffer
// and release-buffer, and the resolution set last.
struct Session {
    SimCameraPtr camera;
    std::vector<BYTE> raw;
    bool lent = false;
    tSdkImageResolution resolution{};
};

// The descriptor lists of a simulated camera's capability, owned by the
// "library" for the camera's life like the real ones.
struct Lists {
    std::vector<tSdkImageResolution> presets;
    std::vector<tSdkMediaType> media;
};

std::mutex gMutex;
std::map<CameraHandle, Session> gSessions;
std::map<const SimCamera*, Lists> gLists;

// Without a scripted list: the whole sensor, then centred windows
// shrinking by a sixteenth of the sensor each, twelve in all.
QVector<QRect> defaultPresets(const camsdk::SimSpec& spec)
{
    QVector<QRect> out;
    for (int i = 0; i < 12; ++i) {
        const int w = (spec.sensorWidth - i * spec.sensorWidth / 16) / 8 * 8;
        const int h = (spec.sensorHeight - i * spec.sensorHeight / 16) / 8 * 8;
        out << QRect((spec.sensorWidth - w) / 2, (spec.sensorHeight - h) / 2, w, h);
    }
    return out;
}

Lists& listsOf(const SimCamera& c)
{
    // Made once: capability records handed out earlier keep pointing at them.
    std::lock_guard<std::mutex> l(gMutex);
    auto known = gLists.find(&c);
    if (known != gLists.end())
        return known->second;
    Lists& lists = gLists[&c];
    const QVector<QRect> presets = c.hasPresets() ? c.presets() : defaultPresets(c.spec());
    for (int i = 0; i < presets.size(); ++i) {
        tSdkImageResolution r{};
        r.iIndex = i;
        std::snprintf(r.acDescription, sizeof r.acDescription, "%dX%d", presets[i].width(), presets[i].height());
        r.iHOffsetFOV = presets[i].x();
        r.iVOffsetFOV = presets[i].y();
        r.iWidthFOV = r.iWidth = presets[i].width();
        r.iHeightFOV = r.iHeight = presets[i].height();
        lists.presets.push_back(r);
    }
    // The list is the camera's own, as long as it is: unscripted, a colour
    // sensor lists its Bayer plane only, a monochrome one its grey.
    QVector<uint32_t> types = c.mediaTypes();
    if (types.isEmpty())
        types = {c.spec().colour ? CAMERA_MEDIA_TYPE_BAYGR8 : CAMERA_MEDIA_TYPE_MONO8};
    for (int i = 0; i < types.size(); ++i) {
        tSdkMediaType m{};
        m.iIndex = i;
        std::snprintf(m.acDescription, sizeof m.acDescription, "0x%08X", types[i]);
        m.iMediaType = types[i];
        lists.media.push_back(m);
    }
    return lists;
}

// What the simulator does for a call a library version lacks: the same as
// the real layer without the symbol.
bool lacking(const char* call)
{
    return bus().lacks(QLatin1String(call));
}

Session* session(CameraHandle h)
{
    std::lock_guard<std::mutex> l(gMutex);
    auto it = gSessions.find(h);
    return it == gSessions.end() ? nullptr : &it->second;
}

SimCamera* cam(CameraHandle h)
{
    Session* s = session(h);
    return s ? s->camera.get() : nullptr;
}

template <size_t N>
void copyText(char (&dst)[N], const QByteArray& text)
{
    // A text that fills the field has no terminator, as in the library's list.
    std::memset(dst, 0, N);
    std::memcpy(dst, text.constData(), size_t(qMin(text.size(), int(N))));
}

CameraSdkStatus setValue(CameraHandle h, const char* name, double v)
{
    SimCamera* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    if (int f = c->failure(QLatin1String(name)))
        return f;
    c->setValue(QLatin1String(name), v);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus getInt(CameraHandle h, const char* name, int* v)
{
    SimCamera* c = cam(h);
    if (!c || !v)
        return CAMERA_STATUS_FAILED;
    *v = int(c->value(QLatin1String(name)));
    return CAMERA_STATUS_SUCCESS;
}

} // namespace

bool Usable(const char** why)
{
    return lib().usableOrSimulated(sim(), why);
}

bool Has(const char* call)
{
    return sim() ? !lacking(call) : lib().symbol(call) != nullptr;
}

CameraSdkStatus CameraSdkInit(int language)
{
    if (sim())
        return bus().failure(QStringLiteral("CameraSdkInit"));
    CAMSDK_FORWARD(lib(), CameraSdkInit, language);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraUSBDeviceInit()
{
    if (sim())
        return lacking("CameraUSBDeviceInit") ? camsdk::kNotAvailable : bus().failure(QStringLiteral("CameraUSBDeviceInit"));
    CAMSDK_FORWARD(lib(), CameraUSBDeviceInit);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraEnumerateDevice(tSdkCameraDevInfo* list, INT* count)
{
    const int capacity = count ? *count : 0;
    if (sim()) {
        if (count)
            *count = 0;
        if (!list || !count)
            return CAMERA_STATUS_PARAMETER_INVALID;
        if (int f = bus().failure(QStringLiteral("CameraEnumerateDevice")))
            return f;
        const auto listed = bus().listed();
        const auto all = bus().all();
        int n = 0;
        for (const SimCameraPtr& c : listed) {
            if (n >= capacity)
                break;
            tSdkCameraDevInfo& d = list[n++];
            std::memset(&d, 0, sizeof d);
            copyText(d.acProductSeries, "SIM");
            copyText(d.acProductName, c->spec().model);
            copyText(d.acFriendlyName, c->spec().model + '#' + c->spec().serial);
            copyText(d.acLinkName, c->spec().gige ? "gige" : "usb");
            copyText(d.acDriverVersion, c->spec().driverVersion);
            copyText(d.acSensorType, c->spec().colour ? "colour" : "mono");
            copyText(d.acPortType, c->spec().gige ? "NET" : "USB3");
            copyText(d.acSn, c->spec().serial);
            d.uInstance = UINT(all.indexOf(c));
        }
        *count = n;
        return n > 0 ? CAMERA_STATUS_SUCCESS : CAMERA_STATUS_NO_DEVICE_FOUND;
    }
    CAMSDK_FORWARD(lib(), CameraEnumerateDevice, list, count);
    if (count)
        *count = 0;
    (void)capacity;
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraInit(tSdkCameraDevInfo* info, int paramLoadMode, int team, CameraHandle* handle)
{
    if (sim()) {
        if (!info || !handle)
            return CAMERA_STATUS_PARAMETER_INVALID;
        SimCameraPtr c = bus().bySerial(QByteArray(info->acSn, int(strnlen(info->acSn, sizeof info->acSn))));
        if (!c)
            return CAMERA_STATUS_NO_DEVICE_FOUND;
        if (int f = c->failure(QStringLiteral("CameraInit")))
            return f;
        if (!c->openLogged())
            return CAMERA_STATUS_DEVICE_IS_OPENED;
        const CameraHandle h = CameraHandle(bus().all().indexOf(c) + 1);
        Session s;
        s.camera = c;
        {
            std::lock_guard<std::mutex> l(gMutex);
            gSessions[h] = std::move(s);
        }
        *handle = h;
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraInit, info, paramLoadMode, team, handle);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraUnInit(CameraHandle handle)
{
    if (sim()) {
        SimCameraPtr c;
        {
            std::lock_guard<std::mutex> l(gMutex);
            auto it = gSessions.find(handle);
            if (it == gSessions.end())
                return CAMERA_STATUS_FAILED;
            c = it->second.camera;
            gSessions.erase(it);
        }
        c->closeLogged();
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraUnInit, handle);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetCapability(CameraHandle handle, tSdkCameraCapbility* capability)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !capability)
            return CAMERA_STATUS_FAILED;
        const SimCamera& c = *s->camera;
        std::memset(capability, 0, sizeof *capability);
        capability->sIspCapacity.bMonoSensor = c.spec().colour ? 0 : 1;
        capability->sResolutionRange.iWidthMax = c.spec().sensorWidth;
        capability->sResolutionRange.iHeightMax = c.spec().sensorHeight;
        capability->sResolutionRange.iWidthMin = capability->sResolutionRange.iHeightMin = 16;
        auto rangeOf = [&](const char* name, int dmin, int dmax) {
            double mn = dmin, mx = dmax;
            c.range(QLatin1String(name), &mn, &mx);
            return tRange{int(mn), int(mx)};
        };
        capability->sSharpnessRange = rangeOf("sharpness", 0, 100);
        capability->sContrastRange = rangeOf("contrast", 0, 200);
        capability->sGammaRange = rangeOf("gamma", 0, 250);
        const tRange gain = rangeOf("capabilityGain", 0, 0);
        capability->sExposeDesc.uiAnalogGainMin = UINT(gain.iMin);
        capability->sExposeDesc.uiAnalogGainMax = UINT(gain.iMax);
        capability->sExposeDesc.fAnalogGainStep = 0.125f;
        Lists& lists = listsOf(c);
        capability->pImageSizeDesc = lists.presets.data();
        capability->iImageSizeDesc = int(lists.presets.size());
        capability->pMediaTypeDesc = lists.media.data();
        capability->iMediaTypdeDesc = int(lists.media.size());
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraGetCapability, handle, capability);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetIspOutFormat(CameraHandle handle, UINT format)
{
    if (sim())
        return setValue(handle, "CameraSetIspOutFormat", format);
    CAMSDK_FORWARD(lib(), CameraSetIspOutFormat, handle, format);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetIspOutFormat(CameraHandle handle, UINT* format)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c || !format)
            return CAMERA_STATUS_FAILED;
        // What the processor will write: a scripted format ("process
        // format") stands for a camera that keeps another one.
        const UINT set = UINT(c->value(QStringLiteral("CameraSetIspOutFormat"), CAMERA_MEDIA_TYPE_MONO8));
        *format = UINT(c->value(QStringLiteral("process format"), set));
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraGetIspOutFormat, handle, format);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetWbMode(CameraHandle handle, BOOL automatic)
{
    if (sim())
        return setValue(handle, "CameraSetWbMode", automatic);
    CAMSDK_FORWARD(lib(), CameraSetWbMode, handle, automatic);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetFrameSpeed(CameraHandle handle, int speed)
{
    if (sim())
        return setValue(handle, "CameraSetFrameSpeed", speed);
    CAMSDK_FORWARD(lib(), CameraSetFrameSpeed, handle, speed);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetTriggerMode(CameraHandle handle, int mode)
{
    if (sim())
        return setValue(handle, "CameraSetTriggerMode", mode);
    CAMSDK_FORWARD(lib(), CameraSetTriggerMode, handle, mode);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraPlay(CameraHandle handle)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return CAMERA_STATUS_FAILED;
        c->record(QStringLiteral("CameraPlay"));
        c->setAcquiring(true);
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraPlay, handle);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraStop(CameraHandle handle)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return CAMERA_STATUS_FAILED;
        c->record(QStringLiteral("CameraStop"));
        c->setAcquiring(false);
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraStop, handle);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetImageBuffer(CameraHandle handle, tSdkFrameHead* head, BYTE** raw, UINT timeoutMs)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !head || !raw)
            return CAMERA_STATUS_PARAMETER_INVALID;
        if (s->lent)
            return CAMERA_STATUS_FAILED;
        // An open camera that left the bus is lost, not merely late.
        if (s->camera->vanished())
            return CAMERA_STATUS_DEVICE_LOST;
        if (int fail = s->camera->failure(QStringLiteral("CameraGetImageBuffer")))
            return fail;
        SimCamera::Frame f;
        if (!s->camera->nextFrame(int(timeoutMs), &f))
            return CAMERA_STATUS_TIME_OUT;
        // The sensor's own data: RGB for colour sensors, grey otherwise.
        const bool colour = s->camera->spec().colour;
        s->raw.resize(size_t(f.width) * size_t(f.height) * (colour ? 3 : 1));
        SimCamera::fill(f, colour, s->raw.data(), s->raw.size());
        s->lent = true;
        std::memset(head, 0, sizeof *head);
        head->uiMediaType = colour ? CAMERA_MEDIA_TYPE_RGB8 : CAMERA_MEDIA_TYPE_MONO8;
        head->uBytes = UINT(s->raw.size());
        head->iWidth = f.width;
        head->iHeight = f.height;
        head->uiTimeStamp = f.counter;
        *raw = s->raw.data();
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraGetImageBuffer, handle, head, raw, timeoutMs);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraImageProcess(CameraHandle handle, BYTE* raw, BYTE* out, tSdkFrameHead* head)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !s->lent || raw != s->raw.data() || !out || !head)
            return CAMERA_STATUS_PARAMETER_INVALID;
        const bool colourIn = s->camera->spec().colour;
        UINT format = CAMERA_MEDIA_TYPE_MONO8;
        CameraGetIspOutFormat(handle, &format);
        const size_t n = size_t(head->iWidth) * size_t(head->iHeight);
        const int outBytes = format == CAMERA_MEDIA_TYPE_RGB8 || format == CAMERA_MEDIA_TYPE_BGR8       ? 3
            : format == CAMERA_MEDIA_TYPE_RGBA8 || format == CAMERA_MEDIA_TYPE_BGRA8                   ? 4
            : format == CAMERA_MEDIA_TYPE_MONO16                                                        ? 2
                                                                                                        : 1;
        for (size_t i = 0; i < n; ++i) {
            const BYTE grey = colourIn ? raw[i * 3] : raw[i];
            for (int k = 0; k < outBytes; ++k)
                out[i * size_t(outBytes) + size_t(k)] = outBytes == 3 && colourIn ? raw[i * 3 + size_t(k)] : grey;
        }
        head->uiMediaType = format;
        head->uBytes = UINT(n * size_t(outBytes));
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraImageProcess, handle, raw, out, head);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraReleaseImageBuffer(CameraHandle handle, BYTE* raw)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !s->lent || raw != s->raw.data())
            return CAMERA_STATUS_PARAMETER_INVALID;
        s->lent = false;
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraReleaseImageBuffer, handle, raw);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetAeState(CameraHandle handle, BOOL automatic)
{
    if (sim())
        return setValue(handle, "CameraSetAeState", automatic);
    CAMSDK_FORWARD(lib(), CameraSetAeState, handle, automatic);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetAeTarget(CameraHandle handle, int target)
{
    if (sim())
        return setValue(handle, "CameraSetAeTarget", target);
    CAMSDK_FORWARD(lib(), CameraSetAeTarget, handle, target);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetAeExposureRange(CameraHandle handle, double minimumUs, double maximumUs)
{
    if (sim()) {
        if (lacking("CameraSetAeExposureRange"))
            return camsdk::kNotAvailable;
        const int r = setValue(handle, "CameraSetAeExposureRange min", minimumUs);
        return r == CAMERA_STATUS_SUCCESS ? setValue(handle, "CameraSetAeExposureRange max", maximumUs) : r;
    }
    CAMSDK_FORWARD(lib(), CameraSetAeExposureRange, handle, minimumUs, maximumUs);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetAntiFlick(CameraHandle handle, BOOL enable)
{
    if (sim())
        return setValue(handle, "CameraSetAntiFlick", enable);
    CAMSDK_FORWARD(lib(), CameraSetAntiFlick, handle, enable);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetExposureTime(CameraHandle handle, double microseconds)
{
    if (sim())
        return setValue(handle, "CameraSetExposureTime", microseconds);
    CAMSDK_FORWARD(lib(), CameraSetExposureTime, handle, microseconds);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetExposureTime(CameraHandle handle, double* microseconds)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c || !microseconds)
            return CAMERA_STATUS_FAILED;
        *microseconds = c->value(QStringLiteral("CameraSetExposureTime"));
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraGetExposureTime, handle, microseconds);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetAeAnalogGainRange(CameraHandle handle, int* min, int* max)
{
    if (sim()) {
        if (lacking("CameraGetAeAnalogGainRange"))
            return camsdk::kNotAvailable;
        SimCamera* c = cam(handle);
        if (!c || !min || !max)
            return CAMERA_STATUS_FAILED;
        double mn = 0, mx = 0;
        if (!c->range(QStringLiteral("analogGain"), &mn, &mx))
            return CAMERA_STATUS_NOT_SUPPORTED;
        *min = int(mn);
        *max = int(mx);
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraGetAeAnalogGainRange, handle, min, max);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetAnalogGain(CameraHandle handle, INT gain)
{
    if (sim())
        return setValue(handle, "CameraSetAnalogGain", gain);
    CAMSDK_FORWARD(lib(), CameraSetAnalogGain, handle, gain);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetAnalogGain(CameraHandle handle, INT* gain)
{
    if (sim())
        return getInt(handle, "CameraSetAnalogGain", gain);
    CAMSDK_FORWARD(lib(), CameraGetAnalogGain, handle, gain);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetSharpness(CameraHandle handle, int value)
{
    if (sim())
        return setValue(handle, "CameraSetSharpness", value);
    CAMSDK_FORWARD(lib(), CameraSetSharpness, handle, value);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetSharpness(CameraHandle handle, int* value)
{
    if (sim())
        return getInt(handle, "CameraSetSharpness", value);
    CAMSDK_FORWARD(lib(), CameraGetSharpness, handle, value);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetGamma(CameraHandle handle, int value)
{
    if (sim())
        return setValue(handle, "CameraSetGamma", value);
    CAMSDK_FORWARD(lib(), CameraSetGamma, handle, value);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetGamma(CameraHandle handle, int* value)
{
    if (sim())
        return getInt(handle, "CameraSetGamma", value);
    CAMSDK_FORWARD(lib(), CameraGetGamma, handle, value);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetOnceWB(CameraHandle handle)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return CAMERA_STATUS_FAILED;
        c->record(QStringLiteral("CameraSetOnceWB"));
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraSetOnceWB, handle);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetImageResolution(CameraHandle handle, tSdkImageResolution* resolution)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !resolution)
            return CAMERA_STATUS_PARAMETER_INVALID;
        *resolution = s->resolution;
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraGetImageResolution, handle, resolution);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetImageResolution(CameraHandle handle, tSdkImageResolution* r)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !r)
            return CAMERA_STATUS_PARAMETER_INVALID;
        SimCamera& c = *s->camera;
        if (int f = c.failure(QStringLiteral("CameraSetImageResolution")))
            return f;
        int w = 0, h = 0;
        if (r->iIndex == kCustomResolution) {
            // Like a camera: a window must lie on the sensor, and without
            // zoom it is delivered at its own size.
            const bool fits = r->iHOffsetFOV >= 0 && r->iVOffsetFOV >= 0 && r->iWidthFOV > 0 && r->iHeightFOV > 0
                && r->iHOffsetFOV + r->iWidthFOV <= c.spec().sensorWidth
                && r->iVOffsetFOV + r->iHeightFOV <= c.spec().sensorHeight && r->iWidth == r->iWidthFOV
                && r->iHeight == r->iHeightFOV;
            if (!fits)
                return CAMERA_STATUS_PARAMETER_INVALID;
            w = r->iWidth;
            h = r->iHeight;
        } else {
            const Lists& lists = listsOf(c);
            if (r->iIndex < 0 || r->iIndex >= int(lists.presets.size()))
                return CAMERA_STATUS_PARAMETER_INVALID;
            w = lists.presets[size_t(r->iIndex)].iWidth;
            h = lists.presets[size_t(r->iIndex)].iHeight;
        }
        c.record(QStringLiteral("CameraSetImageResolution %1 at %2,%3 %4x%5 out %6x%7")
                     .arg(r->iIndex)
                     .arg(r->iHOffsetFOV)
                     .arg(r->iVOffsetFOV)
                     .arg(r->iWidthFOV)
                     .arg(r->iHeightFOV)
                     .arg(r->iWidth)
                     .arg(r->iHeight));
        s->resolution = *r;
        c.setOutputSize(w, h);
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraSetImageResolution, handle, r);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetMirror(CameraHandle handle, int direction, BOOL enable)
{
    if (sim()) {
        if (direction != MIRROR_DIRECTION_HORIZONTAL && direction != MIRROR_DIRECTION_VERTICAL)
            return CAMERA_STATUS_PARAMETER_INVALID;
        const QByteArray name = "CameraSetMirror " + QByteArray::number(direction);
        return setValue(handle, name.constData(), enable);
    }
    CAMSDK_FORWARD(lib(), CameraSetMirror, handle, direction, enable);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetMonochrome(CameraHandle handle, BOOL enable)
{
    if (sim())
        return setValue(handle, "CameraSetMonochrome", enable);
    CAMSDK_FORWARD(lib(), CameraSetMonochrome, handle, enable);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetMediaType(CameraHandle handle, INT index)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return CAMERA_STATUS_FAILED;
        if (index < 0 || index >= int(listsOf(*c).media.size()))
            return CAMERA_STATUS_PARAMETER_INVALID;
        return setValue(handle, "CameraSetMediaType", index);
    }
    CAMSDK_FORWARD(lib(), CameraSetMediaType, handle, index);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetContrast(CameraHandle handle, int value)
{
    if (sim())
        return setValue(handle, "CameraSetContrast", value);
    CAMSDK_FORWARD(lib(), CameraSetContrast, handle, value);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraGetContrast(CameraHandle handle, int* value)
{
    if (sim())
        return getInt(handle, "CameraSetContrast", value);
    CAMSDK_FORWARD(lib(), CameraGetContrast, handle, value);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSetLutMode(CameraHandle handle, int mode)
{
    if (sim())
        return setValue(handle, "CameraSetLutMode", mode);
    CAMSDK_FORWARD(lib(), CameraSetLutMode, handle, mode);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraLoadParameter(CameraHandle handle, int team)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s)
            return CAMERA_STATUS_FAILED;
        SimCamera& c = *s->camera;
        c.delayCall(QStringLiteral("CameraLoadParameter"));
        if (int f = c.failure(QStringLiteral("CameraLoadParameter")))
            return f;
        c.record(QStringLiteral("CameraLoadParameter %1").arg(team));
        if (team == PARAMETER_TEAM_DEFAULT) {
            // The camera's own set replaces everything the driver set: the
            // whole sensor, the output format (the sensor's own: RGB for a
            // colour sensor), the trigger, LUT and media type, mirroring, and
            // the values a test scripted as "default:<setter>" (0 otherwise).
            s->resolution = tSdkImageResolution{};
            c.setOutputSize(c.spec().sensorWidth, c.spec().sensorHeight);
            for (const char* f : {"CameraSetExposureTime", "CameraSetAnalogGain", "CameraSetSharpness",
                                  "CameraSetContrast", "CameraSetGamma", "CameraSetMirror 0", "CameraSetMirror 1",
                                  "CameraSetTriggerMode", "CameraSetLutMode", "CameraSetMediaType",
                                  "CameraSetMonochrome"})
                c.presetValue(QLatin1String(f), c.value(QStringLiteral("default:") + QLatin1String(f)));
            const UINT own = c.spec().colour ? CAMERA_MEDIA_TYPE_RGB8 : CAMERA_MEDIA_TYPE_MONO8;
            c.presetValue(QStringLiteral("CameraSetIspOutFormat"),
                          c.value(QStringLiteral("default:CameraSetIspOutFormat"), own));
        }
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraLoadParameter, handle, team);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraSdkGetVersionString(char* text)
{
    if (sim()) {
        if (!text)
            return CAMERA_STATUS_PARAMETER_INVALID;
        if (int f = bus().failure(QStringLiteral("CameraSdkGetVersionString")))
            return f;
        const QByteArray v = bus().version();
        std::memcpy(text, v.constData(), size_t(qMin(v.size(), kVersionBufferBytes - 1)));
        text[qMin(v.size(), kVersionBufferBytes - 1)] = 0;
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraSdkGetVersionString, text);
    return camsdk::kNotAvailable;
}

CameraSdkStatus CameraCommonCall(CameraHandle handle, char const* call, char* result, UINT resultBytes)
{
    if (sim()) {
        if (lacking("CameraCommonCall"))
            return camsdk::kNotAvailable;
        SimCamera* c = cam(handle);
        if (!c || !call)
            return CAMERA_STATUS_PARAMETER_INVALID;
        if (int f = c->failure(QStringLiteral("CameraCommonCall")))
            return f;
        c->record(QStringLiteral("CameraCommonCall ") + QLatin1String(call));
        if (result && resultBytes > 0)
            result[0] = 0;
        return CAMERA_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), CameraCommonCall, handle, call, result, resultBytes);
    return camsdk::kNotAvailable;
}

} // namespace mindvision
