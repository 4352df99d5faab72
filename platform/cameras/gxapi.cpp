#include "platform/cameras/gxapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <string>

using camsdk::SimCamera;

namespace gx {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{{"libgxiapi.so"},
                                   {"GXInitLib", "GXUpdateDeviceList", "GXGetAllDeviceBaseInfo", "GXOpenDeviceByIndex", "GXOpenDevice",
                                    "GXCloseDevice", "GXGetInt", "GXSetInt", "GXSetEnum", "GXSetBool", "GXGetFloat",
                                    "GXSetFloat", "GXGetFloatRange", "GXSendCommand", "GXGetImage"}};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Daheng); }
bool sim() { return bus().active(); }

SimCamera* cam(GX_DEV_HANDLE h) { return static_cast<SimCamera*>(h); }

QString key(GX_FEATURE_ID feature) { return QStringLiteral("0x") + QString::number(quint32(feature), 16).toUpper(); }

GX_STATUS openSim(const camsdk::SimCameraPtr& c, GX_DEV_HANDLE* device)
{
    if (!c)
        return GX_STATUS_NOT_FOUND_DEVICE;
    if (int f = c->failure(QStringLiteral("GXOpenDevice")))
        return f;
    if (!c->openLogged())
        return GX_STATUS_INVALID_ACCESS;
    *device = c.get();
    return GX_STATUS_SUCCESS;
}

// A write the simulated camera records under the feature's key.
GX_STATUS setSim(GX_DEV_HANDLE device, GX_FEATURE_ID feature, double value)
{
    SimCamera* c = cam(device);
    if (!c)
        return GX_STATUS_INVALID_HANDLE;
    c->setValue(key(feature), value);
    return GX_STATUS_SUCCESS;
}

} // namespace

bool Usable(const char** why)
{
    return lib().usableOrSimulated(sim(), why);
}

const char* featureKey(GX_FEATURE_ID feature)
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

GX_STATUS GXGetAllDeviceBaseInfo(GX_DEVICE_BASE_INFO* info, size_t* bytes)
{
    if (sim()) {
        if (!info || !bytes)
            return GX_STATUS_INVALID_PARAMETER;
        if (int f = bus().failure(QStringLiteral("GXGetAllDeviceBaseInfo")))
            return f;
        const auto listed = bus().listed();
        if (*bytes < size_t(listed.size()) * sizeof(GX_DEVICE_BASE_INFO))
            return GX_STATUS_NEED_MORE_BUFFER;
        for (int i = 0; i < listed.size(); ++i) {
            GX_DEVICE_BASE_INFO& d = info[i];
            std::memset(&d, 0, sizeof d);
            const camsdk::SimSpec& spec = listed[i]->spec();
            // A text that fills its field has no closing zero.
            std::memcpy(d.szVendorName, "SIM", 3);
            std::memcpy(d.szModelName, spec.model.constData(), size_t(qMin(spec.model.size(), 32)));
            std::memcpy(d.szSN, spec.serial.constData(), size_t(qMin(spec.serial.size(), 32)));
            d.deviceClass = spec.gige ? 2 : 3;
        }
        *bytes = size_t(listed.size()) * sizeof(GX_DEVICE_BASE_INFO);
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXGetAllDeviceBaseInfo, info, bytes);
    return camsdk::kNotAvailable;
}

GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* device)
{
    if (sim()) {
        const auto listed = bus().listed();
        if (index < 1 || int(index) > listed.size())
            return GX_STATUS_NOT_FOUND_DEVICE;
        return openSim(listed.at(int(index) - 1), device);
    }
    CAMSDK_FORWARD(lib(), GXOpenDeviceByIndex, index, device);
    return camsdk::kNotAvailable;
}

GX_STATUS GXOpenDevice(GX_OPEN_PARAM* param, GX_DEV_HANDLE* device)
{
    if (sim()) {
        if (!param || !param->pszContent || param->openMode != GX_OPEN_SN)
            return GX_STATUS_INVALID_PARAMETER;
        return openSim(bus().bySerial(QByteArray(param->pszContent)), device);
    }
    CAMSDK_FORWARD(lib(), GXOpenDevice, param, device);
    return camsdk::kNotAvailable;
}

GX_STATUS GXCloseDevice(GX_DEV_HANDLE device)
{
    if (sim()) {
        if (!device)
            return GX_STATUS_INVALID_HANDLE;
        cam(device)->closeLogged();
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXCloseDevice, device);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetInt(GX_DEV_HANDLE device, GX_FEATURE_ID feature, int64_t* value)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c)
            return GX_STATUS_INVALID_HANDLE;
        if (int f = c->failure(QStringLiteral("GXGetInt ") + key(feature)))
            return f;
        if (feature == GX_INT_WIDTH_MAX)
            *value = c->spec().sensorWidth;
        else if (feature == GX_INT_HEIGHT_MAX)
            *value = c->spec().sensorHeight;
        else if (feature == GX_INT_WIDTH)
            *value = c->outputWidth();
        else if (feature == GX_INT_HEIGHT)
            *value = c->outputHeight();
        else if (feature == GX_INT_PAYLOAD_SIZE)
            *value = int64_t(c->outputWidth()) * c->outputHeight(); // 8-bit pixels
        else
            *value = int64_t(c->value(key(feature)));
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXGetInt, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetInt(GX_DEV_HANDLE device, GX_FEATURE_ID feature, int64_t value)
{
    if (sim()) {
        // Like a camera: the window (offset plus size) must lie on the sensor
        // as it stands when each value is written.
        if (SimCamera* c = cam(device)) {
            const int64_t x = int64_t(c->value(key(GX_INT_OFFSET_X))), y = int64_t(c->value(key(GX_INT_OFFSET_Y)));
            const bool fits = feature == GX_INT_OFFSET_X ? value >= 0 && value + c->outputWidth() <= c->spec().sensorWidth
                : feature == GX_INT_OFFSET_Y ? value >= 0 && value + c->outputHeight() <= c->spec().sensorHeight
                : feature == GX_INT_WIDTH    ? value > 0 && x + value <= c->spec().sensorWidth
                : feature == GX_INT_HEIGHT   ? value > 0 && y + value <= c->spec().sensorHeight
                                             : true;
            if (!fits)
                return GX_STATUS_OUT_OF_RANGE;
            if (int f = c->failure(QStringLiteral("GXSetInt ") + key(feature)))
                return f;
        }
        if (GX_STATUS s = setSim(device, feature, double(value)))
            return s;
        SimCamera* c = cam(device);
        if (feature == GX_INT_WIDTH)
            c->setOutputSize(int(value), c->outputHeight());
        else if (feature == GX_INT_HEIGHT)
            c->setOutputSize(c->outputWidth(), int(value));
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXSetInt, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetEnum(GX_DEV_HANDLE device, GX_FEATURE_ID feature, int64_t value)
{
    if (sim()) {
        if (SimCamera* c = cam(device))
            if (int f = c->failure(QStringLiteral("GXSetEnum ") + key(feature)))
                return f;
        return setSim(device, feature, double(value));
    }
    CAMSDK_FORWARD(lib(), GXSetEnum, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetBool(GX_DEV_HANDLE device, GX_FEATURE_ID feature, bool value)
{
    if (sim())
        return setSim(device, feature, value ? 1 : 0);
    CAMSDK_FORWARD(lib(), GXSetBool, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetFloat(GX_DEV_HANDLE device, GX_FEATURE_ID feature, double* value)
{
    if (sim()) {
        if (!cam(device))
            return GX_STATUS_INVALID_HANDLE;
        *value = cam(device)->value(key(feature));
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXGetFloat, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSetFloat(GX_DEV_HANDLE device, GX_FEATURE_ID feature, double value)
{
    if (sim())
        return setSim(device, feature, value);
    CAMSDK_FORWARD(lib(), GXSetFloat, device, feature, value);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetFloatRange(GX_DEV_HANDLE device, GX_FEATURE_ID feature, GX_FLOAT_RANGE* range)
{
    if (sim()) {
        if (!cam(device))
            return GX_STATUS_INVALID_HANDLE;
        std::memset(range, 0, sizeof *range);
        if (!cam(device)->range(key(feature), &range->dMin, &range->dMax))
            return GX_STATUS_INVALID_PARAMETER;
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXGetFloatRange, device, feature, range);
    return camsdk::kNotAvailable;
}

GX_STATUS GXSendCommand(GX_DEV_HANDLE device, GX_FEATURE_ID feature)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c)
            return GX_STATUS_INVALID_HANDLE;
        c->record(QStringLiteral("command ") + key(feature));
        if (feature == GX_COMMAND_ACQUISITION_START)
            c->setAcquiring(true);
        else if (feature == GX_COMMAND_ACQUISITION_STOP)
            c->setAcquiring(false);
        return GX_STATUS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), GXSendCommand, device, feature);
    return camsdk::kNotAvailable;
}

GX_STATUS GXGetImage(GX_DEV_HANDLE device, GX_FRAME_DATA* frame, uint32_t timeoutMs)
{
    if (sim()) {
        SimCamera* c = cam(device);
        if (!c || !frame || !frame->pImgBuf)
            return GX_STATUS_INVALID_PARAMETER;
        if (int f = c->failure(QStringLiteral("GXGetImage")))
            return f;
        if (c->vanished())
            return GX_STATUS_OFFLINE; // an open camera that left the bus
        SimCamera::Frame f;
        if (!c->nextFrame(int(timeoutMs), &f))
            return GX_STATUS_TIMEOUT;
        // Like the library: the caller's buffer holds the payload the camera
        // announced; a larger frame is refused, never written past it.
        const size_t bytes = size_t(f.width) * size_t(f.height);
        const size_t payload = size_t(c->outputWidth()) * size_t(c->outputHeight());
        if (bytes > payload)
            return GX_STATUS_NEED_MORE_BUFFER;
        SimCamera::fill(f, false, static_cast<uint8_t*>(frame->pImgBuf), bytes);
        frame->nStatus = GX_FRAME_STATUS_SUCCESS;
        frame->nWidth = f.width;
        frame->nHeight = f.height;
        frame->nImgSize = int32_t(bytes);
        frame->nPixelFormat = int32_t(c->value(QStringLiteral("frame format"), GX_PIXEL_FORMAT_MONO8));
        frame->nFrameID = f.counter;
        frame->nTimestamp = f.counter;
        frame->nOffsetX = frame->nOffsetY = 0;
        return GX_STATUS_SUCCESS;
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
