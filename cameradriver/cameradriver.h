#pragma once
// The camera side of one camera view: opening the camera of a slot over the
// back-end of the run (bound to a stored serial when one is saved), closing,
// starting and stopping acquisition with the grab thread, trigger mode, image
// settings, and the receive buffer that frames are delivered into.
//
// The camera view owns one driver per slot (it derives from this class). All
// operations run on the GUI thread; only the grab thread and the Hikvision
// frame callback run elsewhere, on the grab state of the open camera
// (GrabState), and they touch the receive buffer only under
// pMutex[cameraIndex]. A defaults restore lends the camera to a thread of
// its own until it is done with it (RestoreDefaultSettings). A grab side that cannot go on (frames of another size
// or format, a filter graph that cannot be built, a source that went silent)
// reports a fault; the loss check turns it into a loss with its cause.
//
// No wait for the grab thread is unbounded: a thread that does not end in
// time is left to finish on its own, with everything it uses, and whatever
// it still delivers is dropped.
#include "cameradriver/cameraglobals.h"
#include "platform/cameras/gxapi.h"
#include "platform/cameras/mvsapi.h"
#include "platform/cameras/mvsdk.h"
#include "platform/cameras/ueyeapi.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <opencv2/core.hpp>
#include <vector>

struct AVFilterContext;
struct AVFilterGraph;
struct AVFrame;
class CameraThread;
class V4l2Session;
class WizardPara;

// Why a camera's frames stopped.
enum class CameraFault {
    None,
    FrameSize,   // frames of another size than the working size
    FrameFormat, // a pixel format the driver cannot convert
    FilterGraph, // the V4L2 filter graph could not be built
    Silent,      // no frame within the source's deadline
    ReadFailed,  // reading frames fails
    Processing,  // the library's image processing or conversion failed
    StuckThread, // the grab thread did not end when told to
    DeviceGone,  // the library says the device is gone (detail: its status, 0: no longer listed)
};

struct FaultReport {
    CameraFault kind = CameraFault::None;
    int width = 0;      // FrameSize: the frame's size
    int height = 0;
    int64_t detail = 0; // FrameFormat: the format code; Silent: milliseconds
};

// The operator's text of a fault of camera slot `slot` (text table).
QString FaultText(int slot, const FaultReport& fault);

// Everything the grab side of one open camera works with. Made by each open;
// the grab thread (or the Hikvision callback) holds it until it has ended, so
// a thread left to finish never touches what a later open uses.
struct GrabState {
    class CameraDriver* owner = nullptr;
    uint32_t generation = 0; // the driver's open count when made
    int backend = 0;
    int width = 0;  // working size
    int height = 0;
    bool colour = false;

    gx::GX_DEV_HANDLE gxDevice = nullptr;
    gx::GX_FRAME_DATA gxFrame{};
    std::vector<unsigned char> rawFrame; // Daheng: the SDK writes the payload here

    ueye::HIDS ueyeCamera = 0;
    ueye::INT ueyePitch = 0;
    QByteArray ueyeSerial;      // what the camera list must still show
    int64_t idsCheckedMs = 0;   // when the camera list was last looked at
    int idsMissing = 0;         // looks in a row that did not find the camera

    mindvision::CameraHandle mindCamera = 0;
    mindvision::tSdkFrameHead mindFrameHead{};
    mindvision::BYTE* mindRawBuffer = nullptr;
    int processBytes = 1; // bytes per pixel of the image processor's output at open
    std::vector<unsigned char> mindProcessed; // grey setting: the processor's output, 4 bytes per pixel of room

    void* hikDevice = nullptr;
    mvs::MV_CC_PIXEL_CONVERT_PARAM hikConvert{};
    bool hikConverts = false; // colour: the library converts to RGB

    std::shared_ptr<V4l2Session> v4l2;
    AVFrame* avFrame = nullptr;    // decoded
    AVFrame* avFiltered = nullptr; // out of the filter graph
    int64_t lastPacketMs = 0; // V4L2: when the last packet came (monotonic)
    // Acquisition runs (CameraStart until CameraStop): only then does a
    // status of the library say something about the camera.
    std::atomic<bool> acquiring{false};
    int64_t failingSinceMs = 0; // the first of the errors in a row, 0 without

    // The receive buffer of the open this state belongs to; the libraries
    // write the next frame into its start and it is widened in place, after
    // beginFrame. Shared, so a thread left to finish writes only into the
    // buffer of its own open, never into a later one's.
    std::shared_ptr<std::vector<unsigned char>> colorBuffer;

    ~GrabState();
};

// What a defaults restore read back and has to say (its thread to the GUI thread).
struct RestoreAnswer {
    bool restored = false; // the camera loaded its defaults
    std::optional<int> exposure, gain, sharp, contrast, gamma; // as settings of the page
    QStringList told;       // for the operator, journaled and shown
    bool greyByLibrary = false; // no grey media type: the library makes the frames grey
};

class CameraDriver {
public:
    // Allocates the receive buffer for the current image geometry
    // (params/geometry.h) and registers the driver as the one of its slot.
    explicit CameraDriver(int slot);
    virtual ~CameraDriver();
    CameraDriver(const CameraDriver&) = delete;
    CameraDriver& operator=(const CameraDriver&) = delete;

    // The driver of a slot (the main window's camera views), or null.
    static CameraDriver* at(int slot);

    bool CameraOpen();
    void CameraClose();
    // The close in two halves, for the loss, whose waits must not hold the
    // GUI thread: detachForClose() (GUI thread) marks the camera closed at
    // once, so nothing more is delivered and no caller sees it open, and
    // tells its grab thread to end; finishPendingClose() (any thread: the
    // recovery's worker) stops the acquisition, waits for the grab thread
    // within its bound and closes the device. A close still pending is
    // finished (or waited for) by the next open and by the destructor.
    void detachForClose();
    static void finishPendingClose(int slot);
    bool closePending() const { return closeState_.load() != 0; }
    // The frame speed of the settings, for a camera opened but not started.
    void applySpeed();
    // The frame speed of the settings for a camera acquiring: acquisition
    // stopped, the speed set, acquisition started again. The grab thread
    // polls on throughout (finding no frame meanwhile), so nothing waits for it.
    void changeSpeed();
    bool CameraStart();
    void CameraStop();
    void CameraChangeTrig(bool restart);

    // Image settings of the slot from the live record, or from the edit copy
    // while the settings window is shown.
    void SetExposeTime();
    void SetAdjustPlus();
    void SetSharp();
    void SetContrast();
    void SetGamma();
    void SetWB();
    void AutoChangeExposeTime();
    // The camera's own defaults, read back into the edit copy. A camera may
    // take its time (the grab thread's last poll, loading its set): the
    // waits and the library's calls run on a thread of their own, the
    // values read back go into the edit copy on the GUI thread, and then
    // done(restored) runs there (at once for a restore refused or with
    // nothing to wait for). Until the thread is done with the camera nothing
    // else calls into it: a close waits for it, the settings and the white
    // balance wait for its end, the other operations are left out.
    void RestoreDefaultSettings(std::function<void(bool restored)> done = {});
    // A restore has the camera (from its start until its thread let go).
    bool restoring() const { return restoring_.load(); }

    // The monitoring cycle's side of the hand-off: copies the receive buffer
    // (gColorLen bytes) to dest and clears the new-frame flag, under the lock.
    // True when a new frame had arrived since the last call.
    bool takeFrame(unsigned char* dest);
    // Frames delivered since the driver was made (the loss check's counter).
    uint32_t framesDelivered() const { return delivered_.load(); }
    // Frames refused (another size or format, a failed conversion).
    uint32_t framesDropped() const { return dropped_.load(); }
    // Packets read on the V4L2 path.
    uint32_t packetsRead() const { return packets_.load(); }
    // Failed or empty reads on the V4L2 path.
    uint32_t readFailures() const { return readErrors_.load(); }
    bool isOpen() const;

    // The first fault of the grab side since the camera was opened; taking it
    // clears it. Safe from any thread.
    bool takeFault(FaultReport* out);
    bool hasFault() const { return faultKind_.load() != int(CameraFault::None); }
    // Called from the grab side (and by the driver itself).
    void reportFault(const FaultReport& fault);

    // Why the last open failed, "" when it did not or no reason is known.
    QString openFailure() const { return openFailure_; }
    // The serial the next start binds this camera by: the one its library
    // lists it with, which the open compares a stored serial against (V4L2:
    // its identity in the kernel's device tree). Empty when none is given.
    // Set by each open.
    QByteArray deviceSerial() const { return deviceSerial_; }

    // Called by the loss check for every camera it closes; the view clears
    // its overall result.
    virtual void onCameraLost() {}

    // One poll of the grab thread on its state; true when the thread should
    // pause 10 ms.
    bool grabOnce(GrabState& g);
    // Frame callback of the Hikvision SDK (its own thread); user is the grab state.
    static void ImageCallBack(unsigned char* data, mvs::MV_FRAME_OUT_INFO* info, void* user);
    // Exception callback of the Hikvision SDK (its own thread); user is the grab state.
    static void ExceptionCallBack(unsigned int type, void* user);
    // Errors of the library in a row for this long, none a frame or a
    // time-out, are a camera that cannot deliver (every trigger mode).
    static constexpr int kFailingMs = 5000;

    // V4L2: builds the filter graph "in" -> description -> "out" (grey). The
    // caller holds graphMutex. A failed build keeps the previous graph.
    int init_filters(const char* description);
    // V4L2: the frame as a gImageW x gImageH image (RGB with the colour
    // setting, else grey), centred on black; larger frames are scaled down to fit.
    cv::Mat avframe_to_cvmat(const AVFrame* frame);
    QByteArray filterDescription() const;
    static QByteArray contrastText(int contrast); // "eq=contrast=%f:"
    static QByteArray gammaText(int gamma);       // "gamma=%f,"
    static QByteArray sharpText(int sharp);       // "unsharp=5:5:%f"
    // Input format of the V4L2 path ("video4linux2"; tests read a file through
    // another demuxer at the same device path).
    static void setV4l2InputFormat(const QByteArray& name);
    static QByteArray v4l2InputFormat();
    // A V4L2 source the recovery opened off the GUI thread for this slot;
    // the next open takes it instead of opening the device again.
    void adoptV4l2Session(std::shared_ptr<V4l2Session> session);

    // Waits for the grab thread (milliseconds): at close, and at a start
    // while the previous thread is still finishing its poll.
    static constexpr int kCloseWaitMs = 1000;
    static constexpr int kV4l2CloseWaitMs = 100;
    static constexpr int kStartWaitMs = 300;
    // IDS image memories the camera writes in turn.
    static constexpr int kIdsMemories = 3;
    // Grab threads left to finish on their own that have not ended yet.
    static int retiredThreads();

    const int cameraIndex;
    CameraThread* grabThread = nullptr;
    int averageGrey = 0;

    // gColorLen bytes once a camera opened: the delivered frame, written in
    // place by the grab side (never null). The cycle copies it out only while
    // the new-frame flag is set, and the grab side clears that flag under the
    // lock before it writes: one buffer per camera instead of a staging copy.
    std::shared_ptr<std::vector<unsigned char>> recvImage = std::make_shared<std::vector<unsigned char>>();

    gx::GX_DEV_HANDLE gxDevice = nullptr;
    ueye::HIDS ueyeCamera = 0;
    char* ueyeMemory = nullptr; // the first of the sequence
    int ueyeMemoryId = 0;
    // The image memories the camera writes its frames into in turn.
    std::vector<std::pair<char*, int>> ueyeMemories;
    int ueyeColorMode = 0;
    int ueyeBitsPerPixel = 0;
    mindvision::CameraHandle mindCamera = 0;
    mindvision::tSdkCameraCapbility mindCapability{};
    void* hikDevice = nullptr;
    mvs::MV_CC_DEVICE_INFO* hikDeviceInfo = nullptr;

    // The grab state of the open camera (null while closed).
    std::shared_ptr<GrabState> grabState;

    // V4L2: the source of the open camera (null while closed).
    std::shared_ptr<V4l2Session> v4l2;
    AVFilterGraph* avGraph = nullptr;
    AVFilterContext* avSource = nullptr;
    AVFilterContext* avSink = nullptr;
    // Guards the filter graph between the grab thread and the settings.
    std::mutex graphMutex;

    QByteArray contrastPart;
    QByteArray gammaPart;
    QByteArray sharpPart;
    QByteArray extraPart;

private:
    friend struct GrabState;
    const WizardPara* settings(bool exposure = false) const;
    // Before the grab side writes a frame into g.colorBuffer: the frame in
    // it stops being new. False for a thread of an earlier open (it writes
    // nothing).
    bool beginFrame(GrabState& g);
    // The frame written since beginFrame is the new frame.
    void deliverStaged(GrabState& g);
    // A frame of one byte per pixel, converted into the receive layout.
    void deliverGrey(GrabState& g, const unsigned char* grey, size_t stride);
    void dropFrame(GrabState& g, const FaultReport& fault);
    // A fault of the grab side of the open that is current.
    void grabFault(GrabState& g, const FaultReport& fault);
    // A status of the library's frame call: an error (neither a frame nor a
    // time-out) or not; errors in a row for kFailingMs are a fault.
    void noteReadStatus(GrabState& g, bool error);
    void checkIdsPresence(GrabState& g);
    void freeIdsMemories();
    void failOpen(const QString& why);

    std::shared_ptr<GrabState> newGrabState();
    bool openDaheng(const QByteArray& serial);
    bool openIds(const QByteArray& serial);
    bool openMind(const QByteArray& serial);
    bool openHik(const QByteArray& serial);
    bool openV4l2();
    void closeV4l2();
    void stopAcquisition();
    void startAcquisition();
    // Working size and output format, as the open and the defaults restore
    // set them; the status of the first call refused, else 0. greyByLibrary:
    // the camera lists no grey media type (the caller tells it, once).
    int applyMindGeometry(bool* greyByLibrary);
    int setMindMediaType(bool* greyByLibrary);
    void noteGreyByLibrary();
    int mindSensorWidth() const;
    bool mindGainRange(int* min, int* max) const;
    void setMindShading(bool on);
    // The live settings a restore applies, taken on the GUI thread.
    struct RestoreInputs {
        bool autoExposure = false;
        bool externalTrigger = false;
        int speed = 0;    // the frame speed for this back-end
        unsigned hikFormat = 0;
    };
    RestoreAnswer restoreMind(const RestoreInputs& in);
    RestoreAnswer restoreHik(const RestoreInputs& in);
    // The restore's thread: acquisition stopped and the grab thread told to
    // end; then both again, unless the camera was closed meanwhile.
    void restoreStop();
    void restoreStart();
    void finishRestore(const RestoreAnswer& answer);
    // True (and logged) while a restore has the camera.
    bool lentToRestore(const char* what) const;
    // Until a restore's thread has let go of the camera.
    void waitForRestore();
    void rebuildFilters();
    // Tells the grab thread to end and waits at most waitMs; a thread that
    // has not ended by then is retired. True when it ended.
    bool endGrabThread(int waitMs);

    void grabDaheng(GrabState& g);
    void grabIds(GrabState& g);
    void grabMind(GrabState& g);
    bool grabV4l2(GrabState& g);
    void hikFrame(GrabState& g, const unsigned char* data, const mvs::MV_FRAME_OUT_INFO* info);

    const int imageW_;
    const int imageH_;
    const size_t imageLen_;
    const size_t colorLen_;
    const bool colour_;
    bool acquiring_ = false;
    // 0 no close pending, 1 detached and waiting to be closed, 2 being
    // closed by another thread (under the drivers' close lock).
    std::atomic<int> closeState_{0};
    void finishClose();
    // Waits for a close another thread is making, or makes a pending one.
    void completePendingClose();
    // The close the caller claimed (state 2), then none pending.
    void closeClaimed();
    std::atomic<bool> restoring_{false};
    std::mutex restoreMutex_;
    std::condition_variable restoreEnded_;
    bool wbOwed_ = false; // a white balance asked for during a restore
    // Cleared by the destructor: an answer that comes later finds no driver.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    uint32_t opens_ = 0;               // GrabState generations
    std::atomic<uint32_t> current_{0}; // generation whose frames are delivered; 0 none
    std::shared_ptr<V4l2Session> preparedV4l2_;
    struct SwsContext* sws_ = nullptr; // under graphMutex
    QString openFailure_;
    QByteArray deviceSerial_;
    int avWidth_ = 0, avHeight_ = 0, avPixFmt_ = -1;
    int avTimeNum_ = 1, avTimeDen_ = 1, avSarNum_ = 0, avSarDen_ = 1;
    std::atomic<uint32_t> delivered_{0};
    std::atomic<uint32_t> dropped_{0};
    std::atomic<uint32_t> packets_{0};
    std::atomic<uint32_t> readErrors_{0};
    std::atomic<int> faultKind_{0};
    std::mutex faultMutex_;
    FaultReport fault_;
};

// A setting the camera keeps because the library cannot set it (settingRow:
// the setting's name in the text table): journaled and shown to the operator,
// once per run and setting, never from inside a pass.
void TellCameraKeeps(int slot, int settingRow);
// Forgets which of those notices were given (a new run; tests).
void ForgetCameraNotices();

// Applies the frame speed of the live record to every open camera (each
// one's acquisition is stopped, given its speed and started again; no grab
// thread is waited for).
void CameraSetSpeed();
// The serial stored for a slot (gSerialNB), and whether a stored serial
// binds the slot to its camera at the next start on a back-end (long enough;
// shorter texts, such as "0", leave the slot to the order of the device list).
QByteArray StoredSerial(int slot);
bool SerialBinds(int backend, const QByteArray& serial);

// Saves the serials of the open cameras into "SN.db" (clear 0) or clears all
// bindings (clear 1); they bind the slots at the next start. With clear 0 the
// camera in use at slot s goes to slot numbers[s] (default gCamNO). "SN.db"
// is written first, in one transaction (a missing row is added): only then
// do gSerialNB and gCamNO take the new binding and is each slot journaled.
// A failure changes nothing in memory, and is journaled and shown. A camera
// without a serial that binds is stored as "0" and the operator is told.
// False on a failure.
bool SaveSN(int clear);
bool SaveSN(int clear, const int* numbers);
