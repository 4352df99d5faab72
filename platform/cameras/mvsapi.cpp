#include "platform/cameras/mvsapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <cstring>
#include <deque>
#include <thread>
#include <vector>

using camsdk::SimCamera;
using camsdk::SimCameraPtr;

namespace mvs {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{"libMvCameraControl.so"};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Hikvision); }
bool sim() { return bus().active(); }

// A handle of the simulator: the camera and, while grabbing, the thread that
// calls the registered callback with each frame.
struct Handle {
    SimCameraPtr camera;
    bool opened = false;
    ImageCallback callback = nullptr;
    void* user = nullptr;
    std::thread grabber;
    std::atomic<bool> stop{false};
};

// Device records handed out by the enumeration stay valid until exit, as the
// driver keeps pointers into the list.
std::mutex gListMutex;
std::deque<DeviceInfo> gRecords;

void copyText(char* dst, size_t size, const QByteArray& text)
{
    std::memset(dst, 0, size);
    std::memcpy(dst, text.constData(), size_t(qMin(text.size(), int(size) - 1)));
}

SimCameraPtr cameraOf(const DeviceInfo* d)
{
    if (!d)
        return nullptr;
    const char* s = d->transportLayer == kGigEDevice ? d->gige.serialNumber : d->usb.serialNumber;
    for (const SimCameraPtr& c : bus().all())
        if (c->spec().serial == QByteArray(s))
            return c;
    return nullptr;
}

Handle* h(void* handle) { return static_cast<Handle*>(handle); }

SimCamera* openCam(void* handle)
{
    Handle* x = h(handle);
    return x && x->opened ? x->camera.get() : nullptr;
}

void grabLoop(Handle* x)
{
    std::vector<unsigned char> data;
    while (!x->stop) {
        SimCamera::Frame f;
        if (!x->camera->nextFrame(50, &f, &x->stop))
            continue;
        const int64_t type = int64_t(x->camera->value(QStringLiteral("PixelFormat"), double(kPixelMono8)));
        data.resize(size_t(f.width) * size_t(f.height));
        SimCamera::fill(f, false, data.data(), data.size());
        FrameInfo info{uint16_t(f.width), uint16_t(f.height), type, f.counter, unsigned(data.size())};
        if (x->callback)
            x->callback(data.data(), &info, x->user);
    }
}

void stopGrabber(Handle* x)
{
    if (!x->grabber.joinable())
        return;
    x->stop = true;
    x->camera->wake();
    x->grabber.join();
    x->stop = false;
}

int setValue(void* handle, const char* key, double v)
{
    SimCamera* c = openCam(handle);
    if (!c)
        return kError;
    if (int f = c->failure(QLatin1String(key)))
        return f;
    c->setValue(QLatin1String(key), v);
    return MV_OK;
}

int getFloat(void* handle, const char* key, FloatValue* value)
{
    SimCamera* c = openCam(handle);
    if (!c || !value)
        return kError;
    double mn = 0, mx = 0;
    if (!c->range(QLatin1String(key), &mn, &mx))
        return kNotFound;
    value->min = float(mn);
    value->max = float(mx);
    value->current = float(c->value(QLatin1String(key), mn));
    return MV_OK;
}

} // namespace

int MV_CC_EnumDevices(unsigned layers, DeviceList* list)
{
    if (sim()) {
        std::memset(list, 0, sizeof *list);
        if (int f = bus().failure(QStringLiteral("MV_CC_EnumDevices")))
            return f;
        std::lock_guard<std::mutex> l(gListMutex);
        for (const SimCameraPtr& c : bus().listed()) {
            const unsigned layer = c->spec().gige ? kGigEDevice : kUsbDevice;
            if (!(layers & layer) || list->count >= unsigned(kMaxDevices))
                continue;
            DeviceInfo d;
            std::memset(&d, 0, sizeof d);
            d.transportLayer = layer;
            const camsdk::SimSpec& s = c->spec();
            if (c->spec().gige) {
                d.gige.currentIp = s.ip;
                d.gige.currentMask = s.mask;
                d.gige.gateway = s.gateway;
                d.gige.hostIp = s.hostIp;
                copyText(d.gige.serialNumber, sizeof d.gige.serialNumber, s.serial);
                copyText(d.gige.modelName, sizeof d.gige.modelName, s.model);
            } else {
                copyText(d.usb.serialNumber, sizeof d.usb.serialNumber, s.serial);
                copyText(d.usb.modelName, sizeof d.usb.modelName, s.model);
            }
            gRecords.push_back(d);
            list->devices[list->count++] = &gRecords.back();
        }
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_EnumDevices, layers, list);
    std::memset(list, 0, sizeof *list);
    return camsdk::kNotAvailable;
}

bool MV_CC_IsDeviceAccessible(DeviceInfo* device, unsigned access)
{
    if (sim()) {
        SimCameraPtr c = cameraOf(device);
        if (!c)
            return false;
        c->record(QStringLiteral("MV_CC_IsDeviceAccessible %1").arg(access));
        return !c->isOpen();
    }
    CAMSDK_FORWARD(lib(), MV_CC_IsDeviceAccessible, device, access);
    return false;
}

int MV_CC_CreateHandle(void** handle, const DeviceInfo* device)
{
    if (sim()) {
        SimCameraPtr c = cameraOf(device);
        if (!c || !handle)
            return kError;
        if (int f = c->failure(QStringLiteral("MV_CC_CreateHandle")))
            return f;
        auto* x = new Handle;
        x->camera = c;
        *handle = x;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_CreateHandle, handle, device);
    return camsdk::kNotAvailable;
}

int MV_CC_DestroyHandle(void* handle)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x)
            return kError;
        stopGrabber(x);
        if (x->opened)
            x->camera->close();
        delete x;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_DestroyHandle, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_OpenDevice(void* handle, unsigned access, uint16_t switchoverKey)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x)
            return kError;
        if (int f = x->camera->failure(QStringLiteral("MV_CC_OpenDevice")))
            return f;
        if (!x->camera->tryOpen())
            return kError;
        x->opened = true;
        x->camera->record(QStringLiteral("open"));
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_OpenDevice, handle, access, switchoverKey);
    return camsdk::kNotAvailable;
}

int MV_CC_CloseDevice(void* handle)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened)
            return kError;
        stopGrabber(x);
        x->camera->record(QStringLiteral("close"));
        x->camera->close();
        x->opened = false;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_CloseDevice, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_GetStringValue(void* handle, const char* key, StringValue* value)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c || !value)
            return kError;
        if (qstrcmp(key, "DeviceModelName") != 0)
            return kNotFound;
        copyText(value->value, sizeof value->value, c->spec().model);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_GetStringValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_GetIntValue(void* handle, const char* key, IntValue* value)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c || !value)
            return kError;
        std::memset(value, 0, sizeof *value);
        const QLatin1String k(key);
        if (k == QLatin1String("WidthMax"))
            value->current = c->spec().sensorWidth;
        else if (k == QLatin1String("HeightMax"))
            value->current = c->spec().sensorHeight;
        else if (k == QLatin1String("Width"))
            value->current = c->outputWidth();
        else if (k == QLatin1String("Height"))
            value->current = c->outputHeight();
        else {
            double mn = 0, mx = 0;
            if (!c->range(k, &mn, &mx))
                return kNotFound;
            value->min = int64_t(mn);
            value->max = int64_t(mx);
            value->current = int64_t(c->value(k, mn));
        }
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_GetIntValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetIntValue(void* handle, const char* key, int64_t value)
{
    if (sim()) {
        const int r = setValue(handle, key, double(value));
        SimCamera* c = openCam(handle);
        if (r == MV_OK && c && qstrcmp(key, "Width") == 0)
            c->setOutputSize(int(value), c->outputHeight());
        if (r == MV_OK && c && qstrcmp(key, "Height") == 0)
            c->setOutputSize(c->outputWidth(), int(value));
        return r;
    }
    CAMSDK_FORWARD(lib(), MV_CC_SetIntValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_GetFloatValue(void* handle, const char* key, FloatValue* value)
{
    if (sim())
        return getFloat(handle, key, value);
    CAMSDK_FORWARD(lib(), MV_CC_GetFloatValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetFloatValue(void* handle, const char* key, float value)
{
    if (sim())
        return setValue(handle, key, double(value));
    CAMSDK_FORWARD(lib(), MV_CC_SetFloatValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetEnumValue(void* handle, const char* key, unsigned value)
{
    if (sim())
        return setValue(handle, key, double(value));
    CAMSDK_FORWARD(lib(), MV_CC_SetEnumValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetBoolValue(void* handle, const char* key, bool value)
{
    if (sim())
        return setValue(handle, key, value ? 1 : 0);
    CAMSDK_FORWARD(lib(), MV_CC_SetBoolValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetCommandValue(void* handle, const char* key)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c)
            return kError;
        c->record(QStringLiteral("command ") + QLatin1String(key));
        if (qstrcmp(key, "UserSetLoad") == 0) {
            for (const char* name : {"ExposureTime", "Gain", "Sharpness", "Gamma"}) {
                const QString d = QStringLiteral("default:") + QLatin1String(name);
                if (c->has(d))
                    c->presetValue(QLatin1String(name), c->value(d));
            }
        }
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_SetCommandValue, handle, key);
    return camsdk::kNotAvailable;
}

int MV_CC_GetGain(void* handle, FloatValue* value)
{
    if (sim())
        return getFloat(handle, "Gain", value);
    CAMSDK_FORWARD(lib(), MV_CC_GetGain, handle, value);
    return camsdk::kNotAvailable;
}

int MV_CC_GetSharpness(void* handle, IntValue* value)
{
    if (sim())
        return MV_CC_GetIntValue(handle, "Sharpness", value);
    CAMSDK_FORWARD(lib(), MV_CC_GetSharpness, handle, value);
    return camsdk::kNotAvailable;
}

int MV_CC_GetGamma(void* handle, FloatValue* value)
{
    if (sim())
        return getFloat(handle, "Gamma", value);
    CAMSDK_FORWARD(lib(), MV_CC_GetGamma, handle, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned mode)
{
    if (sim())
        return setValue(handle, "BalanceWhiteAuto", mode);
    CAMSDK_FORWARD(lib(), MV_CC_SetBalanceWhiteAuto, handle, mode);
    return camsdk::kNotAvailable;
}

int MV_CC_RegisterImageCallBack(void* handle, ImageCallback callback, void* user)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened || x->grabber.joinable())
            return kError;
        x->callback = callback;
        x->user = user;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_RegisterImageCallBack, handle, callback, user);
    return camsdk::kNotAvailable;
}

int MV_CC_StartGrabbing(void* handle)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened)
            return kError;
        x->camera->record(QStringLiteral("MV_CC_StartGrabbing"));
        x->camera->setAcquiring(true);
        if (!x->grabber.joinable())
            x->grabber = std::thread(grabLoop, x);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_StartGrabbing, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_StopGrabbing(void* handle)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened)
            return kError;
        x->camera->record(QStringLiteral("MV_CC_StopGrabbing"));
        x->camera->setAcquiring(false);
        stopGrabber(x);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_StopGrabbing, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_ConvertPixelType(void* handle, ConvertParam* p)
{
    if (sim()) {
        if (!openCam(handle) || !p || !p->srcData || !p->dstBuffer)
            return kError;
        if (p->dstPixelType != kPixelRgb8)
            return kError;
        const size_t n = size_t(p->width) * size_t(p->height);
        if (p->srcDataLength < n || p->dstBufferSize < n * 3)
            return kError;
        const bool bayer = p->srcPixelType == kPixelBayerRG8;
        for (size_t i = 0; i < n; ++i) {
            uint8_t rgb[3] = {p->srcData[i], p->srcData[i], p->srcData[i]};
            if (bayer)
                SimCamera::colourOf(p->srcData[i], rgb);
            std::memcpy(p->dstBuffer + i * 3, rgb, 3);
        }
        p->dstLength = unsigned(n * 3);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_ConvertPixelType, handle, p);
    return camsdk::kNotAvailable;
}

int MV_GIGE_ForceIpEx(void* handle, uint32_t ip, uint32_t mask, uint32_t gateway)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x)
            return kError;
        if (int f = x->camera->failure(QStringLiteral("MV_GIGE_ForceIpEx")))
            return f;
        x->camera->record(QStringLiteral("MV_GIGE_ForceIpEx %1 %2 %3").arg(ip).arg(mask).arg(gateway));
        x->camera->setIp(ip);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_GIGE_ForceIpEx, handle, ip, mask, gateway);
    return camsdk::kNotAvailable;
}

} // namespace mvs
