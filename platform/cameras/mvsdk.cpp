#include "platform/cameras/mvsdk.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <cstring>
#include <map>
#include <vector>

using camsdk::SimCamera;
using camsdk::SimCameraPtr;

namespace mindvision {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{"libMVSDK.so"};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::MindVision); }
bool sim() { return bus().active(); }

// Per opened simulated camera: the preset list and the raw buffer lent out
// between get-buffer and release-buffer.
struct Session {
    SimCameraPtr camera;
    std::vector<ImageResolution> presets;
    std::vector<unsigned char> raw;
    bool lent = false;
};

std::mutex gMutex;
std::map<CameraHandle, Session> gSessions;

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

void copyText(char* dst, size_t size, const QByteArray& text)
{
    std::memset(dst, 0, size);
    std::memcpy(dst, text.constData(), size_t(qMin(text.size(), int(size) - 1)));
}

int setValue(CameraHandle h, const char* name, double v)
{
    SimCamera* c = cam(h);
    if (!c)
        return kFailed;
    c->setValue(QLatin1String(name), v);
    return kSuccess;
}

int getInt(CameraHandle h, const char* name, int* v)
{
    SimCamera* c = cam(h);
    if (!c)
        return kFailed;
    *v = int(c->value(QLatin1String(name)));
    return kSuccess;
}

} // namespace

int CameraSdkInit(int language)
{
    if (sim())
        return bus().failure(QStringLiteral("CameraSdkInit"));
    CAMSDK_FORWARD(lib(), CameraSdkInit, language);
    return camsdk::kNotAvailable;
}

int CameraUSBDeviceInit()
{
    if (sim())
        return bus().failure(QStringLiteral("CameraUSBDeviceInit"));
    CAMSDK_FORWARD(lib(), CameraUSBDeviceInit);
    return camsdk::kNotAvailable;
}

int CameraEnumerateDevice(DeviceInfo* list, int* count)
{
    const int capacity = count ? *count : 0;
    if (count)
        *count = 0;
    if (sim()) {
        if (int f = bus().failure(QStringLiteral("CameraEnumerateDevice")))
            return f;
        const auto listed = bus().listed();
        const auto all = bus().all();
        int n = 0;
        for (const SimCameraPtr& c : listed) {
            if (n >= capacity)
                break;
            DeviceInfo& d = list[n++];
            std::memset(&d, 0, sizeof d);
            copyText(d.productName, sizeof d.productName, c->spec().model);
            copyText(d.portType, sizeof d.portType, c->spec().gige ? "NET" : "USB3");
            copyText(d.serial, sizeof d.serial, c->spec().serial);
            d.instance = uint32_t(all.indexOf(c));
        }
        *count = n;
        return n > 0 ? kSuccess : kNoDevice;
    }
    CAMSDK_FORWARD(lib(), CameraEnumerateDevice, list, count);
    return camsdk::kNotAvailable;
}

int CameraInit(const DeviceInfo* info, int paramLoadMode, int team, CameraHandle* handle)
{
    if (sim()) {
        if (!info || !handle)
            return kFailed;
        SimCameraPtr c = bus().bySerial(QByteArray(info->serial, int(strnlen(info->serial, sizeof info->serial))));
        if (!c)
            return kNoDevice;
        if (int f = c->failure(QStringLiteral("CameraInit")))
            return f;
        if (!c->tryOpen())
            return kBusy;
        c->record(QStringLiteral("open"));
        const CameraHandle h = CameraHandle(bus().all().indexOf(c) + 1);
        Session s;
        s.camera = c;
        const int w = c->spec().sensorWidth, hh = c->spec().sensorHeight;
        for (int i = 0; i < 12; ++i) {
            ImageResolution r;
            std::memset(&r, 0, sizeof r);
            r.index = i;
            r.width = r.widthFov = (w * (12 - i) / 12) & ~15;
            r.height = r.heightFov = (hh * (12 - i) / 12) & ~15;
            s.presets.push_back(r);
        }
        {
            std::lock_guard<std::mutex> l(gMutex);
            gSessions[h] = std::move(s);
        }
        *handle = h;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraInit, info, paramLoadMode, team, handle);
    return camsdk::kNotAvailable;
}

int CameraUnInit(CameraHandle handle)
{
    if (sim()) {
        SimCameraPtr c;
        {
            std::lock_guard<std::mutex> l(gMutex);
            auto it = gSessions.find(handle);
            if (it == gSessions.end())
                return kFailed;
            c = it->second.camera;
            gSessions.erase(it);
        }
        c->record(QStringLiteral("close"));
        c->close();
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraUnInit, handle);
    return camsdk::kNotAvailable;
}

int CameraGetCapability(CameraHandle handle, Capability* capability)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s)
            return kFailed;
        const SimCamera& c = *s->camera;
        std::memset(capability, 0, sizeof *capability);
        capability->isMonoSensor = c.spec().colour ? 0 : 1;
        capability->maxWidth = c.spec().sensorWidth;
        capability->maxHeight = c.spec().sensorHeight;
        auto rangeOf = [&](const char* name, int dmin, int dmax) {
            double mn = dmin, mx = dmax;
            c.range(QLatin1String(name), &mn, &mx);
            return IntRange{int(mn), int(mx)};
        };
        capability->sharpness = rangeOf("sharpness", 0, 100);
        capability->contrast = rangeOf("contrast", 0, 200);
        capability->gamma = rangeOf("gamma", 0, 250);
        capability->presets = s->presets.data();
        capability->presetCount = int(s->presets.size());
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraGetCapability, handle, capability);
    return camsdk::kNotAvailable;
}

int CameraSetImageResolution(CameraHandle handle, const ImageResolution* r)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c || !r)
            return kFailed;
        c->setValue(QStringLiteral("resolution index"), r->index);
        c->setValue(QStringLiteral("resolution hOffset"), r->hOffsetFov);
        c->setValue(QStringLiteral("resolution vOffset"), r->vOffsetFov);
        c->setValue(QStringLiteral("resolution width"), r->width);
        c->setValue(QStringLiteral("resolution height"), r->height);
        c->setOutputSize(r->width, r->height);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraSetImageResolution, handle, r);
    return camsdk::kNotAvailable;
}

int CameraSetWbMode(CameraHandle handle, int automatic)
{
    if (sim())
        return setValue(handle, "CameraSetWbMode", automatic);
    CAMSDK_FORWARD(lib(), CameraSetWbMode, handle, automatic);
    return camsdk::kNotAvailable;
}

int CameraSetIspOutFormat(CameraHandle handle, unsigned format)
{
    if (sim())
        return setValue(handle, "CameraSetIspOutFormat", format);
    CAMSDK_FORWARD(lib(), CameraSetIspOutFormat, handle, format);
    return camsdk::kNotAvailable;
}

int CameraSetMonochrome(CameraHandle handle, int enable)
{
    if (sim())
        return setValue(handle, "CameraSetMonochrome", enable);
    CAMSDK_FORWARD(lib(), CameraSetMonochrome, handle, enable);
    return camsdk::kNotAvailable;
}

int CameraSetMediaType(CameraHandle handle, int index)
{
    if (sim())
        return setValue(handle, "CameraSetMediaType", index);
    CAMSDK_FORWARD(lib(), CameraSetMediaType, handle, index);
    return camsdk::kNotAvailable;
}

int CameraSetMirror(CameraHandle handle, int direction, int enable)
{
    if (sim())
        return setValue(handle, direction ? "CameraSetMirror vertical" : "CameraSetMirror horizontal", enable);
    CAMSDK_FORWARD(lib(), CameraSetMirror, handle, direction, enable);
    return camsdk::kNotAvailable;
}

int CameraSetFrameSpeed(CameraHandle handle, int speed)
{
    if (sim())
        return setValue(handle, "CameraSetFrameSpeed", speed);
    CAMSDK_FORWARD(lib(), CameraSetFrameSpeed, handle, speed);
    return camsdk::kNotAvailable;
}

int CameraSetTriggerMode(CameraHandle handle, int mode)
{
    if (sim())
        return setValue(handle, "CameraSetTriggerMode", mode);
    CAMSDK_FORWARD(lib(), CameraSetTriggerMode, handle, mode);
    return camsdk::kNotAvailable;
}

int CameraPlay(CameraHandle handle)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return kFailed;
        c->record(QStringLiteral("CameraPlay"));
        c->setAcquiring(true);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraPlay, handle);
    return camsdk::kNotAvailable;
}

int CameraStop(CameraHandle handle)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return kFailed;
        c->record(QStringLiteral("CameraStop"));
        c->setAcquiring(false);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraStop, handle);
    return camsdk::kNotAvailable;
}

int CameraGetImageBuffer(CameraHandle handle, FrameHead* head, unsigned char** raw, unsigned timeoutMs)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !head || !raw)
            return kFailed;
        if (s->lent)
            return kBusy;
        SimCamera::Frame f;
        if (!s->camera->nextFrame(int(timeoutMs), &f))
            return kTimeout;
        const bool colour = s->camera->spec().colour;
        s->raw.resize(size_t(f.width) * size_t(f.height) * (colour ? 3 : 1));
        SimCamera::fill(f, colour, s->raw.data(), s->raw.size());
        s->lent = true;
        head->width = f.width;
        head->height = f.height;
        head->bytes = unsigned(s->raw.size());
        head->mediaType = colour ? kIspRgb8 : kIspMono8;
        head->frameId = f.counter;
        *raw = s->raw.data();
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraGetImageBuffer, handle, head, raw, timeoutMs);
    return camsdk::kNotAvailable;
}

int CameraImageProcess(CameraHandle handle, unsigned char* raw, unsigned char* out, FrameHead* head)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !s->lent || raw != s->raw.data() || !out || !head)
            return kFailed;
        const bool colourIn = s->camera->spec().colour;
        const bool rgbOut = unsigned(s->camera->value(QStringLiteral("CameraSetIspOutFormat"), kIspMono8)) == kIspRgb8;
        const size_t n = size_t(head->width) * size_t(head->height);
        for (size_t i = 0; i < n; ++i) {
            if (rgbOut) {
                for (int k = 0; k < 3; ++k)
                    out[i * 3 + k] = colourIn ? raw[i * 3 + k] : raw[i];
            } else {
                out[i] = colourIn ? raw[i * 3] : raw[i];
            }
        }
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraImageProcess, handle, raw, out, head);
    return camsdk::kNotAvailable;
}

int CameraReleaseImageBuffer(CameraHandle handle, unsigned char* raw)
{
    if (sim()) {
        Session* s = session(handle);
        if (!s || !s->lent || raw != s->raw.data())
            return kFailed;
        s->lent = false;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraReleaseImageBuffer, handle, raw);
    return camsdk::kNotAvailable;
}

int CameraSetAeState(CameraHandle handle, int automatic)
{
    if (sim())
        return setValue(handle, "CameraSetAeState", automatic);
    CAMSDK_FORWARD(lib(), CameraSetAeState, handle, automatic);
    return camsdk::kNotAvailable;
}

int CameraSetAeTarget(CameraHandle handle, int target)
{
    if (sim())
        return setValue(handle, "CameraSetAeTarget", target);
    CAMSDK_FORWARD(lib(), CameraSetAeTarget, handle, target);
    return camsdk::kNotAvailable;
}

int CameraSetAeExposureRange(CameraHandle handle, double minimumUs, double maximumUs)
{
    if (sim()) {
        const int r = setValue(handle, "CameraSetAeExposureRange min", minimumUs);
        return r == kSuccess ? setValue(handle, "CameraSetAeExposureRange max", maximumUs) : r;
    }
    CAMSDK_FORWARD(lib(), CameraSetAeExposureRange, handle, minimumUs, maximumUs);
    return camsdk::kNotAvailable;
}

int CameraSetAntiFlick(CameraHandle handle, int enable)
{
    if (sim())
        return setValue(handle, "CameraSetAntiFlick", enable);
    CAMSDK_FORWARD(lib(), CameraSetAntiFlick, handle, enable);
    return camsdk::kNotAvailable;
}

int CameraSetExposureTime(CameraHandle handle, double microseconds)
{
    if (sim())
        return setValue(handle, "CameraSetExposureTime", microseconds);
    CAMSDK_FORWARD(lib(), CameraSetExposureTime, handle, microseconds);
    return camsdk::kNotAvailable;
}

int CameraGetExposureTime(CameraHandle handle, double* microseconds)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return kFailed;
        *microseconds = c->value(QStringLiteral("CameraSetExposureTime"));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraGetExposureTime, handle, microseconds);
    return camsdk::kNotAvailable;
}

int CameraCommonCall(CameraHandle handle, const char* command, char* result, unsigned resultSize)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c || !command)
            return kFailed;
        c->record(QStringLiteral("CameraCommonCall ") + QLatin1String(command));
        if (result && resultSize)
            result[0] = 0;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraCommonCall, handle, command, result, resultSize);
    return camsdk::kNotAvailable;
}

int CameraGetAeAnalogGainRange(CameraHandle handle, int* min, int* max)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return kFailed;
        double mn = 0, mx = 0;
        if (!c->range(QStringLiteral("analogGain"), &mn, &mx))
            return kFailed;
        *min = int(mn);
        *max = int(mx);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraGetAeAnalogGainRange, handle, min, max);
    return camsdk::kNotAvailable;
}

int CameraSetAnalogGain(CameraHandle handle, int gain)
{
    if (sim())
        return setValue(handle, "CameraSetAnalogGain", gain);
    CAMSDK_FORWARD(lib(), CameraSetAnalogGain, handle, gain);
    return camsdk::kNotAvailable;
}

int CameraGetAnalogGain(CameraHandle handle, int* gain)
{
    if (sim())
        return getInt(handle, "CameraSetAnalogGain", gain);
    CAMSDK_FORWARD(lib(), CameraGetAnalogGain, handle, gain);
    return camsdk::kNotAvailable;
}

int CameraSetSharpness(CameraHandle handle, int value)
{
    if (sim())
        return setValue(handle, "CameraSetSharpness", value);
    CAMSDK_FORWARD(lib(), CameraSetSharpness, handle, value);
    return camsdk::kNotAvailable;
}

int CameraGetSharpness(CameraHandle handle, int* value)
{
    if (sim())
        return getInt(handle, "CameraSetSharpness", value);
    CAMSDK_FORWARD(lib(), CameraGetSharpness, handle, value);
    return camsdk::kNotAvailable;
}

int CameraSetContrast(CameraHandle handle, int value)
{
    if (sim())
        return setValue(handle, "CameraSetContrast", value);
    CAMSDK_FORWARD(lib(), CameraSetContrast, handle, value);
    return camsdk::kNotAvailable;
}

int CameraGetContrast(CameraHandle handle, int* value)
{
    if (sim())
        return getInt(handle, "CameraSetContrast", value);
    CAMSDK_FORWARD(lib(), CameraGetContrast, handle, value);
    return camsdk::kNotAvailable;
}

int CameraSetGamma(CameraHandle handle, int value)
{
    if (sim())
        return setValue(handle, "CameraSetGamma", value);
    CAMSDK_FORWARD(lib(), CameraSetGamma, handle, value);
    return camsdk::kNotAvailable;
}

int CameraGetGamma(CameraHandle handle, int* value)
{
    if (sim())
        return getInt(handle, "CameraSetGamma", value);
    CAMSDK_FORWARD(lib(), CameraGetGamma, handle, value);
    return camsdk::kNotAvailable;
}

int CameraSetOnceWB(CameraHandle handle)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return kFailed;
        c->record(QStringLiteral("CameraSetOnceWB"));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraSetOnceWB, handle);
    return camsdk::kNotAvailable;
}

int CameraLoadParameter(CameraHandle handle, int team)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c)
            return kFailed;
        c->record(QStringLiteral("CameraLoadParameter %1").arg(team));
        // The camera's own defaults, as a test preset them ("default:<name>").
        for (const char* name : {"CameraSetExposureTime", "CameraSetAnalogGain", "CameraSetSharpness",
                                 "CameraSetContrast", "CameraSetGamma"}) {
            const QString d = QStringLiteral("default:") + QLatin1String(name);
            if (c->has(d))
                c->presetValue(QLatin1String(name), c->value(d));
        }
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraLoadParameter, handle, team);
    return camsdk::kNotAvailable;
}

int CameraReadSN(CameraHandle handle, unsigned char* buffer, int level)
{
    if (sim()) {
        SimCamera* c = cam(handle);
        if (!c || !buffer)
            return kFailed;
        const QByteArray s = c->spec().serial.left(31);
        std::memcpy(buffer, s.constData(), size_t(s.size()));
        buffer[s.size()] = 0;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), CameraReadSN, handle, buffer, level);
    return camsdk::kNotAvailable;
}

} // namespace mindvision
