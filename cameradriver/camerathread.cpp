#include "cameradriver/camerathread.h"

#include "cameradriver/cameradriver.h"

CameraThread::CameraThread(CameraDriver* owner, std::shared_ptr<GrabState> state, QObject* parent)
    : QThread(parent), owner(owner), state(std::move(state))
{
}

void CameraThread::run()
{
    // Let the camera settle after the start; a stop during this wait ends the thread.
    for (int waited = 0; waited < 300 && running; waited += 10)
        msleep(10);
    while (running) {
        if (owner->grabOnce(*state))
            msleep(10);
    }
    std::lock_guard<std::mutex> ended(end_);
}

bool CameraThread::waitEnd(unsigned long ms)
{
    if (!wait(ms))
        return false;
    std::lock_guard<std::mutex> ended(end_);
    return true;
}
