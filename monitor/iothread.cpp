#include "monitor/iothread.h"

#include "monitor/cycletexts.h"
#include "monitor/ioserial.h"
#include "params/lanstr.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <cstring>
#include <functional>
#include <memory>

namespace {
QMutex gIoMutex;
std::unique_ptr<IoSerialPort> gPort;

static_assert(std::atomic<float>::is_always_lock_free, "temperature words must not tear");

// The main window's journal and warning box belong to the GUI thread.
void inGuiThread(QObject* context, std::function<void()> f)
{
    if (QThread::currentThread() == context->thread())
        f();
    else
        QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
}

void reportFault(const QString& text, bool warn)
{
    host::insertRecord(text);
    if (warn)
        host::showWarning(text);
}

qint64 nowMs() { return platform::Clock::instance().monotonicMs(); }
} // namespace

QMutex* pMutexIO = &gIoMutex;
int gDataIn = 0;
int gDataOut = 0;
std::atomic<int> gDataOutHeld{0};
std::atomic<bool> gCrashClampHold{false};
std::atomic<bool> gCrashHoldSent{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the crash handler may only store lock-free atomics");
std::atomic<float> gFTemp[ioframe::kTemperatures];
IoSerialPort* gpCom = nullptr;
int gisCOM = 0;

QString comPortPath(int setting)
{
    // Port number 1 is never used: setting n > 0 opens ttyS(n+1).
    const int number = setting == 0 ? 0 : setting + 1;
    return platform::sysPath(QStringLiteral("/dev/ttyS%1").arg(number));
}

bool ComInit() { return ComInit(comPortPath(gisCOM)); }

bool ComInit(const QString& path)
{
    ComClose();
    gPort = std::make_unique<IoSerialPort>();
    gpCom = gPort.get();
    if (gPort->open(path)) {
        qInfo().noquote() << "IO board port" << path << "open";
        return true;
    }
    // Without the port no output, clamp prohibited included, reaches the
    // machine; the operator has to know.
    qWarning().noquote() << "IO board port" << path << "cannot be opened:" << gPort->errorString();
    reportFault(LanStr(cycletext::kBoardPortFailed).arg(path, gPort->errorString()), true);
    return false;
}

void ComClose()
{
    gpCom = nullptr;
    gPort.reset();
}

bool ComSend(int cmd, int value)
{
    if (!gpCom || !gpCom->isOpen())
        return false;
    const QByteArray f = ioframe::hostFrame(cmd, value);
    return gpCom->write(f.constData(), f.size());
}

IOThread::IOThread(QObject* parent) : QThread(parent) {}

void IOThread::run()
{
    while (!isInterruptionRequested()) {
        pass();
        msleep(kPassSleepMs);
    }
}

void IOThread::pass()
{
    // After a crash the lock may be held by the thread that crashed.
    const bool crashed = gCrashClampHold.load();
    int wanted;
    if (crashed) {
        wanted = gDataOutHeld.load();
    } else {
        QMutexLocker lock(pMutexIO);
        wanted = gDataOut;
    }
    if (crashed && !gCrashHoldSent.load()) {
        send(ioframe::CmdSetOutputs, wanted); // at once, not after the board's next report
        gCrashHoldSent.store(true);
    }

    reopenWhenDue();
    bool resend = false;
    const quint64 reportsBefore = inputReports_;
    if (gpCom && gpCom->isOpen()) {
        lineWasUp_ = true;
        char chunk[ioframe::FrameDecoder::kCapacity];
        // Only what fits: the rest stays on the line for the next pass.
        const qint64 n = gpCom->read(chunk, decoder_.freeSpace());
        if (n < 0) {
            qWarning().noquote() << "IO board line" << gpCom->path() << "failed:" << gpCom->errorString();
            closeLine();
        } else if (n > 0) {
            decoder_.append(chunk, int(n));
            bytesRead_ += quint64(n);
        }
        ioframe::BoardFrame frame;
        while (decoder_.next(frame))
            handle(frame, wanted, &resend);
        skippedBytes_ = decoder_.skippedBytes();
    }
    if (resend)
        send(ioframe::CmdSetOutputs, wanted);

    int tempIndex = tempIndex_;
    const int cmd = schedule_.next(&tempIndex);
    tempIndex_ = tempIndex;
    send(cmd, 0);

    noteSilence(inputReports_ != reportsBefore, wanted);
    ++passes_;
}

void IOThread::closeLine()
{
    if (gpCom)
        gpCom->close();
    decoder_.clear(); // a frame cut by the close never completes
    reopenAtMs_ = nowMs() + backoffMs_;
}

void IOThread::reopenWhenDue()
{
    if (!gpCom || gpCom->isOpen() || reopenAtMs_ < 0 || nowMs() < reopenAtMs_)
        return;
    ++reopenAttempts_;
    const bool opened = gpCom->open(gpCom->path());
    qInfo().noquote() << "IO board port" << gpCom->path() << (opened ? "opened again" : "still cannot be opened:")
                      << (opened ? QString() : gpCom->errorString());
    // Each attempt that does not bring the board back waits twice as long.
    backoffMs_ = qMin(2 * backoffMs_, int(kReopenMaxMs));
    if (opened) {
        silentRun_ = 0; // the board gets its second of polls again
        reopenAtMs_ = -1;
    } else {
        reopenAtMs_ = nowMs() + backoffMs_;
    }
}

void IOThread::handle(const ioframe::BoardFrame& frame, int wanted, bool* resend)
{
    switch (frame.cmd) {
    case ioframe::CmdPoll: {
        {
            QMutexLocker lock(pMutexIO);
            gDataIn = frame.inputs();
        }
        if (frame.outputs() != wanted)
            *resend = true;
        ++inputReports_;
        break;
    }
    case ioframe::CmdTemp0to7:
    case ioframe::CmdTemp8to15:
        if (tempIndex_ < ioframe::kTemperatures) {
            const quint32 word = frame.word();
            float value;
            std::memcpy(&value, &word, sizeof value);
            gFTemp[tempIndex_].store(value);
            ++tempIndex_;
        }
        break;
    default:
        break;
    }
}

void IOThread::send(int cmd, int value)
{
    if (ComSend(cmd, value))
        ++framesSent_;
}

void IOThread::noteSilence(bool reported, int wanted)
{
    if (reported) {
        silentRun_ = 0;
        backoffMs_ = kReopenFirstMs;
        reopenAtMs_ = -1;
        if (silent_.exchange(false)) {
            // The board may have lost or never had the outputs of the silence.
            send(ioframe::CmdSetOutputs, wanted);
            const QString path = gpCom->path();
            qInfo().noquote() << "IO board on" << path << "answers again";
            inGuiThread(this, [path] { reportFault(LanStr(cycletext::kBoardAnswersAgain).arg(path), false); });
        }
        return;
    }
    ++missedReports_;
    if (silentRun_ < kSilentPasses)
        ++silentRun_;
    if (silentRun_ < kSilentPasses)
        return;
    if (gpCom && gpCom->isOpen())
        closeLine();
    else if (reopenAtMs_ < 0 && gpCom)
        reopenAtMs_ = nowMs() + backoffMs_; // a port that never opened
    if (silent_)
        return;
    silent_ = true;
    // A port that failed to open was reported when it failed.
    if (!lineWasUp_)
        return;
    const QString path = gpCom->path();
    qWarning().noquote() << "IO board on" << path << "does not answer: outputs cannot reach the machine";
    inGuiThread(this, [path] { reportFault(LanStr(cycletext::kBoardSilent).arg(path), true); });
}
