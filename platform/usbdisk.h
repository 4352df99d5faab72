#pragma once
// The USB disk: found in the block-device listing, mounted at "/mnt" (under
// the system root). Export, program update and the statistics export write
// to or read from it.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace usbdisk {

// Mount point of the disk as the callers name it; platform::sysPath() gives
// the folder itself.
constexpr const char* kMountPoint = "/mnt";

// Removable partitions of a "blkid" listing, in listing order: a "vfat",
// "ntfs" or "exfat" partition that is not on the system disk. The system
// disk is the device of the last "ext4" line before it with its trailing
// digits removed (/dev/sda1 gives /dev/sda); a partition listed before any
// ext4 line is never a candidate, nor is an ext4 disk.
QStringList removableCandidates(const QByteArray& listing);

// Lines of a mount table ("/proc/mounts" format) whose mount point is `point`.
int mountsAt(const QByteArray& table, const QString& point);
// Whether the table has `device` mounted at `point`.
bool isMounted(const QByteArray& table, const QString& device, const QString& point);

} // namespace usbdisk

// Finds the first removable partition, clears whatever is mounted at "/mnt",
// mounts the partition there and returns "/mnt"; an empty text when there is
// no disk or it could not be mounted.
QString FindAU();
// Whether the mount table mentions "/mnt" at all.
bool FindU();
// The fixed devices /dev/sdb1, then /dev/sdc1, mounted at "/mnt".
bool FindU_ByManual();

// Elapsed milliseconds since startT into the timing statistics below.
void CaclTime();
struct TimeMark {
    qint64 seconds = 0;
    qint64 microseconds = 0;
};
extern TimeMark startT;
extern TimeMark finishT;
extern int allT;
extern int numT;
extern int maxT;
extern int minT;
extern int nextT;
extern int lastT;
