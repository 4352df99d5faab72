#include "standinclient.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

StandInClient::StandInClient(quint16 port) : port_(port) {}

StandInClient::~StandInClient() { disconnect(); }

qint64 StandInClient::steadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool StandInClient::connectToServer(int timeoutMs)
{
    disconnect();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port_);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const qint64 until = steadyUs() + qint64(timeoutMs) * 1000;
    while (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (steadyUs() > until) {
            ::close(fd);
            return false;
        }
        ::usleep(10000);
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    buf_.clear();
    stop_ = false;
    hungUp_ = false;
    fd_ = fd;
    thread_ = std::thread([this] { loop(); });
    return true;
}

void StandInClient::disconnect()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(sendMutex_);
    const int fd = fd_.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

bool StandInClient::send(const QByteArray& bytes)
{
    std::lock_guard<std::mutex> lock(sendMutex_);
    const int fd = fd_.load();
    if (fd < 0)
        return false;
    int done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += int(n);
    }
    return true;
}

void StandInClient::loop()
{
    char tmp[65536];
    while (!stop_) {
        const int fd = fd_.load();
        if (fd < 0)
            return;
        if (!reading_) {
            ::usleep(5000);
            continue;
        }
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const ssize_t n = ::recv(fd, tmp, sizeof tmp, 0);
        if (n <= 0) {
            hungUp_ = true;
            return;
        }
        received_ += quint64(n);
        buf_.append(tmp, int(n));
        cutFrames();
        if (fd_.load() < 0)
            return; // hung up in a body
    }
}

void StandInClient::cutFrames()
{
    for (;;) {
        const int headEnd = buf_.indexOf(":..!");
        if (headEnd < 0)
            return;
        const QList<QByteArray> parts = buf_.left(headEnd).split(':');
        bool okKind = false, okLen = false;
        const int kind = parts.size() == 2 ? parts[0].toInt(&okKind) : 0;
        const int len = parts.size() == 2 ? parts[1].toInt(&okLen) : 0;
        if (!okKind || !okLen || len < 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            frames_.append({-1, buf_, steadyUs()}); // a broken head: the test sees it
            buf_.clear();
            return;
        }
        const int bodyStart = headEnd + 4;
        const int have = buf_.size() - bodyStart;
        if (have < len) {
            const int at = hangUpAt_.load();
            if (at >= 0 && have >= at) {
                hangUpAt_ = -1;
                std::lock_guard<std::mutex> lock(sendMutex_);
                const int fd = fd_.exchange(-1);
                if (fd >= 0)
                    ::close(fd);
            }
            return;
        }
        Frame f;
        f.kind = kind;
        f.body = buf_.mid(bodyStart, len);
        f.atUs = steadyUs();
        buf_.remove(0, bodyStart + len);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            frames_.append(f);
        }
        if (autoAck_)
            sendAck();
    }
}

QList<StandInClient::Frame> StandInClient::frames() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

int StandInClient::frameCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.size();
}

void StandInClient::clearFrames()
{
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.clear();
}

QString StandInClient::percentDecode(const QByteArray& value)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
}

QList<QPair<QString, QString>> StandInClient::decodeForm(const QByteArray& body)
{
    QList<QPair<QString, QString>> pairs;
    if (body.isEmpty())
        return pairs;
    for (const QByteArray& pair : body.split('&')) {
        const int eq = pair.indexOf('=');
        if (eq < 0)
            pairs.append({percentDecode(pair), QString()});
        else
            pairs.append({percentDecode(pair.left(eq)), percentDecode(pair.mid(eq + 1))});
    }
    return pairs;
}
