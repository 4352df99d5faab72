// Export to and update from a USB disk, and the factory reset: what is
// copied where, what runs, and what a failed copy leaves.
#include "maintfixture.h"

#include "../platform/usbdiskfixture.h"
#include "settings/advancefuncwidget.h"
#include "settings/maintenance.h"

#include <QFileDialog>

namespace {

// Raw frames of the two demonstration cameras and two steps.
void putRawFrames()
{
    for (int c = 1; c <= 2; ++c)
        for (int s = 1; s <= 2; ++s)
            putFile(QString("originalimage/cammer%1%2/template1.bmp").arg(c).arg(s), "raw");
}

int rawFrames()
{
    int n = 0;
    for (int c = 1; c <= 2; ++c)
        for (int s = 1; s <= 2; ++s)
            n += QDir(QString("originalimage/cammer%1%2").arg(c).arg(s)).entryList(QDir::Files).size();
    return n;
}

} // namespace

TEST_F(Maintenance, ExportCopiesTheProgramFolderThenRemovesTheRawFrames)
{
    startMaintenance();
    putRawFrames();
    DiskRunnerScope disk;
    disk.runner.listing = kSystemAndStick;
    const QString point = platform::sysPath("/mnt");
    const QString target = point + "/" + clock.now().toString("yyyy-MM-dd_hh.mm.ss") + "/" + QDir(folder()).dirName();

    emit settings().advanceFunctions->exportButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(disk.runner.lines(), (QStringList{"blkid", "mount /dev/sdb1 " + point, "sync", "umount " + point}));
    EXPECT_EQ(fileText(target + "/originalimage/cammer12/template1.bmp"), QByteArray("raw"));
    EXPECT_EQ(fileText(target + "/PARAM.db"), fileText("PARAM.db"));
    EXPECT_EQ(rawFrames(), 0) << "the raw frames left the device once they were on the disk";
    EXPECT_TRUE(QDir("originalimage/cammer11").exists());
    EXPECT_TRUE(shown(147));
}

TEST_F(Maintenance, AFailedExportKeepsTheRawFrames)
{
    startMaintenance();
    putRawFrames();
    DiskRunnerScope disk;
    disk.runner.listing = kSystemAndStick;
    const QString stamp = platform::sysPath("/mnt/") + clock.now().toString("yyyy-MM-dd_hh.mm.ss");
    // Where the program folder should go, the disk already has a file.
    putFile(stamp + "/" + QDir(folder()).dirName(), "in the way");

    emit settings().advanceFunctions->exportButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(rawFrames(), 4);
    EXPECT_TRUE(shown(maintenance::kRowExportFailed));
    EXPECT_FALSE(shown(147));
    EXPECT_FALSE(QDir(stamp).exists()) << "no half copy is left on the disk";
    EXPECT_TRUE(disk.runner.lines().contains("umount " + platform::sysPath("/mnt")));
}

TEST_F(Maintenance, ExportWaitsForADisk)
{
    startMaintenance();
    putRawFrames();
    DiskRunnerScope disk; // nothing listed
    answers = {QDialog::Accepted, QDialog::Accepted, QDialog::Rejected};
    emit settings().advanceFunctions->exportButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(boxes.size(), 3);
    EXPECT_TRUE(shown(320));
    EXPECT_EQ(disk.runner.lines(), (QStringList{"blkid", "blkid"}));
    EXPECT_EQ(rawFrames(), 4);

    // The disk comes after the first retry question.
    boxes.clear();
    disk.runner.clear();
    answers = {QDialog::Accepted};
    int asked = 0;
    onDialog = [&](QDialog&) {
        if (++asked == 2)
            disk.runner.listing = kSystemAndStick;
        return -1;
    };
    emit settings().advanceFunctions->exportButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(rawFrames(), 0);
    EXPECT_TRUE(shown(147));
}

TEST_F(Maintenance, UpdatePackagesByName)
{
    struct Case {
        const char* file;
        const char* installed;
    };
    const Case cases[] = {
        {"app.tar.xz", "newupdate.tar.xz"},
        {"app v2;reboot.tar.gz", "newupdate.tar.gz"},
        {"app.rar", "newupdate.rar"},
        {"app.tar.bz2", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        startMaintenance();
        DiskRunnerScope disk;
        disk.runner.listing = kSystemAndStick;
        const QString package = platform::sysPath("/mnt/") + c.file;
        putFile(package, QByteArray(50000, 'u'));
        QString startFolder;
        onDialog = [&](QDialog& d) {
            auto* files = qobject_cast<QFileDialog*>(&d);
            if (!files)
                return -1;
            startFolder = files->directory().absolutePath();
            files->selectFile(package);
            return int(QDialog::Accepted);
        };
        emit settings().advanceFunctions->updateButton->clicked();
        ASSERT_TRUE(settle());
        EXPECT_EQ(startFolder, platform::sysPath("/mnt"));
        EXPECT_TRUE(shown(323));
        EXPECT_EQ(watchdogStops, c.installed ? 1 : 0);
        if (c.installed) {
            EXPECT_EQ(fileText(c.installed), QByteArray(50000, 'u'));
            EXPECT_EQ(disk.runner.lines().mid(2), (QStringList{"sync", "reboot"}));
        } else {
            EXPECT_TRUE(QDir().entryList({"newupdate*"}).isEmpty());
            EXPECT_FALSE(disk.runner.lines().contains("reboot"));
        }
        watchdogStops = 0;
        nextCase();
        for (const char* f : {"newupdate.tar.xz", "newupdate.tar.gz", "newupdate.rar"})
            QFile::remove(f);
    }
}

TEST_F(Maintenance, AnUpdateThatCannotBeCopiedDoesNotRestart)
{
    startMaintenance();
    DiskRunnerScope disk;
    disk.runner.listing = kSystemAndStick;
    putFile("newupdate.tar.gz", "the last package");
    onDialog = [&](QDialog& d) {
        auto* files = qobject_cast<QFileDialog*>(&d);
        if (!files)
            return -1;
        files->selectFile(platform::sysPath("/mnt/gone.tar.gz"));
        return int(QDialog::Accepted);
    };
    emit settings().advanceFunctions->updateButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(maintenance::kRowUpdateCopyFailed));
    EXPECT_FALSE(disk.runner.lines().contains("reboot"));
    EXPECT_EQ(fileText("newupdate.tar.gz"), QByteArray("the last package"));
    EXPECT_TRUE(dbOpen("dbIn"));

    // A cancelled choice and a path too short to be a file ask nothing.
    boxes.clear();
    for (const char* chosen : {"", "/a"}) {
        onDialog = [&](QDialog& d) {
            auto* files = qobject_cast<QFileDialog*>(&d);
            if (!files)
                return -1;
            if (QString(chosen).isEmpty())
                return int(QDialog::Rejected);
            files->selectFile(chosen);
            return int(QDialog::Accepted);
        };
        emit settings().advanceFunctions->updateButton->clicked();
        ASSERT_TRUE(settle());
    }
    EXPECT_FALSE(shown(323));
}

// An update that does not happen holds nothing: it says why, the journal
// keeps it, and the next OK cycle frees the clamp as before.
TEST_F(Maintenance, ARefusedUpdateLeavesDetectionReleasing)
{
    struct Case {
        const char* name;
        const char* chosen;
        bool onDisk;
        int row;
    };
    const Case cases[] = {
        {"not an update package", "app.tar", true, maintenance::kRowUpdateNotAPackage},
        {"the copy fails", "gone.tar.gz", false, maintenance::kRowUpdateCopyFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        moldOnly();
        startMaintenance();
        DiskRunnerScope disk;
        disk.runner.listing = kSystemAndStick;
        const QString package = platform::sysPath("/mnt/") + c.chosen;
        if (c.onDisk)
            putFile(package, "package");
        onDialog = [&](QDialog& d) {
            auto* files = qobject_cast<QFileDialog*>(&d);
            if (!files)
                return -1;
            files->selectFile(package);
            return int(QDialog::Accepted);
        };
        emit settings().advanceFunctions->updateButton->clicked();
        ASSERT_TRUE(settle());
        const QString why = c.row == maintenance::kRowUpdateNotAPackage ? LanStr(c.row).arg(c.chosen) : LanStr(c.row);
        EXPECT_FALSE(boxes.filter(why).isEmpty()) << "the operator is told why";
        EXPECT_TRUE(records().contains(why)) << "and the journal keeps it";
        EXPECT_FALSE(disk.runner.lines().contains("reboot"));
        EXPECT_EQ(watchdogStops, 0);
        EXPECT_FALSE(window->leavingProgram);
        EXPECT_EQ(window->runState, 1);
        moldCycle(true);
        EXPECT_EQ(gAllNum[0], 1);
        EXPECT_FALSE(out(0)) << "an OK cycle frees the clamp";
        onDialog = nullptr;
        nextCase();
    }
}

TEST_F(Maintenance, FactoryReset)
{
    startMaintenance();
    emit settings().advanceFunctions->factoryResetButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(maintenance::kRowFactoryFileMissing)) << "no archive: a warning, no restart";
    EXPECT_TRUE(testenv::commands().lines().isEmpty());
    EXPECT_FALSE(QFile::exists("newupdate.tar.gz"));

    putFile("paraGroup/default/20clearsh.tar.gz", "factory state");
    boxes.clear();
    answers = {QDialog::Rejected};
    emit settings().advanceFunctions->factoryResetButton->clicked();
    ASSERT_TRUE(settle());
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(551, 1) + "?"));
    EXPECT_FALSE(QFile::exists("newupdate.tar.gz"));

    emit settings().advanceFunctions->factoryResetButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(fileText("newupdate.tar.gz"), QByteArray("factory state"));
    EXPECT_EQ(testenv::commands().lines(), (QStringList{"sync", "reboot"}));
}
