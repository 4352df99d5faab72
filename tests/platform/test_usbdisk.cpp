// The USB disk: which partition the block-device listing offers, and the
// unmount, mount and check that FindAU runs on it.
#include "platform/usbdisk.h"
#include "usbdiskfixture.h"

TEST(UsbDisk, CandidatesOfTheBlockDeviceListing)
{
    struct Case {
        const char* name;
        QByteArray listing;
        QStringList candidates;
    };
    const char zeroEnded[] = "\n/dev/sda1: TYPE=\"ext4\"\n\n/dev/sdb1: TYPE=\"vfat\"\n\0/dev/sdc1: TYPE=\"vfat\"\n";
    const Case cases[] = {
        {"system disk, then a stick", kSystemAndStick, {"/dev/sdb1"}},
        {"the stick listed before any ext4 line",
         "/dev/sdb1: UUID=\"A1B2\" TYPE=\"vfat\"\n/dev/sda1: UUID=\"5b1c\" TYPE=\"ext4\"\n", {}},
        {"a vfat partition of the system disk",
         "/dev/sda1: TYPE=\"ext4\"\n/dev/sda2: SEC_TYPE=\"msdos\" TYPE=\"vfat\"\n", {}},
        {"an ext4 stick is the system disk, never a candidate",
         "/dev/sda1: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"ext4\"\n", {}},
        {"ntfs and exfat count, swap and iso do not",
         "/dev/mmcblk0p2: TYPE=\"ext4\"\n/dev/sda1: TYPE=\"ntfs\" PTTYPE=\"dos\"\n/dev/sdb1: TYPE=\"swap\"\n"
         "/dev/sdc1: TYPE=\"exfat\"\n/dev/sr0: TYPE=\"iso9660\"\n",
         {"/dev/sda1", "/dev/sdc1"}},
        {"a label that quotes a type",
         "/dev/sda1: TYPE=\"ext4\"\n/dev/sdb1: LABEL=\"X\\\" TYPE=\\\"ext4\" TYPE=\"vfat\"\n", {"/dev/sdb1"}},
        {"a device made of digits leaves the system disk as it was",
         "/dev/sda1: TYPE=\"ext4\"\n123: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n", {"/dev/sdb1"}},
        {"empty lines and a zero byte end the listing", QByteArray(zeroEnded, sizeof zeroEnded - 1), {"/dev/sdb1"}},
        {"nothing listed", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(usbdisk::removableCandidates(c.listing), c.candidates);
    }
}

TEST(UsbDisk, MountTableLines)
{
    const QByteArray table = "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 /mnt vfat rw 0 0\n"
                             "/dev/sdc1 /mnt vfat rw 0 0\n/dev/sdd1 /mnt2 vfat rw 0 0\n/dev/sde1 /mnt/x vfat rw 0 0\n";
    EXPECT_EQ(usbdisk::mountsAt(table, "/mnt"), 2) << "only the mount point itself, not /mnt2 or /mnt/x";
    EXPECT_TRUE(usbdisk::isMounted(table, "/dev/sdc1", "/mnt"));
    EXPECT_FALSE(usbdisk::isMounted(table, "/dev/sdd1", "/mnt"));
    EXPECT_FALSE(usbdisk::isMounted(table, "/dev/sdb", "/mnt"));
}

TEST(UsbDisk, FindAUClearsTheMountPointThenMountsTheStick)
{
    DiskRunnerScope scope;
    const QString point = platform::sysPath("/mnt");
    // Two earlier mounts are still on the mount point.
    DiskRunner::appendMount("/dev/sdc1", point);
    DiskRunner::appendMount("/dev/sdc1", point);
    scope.runner.listing = kSystemAndStick;

    EXPECT_EQ(FindAU(), QString("/mnt"));
    EXPECT_EQ(scope.runner.lines(), (QStringList{"blkid", "umount " + point, "umount " + point,
                                                 "mount /dev/sdb1 " + point}));
    EXPECT_TRUE(usbdisk::isMounted(DiskRunner::mounts(), "/dev/sdb1", point));
    EXPECT_EQ(usbdisk::mountsAt(DiskRunner::mounts(), point), 1);
    EXPECT_GE(scope.runner.mountWaitMs, 30000) << "a large disk takes seconds to mount";
}

TEST(UsbDisk, FindAUFindsNoDisk)
{
    struct Case {
        const char* name;
        QByteArray listing;
        bool mountFails;
        bool mountsReadable;
        QStringList commands;
    };
    const QString point = platform::sysPath("/mnt");
    const Case cases[] = {
        {"no block device", "", false, true, {"blkid"}},
        {"only the system disk", "/dev/sda1: TYPE=\"ext4\"\n", false, true, {"blkid"}},
        {"the mount fails", kSystemAndStick, true, true, {"blkid", "mount /dev/sdb1 " + point}},
        {"no mount table", kSystemAndStick, false, false, {"blkid"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiskRunnerScope scope;
        if (!c.mountsReadable)
            QFile::remove(DiskRunner::mountsFile());
        scope.runner.listing = c.listing;
        scope.runner.mountFails = c.mountFails;
        EXPECT_TRUE(FindAU().isEmpty());
        EXPECT_EQ(scope.runner.lines(), c.commands);
    }
}

TEST(UsbDisk, AMountThatDoesNotShowInTheTableIsNoDisk)
{
    DiskRunnerScope scope;
    // "mount" answers success without mounting anything.
    class Silent : public DiskRunner {
    public:
        platform::CommandResult run(const QString& program, const QStringList& args, int t) override
        {
            if (program == "mount")
                return RecordingCommandRunner::run(program, args, t);
            return DiskRunner::run(program, args, t);
        }
    } silent;
    silent.listing = kSystemAndStick;
    platform::CommandRunner::setInstance(&silent);
    EXPECT_TRUE(FindAU().isEmpty());
    platform::CommandRunner::setInstance(&scope.runner);
}

TEST(UsbDisk, OlderFinders)
{
    DiskRunnerScope scope;
    EXPECT_FALSE(FindU());
    DiskRunner::appendMount("/dev/sdb1", platform::sysPath("/mnt"));
    EXPECT_TRUE(FindU());

    platform::CommandResult failed;
    failed.started = true;
    failed.exitCode = 32;
    scope.runner.script("mount", failed);
    EXPECT_FALSE(FindU_ByManual());
    const QString point = platform::sysPath("/mnt");
    EXPECT_EQ(scope.runner.lines(),
              (QStringList{"umount " + point, "mount /dev/sdb1 " + point, "mount /dev/sdc1 " + point}));
}
