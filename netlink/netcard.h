#pragma once
// The device's picture of its own network: interfaces with their IPv4
// address, netmask and gateway, the hardware address of each interface, and
// the host name. The reporting link holds the set in force (systemCard) and
// the copy the network pages edit (editCard).
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

struct NetCard {
    // Interface name -> {address, netmask, gateway}, dotted decimal.
    QMap<QString, QStringList> interfaceTable;
    // Interface name -> hardware address as the kernel prints it.
    QMap<QString, QString> macTable;
    QString hostName;

    bool operator==(const NetCard& o) const
    {
        return interfaceTable == o.interfaceTable && macTable == o.macTable && hostName == o.hostName;
    }
    bool operator!=(const NetCard& o) const { return !(*this == o); }

    // What an interface without configuration carries.
    static const char* const kDefaultAddress;
    static const char* const kDefaultNetmask;
    static const char* const kDefaultGateway;
    static QStringList defaults();
};

namespace netcard {

// The interface names of a "/proc/net/dev" text, in file order: the text
// before the colon of each line that has one.
QStringList deviceNames(const QByteArray& procNetDev);

// The interface table from the texts of "/etc/network/interfaces" and
// "/proc/net/dev". Stanzas are separated by blank lines; a stanza counts
// when it has an "auto" or "iface" line naming an interface other than "lo", and its
// "address", "netmask" and "gateway" lines set the entry. Lines are matched
// by their first word exactly; comment lines are skipped. Interfaces not
// present are left out; present ones without configuration (and every
// wireless one) get the defaults. An empty configuration text gives an
// empty table.
QMap<QString, QStringList> parseInterfaces(const QByteArray& interfaces, const QByteArray& procNetDev);

} // namespace netcard
