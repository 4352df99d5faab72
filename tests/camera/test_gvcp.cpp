// GigE Vision discovery and force-IP: datagrams byte by byte, the listing
// rules, the address candidates, and real exchanges with a fake camera inside
// network namespaces the test makes.
#include "camerafixture.h"
#include "netns.h"

#include "cameradriver/gvcp.h"
#include "cameradriver/ipconfig.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>

namespace {

const uint8_t kMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

uint32_t ip4(const char* text)
{
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return a.s_addr; // network order
}

QByteArray hex(const QByteArray& d) { return d.toHex(' '); }

// A 256-byte discovery answer of a camera.
QByteArray discoveryAnswer(uint16_t ackId, const uint8_t mac[6], const char* ip, const char* mask,
                           const char* prefix = "F622", uint16_t status = 0)
{
    QByteArray d(256, '\0');
    d[0] = char(status >> 8);
    d[1] = char(status & 0xFF);
    d[3] = 0x03;
    d[4] = 0x00;
    d[5] = char(248);
    d[6] = char(ackId >> 8);
    d[7] = char(ackId & 0xFF);
    std::memcpy(d.data() + 18, mac, 6);
    const uint32_t a = ip4(ip), m = ip4(mask);
    std::memcpy(d.data() + 44, &a, 4);
    std::memcpy(d.data() + 60, &m, 4);
    std::memcpy(d.data() + 112, "CAM-MODEL-X", 11);
    std::memcpy(d.data() + 176, prefix, strlen(prefix));
    d[184] = 'I';
    d[185] = 'C';
    std::memcpy(d.data() + 188, "device text", 11);
    std::memcpy(d.data() + 224, "SN12345678", 10);
    return d;
}

} // namespace

TEST(Gvcp, DatagramsByteForByte)
{
    EXPECT_EQ(hex(gvcp::discoveryCommand(1)), QByteArray("42 11 00 02 00 00 00 01"));

    const QByteArray v = gvcp::vendorForceIpCommand(0x1234, kMac, ip4("192.168.1.77"), ip4("255.255.255.0"), 0, 0, 1, true);
    ASSERT_EQ(v.size(), 64);
    QByteArray want(64, '\0');
    want.replace(0, 8, QByteArray::fromHex("4211f00800381234"));
    want.replace(8, 6, QByteArray(reinterpret_cast<const char*>(kMac), 6));
    want.replace(14, 4, QByteArray::fromHex("c0a8014d"));
    want.replace(18, 4, QByteArray::fromHex("ffffff00"));
    want[27] = 1;
    EXPECT_EQ(hex(v), hex(want));
    // Without an acknowledgement only the broadcast flag.
    EXPECT_EQ(uint8_t(gvcp::vendorForceIpCommand(1, kMac, 0, 0, 0, 0, 1, false)[1]), 0x10);

    const QByteArray s = gvcp::forceIpCommand(7, kMac, ip4("10.0.0.9"), ip4("255.0.0.0"), ip4("10.0.0.1"), true);
    ASSERT_EQ(s.size(), 64);
    EXPECT_EQ(hex(s.left(8)), QByteArray("42 11 00 04 00 38 00 07"));
    EXPECT_EQ(s.mid(10, 6), QByteArray(reinterpret_cast<const char*>(kMac), 6));
    EXPECT_EQ(hex(s.mid(28, 4)), QByteArray("0a 00 00 09"));
    EXPECT_EQ(hex(s.mid(44, 4)), QByteArray("ff 00 00 00"));
    EXPECT_EQ(hex(s.mid(60, 4)), QByteArray("0a 00 00 01"));
    QByteArray rest = s;
    for (auto [at, n] : {std::pair{0, 8}, {10, 6}, {28, 4}, {44, 4}, {60, 4}})
        rest.replace(at, n, QByteArray(n, '\0'));
    EXPECT_EQ(rest, QByteArray(64, '\0')); // nothing else is set

    gvcp::AckHeader h{};
    const QByteArray ack = QByteArray::fromHex("8001f009000012ab");
    ASSERT_TRUE(gvcp::parseAck(reinterpret_cast<const uint8_t*>(ack.constData()), ack.size(), &h));
    EXPECT_EQ(h.status, 0x8001);
    EXPECT_EQ(h.answer, 0xF009);
    EXPECT_EQ(h.ackId, 0x12AB);
    EXPECT_FALSE(gvcp::parseAck(reinterpret_cast<const uint8_t*>(ack.constData()), 7, &h));
}

TEST(Gvcp, ListingRules)
{
    gvcp::DeviceList list("F622");
    auto offer = [&](const QByteArray& d, uint32_t now) {
        return list.offer(reinterpret_cast<const uint8_t*>(d.constData()), d.size(), now);
    };
    const uint8_t other[6] = {0, 0x11, 0x22, 0x33, 0x44, 0x66};
    EXPECT_TRUE(offer(discoveryAnswer(1, kMac, "10.0.0.7", "255.255.255.0", "F622", 0x8005), 0)); // status not looked at
    EXPECT_TRUE(offer(discoveryAnswer(1, kMac, "10.0.0.7", "255.255.255.0"), 10));                // same camera: refreshed
    EXPECT_TRUE(offer(discoveryAnswer(1, kMac, "10.0.0.8", "255.255.255.0"), 20));                // new address: listed again
    EXPECT_FALSE(offer(discoveryAnswer(1, other, "10.0.0.9", "255.255.255.0", "ABCD"), 30));      // foreign maker
    EXPECT_FALSE(offer(discoveryAnswer(1, other, "10.0.0.9", "255.255.255.0").left(255), 30));     // not complete
    QByteArray wrongAnswer = discoveryAnswer(1, other, "10.0.0.9", "255.255.255.0");
    wrongAnswer[3] = 0x05;
    EXPECT_FALSE(offer(wrongAnswer, 30));
    EXPECT_EQ(list.validCount(), 2);
    // Every complete answer tells a camera is there, whoever made it.
    EXPECT_EQ(list.answersSeen(), 4);

    gvcp::DiscoveryRecord r[gvcp::kMaxDevices];
    ASSERT_EQ(list.copyValid(r, gvcp::kMaxDevices), 2);
    EXPECT_EQ(r[0].ip(), ip4("10.0.0.7"));
    EXPECT_EQ(r[1].ip(), ip4("10.0.0.8"));
    EXPECT_EQ(r[0].model(), QByteArray("CAM-MODEL-X"));
    EXPECT_STREQ(r[0].linkSpeed(), "1000M");

    // Last seen at 10 and 20 ms: both count up to 3000 ms later, then the first expires.
    list.expire(3010);
    EXPECT_EQ(list.validCount(), 2);
    list.expire(3011);
    EXPECT_EQ(list.validCount(), 1);

    // The 251st device is dropped; the list still works afterwards.
    list.clear();
    for (int i = 0; i < 251; ++i) {
        uint8_t mac[6] = {1, 2, 3, 4, uint8_t(i >> 8), uint8_t(i)};
        offer(discoveryAnswer(1, mac, "10.0.0.7", "255.255.255.0"), 0);
    }
    EXPECT_EQ(list.validCount(), 250);
    EXPECT_TRUE(offer(discoveryAnswer(1, kMac, "10.0.0.7", "255.255.255.0"), 0) == false);
    EXPECT_EQ(list.copyValid(r, gvcp::kMaxDevices), 250);
}

TEST(Gvcp, DeviceDescriptionTexts)
{
    CIpConfig config;
    const QByteArray d = discoveryAnswer(1, kMac, "192.168.5.7", "255.255.0.0");
    std::memcpy(config.deviceRecords[0].bytes, d.constData(), 256);
    config.deviceRecordCount = 1;
    MV_GE_DEV_INF_ info;
    ASSERT_TRUE(config.GetDevInfo(0, &info));
    EXPECT_STREQ(info.ip, "192.168.5.7");
    EXPECT_STREQ(info.mask, "255.255.0.0");
    EXPECT_STREQ(info.gateway, "0.0.0.0");
    EXPECT_STREQ(info.mac, "00-11-22-33-44-55");
    EXPECT_STREQ(info.model, "CAM-MODEL-X");
    EXPECT_STREQ(info.serial, "SN12345678");
    EXPECT_STREQ(info.deviceText, "device text");
    EXPECT_STREQ(info.linkSpeed, "1000M");
    EXPECT_STREQ(info.state, "IDLE");
    EXPECT_FALSE(config.GetDevInfo(1, &info));
    EXPECT_FALSE(config.IsDevIPValid(1));
    EXPECT_FALSE(config.AutoSetIpAddr(-1));
}

TEST(Gvcp, AddressTextsAndValidity)
{
    uint8_t b[4];
    EXPECT_TRUE(GetIpFromString("192.168.1.254", b));
    EXPECT_EQ(b[3], 254);
    for (const char* bad : {"192.168.1", "256.1.1.1", "1.2.3.-4", "a.b.c.d", "1.2.3.4x", ""})
        EXPECT_FALSE(GetIpFromString(bad, b)) << bad;

    struct Row {
        const char *ifAddr, *ifMask, *devAddr, *devMask;
        bool valid;
    };
    const Row rows[] = {
        {"10.0.0.5", "255.255.255.0", "10.0.0.9", "255.255.255.0", true},
        {"10.0.0.5", "255.255.255.0", "10.0.0.5", "255.255.255.0", false}, // the interface's own address
        {"10.0.0.5", "255.255.255.0", "10.0.0.9", "255.255.0.0", true},    // other mask, same masked network
        {"10.0.0.5", "255.255.0.0", "10.0.1.9", "255.255.0.0", true},
        {"10.0.0.5", "255.255.255.0", "192.168.5.7", "255.255.255.0", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsAddressValid(ip4(r.ifAddr), ip4(r.ifMask), ip4(r.devAddr), ip4(r.devMask)), r.valid)
            << r.devAddr << '/' << r.devMask;
}

TEST(Gvcp, CandidatesStayInTheSubnetAndMustBeConfirmedFree)
{
    const uint32_t host = ip4("10.0.0.5"), mask = ip4("255.255.255.0");
    std::mt19937 rng(7);
    // Many draws: every candidate is 10.0.0.10 .. 10.0.0.254.
    for (int i = 0; i < 500; ++i) {
        uint32_t probed = 0;
        const uint32_t c = ChooseFreeAddress(host, mask, [&](uint32_t x) { probed = x; return 1; }, [&] { return uint32_t(rng()); });
        ASSERT_EQ(c, probed);
        const uint32_t last = ntohl(c) & 0xFF;
        ASSERT_EQ(ntohl(c) & 0xFFFFFF00, ntohl(ip4("10.0.0.0")));
        ASSERT_GE(last, 10u);
        ASSERT_LE(last, 254u);
    }
    // Four in use, the fifth free.
    int probes = 0;
    EXPECT_NE(ChooseFreeAddress(host, mask, [&](uint32_t) { return ++probes == 5 ? 1 : 0; }, [&] { return uint32_t(rng()); }), 0u);
    EXPECT_EQ(probes, 5);
    // All five in use, or no probe possible: no address at all.
    probes = 0;
    EXPECT_EQ(ChooseFreeAddress(host, mask, [&](uint32_t) { ++probes; return 0; }, [&] { return uint32_t(rng()); }), 0u);
    EXPECT_EQ(probes, 5);
    EXPECT_EQ(ChooseFreeAddress(host, mask, [](uint32_t) { return -1; }, [&] { return uint32_t(rng()); }), 0u);
    // Draws that only ever give the host's own address are never probed.
    probes = 0;
    const uint32_t host2 = ip4("10.0.0.20");
    EXPECT_EQ(ChooseFreeAddress(host2, mask, [&](uint32_t) { ++probes; return 1; }, [] { return uint32_t(10) << 24; }), 0u);
    EXPECT_EQ(probes, 0);
}

// ---------------------------------------------------------------- exchanges

namespace {

// A camera answering GVCP on port 3956 of its namespace, replying by broadcast.
class FakeCamera {
public:
    const char* ownAddress = "127.0.0.1";
    QByteArray mac = QByteArray(reinterpret_cast<const char*>(kMac), 6);
    const char* cameraIp = "192.168.5.7";
    const char* maker = "F622"; // the prefix its main answer carries
    std::atomic<bool> answerForceIp{true};
    std::atomic<int> forceIpSeen{0};
    QByteArray lastForceIp;
    std::mutex m;

    void start()
    {
        listen_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        reply_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        ::setsockopt(reply_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(3956);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        a.sin_port = 0;
        a.sin_addr.s_addr = ip4(ownAddress);
        ::bind(reply_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        thread_ = std::thread([this] { loop(); });
    }
    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(listen_);
        ::close(reply_);
    }

private:
    void send(const QByteArray& d, uint16_t port)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        ::sendto(reply_, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    void loop()
    {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buf[600];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = ::recvfrom(listen_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 8)
                continue;
            const uint16_t port = ntohs(from.sin_port);
            const uint16_t cmd = uint16_t((uint8_t(buf[2]) << 8) | uint8_t(buf[3]));
            const uint16_t id = uint16_t((uint8_t(buf[6]) << 8) | uint8_t(buf[7]));
            if (cmd == gvcp::kDiscoveryCommand) {
                const auto* m6 = reinterpret_cast<const uint8_t*>(mac.constData());
                send(discoveryAnswer(id, m6, cameraIp, "255.255.255.0", maker), port);
                send(discoveryAnswer(id, m6, "192.168.5.8", "255.255.255.0").left(200), port); // short
                send(discoveryAnswer(id, m6, "192.168.5.9", "255.255.255.0", "X999"), port);   // other maker
            } else if (cmd == gvcp::kVendorForceIpCommand) {
                ++forceIpSeen;
                {
                    std::lock_guard<std::mutex> l(m);
                    lastForceIp = QByteArray(buf, int(n));
                }
                if (!answerForceIp || QByteArray(buf + 8, 6) != mac)
                    continue;
                QByteArray ack = QByteArray::fromHex("0000f0090000");
                send(ack + char((id + 1) >> 8) + char((id + 1) & 0xFF), port); // someone else's answer
                send(ack + char(id >> 8) + char(id & 0xFF), port);
            }
        }
    }
    int listen_ = -1;
    int reply_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

} // namespace

TEST(GvcpExchange, DiscoveryAndForceIpOverLoopback)
{
    netns::IsolatedThread ns;
    QString why;
    if (!ns.start(&why))
        GTEST_SKIP() << why.toStdString();
    FakeCamera camera;
    ns.run([&] { camera.start(); });
    int listed = 0;
    gvcp::DiscoveryRecord records[gvcp::kMaxDevices];
    bool forced = false, silentResult = true;
    qint64 silentMs = 0;
    int silentSends = 0;
    ns.run([&] {
        CGevDiscovery discovery("F622", 0x7F000001, false);
        ASSERT_GT(discovery.localPort(), 10000);
        discovery.SendDiscovery();
        waitUntil([&] { return discovery.devices.validCount() >= 1; }, 2000);
        QThread::msleep(100); // the short and the foreign answers arrive too
        listed = discovery.GetDiscoveryList(records);

        CGevForceIp force(0x7F000001);
        forced = force.GevSetForceIpCustom(kMac, ip4("127.0.0.9"), ip4("255.0.0.0"), 0, 0, 1, true);

        camera.answerForceIp = false;
        const int before = camera.forceIpSeen;
        CGevForceIp::setAnswerWaitMs(150);
        QElapsedTimer t;
        t.start();
        silentResult = force.GevSetForceIpCustom(kMac, ip4("127.0.0.9"), ip4("255.0.0.0"), 0, 0, 1, true);
        silentMs = t.elapsed();
        CGevForceIp::setAnswerWaitMs(750);
        QThread::msleep(50);
        silentSends = camera.forceIpSeen - before;
    });
    ns.run([&] { camera.stop(); });

    ASSERT_EQ(listed, 1);
    EXPECT_EQ(records[0].ip(), ip4("192.168.5.7"));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(records[0].mac()), 6), camera.mac);
    EXPECT_TRUE(forced);
    EXPECT_EQ(camera.lastForceIp.size(), 64);
    EXPECT_EQ(hex(camera.lastForceIp.mid(14, 4)), QByteArray("7f 00 00 09"));
    // Nobody answers: four sends, then failure, bounded in time.
    EXPECT_FALSE(silentResult);
    EXPECT_EQ(silentSends, 4);
    EXPECT_LT(silentMs, 2000);
}

namespace {

// Two namespaces joined by a veth pair: the host side "va" 10.77.0.1/24 and
// the camera side "vb" 10.77.0.2/24.
class VethPair : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        if (!host.start(&why) || !cam.start(&why))
            GTEST_SKIP() << why.toStdString();
        bool ok = false;
        host.run([&] {
            ok = netns::createVethPair("va", "vb", cam.namespaceFd()) && netns::setUp("va") && netns::macOf("va", hostMac);
        });
        if (!ok)
            GTEST_SKIP() << "cannot create a veth pair in a private namespace here";
        cam.run([&] { ok = netns::setUp("vb") && netns::waitCarrying("vb"); });
        ASSERT_TRUE(ok) << "vb carries no frames";
        // The end brought up first carries frames only once the kernel got
        // round to it; the addresses follow, so nothing is said before.
        host.run([&] { ok = netns::waitCarrying("va") && netns::setAddress("va", "10.77.0.1", "255.255.255.0"); });
        ASSERT_TRUE(ok) << "va carries no frames";
        cam.run([&] { ok = netns::setAddress("vb", "10.77.0.2", "255.255.255.0"); });
        ASSERT_TRUE(ok);
    }
    netns::IsolatedThread host;
    netns::IsolatedThread cam;
    unsigned char hostMac[6] = {};
};

} // namespace

TEST_F(VethPair, ArpProbeTellsUsedFromFreeAddresses)
{
    int used = -2, unused = -2;
    host.run([&] {
        used = arpping(ip4("10.77.0.2"), ip4("10.77.0.1"), hostMac, "va");
        unused = arpping(ip4("10.77.0.99"), ip4("10.77.0.1"), hostMac, "va");
    });
    EXPECT_EQ(used, 0);
    EXPECT_EQ(unused, 1);
}

TEST_F(VethPair, CameraInAForeignSubnetIsReaddressedOnItsInterface)
{
    FakeCamera camera;
    camera.ownAddress = "10.77.0.2";
    cam.run([&] { camera.start(); });
    int repaired = -2;
    gCameraInterfaces.clear();
    // Discovery listens for 200 ms; on a starved machine the fake camera can
    // answer later than that, so a round that found nothing is tried again.
    for (int round = 0; round < 3 && repaired != 1; ++round)
        host.run([&] { repaired = RepairAllCameraIP(); });
    cam.run([&] { camera.stop(); });
    EXPECT_EQ(repaired, 1);
    EXPECT_EQ(gCameraInterfaces, QStringList{"va"});
    ASSERT_EQ(camera.lastForceIp.size(), 64);
    const QByteArray address = camera.lastForceIp.mid(14, 4);
    EXPECT_EQ(hex(address.left(3)), QByteArray("0a 4d 00"));
    EXPECT_GE(uint8_t(address[3]), 10);
    EXPECT_EQ(hex(camera.lastForceIp.mid(18, 4)), QByteArray("ff ff ff 00"));
    EXPECT_EQ(uint8_t(camera.lastForceIp[27]), 1);
    gCameraInterfaces.clear();
}

TEST_F(VethPair, AnInterfaceWithOnlyAnotherMakersCameraStillCountsAsCarryingCameras)
{
    // Not repaired (not the repair's maker), but its interface is one the
    // recovery must cycle.
    FakeCamera camera;
    camera.ownAddress = "10.77.0.2";
    camera.maker = "X123";
    cam.run([&] { camera.start(); });
    gCameraInterfaces.clear();
    int repaired = -2;
    QStringList found;
    // Discovery rounds a starved machine missed are tried again.
    for (int round = 0; round < 3 && found.isEmpty(); ++round)
        host.run([&] { found = DiscoverCameraInterfaces(); });
    for (int round = 0; round < 3 && gCameraInterfaces.isEmpty(); ++round)
        host.run([&] { repaired = RepairAllCameraIP(); });
    cam.run([&] { camera.stop(); });
    EXPECT_EQ(found, QStringList{"va"});
    EXPECT_EQ(gCameraInterfaces, QStringList{"va"});
    EXPECT_EQ(repaired, 0);
    EXPECT_EQ(camera.forceIpSeen, 0);
    gCameraInterfaces.clear();
}

TEST(GvcpExchange, NoUsableInterfaceBesidesLoopback)
{
    int result = 0;
    netns::IsolatedThread bare;
    QString why;
    if (!bare.start(&why))
        GTEST_SKIP() << why.toStdString();
    bare.run([&] { result = RepairAllCameraIP(); });
    EXPECT_EQ(result, -1);
}
