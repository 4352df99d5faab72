#include "monitor/ioserial.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// How long a write may wait for room on the line (a 6-byte frame takes about
// 0.5 ms at 115200 baud).
constexpr int kWriteWaitMs = 20;

QString lastError() { return QString::fromLocal8Bit(std::strerror(errno)); }
} // namespace

IoSerialPort::~IoSerialPort() { close(); }

bool IoSerialPort::open(const QString& path)
{
    close();
    path_ = path;
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = lastError();
        return false;
    }
    termios tio;
    if (::tcgetattr(fd, &tio) != 0) {
        error_ = lastError();
        ::close(fd);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B115200);
    ::cfsetospeed(&tio, B115200);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        error_ = lastError();
        ::close(fd);
        return false;
    }
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    error_.clear();
    return true;
}

void IoSerialPort::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

qint64 IoSerialPort::bytesAvailable() const
{
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0)
        return 0;
    return n;
}

qint64 IoSerialPort::read(char* data, qint64 max)
{
    if (fd_ < 0)
        return -1;
    if (max <= 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, data, size_t(max));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        error_ = lastError();
        return -1;
    }
}

bool IoSerialPort::write(const char* data, qint64 count)
{
    if (fd_ < 0)
        return false;
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, data + done, size_t(count - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error_ = lastError();
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, kWriteWaitMs) <= 0) {
            error_ = QStringLiteral("line does not take more bytes");
            return false;
        }
    }
    return true;
}
