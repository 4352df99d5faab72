#include "monitor/iothread.h"

#include "monitor/ioserial.h"
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
} // namespace

QMutex* pMutexIO = &gIoMutex;
int gDataIn = 0;
int gDataOut = 0;
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
    const QString text = QStringLiteral("IO board port %1 cannot be opened: %2").arg(path, gPort->errorString());
    qWarning().noquote() << text;
    reportFault(text, true);
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
    int wanted;
    {
        QMutexLocker lock(pMutexIO);
        wanted = gDataOut;
    }

    bool resend = false;
    const quint64 reportsBefore = inputReports_;
    if (gpCom && gpCom->isOpen()) {
        char chunk[ioframe::FrameDecoder::kCapacity];
        // Only what fits: the rest stays on the line for the next pass.
        const qint64 n = gpCom->read(chunk, decoder_.freeSpace());
        if (n > 0) {
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

    noteSilence(inputReports_ != reportsBefore);
    ++passes_;
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

void IOThread::noteSilence(bool reported)
{
    if (reported) {
        silentRun_ = 0;
        if (silent_.exchange(false)) {
            const QString text = QStringLiteral("IO board on %1 answers again").arg(gpCom->path());
            qInfo().noquote() << text;
            inGuiThread(this, [text] { reportFault(text, false); });
        }
        return;
    }
    ++missedReports_;
    if (silentRun_ < kSilentPasses)
        ++silentRun_;
    if (silentRun_ < kSilentPasses || silent_)
        return;
    silent_ = true;
    // A port that failed to open was reported when it failed.
    if (!gpCom || !gpCom->isOpen())
        return;
    const QString text =
        QStringLiteral("IO board on %1 does not answer: outputs cannot reach the machine").arg(gpCom->path());
    qWarning().noquote() << text;
    inGuiThread(this, [text] { reportFault(text, true); });
}
