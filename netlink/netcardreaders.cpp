// The network-card readers of the link: what the operating system says about
// the device's own interfaces. Every path goes through the system root.
#include "netlink/netcard.h"
#include "netlink/network.h"
#include "platform/sysroot.h"

#include <QFile>
#include <QHostInfo>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace {

QByteArray readWhole(const QString& path)
{
    QFile f(platform::sysPath(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

QMap<QString, QStringList> CNT_Net::getNewNetCardInfo()
{
    const QByteArray interfaces = readWhole(QStringLiteral("/etc/network/interfaces"));
    if (interfaces.isEmpty())
        return {};
    return netcard::parseInterfaces(interfaces, readWhole(QStringLiteral("/proc/net/dev")));
}

QMap<QString, QString> CNT_Net::getNetMac()
{
    QMap<QString, QString> table;
    for (const QString& name : netcard::deviceNames(readWhole(QStringLiteral("/proc/net/dev")))) {
        if (name == QLatin1String("lo"))
            continue;
        QFile f(platform::sysPath(QStringLiteral("/sys/class/net/%1/address").arg(name)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray raw = f.readAll();
        table.insert(name, QString::fromLatin1(raw.constData(), int(qstrnlen(raw.constData(), uint(raw.size()))))
                               .remove(QLatin1Char('\n'))
                               .trimmed());
    }
    return table;
}

QString CNT_Net::getNetHostName() { return QHostInfo::localHostName(); }

QMap<QString, QString> CNT_Net::getNetCardInfo()
{
    QMap<QString, QString> table;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return table;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name)
            continue;
        const QString name = QString::fromLocal8Bit(a->ifa_name);
        if (name == QLatin1String("lo"))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            table.insert(name, QString::fromLatin1(text));
    }
    freeifaddrs(list);
    return table;
}
