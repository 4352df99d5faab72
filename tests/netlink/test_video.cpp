// Shared video frames read by a second process as the client reads them:
// keys, sizes, the description, the I420 contents, and the semaphore when a
// client holds it or leaves while holding it. The segments and semaphores
// the tests make are removed again.
#include "linkfixture.h"

#include "params/geometry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <opencv2/imgproc.hpp>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>

namespace {

key_t keyOf(int project)
{
    return ftok(QFile::encodeName(testenv::sysRoot() + "/tmp").constData(), project);
}

int semValue(int semid) { return semctl(semid, 0, GETVAL); }

struct Read {
    int exitCode = -1;
    int shmid = -1, semid = -1;
    int size = 0;
    QByteArray bytes;
};

// Runs the second process; with hold it keeps the semaphore when it ends.
Read readFrame(int id, bool hold = false)
{
    const QString out = QDir::current().filePath(QStringLiteral("frame%1.bin").arg(id));
    QFile::remove(out);
    QProcess p;
    QStringList args{testenv::sysRoot(), QString::number(id), out};
    if (hold)
        args << "--hold";
    p.start(QCoreApplication::applicationDirPath() + "/shmreader", args);
    Read r;
    if (!p.waitForFinished(10000))
        return r;
    r.exitCode = p.exitCode();
    const QStringList fields = QString::fromLatin1(p.readAllStandardOutput()).simplified().split(' ');
    if (fields.size() == 3) {
        r.shmid = fields[0].toInt();
        r.semid = fields[1].toInt();
        r.size = fields[2].toInt();
    }
    QFile f(out);
    if (f.open(QIODevice::ReadOnly))
        r.bytes = f.readAll();
    return r;
}

QByteArray i420(const cv::Mat& bgra, int width, int height)
{
    cv::Mat out;
    cv::cvtColor(bgra(cv::Rect(0, 0, width, height)), out, cv::COLOR_BGRA2YUV_I420);
    return QByteArray(reinterpret_cast<const char*>(out.data), int(out.total()));
}

cv::Mat pattern(int width, int height, int seed)
{
    cv::Mat m(height, width, CV_8UC4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            m.at<cv::Vec4b>(y, x) = cv::Vec4b(uchar(x * 3 + seed), uchar(y * 5), uchar((x + y + seed) * 7), 255);
    return m;
}

} // namespace

class LinkVideo : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        QDir().mkpath(testenv::sysRoot() + "/tmp");
        para.video_type = 2;
        para.video_fps = 3;
    }
    void TearDown() override
    {
        link.reset();
        // Nothing the test made is left in the system.
        for (int id = 0; id < 8; ++id) {
            EXPECT_LT(shmget(keyOf(1000 + id), 0, 0), 0) << "segment " << id;
            EXPECT_LT(semget(keyOf(2000 + id), 0, 0), 0) << "semaphore " << id;
        }
        LinkTest::TearDown();
    }
};

TEST_F(LinkVideo, KeysSizesAndTheDescription)
{
    makeLink();
    cv::Mat big = pattern(1280, 1024, 1);
    cv::Mat odd = pattern(641, 481, 2);
    link->CNT_AddUseMemory(0, 1280, 1024, big.data);
    link->CNT_AddUseMemory(5, 641, 481, odd.data);
    const VideoShareInfo& a = link->videoShares[0];
    const VideoShareInfo& b = link->videoShares[5];
    EXPECT_EQ(a.size, 1966080);
    EXPECT_EQ(shmget(keyOf(1000), 0, 0), a.shmid);
    EXPECT_EQ(semget(keyOf(2000), 0, 0), a.semid);
    EXPECT_EQ(shmget(keyOf(1005), 0, 0), b.shmid);
    EXPECT_EQ(semget(keyOf(2005), 0, 0), b.semid);
    EXPECT_EQ(b.width, 640) << "even sizes";
    EXPECT_EQ(b.height, 480);
    EXPECT_EQ(b.size, 640 * 480 * 3 / 2);
    EXPECT_EQ(semValue(a.semid), 1);
    for (int choice = 0; choice <= 5; ++choice)
        EXPECT_EQ(sharedvideo::announcedFps(choice), choice < 5 ? 5 + 5 * choice : 0);

    // Every connection gets the description once.
    StandInClient& c = connectClient();
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 1; }));
    EXPECT_EQ(c.frames()[0].kind, 9);
    const QJsonArray info = QJsonDocument::fromJson(c.frames()[0].body).object().value("memoryinfo").toArray();
    ASSERT_EQ(info.size(), 2);
    const QJsonObject first = info[0].toObject();
    EXPECT_EQ(first.keys().size(), 7);
    EXPECT_EQ(first.value("shmid").toInt(), a.shmid);
    EXPECT_EQ(first.value("semid").toInt(), a.semid);
    EXPECT_EQ(first.value("cameraid").toInt(), 0);
    EXPECT_EQ(first.value("size").toInt(), 1966080);
    EXPECT_EQ(first.value("width").toInt(), 1280);
    EXPECT_EQ(first.value("height").toInt(), 1024);
    EXPECT_EQ(first.value("fps").toInt(), 20);
    EXPECT_TRUE(c.frames()[0].body.indexOf("\"shmid\"") < c.frames()[0].body.indexOf("\"fps\""));
    link->CNT_SendMemoryInfo();
    QTest::qWait(100);
    EXPECT_EQ(c.frameCount(), 1);
    c.disconnect();
    ASSERT_TRUE(waitFor([&] { return link->currentConnection() == 0; }));
    StandInClient& d = connectClient();
    ASSERT_TRUE(waitFor([&] { return d.frameCount() == 1; }));
    EXPECT_EQ(d.frames()[0].kind, 9);
    // Also a connection that takes over one still open.
    StandInClient& e = connectClient();
    ASSERT_TRUE(waitFor([&] { return e.frameCount() == 1; }));
    EXPECT_EQ(e.frames()[0].kind, 9);
}

TEST_F(LinkVideo, FramesAreReadByASecondProcess)
{
    makeLink();
    cv::Mat view = pattern(320, 240, 3);
    link->CNT_AddUseMemory(1, 320, 240, view.data);

    // Before any client has the description nothing is written.
    link->frameTick();
    EXPECT_FALSE(link->CNT_UpdateMemory(1));
    Read r = readFrame(1);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.bytes, QByteArray(320 * 240 * 3 / 2, '\0'));

    connectClient();
    ASSERT_TRUE(waitFor([&] { return link->memInfoSent; }));
    link->frameTick(); // stamps the time into the view's picture and copies it
    r = readFrame(1);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.shmid, link->videoShares[1].shmid);
    EXPECT_EQ(r.semid, link->videoShares[1].semid);
    EXPECT_EQ(r.size, 115200);
    EXPECT_EQ(r.bytes, i420(view, 320, 240));
    EXPECT_NE(r.bytes, i420(pattern(320, 240, 3), 320, 240)) << "the time stamp is in the picture";
    EXPECT_EQ(semValue(r.semid), 1) << "the reader gave it back";

    // The interface name "null" stops every copy.
    setParamText(gpWPara->CntNet_UseName, "null");
    pattern(320, 240, 9).copyTo(view); // the same buffer the view registered
    link->frameTick();
    EXPECT_NE(readFrame(1).bytes, i420(view, 320, 240));
    setParamText(gpWPara->CntNet_UseName, "");
    link->frameTick();
    EXPECT_EQ(readFrame(1).bytes, i420(view, 320, 240));
}

TEST_F(LinkVideo, AClientHoldingTheSemaphoreNeverStallsTheCopyAndItsGoingReleasesIt)
{
    makeLink();
    cv::Mat view = pattern(160, 120, 4);
    link->CNT_AddUseMemory(2, 160, 120, view.data);
    StandInClient& c = connectClient();
    ASSERT_TRUE(waitFor([&] { return link->memInfoSent; }));
    const int semid = link->videoShares[2].semid;

    // A reader that took the frame and died without giving it back.
    ASSERT_EQ(readFrame(2, true).exitCode, 0);
    EXPECT_EQ(semValue(semid), 0);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link->CNT_UpdateMemory(2));
    EXPECT_LT(t.elapsed(), 1000) << "the copy gave up instead of waiting for the client";
    EXPECT_TRUE(linktest::warnings().join('\n').contains("held by the client"));

    // When the client goes, the frame is free again, at 1 and not above.
    c.disconnect();
    ASSERT_TRUE(waitFor([&] { return link->currentConnection() == 0; }));
    EXPECT_EQ(semValue(semid), 1);
    connectClient();
    ASSERT_TRUE(waitFor([&] { return link->memInfoSent; }));
    EXPECT_TRUE(link->CNT_UpdateMemory(2));
    // A connection that takes over frees what the one before held.
    ASSERT_EQ(readFrame(2, true).exitCode, 0);
    EXPECT_EQ(semValue(semid), 0);
    StandInClient& d = connectClient();
    EXPECT_EQ(semValue(semid), 1);
    ASSERT_TRUE(waitFor([&] { return link->memInfoSent; }));
    EXPECT_TRUE(link->CNT_UpdateMemory(2));
    d.disconnect();
    ASSERT_TRUE(waitFor([&] { return link->currentConnection() == 0; }));
    EXPECT_EQ(semValue(semid), 1) << "a client that held nothing leaves it at 1";
}

TEST_F(LinkVideo, StaleSegmentsOfAnotherSizeAreReplaced)
{
    makeLink();
    const int small = shmget(keyOf(1003), 100, IPC_CREAT | 0666);
    ASSERT_GE(small, 0);
    const int large = shmget(keyOf(1004), 100000, IPC_CREAT | 0666);
    ASSERT_GE(large, 0);
    cv::Mat view = pattern(64, 64, 5);
    link->CNT_AddUseMemory(3, 64, 64, view.data);
    link->CNT_AddUseMemory(4, 64, 64, view.data);
    for (int id : {3, 4}) {
        const int shmid = link->videoShares[id].shmid;
        ASSERT_GE(shmid, 0);
        shmid_ds ds {};
        ASSERT_EQ(shmctl(shmid, IPC_STAT, &ds), 0);
        EXPECT_EQ(ds.shm_segsz, 6144u) << id;
        EXPECT_EQ(shmget(keyOf(1000 + id), 0, 0), shmid);
    }
    EXPECT_TRUE(linktest::warnings().join('\n').contains("stale shared segment"));
}

TEST_F(LinkVideo, ScreenImageIsTheCameraDisplayArea)
{
    para.video_type = 1;
    gShowW = 1725;
    gShowH = 982;
    makeLink();
    const cv::Mat screen = pattern(1725, 982, 6);
    link->sources.screen = [&] {
        return QImage(screen.data, screen.cols, screen.rows, int(screen.step), QImage::Format_RGB32).copy();
    };
    link->CNT_FirstInit();
    ASSERT_TRUE(link->videoShares.contains(0));
    EXPECT_EQ(link->videoShares[0].width, 1724) << "cut to even";
    EXPECT_EQ(link->videoShares[0].height, 982);
    connectClient();
    ASSERT_TRUE(waitFor([&] { return link->memInfoSent; }));
    link->frameTick();
    const Read r = readFrame(0);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.bytes, i420(screen, 1724, 982));
}
