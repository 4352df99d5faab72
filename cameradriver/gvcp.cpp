#include "cameradriver/gvcp.h"

#include "platform/clock.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>
#include <cstring>
#include <random>

namespace gvcp {

namespace {

void put16(QByteArray& d, int at, uint16_t v)
{
    d[at] = char(v >> 8);
    d[at + 1] = char(v & 0xFF);
}

uint16_t get16(const uint8_t* d) { return uint16_t((d[0] << 8) | d[1]); }

QByteArray header(uint8_t flags, uint16_t command, int payload, uint16_t requestId)
{
    QByteArray d(8 + payload, '\0');
    d[0] = char(0x42);
    d[1] = char(flags);
    put16(d, 2, command);
    put16(d, 4, uint16_t(payload));
    put16(d, 6, requestId);
    return d;
}

void putBytes(QByteArray& d, int at, const void* src, int n) { std::memcpy(d.data() + at, src, size_t(n)); }

uint8_t ackFlags(bool ackRequired) { return uint8_t(kFlagBroadcastAck | (ackRequired ? kFlagAck : 0)); }

} // namespace

QByteArray discoveryCommand(uint16_t requestId)
{
    return header(kFlagAck | kFlagBroadcastAck, kDiscoveryCommand, 0, requestId);
}

QByteArray forceIpCommand(uint16_t requestId, const uint8_t mac[6], uint32_t ip, uint32_t mask, uint32_t gateway,
                          bool ackRequired)
{
    QByteArray d = header(ackFlags(ackRequired), kForceIpCommand, 56, requestId);
    putBytes(d, 10, mac, 6);
    putBytes(d, 28, &ip, 4);
    putBytes(d, 44, &mask, 4);
    putBytes(d, 60, &gateway, 4);
    return d;
}

QByteArray vendorForceIpCommand(uint16_t requestId, const uint8_t mac[6], uint32_t ip, uint32_t mask,
                                uint32_t gateway, uint8_t option1, uint8_t option2, bool ackRequired)
{
    QByteArray d = header(ackFlags(ackRequired), kVendorForceIpCommand, 56, requestId);
    putBytes(d, 8, mac, 6);
    putBytes(d, 14, &ip, 4);
    putBytes(d, 18, &mask, 4);
    putBytes(d, 22, &gateway, 4);
    d[26] = char(option1);
    d[27] = char(option2);
    return d;
}

bool parseAck(const uint8_t* data, int length, AckHeader* h)
{
    if (!data || length < 8)
        return false;
    h->status = get16(data);
    h->answer = get16(data + 2);
    h->length = get16(data + 4);
    h->ackId = get16(data + 6);
    return true;
}

uint32_t DiscoveryRecord::word(int at) const
{
    uint32_t v;
    std::memcpy(&v, bytes + at, 4);
    return v;
}

QByteArray DiscoveryRecord::text(int at, int size) const
{
    const char* p = reinterpret_cast<const char*>(bytes + at);
    return QByteArray(p, int(strnlen(p, size_t(size))));
}

const char* DiscoveryRecord::linkSpeed() const
{
    if (bytes[185] == 'C')
        return "1000M";
    if (bytes[185] == 'B')
        return "100M";
    return "10M";
}

DeviceList::DeviceList(const QByteArray& manufacturerPrefix) : prefix_(manufacturerPrefix) {}

bool DeviceList::offer(const uint8_t* data, int length, uint32_t nowMs)
{
    // Only a complete answer: a shorter one would leave the address and
    // serial fields of the record unfilled.
    if (!data || length < kRecordSize || get16(data + 2) != kDiscoveryAnswer)
        return false;
    std::lock_guard<std::recursive_mutex> l(lock_);
    ++answers_;
    if (std::memcmp(data + 176, prefix_.constData(), size_t(prefix_.size())) != 0)
        return false;
    for (int i = 0; i < count_; ++i) {
        const uint8_t* r = records_[i].bytes;
        if (valid_[i] && std::memcmp(r + 18, data + 18, 6) == 0 && std::memcmp(r + 44, data + 44, 4) == 0) {
            lastSeen_[i] = nowMs;
            return true;
        }
    }
    if (count_ >= kMaxDevices)
        return false;
    std::memcpy(records_[count_].bytes, data, kRecordSize);
    valid_[count_] = true;
    lastSeen_[count_] = nowMs;
    ++count_;
    return true;
}

int DeviceList::answersSeen() const
{
    std::lock_guard<std::recursive_mutex> l(lock_);
    return answers_;
}

void DeviceList::clear()
{
    std::lock_guard<std::recursive_mutex> l(lock_);
    answers_ = 0;
    count_ = 0;
    std::fill(std::begin(valid_), std::end(valid_), false);
    std::fill(std::begin(lastSeen_), std::end(lastSeen_), 0u);
}

void DeviceList::expire(uint32_t nowMs)
{
    std::lock_guard<std::recursive_mutex> l(lock_);
    for (int i = 0; i < count_; ++i)
        if (valid_[i] && nowMs - lastSeen_[i] > 3000)
            valid_[i] = false;
}

int DeviceList::copyValid(DiscoveryRecord* out, int capacity) const
{
    std::lock_guard<std::recursive_mutex> l(lock_);
    int n = 0;
    for (int i = 0; i < count_ && n < capacity; ++i)
        if (valid_[i])
            out[n++] = records_[i];
    return n;
}

int DeviceList::validCount() const
{
    std::lock_guard<std::recursive_mutex> l(lock_);
    int n = 0;
    for (int i = 0; i < count_; ++i)
        n += valid_[i] ? 1 : 0;
    return n;
}

} // namespace gvcp

// ---------------------------------------------------------------- sockets

CBroadcastSocket::CBroadcastSocket(uint32_t interfaceAddress, uint16_t remotePort)
    : interfaceAddress(interfaceAddress), remotePort(remotePort)
{
    Init();
}

CBroadcastSocket::~CBroadcastSocket() { closeSockets(); }

void CBroadcastSocket::closeSockets()
{
    if (sendSocket >= 0)
        ::close(sendSocket);
    if (receiveSocket >= 0)
        ::close(receiveSocket);
    sendSocket = receiveSocket = -1;
    localPort_ = 0;
}

bool CBroadcastSocket::Init()
{
    static std::mutex rngMutex;
    static std::minstd_rand rng{std::random_device{}()};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (sendSocket < 0 || receiveSocket < 0) {
            closeSockets();
            sendSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            receiveSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (sendSocket < 0 || receiveSocket < 0) {
                closeSockets();
                return false;
            }
            const int on = 1;
            ::setsockopt(sendSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
            ::setsockopt(receiveSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        }
        uint16_t port = 0;
        {
            std::lock_guard<std::mutex> l(rngMutex);
            while (port <= 10000)
                port = uint16_t(rng() & 0xFFFF);
        }
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        if (::bind(receiveSocket, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            continue; // same sockets, another port
        a.sin_addr.s_addr = htonl(interfaceAddress);
        if (::bind(sendSocket, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            closeSockets();
            continue;
        }
        localPort_ = port;
        return true;
    }
    closeSockets();
    return false;
}

int CBroadcastSocket::send(const void* data, int length)
{
    if (sendSocket < 0)
        return -1;
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_port = htons(remotePort);
    d.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    const ssize_t n = ::sendto(sendSocket, data, size_t(length), 0, reinterpret_cast<sockaddr*>(&d), sizeof d);
    return n < 0 ? 0 : int(n);
}

int CBroadcastSocket::recv(void* buffer, int size)
{
    if (receiveSocket < 0)
        return -1;
    pollfd p{receiveSocket, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0)
        return 0;
    const ssize_t n = ::recvfrom(receiveSocket, buffer, size_t(size), 0, nullptr, nullptr);
    return n < 0 ? 0 : int(n);
}

// ---------------------------------------------------------------- discovery

namespace {
uint32_t nowMs32() { return uint32_t(platform::Clock::instance().monotonicMs()); }
} // namespace

CGevDiscovery::CGevDiscovery(const char* manufacturerPrefix, uint32_t interfaceAddress, bool continuous)
    : CBroadcastSocket(interfaceAddress, gvcp::kPort), devices(QByteArray(manufacturerPrefix)), continuous_(continuous)
{
    receiver_ = std::thread([this] { receiveLoop(); });
    if (continuous_) {
        sender_ = std::thread([this] { sendLoop(); });
        checker_ = std::thread([this] { checkLoop(); });
    }
}

CGevDiscovery::~CGevDiscovery()
{
    stopping_ = true;
    for (std::thread* t : {&receiver_, &sender_, &checker_})
        if (t->joinable())
            t->join();
}

bool CGevDiscovery::BroadCastSend(const QByteArray& datagram)
{
    return send(datagram.constData(), datagram.size()) > 0;
}

void CGevDiscovery::SendDiscovery()
{
    if (!continuous_)
        devices.clear();
    BroadCastSend(gvcp::discoveryCommand(++requestId_));
}

int CGevDiscovery::GetDiscoveryList(gvcp::DiscoveryRecord* out, int capacity)
{
    return devices.copyValid(out, capacity);
}

void CGevDiscovery::receiveLoop()
{
    uint8_t buf[gvcp::kRecordSize];
    while (!stopping_) {
        const int n = recv(buf, sizeof buf);
        if (n < 0) {
            QThread::msleep(200); // no sockets: nothing will ever arrive
            continue;
        }
        if (n > 0)
            devices.offer(buf, n, nowMs32());
    }
}

void CGevDiscovery::sendLoop()
{
    while (!stopping_) {
        SendDiscovery();
        for (int i = 0; i < 10 && !stopping_; ++i)
            QThread::msleep(100);
    }
}

void CGevDiscovery::checkLoop()
{
    while (!stopping_) {
        for (int i = 0; i < 10 && !stopping_; ++i)
            QThread::msleep(100);
        devices.expire(nowMs32());
    }
}

// ---------------------------------------------------------------- force-IP

namespace {
std::atomic<uint16_t> gForceIpRequestId{0};
std::atomic<int> gAnswerWaitMs{750};
} // namespace

CGevForceIp::CGevForceIp(uint32_t interfaceAddress) : CBroadcastSocket(interfaceAddress, gvcp::kPort) {}

uint16_t CGevForceIp::nextRequestId() { return ++gForceIpRequestId; }

void CGevForceIp::setAnswerWaitMs(int ms) { gAnswerWaitMs = ms; }

bool CGevForceIp::BroadCastSend(const QByteArray& datagram)
{
    return send(datagram.constData(), datagram.size()) > 0;
}

bool CGevForceIp::exchange(const QByteArray& datagram, uint16_t requestId, uint16_t answer, bool ackRequired)
{
    uint8_t buf[576];
    for (int sends = 0; sends < 4; ++sends) {
        if (!BroadCastSend(datagram))
            return false;
        if (!ackRequired)
            return true;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < gAnswerWaitMs) {
            const int n = recv(buf, sizeof buf);
            gvcp::AckHeader h;
            if (n > 0 && gvcp::parseAck(buf, n, &h) && h.answer == answer && h.ackId == requestId)
                return h.status == 0;
        }
    }
    return false;
}

bool CGevForceIp::GevSetForceIp(const uint8_t mac[6], uint32_t ip, uint32_t mask, uint32_t gateway, bool ackRequired)
{
    const uint16_t id = nextRequestId();
    return exchange(gvcp::forceIpCommand(id, mac, ip, mask, gateway, ackRequired), id, gvcp::kForceIpAnswer,
                    ackRequired);
}

bool CGevForceIp::GevSetForceIpCustom(const uint8_t mac[6], uint32_t ip, uint32_t mask, uint32_t gateway,
                                      uint8_t option1, uint8_t option2, bool ackRequired)
{
    const uint16_t id = nextRequestId();
    return exchange(gvcp::vendorForceIpCommand(id, mac, ip, mask, gateway, option1, option2, ackRequired), id,
                    gvcp::kVendorForceIpAnswer, ackRequired);
}
