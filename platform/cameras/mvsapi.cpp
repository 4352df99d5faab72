#include "platform/cameras/mvsapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <chrono>
#include <cstring>
#include <deque>
#include <string>
#include <thread>
#include <vector>

using camsdk::SimCamera;
using camsdk::SimCameraPtr;

namespace mvs {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{
        {"libMvCameraControl.so"},
        {"MV_CC_EnumDevices", "MV_CC_CreateHandle", "MV_CC_DestroyHandle", "MV_CC_OpenDevice", "MV_CC_CloseDevice",
         "MV_CC_GetStringValue", "MV_CC_GetIntValueEx", "MV_CC_SetIntValueEx", "MV_CC_GetFloatValue",
         "MV_CC_SetFloatValue", "MV_CC_SetEnumValue", "MV_CC_SetBoolValue", "MV_CC_SetCommandValue",
         "MV_CC_GetSharpness", "MV_CC_SetBalanceWhiteAuto", "MV_CC_RegisterImageCallBack", "MV_CC_RegisterExceptionCallBack", "MV_CC_StartGrabbing",
         "MV_CC_StopGrabbing", "MV_CC_ConvertPixelType", "MV_GIGE_ForceIpEx"}};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Hikvision); }
bool sim() { return bus().active(); }

// A handle of the simulator: the camera and, while grabbing, the thread that
// calls the registered callback with each frame.
struct Handle {
    SimCameraPtr camera;
    bool opened = false;
    ImageCallBack callback = nullptr;
    void* user = nullptr;
    std::thread grabber;
    std::atomic<bool> stop{false};
    // The library's own watch of the device: tells the exception callback
    // once when the open camera leaves the bus.
    ExceptionCallBack exception = nullptr;
    void* exceptionUser = nullptr;
    std::thread watcher;
    std::atomic<bool> unwatch{false};
};

// Device records handed out by the enumeration stay valid until exit, as the
// driver keeps pointers into the list.
std::mutex gListMutex;
std::deque<MV_CC_DEVICE_INFO> gRecords;

template <size_t N>
void copyText(unsigned char (&dst)[N], const QByteArray& text)
{
    std::memset(dst, 0, N);
    // A text that fills the field has no closing zero, as in the library's records.
    std::memcpy(dst, text.constData(), size_t(qMin(text.size(), int(N))));
}

QByteArray fieldText(const unsigned char* field, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(field), int(strnlen(reinterpret_cast<const char*>(field), size)));
}

SimCameraPtr cameraOf(const MV_CC_DEVICE_INFO* d)
{
    if (!d)
        return nullptr;
    size_t size = 0;
    const unsigned char* s = SerialField(*d, &size);
    const QByteArray serial = fieldText(s, size);
    for (const SimCameraPtr& c : bus().all())
        if (c->spec().serial.left(int(size)) == serial)
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
        const MvGvspPixelType type =
            MvGvspPixelType(x->camera->value(QStringLiteral("PixelFormat"), double(PixelType_Gvsp_Mono8)));
        data.resize(size_t(f.width) * size_t(f.height));
        SimCamera::fill(f, false, data.data(), data.size());
        MV_FRAME_OUT_INFO info;
        std::memset(&info, 0, sizeof info);
        info.nWidth = (unsigned short)f.width;
        info.nHeight = (unsigned short)f.height;
        info.enPixelType = type;
        info.nFrameNum = f.counter;
        info.nFrameLen = unsigned(data.size());
        if (x->callback)
            x->callback(data.data(), &info, x->user);
    }
}

void watchLoop(Handle* x)
{
    while (!x->unwatch) {
        if (x->camera->vanished()) {
            x->exception(MV_EXCEPTION_DEV_DISCONNECT, x->exceptionUser);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void stopWatcher(Handle* x)
{
    if (!x->watcher.joinable())
        return;
    x->unwatch = true;
    x->watcher.join();
    x->unwatch = false;
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
        return MV_E_HANDLE;
    if (int f = c->failure(QLatin1String(key)))
        return f;
    c->setValue(QLatin1String(key), v);
    return MV_OK;
}

} // namespace

bool Usable(const char** why)
{
    return lib().usableOrSimulated(sim(), why);
}

const unsigned char* SerialField(const MV_CC_DEVICE_INFO& d, size_t* size)
{
    if (d.nTLayerType == MV_GIGE_DEVICE) {
        *size = sizeof d.SpecialInfo.stGigEInfo.chSerialNumber;
        return d.SpecialInfo.stGigEInfo.chSerialNumber;
    }
    *size = sizeof d.SpecialInfo.stUsb3VInfo.chSerialNumber;
    return d.SpecialInfo.stUsb3VInfo.chSerialNumber;
}

int MV_CC_EnumDevices(unsigned int layers, MV_CC_DEVICE_INFO_LIST* list)
{
    if (sim()) {
        if (!list)
            return MV_E_PARAMETER;
        std::memset(list, 0, sizeof *list);
        if (int f = bus().failure(QStringLiteral("MV_CC_EnumDevices")))
            return f;
        std::lock_guard<std::mutex> l(gListMutex);
        for (const SimCameraPtr& c : bus().listed()) {
            const unsigned layer = c->spec().gige ? MV_GIGE_DEVICE : MV_USB_DEVICE;
            if (!(layers & layer) || list->nDeviceNum >= MV_MAX_DEVICE_NUM)
                continue;
            MV_CC_DEVICE_INFO d;
            std::memset(&d, 0, sizeof d);
            d.nTLayerType = layer;
            const camsdk::SimSpec& s = c->spec();
            if (s.gige) {
                MV_GIGE_DEVICE_INFO& g = d.SpecialInfo.stGigEInfo;
                g.nCurrentIp = s.ip;
                g.nCurrentSubNetMask = s.mask;
                g.nDefultGateWay = s.gateway;
                g.nNetExport = s.hostIp;
                copyText(g.chManufacturerName, "SIM");
                copyText(g.chModelName, s.model);
                copyText(g.chSerialNumber, s.serial);
            } else {
                MV_USB3_DEVICE_INFO& u = d.SpecialInfo.stUsb3VInfo;
                copyText(u.chManufacturerName, "SIM");
                copyText(u.chModelName, s.model);
                copyText(u.chSerialNumber, s.serial);
            }
            gRecords.push_back(d);
            list->pDeviceInfo[list->nDeviceNum++] = &gRecords.back();
        }
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_EnumDevices, layers, list);
    if (list)
        std::memset(list, 0, sizeof *list);
    return camsdk::kNotAvailable;
}

int MV_CC_CreateHandle(void** handle, const MV_CC_DEVICE_INFO* device)
{
    if (sim()) {
        SimCameraPtr c = cameraOf(device);
        if (!c || !handle)
            return MV_E_PARAMETER;
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
            return MV_E_HANDLE;
        stopGrabber(x);
        stopWatcher(x);
        if (x->opened)
            x->camera->close();
        delete x;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_DestroyHandle, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_OpenDevice(void* handle, unsigned int access, unsigned short switchoverKey)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x)
            return MV_E_HANDLE;
        if (int f = x->camera->failure(QStringLiteral("MV_CC_OpenDevice")))
            return f;
        if (!x->camera->openLogged())
            return MV_E_ACCESS_DENIED;
        x->opened = true;
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
            return MV_E_HANDLE;
        stopGrabber(x);
        stopWatcher(x);
        x->camera->closeLogged();
        x->opened = false;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_CloseDevice, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_GetStringValue(void* handle, const char* key, MVCC_STRINGVALUE* value)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c || !value)
            return MV_E_HANDLE;
        if (qstrcmp(key, "DeviceModelName") != 0)
            return MV_E_SUPPORT;
        std::memset(value, 0, sizeof *value);
        std::memcpy(value->chCurValue, c->spec().model.constData(), size_t(qMin(c->spec().model.size(), 255)));
        value->nMaxLength = 256;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_GetStringValue, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_GetIntValueEx(void* handle, const char* key, MVCC_INTVALUE_EX* value)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c || !value)
            return MV_E_HANDLE;
        std::memset(value, 0, sizeof *value);
        const QLatin1String k(key);
        if (int f = c->failure(QStringLiteral("get ") + k))
            return f;
        if (k == QLatin1String("WidthMax"))
            value->nCurValue = c->spec().sensorWidth;
        else if (k == QLatin1String("HeightMax"))
            value->nCurValue = c->spec().sensorHeight;
        else if (k == QLatin1String("Width"))
            value->nCurValue = c->outputWidth();
        else if (k == QLatin1String("Height"))
            value->nCurValue = c->outputHeight();
        else {
            double mn = 0, mx = 0;
            if (!c->range(k, &mn, &mx))
                return MV_E_SUPPORT;
            value->nMin = int64_t(mn);
            value->nMax = int64_t(mx);
            value->nCurValue = int64_t(c->value(k, mn));
        }
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_GetIntValueEx, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetIntValueEx(void* handle, const char* key, int64_t value)
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
    CAMSDK_FORWARD(lib(), MV_CC_SetIntValueEx, handle, key, value);
    return camsdk::kNotAvailable;
}

int MV_CC_GetFloatValue(void* handle, const char* key, MVCC_FLOATVALUE* value)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c || !value)
            return MV_E_HANDLE;
        double mn = 0, mx = 0;
        if (!c->range(QLatin1String(key), &mn, &mx))
            return MV_E_SUPPORT;
        std::memset(value, 0, sizeof *value);
        value->fMin = float(mn);
        value->fMax = float(mx);
        value->fCurValue = float(c->value(QLatin1String(key), mn));
        return MV_OK;
    }
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

int MV_CC_SetEnumValue(void* handle, const char* key, unsigned int value)
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
            return MV_E_HANDLE;
        c->record(QStringLiteral("command ") + QLatin1String(key));
        c->delayCall(QStringLiteral("command ") + QLatin1String(key));
        if (qstrcmp(key, "UserSetLoad") == 0) {
            for (const char* name : {"ExposureTime", "Gain", "Sharpness", "Gamma"}) {
                const QString d = QStringLiteral("default:") + QLatin1String(name);
                if (c->has(d))
                    c->presetValue(QLatin1String(name), c->value(d));
            }
            // The set loaded brings its own trigger mode and pixel format.
            c->presetValue(QStringLiteral("TriggerMode"), c->value(QStringLiteral("default:TriggerMode"), 0));
            c->presetValue(QStringLiteral("PixelFormat"),
                           c->value(QStringLiteral("default:PixelFormat"),
                                    double(c->spec().colour ? PixelType_Gvsp_BayerRG8 : PixelType_Gvsp_Mono8)));
        }
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_SetCommandValue, handle, key);
    return camsdk::kNotAvailable;
}

int MV_CC_GetSharpness(void* handle, MVCC_INTVALUE* value)
{
    if (sim()) {
        SimCamera* c = openCam(handle);
        if (!c || !value)
            return MV_E_HANDLE;
        double mn = 0, mx = 0;
        if (!c->range(QStringLiteral("Sharpness"), &mn, &mx))
            return MV_E_SUPPORT;
        std::memset(value, 0, sizeof *value);
        value->nMin = unsigned(mn);
        value->nMax = unsigned(mx);
        value->nCurValue = unsigned(c->value(QStringLiteral("Sharpness"), mn));
        value->nInc = 1;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_GetSharpness, handle, value);
    return camsdk::kNotAvailable;
}

int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned int mode)
{
    if (sim())
        return setValue(handle, "BalanceWhiteAuto", mode);
    CAMSDK_FORWARD(lib(), MV_CC_SetBalanceWhiteAuto, handle, mode);
    return camsdk::kNotAvailable;
}

int MV_CC_RegisterImageCallBack(void* handle, ImageCallBack callback, void* user)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened || x->grabber.joinable())
            return MV_E_CALLORDER;
        x->callback = callback;
        x->user = user;
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_RegisterImageCallBack, handle, callback, user);
    return camsdk::kNotAvailable;
}

int MV_CC_RegisterExceptionCallBack(void* handle, ExceptionCallBack callback, void* user)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened)
            return MV_E_HANDLE;
        stopWatcher(x);
        x->exception = callback;
        x->exceptionUser = user;
        if (callback)
            x->watcher = std::thread(watchLoop, x);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_RegisterExceptionCallBack, handle, callback, user);
    return camsdk::kNotAvailable;
}

int MV_CC_StartGrabbing(void* handle)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x || !x->opened)
            return MV_E_HANDLE;
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
            return MV_E_HANDLE;
        x->camera->record(QStringLiteral("MV_CC_StopGrabbing"));
        x->camera->setAcquiring(false);
        stopGrabber(x);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_StopGrabbing, handle);
    return camsdk::kNotAvailable;
}

int MV_CC_ConvertPixelType(void* handle, MV_CC_PIXEL_CONVERT_PARAM* p)
{
    if (sim()) {
        if (!openCam(handle) || !p || !p->pSrcData || !p->pDstBuffer)
            return MV_E_PARAMETER;
        if (p->enDstPixelType != PixelType_Gvsp_RGB8_Packed)
            return MV_E_SUPPORT;
        const size_t n = size_t(p->nWidth) * size_t(p->nHeight);
        if (p->nSrcDataLen < n || p->nDstBufferSize < n * 3)
            return MV_E_PARAMETER;
        if (p->enSrcPixelType != PixelType_Gvsp_BayerRG8 && p->enSrcPixelType != PixelType_Gvsp_Mono8)
            return MV_E_SUPPORT;
        const bool bayer = p->enSrcPixelType == PixelType_Gvsp_BayerRG8;
        for (size_t i = 0; i < n; ++i) {
            uint8_t rgb[3] = {p->pSrcData[i], p->pSrcData[i], p->pSrcData[i]};
            if (bayer)
                SimCamera::colourOf(p->pSrcData[i], rgb);
            std::memcpy(p->pDstBuffer + i * 3, rgb, 3);
        }
        p->nDstLen = unsigned(n * 3);
        return MV_OK;
    }
    CAMSDK_FORWARD(lib(), MV_CC_ConvertPixelType, handle, p);
    return camsdk::kNotAvailable;
}

int MV_GIGE_ForceIpEx(void* handle, unsigned int ip, unsigned int mask, unsigned int gateway)
{
    if (sim()) {
        Handle* x = h(handle);
        if (!x)
            return MV_E_HANDLE;
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
