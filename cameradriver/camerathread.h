#pragma once
// The grab thread of one open camera: polls the camera through its driver,
// pausing 10 ms between polls, until told to stop. For Hikvision cameras the
// frames arrive on the SDK's own thread and this thread only idles.
#include <QThread>
#include <atomic>

class CameraDriver;

class CameraThread : public QThread {
    Q_OBJECT
public:
    explicit CameraThread(CameraDriver* owner, QObject* parent = nullptr);

    std::atomic<bool> running{false};
    CameraDriver* const owner;

protected:
    void run() override;
};
