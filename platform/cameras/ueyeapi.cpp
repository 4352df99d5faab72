#include "platform/cameras/ueyeapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <QMap>
#include <cstring>
#include <algorithm>
#include <map>
#include <string>
#include <memory>
#include <thread>
#include <vector>

using camsdk::SimCamera;
using camsdk::SimCameraPtr;

namespace ueye {

namespace {

camsdk::VendorLibrary& lib()
{
    static camsdk::VendorLibrary l{
        {"libueye_api.so", "libueye_api.so.1"},
        {"is_GetNumberOfCameras", "is_InitCamera", "is_ExitCamera", "is_GetCameraInfo", "is_GetSensorInfo",
         "is_SetColorMode", "is_AllocImageMem", "is_SetImageMem", "is_FreeImageMem", "is_GetImageMemPitch", "is_AOI",
         "is_SetAutoParameter", "is_SetHardwareGamma", "is_PixelClock", "is_CaptureVideo", "is_StopLiveVideo",
         "is_Exposure", "is_SetHardwareGain", "is_Gamma"}};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Ids); }
bool sim() { return bus().active(); }

// Live-capture state of one opened simulated camera: its image memories and
// the thread that keeps writing frames into the active one.
struct Memory {
    std::vector<char> bytes;
    INT width = 0;
    INT height = 0;
    INT pitch = 0; // bytes per row, a multiple of 4 as the library makes them
};

struct Live {
    SimCameraPtr camera;
    std::map<INT, Memory> memories;
    INT nextId = 1;
    Memory* active = nullptr;
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
        Memory* m = lv->active;
        if (!m)
            continue;
        // Row by row at the memory's pitch; what does not fit is not written.
        std::vector<uint8_t> row(size_t(std::max(0, f.width)));
        SimCamera::Frame line = f;
        line.height = 1;
        SimCamera::fill(line, false, row.data(), row.size());
        const size_t rowBytes = std::min(row.size(), size_t(m->pitch));
        for (int y = 0; y < std::min(f.height, m->height); ++y)
            std::memcpy(m->bytes.data() + size_t(y) * size_t(m->pitch), row.data(), rowBytes);
    }
}

// The image memory (id and address must agree) of a handle; the caller holds gLiveMutex.
Live* memoryOwner(HIDS camera, char* memory, INT memoryId, std::map<INT, Memory>::iterator* at)
{
    auto it = gLive.find(camera);
    if (it == gLive.end())
        return nullptr;
    Live* lv = it->second.get();
    *at = lv->memories.find(memoryId);
    if (*at == lv->memories.end() || (*at)->second.bytes.data() != memory)
        return nullptr;
    return lv;
}

// A setting the simulated camera records under the call's name.
INT recordSetting(HIDS camera, const char* key, double value)
{
    Live* lv = live(camera);
    if (!lv)
        return IS_INVALID_CAMERA_HANDLE;
    lv->camera->setValue(QLatin1String(key), value);
    return IS_SUCCESS;
}

// A "set" command whose parameter is one value of type T.
template <typename T>
INT recordCommand(HIDS camera, const char* key, UINT command, UINT expected, void* param, UINT size)
{
    // The library checks the parameter's size against the command's type.
    if (!param || size != sizeof(T) || command != expected)
        return IS_INVALID_PARAMETER;
    return recordSetting(camera, key, double(*static_cast<T*>(param)));
}

} // namespace

bool Usable(const char** why)
{
    return lib().usableOrSimulated(sim(), why);
}

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

INT is_InitCamera(HIDS* camera, HWND window)
{
    if (sim()) {
        if (int f = bus().failure(QStringLiteral("is_InitCamera")))
            return f;
        if (!camera || !(*camera & IS_USE_DEVICE_ID))
            return IS_NO_SUCCESS;
        const int id = int(*camera & ~IS_USE_DEVICE_ID);
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
        if (!chosen || !chosen->openLogged())
            return IS_NO_SUCCESS;
        const HIDS handle = HIDS(bus().all().indexOf(chosen) + 1);
        auto lv = std::make_unique<Live>();
        lv->camera = chosen;
        {
            std::lock_guard<std::mutex> l(gLiveMutex);
            gLive[handle] = std::move(lv);
        }
        *camera = handle;
        return IS_SUCCESS;
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
                return IS_INVALID_CAMERA_HANDLE;
            lv = std::move(it->second);
            gLive.erase(it);
        }
        stopWriter(lv.get());
        lv->camera->closeLogged();
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_ExitCamera, camera);
    return camsdk::kNotAvailable;
}

INT is_GetSensorInfo(HIDS camera, SENSORINFO* info)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return IS_INVALID_CAMERA_HANDLE;
        if (int f = lv->camera->failure(QStringLiteral("is_GetSensorInfo")))
            return f;
        std::memset(info, 0, sizeof *info);
        const QByteArray model = lv->camera->spec().model.left(31);
        std::memcpy(info->strSensorName, model.constData(), size_t(model.size()));
        info->nColorMode = lv->camera->spec().colour ? IS_COLORMODE_BAYER : IS_COLORMODE_MONOCHROME;
        info->nMaxWidth = DWORD(lv->camera->spec().sensorWidth);
        info->nMaxHeight = DWORD(lv->camera->spec().sensorHeight);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_GetSensorInfo, camera, info);
    return camsdk::kNotAvailable;
}

INT is_GetCameraInfo(HIDS camera, CAMINFO* info)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return IS_INVALID_CAMERA_HANDLE;
        std::memset(info, 0, sizeof *info);
        // Twelve bytes, not closed by a zero when the serial fills them.
        const QByteArray s = lv->camera->spec().serial.left(int(sizeof info->SerNo));
        std::memcpy(info->SerNo, s.constData(), size_t(s.size()));
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_GetCameraInfo, camera, info);
    return camsdk::kNotAvailable;
}

INT is_SetColorMode(HIDS camera, INT mode)
{
    if (sim())
        return recordSetting(camera, "is_SetColorMode", mode);
    CAMSDK_FORWARD(lib(), is_SetColorMode, camera, mode);
    return camsdk::kNotAvailable;
}

INT is_AllocImageMem(HIDS camera, INT width, INT height, INT bitsPerPixel, char** memory, int* memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end() || width <= 0 || height <= 0 || bitsPerPixel <= 0)
            return IS_NO_SUCCESS;
        Live* lv = it->second.get();
        const INT id = lv->nextId++;
        Memory& mem = lv->memories[id];
        mem.width = width;
        mem.height = height;
        mem.pitch = (width * ((bitsPerPixel + 7) / 8) + 3) & ~3;
        mem.bytes.assign(size_t(mem.pitch) * size_t(height), 0);
        *memory = mem.bytes.data();
        *memoryId = id;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_AllocImageMem, camera, width, height, bitsPerPixel, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_SetImageMem(HIDS camera, char* memory, INT memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        std::map<INT, Memory>::iterator m;
        Live* lv = memoryOwner(camera, memory, memoryId, &m);
        if (!lv)
            return IS_INVALID_MEMORY_POINTER;
        lv->active = &m->second;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_SetImageMem, camera, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_FreeImageMem(HIDS camera, char* memory, INT memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        std::map<INT, Memory>::iterator m;
        Live* lv = memoryOwner(camera, memory, memoryId, &m);
        if (!lv)
            return IS_INVALID_MEMORY_POINTER;
        if (lv->active == &m->second)
            lv->active = nullptr;
        lv->memories.erase(m);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_FreeImageMem, camera, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_GetImageMemPitch(HIDS camera, INT* pitch)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        if (!it->second->active || !pitch)
            return IS_NO_IMAGE_MEM_ALLOCATED;
        *pitch = it->second->active->pitch;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_GetImageMemPitch, camera, pitch);
    return camsdk::kNotAvailable;
}

INT is_AOI(HIDS camera, UINT command, void* param, UINT size)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return IS_INVALID_CAMERA_HANDLE;
        if (!param || size != sizeof(IS_RECT))
            return IS_INVALID_PARAMETER;
        auto* r = static_cast<IS_RECT*>(param);
        SimCamera& c = *lv->camera;
        if (command == IS_AOI_IMAGE_SET_AOI) {
            c.setValue(QStringLiteral("is_AOI x"), r->s32X);
            c.setValue(QStringLiteral("is_AOI y"), r->s32Y);
            c.setValue(QStringLiteral("is_AOI width"), r->s32Width);
            c.setValue(QStringLiteral("is_AOI height"), r->s32Height);
            if (r->s32X < 0 || r->s32Y < 0 || r->s32Width <= 0 || r->s32Height <= 0
                || r->s32X + r->s32Width > c.spec().sensorWidth || r->s32Y + r->s32Height > c.spec().sensorHeight)
                return IS_INVALID_PARAMETER;
            c.setOutputSize(r->s32Width, r->s32Height);
            return IS_SUCCESS;
        }
        if (command == IS_AOI_IMAGE_GET_AOI) {
            *r = IS_RECT{0, 0, c.frameWidth(), c.frameHeight()};
            return IS_SUCCESS;
        }
        return IS_NOT_SUPPORTED;
    }
    CAMSDK_FORWARD(lib(), is_AOI, camera, command, param, size);
    return camsdk::kNotAvailable;
}

INT is_SetAutoParameter(HIDS camera, INT param, double* value1, double* value2)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv || !value1)
            return IS_INVALID_CAMERA_HANDLE;
        lv->camera->setValue(QStringLiteral("is_SetAutoParameter 0x%1").arg(param, 0, 16), *value1);
        return IS_SUCCESS;
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

INT is_PixelClock(HIDS camera, UINT command, void* param, UINT size)
{
    if (sim())
        return recordCommand<UINT>(camera, "is_PixelClock", command, IS_PIXELCLOCK_CMD_SET, param, size);
    CAMSDK_FORWARD(lib(), is_PixelClock, camera, command, param, size);
    return camsdk::kNotAvailable;
}

INT is_CaptureVideo(HIDS camera, INT wait)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return IS_INVALID_CAMERA_HANDLE;
        lv->camera->record(QStringLiteral("is_CaptureVideo"));
        lv->camera->setAcquiring(true);
        if (!lv->writer.joinable())
            lv->writer = std::thread(writerLoop, lv);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_CaptureVideo, camera, wait);
    return camsdk::kNotAvailable;
}

INT is_StopLiveVideo(HIDS camera, INT wait)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return IS_INVALID_CAMERA_HANDLE;
        lv->camera->record(QStringLiteral("is_StopLiveVideo"));
        lv->camera->setAcquiring(false);
        stopWriter(lv);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_StopLiveVideo, camera, wait);
    return camsdk::kNotAvailable;
}

INT is_Exposure(HIDS camera, UINT command, void* param, UINT size)
{
    if (sim())
        return recordCommand<double>(camera, "is_Exposure", command, IS_EXPOSURE_CMD_SET_EXPOSURE, param, size);
    CAMSDK_FORWARD(lib(), is_Exposure, camera, command, param, size);
    return camsdk::kNotAvailable;
}

INT is_SetHardwareGain(HIDS camera, INT master, INT red, INT green, INT blue)
{
    if (sim()) {
        Live* lv = live(camera);
        if (!lv)
            return IS_INVALID_CAMERA_HANDLE;
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain master"), master);
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain red"), red);
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain green"), green);
        lv->camera->setValue(QStringLiteral("is_SetHardwareGain blue"), blue);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_SetHardwareGain, camera, master, red, green, blue);
    return camsdk::kNotAvailable;
}

INT is_Gamma(HIDS camera, UINT command, void* param, UINT size)
{
    if (sim())
        return recordCommand<INT>(camera, "is_Gamma", command, IS_GAMMA_CMD_SET, param, size);
    CAMSDK_FORWARD(lib(), is_Gamma, camera, command, param, size);
    return camsdk::kNotAvailable;
}

} // namespace ueye
