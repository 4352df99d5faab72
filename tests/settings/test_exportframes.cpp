// An export while the cycle keeps saving raw frames: every frame is on the
// disk or still on the device, and frames pruned during the copy do not fail
// the export.
#include "maintfixture.h"

#include "../platform/usbdiskfixture.h"
#include "settings/advancefuncwidget.h"

#include <QThread>
#include <atomic>
#include <deque>
#include <thread>

TEST_F(Maintenance, FramesSavedDuringAnExportAreOnTheDiskOrStillOnTheDevice)
{
    startMaintenance();
    DiskRunnerScope disk;
    disk.runner.listing = kSystemAndStick;
    const QString copy = platform::sysPath("/mnt") + "/" + clock.now().toString("yyyy-MM-dd_hh.mm.ss") + "/"
        + QDir(folder()).dirName();
    // Something to copy after the raw frames, so that the copy takes a while.
    putFile("video.bin", QByteArray(24 << 20, 'v'));

    // A writer that keeps saving frames of camera 1, step 1 and, as the
    // cycle's store does, deletes the oldest beyond 40.
    const QString raw = "originalimage/cammer11";
    std::deque<QString> kept;
    QStringList written;
    int n = 0;
    auto save = [&] {
        const QString name = QString("%1/frame%2.bmp").arg(raw).arg(n++, 6, 10, QChar('0'));
        putFile(name + ".part", QByteArray(4096, 'f'));
        QFile::rename(name + ".part", name);
        written << name;
        kept.push_back(name);
        if (kept.size() > 40) {
            QFile::remove(kept.front());
            kept.pop_front();
        }
    };
    for (int i = 0; i < 40; ++i)
        save();
    std::atomic<bool> stop{false};
    std::thread cycle([&] {
        while (!stop) {
            save();
            QThread::usleep(200);
        }
    });

    emit settings().advanceFunctions->exportButton->clicked();
    const bool settled = settle();
    stop = true;
    cycle.join();
    ASSERT_TRUE(settled);
    EXPECT_TRUE(shown(147)) << boxes.join(" / ").toStdString();

    int onDisk = 0, onDevice = 0, lost = 0;
    for (const QString& f : written) {
        const bool pruned = std::find(kept.begin(), kept.end(), f) == kept.end();
        if (QFile::exists(copy + "/" + f))
            ++onDisk;
        else if (QFile::exists(f))
            ++onDevice;
        else if (!pruned)
            ++lost;
    }
    EXPECT_EQ(lost, 0) << "frames neither on the disk nor on the device";
    EXPECT_GT(onDisk, 0);
    EXPECT_GT(onDevice, 0) << "frames saved during the copy stayed on the device";
    // The frames there before the press left the device (copied, or pruned).
    for (int i = 0; i < 40; ++i)
        EXPECT_FALSE(QFile::exists(written[i])) << written[i].toStdString();
}
