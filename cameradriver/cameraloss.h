#pragma once
// Camera loss and recovery. A camera that delivered no frame for more than
// five one-second periods is lost: every camera is stopped and closed, the
// clamp-prohibit output goes on, the loss is journaled and shown, and the
// cycle then tries every 3 s to reopen the cameras once the back-end again
// reports as many cameras as were open.
#include "cameradriver/cameraglobals.h"

#include <QStringList>
#include <atomic>
#include <cstdint>
#include <thread>

// Declares a loss of the camera slot (no-op while a loss is handled or
// without a back-end).
void CameraCheck(int camera);
// One recovery attempt.
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
    // While a loss is handled: output 0 on and a recovery attempt at once and
    // then every 3 s. Otherwise white balance on the 50th run after the start
    // and after each recovery. Returns the delay before the next run (3 or 3000 ms).
    int runStep();
    // A loss was declared: the next run attempts a recovery at once.
    void lossDeclared();
    // Counters back to the start (a new run, or tests).
    void reset();

    int stallSeconds[kCameraSlots] = {};
    int frameRate[kCameraSlots] = {};

private:
    uint32_t lastCount_[kCameraSlots] = {};
    int runs_ = 0;
    bool attemptDue_ = true;
    qint64 lastAttemptMs_ = 0;
};

// Cycling the network interfaces that carry cameras (address flush, down,
// up) on a thread of its own, so a recovery attempt never blocks the GUI.
class NetworkCycle {
public:
    static NetworkCycle& instance();
    ~NetworkCycle();
    bool busy() const { return busy_.load(); }
    // Starts a cycle of the given interfaces unless one is running.
    void start(const QStringList& interfaces);
    void wait();
    // The interfaces of "/proc/net/dev" that carry cameras (never loopback).
    static QStringList camerasInterfaces();
    // Names in a "/proc/net/dev" text.
    static QStringList interfaceNames(const QByteArray& procNetDev);

private:
    std::atomic<bool> busy_{false};
    std::thread worker_;
};
