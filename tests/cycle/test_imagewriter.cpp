#include "monitor/savefialimagethread.h"
#include "cameradriver/cameraglobals.h"
#include "monitor/mainwindow.h"
#include "params/geometry.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <cstring>

namespace {

// The writer on its own, driven pass by pass on the test thread; its pauses
// advance a manual clock, so file names are known in advance.
class ImageWriter : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        platform::Clock::setInstance(&clock);
        SetImageGeometry(64, 48, false);
        gPicNumNG = 3;
        gPicNumOK = 2;
        setCameraSlots({0, 1});
        // The standard procedure's two steps are in use.
        para.step_enabled[0] = para.step_enabled[1] = 1;
        gpWPara = &para;
        gDNum = 2;
        // What an earlier test of the program left behind: a window whose
        // image folders the writer would take, requests and region numbers.
        ASSERT_EQ(gpWin, nullptr);
        {
            QMutexLocker lock(pMutexSaveFail);
            for (auto& c : gisSaveFail)
                for (auto& st : c)
                    st[0] = st[1] = false;
            std::memset(gFailIndex, 0, sizeof gFailIndex);
        }
        AllocateFailImages();
        writer.reset(new SaveFialImageThread);
        writer->sleep = [this](int ms) {
            sleeps << ms;
            clock.advanceMs(ms);
            if (duringWrite)
                duringWrite();
        };
    }
    void TearDown() override
    {
        writer.reset();
        gpWPara = nullptr;
        platform::Clock::setInstance(nullptr);
        InTempFolder::TearDown();
    }
    // What the camera view's rendering does: the image, the first failing
    // region while none is recorded, and the request.
    void render(int cam, int step, int kind, int firstFail, QRgb colour)
    {
        QMutexLocker lock(pMutexSaveFail);
        auto* px = reinterpret_cast<QRgb*>(gpFailImage[cam][step][kind]);
        std::fill(px, px + gImageLen, colour);
        if (kind == 0 && gFailIndex[cam][step] == 0)
            gFailIndex[cam][step] = firstFail;
        gisSaveFail[cam][step][kind] = true;
    }
    QStringList files(int cam, int step, int kind)
    {
        return QDir(writer->folder(cam, step, kind)).entryList({"*.jpg"}, QDir::Files, QDir::Name);
    }

    WizardPara para;
    platform::ManualClock clock{QDateTime(QDate(2026, 3, 4), QTime(10, 20, 30))};
    std::unique_ptr<SaveFialImageThread> writer;
    QList<int> sleeps;
    std::function<void()> duringWrite;
};

} // namespace

TEST_F(ImageWriter, NamesCarryTheFirstFailingRegionAndStayDistinctWithinASecond)
{
    render(0, 1, 0, 4, qRgb(200, 0, 0));
    render(1, 0, 1, 0, qRgb(0, 200, 0));
    EXPECT_EQ(writer->pass(), 2);
    EXPECT_EQ(files(0, 1, 0), QStringList{"4_2026-03-04_10.20.30.jpg"});
    EXPECT_EQ(files(1, 0, 1), QStringList{"2026-03-04_10.20.30.jpg"}) << "an OK image carries no prefix";
    EXPECT_EQ(sleeps, (QList<int>{200, 200}));
    EXPECT_EQ(gFailIndex[0][1], 0);

    // Two more OK images of the same camera and step within one second.
    clock.setNow(QDateTime(QDate(2026, 3, 4), QTime(10, 21, 0)));
    render(1, 0, 1, 0, qRgb(0, 0, 10));
    writer->sleep = [](int) {};
    writer->pass();
    render(1, 0, 1, 0, qRgb(0, 0, 20));
    writer->pass();
    const QStringList ok = files(1, 0, 1);
    EXPECT_EQ(ok.size(), 2) << "limit 2 keeps the two newest";
    EXPECT_TRUE(ok.contains("2026-03-04_10.21.00.jpg"));
    EXPECT_TRUE(ok.contains("2026-03-04_10.21.00_2.jpg")) << qPrintable(ok.join(' '));

    QImage saved(writer->folder(0, 1, 0) + "/4_2026-03-04_10.20.30.jpg");
    ASSERT_EQ(saved.size(), QSize(64, 48));
    EXPECT_GT(qRed(saved.pixel(10, 10)), 150);
}

TEST_F(ImageWriter, ARedetectedAlarmPutsBothImagesIntoTheNgFolderOneSecondApart)
{
    render(0, 1, 0, 2, qRgb(255, 0, 0));
    render(0, 1, 1, 0, qRgb(0, 255, 0));
    EXPECT_EQ(writer->pass(), 2);
    EXPECT_EQ(files(0, 1, 0), (QStringList{"2_2026-03-04_10.20.30.jpg", "2_2026-03-04_10.20.31.jpg"}));
    EXPECT_TRUE(files(0, 1, 1).isEmpty());
    EXPECT_EQ(sleeps, (QList<int>{1000, 200}));
}

TEST_F(ImageWriter, PruningKeepsTheLimitWithTheNewImage)
{
    const QString dir = writer->folder(0, 0, 0);
    QDir().mkpath(dir);
    for (int n = 0; n < 3; ++n) {
        QFile f(QString("%1/old%2.jpg").arg(dir).arg(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(8, n)), QFileDevice::FileModificationTime));
        f.close();
    }
    render(0, 0, 0, 0, qRgb(1, 2, 3));
    writer->pass();
    EXPECT_EQ(files(0, 0, 0), (QStringList{"2026-03-04_10.20.30.jpg", "old1.jpg", "old2.jpg"}));
}

TEST_F(ImageWriter, AFolderWithoutRoomWritesNothingButTakesTheRequest)
{
    gPicNumNG = 0;
    writer.reset(new SaveFialImageThread);
    writer->sleep = [](int) {};
    render(0, 0, 0, 1, qRgb(1, 2, 3));
    EXPECT_EQ(writer->pass(), 0);
    EXPECT_TRUE(files(0, 0, 0).isEmpty());
    QMutexLocker lock(pMutexSaveFail);
    EXPECT_FALSE(gisSaveFail[0][0][0]);
}

TEST_F(ImageWriter, ANewerImageRenderedDuringTheWriteKeepsItsOwnRegionIndex)
{
    render(1, 1, 0, 2, qRgb(255, 0, 0));
    // While the first image is encoded the GUI thread renders the next NG.
    duringWrite = [this] {
        duringWrite = nullptr;
        render(1, 1, 0, 5, qRgb(0, 0, 255));
    };
    writer->pass();
    {
        QMutexLocker lock(pMutexSaveFail);
        EXPECT_EQ(gFailIndex[1][1], 5);
        EXPECT_TRUE(gisSaveFail[1][1][0]);
    }
    writer->pass();
    const QStringList ng = files(1, 1, 0);
    ASSERT_EQ(ng.size(), 2);
    EXPECT_TRUE(ng[0].startsWith("2_")) << qPrintable(ng.join(' '));
    EXPECT_TRUE(ng[1].startsWith("5_")) << qPrintable(ng.join(' '));
}

TEST_F(ImageWriter, BuffersOnlyForTheSlotsOfTheCamerasAndTheStepsInUse)
{
    setCameraSlots({0, 2}); // slot 1's camera did not open
    AllocateFailImages();
    QMutexLocker lock(pMutexSaveFail);
    for (int c = 0; c < 8; ++c)
        for (int s = 0; s < 8; ++s)
            for (int k = 0; k < 2; ++k)
                EXPECT_EQ(gpFailImage[c][s][k] != nullptr, (c == 0 || c == 2) && s < 2) << c << " " << s << " " << k;
}

TEST_F(ImageWriter, TheThreadWritesWhatTheCycleRequests)
{
    platform::Clock::setInstance(nullptr);
    writer.reset();
    StartFailImageWriter();
    render(1, 0, 0, 3, qRgb(9, 9, 9));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000 && QDir("alarmimage/camera2/detect1/NG").entryList({"*.jpg"}).isEmpty())
        QThread::msleep(10);
    EXPECT_EQ(QDir("alarmimage/camera2/detect1/NG").entryList({"*.jpg"}).size(), 1);
    gpSaveFialImageThread->requestInterruption();
    gpSaveFialImageThread->wait();
    delete gpSaveFialImageThread;
    gpSaveFialImageThread = nullptr;
}

TEST_F(ImageWriter, AStepGivenUpLosesItsBuffersAndItsRequestsWriteNothing)
{
    // Nothing is written for a request without a buffer (never an older image).
    render(0, 0, 0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(writer->pass(), 1);
    para.step_enabled[1] = 0;
    AllocateFailImages();
    EXPECT_EQ(gpFailImage[0][1][0], nullptr);
    EXPECT_NE(gpFailImage[0][0][0], nullptr);
    {
        QMutexLocker lock(pMutexSaveFail);
        gisSaveFail[0][1][0] = true;
    }
    EXPECT_EQ(writer->pass(), 0);
    EXPECT_TRUE(files(0, 1, 0).isEmpty());
}
