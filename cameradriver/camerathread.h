#pragma once
// The grab thread of one open camera: polls the camera through its driver,
// pausing 10 ms between polls, until told to stop. It works on the grab
// state of the open it was made for and keeps that state alive until it has
// ended. For Hikvision cameras the frames arrive on the SDK's own thread and
// this thread only idles.
#include <QThread>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

class CameraDriver;
struct GrabState;

class CameraThread : public QThread {
    Q_OBJECT
public:
    CameraThread(CameraDriver* owner, std::shared_ptr<GrabState> state, QObject* parent = nullptr);

    std::atomic<bool> running{false};
    CameraDriver* const owner;
    const std::shared_ptr<GrabState> state;

    // QThread::wait(), after which whatever the thread did is seen by the
    // caller also under the thread sanitizer (QThread's own end is not).
    bool waitEnd(unsigned long ms = ULONG_MAX);

protected:
    void run() override;

private:
    std::mutex end_;
};
