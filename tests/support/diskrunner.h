#pragma once
// A USB disk as the system would show it to FindAU: "blkid" lists the
// partitions, "mount" and "umount" change the mount table under the system
// root, and "/mnt" is a folder there. Every command is still recorded; a
// mount can be made to fail. Shared by the tests and the benchmarks.
#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDir>
#include <QFile>

class DiskRunner : public platform::RecordingCommandRunner {
public:
    // What "blkid" prints; empty: no block device at all.
    QByteArray listing;
    bool mountFails = false;
    int mountWaitMs = 0; // how long the last mount was given to end

    platform::CommandResult run(const QString& program, const QStringList& args, int timeoutMs) override
    {
        platform::CommandResult r = RecordingCommandRunner::run(program, args, timeoutMs);
        if (program == "blkid") {
            r.out = listing;
        } else if (program == "mount" && args.size() == 2) {
            mountWaitMs = timeoutMs;
            if (mountFails) {
                r.exitCode = 32;
                r.err = "mount: wrong fs type";
            } else if (r.ok()) {
                QDir().mkpath(args[1]);
                appendMount(args[0], args[1]);
            }
        } else if (program == "umount" && args.size() == 1) {
            removeOneMount(args[0]);
        }
        return r;
    }

    static QString mountsFile() { return platform::sysPath("/proc/mounts"); }
    static void writeMounts(const QByteArray& table)
    {
        QDir().mkpath(platform::sysPath("/proc"));
        QFile f(mountsFile());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(table);
    }
    static QByteArray mounts()
    {
        QFile f(mountsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void appendMount(const QString& device, const QString& point)
    {
        writeMounts(mounts() + (device + ' ' + point + " vfat rw,relatime 0 0\n").toLocal8Bit());
    }
    static void removeOneMount(const QString& point)
    {
        QList<QByteArray> lines = mounts().split('\n');
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].split(' ').value(1) == point.toLocal8Bit()) {
                lines.removeAt(i);
                break;
            }
        writeMounts(lines.join('\n'));
    }
    // The mount table and "/mnt" of the system root as on a machine that
    // booted from /dev/sda1 and has nothing at "/mnt".
    static void resetSystem()
    {
        QDir(platform::sysPath("/mnt")).removeRecursively();
        QDir(platform::sysPath("/proc")).removeRecursively();
        writeMounts("/dev/sda1 / ext4 rw,relatime 0 0\nproc /proc proc rw 0 0\n");
    }
};

constexpr const char* kSystemAndStick =
    "/dev/sda1: UUID=\"5b1c\" BLOCK_SIZE=\"4096\" TYPE=\"ext4\" PARTUUID=\"1f2e-01\"\n"
    "/dev/sdb1: LABEL=\"MY STICK\" UUID=\"A1B2-C3D4\" BLOCK_SIZE=\"512\" TYPE=\"vfat\" PARTUUID=\"0badf00d-01\"\n";
