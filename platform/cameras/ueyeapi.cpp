#include "platform/cameras/ueyeapi.h"

#include "platform/cameras/simcamera.h"
#include "platform/cameras/vendorlib.h"

#include <QMap>
#include <cstring>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <set>
#include <string>
#include <memory>
#include <chrono>
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
        {"is_GetNumberOfCameras", "is_GetCameraList", "is_InitCamera", "is_ExitCamera", "is_GetCameraInfo",
         "is_GetSensorInfo", "is_SetColorMode", "is_AllocImageMem", "is_FreeImageMem", "is_InquireImageMem",
         "is_AddToSequence", "is_ClearSequence", "is_GetActSeqBuf", "is_LockSeqBuf", "is_UnlockSeqBuf",
         "is_EnableEvent", "is_DisableEvent", "is_WaitEvent", "is_AOI", "is_SetAutoParameter", "is_SetHardwareGamma",
         "is_PixelClock", "is_CaptureVideo", "is_StopLiveVideo", "is_Exposure", "is_SetHardwareGain", "is_Gamma"}};
    return l;
}

camsdk::SimBus& bus() { return camsdk::simBus(camsdk::Vendor::Ids); }
bool sim() { return bus().active(); }

// Live-capture state of one opened simulated camera: its image memories, the
// sequence they are written in, and the thread that keeps writing frames.
struct Memory {
    std::vector<char> bytes;
    INT width = 0;
    INT height = 0;
    INT bits = 0;
    INT pitch = 0; // bytes per row, a multiple of 4 as the library makes them
};

struct Live {
    SimCameraPtr camera;
    std::map<INT, Memory> memories;
    INT nextId = 1;
    std::vector<INT> sequence;  // memory ids in sequence order
    std::set<INT> locked;       // ids the caller locked
    int writing = -1;           // sequence index being written, -1 between frames
    int last = -1;              // sequence index of the last frame finished
    bool frameEvent = false;    // enabled
    uint64_t frames = 0;        // frames finished
    uint64_t waited = 0;        // frames the frame event was taken for
    std::thread writer;
    std::atomic<bool> stop{false};
};

std::mutex gLiveMutex;
std::condition_variable gFrameDone;
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

// The sequence index after `from` that is not locked; -1 when all are. The
// caller holds gLiveMutex.
int nextFree(const Live& lv, int from)
{
    const int n = int(lv.sequence.size());
    for (int k = 1; k <= n; ++k) {
        const int i = (from + k + n) % n;
        if (!lv.locked.count(lv.sequence[size_t(i)]))
            return i;
    }
    return -1;
}

// Like the camera: each frame goes into the next memory of the sequence that
// is not locked, row by row at the memory's pitch (what does not fit is not
// written), then the frame event is raised. A scripted pause halfway through
// a frame leaves it half written meanwhile, as a slow transfer does.
void writerLoop(Live* lv)
{
    std::vector<uint8_t> row;
    while (!lv->stop) {
        SimCamera::Frame f;
        if (!lv->camera->nextFrame(50, &f, &lv->stop))
            continue;
        Memory* m = nullptr;
        int index = -1;
        {
            std::lock_guard<std::mutex> l(gLiveMutex);
            index = lv->sequence.empty() ? -1 : nextFree(*lv, lv->last);
            if (index < 0)
                continue; // no memory to write into: the frame is lost
            lv->writing = index;
            m = &lv->memories[lv->sequence[size_t(index)]];
        }
        row.assign(size_t(std::max(0, f.width)), 0);
        SimCamera::Frame line = f;
        line.height = 1;
        SimCamera::fill(line, false, row.data(), row.size());
        const size_t rowBytes = std::min(row.size(), size_t(m->pitch));
        const int rows = std::min(f.height, m->height);
        const int pause = lv->camera->midFramePauseMs();
        for (int y = 0; y < rows; ++y) {
            if (y == rows / 2 && pause > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            std::memcpy(m->bytes.data() + size_t(y) * size_t(m->pitch), row.data(), rowBytes);
        }
        {
            std::lock_guard<std::mutex> l(gLiveMutex);
            lv->writing = -1;
            lv->last = index;
            ++lv->frames;
        }
        gFrameDone.notify_all();
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

// The sequence memory a lock or unlock names: by its 1-based number, or by
// address with IS_IGNORE_PARAMETER. -1 when none. The caller holds gLiveMutex.
INT sequenceMemory(const Live& lv, INT number, char* memory)
{
    for (size_t i = 0; i < lv.sequence.size(); ++i) {
        const INT id = lv.sequence[i];
        const bool byNumber = number != IS_IGNORE_PARAMETER && number == INT(i + 1);
        const bool byAddress = number == IS_IGNORE_PARAMETER && lv.memories.at(id).bytes.data() == memory;
        if (byNumber || byAddress)
            return id;
    }
    return -1;
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

INT is_GetCameraList(UEYE_CAMERA_LIST* list)
{
    if (sim()) {
        if (!list)
            return IS_INVALID_PARAMETER;
        if (int f = bus().failure(QStringLiteral("is_GetCameraList")))
            return f;
        const auto listed = bus().listed();
        if (list->dwCount == 0) { // asks for the number only
            list->dwCount = ULONG(listed.size());
            return IS_SUCCESS;
        }
        // The entries follow the count at offset 4, as many as the caller allocated.
        auto* entries = reinterpret_cast<UEYE_CAMERA_INFO*>(reinterpret_cast<char*>(list) + offsetof(UEYE_CAMERA_LIST, uci));
        const int n = std::min(int(list->dwCount), int(listed.size()));
        for (int i = 0; i < n; ++i) {
            UEYE_CAMERA_INFO& e = entries[i];
            std::memset(&e, 0, sizeof e);
            e.dwCameraID = DWORD(i + 1);
            e.dwDeviceID = DWORD(i + 1);
            e.dwInUse = listed[i]->isOpen() ? 1 : 0;
            const QByteArray serial = listed[i]->spec().serial.left(int(sizeof e.SerNo));
            std::memcpy(e.SerNo, serial.constData(), size_t(serial.size()));
            const QByteArray model = listed[i]->spec().model.left(int(sizeof e.Model) - 1);
            std::memcpy(e.Model, model.constData(), size_t(model.size()));
        }
        list->dwCount = ULONG(n);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_GetCameraList, list);
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
        gFrameDone.notify_all();
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
        mem.bits = bitsPerPixel;
        mem.pitch = (width * ((bitsPerPixel + 7) / 8) + 3) & ~3;
        mem.bytes.assign(size_t(mem.pitch) * size_t(height), 0);
        *memory = mem.bytes.data();
        *memoryId = id;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_AllocImageMem, camera, width, height, bitsPerPixel, memory, memoryId);
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
        // Memory the camera may be writing into is not given back.
        const bool inSequence = std::count(lv->sequence.begin(), lv->sequence.end(), memoryId) > 0;
        if (inSequence && lv->writer.joinable())
            return IS_NO_SUCCESS;
        lv->sequence.erase(std::remove(lv->sequence.begin(), lv->sequence.end(), memoryId), lv->sequence.end());
        lv->locked.erase(memoryId);
        lv->memories.erase(m);
        lv->last = lv->writing = -1;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_FreeImageMem, camera, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_InquireImageMem(HIDS camera, char* memory, int memoryId, int* x, int* y, int* bits, int* pitch)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        std::map<INT, Memory>::iterator m;
        if (!memoryOwner(camera, memory, memoryId, &m))
            return IS_INVALID_MEMORY_POINTER;
        if (x)
            *x = m->second.width;
        if (y)
            *y = m->second.height;
        if (bits)
            *bits = m->second.bits;
        if (pitch)
            *pitch = m->second.pitch;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_InquireImageMem, camera, memory, memoryId, x, y, bits, pitch);
    return camsdk::kNotAvailable;
}

INT is_AddToSequence(HIDS camera, char* memory, INT memoryId)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        std::map<INT, Memory>::iterator m;
        Live* lv = memoryOwner(camera, memory, memoryId, &m);
        if (!lv)
            return IS_INVALID_MEMORY_POINTER;
        lv->sequence.push_back(memoryId);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_AddToSequence, camera, memory, memoryId);
    return camsdk::kNotAvailable;
}

INT is_ClearSequence(HIDS camera)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        if (it->second->writer.joinable())
            return IS_NO_SUCCESS; // not while capturing
        it->second->sequence.clear();
        it->second->locked.clear();
        it->second->last = it->second->writing = -1;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_ClearSequence, camera);
    return camsdk::kNotAvailable;
}

INT is_GetActSeqBuf(HIDS camera, INT* number, char** memory, char** lastMemory)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        Live& lv = *it->second;
        if (lv.sequence.empty())
            return IS_NO_SUCCESS;
        // Between frames the memory written next counts as the one being written.
        int now = lv.writing >= 0 ? lv.writing : nextFree(lv, lv.last);
        if (now < 0)
            now = 0;
        if (number)
            *number = INT(now + 1);
        if (memory)
            *memory = lv.memories[lv.sequence[size_t(now)]].bytes.data();
        if (lastMemory)
            *lastMemory = lv.last >= 0 ? lv.memories[lv.sequence[size_t(lv.last)]].bytes.data() : nullptr;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_GetActSeqBuf, camera, number, memory, lastMemory);
    return camsdk::kNotAvailable;
}

INT is_LockSeqBuf(HIDS camera, INT number, char* memory)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        const INT id = sequenceMemory(*it->second, number, memory);
        if (id < 0)
            return IS_INVALID_PARAMETER;
        if (!it->second->locked.insert(id).second)
            return IS_SEQUENCE_BUF_ALREADY_LOCKED;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_LockSeqBuf, camera, number, memory);
    return camsdk::kNotAvailable;
}

INT is_UnlockSeqBuf(HIDS camera, INT number, char* memory)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        const INT id = sequenceMemory(*it->second, number, memory);
        if (id < 0)
            return IS_INVALID_PARAMETER;
        it->second->locked.erase(id);
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_UnlockSeqBuf, camera, number, memory);
    return camsdk::kNotAvailable;
}

INT is_EnableEvent(HIDS camera, INT which)
{
    if (sim()) {
        std::lock_guard<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        if (which != IS_SET_EVENT_FRAME)
            return IS_NOT_SUPPORTED;
        it->second->frameEvent = true;
        it->second->waited = it->second->frames;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_EnableEvent, camera, which);
    return camsdk::kNotAvailable;
}

INT is_DisableEvent(HIDS camera, INT which)
{
    if (sim()) {
        {
            std::lock_guard<std::mutex> l(gLiveMutex);
            auto it = gLive.find(camera);
            if (it == gLive.end())
                return IS_INVALID_CAMERA_HANDLE;
            if (which != IS_SET_EVENT_FRAME)
                return IS_NOT_SUPPORTED;
            it->second->frameEvent = false;
        }
        gFrameDone.notify_all();
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_DisableEvent, camera, which);
    return camsdk::kNotAvailable;
}

INT is_WaitEvent(HIDS camera, INT which, INT timeoutMs)
{
    if (sim()) {
        std::unique_lock<std::mutex> l(gLiveMutex);
        auto it = gLive.find(camera);
        if (it == gLive.end())
            return IS_INVALID_CAMERA_HANDLE;
        Live* lv = it->second.get();
        if (which != IS_SET_EVENT_FRAME || !lv->frameEvent)
            return IS_NO_SUCCESS;
        // The camera may be let go meanwhile (and the handle given to a new open).
        auto gone = [&] {
            auto now = gLive.find(camera);
            return now == gLive.end() || now->second.get() != lv;
        };
        // One pending event however many frames came since the last wait.
        const bool came = gFrameDone.wait_for(l, std::chrono::milliseconds(std::max(0, timeoutMs)), [&] {
            return gone() || !lv->frameEvent || lv->frames > lv->waited;
        });
        if (gone() || !lv->frameEvent)
            return IS_NO_SUCCESS;
        if (!came)
            return IS_TIMED_OUT;
        lv->waited = lv->frames;
        return IS_SUCCESS;
    }
    CAMSDK_FORWARD(lib(), is_WaitEvent, camera, which, timeoutMs);
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
