#include "netlink/netcard.h"

#include <QList>
#include <QRegularExpression>

const char* const NetCard::kDefaultAddress = "192.168.1.100";
const char* const NetCard::kDefaultNetmask = "255.255.255.0";
const char* const NetCard::kDefaultGateway = "192.168.1.1";

QStringList NetCard::defaults()
{
    return {QString::fromLatin1(kDefaultAddress), QString::fromLatin1(kDefaultNetmask),
            QString::fromLatin1(kDefaultGateway)};
}

namespace netcard {

namespace {

bool isWireless(const QString& name) { return name.contains(QLatin1String("wlan")); }

// The words of a line; none for a comment line.
QStringList words(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
        return {};
    return t.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

} // namespace

QStringList deviceNames(const QByteArray& procNetDev)
{
    QStringList names;
    for (const QByteArray& line : procNetDev.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QString name = QString::fromLatin1(line.left(colon)).trimmed();
        if (!name.isEmpty() && !name.contains(QLatin1Char(' ')))
            names << name;
    }
    return names;
}

QMap<QString, QStringList> parseInterfaces(const QByteArray& interfaces, const QByteArray& procNetDev)
{
    QMap<QString, QStringList> table;
    const QByteArray text(interfaces.constData(), int(qstrnlen(interfaces.constData(), uint(interfaces.size()))));
    if (text.isEmpty())
        return table;

    // Stanzas: runs of lines between blank lines.
    QList<QStringList> stanzas{{}};
    for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty()) {
            if (!stanzas.last().isEmpty())
                stanzas.append(QStringList());
        } else {
            stanzas.last() << line;
        }
    }
    for (const QStringList& stanza : stanzas) {
        QString name;
        QStringList entry = NetCard::defaults();
        for (const QString& line : stanza) {
            const QStringList w = words(line);
            if (w.size() < 2)
                continue;
            // A stanza is named by its "auto" line or, brought up by an
            // "allow-hotplug" line instead, by its "iface" line.
            if (w[0] == QLatin1String("auto") || w[0] == QLatin1String("iface")) {
                if (w[1] != QLatin1String("lo"))
                    name = w[1];
            } else if (w[0] == QLatin1String("address")) {
                entry[0] = w[1];
            } else if (w[0] == QLatin1String("netmask")) {
                entry[1] = w[1];
            } else if (w[0] == QLatin1String("gateway")) {
                entry[2] = w[1];
            }
        }
        if (!name.isEmpty())
            table.insert(name, entry);
    }

    QStringList present = deviceNames(procNetDev);
    for (const QString& name : present)
        if (isWireless(name))
            table.insert(name, NetCard::defaults());
    for (auto it = table.begin(); it != table.end();) {
        if (present.removeOne(it.key()))
            ++it;
        else
            it = table.erase(it); // configured but absent
    }
    for (const QString& name : present)
        if (name != QLatin1String("lo") && !isWireless(name))
            table.insert(name, NetCard::defaults());
    return table;
}

} // namespace netcard
