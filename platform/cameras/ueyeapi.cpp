#include "platform/cameras/ueyeapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <QMap>
#include <cstring>
#include <map>
#include <memory>
#include <thread>
#include <vector>

using camsdk::SimCamera;
using camsdk::SimCameraPtr;

namespace ueye {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{"libueye_api.so", "libueye_api.so.1"};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Ids); }
bool sim() { return bus().active(); }

// Live-capture state of one opened simulated camera: its image memories and
// the thread that keeps writing frames into the active one.
struct Live {
    SimCameraPtr camera;
    std::map<INT, std::vector<char>> memories;
    INT nextId = 1;
    char* active = nullptr;
    size_t activeSize = 0;
    std::thread writer;
    std::atomic<bool> stop{false};
};

std::mutex gLiveMutex;
std::map<HIDS, std::unique_ptr<Live>> gLive; // by handle

Live* live(HIDS h)
{
    std::lock_guard<std::mutex> l(gLiveMutex);
    auto it = gLive.find(h);
    return it == gLive.end() ? nullptr : it->second.get();
}

void stopWriter(Live* lv)
{
    if (!lv->writer.joinable())
        return;
    lv->stop = true;
    lv->camera->wake();
    lv->writer.join();
    lv->stop = false;
}

void writerLoop(Live* lv)
{
    while (!lv->stop) {
        SimCamera::Frame f;
        if (!lv->camera->nextFrame(50, &f, &lv->stop))
            continue;
        std::lock_guard<std::mutex> l(gLiveMutex);
        if (lv->active)
            SimCamera::fill(f, false, reinterpret_cast<uint8_t*>(lv->active), lv->activeSize);
    }
}

// The image memory (id and address must agree) of a handle; the caller holds gLiveMutex.
Live* memoryOwner(HIDS camera, char* memory, INT memoryId, std::map<INT, std::vector<char>>::iterator* at)
{
    auto it = gLive.find(camera);
    if (it == gLive.end())
        return nullptr;
    Live* lv = it->second.get();
    *at = lv->memories.find(memoryId);
    if (*at == lv->memories.end() || (*at)->second.data() != memory)
        return nullptr;
    return lv;
}

// A setting the simulated camera records under the call's name.
INT recordSetting(HIDS camera, const char* key, double value)
{
    Live* lv = live(camera);
    if (!lv)
        return kInvalidHandle;
    lv->camera->setValue(QLatin1String(key), value);
    return kSuccess;
}

// A "set" command whose parameter is one value of type T.
template <typename T>
INT recordCommand(HIDS camera, const char* key, uint32_t command, uint32_t expected, void* param, uint32_t size)
{
    if (!param || size < sizeof(T) || command != expected)
        return kInvalidHandle;
    return recordSetting(camera, key, double(*static_cast<T*>(param)));
}

} // namespace

INT is_GetNumberOfCameras(INT* count)
{
    *count = 0;
    if (sim()) {
        *count = INT(bus().listed().size());
        return bus().failure(QStringLiteral("is_GetNumberOfCameras"));
    }
    CAMSDK_FORWARD(lib(), is_GetNumberOfCameras, count);
    return camsdk::kNotAvailable;
}

INT is_InitCamera(HIDS* camera, void* window)
{
    if (sim()) {
        if (int f = bus().failure(QStringLiteral("is_InitCamera")))
            return f;
        if (!camera || !(*camera & kUseDeviceId))
            return kNoSuccess;
        const int id = int(*camera & ~kUseDeviceId);
        const auto listed = bus().listed();
        SimCameraPtr chosen;
        if (id == 0) {
            for (const SimCameraPtr& c : listed)
                if (!c->isOpen()) {
                    chosen = c;
                    break;
                }
        } else if (id <= listed.size()) {
            chosen = listed.at(id - 1);
        }
        if (!chosen || !chosen->tryOpen())
            return kNoSuccess;
        chosen->record(QStringLiteral("open"));
        const HIDS handle = HIDS(bus().all().indexOf(chosen) + 1);
        auto lv = std::make_unique<Live>();
        lv->camera = chosen;
        {
            std::lock_guard<std::mutex> l(gLiveMutex);
            gLive[handle] = std::move(lv);
        }
        *camera = handle;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_InitCamera, camera, window);
    return camsdk::kNotAvailable;
}

INT is_ExitCamera(HIDS camera)
{
    if (sim()) {
        std::unique_ptr<Live> lv;
        {
            std::lock_guard<std::mutex> l(gLiveMutex);
            auto it = gLive.find(camera);
            if (it == gLive.end())
                return kInvalidHandle;
            lv = std::move(it->second);
            gLive.erase(it);
        }
        stopWriter(lv.get());
        lv->camera->record(QStringLiteral("close"));
        lv->camera->close();
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_ExitCamera, camera);
    return camsdk::kNotAvailable;
}

INT is_GetSensorInfo(HIDS camera, SensorInfo* info)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return kInvalidHandle;
        if (int f = lv->camera->failure(QStringLiteral("is_GetSensorInfo")))
            return f;
        std::memset(info, 0, sizeof *info);
        info->colorMode = lv->camera->spec().colour ? 2 : 1;
        info->maxWidth = uint32_t(lv->camera->spec().sensorWidth);
        info->maxHeight = uint32_t(lv->camera->spec().sensorHeight);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_GetSensorInfo, camera, info);
    return camsdk::kNotAvailable;
}

INT is_GetCameraInfo(HIDS camera, CameraInfo* info)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return kInvalidHandle;
        std::memset(info, 0, sizeof *info);
        const QByteArray s = lv->camera->spec().serial.left(int(sizeof info->serialNumber) - 1);
        std::memcpy(info->serialNumber, s.constData(), size_t(s.size()));
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_GetCameraInfo, camera, info);
    return camsdk::kNotAvailable;
}

INT is_GetColorDepth(HIDS camera, INT* bitsPerPixel, INT* colorMode)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return kInvalidHandle;
        *bitsPerPixel = lv->camera->spec().colour ? 32 : 8;
        *colorMode = lv->camera->spec().colour ? 0 : kColorModeMono8;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_GetColorDepth, camera, bitsPerPixel, colorMode);
    return camsdk::kNotAvailable;
}

INT is_SetColorMode(HIDS camera, INT mode)
{
    if (sim())
        return recordSetting(camera, "is_SetColorMode", mode);
    CAMSDK_FORWARD(lib(), is_SetColorMode, camera, mode);
    return camsdk::kNotAvailable;
}

INT is_AllocImageMem(HIDS camera, INT width, INT height, INT bitsPerPixel, char** memory, INT* memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end() || width <= 0 || height <= 0 || bitsPerPixel <= 0)
            return kNoSuccess;
        Live* lv = it->second.get();
        const INT id = lv->nextId++;
        std::vector<char>& mem = lv->memories[id];
        mem.assign(size_t(width) * size_t(height) * size_t((bitsPerPixel + 7) / 8), 0);
        *memory = mem.data();
        *memoryId = id;
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_AllocImageMem, camera, width, height, bitsPerPixel, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_SetImageMem(HIDS camera, char* memory, INT memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        std::map<INT, std::vector<char>>::iterator m;
        Live* lv = memoryOwner(camera, memory, memoryId, &m);
        if (!lv)
            return kNoSuccess;
        lv->active = memory;
        lv->activeSize = m->second.size();
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_SetImageMem, camera, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_FreeImageMem(HIDS camera, char* memory, INT memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        std::map<INT, std::vector<char>>::iterator m;
        Live* lv = memoryOwner(camera, memory, memoryId, &m);
        if (!lv)
            return kNoSuccess;
        if (lv->active == memory) {
            lv->active = nullptr;
            lv->activeSize = 0;
        }
        lv->memories.erase(m);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_FreeImageMem, camera, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_ZUV(HIDS camera, uint32_t command, void* param, uint32_t size)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv || !param || size < sizeof(Size2D))
            return kInvalidHandle;
        auto* s = static_cast<Size2D*>(param);
        if (command == kImageSizeSet) {
            lv->camera->setValue(QStringLiteral("is_ZUV width"), s->width);
            lv->camera->setValue(QStringLiteral("is_ZUV height"), s->height);
            if (s->width > lv->camera->spec().sensorWidth || s->height > lv->camera->spec().sensorHeight)
                return kNoSuccess;
            lv->camera->setOutputSize(s->width, s->height);
            return kSuccess;
        }
        if (command == kImageSizeGet) {
            s->width = lv->camera->frameWidth();
            s->height = lv->camera->frameHeight();
            return kSuccess;
        }
        return kNoSuccess;
    }
    CAMSDK_FORWARD(lib(), is_ZUV, camera, command, param, size);
    return camsdk::kNotAvailable;
}

INT is_SetAutoParameter(HIDS camera, INT param, double* value1, double* value2)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv || !value1)
            return kInvalidHandle;
        lv->camera->setValue(QStringLiteral("is_SetAutoParameter 0x%1").arg(param, 0, 16), *value1);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_SetAutoParameter, camera, param, value1, value2);
    return camsdk::kNotAvailable;
}

INT is_SetHardwareGamma(HIDS camera, INT mode)
{
    if (sim())
        return recordSetting(camera, "is_SetHardwareGamma", mode);
    CAMSDK_FORWARD(lib(), is_SetHardwareGamma, camera, mode);
    return camsdk::kNotAvailable;
}

INT is_PixelClock(HIDS camera, uint32_t command, void* param, uint32_t size)
{
    if (sim())
        return recordCommand<uint32_t>(camera, "is_PixelClock", command, kPixelClockSet, param, size);
    CAMSDK_FORWARD(lib(), is_PixelClock, camera, command, param, size);
    return camsdk::kNotAvailable;
}

INT is_CaptureVideo(HIDS camera, INT wait)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return kInvalidHandle;
        lv->camera->record(QStringLiteral("is_CaptureVideo"));
        lv->camera->setAcquiring(true);
        if (!lv->writer.joinable())
            lv->writer = std::thread(writerLoop, lv);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_CaptureVideo, camera, wait);
    return camsdk::kNotAvailable;
}

INT is_StopLiveVideo(HIDS camera, INT wait)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return kInvalidHandle;
        lv->camera->record(QStringLiteral("is_StopLiveVideo"));
        lv->camera->setAcquiring(false);
        stopWriter(lv);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_StopLiveVideo, camera, wait);
    return camsdk::kNotAvailable;
}

INT is_Exposure(HIDS camera, uint32_t command, void* param, uint32_t size)
{
    if (sim())
        return recordCommand<double>(camera, "is_Exposure", command, kExposureSet, param, size);
    CAMSDK_FORWARD(lib(), is_Exposure, camera, command, param, size);
    return camsdk::kNotAvailable;
}

INT is_SetHardwareGain(HIDS camera, INT master, INT red, INT green, INT blue)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return kInvalidHandle;
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain master"), master);
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain red"), red);
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain green"), green);
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain blue"), blue);
        return kSuccess;
    }
    CAMSDK_FORWARD(lib(), is_SetHardwareGain, camera, master, red, green, blue);
    return camsdk::kNotAvailable;
}

INT is_Gamma(HIDS camera, uint32_t command, void* param, uint32_t size)
{
    if (sim())
        return recordCommand<INT>(camera, "is_Gamma", command, kGammaSet, param, size);
    CAMSDK_FORWARD(lib(), is_Gamma, camera, command, param, size);
    return camsdk::kNotAvailable;
}

} // namespace ueye
