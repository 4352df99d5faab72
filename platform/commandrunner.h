#pragma once
// Every system action (reboot, mount, cp, ip, date, scripts ...) goes through
// the one runner returned by CommandRunner::instance(). Programs are started
// with argument lists, never through a shell line, so operator text can never
// become a command. Tests install a RecordingCommandRunner instead.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>

namespace platform {

struct CommandResult {
    bool started = false;   // the program could be run at all
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return started && exitCode == 0; }
};

class CommandRunner {
public:
    virtual ~CommandRunner();
    // Runs the program and waits for it (at most timeoutMs).
    virtual CommandResult run(const QString& program, const QStringList& args = {},
                              int timeoutMs = 30000) = 0;
    // Starts the program and lets it run on its own.
    virtual bool startDetached(const QString& program, const QStringList& args = {},
                               const QString& workDir = QString()) = 0;
    // Like startDetached, and gives the started program's process id (0 when
    // none is known), so that the caller can stop it later.
    virtual bool startTracked(const QString& program, const QStringList& args, const QString& workDir,
                              qint64* pid);

    static CommandRunner& instance();
    // Replaces the runner for the rest of the process (tests); takes no ownership.
    static void setInstance(CommandRunner* runner);
};

// The real runner. While INMOLD_TEST_MODE is set in the environment it refuses
// every command, so a test that forgot its recorder still cannot touch the machine.
class ProcessCommandRunner : public CommandRunner {
public:
    CommandResult run(const QString& program, const QStringList& args, int timeoutMs) override;
    bool startDetached(const QString& program, const QStringList& args, const QString& workDir) override;
    bool startTracked(const QString& program, const QStringList& args, const QString& workDir,
                      qint64* pid) override;
    static bool refusing();
};

// Logs each command and answers from a script (by program name); unscripted
// programs succeed with empty output.
class RecordingCommandRunner : public CommandRunner {
public:
    struct Call {
        QString program;
        QStringList args;
        bool detached = false;
        bool onMainThread = false; // run from the thread of the event loop (the GUI thread)
        QString line() const { return (QStringList{program} + args).join(' '); }
    };
    CommandResult run(const QString& program, const QStringList& args, int timeoutMs) override;
    bool startDetached(const QString& program, const QStringList& args, const QString& workDir) override;
    // Records a detached call and hands out made-up process ids from 900001 on.
    bool startTracked(const QString& program, const QStringList& args, const QString& workDir,
                      qint64* pid) override;

    void script(const QString& program, const CommandResult& result);
    // Every run() answers only after this long, as a slow system would.
    void setDelayMs(int ms) { delayMs_.store(ms); }
    QList<Call> calls() const;
    QStringList lines() const;
    void clear();

private:
    mutable QMutex mutex_;
    QList<Call> calls_;
    QMap<QString, CommandResult> scripted_;
    qint64 nextPid_ = 900001;
    std::atomic<int> delayMs_{0};
};

// Convenience for callers: runs through the installed runner.
CommandResult runCommand(const QString& program, const QStringList& args = {}, int timeoutMs = 30000);

} // namespace platform
