#pragma once
// A stand-in for the IO board on a pseudo-terminal pair: the slave end is the
// board's serial port for the code under test, the simulator answers on the
// master end as the board does (an input and output report to each poll,
// command 1 stores the outputs, eight temperature reports to commands 3 and
// 4), and can spoil its answers on request.
//
// It frames its bytes with its own code, not the monitor's, so a fault shared
// by both sides cannot hide.
//
// Two ways to run it: a test calls waitHostFrames()/serve() to answer in
// lockstep with IOThread::pass(); the stand-alone program and the round-trip
// measurement start() a thread that answers by itself.
#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class BoardSim {
public:
    using Clock = std::chrono::steady_clock;
    enum class Fault { None, WrongSum, MissingEnd };
    struct HostFrame {
        int cmd;
        int value;
        Clock::time_point at;
    };

    BoardSim();
    ~BoardSim();
    BoardSim(const BoardSim&) = delete;
    BoardSim& operator=(const BoardSim&) = delete;

    // Opens the pseudo-terminal pair; false (see error()) when it cannot.
    bool open();
    QString slavePath() const { return slavePath_; }
    QString error() const { return error_; }
    // Puts a symbolic link to the slave at path (folders made as needed);
    // removed again by the destructor.
    bool link(const QString& path);

    // Lockstep use: answers what arrives until count host frames were seen
    // in total; false on time-out.
    bool waitHostFrames(size_t count, int timeoutMs = 2000);
    // Answers what arrives within timeoutMs; returns the frames handled.
    int serve(int timeoutMs);

    // Answers by itself on a thread of its own.
    void start();
    void stop();

    // The board's state.
    void setInputs(int bits);
    void setInput(int bit, bool on);
    int inputs() const;
    int outputs() const; // as last stored by command 1
    void setTemperature(int index, float value);
    void setTemperatureWord(int index, quint32 word);
    // Extra reports, carrying word, after the eight of a temperature read.
    void setExtraTemperatureReports(int count, quint32 word);

    // Faults, each for the next answer(s) only unless said otherwise.
    void setSilent(bool silent);                  // answers nothing until cleared
    void injectGarbage(const QByteArray& bytes);  // written before the next answer
    void corruptNextReply(Fault fault);
    void splitNextReply(int at);                  // rest goes out with the next write
    void mergeNextReplies(int count);             // count answers in one write
    void flushHeld();                             // writes held-back bytes now
    void writeRaw(const QByteArray& bytes);       // straight onto the line

    // What the board saw and sent.
    std::vector<HostFrame> hostFrames() const;
    size_t hostFrameCount() const;
    int countCommand(int cmd) const;
    quint64 badHostBytes() const;
    quint64 bytesWritten() const { return bytesWritten_; }
    void clearLog();
    // Called on the answering thread whenever command 1 stores outputs.
    std::function<void(int outputs)> onOutputs;

    // Board frames as the board builds them.
    static QByteArray boardFrame(int cmd, const uchar data[4], Fault fault = Fault::None);
    static QByteArray inputReport(int inputs, int outputs);
    static QByteArray temperatureReport(int cmd, quint32 word); // cmd 3 or 4
    static QByteArray hostFrameBytes(int cmd, int value); // what the host must send

private:
    int readAndAnswer();
    void answer(int cmd, int value);
    void emitReply(QByteArray reply);
    void writeLocked(const QByteArray& bytes);

    int master_ = -1;
    int slave_ = -1;
    int wake_ = -1;
    QString slavePath_;
    QString linkPath_;
    QString error_;

    mutable std::recursive_mutex mutex_;
    QByteArray rx_;
    std::vector<HostFrame> log_;
    quint64 badHostBytes_ = 0;
    std::atomic<quint64> bytesWritten_{0};
    int inputs_ = 0;
    int outputs_ = 0;
    quint32 temps_[16] = {};
    int extraTemps_ = 0;
    quint32 extraWord_ = 0;
    bool silent_ = false;
    QByteArray garbage_;
    QByteArray held_;
    Fault fault_ = Fault::None;
    int splitAt_ = 0;
    int mergeLeft_ = 0;

    std::thread thread_;
    std::atomic<bool> running_{false};
};
