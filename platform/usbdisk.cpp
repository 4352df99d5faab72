#include "platform/usbdisk.h"

#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <sys/time.h>

namespace usbdisk {

namespace {

// The value of one KEY="value" attribute of a listing line (LABEL may hold
// blanks, PTTYPE and SEC_TYPE are other attributes than TYPE).
QString attribute(const QString& line, const QString& key)
{
    static const QRegularExpression pair(QStringLiteral("([A-Z_]+)=\"((?:[^\"\\\\]|\\\\.)*)\""));
    auto it = pair.globalMatch(line.mid(line.indexOf(QLatin1Char(':')) + 1));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1) == key)
            return m.captured(2);
    }
    return QString();
}

QByteArray readMounts(bool* ok)
{
    QFile f(platform::sysPath(QStringLiteral("/proc/mounts")));
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// Fields of the mount table lines: device, mount point, ...
QList<QStringList> mountLines(const QByteArray& table)
{
    QList<QStringList> lines;
    for (const QByteArray& l : table.split('\n')) {
        const QStringList f = QString::fromLocal8Bit(l).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() >= 2)
            lines << f;
    }
    return lines;
}

} // namespace

QStringList removableCandidates(const QByteArray& listing)
{
    QString systemDisk;
    QStringList candidates;
    const QString text = QString::fromLocal8Bit(listing.left(listing.indexOf('\0') < 0 ? listing.size()
                                                                                     : listing.indexOf('\0')));
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString device = line.section(QLatin1Char(':'), 0, 0);
        const QString type = attribute(line, QStringLiteral("TYPE"));
        if (type == QLatin1String("ext4")) {
            QString disk = device;
            while (!disk.isEmpty() && disk.back().isDigit())
                disk.chop(1);
            if (!disk.isEmpty())
                systemDisk = disk;
        } else if (type == QLatin1String("vfat") || type == QLatin1String("ntfs") || type == QLatin1String("exfat")) {
            if (!systemDisk.isEmpty() && !device.contains(systemDisk))
                candidates << device;
        }
    }
    return candidates;
}

int mountsAt(const QByteArray& table, const QString& point)
{
    int n = 0;
    for (const QStringList& f : mountLines(table))
        n += f[1] == point ? 1 : 0;
    return n;
}

bool isMounted(const QByteArray& table, const QString& device, const QString& point)
{
    for (const QStringList& f : mountLines(table))
        if (f[0] == device && f[1] == point)
            return true;
    return false;
}

} // namespace usbdisk

QString FindAU()
{
    const platform::CommandResult listing = platform::runCommand(QStringLiteral("blkid"), {}, 5000);
    if (listing.out.isEmpty())
        return QString();
    const QStringList candidates = usbdisk::removableCandidates(listing.out);
    if (candidates.isEmpty())
        return QString();
    const QString device = candidates.first();
    const QString point = platform::sysPath(QLatin1String(usbdisk::kMountPoint));

    bool readable = false;
    const int mounted = usbdisk::mountsAt(usbdisk::readMounts(&readable), point);
    if (!readable)
        return QString();
    for (int i = 0; i < mounted; ++i)
        platform::runCommand(QStringLiteral("umount"), {point}, 30000);
    // A large or slow disk can take many seconds to mount; its status tells.
    const platform::CommandResult mount = platform::runCommand(QStringLiteral("mount"), {device, point}, 60000);
    if (!mount.ok()) {
        qWarning().noquote() << QStringLiteral("USB disk %1 could not be mounted (exit %2): %3")
                                    .arg(device)
                                    .arg(mount.exitCode)
                                    .arg(QString::fromLocal8Bit(mount.out + mount.err).trimmed());
        return QString();
    }
    if (!usbdisk::isMounted(usbdisk::readMounts(&readable), device, point))
        return QString();
    return QLatin1String(usbdisk::kMountPoint);
}

bool FindU()
{
    bool readable = false;
    const QByteArray table = usbdisk::readMounts(&readable);
    return readable && table.contains(platform::sysPath(QLatin1String(usbdisk::kMountPoint)).toLocal8Bit());
}

bool FindU_ByManual()
{
    const QString point = platform::sysPath(QLatin1String(usbdisk::kMountPoint));
    platform::runCommand(QStringLiteral("umount"), {point}, 30000);
    if (platform::runCommand(QStringLiteral("mount"), {QStringLiteral("/dev/sdb1"), point}, 60000).ok())
        return true;
    return platform::runCommand(QStringLiteral("mount"), {QStringLiteral("/dev/sdc1"), point}, 60000).ok();
}

TimeMark startT;
TimeMark finishT;
int allT = 0;
int numT = 0;
int maxT = 0;
int minT = 10000;
int nextT = 0;
int lastT = 0;

void CaclTime()
{
    timeval now{};
    gettimeofday(&now, nullptr);
    finishT.seconds = now.tv_sec;
    finishT.microseconds = now.tv_usec;
    const double elapsed = double((finishT.seconds - startT.seconds) * 1000)
        + double((finishT.microseconds - startT.microseconds) / 1000);
    allT = int(allT + elapsed);
    numT += 1;
    maxT = qMax(maxT, int(elapsed));
    minT = qMin(minT, int(elapsed));
    lastT = nextT;
    nextT = int(elapsed);
    qDebug("%f\n", elapsed);
}
