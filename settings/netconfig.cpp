#include "settings/netconfig.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netconfig {

namespace {

// Texts of the checks and of the installation.
constexpr int kRowBadAddress = 1200;
constexpr int kRowBadNetmask = 1201;
constexpr int kRowBadGateway = 1202;
constexpr int kRowGatewayOutside = 1203;
constexpr int kRowBadHostName = 1204;
constexpr int kRowBadWifiName = 1205;
constexpr int kRowBadWifiKey = 1206;

constexpr const char* kLoopback = "auto lo\niface lo inet loopback\n\n";

bool isWireless(const QString& name) { return name.contains(QLatin1String("wlan")); }

// The interfaces the staged file configures.
bool staged(const QString& name) { return name != QLatin1String("lo") && !isWireless(name); }

int prefixLength(quint32 mask)
{
    int n = 0;
    while (n < 32 && (mask & (0x80000000u >> n)))
        ++n;
    return n;
}

// A unicast address a host may carry (not 0/8, loopback, multicast or above).
bool hostClass(quint32 a)
{
    const quint32 first = a >> 24;
    return first != 0 && first != 127 && first < 224;
}

// The first word of a line of "/etc/network/interfaces" (empty for a blank line).
QByteArray firstWord(const QByteArray& line)
{
    const QByteArray s = line.simplified();
    const int blank = s.indexOf(' ');
    return blank < 0 ? s : s.left(blank);
}

// Lines that begin a stanza, or stand alone, and so end the options of the
// stanza before them.
bool startsStanza(const QByteArray& word)
{
    return word == "iface" || word == "mapping" || word == "auto" || word.startsWith("allow-") || word == "source"
        || word == "source-directory" || word == "rename" || word == "no-auto-down" || word == "no-scripts";
}

// Whether an "auto" or "allow-..." line already brings the interface up.
bool broughtUp(const QList<QByteArray>& lines, const QByteArray& name)
{
    for (const QByteArray& line : lines) {
        const QList<QByteArray> w = line.simplified().split(' ');
        if (w.size() >= 2 && (w[0] == "auto" || w[0].startsWith("allow-")) && w.mid(1).contains(name))
            return true;
    }
    return false;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The words of a hosts line (comment cut off).
QStringList hostsWords(const QString& line)
{
    QString t = line;
    const int hash = t.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        t.truncate(hash);
    return t.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

} // namespace

// ---- checks ------------------------------------------------------------------------

bool parseIPv4(const QString& text, quint32* value)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 v = 0;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3 || (p.size() > 1 && p.startsWith(QLatin1Char('0'))))
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        const int n = p.toInt();
        if (n > 255)
            return false;
        v = (v << 8) | quint32(n);
    }
    if (value)
        *value = v;
    return true;
}

bool isNetmask(const QString& text)
{
    quint32 m = 0;
    if (!parseIPv4(text, &m) || m == 0)
        return false;
    // Contiguous ones: the inverted mask plus one is a power of two.
    const quint32 inv = ~m;
    return (inv & (inv + 1)) == 0;
}

bool isHostName(const QString& text)
{
    if (text.isEmpty() || text.size() > 64 || text.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return false;
    static const QRegularExpression label(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    for (const QString& l : text.split(QLatin1Char('.')))
        if (!label.match(l).hasMatch())
            return false;
    return true;
}

QString checkNetCard(const NetCard& edit, const NetCard& system)
{
    for (auto it = edit.interfaceTable.cbegin(); it != edit.interfaceTable.cend(); ++it) {
        const QString& name = it.key();
        const QStringList& e = it.value();
        if (!staged(name) || system.interfaceTable.value(name) == e)
            continue;
        const QString address = e.value(0), netmask = e.value(1), gateway = e.value(2);
        quint32 a = 0, m = 0, g = 0;
        if (!parseIPv4(netmask, &m) || !isNetmask(netmask))
            return LanStr(kRowBadNetmask).arg(name, netmask);
        const bool point = prefixLength(m) >= 31; // no network or broadcast address of its own
        const quint32 host = ~m;
        if (!parseIPv4(address, &a) || !hostClass(a) || (!point && ((a & host) == 0 || (a & host) == host)))
            return LanStr(kRowBadAddress).arg(name, address);
        if (!parseIPv4(gateway, &g) || !hostClass(g) || (!point && ((g & host) == 0 || (g & host) == host)))
            return LanStr(kRowBadGateway).arg(name, gateway);
        if ((g & m) != (a & m) || g == a)
            return LanStr(kRowGatewayOutside).arg(name);
    }
    if (edit.hostName != system.hostName && !isHostName(edit.hostName))
        return LanStr(kRowBadHostName).arg(edit.hostName);
    return QString();
}

QString checkWifi(const QString& name, const QString& key)
{
    const QByteArray nameBytes = name.toUtf8();
    bool nameOk = !nameBytes.isEmpty() && nameBytes.size() <= 32;
    for (QChar c : name)
        if (c == QLatin1Char('"') || c.category() == QChar::Other_Control)
            nameOk = false;
    if (!nameOk)
        return LanStr(kRowBadWifiName);
    bool keyOk = key.size() >= 8 && key.size() <= 63;
    for (QChar c : key)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || c == QLatin1Char('"'))
            keyOk = false;
    if (!keyOk)
        return LanStr(kRowBadWifiKey);
    return QString();
}

// ---- file texts ----------------------------------------------------------------------

QByteArray interfacesText(const QMap<QString, QStringList>& interfaces)
{
    QByteArray text(kLoopback);
    for (auto it = interfaces.cbegin(); it != interfaces.cend(); ++it) {
        if (!staged(it.key()))
            continue;
        const QByteArray name = it.key().toLatin1();
        const QStringList& e = it.value();
        text += "auto " + name + "\n";
        text += "iface " + name + " inet static\n";
        text += "address " + e.value(0).toLatin1() + "\n";
        text += "netmask " + e.value(1).toLatin1() + "\n";
        text += "gateway " + e.value(2).toLatin1() + "\n";
        text += "\n";
    }
    return text;
}

QByteArray interfacesText(const QByteArray& current, const QMap<QString, QStringList>& edited,
                          const QMap<QString, QStringList>& inForce)
{
    if (current.trimmed().isEmpty())
        return interfacesText(edited);
    QList<QByteArray> lines = current.split('\n');
    const bool endsWithNewline = current.endsWith('\n');
    if (endsWithNewline)
        lines.removeLast();
    for (auto it = edited.cbegin(); it != edited.cend(); ++it) {
        if (!staged(it.key()) || it.value() == inForce.value(it.key()))
            continue;
        const QByteArray name = it.key().toLatin1();
        const QStringList& e = it.value();
        int at = -1;
        for (int i = 0; i < lines.size() && at < 0; ++i) {
            const QList<QByteArray> w = lines[i].simplified().split(' ');
            if (w.size() >= 3 && w[0] == "iface" && w[1] == name && w[2] == "inet")
                at = i;
        }
        if (at < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines << QByteArray();
            if (!broughtUp(lines, name))
                lines << "auto " + name;
            lines << "iface " + name + " inet static";
            lines << "address " + e.value(0).toLatin1() << "netmask " + e.value(1).toLatin1()
                  << "gateway " + e.value(2).toLatin1();
            continue;
        }
        // The stanza's own address lines go; its other options, comments and
        // every other stanza stay as they are.
        int end = at + 1;
        while (end < lines.size() && !startsStanza(firstWord(lines[end])))
            ++end;
        QByteArray indent;
        for (int i = end - 1; i > at; --i) {
            const QByteArray w = firstWord(lines[i]);
            if (w == "address" || w == "netmask" || w == "gateway" || w == "broadcast" || w == "network") {
                indent = lines[i].left(lines[i].indexOf(w));
                lines.removeAt(i);
            }
        }
        const QByteArray& iface = lines[at];
        lines[at] = iface.left(iface.indexOf("iface")) + "iface " + name + " inet static";
        lines.insert(at + 1, indent + "address " + e.value(0).toLatin1());
        lines.insert(at + 2, indent + "netmask " + e.value(1).toLatin1());
        lines.insert(at + 3, indent + "gateway " + e.value(2).toLatin1());
    }
    QByteArray text = lines.join('\n');
    if (endsWithNewline || !text.endsWith('\n'))
        text += '\n';
    return text;
}

QByteArray hostsText(const QByteArray& currentHosts, const QString& hostName)
{
    const QString ownLine = QStringLiteral("127.0.1.1\t") + hostName;
    const QString loopLine = QStringLiteral("127.0.0.1\t") + hostName;
    QStringList kept;
    bool hasLocalhost = false;
    for (const QString& line : QString::fromLatin1(currentHosts).split(QLatin1Char('\n'))) {
        const QStringList w = hostsWords(line);
        if (!w.isEmpty() && w.first() == QLatin1String("127.0.1.1"))
            continue; // the host's own name, written again below
        if (!w.isEmpty() && w.first() == QLatin1String("127.0.0.1")) {
            if (!w.mid(1).contains(QLatin1String("localhost")))
                continue; // an earlier apply's line
            if (line.trimmed() == loopLine)
                continue;
            hasLocalhost = true;
        }
        kept << line;
    }
    while (!kept.isEmpty() && kept.first().trimmed().isEmpty())
        kept.removeFirst();
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    if (!hasLocalhost)
        kept.prepend(QStringLiteral("127.0.0.1\tlocalhost"));

    QString text = ownLine + QLatin1Char('\n') + loopLine + QStringLiteral("\n\n\n");
    for (const QString& line : kept)
        text += line + QLatin1Char('\n');
    return text.toLatin1();
}

QByteArray registerMacText(const QByteArray& previous, const QMap<QString, QStringList>& interfaces,
                           const QMap<QString, QString>& macs)
{
    QMap<QString, QString> byMac;
    for (const QString& line : QString::fromUtf8(previous).split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char('='));
        if (parts.size() == 2)
            byMac.insert(parts[0], QString(parts[1]).remove(QLatin1Char('\r')));
    }
    for (auto it = interfaces.cbegin(); it != interfaces.cend(); ++it) {
        const QString mac = macs.value(it.key());
        if (mac.isEmpty())
            continue;
        const QStringList& e = it.value();
        byMac.insert(mac, e.value(0) + QLatin1Char(';') + e.value(1) + QLatin1Char(';') + e.value(2));
    }
    QString text;
    for (auto it = byMac.cbegin(); it != byMac.cend(); ++it)
        text += it.key() + QLatin1Char('=') + it.value() + QLatin1Char('\n');
    return text.toUtf8();
}

QByteArray wifiText(const QString& name, const QString& key)
{
    return "network={\r\n\tssid=\"" + name.toUtf8() + "\"\r\n\tpsk=\"" + key.toUtf8()
        + "\"\r\n\tproto=RSN\r\n}\r\n";
}

QPair<QString, QString> parseWifi(const QByteArray& text)
{
    static const QRegularExpression ssid(QStringLiteral("^.*ssid=\"(.*)\".*$"));
    static const QRegularExpression psk(QStringLiteral("^.*psk=\"(.*)\".*$"));
    QPair<QString, QString> found;
    const QByteArray plain(text.constData(), int(qstrnlen(text.constData(), uint(text.size()))));
    for (QString line : QString::fromUtf8(plain).split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        const auto s = ssid.match(line);
        if (s.hasMatch())
            found.first = s.captured(1);
        const auto p = psk.match(line);
        if (p.hasMatch())
            found.second = p.captured(1);
    }
    return found;
}

// ---- files ---------------------------------------------------------------------------

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    if (!QDir().mkpath(dir))
        return false;
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = QFile::encodeName(dir + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        qWarning().noquote() << QStringLiteral("cannot create a file beside %1: %2").arg(path, strerror(errno));
        return false;
    }
    bool ok = true;
    qint64 done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n > 0 ? n : 0;
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temp.constData(), target.constData()) == 0;
    if (!ok) {
        qWarning().noquote() << QStringLiteral("cannot write %1: %2").arg(path, strerror(errno));
        ::unlink(temp.constData());
        return false;
    }
    // The rename itself reaches the disk with its folder.
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

// ---- staging and installing -----------------------------------------------------------

int SaveNetParam(NetCard& edit, const NetCard& system, const WizardPara& editPara, const WizardPara& livePara,
                 bool serverChanged)
{
    // A file that cannot be staged must not leave an earlier one to be installed.
    auto stage = [](const char* path, const QByteArray& bytes) {
        QFile::remove(QLatin1String(path));
        return writeFileAtomically(QLatin1String(path), bytes);
    };
    int flags = 0;
    if (edit.interfaceTable != system.interfaceTable) {
        const QByteArray current = readAll(platform::sysPath(QLatin1String(kSystemInterfaces)));
        if (!stage(kStagedInterfaces, interfacesText(current, edit.interfaceTable, system.interfaceTable)))
            qWarning() << "network: the interfaces file could not be staged";
        flags |= InterfacesChanged;
    }
    if (editPara.cntnet_enable != livePara.cntnet_enable)
        flags |= SwitchChanged;
    if (edit.hostName != system.hostName) {
        if (!stage(kStagedHostName, edit.hostName.toLatin1())
            || !stage(kStagedHosts, hostsText(readAll(platform::sysPath(QLatin1String(kSystemHosts))), edit.hostName)))
            qWarning() << "network: the host-name files could not be staged";
        flags |= HostNameChanged;
    }
    if (editPara.cntnet_enable) {
        if (std::strncmp(editPara.CntNet_UseName, livePara.CntNet_UseName, WizardPara::TextLen) != 0
            || editPara.video_type != livePara.video_type || editPara.video_fps != livePara.video_fps
            || editPara.record_ng_video != livePara.record_ng_video)
            flags |= LinkSettingsChanged;
        if (serverChanged)
            flags |= ServerChanged;
        return flags;
    }
    // With the link off the messages keep the name in force until the next start.
    edit.hostName = system.hostName;
    return flags;
}

InstallResult installStaged(int flags, const NetCard& card)
{
    InstallResult result;
    auto install = [&](const char* staged, const char* system) {
        const QString source = QLatin1String(staged);
        const QString target = platform::sysPath(QLatin1String(system));
        QFile f(source);
        if (!f.open(QIODevice::ReadOnly) || !writeFileAtomically(target, f.readAll()))
            result.failed << QLatin1String(system);
    };
    if (flags & InterfacesChanged)
        install(kStagedInterfaces, kSystemInterfaces);

    QMap<QString, QString> macs;
    for (auto it = card.interfaceTable.cbegin(); it != card.interfaceTable.cend(); ++it) {
        QFile f(platform::sysPath(QStringLiteral("/sys/class/net/%1/address").arg(it.key())));
        if (f.open(QIODevice::ReadOnly))
            macs.insert(it.key(), QString::fromLatin1(f.readAll()).remove(QLatin1Char('\n')).trimmed());
    }
    const QByteArray record = registerMacText(readAll(QLatin1String(kRegisterMac)), card.interfaceTable, macs);
    if (!record.isEmpty() && !writeFileAtomically(QLatin1String(kRegisterMac), record))
        result.failed << QLatin1String(kRegisterMac);

    if (flags & HostNameChanged) {
        install(kStagedHostName, kSystemHostName);
        install(kStagedHosts, kSystemHosts);
    }
    return result;
}

// ---- connectivity test -----------------------------------------------------------------

QString gatewayFromRoutes(const QByteArray& routes, const QString& none)
{
    const QByteArray plain(routes.constData(), int(qstrnlen(routes.constData(), uint(routes.size()))));
    const QStringList pieces = QString::fromLatin1(plain).split(QLatin1Char(' '));
    for (int i = 0; i + 2 < pieces.size(); ++i) {
        if (!pieces[i].contains(QLatin1String("via")))
            continue;
        // Handed to ping as an argument: nothing but an address goes there.
        return parseIPv4(pieces[i + 1]) ? pieces[i + 1] : none;
    }
    return none;
}

bool pingAnswered(const QByteArray& output)
{
    for (const QString& line : QString::fromLatin1(output).split(QLatin1Char('\n'))) {
        const int at = line.indexOf(QLatin1String("time="));
        if (at < 0)
            continue;
        QString time = line.mid(at + 5);
        time.chop(3); // " ms"
        bool ok = false;
        const double ms = time.trimmed().toDouble(&ok);
        if (ok && ms != 0.0)
            return true;
    }
    return false;
}

Probe probeConnectivity()
{
    Probe probe;
    const QString none = QStringLiteral("null");
    const QString gateway =
        gatewayFromRoutes(platform::runCommand(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("show")}).out,
                          none);
    if (gateway == none)
        return probe;
    probe.gatewayFound = true;
    probe.lan = pingAnswered(
        platform::runCommand(QStringLiteral("ping"), {gateway, QStringLiteral("-w"), QStringLiteral("2")}).out);
    probe.internet = pingAnswered(
        platform::runCommand(QStringLiteral("ping"), {QLatin1String(kPublicHost), QStringLiteral("-w"), QStringLiteral("3")})
            .out);
    return probe;
}

QString connectivityText(const Probe& probe, bool clientAlive)
{
    if (!probe.gatewayFound)
        return LanStr(419);
    return LanStr(probe.lan ? 420 : 421) + QLatin1Char(',') + LanStr(probe.internet ? 422 : 423) + QLatin1Char(',')
        + LanStr(clientAlive ? 439 : 440);
}

QString connectivityTest(const std::function<bool()>& clientAlive)
{
    const Probe probe = probeConnectivity();
    return connectivityText(probe, clientAlive && clientAlive());
}

} // namespace netconfig
