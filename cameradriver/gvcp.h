#pragma once
// GigE Vision control protocol on UDP port 3956: broadcast discovery of the
// cameras behind one host interface, and the force-IP commands that give a
// camera a new address. Multi-byte protocol fields are big-endian; MAC and IP
// addresses are passed as they appear in a discovery answer (network order).
#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace gvcp {

constexpr uint16_t kPort = 3956;
constexpr int kRecordSize = 256;   // a discovery answer, header included
constexpr int kMaxDevices = 250;   // devices one client lists
constexpr uint16_t kDiscoveryCommand = 0x0002;
constexpr uint16_t kDiscoveryAnswer = 0x0003;
constexpr uint16_t kForceIpCommand = 0x0004;
constexpr uint16_t kForceIpAnswer = 0x0005;
constexpr uint16_t kVendorForceIpCommand = 0xF008;
constexpr uint16_t kVendorForceIpAnswer = 0xF009;
constexpr uint8_t kFlagAck = 0x01;
constexpr uint8_t kFlagBroadcastAck = 0x10;

// Datagrams.
QByteArray discoveryCommand(uint16_t requestId);
QByteArray forceIpCommand(uint16_t requestId, const uint8_t mac[6], uint32_t ip, uint32_t mask, uint32_t gateway,
                          bool ackRequired);
QByteArray vendorForceIpCommand(uint16_t requestId, const uint8_t mac[6], uint32_t ip, uint32_t mask,
                                uint32_t gateway, uint8_t option1, uint8_t option2, bool ackRequired);

struct AckHeader {
    uint16_t status;
    uint16_t answer;
    uint16_t length;
    uint16_t ackId;
};
bool parseAck(const uint8_t* data, int length, AckHeader* header);

// One discovery answer as received (256 bytes), with its fields.
struct DiscoveryRecord {
    uint8_t bytes[kRecordSize];

    const uint8_t* mac() const { return bytes + 18; }
    uint32_t ip() const { return word(44); }      // network order
    uint32_t mask() const { return word(60); }    // network order
    uint32_t gateway() const { return word(76); } // network order
    QByteArray model() const { return text(112, 32); }
    QByteArray version() const { return text(144, 32); }
    QByteArray manufacturerInfo() const { return text(176, 48); }
    QByteArray deviceText() const { return text(188, 36); }
    QByteArray serial() const { return text(224, 16); }
    bool idle() const { return bytes[184] == 'I'; }
    const char* linkSpeed() const;   // "1000M", "100M" or "10M"

    uint32_t word(int at) const;
    QByteArray text(int at, int size) const;
};

// The list of one discovery client: which answers are listed, refreshed,
// dropped and expired. Thread-safe.
class DeviceList {
public:
    explicit DeviceList(const QByteArray& manufacturerPrefix);
    // An answer received at nowMs; true when it was listed or refreshed.
    bool offer(const uint8_t* data, int length, uint32_t nowMs);
    void clear();
    // Entries not seen for more than 3000 ms stop counting.
    void expire(uint32_t nowMs);
    // Copies the valid entries in list order; returns how many.
    int copyValid(DiscoveryRecord* out, int capacity) const;
    int validCount() const;
    // Complete discovery answers received, whatever their maker's prefix
    // (a camera of another maker is still a camera on that interface).
    int answersSeen() const;

private:
    mutable std::recursive_mutex lock_;
    QByteArray prefix_;
    int answers_ = 0;
    DiscoveryRecord records_[kMaxDevices];
    bool valid_[kMaxDevices] = {};
    uint32_t lastSeen_[kMaxDevices] = {};
    int count_ = 0;
};

} // namespace gvcp

// A UDP socket pair for broadcasts on one interface: the sender bound to
// (interface address, local port), the receiver bound to (255.255.255.255,
// the same port); every datagram goes to 255.255.255.255:remotePort.
class CBroadcastSocket {
public:
    CBroadcastSocket(uint32_t interfaceAddress, uint16_t remotePort); // host order
    virtual ~CBroadcastSocket();
    CBroadcastSocket(const CBroadcastSocket&) = delete;
    CBroadcastSocket& operator=(const CBroadcastSocket&) = delete;

    bool Init();
    // Bytes sent; -1 without sockets.
    int send(const void* data, int length);
    // Waits at most 200 ms; bytes received, 0 on timeout or error, -1 without sockets.
    int recv(void* buffer, int size);
    uint16_t localPort() const { return localPort_; }

    int sendSocket = -1;
    int receiveSocket = -1;
    uint32_t interfaceAddress;
    uint16_t remotePort;

private:
    void closeSockets();
    uint16_t localPort_ = 0;
};

// Discovery client of one interface: a receive thread lists the answers; in
// continuous mode two more threads repeat the discovery every second and
// expire devices not seen for 3 s.
class CGevDiscovery : public CBroadcastSocket {
public:
    CGevDiscovery(const char* manufacturerPrefix, uint32_t interfaceAddress, bool continuous);
    ~CGevDiscovery() override;

    void SendDiscovery();
    int GetDiscoveryList(gvcp::DiscoveryRecord* out, int capacity = gvcp::kMaxDevices);
    bool BroadCastSend(const QByteArray& datagram);
    int BroadCastRecv(void* buffer, int size) { return recv(buffer, size); }

    gvcp::DeviceList devices;

private:
    void receiveLoop();
    void sendLoop();
    void checkLoop();

    const bool continuous_;
    std::atomic<uint16_t> requestId_{0};
    std::atomic<bool> stopping_{false};
    std::thread receiver_;
    std::thread sender_;
    std::thread checker_;
};

// Force-IP sender of one interface. An exchange that needs an acknowledgement
// sends the command up to four times and waits about 750 ms after each, so a
// camera that never answers costs a few seconds.
class CGevForceIp : public CBroadcastSocket {
public:
    explicit CGevForceIp(uint32_t interfaceAddress);

    bool GevSetForceIp(const uint8_t mac[6], uint32_t ip, uint32_t mask, uint32_t gateway, bool ackRequired);
    bool GevSetForceIpCustom(const uint8_t mac[6], uint32_t ip, uint32_t mask, uint32_t gateway, uint8_t option1,
                             uint8_t option2, bool ackRequired);
    bool BroadCastSend(const QByteArray& datagram);
    int BroadCastRecv(void* buffer, int size) { return recv(buffer, size); }

    static uint16_t nextRequestId();
    static void setAnswerWaitMs(int ms); // per send; tests shorten it

private:
    bool exchange(const QByteArray& datagram, uint16_t requestId, uint16_t answer, bool ackRequired);
};
