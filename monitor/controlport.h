#pragma once
// The GUI thread's side of the IO board: input edges and levels, and the
// output shadow word that IOFlashOut publishes to the polling thread. Nothing
// here touches the serial port.
#include "monitor/iothread.h"

#include <functional>

class ControlPort {
public:
    // Opens "/dev/ttyS%1" of gisCOM, resets and publishes all outputs and
    // starts the polling thread.
    ControlPort();
    // The same on the port given; without startThread the caller drives
    // thread()->pass() itself.
    explicit ControlPort(const QString& portPath, bool startThread = true);
    // Stops the thread and closes the port (the panel never does this).
    ~ControlPort();
    ControlPort(const ControlPort&) = delete;
    ControlPort& operator=(const ControlPort&) = delete;

    // Output n (0..8) on (nonzero) or off in the shadow word, polarity and
    // the output-3 backup applied; reaches the board at the next IOFlashOut.
    void IOSetOut(int n, int on);
    void IOResetAllOut();
    // Publishes the shadow word to the polling thread. While the board does
    // not answer or the clamp hold says so, output 0 (clamp prohibited) is
    // switched on first: no word published then shows the clamp free, and
    // it stays prohibited afterwards until the cycle releases it again.
    void IOFlashOut();
    // kind nonzero: bit n of the shadow word (the electrical level); kind 0:
    // input n as seen by the last IOInTrigger call.
    bool IOState(int kind, int n) const;
    // True once per change of input n to active since the previous call for n.
    bool IOInTrigger(int n);

    IOThread* thread() const { return thread_; }
    // True while the board answers the polls (until about a second of
    // silence, and again from its first answer).
    bool boardAnswering() const { return thread_->boardAnswering(); }
    // The main window holds the clamp while a camera is lost.
    void setClampHold(std::function<bool()> hold) { clampHold_ = std::move(hold); }
    // Called with every word published (tests follow the outputs with it).
    void setPublishRecorder(std::function<void(int word)> recorder) { recorder_ = std::move(recorder); }

private:
    void init(const QString& portPath, bool startThread);

    bool inputLevel_[ioframe::kInputs] = {};
    int outputWord_ = 0;
    int inputWord_ = 0;
    IOThread* thread_ = nullptr;
    std::function<bool()> clampHold_;
    std::function<void(int)> recorder_;
};

extern ControlPort* gpControlIO;
// Set when an opening safety door switched the alarm off; the cycle clears it
// at every cycle start.
extern bool gisSafeDoorOpen;
