// The network configuration as plain code: the checks of what the operator
// typed, the exact staged files, the flags of what changed, the atomic
// installation under the test's system root, and the route and ping
// readings of the connectivity test with canned outputs.
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/sysroot.h"
#include "settings/netconfig.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace netconfig;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString root(const QString& path) { return platform::sysPath(path); }

QStringList entry(const char* a, const char* m, const char* g)
{
    return {QString::fromLatin1(a), QString::fromLatin1(m), QString::fromLatin1(g)};
}

// The fixture's network: two wired interfaces, a wireless one and loopback.
NetCard fixtureCard()
{
    NetCard c;
    c.interfaceTable.insert("eth0", entry("192.168.1.100", "255.255.255.0", "192.168.1.1"));
    c.interfaceTable.insert("eth1", entry("10.0.5.20", "255.255.0.0", "10.0.0.1"));
    c.interfaceTable.insert("lo", entry("127.0.0.1", "255.0.0.0", "127.0.0.1"));
    c.interfaceTable.insert("wlan0", NetCard::defaults());
    c.macTable.insert("eth0", "00:11:22:33:44:55");
    c.macTable.insert("eth1", "00:11:22:33:44:66");
    c.hostName = "press07";
    return c;
}

// Debian's own hosts table.
const QByteArray kDebianHosts = "127.0.0.1\tlocalhost\n"
                                "127.0.1.1\tpress07\n"
                                "\n"
                                "# The following lines are desirable for IPv6 capable hosts\n"
                                "::1     localhost ip6-localhost ip6-loopback\n"
                                "ff02::1 ip6-allnodes\n"
                                "ff02::2 ip6-allrouters\n";

class NetFiles : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        gLan = 1;
        LoadTextTable();
    }
    void TearDown() override
    {
        for (const char* d : {"/etc", "/sys"})
            QDir(root(QLatin1String(d))).removeRecursively();
        gLan = 0;
        InTempFolder::TearDown();
    }
};

} // namespace

TEST(NetChecks, AddressesNetmasksAndHostNames)
{
    const std::pair<const char*, bool> addresses[] = {
        {"192.168.1.10", true}, {"0.0.0.0", true},     {"255.255.255.255", true}, {"192.168.1", false},
        {"192.168.1.256", false}, {"192.168.01.1", false}, {"1.2.3.4.5", false},  {"a.b.c.d", false},
        {"192.168..1", false},  {" 1.2.3.4", false},   {"-1.2.3.4", false},       {"", false},
    };
    for (const auto& [text, ok] : addresses)
        EXPECT_EQ(parseIPv4(text), ok) << text;
    const std::pair<const char*, bool> masks[] = {
        {"255.255.255.0", true}, {"255.255.254.0", true}, {"255.255.255.255", true}, {"128.0.0.0", true},
        {"0.0.0.0", false},      {"255.0.255.0", false},  {"255.255.255.1", false},  {"255.255.253.0", false},
    };
    for (const auto& [text, ok] : masks)
        EXPECT_EQ(isNetmask(text), ok) << text;
    const std::pair<const char*, bool> names[] = {
        {"press07", true},     {"1207", true},         {"line-3.hall2", true}, {"", false},
        {"-press", false},     {"press-", false},      {"a b", false},         {"x;rm -rf", false},
        {"localhost", false},  {"a..b", false},        {"注塑机", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false}, // 64 in one label
    };
    for (const auto& [text, ok] : names)
        EXPECT_EQ(isHostName(QString::fromUtf8(text)), ok) << text;
}

TEST_F(NetFiles, TypedEntriesAreCheckedBeforeStaging)
{
    struct Case {
        const char* name;
        std::function<void(NetCard&)> change;
        QString warning; // empty: accepted
    };
    const std::vector<Case> cases = {
        {"unchanged", [](NetCard&) {}, QString()},
        {"a good new address", [](NetCard& c) { c.interfaceTable["eth0"][0] = "192.168.1.77"; }, QString()},
        {"an address of three numbers", [](NetCard& c) { c.interfaceTable["eth0"][0] = "192.168.1"; },
         LanStr(1200).arg("eth0", "192.168.1")},
        {"the network's own address", [](NetCard& c) { c.interfaceTable["eth0"][0] = "192.168.1.0"; },
         LanStr(1200).arg("eth0", "192.168.1.0")},
        {"the broadcast address", [](NetCard& c) { c.interfaceTable["eth1"][0] = "10.0.255.255"; },
         LanStr(1200).arg("eth1", "10.0.255.255")},
        {"a loopback address", [](NetCard& c) { c.interfaceTable["eth0"][0] = "127.0.0.5"; },
         LanStr(1200).arg("eth0", "127.0.0.5")},
        {"a netmask with a hole", [](NetCard& c) { c.interfaceTable["eth0"][1] = "255.0.255.0"; },
         LanStr(1201).arg("eth0", "255.0.255.0")},
        {"an empty netmask", [](NetCard& c) { c.interfaceTable["eth0"][1] = ""; }, LanStr(1201).arg("eth0", "")},
        {"a gateway of letters", [](NetCard& c) { c.interfaceTable["eth0"][2] = "gw"; },
         LanStr(1202).arg("eth0", "gw")},
        {"a gateway of another network", [](NetCard& c) { c.interfaceTable["eth0"][2] = "192.168.2.1"; },
         LanStr(1203).arg("eth0")},
        {"the gateway is the address", [](NetCard& c) { c.interfaceTable["eth0"][2] = "192.168.1.100"; },
         LanStr(1203).arg("eth0")},
        {"a wider netmask takes the gateway in", [](NetCard& c) {
             c.interfaceTable["eth0"][1] = "255.255.0.0";
             c.interfaceTable["eth0"][2] = "192.168.2.1";
         },
         QString()},
        {"wireless and loopback entries are not staged", [](NetCard& c) {
             c.interfaceTable["wlan0"][0] = "x";
             c.interfaceTable["lo"][1] = "y";
         },
         QString()},
        {"a host name with a blank", [](NetCard& c) { c.hostName = "press 7"; }, LanStr(1204).arg("press 7")},
        {"a host name of digits and dots", [](NetCard& c) { c.hostName = "12.34"; }, QString()},
    };
    const NetCard system = fixtureCard();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetCard edit = system;
        c.change(edit);
        EXPECT_EQ(checkNetCard(edit, system).toStdString(), c.warning.toStdString());
    }
    // What the system runs with is not judged again: an odd stored entry
    // does not block an unrelated change.
    NetCard odd = system;
    odd.interfaceTable["eth1"][2] = "10.9.0.1";
    NetCard edit = odd;
    edit.hostName = "press08";
    EXPECT_TRUE(checkNetCard(edit, odd).isEmpty());
}

TEST_F(NetFiles, WifiNameAndKeyAreChecked)
{
    struct Case {
        const char* name;
        const char* key;
        int row; // 0: accepted
    } cases[] = {
        {"Plant-WLAN", "12345678", 0},
        {"车间无线", "1234.5678", 0},
        {"", "12345678", 1205},
        {"say \"hi\"", "12345678", 1205},
        {"two\nlines", "12345678", 1205},
        {"abcdefghijklmnopqrstuvwxyz0123456", "12345678", 1205}, // 33 bytes
        {"Plant", "1234567", 1206},
        {"Plant", "1234567890123456789012345678901234567890123456789012345678901234", 1206}, // 64
        {"Plant", "1234\"5678", 1206},
        {"Plant", "1234\r5678", 1206},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkWifi(QString::fromUtf8(c.name), QString::fromUtf8(c.key)),
                  c.row ? LanStr(c.row) : QString())
            << c.name << " / " << c.key;
}

TEST_F(NetFiles, StagedFileTexts)
{
    NetCard card = fixtureCard();
    EXPECT_EQ(interfacesText(card.interfaceTable).toStdString(),
              "auto lo\niface lo inet loopback\n\n"
              "auto eth0\niface eth0 inet static\naddress 192.168.1.100\nnetmask 255.255.255.0\ngateway 192.168.1.1\n\n"
              "auto eth1\niface eth1 inet static\naddress 10.0.5.20\nnetmask 255.255.0.0\ngateway 10.0.0.1\n\n");
    // The link reads the staged file back as the same interfaces.
    const QByteArray procNetDev = "Inter-| Receive\n face |bytes\n    lo: 1 0\n  eth0: 2 0\n  eth1: 3 0\n wlan0: 4 0\n";
    QMap<QString, QStringList> back = netcard::parseInterfaces(interfacesText(card.interfaceTable), procNetDev);
    card.interfaceTable.remove("lo");
    EXPECT_EQ(back, card.interfaceTable);

    const QByteArray hosts = hostsText(kDebianHosts, "press08");
    EXPECT_EQ(hosts.toStdString(), "127.0.1.1\tpress08\n"
                                   "127.0.0.1\tpress08\n"
                                   "\n\n"
                                   "127.0.0.1\tlocalhost\n"
                                   "\n"
                                   "# The following lines are desirable for IPv6 capable hosts\n"
                                   "::1     localhost ip6-localhost ip6-loopback\n"
                                   "ff02::1 ip6-allnodes\n"
                                   "ff02::2 ip6-allrouters\n");
    EXPECT_EQ(hostsText(hosts, "press08"), hosts) << "a second apply of the same name changes nothing";
    EXPECT_EQ(hostsText(hostsText(hosts, "press09"), "press08"), hosts) << "earlier names do not pile up";
    // A table without comments and without a localhost line still ends with one.
    EXPECT_EQ(hostsText("10.0.0.9\tserver\n", "p1").toStdString(),
              "127.0.1.1\tp1\n127.0.0.1\tp1\n\n\n127.0.0.1\tlocalhost\n10.0.0.9\tserver\n");
    EXPECT_EQ(hostsText("", "p1").toStdString(), "127.0.1.1\tp1\n127.0.0.1\tp1\n\n\n127.0.0.1\tlocalhost\n");

    const QByteArray previous = "00:11:22:33:44:66=10.0.5.1;255.255.0.0;10.0.0.1\n"
                                "aa:bb:cc:00:00:01=192.168.3.3;255.255.255.0;192.168.3.1\n"
                                "not a line\n";
    const QMap<QString, QString> macs{{"eth0", "00:11:22:33:44:55"}, {"eth1", "00:11:22:33:44:66"}};
    const QByteArray record = registerMacText(previous, fixtureCard().interfaceTable, macs);
    EXPECT_EQ(record.toStdString(), "00:11:22:33:44:55=192.168.1.100;255.255.255.0;192.168.1.1\n"
                                    "00:11:22:33:44:66=10.0.5.20;255.255.0.0;10.0.0.1\n"
                                    "aa:bb:cc:00:00:01=192.168.3.3;255.255.255.0;192.168.3.1\n");
    EXPECT_EQ(registerMacText(record, fixtureCard().interfaceTable, macs), record);

    const QByteArray wifi = wifiText("Plant-WLAN", "12345678");
    EXPECT_EQ(wifi.toStdString(),
              "network={\r\n\tssid=\"Plant-WLAN\"\r\n\tpsk=\"12345678\"\r\n\tproto=RSN\r\n}\r\n");
    EXPECT_EQ(parseWifi(wifi), qMakePair(QString("Plant-WLAN"), QString("12345678")));
    EXPECT_EQ(parseWifi(wifiText(QString::fromUtf8("车间无线"), "87654321")).first, QString::fromUtf8("车间无线"));
    EXPECT_EQ(parseWifi("network={\n\tssid=\"Only\"\n}\n"), qMakePair(QString("Only"), QString()));
}

// Only the stanza of the interface the operator changed is rewritten: a DHCP
// interface, "source" lines, a wireless stanza, comments and another wired
// interface keep their bytes.
TEST_F(NetFiles, RewritingTheInterfacesFileTouchesOnlyTheChangedInterface)
{
    const QByteArray head = "# written by the maker\n"
                            "source /etc/network/interfaces.d/*\n"
                            "\n"
                            "auto lo\n"
                            "iface lo inet loopback\n"
                            "\n"
                            "allow-hotplug eth0\n"
                            "iface eth0 inet dhcp\n"
                            "\n";
    const QByteArray eth1Before = "auto eth1\n"
                                  "iface eth1 inet static\n"
                                  "    address 10.0.5.20\n"
                                  "    netmask 255.255.0.0\n"
                                  "    gateway 10.0.0.1\n"
                                  "    dns-nameservers 10.0.0.2\n";
    const QByteArray tail = "\n"
                            "auto wlan0\n"
                            "iface wlan0 inet dhcp\n"
                            "    wpa-conf /etc/wpa_supplicant/wlanpwd.conf\n";
    const QByteArray current = head + eth1Before + tail;
    const QByteArray procNetDev = "Inter-|\n face |\n    lo: 1 0\n  eth0: 2 0\n  eth1: 3 0\n wlan0: 4 0\n";
    const QMap<QString, QStringList> inForce = netcard::parseInterfaces(current, procNetDev);

    struct Case {
        const char* name;
        std::function<void(QMap<QString, QStringList>&)> change;
        QByteArray expected;
    };
    const std::vector<Case> cases = {
        {"nothing changed", [](QMap<QString, QStringList>&) {}, current},
        {"a wireless entry is not the file's", [](QMap<QString, QStringList>& t) { t["wlan0"][0] = "10.9.9.9"; },
         current},
        {"the gateway of eth1",
         [](QMap<QString, QStringList>& t) { t["eth1"][2] = "10.0.0.254"; },
         head + "auto eth1\n"
                "iface eth1 inet static\n"
                "    address 10.0.5.20\n"
                "    netmask 255.255.0.0\n"
                "    gateway 10.0.0.254\n"
                "    dns-nameservers 10.0.0.2\n" + tail},
        {"the DHCP interface given an address",
         [](QMap<QString, QStringList>& t) { t["eth0"] = QStringList{"192.168.3.7", "255.255.255.0", "192.168.3.1"}; },
         "# written by the maker\n"
         "source /etc/network/interfaces.d/*\n"
         "\n"
         "auto lo\n"
         "iface lo inet loopback\n"
         "\n"
         "allow-hotplug eth0\n"
         "iface eth0 inet static\n"
         "address 192.168.3.7\n"
         "netmask 255.255.255.0\n"
         "gateway 192.168.3.1\n"
         "\n" + eth1Before + tail},
        {"an interface the file does not name",
         [](QMap<QString, QStringList>& t) { t["eth2"] = QStringList{"172.16.0.5", "255.255.0.0", "172.16.0.1"}; },
         current + "\nauto eth2\niface eth2 inet static\naddress 172.16.0.5\nnetmask 255.255.0.0\ngateway 172.16.0.1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMap<QString, QStringList> edited = inForce;
        c.change(edited);
        const QByteArray text = interfacesText(current, edited, inForce);
        EXPECT_EQ(text.toStdString(), c.expected.toStdString());
        // Read back, the file gives the edited entries of the wired interfaces.
        const QMap<QString, QStringList> back = netcard::parseInterfaces(text, procNetDev + "  eth2: 5 0\n");
        for (const QString& name : {QString("eth0"), QString("eth1"), QString("eth2")}) {
            if (edited.contains(name)) {
                EXPECT_EQ(back.value(name), edited.value(name)) << name.toStdString();
            }
        }
    }

    // Staged from the system file: the DHCP interface is not made static.
    putFile(root(kSystemInterfaces), current);
    NetCard system;
    system.interfaceTable = inForce;
    NetCard edit = system;
    edit.interfaceTable["eth1"][0] = "10.0.5.21";
    WizardPara p = FactoryParams();
    ASSERT_EQ(SaveNetParam(edit, system, p, p, false), InterfacesChanged);
    const QByteArray staged = fileBytes("cnt_net/ls_interfaces");
    EXPECT_TRUE(staged.startsWith(head)) << staged.toStdString();
    EXPECT_TRUE(staged.endsWith(tail));
    EXPECT_TRUE(staged.contains("    address 10.0.5.21\n"));
}

TEST_F(NetFiles, FlagsSayWhatChangedAndOnlyThatIsStaged)
{
    struct Case {
        const char* name;
        std::function<void(NetCard&, WizardPara&)> change;
        int liveSwitch, editSwitch;
        bool serverMark;
        int flags;
        QStringList staged;
        QString hostNameAfter;
    };
    const std::vector<Case> cases = {
        {"nothing", [](NetCard&, WizardPara&) {}, 1, 1, false, 0, {}, "press07"},
        {"only the gateway of eth0",
         [](NetCard& c, WizardPara&) { c.interfaceTable["eth0"][2] = "192.168.1.254"; }, 1, 1, false,
         InterfacesChanged, {"ls_interfaces"}, "press07"},
        {"only the device number, link on", [](NetCard& c, WizardPara&) { c.hostName = "press08"; }, 1, 1, false,
         HostNameChanged, {"ls_hostname", "ls_hosts"}, "press08"},
        {"only the device number, link off", [](NetCard& c, WizardPara&) { c.hostName = "press08"; }, 0, 0, false,
         HostNameChanged, {"ls_hostname", "ls_hosts"}, "press07"},
        {"the switch turned on", [](NetCard&, WizardPara&) {}, 0, 1, false, SwitchChanged, {}, "press07"},
        {"the switch turned off", [](NetCard&, WizardPara&) {}, 1, 0, false, SwitchChanged, {}, "press07"},
        {"video type, link on", [](NetCard&, WizardPara& p) { p.video_type = 2; }, 1, 1, false,
         LinkSettingsChanged, {}, "press07"},
        {"video type, link off", [](NetCard&, WizardPara& p) { p.video_type = 2; }, 0, 0, false, 0, {}, "press07"},
        {"NG video, link on", [](NetCard&, WizardPara& p) { p.record_ng_video = 1; }, 1, 1, false,
         LinkSettingsChanged, {}, "press07"},
        {"alarm SMS alone", [](NetCard&, WizardPara& p) { p.alarm_sms = 1; }, 1, 1, false, 0, {}, "press07"},
        {"the link's interface", [](NetCard&, WizardPara& p) { setParamText(p.CntNet_UseName, "eth1"); }, 1, 1,
         false, LinkSettingsChanged, {}, "press07"},
        {"server settings, link on", [](NetCard&, WizardPara&) {}, 1, 1, true, ServerChanged, {}, "press07"},
        {"server settings, link off", [](NetCard&, WizardPara&) {}, 0, 0, true, 0, {}, "press07"},
    };
    putFile(root(kSystemHosts), kDebianHosts);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir("cnt_net").removeRecursively();
        const NetCard system = fixtureCard();
        NetCard edit = system;
        WizardPara live = FactoryParams();
        setParamText(live.CntNet_UseName, "eth0");
        live.cntnet_enable = c.liveSwitch;
        WizardPara para = live;
        para.cntnet_enable = c.editSwitch;
        c.change(edit, para);
        EXPECT_EQ(SaveNetParam(edit, system, para, live, c.serverMark), c.flags);
        QStringList staged = QDir("cnt_net").entryList(QDir::Files);
        staged.sort();
        QStringList expected = c.staged;
        expected.sort();
        EXPECT_EQ(staged, expected);
        EXPECT_EQ(edit.hostName, c.hostNameAfter);
    }
    // The staged files of the last two kinds, byte for byte.
    QDir("cnt_net").removeRecursively();
    NetCard edit = fixtureCard();
    edit.interfaceTable["eth0"][2] = "192.168.1.254";
    edit.hostName = "press08";
    WizardPara p = FactoryParams();
    p.cntnet_enable = 1;
    EXPECT_EQ(SaveNetParam(edit, fixtureCard(), p, p, false), InterfacesChanged | HostNameChanged);
    EXPECT_EQ(fileBytes("cnt_net/ls_interfaces"), interfacesText(edit.interfaceTable));
    EXPECT_EQ(fileBytes("cnt_net/ls_hostname"), QByteArray("press08"));
    EXPECT_EQ(fileBytes("cnt_net/ls_hosts"), hostsText(kDebianHosts, "press08"));
}

TEST_F(NetFiles, InstallingReplacesTheSystemFilesOfThisApplyOnly)
{
    putFile(root(kSystemInterfaces), "# the technician's own\nauto eth0\n");
    putFile(root(kSystemHostName), "press07");
    putFile(root(kSystemHosts), kDebianHosts);
    putFile(root("/sys/class/net/eth0/address"), "00:11:22:33:44:55\n");
    putFile(root("/sys/class/net/wlan0/address"), "00:11:22:33:44:77\n");
    // A file staged by an earlier apply, long since installed.
    putFile("cnt_net/ls_interfaces", "stale\n");

    NetCard card = fixtureCard();
    card.hostName = "press08";
    WizardPara p = FactoryParams();
    p.cntnet_enable = 0;
    WizardPara live = p;
    live.cntnet_enable = 1;
    const int flags = SaveNetParam(card, fixtureCard(), p, live, false);
    ASSERT_EQ(flags, SwitchChanged | HostNameChanged);
    EXPECT_EQ(card.hostName, "press07") << "with the link off the name in force stays until the next start";
    const InstallResult r = installStaged(flags, card);
    EXPECT_TRUE(r.ok()) << r.failed.join(' ').toStdString();
    EXPECT_EQ(fileBytes(root(kSystemInterfaces)), QByteArray("# the technician's own\nauto eth0\n"))
        << "no stale staged file over the system's";
    EXPECT_EQ(fileBytes(root(kSystemHostName)), QByteArray("press08"));
    EXPECT_EQ(fileBytes(root(kSystemHosts)), hostsText(kDebianHosts, "press08"));
    EXPECT_EQ(fileBytes("cnt_net/registermac.txt").toStdString(),
              "00:11:22:33:44:55=192.168.1.100;255.255.255.0;192.168.1.1\n"
              "00:11:22:33:44:77=192.168.1.100;255.255.255.0;192.168.1.1\n");
    // Nothing is left beside the replaced files.
    EXPECT_EQ(QDir(root("/etc")).entryList(QDir::Files | QDir::Hidden),
              QStringList({"hostname", "hosts"}));

    // With the interfaces bit the staged file goes in.
    NetCard changed = fixtureCard();
    changed.interfaceTable["eth1"][0] = "10.0.5.21";
    ASSERT_EQ(SaveNetParam(changed, fixtureCard(), live, live, false), InterfacesChanged);
    EXPECT_TRUE(installStaged(InterfacesChanged, changed).ok());
    EXPECT_EQ(fileBytes(root(kSystemInterfaces)).toStdString(),
              "# the technician's own\nauto eth0\n\n"
              "auto eth1\niface eth1 inet static\naddress 10.0.5.21\nnetmask 255.255.0.0\ngateway 10.0.0.1\n")
        << "the technician's lines stay; the changed interface gets its stanza";

    // A target that cannot be replaced is reported and stays as it was.
    QFile::remove(root(kSystemHosts));
    QDir().mkpath(root(kSystemHosts) + "/in-the-way");
    const InstallResult failed = installStaged(HostNameChanged, card);
    EXPECT_EQ(failed.failed, QStringList{kSystemHosts});
    EXPECT_TRUE(QFileInfo(root(kSystemHosts)).isDir());
    EXPECT_EQ(QDir(root("/etc")).entryList(QDir::Files | QDir::Hidden), QStringList({"hostname"}));
}

TEST(Connectivity, GatewayFromTheRoutingTable)
{
    const QString none = "null";
    const std::pair<const char*, const char*> cases[] = {
        {"default via 192.168.1.1 dev eth0 proto static \n192.168.1.0/24 dev eth0 proto kernel scope link src "
         "192.168.1.100 \n",
         "192.168.1.1"},
        {"192.168.1.0/24 dev eth0 proto kernel scope link src 192.168.1.100 \n", "null"},
        {"10.0.0.0/8 via 10.1.1.1 dev eth1 \ndefault via 192.168.1.1 dev eth0 \n", "10.1.1.1"},
        {"default via 192.168.1.1", "null"},      // "via" among the last two words
        {"default via 192.168.1.1 dev", "192.168.1.1"},
        {"default via -f dev eth0", "null"},      // never an option for ping
        {"default via fe80::1 dev eth0 proto ra", "null"},
        {"", "null"},
    };
    for (const auto& [routes, gateway] : cases)
        EXPECT_EQ(gatewayFromRoutes(routes, none), QString(gateway)) << routes;
    EXPECT_EQ(gatewayFromRoutes(QByteArray("default via 1.2.3.4 dev eth0\0via 9.9.9.9 x y", 41), none), "1.2.3.4");
}

TEST(Connectivity, PingAnswers)
{
    const std::pair<const char*, bool> cases[] = {
        {"PING 192.168.1.1 (192.168.1.1) 56(84) bytes of data.\n"
         "64 bytes from 192.168.1.1: icmp_seq=1 ttl=64 time=0.412 ms\n",
         true},
        {"PING 192.168.1.1 (192.168.1.1) 56(84) bytes of data.\n\n--- 192.168.1.1 ping statistics ---\n"
         "2 packets transmitted, 0 received, 100% packet loss, time 1010ms\n",
         false},
        {"64 bytes from 1.1.1.1: icmp_seq=1 ttl=64 time=0.000 ms\n", false},
        {"64 bytes from 1.1.1.1: icmp_seq=1 ttl=64 time=0.000 ms\n64 bytes from 1.1.1.1: icmp_seq=2 ttl=64 "
         "time=12.5 ms\n",
         true},
        {"time=abc ms\n", false},
        {"", false},
    };
    for (const auto& [out, answered] : cases)
        EXPECT_EQ(pingAnswered(out), answered) << out;
}

namespace {

// Answers each program by its arguments, as the system would.
class RouteAndPing : public platform::RecordingCommandRunner {
public:
    QMap<QString, platform::CommandResult> answers; // "program args..." -> result
    platform::CommandResult run(const QString& program, const QStringList& args, int timeoutMs) override
    {
        RecordingCommandRunner::run(program, args, timeoutMs);
        return answers.value((QStringList{program} + args).join(' '), platform::CommandResult{true, 1, {}, {}});
    }
};

platform::CommandResult out(const char* text) { return {true, 0, QByteArray(text), {}}; }

} // namespace

TEST_F(NetFiles, ConnectivityResultTexts)
{
    const char* route = "default via 192.168.1.1 dev eth0 \n";
    const char* reply = "64 bytes from x: icmp_seq=1 ttl=64 time=1.20 ms\n";
    const char* silent = "2 packets transmitted, 0 received\n";
    struct Case {
        const char* name;
        const char* routes;
        const char* gatewayPing;
        const char* publicPing;
        bool alive;
        QString result;
        QStringList commands;
    };
    const QStringList all{"ip route show", "ping 192.168.1.1 -w 2", "ping 114.114.114.114 -w 3"};
    const std::vector<Case> cases = {
        {"all answer", route, reply, reply, true, "LAN OK,Internet OK,Server OK", all},
        {"no internet", route, reply, silent, true, "LAN OK,Internet NG,Server OK", all},
        {"nothing but the client", route, silent, silent, true, "LAN NG,Internet NG,Server OK", all},
        {"client gone", route, reply, reply, false, "LAN OK,Internet OK,Server NG", all},
        {"no default route", "192.168.1.0/24 dev eth0 scope link \n", reply, reply, true,
         "Access to gateway information error", {"ip route show"}},
    };
    RouteAndPing runner;
    platform::CommandRunner::setInstance(&runner);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runner.clear();
        runner.answers = {{"ip route show", out(c.routes)},
                          {"ping 192.168.1.1 -w 2", out(c.gatewayPing)},
                          {"ping 114.114.114.114 -w 3", out(c.publicPing)}};
        const bool alive = c.alive;
        EXPECT_EQ(connectivityTest([alive] { return alive; }), c.result);
        EXPECT_EQ(runner.lines(), c.commands);
    }
    platform::CommandRunner::setInstance(&testenv::commands());
}
