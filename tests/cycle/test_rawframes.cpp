// Raw frames kept while the operator saves them: written by a thread of
// their own after the verdict, from the very frame that was judged.
#include "cyclefixture.h"

#include "monitor/cycletexts.h"
#include "monitor/rawframestore.h"

#include <QImage>
#include <QTest>
#include <QSemaphore>
#include <atomic>

namespace {

void putFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

class RawFrames : public CycleWindow {
protected:
    // Mode 0 with the mold step only, watched by both cameras, raw frames on.
    void startSaving()
    {
        moldOnly();
        start();
        watchStep(1);
        window->saveOriginalImages = 1;
    }
    // The writer's thread waits at each frame until the test lets it go.
    void holdWriter()
    {
        window->rawWriter.save = [this](const RawFrameWriter::Job& job, QString* written) {
            {
                QMutexLocker lock(pMutexIO);
                if (ioframe::outputActive(gDataOut, 0, *gpWPara))
                    clampHeldAtWrite = true;
            }
            ++begun;
            gate.acquire();
            return RawFrameWriter::writeBmp(job, written);
        };
    }
    void tearDownWriter()
    {
        gate.release(100);
        window->rawWriter.waitIdle(20000);
    }
    static QFileInfoList saved(const QString& folder)
    {
        return QDir(folder).entryInfoList(QDir::Files);
    }
    QSemaphore gate;
    std::atomic<int> begun{0};
    std::atomic<bool> clampHeldAtWrite{false};
};

} // namespace

TEST_F(RawFrames, TheVerdictAndItsOutputsComeFirstAndTheJudgedFrameIsWritten)
{
    startSaving();
    holdWriter();
    moldCycle(true, true);
    EXPECT_FALSE(out(0)) << "the OK verdict released the clamp";
    EXPECT_EQ(begun, 0) << "nothing is written inside the judgement";

    QCoreApplication::processEvents(); // the event after the verdict hands the frames over
    ASSERT_TRUE(QTest::qWaitFor([&] { return begun == 1; }, 5000));
    EXPECT_FALSE(clampHeldAtWrite) << "the release was out before the bitmap was begun";

    // The cycle goes on while the bitmap is written: new frames are taken,
    // and the next cycle is judged on them (a stuck part, NG).
    for (int i = 0; i < 3; ++i)
        newFrames(false, true);
    EXPECT_EQ(view(0)->curImage.at<uchar>(0, 0), 20) << "the newest frame went into a buffer of its own";
    moldCycle(false, true);
    EXPECT_EQ(window->displayState, 2);
    EXPECT_TRUE(out(0));

    gate.release(100);
    ASSERT_TRUE(rawFramesWritten());
    // Both cycles of both cameras; each bitmap shows what was judged.
    QStringList greys;
    for (const char* folder : {"originalimage/cammer12", "originalimage/cammer22"}) {
        const QFileInfoList files = saved(folder);
        ASSERT_EQ(files.size(), 2) << folder;
        for (const QFileInfo& f : files) {
            EXPECT_TRUE(f.fileName().endsWith(".bmp")) << f.fileName().toStdString();
            const QImage img(f.absoluteFilePath());
            ASSERT_EQ(img.size(), QSize(gImageW, gImageH));
            greys << QString::number(qGray(img.pixel(gImageW / 2, gImageH / 2)));
        }
    }
    greys.sort();
    EXPECT_EQ(greys, (QStringList{"20", "200", "200", "200"}));
}

TEST_F(RawFrames, FramesThatCannotBeSavedAreReportedOnce)
{
    struct Case {
        const char* name;
        int cycles;
        int row;
    } cases[] = {
        {"a file in place of the camera's folder", 3, cycletext::kRawFrameNotSaved},
        {"the writer behind the cycle", RawFrameWriter::kMaxWaiting / 2 + 2, cycletext::kRawFramesSkipped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startSaving();
        const bool behind = c.row == cycletext::kRawFramesSkipped;
        if (behind)
            holdWriter();
        else if (QDir("originalimage/cammer12").removeRecursively())
            putFile("originalimage/cammer12", "not a folder");
        for (int i = 0; i < c.cycles; ++i) {
            moldCycle(true, true);
            QCoreApplication::processEvents();
            if (!behind)
                ASSERT_TRUE(rawFramesWritten());
        }
        QCoreApplication::processEvents(); // the writer's reports
        int recorded = 0;
        for (const QString& r : records())
            recorded += r.startsWith(LanStr(c.row).section('%', 0, 0)) ? 1 : 0;
        EXPECT_EQ(recorded, 1) << records().join(" | ").toStdString();
        EXPECT_FALSE(out(0)) << "the cycle went on";
        if (behind)
            tearDownWriter();
        nextCase();
        QDir("originalimage").removeRecursively();
        QFile::remove("originalimage");
    }
}
