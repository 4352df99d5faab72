#include "monitor/controlport.h"

#include "params/procedures.h"
#include "params/wizardpara.h"

ControlPort* gpControlIO = nullptr;
bool gisSafeDoorOpen = false;

namespace {
constexpr int kSafetyDoorInput = 1;
constexpr int kAlarmOutput = 2;

const WizardPara& params()
{
    static const WizardPara defaults;
    return gpWPara ? *gpWPara : defaults;
}
} // namespace

ControlPort::ControlPort() { init(comPortPath(gisCOM), true); }

ControlPort::ControlPort(const QString& portPath, bool startThread) { init(portPath, startThread); }

void ControlPort::init(const QString& portPath, bool startThread)
{
    thread_ = new IOThread;
    inputWord_ = 0;
    ComInit(portPath);
    IOResetAllOut();
    IOFlashOut();
    if (startThread)
        thread_->start(QThread::InheritPriority);
}

ControlPort::~ControlPort()
{
    thread_->requestInterruption();
    thread_->wait();
    delete thread_;
    ComClose();
}

void ControlPort::IOSetOut(int n, int on)
{
    outputWord_ = ioframe::setOutputBit(outputWord_, n, on, params());
}

void ControlPort::IOResetAllOut()
{
    for (int n = 0; n < ioframe::kOutputs; ++n)
        IOSetOut(n, 0);
}

void ControlPort::IOFlashOut()
{
    if (!boardAnswering() || (clampHold_ && clampHold_()))
        IOSetOut(0, 1);
    {
        QMutexLocker lock(pMutexIO);
        gDataOut = outputWord_;
        gDataOutHeld.store(ioframe::setOutputBit(outputWord_, 0, 1, params()));
    }
    if (recorder_)
        recorder_(outputWord_);
}

bool ControlPort::IOState(int kind, int n) const
{
    if (n < 0 || n >= (kind ? ioframe::kOutputs : ioframe::kInputs))
        return false;
    return ((kind ? outputWord_ : inputWord_) >> n) & 1;
}

bool ControlPort::IOInTrigger(int n)
{
    int raw;
    {
        QMutexLocker lock(pMutexIO);
        raw = gDataIn;
    }
    const WizardPara& p = params();
    inputWord_ = ioframe::effectiveInputs(raw, p);
    if (n < 0 || n >= ioframe::kInputs)
        return false;

    const bool now = (inputWord_ >> n) & 1;
    const bool edge = !inputLevel_[n] && now;

    // The two-mold procedures use input 1 otherwise.
    if (p.procedure != ProcTwoColor && p.procedure != ProcTurntable) {
        const bool doorOpened = inputLevel_[kSafetyDoorInput] && !((inputWord_ >> kSafetyDoorInput) & 1);
        // Asked of the alarm's own bit and polarity, so an active-low or
        // backed-up alarm is released too.
        if (doorOpened && ioframe::outputActive(outputWord_, kAlarmOutput, p)) {
            IOSetOut(kAlarmOutput, 0);
            IOFlashOut();
            gisSafeDoorOpen = true;
        }
    }

    inputLevel_[n] = now;
    return edge;
}
