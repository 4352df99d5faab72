#include "monitor/logmanager.h"

#include "monitor/iothread.h"

#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {
void prepareCrashHandler(const QString& dir);
}

LogManager* LogManager::__instance = nullptr;
QString LogManager::__CurTaskPath;
const char* const LogManager::kVersion = "16.0.1.9";

namespace {

QFile& logFile()
{
    static QFile f;
    return f;
}

QMutex& logMutex()
{
    static QMutex m;
    return m;
}

} // namespace

LogManager::LogManager(QObject* parent, const QString& programFolder) : QObject(parent)
{
    const QString dir = programFolder.isEmpty() ? QDir::currentPath() : programFolder;
    __CurTaskPath = dir + QStringLiteral("/cnt_net/cnt_log_app/");
    QDir().mkpath(__CurTaskPath);
    {
        QMutexLocker lock(&logMutex());
        if (logFile().isOpen())
            logFile().close();
        logFile().setFileName(__CurTaskPath + QStringLiteral("log.txt"));
    }
    qInstallMessageHandler(LogManager::outputMessage);
    prepareCrashHandler(__CurTaskPath);
    std::signal(SIGSEGV, LogManager::sigcrash);
    std::signal(SIGABRT, LogManager::sigcrash);

    // Keep the folder from growing without end: at most one file goes per start.
    QFileInfoList files = QDir(__CurTaskPath).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    if (files.size() >= 100)
        QFile::remove(files.first().absoluteFilePath());
    __instance = this;
}

LogManager::~LogManager()
{
    if (__instance == this)
        __instance = nullptr;
}

QString LogManager::FormatLine(QtMsgType type, const QMessageLogContext& context, const QString& msg,
                               const QString& time)
{
    QString level;
    switch (type) {
    case QtWarningMsg:
        level = QStringLiteral("W");
        break;
    case QtCriticalMsg:
        level = QStringLiteral("E");
        break;
    case QtFatalMsg:
        level = QStringLiteral("F");
        break;
    case QtInfoMsg:
        level = QStringLiteral("I");
        break;
    default:
        level = QStringLiteral("Info");
        break;
    }
    const QString file = context.file ? QString::fromUtf8(context.file).section('/', -1) : QString();
    return QStringLiteral("[%1 %2 %3:%4] %5").arg(level, time, file).arg(context.line).arg(msg);
}

void LogManager::outputMessage(QtMsgType type, const QMessageLogContext& context, const QString& msg)
{
    if (type == QtDebugMsg) {
        const QByteArray out = msg.toUtf8() + '\n';
        std::fwrite(out.constData(), 1, out.size(), stderr);
        return;
    }
    if (!gpWPara || !gpWPara->enable_log)
        return;
    const QDateTime now = platform::now();
    const QString time = now.toString(QStringLiteral("yyyy/MM/dd-HH:mm:ss.zzz"));
    const QString line = FormatLine(type, context, msg, time);

    QString logPath;
    {
        QMutexLocker lock(&logMutex());
        QFile& f = logFile();
        if (f.fileName().isEmpty())
            return;
        logPath = f.fileName();
        const bool exists = QFileInfo::exists(f.fileName());
        if (!exists) {
            if (f.isOpen())
                f.close();
            if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
                return;
            QTextStream s(&f);
            s.setCodec("UTF-8");
            s << "create newlog version " << kVersion << ' ' << time << '\n';
        } else if (!f.isOpen() && !f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return;
        }
        QTextStream s(&f);
        s.setCodec("UTF-8");
        s << line << '\n';
        s.flush();
        f.flush();
        if (type == QtFatalMsg)
            f.close();
    }
    if (type == QtFatalMsg) {
        const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
        platform::runCommand(QStringLiteral("mv"),
                             {QStringLiteral("-f"), logPath,
                              __CurTaskPath + QStringLiteral("logFatal%1.txt").arg(stamp)});
    }
}

namespace {

// Everything the crash handler needs is prepared here, outside the signal:
// inside it only write(2), open(2), rename(2), clock_gettime and the
// back-trace of frames (its library is loaded beforehand) are used, and the
// logging mutex is never taken, so a crash while logging cannot deadlock.
char gCrashDir[1024];
char gCrashLog[1100];
long gUtcOffset = 0; // seconds east of UTC at start

void copyPath(char* dst, size_t cap, const QByteArray& src)
{
    const size_t n = std::min(cap - 1, size_t(src.size()));
    std::memcpy(dst, src.constData(), n);
    dst[n] = '\0';
}

void prepareCrashHandler(const QString& dir)
{
    copyPath(gCrashDir, sizeof(gCrashDir), QFile::encodeName(dir));
    copyPath(gCrashLog, sizeof(gCrashLog), QFile::encodeName(dir + QStringLiteral("log.txt")));
    gUtcOffset = QDateTime::currentDateTime().offsetFromUtc();
    void* warm[2];
    backtrace(warm, 2); // loads the unwinder now rather than inside a signal
}

size_t putStr(char* out, size_t pos, size_t cap, const char* s)
{
    while (*s && pos + 1 < cap)
        out[pos++] = *s++;
    return pos;
}

size_t putNum(char* out, size_t pos, size_t cap, long v, int width)
{
    char digits[24];
    int n = 0;
    unsigned long u = v < 0 ? 0 : static_cast<unsigned long>(v);
    do {
        digits[n++] = char('0' + u % 10);
        u /= 10;
    } while (u && n < 20);
    while (n < width && n < 20)
        digits[n++] = '0';
    while (n > 0 && pos + 1 < cap)
        out[pos++] = digits[--n];
    return pos;
}

struct Civil {
    long y, mo, d, h, mi, s, ms;
};

// Local time from the clock without localtime (not safe in a signal).
Civil civilNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    long secs = long(ts.tv_sec) + gUtcOffset;
    long days = secs / 86400;
    long rem = secs % 86400;
    // days since 1970-01-01 to a civil date
    long z = days + 719468;
    const long era = z / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    return {y, m, d, rem / 3600, (rem % 3600) / 60, rem % 60, long(ts.tv_nsec / 1000000)};
}

void writeAll(int fd, const char* buf, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, buf, n);
        if (w <= 0)
            return;
        buf += w;
        n -= size_t(w);
    }
}

// One log line "[E yyyy/MM/dd-HH:mm:ss.zzz :0] text".
void crashLine(int fd, const char* level, const char* text)
{
    char line[1024];
    const Civil t = civilNow();
    size_t p = 0;
    p = putStr(line, p, sizeof(line), "[");
    p = putStr(line, p, sizeof(line), level);
    p = putStr(line, p, sizeof(line), " ");
    p = putNum(line, p, sizeof(line), t.y, 4);
    p = putStr(line, p, sizeof(line), "/");
    p = putNum(line, p, sizeof(line), t.mo, 2);
    p = putStr(line, p, sizeof(line), "/");
    p = putNum(line, p, sizeof(line), t.d, 2);
    p = putStr(line, p, sizeof(line), "-");
    p = putNum(line, p, sizeof(line), t.h, 2);
    p = putStr(line, p, sizeof(line), ":");
    p = putNum(line, p, sizeof(line), t.mi, 2);
    p = putStr(line, p, sizeof(line), ":");
    p = putNum(line, p, sizeof(line), t.s, 2);
    p = putStr(line, p, sizeof(line), ".");
    p = putNum(line, p, sizeof(line), t.ms, 3);
    p = putStr(line, p, sizeof(line), " :0] ");
    p = putStr(line, p, sizeof(line), text);
    p = putStr(line, p, sizeof(line), "\n");
    writeAll(fd, line, p);
}

// The mangled name of a back-trace text "module(name+offset) [address]";
// false for a frame without one.
bool mangledName(const char* text, char* out, size_t cap)
{
    const char* open = std::strchr(text, '(');
    if (!open || open == text)
        return false;
    const char* close = std::strchr(open, ')');
    if (!close || close[1] != ' ' || !close[2] || close[2] == ' ')
        return false;
    const char* plus = nullptr;
    for (const char* p = open + 1; p < close; ++p)
        if (*p == '+')
            plus = p;
    if (!plus || plus == open + 1 || plus + 1 == close)
        return false;
    const size_t n = size_t(plus - open - 1);
    if (n + 1 > cap)
        return false;
    std::memcpy(out, open + 1, n);
    out[n] = '\0';
    return true;
}

// Child of the crash handler: one line "#i demangled name" per frame that
// demangles, into the pipe. Demangling allocates, which a signal handler must
// not do (the crash may have happened inside the allocator); the child may,
// since the parent gives up on it after a deadline.
[[noreturn]] void demangleInChild(void* const* frames, int n, int out)
{
    char** texts = backtrace_symbols(frames, n);
    if (!texts)
        _exit(1);
    char mangled[512];
    char line[1024];
    for (int i = 0; i < n; ++i) {
        if (!mangledName(texts[i], mangled, sizeof(mangled)))
            continue;
        int status = -1;
        char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
        if (status == 0 && name) {
            size_t p = 0;
            p = putStr(line, p, sizeof(line), "#");
            p = putNum(line, p, sizeof(line), i, 1);
            p = putStr(line, p, sizeof(line), " ");
            p = putStr(line, p, sizeof(line), name);
            p = putStr(line, p, sizeof(line), "\n");
            writeAll(out, line, p);
        }
        std::free(name);
    }
    _exit(0);
}

char gDemangled[256 * 1024]; // the child's lines, read without allocating

long monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return long(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The back-trace as numbered, demangled critical lines; when the child does
// not deliver them within two seconds, the raw frames instead.
void writeBackTrace(int fd, void* const* frames, int n)
{
    int fds[2] = {-1, -1};
    pid_t child = -1;
    if (::pipe(fds) == 0) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        child = _Fork(); // no fork handlers: they take the allocator's locks
#else
        child = fork();
#endif
        if (child == 0) {
            ::close(fds[0]);
            demangleInChild(frames, n, fds[1]);
        }
        ::close(fds[1]);
    }
    size_t got = 0;
    bool complete = false;
    if (child > 0) {
        const long deadline = monotonicMs() + 2000;
        for (;;) {
            const long left = deadline - monotonicMs();
            if (left <= 0)
                break;
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0)
                break;
            const ssize_t r = ::read(fds[0], gDemangled + got, sizeof(gDemangled) - 1 - got);
            if (r == 0) {
                complete = true; // the child closed its end
                break;
            }
            if (r < 0 || got + size_t(r) >= sizeof(gDemangled) - 1)
                break;
            got += size_t(r);
        }
        int status = 0;
        pid_t ended = 0;
        while (complete && (ended = ::waitpid(child, &status, WNOHANG)) == 0 && monotonicMs() < deadline) {
            const timespec pause{0, 5 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        if (ended != child) {
            ::kill(child, SIGKILL);
            ended = ::waitpid(child, &status, 0);
            complete = false;
        }
        complete = complete && ended == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (fds[0] >= 0)
        ::close(fds[0]);
    if (!complete) {
        backtrace_symbols_fd(frames, n, fd);
        return;
    }
    gDemangled[got] = '\0';
    char* start = gDemangled;
    for (size_t i = 0; i < got; ++i) {
        if (gDemangled[i] != '\n')
            continue;
        gDemangled[i] = '\0';
        crashLine(fd, "E", start);
        start = gDemangled + i + 1;
    }
}

const char kRuleText[] =
    "*****************************************************"
    "****************************************************";

} // namespace

void LogManager::sigcrash(int sig)
{
    // The machine first: the board is sent the clamp prohibited while the
    // trace is written, whatever any thread publishes meanwhile.
    gCrashClampHold.store(true);
    std::signal(SIGSEGV, SIG_DFL);
    std::signal(SIGABRT, SIG_DFL);
    const bool logging = gpWPara && gpWPara->enable_log && gCrashLog[0];
    int fd = logging ? ::open(gCrashLog, O_WRONLY | O_APPEND | O_CREAT, 0644) : -1;
    if (fd < 0)
        fd = STDERR_FILENO;
    crashLine(fd, "E", "");
    crashLine(fd, "E", kRuleText);
    crashLine(fd, "E", "crashed!!!");
    static void* frames[1024];
    const int n = backtrace(frames, 1024);
    writeBackTrace(fd, frames, n);
    crashLine(fd, "F", kRuleText);
    if (fd != STDERR_FILENO) {
        ::close(fd);
        // Move the log aside so the next start begins a fresh one.
        char target[1200];
        const Civil t = civilNow();
        size_t p = 0;
        p = putStr(target, p, sizeof(target), gCrashDir);
        p = putStr(target, p, sizeof(target), "logFatal");
        p = putNum(target, p, sizeof(target), t.y, 4);
        p = putStr(target, p, sizeof(target), "-");
        p = putNum(target, p, sizeof(target), t.mo, 2);
        p = putStr(target, p, sizeof(target), "-");
        p = putNum(target, p, sizeof(target), t.d, 2);
        p = putStr(target, p, sizeof(target), "_");
        p = putNum(target, p, sizeof(target), t.h, 2);
        p = putStr(target, p, sizeof(target), "-");
        p = putNum(target, p, sizeof(target), t.mi, 2);
        p = putStr(target, p, sizeof(target), "-");
        p = putNum(target, p, sizeof(target), t.s, 2);
        p = putStr(target, p, sizeof(target), "-");
        p = putNum(target, p, sizeof(target), t.ms, 3);
        p = putStr(target, p, sizeof(target), ".txt");
        target[p] = '\0';
        ::rename(gCrashLog, target);
    }
    // The polling thread sends the held word within a pass; the process
    // does not end before (unless that thread is the one that crashed).
    for (int i = 0; i < 100 && !gCrashHoldSent.load(); ++i) {
        const timespec pause{0, 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    ::raise(sig); // now with the default action: the process ends
}

void FoundAllFile(QList<QFileInfo>& list, const QString& folder)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        if (e.isDir())
            FoundAllFile(list, e.absoluteFilePath());
        else
            list.append(QFileInfo(e.absoluteFilePath()));
    }
}

void SortFileByTime(QList<QFileInfo>& list)
{
    std::stable_sort(list.begin(), list.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() < b.lastModified();
    });
}
