#pragma once
// The network side of the settings window as plain code: checking what the
// operator typed, the texts of the staged configuration files, what changed
// between the edited network and the one in force, the installation of the
// staged files into the system, and the reading of route and ping outputs.
//
// Staged files live in "./cnt_net/"; the system's own files are reached
// through the system root. Every file is replaced atomically: written beside
// its target, synced, then renamed over it, so a power cut never leaves a
// half-written "/etc/network/interfaces".
#include "netlink/netcard.h"

#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

class WizardPara;

namespace netconfig {

// What SaveNetParam found changed (or-ed together).
enum Flag {
    InterfacesChanged = 1,  // "ls_interfaces" staged
    SwitchChanged = 2,      // the reporting link switched on or off
    HostNameChanged = 4,    // "ls_hostname" and "ls_hosts" staged
    LinkSettingsChanged = 8, // link interface, video or NG video (link on)
    ServerChanged = 16,     // server settings written (link on)
};

constexpr const char* kStageDir = "./cnt_net/";
constexpr const char* kStagedInterfaces = "./cnt_net/ls_interfaces";
constexpr const char* kStagedHostName = "./cnt_net/ls_hostname";
constexpr const char* kStagedHosts = "./cnt_net/ls_hosts";
constexpr const char* kRegisterMac = "./cnt_net/registermac.txt";
constexpr const char* kStagedWifi = "./cnt_net/wlanpwd.conf";
constexpr const char* kSystemInterfaces = "/etc/network/interfaces";
constexpr const char* kSystemHostName = "/etc/hostname";
constexpr const char* kSystemHosts = "/etc/hosts";
constexpr const char* kSystemWifi = "/etc/wpa_supplicant/wlanpwd.conf";
// The public host the connectivity test pings.
constexpr const char* kPublicHost = "114.114.114.114";

// ---- checks ------------------------------------------------------------------------

// Four decimal numbers 0..255 without leading zeros, e.g. "192.168.1.10".
bool parseIPv4(const QString& text, quint32* value = nullptr);
// A netmask whose ones are contiguous from the top (prefix 1..32).
bool isNetmask(const QString& text);
// A host name the system and the hosts table accept: labels of letters,
// digits and "-" (not at either end), at most 63 characters each, 64 in all,
// and not "localhost".
bool isHostName(const QString& text);

// The first problem of what is to be staged, as the operator's warning, or
// empty. Only what differs from the network in force is checked: a wired
// interface's address (a usable host address of its network), netmask and
// gateway (a host of the same network other than the address), and the host
// name.
QString checkNetCard(const NetCard& edit, const NetCard& system);

// The Wi-Fi name (1 to 32 bytes, no double quote, no control character) and
// key (8 to 63 printable ASCII characters, no double quote); the warning or
// empty.
QString checkWifi(const QString& name, const QString& key);

// ---- file texts ----------------------------------------------------------------------

// "/etc/network/interfaces": the loopback stanza, then one static stanza per
// wired interface in name order ("lo" and wireless ones have none).
QByteArray interfacesText(const QMap<QString, QStringList>& interfaces);
// "/etc/network/interfaces" rewritten from its current text: only the wired
// interfaces whose entry differs from the one in force get a static stanza
// (their own "iface ... inet" stanza loses its address lines and takes the
// new ones; a missing one is appended); every other line, stanza, "source"
// line and comment stays byte for byte. An empty current text gives the
// whole file as above.
QByteArray interfacesText(const QByteArray& current, const QMap<QString, QStringList>& edited,
                          const QMap<QString, QStringList>& inForce);
// "/etc/hosts" for a new host name: the two address lines of the name first,
// then the current table without the lines an earlier apply put there; its
// localhost line stays (and is added when missing). Applying the same name
// twice gives the same text.
QByteArray hostsText(const QByteArray& currentHosts, const QString& hostName);
// "registermac.txt": the earlier record's lines, each hardware address of
// `macs` (interface name -> address) replaced by its interface's address,
// netmask and gateway; ordered by hardware address.
QByteArray registerMacText(const QByteArray& previous, const QMap<QString, QStringList>& interfaces,
                           const QMap<QString, QString>& macs);
// The wpa_supplicant file of one network.
QByteArray wifiText(const QString& name, const QString& key);
// Name and key of a wpa_supplicant file; each empty when the file has none.
QPair<QString, QString> parseWifi(const QByteArray& text);

// ---- files ---------------------------------------------------------------------------

// Writes the file beside its target, syncs it and renames it over the target
// (and syncs the folder). False, with the target as it was, on any failure.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

// ---- staging and installing -----------------------------------------------------------

// Compares the edited network set and parameter record with those in force,
// writes the staged files of what changed and returns the flags. With the
// link switched off in `editPara` the edited host name goes back to the one
// in force (the staged host files keep the new one).
int SaveNetParam(NetCard& edit, const NetCard& system, const WizardPara& editPara, const WizardPara& livePara,
                 bool serverChanged);

struct InstallResult {
    QStringList failed; // system paths that could not be replaced
    bool ok() const { return failed.isEmpty(); }
};
// Installs the staged files of this apply (the interfaces file for bit 1, the
// host-name and hosts files for bit 4) into the system and rewrites
// "registermac.txt" from `card`. Restarting the client is the caller's.
InstallResult installStaged(int flags, const NetCard& card);

// ---- connectivity test -----------------------------------------------------------------

// The gateway of "ip route show": the word after the first "via" that has
// two more words after it; `none` when there is none or it is no IPv4 address.
QString gatewayFromRoutes(const QByteArray& routes, const QString& none);
// A ping output with at least one reply of a time above zero.
bool pingAnswered(const QByteArray& output);
// What the test found: the gateway, and which hosts answered.
struct Probe {
    bool gatewayFound = false;
    bool lan = false;
    bool internet = false;
};
// Reads the routing table and pings the gateway and the public host through
// the command runner (seconds: run it off the GUI thread).
Probe probeConnectivity();
// The result line in the current language, with the reporting client's state.
QString connectivityText(const Probe& probe, bool clientAlive);
// Both in one, for callers that may wait.
QString connectivityTest(const std::function<bool()>& clientAlive);

} // namespace netconfig
