#include "platform/cameras/gxapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <QHash>
#include <algorithm>
#include <cstring>

using camsdk::SimCamera;

namespace gx {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{"libgxiapi.so"};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Daheng); }
bool sim() { return bus().active(); }

SimCamera* cam(GX_DEV_HANDLE h) { return static_cast<SimCamera*>(h); }

QString key(int32_t feature) { return QStringLiteral("0x") + QString::number(quint32(feature), 16).toUpper(); }

GX_STATUS openSim(const camsdk::SimCameraPtr& c, GX_DEV_HANDLE* device)
{
    if (!c)
        return kNotFound;
    if (int f = c->failure(QStringLiteral("GXOpenDevice")))
        return f;
    if (!c->tryOpen())
        return kNotFound;
    c->record(QStringLiteral("open"));
    *device = c.get();
    return kSuccess;
}

} // namespace

const char* featureKey(int32_t feature)
{
    static thread_local QByteArray k;
    k = key(feature).toLatin1();
    return k.constData();
}

GX_STATUS GXInitLib()
{
    if (sim())
        return bus().failure(QStringLiteral("GXInitLib"));
    CAMSDK_FORWARD(lib(), GXInitLib);
    return camsdk::kNotAvailable;
}

GX_STATUS GXUpdateDeviceList(uint32_t* count, uint32_t timeoutMs)
{
    *count = 0;
    if (sim()) {
        *count = uint32_t(bus().listed().size());
        return bus().failure(QStringLiteral("GXUpdateDeviceList"));
    }
    CAMSDK_FORWARD(lib(), GXUpdateDeviceList, count, timeoutMs);
    return camsdk::kNotAvailable;
}

GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* device)
{
    if (sim()) {
        const auto listed = bus().listed();
        if (index < 1 || int(index) > listed.size())
            return kNotFound;
        return openSim(listed.at(int(index) - 1), device);
    }
    CAMSDK_FORWARD(lib(), GXOpenDeviceByIndex, index, device);
    return camsdk::kNotAvailable;
}

GX_STATUS GXOpenDevice(GxOpenParam* param, GX_DEV_HANDLE* device)
{
    if (sim()) {
        if (!param || !param->content || param->openMode != 0)
            return kNotFound;
        return openSim(bus().bySerial(QByteArray(param->content)), device);
    }
    CAMSDK_FORWARD(lib(), GXOpenDevice, param, device);
    return camsdk::kNotAvailable;
}

GX_STATUS GXCloseDevice(GX_DEV_HANDLE device)
{
    if (sim()) {
        if (!device)
            return kInvalidHandle;
        cam(device)->record(QStringLiteral("close"));
        cam(device)->close();
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXCloseDevice, device);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetInt(GX_DEV_HANDLE device, int32_t feature, int64_t* value)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c)
            return kInvalidHandle;
        if (int f = c->failure(QStringLiteral("GXGetInt ") + key(feature)))
            return f;
        if (feature == kWidth)
            *value = c->outputWidth();
        else if (feature == kHeight)
            *value = c->outputHeight();
        else
            *value = int64_t(c->value(key(feature)));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXGetInt, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetInt(GX_DEV_HANDLE device, int32_t feature, int64_t value)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c)
            return kInvalidHandle;
        c->setValue(key(feature), double(value));
        if (feature == kWidth)
            c->setOutputSize(int(value), c->outputHeight());
        else if (feature == kHeight)
            c->setOutputSize(c->outputWidth(), int(value));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXSetInt, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetEnum(GX_DEV_HANDLE device, int32_t feature, int64_t value)
{
    if (sim()) {
        if (!cam(device))
            return kInvalidHandle;
        cam(device)->setValue(key(feature), double(value));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXSetEnum, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetBool(GX_DEV_HANDLE device, int32_t feature, bool value)
{
    if (sim()) {
        if (!cam(device))
            return kInvalidHandle;
        cam(device)->setValue(key(feature), value ? 1 : 0);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXSetBool, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetFloat(GX_DEV_HANDLE device, int32_t feature, double* value)
{
    if (sim()) {
        if (!cam(device))
            return kInvalidHandle;
        *value = cam(device)->value(key(feature));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXGetFloat, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetFloat(GX_DEV_HANDLE device, int32_t feature, double value)
{
    if (sim()) {
        if (!cam(device))
            return kInvalidHandle;
        cam(device)->setValue(key(feature), value);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXSetFloat, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetFloatRange(GX_DEV_HANDLE device, int32_t feature, GxFloatRange* range)
{
    if (sim()) {
        if (!cam(device))
            return kInvalidHandle;
        if (!cam(device)->range(key(feature), &range->min, &range->max))
            return kNotFound;
        range->inc = 0;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXGetFloatRange, device, feature, range);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSendCommand(GX_DEV_HANDLE device, int32_t feature)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c)
            return kInvalidHandle;
        c->record(QStringLiteral("command ") + key(feature));
        if (feature == kAcquisitionStart)
            c->setAcquiring(true);
        else if (feature == kAcquisitionStop)
            c->setAcquiring(false);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXSendCommand, device, feature);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetImage(GX_DEV_HANDLE device, GxFrameData* frame, uint32_t timeoutMs)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c || !frame)
            return kInvalidHandle;
        SimCamera::Frame f;
        if (!c->nextFrame(int(timeoutMs), &f))
            return kTimeout;
        const int size = f.width * f.height;
        // The simulated SDK never writes past the buffer it was given.
        if (frame->imageBuffer && frame->bufferSize > 0)
            SimCamera::fill(f, false, static_cast<uint8_t*>(frame->imageBuffer), size_t(frame->bufferSize));
        frame->status = 0;
        frame->width = f.width;
        frame->height = f.height;
        frame->imageSize = size;
        frame->pixelFormat = 0x01080001;
        frame->frameId = f.counter;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), GXGetImage, device, frame, timeoutMs);
    return camsdk::kNotAvailable;
}

int32_t DxContrast(const void* input, void* output, int32_t length, int32_t factor)
{
    if (!input || !output || length < 0 || factor < -50 || factor > 100)
        return -1;
    uint8_t lut[256];
    for (int v = 0; v < 256; ++v)
        lut[v] = uint8_t(std::clamp(128 + (v - 128) * (100 + factor) / 100, 0, 255));
    const auto* in = static_cast<const uint8_t*>(input);
    auto* out = static_cast<uint8_t*>(output);
    for (int32_t i = 0; i < length; ++i)
        out[i] = lut[in[i]];
    return 0;
}

} // namespace gx
