#pragma once
// The grab thread of one open camera: polls the camera through its driver,
// pausing 10 ms between polls, until told to stop. It works on the grab
// state of the open it was made for and keeps that state alive until it has
// ended. For Hikvision cameras the frames arrive on the SDK's own thread and
// this thread only idles.
#include <QThread>
#include <atomic>
#include <memory>

class CameraDriver;
struct GrabState;

class CameraThread : public QThread {
    Q_OBJECT
public:
    CameraThread(CameraDriver* owner, std::shared_ptr<GrabState> state, QObject* parent = nullptr);

    std::atomic<bool> running{false};
    CameraDriver* const owner;
    const std::shared_ptr<GrabState> state;

protected:
    void run() override;
};
