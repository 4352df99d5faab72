// The network-card model read from fixture files under the test's system
// root: "/etc/network/interfaces", "/proc/net/dev" and the hardware-address
// files.
#include "netlink/netcard.h"
#include "netlink/network.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>

namespace {

const QByteArray kProcNetDev =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
    "    lo:    1000      10    0    0    0     0          0         0     1000      10    0    0    0     0       0          0\n"
    "  eth0:    2000      20    0    0    0     0          0         0     2000      20    0    0    0     0       0          0\n"
    "  eth1:       0       0    0    0    0     0          0         0        0       0    0    0    0     0       0          0\n"
    " wlan0:       0       0    0    0    0     0          0         0        0       0    0    0    0     0       0          0\n"
    "enp0s31f6:12345     7    0    0    0     0          0         0        0       0    0    0    0     0       0          0\n";

QStringList entry(const char* a, const char* m, const char* g)
{
    return {QString::fromLatin1(a), QString::fromLatin1(m), QString::fromLatin1(g)};
}

class NetCardFiles : public InTempFolder {
protected:
    void put(const QString& path, const QByteArray& bytes)
    {
        const QString full = testenv::sysRoot() + path;
        QDir().mkpath(QFileInfo(full).path());
        QFile f(full);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    void TearDown() override
    {
        for (const char* d : {"/etc", "/proc", "/sys"})
            QDir(testenv::sysRoot() + QLatin1String(d)).removeRecursively();
        InTempFolder::TearDown();
    }
};

} // namespace

TEST(NetCard, InterfaceTableCases)
{
    const QStringList defaults = NetCard::defaults();
    struct Case {
        const char* name;
        QByteArray interfaces;
        QMap<QString, QStringList> expected;
    } cases[] = {
        {"a full stanza",
         "auto eth0\niface eth0 inet static\naddress 10.1.2.3\nnetmask 255.255.0.0\ngateway 10.1.0.1\n",
         {{"eth0", entry("10.1.2.3", "255.255.0.0", "10.1.0.1")}, {"eth1", defaults}, {"wlan0", defaults},
          {"enp0s31f6", defaults}}},
        {"no gateway line keeps the default gateway",
         "auto eth1\niface eth1 inet static\naddress 10.9.9.9\nnetmask 255.0.0.0\n",
         {{"eth0", defaults}, {"eth1", entry("10.9.9.9", "255.0.0.0", NetCard::kDefaultGateway)},
          {"wlan0", defaults}, {"enp0s31f6", defaults}}},
        {"loopback alone, commented and hardware-address lines",
         "auto lo\niface lo inet loopback\n\n#auto eth1\n#address 1.1.1.1\n\n"
         "auto eth0\niface eth0 inet static\nhwaddress ether 00:11:22:33:44:55\naddress 10.0.0.5\n"
         "# netmask 255.0.0.0\n  netmask 255.255.255.128   \n",
         {{"eth0", entry("10.0.0.5", "255.255.255.128", NetCard::kDefaultGateway)}, {"eth1", defaults},
          {"wlan0", defaults}, {"enp0s31f6", defaults}}},
        {"staged file with carriage returns: loopback block then the interface",
         "auto lo\r\niface lo inet loopback\r\n\r\nauto eth0\r\niface eth0 inet static\r\naddress 172.16.0.2\r\n"
         "netmask 255.255.0.0\r\ngateway 172.16.0.1\r\n",
         {{"eth0", entry("172.16.0.2", "255.255.0.0", "172.16.0.1")}, {"eth1", defaults}, {"wlan0", defaults},
          {"enp0s31f6", defaults}}},
        {"absent interface left out, wireless always defaults, long names found",
         "auto eth9\naddress 10.0.0.9\n\nauto wlan0\naddress 10.0.0.7\n\nauto enp0s31f6\naddress 10.0.0.6\n",
         {{"eth0", defaults}, {"eth1", defaults}, {"wlan0", defaults},
          {"enp0s31f6", entry("10.0.0.6", NetCard::kDefaultNetmask, NetCard::kDefaultGateway)}}},
        {"a later stanza of the same name replaces the earlier",
         "auto eth0\naddress 10.0.0.1\n\nauto eth0\naddress 10.0.0.2\n",
         {{"eth0", entry("10.0.0.2", NetCard::kDefaultNetmask, NetCard::kDefaultGateway)}, {"eth1", defaults},
          {"wlan0", defaults}, {"enp0s31f6", defaults}}},
        {"brought up by allow-hotplug: named by its iface line",
         "allow-hotplug eth1\niface eth1 inet static\naddress 10.2.2.2\n",
         {{"eth0", defaults}, {"eth1", entry("10.2.2.2", NetCard::kDefaultNetmask, NetCard::kDefaultGateway)},
          {"wlan0", defaults}, {"enp0s31f6", defaults}}},
        {"no configuration text", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(netcard::parseInterfaces(c.interfaces, kProcNetDev), c.expected) << c.name;

    EXPECT_EQ(netcard::deviceNames(kProcNetDev),
              (QStringList{"lo", "eth0", "eth1", "wlan0", "enp0s31f6"}));
}

TEST_F(NetCardFiles, ReadersUseTheSystemFiles)
{
    // Without the configuration file nothing is listed.
    put("/proc/net/dev", kProcNetDev);
    EXPECT_TRUE(CNT_Net::getNewNetCardInfo().isEmpty());

    put("/etc/network/interfaces", "auto eth0\naddress 10.2.3.4\n");
    put("/sys/class/net/eth0/address", "00:1a:2b:3c:4d:5e\n");
    put("/sys/class/net/wlan0/address", "aa:bb:cc:dd:ee:ff");
    put("/sys/class/net/lo/address", "00:00:00:00:00:00\n");
    const QMap<QString, QStringList> interfaces = CNT_Net::getNewNetCardInfo();
    EXPECT_EQ(interfaces.value("eth0"), entry("10.2.3.4", NetCard::kDefaultNetmask, NetCard::kDefaultGateway));
    EXPECT_EQ(interfaces.keys(), (QStringList{"enp0s31f6", "eth0", "eth1", "wlan0"}));

    // Loopback and interfaces without an address file have no entry.
    const QMap<QString, QString> macs = CNT_Net::getNetMac();
    EXPECT_EQ(macs, (QMap<QString, QString>{{"eth0", "00:1a:2b:3c:4d:5e"}, {"wlan0", "aa:bb:cc:dd:ee:ff"}}));

    // The link's own set is read at construction; the edit copy starts equal.
    CNT_Net link;
    EXPECT_EQ(link.systemCard.interfaceTable, interfaces);
    EXPECT_EQ(link.systemCard.macTable, macs);
    EXPECT_EQ(link.systemCard.hostName, QHostInfo::localHostName());
    EXPECT_EQ(link.editCard, link.systemCard);

    // Unreadable "/proc/net/dev": every configured interface counts as absent.
    QFile::remove(testenv::sysRoot() + "/proc/net/dev");
    EXPECT_TRUE(CNT_Net::getNewNetCardInfo().isEmpty());
    EXPECT_TRUE(CNT_Net::getNetMac().isEmpty());
}

TEST(NetCard, RunningAddressesLeaveLoopbackOut)
{
    const QMap<QString, QString> running = CNT_Net::getNetCardInfo();
    EXPECT_FALSE(running.contains("lo"));
    for (const QString& address : running)
        EXPECT_EQ(QHostAddress(address).protocol(), QAbstractSocket::IPv4Protocol) << address.toStdString();
}
