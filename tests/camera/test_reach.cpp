// Hikvision reachability: free-address search by ping exit status, the
// candidate order, and moving cameras that sit outside their host's subnet.
#include "camerafixture.h"

#include "cameradriver/EnsureDeviceReach.h"

#include "cameradriver/cameraloss.h"
#include "cameradriver/checkcamera.h"
#include "params/geometry.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <atomic>

using camsdk::Vendor;

namespace {

uint32_t hostIp(const char* text)
{
    const QStringList p = QString::fromLatin1(text).split('.');
    return (p[0].toUInt() << 24) | (p[1].toUInt() << 16) | (p[2].toUInt() << 8) | p[3].toUInt();
}

// Answers "ping <address> -w 1": addresses in `used` reply (exit 0), the
// rest time out (exit 1). Notes every address pinged, in order.
class PingRunner : public platform::CommandRunner {
public:
    platform::CommandResult run(const QString& program, const QStringList& args, int) override
    {
        if (program != "ping" || args.size() != 3 || args[1] != "-w" || args[2] != "1")
            return {false, -1, {}, {}};
        if (delayMs > 0)
            QThread::msleep(ulong(delayMs.load())); // a ping waits for its answer
        std::lock_guard<std::mutex> l(m);
        pinged << args[0];
        threads << QThread::currentThread();
        if (!runs)
            return {false, -1, {}, {}};
        return {true, used.contains(args[0]) ? 0 : 1, {}, {}};
    }
    bool startDetached(const QString&, const QStringList&, const QString&) override { return false; }
    std::mutex m;
    QSet<QString> used;
    QStringList pinged;
    QList<QThread*> threads;
    bool runs = true;
    std::atomic<int> delayMs{0};
};

class ReachTest : public CameraTest {
protected:
    void SetUp() override
    {
        CameraTest::SetUp();
        platform::CommandRunner::setInstance(&ping);
    }
    void TearDown() override
    {
        platform::CommandRunner::setInstance(&testenv::commands());
        CameraTest::TearDown();
    }
    camsdk::SimCameraPtr gigeCamera(const char* ip, const char* mask, const char* host)
    {
        camsdk::SimSpec s;
        s.serial = "HK-" + QByteArray(ip);
        s.gige = true;
        s.ip = hostIp(ip);
        s.mask = hostIp(mask);
        s.hostIp = hostIp(host);
        return camsdk::simBus(Vendor::Hikvision).add(s);
    }
    static _ALL_NET_INFO table(std::initializer_list<std::pair<const char*, const char*>> entries)
    {
        _ALL_NET_INFO t{};
        for (auto [address, mask] : entries) {
            NET_INFO_ENTRY& e = t.entries[t.count++];
            std::strcpy(e.name, "eth");
            e.address = hostIp(address);
            e.mask = hostIp(mask);
        }
        return t;
    }
    PingRunner ping;
};

} // namespace

TEST_F(ReachTest, FreeMeansThePingRanAndGotNoReply)
{
    ping.used = {"10.1.1.1"};
    EXPECT_FALSE(IsFreeIp("10.1.1.1"));
    EXPECT_TRUE(IsFreeIp("10.1.1.2"));
    ping.runs = false; // ping could not be run: proves nothing
    EXPECT_FALSE(IsFreeIp("10.1.1.2"));
}

TEST_F(ReachTest, CandidatesGoUpFromTheCameraNumberThenDown)
{
    uint32_t address = 0;
    // Everything from .7 up is in use, then .6 is taken too: .5 is the first free one.
    for (int n = 6; n <= 254; ++n)
        ping.used << QStringLiteral("192.168.1.%1").arg(n);
    ASSERT_TRUE(bChooseNoUseIp(hostIp("192.168.1.0"), 7, &address));
    EXPECT_EQ(address, hostIp("192.168.1.5"));
    ASSERT_EQ(ping.pinged.size(), 248 + 2);
    EXPECT_EQ(ping.pinged.first(), "192.168.1.7");
    EXPECT_EQ(ping.pinged[247], "192.168.1.254");
    EXPECT_EQ(ping.pinged[248], "192.168.1.6");
    EXPECT_EQ(ping.pinged.last(), "192.168.1.5");

    struct Start {
        uint32_t start;
        const char* first;
    };
    for (Start s : {Start{254, "192.168.1.254"}, Start{0, "192.168.1.1"}, Start{255, "192.168.1.254"}}) {
        ping.pinged.clear();
        ping.used.clear();
        ASSERT_TRUE(bChooseNoUseIp(hostIp("192.168.1.0"), s.start, &address));
        EXPECT_EQ(ping.pinged, QStringList{s.first});
    }
    // Nothing free: false, and every host number 1..254 was tried once.
    ping.pinged.clear();
    for (int n = 1; n <= 254; ++n)
        ping.used << QStringLiteral("192.168.1.%1").arg(n);
    EXPECT_FALSE(bChooseNoUseIp(hostIp("192.168.1.0"), 254, &address));
    EXPECT_EQ(QSet<QString>(ping.pinged.begin(), ping.pinged.end()).size(), 254);
    EXPECT_EQ(ping.pinged.size(), 254);
}

TEST_F(ReachTest, CameraOutsideItsHostSubnetIsMovedIntoTheHostsSlash24)
{
    auto far = gigeCamera("192.168.2.7", "255.255.255.0", "192.168.1.20");
    auto wide = gigeCamera("172.17.0.3", "255.255.0.0", "172.16.5.9");
    auto near = gigeCamera("192.168.1.30", "255.255.255.0", "192.168.1.20");
    ping.used = {"192.168.1.7"};
    const _ALL_NET_INFO t = table({{"192.168.1.20", "255.255.255.0"}, {"172.16.5.9", "255.255.0.0"}});
    EXPECT_EQ(EnsureDeviceReachWith(t), 2);

    EXPECT_EQ(far->spec().ip, hostIp("192.168.1.8"));
    EXPECT_TRUE(far->log().contains(QStringLiteral("MV_GIGE_ForceIpEx %1 %2 %3")
                                         .arg(hostIp("192.168.1.8"))
                                         .arg(hostIp("255.255.255.0"))
                                         .arg(hostIp("192.168.1.254"))));
    // The /24 of the host whatever its mask; the host's own mask is sent.
    EXPECT_EQ(wide->spec().ip, hostIp("172.16.5.3"));
    EXPECT_TRUE(wide->log().contains(QStringLiteral("MV_GIGE_ForceIpEx %1 %2 %3")
                                          .arg(hostIp("172.16.5.3"))
                                          .arg(hostIp("255.255.0.0"))
                                          .arg(hostIp("172.16.5.254"))));
    // In the subnet: left alone.
    EXPECT_EQ(near->spec().ip, hostIp("192.168.1.30"));
    EXPECT_FALSE(near->log().join(' ').contains("MV_GIGE_ForceIpEx"));
}

TEST_F(ReachTest, WithoutItsHostInterfaceTheCamerasOwnMaskIsUsed)
{
    auto cam = gigeCamera("10.9.8.7", "255.0.0.0", "10.1.2.3");
    const _ALL_NET_INFO t = table({{"192.168.1.20", "255.255.255.0"}});
    EXPECT_EQ(EnsureDeviceReachWith(t), 0);
    EXPECT_FALSE(cam->log().join(' ').contains("MV_GIGE_ForceIpEx"));
    EXPECT_TRUE(ping.pinged.isEmpty());
}

TEST_F(ReachTest, MaskLookupTakesTheLastMatch)
{
    uint32_t mask = 0;
    const _ALL_NET_INFO t = table({{"10.0.0.1", "255.0.0.0"}, {"10.0.0.1", "255.255.255.0"}});
    ASSERT_TRUE(GetMaskFromIp(hostIp("10.0.0.1"), &mask, &t));
    EXPECT_EQ(mask, hostIp("255.255.255.0"));
    EXPECT_FALSE(GetMaskFromIp(hostIp("10.0.0.2"), &mask, &t));
    const _ALL_NET_INFO empty{};
    EXPECT_FALSE(GetMaskFromIp(hostIp("10.0.0.1"), &mask, &empty));
    EXPECT_FALSE(GetMaskFromIp(hostIp("10.0.0.1"), &mask, nullptr));
    EXPECT_EQ(getStrIp(hostIp("172.16.5.254")), QByteArray("172.16.5.254"));
}

TEST_F(ReachTest, RecoveryRepairsAddressesOffTheGuiThreadWhileThePassGoesOn)
{
    // Two cameras in the host's subnet, grabbing.
    auto a = gigeCamera("192.168.1.30", "255.255.255.0", "192.168.1.20");
    auto b = gigeCamera("192.168.1.31", "255.255.255.0", "192.168.1.20");
    for (auto& c : {a, b})
        c->setFramePeriodMs(40);
    CheckCameraID();
    ASSERT_EQ(gCameraID, kCameraHik);
    SetImageGeometry(gImageW, gImageH, false);
    openAndStart(2);
    ASSERT_EQ(numCamera, 2);
    ping.pinged.clear();

    // B now answers from another network; the free address for it is found
    // by pinging, each ping taking its time: a second and more in all.
    b->setIp(hostIp("192.168.7.31"));
    for (int n = 31; n <= 50; ++n)
        ping.used << QStringLiteral("192.168.1.%1").arg(n);
    ping.delayMs = 150;
    CameraCheck(0);
    ASSERT_EQ(gisLost, 1);

    // The cycle's pass every 3 ms: the longest gap between two passes.
    QElapsedTimer since, gap;
    since.start();
    gap.start();
    qint64 longest = 0;
    while (gisLost && since.elapsed() < 10000) {
        longest = std::max(longest, gap.restart());
        CameraWatch::instance().runStep();
        QThread::msleep(3);
    }
    EXPECT_EQ(gisLost, 0);
    EXPECT_GT(since.elapsed(), 20 * 150) << "the pings took their time";
    // Less than one ping: not even a single ping ran on this thread, with
    // room for a loaded machine's scheduling.
    EXPECT_LT(longest, 150) << "the pass waited " << longest << " ms";
    EXPECT_EQ(b->spec().ip, hostIp("192.168.1.51"));
    std::lock_guard<std::mutex> l(ping.m);
    EXPECT_EQ(ping.pinged.size(), 21);
    for (QThread* t : ping.threads)
        EXPECT_NE(t, QThread::currentThread());
}
