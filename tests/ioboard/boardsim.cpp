#include "boardsim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr uchar kHead = 0x5F;
constexpr uchar kTail = 0xF5;

uchar sum(const char* p, int n)
{
    unsigned s = 0;
    for (int i = 0; i < n; ++i)
        s += uchar(p[i]);
    return uchar(s & 0xFF);
}

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }
} // namespace

BoardSim::BoardSim() = default;

BoardSim::~BoardSim()
{
    stop();
    if (!linkPath_.isEmpty())
        ::unlink(QFile::encodeName(linkPath_).constData());
    for (int fd : {master_, slave_, wake_})
        if (fd >= 0)
            ::close(fd);
}

bool BoardSim::open()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error_ = errnoText();
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        error_ = errnoText();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    // Holding the slave open keeps the pair alive between users, and a raw
    // slave never echoes our answers back to us or mangles bytes.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error_ = errnoText();
        return false;
    }
    termios tio;
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return true;
}

bool BoardSim::link(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray p = QFile::encodeName(path);
    ::unlink(p.constData());
    if (::symlink(QFile::encodeName(slavePath_).constData(), p.constData()) != 0) {
        error_ = errnoText();
        return false;
    }
    linkPath_ = path;
    return true;
}

bool BoardSim::waitHostFrames(size_t count, int timeoutMs)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (hostFrameCount() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return false;
        serve(int(left));
    }
    return true;
}

int BoardSim::serve(int timeoutMs)
{
    pollfd p[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (::poll(p, 2, timeoutMs) <= 0 || !(p[0].revents & POLLIN))
        return 0;
    return readAndAnswer();
}

void BoardSim::start()
{
    if (running_.exchange(true))
        return;
    thread_ = std::thread([this] {
        while (running_)
            serve(100);
    });
}

void BoardSim::stop()
{
    if (!running_.exchange(false))
        return;
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    thread_.join();
    uint64_t drain;
    (void)!::read(wake_, &drain, sizeof drain);
}

int BoardSim::readAndAnswer()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        rx_.append(buf, int(n));
    }
    int handled = 0;
    // The board resynchronises byte by byte as the host does.
    while (rx_.size() >= 6) {
        const char* f = rx_.constData();
        if (uchar(f[0]) == kHead && uchar(f[5]) == kTail && uchar(f[4]) == sum(f, 4)) {
            const int cmd = uchar(f[1]);
            const int value = uchar(f[2]) | uchar(f[3]) << 8;
            rx_.remove(0, 6);
            log_.push_back({cmd, value, Clock::now()});
            answer(cmd, value);
            ++handled;
        } else {
            rx_.remove(0, 1);
            ++badHostBytes_;
        }
    }
    return handled;
}

void BoardSim::answer(int cmd, int value)
{
    switch (cmd) {
    case 1:
        outputs_ = value & 0x3FF;
        if (onOutputs)
            onOutputs(outputs_);
        break;
    case 2:
        emitReply(inputReport(inputs_, outputs_));
        break;
    case 3:
    case 4: {
        QByteArray reply;
        const int base = cmd == 3 ? 0 : 8;
        for (int i = 0; i < 8; ++i)
            reply += temperatureReport(cmd, temps_[base + i]);
        for (int i = 0; i < extraTemps_; ++i)
            reply += temperatureReport(cmd, extraWord_);
        emitReply(reply);
        break;
    }
    default:
        break;
    }
}

void BoardSim::emitReply(QByteArray reply)
{
    if (silent_)
        return;
    if (fault_ != Fault::None) {
        if (fault_ == Fault::WrongSum)
            reply[6] = char(uchar(reply[6]) ^ 0x01);
        else
            reply[7] = char(0x00);
        fault_ = Fault::None;
    }
    QByteArray out = held_ + garbage_ + reply;
    held_.clear();
    garbage_.clear();
    if (mergeLeft_ > 1) {
        --mergeLeft_;
        held_ = out;
        return;
    }
    mergeLeft_ = 0;
    if (splitAt_ > 0) {
        const int cut = out.size() - reply.size() + qMin(splitAt_, reply.size());
        held_ = out.mid(cut);
        out.truncate(cut);
        splitAt_ = 0;
    }
    writeLocked(out);
}

void BoardSim::writeLocked(const QByteArray& bytes)
{
    int done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += int(n);
            bytesWritten_ += quint64(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Nobody reads the line: a real board's bytes would be lost as well.
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0)
            return;
    }
}

void BoardSim::setInputs(int bits)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    inputs_ = bits & 0x3FF;
}

void BoardSim::setInput(int bit, bool on)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    inputs_ = on ? (inputs_ | (1 << bit)) : (inputs_ & ~(1 << bit));
}

int BoardSim::inputs() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return inputs_;
}

int BoardSim::outputs() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return outputs_;
}

void BoardSim::setTemperature(int index, float value)
{
    quint32 word;
    std::memcpy(&word, &value, sizeof word);
    setTemperatureWord(index, word);
}

void BoardSim::setTemperatureWord(int index, quint32 word)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    temps_[index & 15] = word;
}

void BoardSim::setExtraTemperatureReports(int count, quint32 word)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    extraTemps_ = count;
    extraWord_ = word;
}

void BoardSim::setSilent(bool silent)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    silent_ = silent;
}

void BoardSim::injectGarbage(const QByteArray& bytes)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    garbage_ += bytes;
}

void BoardSim::corruptNextReply(Fault fault)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    fault_ = fault;
}

void BoardSim::splitNextReply(int at)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    splitAt_ = at;
}

void BoardSim::mergeNextReplies(int count)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    mergeLeft_ = count;
}

void BoardSim::flushHeld()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const QByteArray out = held_;
    held_.clear();
    writeLocked(out);
}

void BoardSim::writeRaw(const QByteArray& bytes)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    writeLocked(bytes);
}

std::vector<BoardSim::HostFrame> BoardSim::hostFrames() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return log_;
}

size_t BoardSim::hostFrameCount() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return log_.size();
}

int BoardSim::countCommand(int cmd) const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    int n = 0;
    for (const HostFrame& f : log_)
        n += f.cmd == cmd;
    return n;
}

quint64 BoardSim::badHostBytes() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return badHostBytes_;
}

void BoardSim::clearLog()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    log_.clear();
}

QByteArray BoardSim::boardFrame(int cmd, const uchar data[4], Fault fault)
{
    QByteArray f(8, '\0');
    f[0] = char(kHead);
    f[1] = char(cmd);
    for (int i = 0; i < 4; ++i)
        f[2 + i] = char(data[i]);
    f[6] = char(sum(f.constData(), 6));
    f[7] = char(kTail);
    if (fault == Fault::WrongSum)
        f[6] = char(uchar(f[6]) ^ 0x01);
    else if (fault == Fault::MissingEnd)
        f[7] = char(0x00);
    return f;
}

QByteArray BoardSim::inputReport(int inputs, int outputs)
{
    const uchar d[4] = {uchar(inputs & 0xFF), uchar((inputs >> 8) & 0x03), uchar(outputs & 0xFF),
                        uchar((outputs >> 8) & 0x03)};
    return boardFrame(2, d);
}

QByteArray BoardSim::temperatureReport(int cmd, quint32 word)
{
    const uchar d[4] = {uchar(word), uchar(word >> 8), uchar(word >> 16), uchar(word >> 24)};
    return boardFrame(cmd, d);
}

QByteArray BoardSim::hostFrameBytes(int cmd, int value)
{
    QByteArray f(6, '\0');
    f[0] = char(kHead);
    f[1] = char(cmd);
    f[2] = char(value & 0xFF);
    f[3] = char((value >> 8) & 0xFF);
    f[4] = char(sum(f.constData(), 4));
    f[5] = char(kTail);
    return f;
}
