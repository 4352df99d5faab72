#pragma once
// Camera loss and recovery. A camera that delivered no frame for more than
// five one-second periods, or whose grab side reported a fault (frames it
// cannot use, a source gone silent), is lost: every camera is stopped and
// closed, the clamp-prohibit output goes on, the loss is journaled and shown
// with its cause, and the cycle then tries every 3 s to reopen the cameras
// once the back-end again reports as many cameras as were open.
//
// What an attempt needs from the network and the devices (address repair
// and its pings, cycling interfaces, enumerating, opening V4L2 sources) runs
// on a worker thread of its own; the GUI thread only starts an attempt and,
// once the worker has its answer, reopens the cameras. So the monitoring
// pass keeps running, with the clamp prohibited, while an attempt works.
#include "cameradriver/cameradriver.h"
#include "cameradriver/cameraglobals.h"

#include <QMap>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Declares a loss of the camera slot (no-op while a loss is handled or
// without a back-end). With a cause, the cause is journaled and shown too;
// the same cause of the same camera again (before it delivered a frame) is
// a loss without a new record or message.
void CameraCheck(int camera);
void CameraCheck(int camera, const FaultReport& cause);
// One step of a recovery attempt: starts the worker's count, or, once the
// worker has answered, reopens the cameras when enough are listed.
void CameraRestart();

// The camera part of the main window's timers as plain calls, so the timing
// can run in virtual time: the main window calls SlotFPS() from its 1000 ms
// timer and runStep() from each run of its frame step, re-arming that step
// with the returned delay.
class CameraWatch {
public:
    static CameraWatch& instance();

    // The frame-rate and stall check: per camera in use (by slot), a frame counter
    // unchanged since the last tick counts a stalled second; more than five
    // declare a loss. Nothing is counted for hardware-triggered cameras.
    void SlotFPS();
    // While a loss is handled: output 0 on, a recovery attempt at once and
    // then every 3 s (the worker's answer taken as soon as it is there).
    // Otherwise a fault reported by a camera becomes a loss (declared from
    // the event loop, not inside the pass), and white balance is done on the
    // 50th run after the start and after each recovery. Returns the delay
    // before the next run: 3 ms, also while lost.
    int runStep();
    // A loss was declared: the next run attempts a recovery at once.
    void lossDeclared();
    // Counters back to the start (a new run, or tests); waits for a worker.
    void reset();

    int stallSeconds[kCameraSlots] = {};
    int frameRate[kCameraSlots] = {};
    // The fault cause last journaled and shown per slot, until the camera
    // delivers a frame again.
    CameraFault shownCause[kCameraSlots] = {};
    // The last loss repeated a cause already shown: its reopening is not
    // journaled either.
    bool quietLoss = false;

private:
    void checkFaults();
    uint32_t lastCount_[kCameraSlots] = {};
    int runs_ = 0;
    bool attemptDue_ = true;
    qint64 lastAttemptMs_ = 0;
    bool faultQueued_ = false;
};

// What one recovery attempt is given (a copy of the GUI thread's state) and
// what it answers.
struct RecoveryRequest {
    int backend = 0;
    int inUse = 0;            // numCamera
    QVector<int> inUseSlots;       // the slots in use
    int findCamera = 0;       // gFindCamera
    QStringList interfaces;   // gCameraInterfaces
    QMap<int, QByteArray> bound; // V4L2: per slot in use, the stored serial that binds it
};

struct RecoveryResult {
    int count = -1; // cameras the back-end reports; -1 when no count was taken
    bool hikListed = false;
    mvs::MV_CC_DEVICE_INFO_LIST hikList{};
    bool mindListed = false;
    std::vector<mindvision::tSdkCameraDevInfo> mindList;
    QMap<int, std::shared_ptr<V4l2Session>> v4l2; // by slot, flowing
    QStringList interfaces; // interfaces on which cameras answered now
    QStringList cycled;     // interfaces cycled by this attempt
};

class CameraRecovery {
public:
    static CameraRecovery& instance();
    ~CameraRecovery();
    bool busy() const { return busy_.load(); }
    // An answer is waiting to be taken.
    bool ready() const;
    // Starts an attempt unless one is running or waiting.
    void start(const RecoveryRequest& request);
    bool take(RecoveryResult* result);
    void wait();
    // The attempt itself (the worker runs it).
    static RecoveryResult attempt(const RecoveryRequest& request);

private:
    std::atomic<bool> busy_{false};
    mutable std::mutex m_;
    bool ready_ = false;
    RecoveryResult result_;
    std::thread worker_;
};

// Cycling the network interfaces that carry cameras (address flush, down,
// up), through the command runner.
namespace NetworkCycle {
// Runs the cycle of each interface in turn (blocking: the recovery's worker).
void run(const QStringList& interfaces);
// The interfaces of "/proc/net/dev" among `known` (never one containing "lo").
QStringList camerasInterfaces(const QStringList& known);
// Names in a "/proc/net/dev" text.
QStringList interfaceNames(const QByteArray& procNetDev);
} // namespace NetworkCycle
