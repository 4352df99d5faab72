#include "platform/commandrunner.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <atomic>

namespace platform {

namespace {
std::atomic<CommandRunner*> gRunner{nullptr};

bool onMainThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}
}

CommandRunner::~CommandRunner() = default;

bool CommandRunner::startTracked(const QString& program, const QStringList& args, const QString& workDir,
                                 qint64* pid)
{
    if (pid)
        *pid = 0;
    return startDetached(program, args, workDir);
}

CommandRunner& CommandRunner::instance()
{
    CommandRunner* r = gRunner.load();
    if (!r) {
        static ProcessCommandRunner real;
        CommandRunner* expected = nullptr;
        gRunner.compare_exchange_strong(expected, &real);
        r = gRunner.load();
    }
    return *r;
}

void CommandRunner::setInstance(CommandRunner* runner) { gRunner.store(runner); }

bool ProcessCommandRunner::refusing()
{
    return qEnvironmentVariableIsSet("INMOLD_TEST_MODE");
}

CommandResult ProcessCommandRunner::run(const QString& program, const QStringList& args, int timeoutMs)
{
    CommandResult res;
    if (refusing()) {
        qWarning() << "command refused in test mode:" << program << args;
        return res;
    }
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(5000)) {
        qWarning() << "command did not start:" << program << p.errorString();
        return res;
    }
    res.started = true;
    if (!p.waitForFinished(timeoutMs)) {
        qWarning() << "command timed out:" << program << args;
        p.kill();
        p.waitForFinished(1000);
        res.exitCode = -1;
    } else {
        res.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    res.out = p.readAllStandardOutput();
    res.err = p.readAllStandardError();
    return res;
}

bool ProcessCommandRunner::startDetached(const QString& program, const QStringList& args, const QString& workDir)
{
    if (refusing()) {
        qWarning() << "command refused in test mode:" << program << args;
        return false;
    }
    return QProcess::startDetached(program, args, workDir);
}

bool ProcessCommandRunner::startTracked(const QString& program, const QStringList& args, const QString& workDir,
                                        qint64* pid)
{
    if (pid)
        *pid = 0;
    if (refusing()) {
        qWarning() << "command refused in test mode:" << program << args;
        return false;
    }
    return QProcess::startDetached(program, args, workDir, pid);
}

CommandResult RecordingCommandRunner::run(const QString& program, const QStringList& args, int)
{
    if (const int delay = delayMs_.load())
        QThread::msleep(ulong(delay));
    QMutexLocker lock(&mutex_);
    calls_.append({program, args, false, onMainThread()});
    auto it = scripted_.constFind(program);
    if (it != scripted_.constEnd())
        return *it;
    CommandResult ok;
    ok.started = true;
    ok.exitCode = 0;
    return ok;
}

bool RecordingCommandRunner::startDetached(const QString& program, const QStringList& args, const QString&)
{
    QMutexLocker lock(&mutex_);
    calls_.append({program, args, true, onMainThread()});
    auto it = scripted_.constFind(program);
    return it == scripted_.constEnd() || it->started;
}

bool RecordingCommandRunner::startTracked(const QString& program, const QStringList& args, const QString& workDir,
                                          qint64* pid)
{
    const bool started = startDetached(program, args, workDir);
    QMutexLocker lock(&mutex_);
    if (pid)
        *pid = started ? nextPid_++ : 0;
    return started;
}

void RecordingCommandRunner::script(const QString& program, const CommandResult& result)
{
    QMutexLocker lock(&mutex_);
    scripted_[program] = result;
}

QList<RecordingCommandRunner::Call> RecordingCommandRunner::calls() const
{
    QMutexLocker lock(&mutex_);
    return calls_;
}

QStringList RecordingCommandRunner::lines() const
{
    QStringList out;
    for (const Call& c : calls())
        out << c.line();
    return out;
}

void RecordingCommandRunner::clear()
{
    QMutexLocker lock(&mutex_);
    calls_.clear();
}

CommandResult runCommand(const QString& program, const QStringList& args, int timeoutMs)
{
    return CommandRunner::instance().run(program, args, timeoutMs);
}

} // namespace platform
