#pragma once
// The thread that talks to the IO board: every 5 ms it takes the board's
// reports, hands the input bits to the GUI thread, sends the wanted outputs
// when the board echoes different ones, and polls again.
#include "monitor/ioframes.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>

class IoSerialPort;

// Input bits as last reported by the board and the output word published by
// the GUI thread, both under pMutexIO.
extern QMutex* pMutexIO;
extern int gDataIn;
extern int gDataOut;
// The same word with the clamp prohibited (by the polarity in force),
// published with it; read without the lock.
extern std::atomic<int> gDataOutHeld;
// Set by the crash handler before anything else (a lock-free store, safe in
// a signal handler): from then on the polling thread sends gDataOutHeld,
// whatever the GUI thread publishes afterwards, and sets gCrashHoldSent once
// it sent it.
extern std::atomic<bool> gCrashClampHold;
extern std::atomic<bool> gCrashHoldSent;
// Temperature words of the board (reports to commands 3 and 4), each stored
// and read whole.
extern std::atomic<float> gFTemp[ioframe::kTemperatures];
// The board's port; used only by the IO thread once it runs.
extern IoSerialPort* gpCom;
// Port setting of the board, copied from serial_port by the start-up.
extern int gisCOM;

// "/dev/ttyS%1" of a port setting (0 -> ttyS0, n -> ttyS(n+1)), under the
// system root.
QString comPortPath(int setting);
// Opens the board's port into gpCom: the setting of gisCOM, or the path
// given. On failure the fault is logged, journaled and shown once; the link
// then runs without a port and the polling thread tries to open it again.
bool ComInit();
bool ComInit(const QString& path);
void ComClose();
// Writes one host frame; false when the port is closed or the line refused it.
bool ComSend(int cmd, int value);

// A board that stops answering (or a line that fails) is not trusted to come
// back by itself: the port is closed and opened again after 1 s, then after
// twice as long each time the board stays silent, at most 10 s apart. Each
// change between answering and silent is journaled once, and the first
// answer after a silence gets the wanted outputs at once.
class IOThread : public QThread {
    Q_OBJECT
public:
    // Consecutive passes without an input report after which the board
    // counts as silent (about one second of polls).
    static constexpr int kSilentPasses = 200;
    static constexpr int kPassSleepMs = 5;
    static constexpr int kReopenFirstMs = 1000;
    static constexpr int kReopenMaxMs = 10000;

    explicit IOThread(QObject* parent = nullptr);

    // One exchange with the board, without the sleep: what run() repeats.
    void pass();

    quint64 passes() const { return passes_; }
    quint64 inputReports() const { return inputReports_; }
    // Passes in which no input report came (temperature passes included).
    quint64 missedReports() const { return missedReports_; }
    quint64 framesSent() const { return framesSent_; }
    quint64 bytesRead() const { return bytesRead_; }
    quint64 skippedBytes() const { return skippedBytes_; }
    bool boardAnswering() const { return !silent_; }
    quint64 reopenAttempts() const { return reopenAttempts_; }
    // The wait before the next attempt to open the port again.
    int reopenDelayMs() const { return backoffMs_; }

protected:
    void run() override;

private:
    void handle(const ioframe::BoardFrame& frame, int wanted, bool* resend);
    void send(int cmd, int value);
    void noteSilence(bool reported, int wanted);
    void closeLine();
    void reopenWhenDue();

    ioframe::FrameDecoder decoder_;
    ioframe::PollSchedule schedule_;
    int tempIndex_ = 0;
    int silentRun_ = 0;
    bool lineWasUp_ = false; // the port was open at some pass
    int backoffMs_ = kReopenFirstMs;
    qint64 reopenAtMs_ = -1; // monotonic time of the next attempt; -1 none due
    std::atomic<bool> silent_{false};
    std::atomic<quint64> passes_{0};
    std::atomic<quint64> inputReports_{0};
    std::atomic<quint64> missedReports_{0};
    std::atomic<quint64> framesSent_{0};
    std::atomic<quint64> bytesRead_{0};
    std::atomic<quint64> skippedBytes_{0};
    std::atomic<quint64> reopenAttempts_{0};
};
