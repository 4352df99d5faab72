// The V4L2 back-end through FFmpeg, fed from a small video file at the device
// path: real demuxing, decoding, filter graph and scaling into the receive buffer.
#include "camerafixture.h"
#include "y4m.h"

#include "cameradriver/camerathread.h"
#include "cameradriver/v4l2session.h"
#include "params/geometry.h"
#include "params/paramdb.h"
#include "platform/sysroot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <sys/stat.h>
#include <thread>
#include <QThread>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace {

class V4l2Test : public CameraTest {
protected:
    void SetUp() override
    {
        CameraTest::SetUp();
        CameraDriver::setV4l2InputFormat("yuv4mpegpipe");
        useBackend(kCameraV4l2, 960, 540, false, 1);
        para().contrast[0] = 150; // 1.0
        para().gamma[0] = 23;     // about 1.01
        para().sharp[0] = 0;
    }
    void TearDown() override
    {
        CameraTest::TearDown();
        for (int n = 0; n < 8; ++n)
            QFile::remove(device(n));
        CameraDriver::setV4l2InputFormat("video4linux2");
    }
    static QString device(int n) { return platform::sysPath(QStringLiteral("/dev/video%1").arg(n)); }

    // A filter option as a number (eq keeps its options as expression texts).
    static double option(AVFilterGraph* g, const char* filter, const char* name)
    {
        AVFilterContext* f = avfilter_graph_get_filter(g, filter);
        uint8_t* text = nullptr;
        if (!f || av_opt_get(f, name, AV_OPT_SEARCH_CHILDREN, &text) < 0)
            return -999;
        const double v = QByteArray(reinterpret_cast<const char*>(text)).toDouble();
        av_free(text);
        return v;
    }
    static int pixel(const std::vector<unsigned char>& img, int x, int y) { return img[size_t(y) * 960 + size_t(x)]; }
};

} // namespace

TEST_F(V4l2Test, FilterGraphIsConfiguredFromTheParameters)
{
    ASSERT_TRUE(writeY4m(device(0), 320, 240, 5, [](int) { return 100; }));
    para().contrast[0] = 140;
    para().gamma[0] = 40;
    para().sharp[0] = 20;
    CameraDriver* d = openSlot(0);
    ASSERT_TRUE(d->isOpen());
    EXPECT_EQ(d->filterDescription(), QByteArray("eq=contrast=0.800000:gamma=1.684000,unsharp=5:5:1.000000"));
    ASSERT_NE(d->avGraph, nullptr);
    EXPECT_NEAR(option(d->avGraph, "Parsed_eq_0", "contrast"), 0.8, 1e-6);
    EXPECT_NEAR(option(d->avGraph, "Parsed_eq_0", "gamma"), 1.684, 1e-6);
    EXPECT_NEAR(option(d->avGraph, "Parsed_unsharp_1", "luma_amount"), 1.0, 1e-6);

    // A changed setting rebuilds the graph with the new number.
    para().contrast[0] = 200;
    d->SetContrast();
    EXPECT_NEAR(option(d->avGraph, "Parsed_eq_0", "contrast"), 2.0, 1e-6);
    // A description FFmpeg refuses keeps the working graph.
    AVFilterGraph* before = d->avGraph;
    {
        std::lock_guard<std::mutex> lock(d->graphMutex);
        EXPECT_LT(d->init_filters("nosuchfilter=1"), 0);
    }
    EXPECT_EQ(d->avGraph, before);
}

TEST_F(V4l2Test, DecodedFramesReachTheReceiveBufferCentredOnBlack)
{
    ASSERT_TRUE(writeY4m(device(0), 320, 240, 20, [](int) { return 100; }));
    CameraDriver* d = openSlot(0);
    ASSERT_TRUE(d->isOpen());
    d->CameraStart();
    ASSERT_TRUE(waitUntil([&] { return d->framesDelivered() >= 3; }));
    std::vector<unsigned char> img(static_cast<size_t>(gColorLen), 0);
    EXPECT_TRUE(d->takeFrame(img.data()));
    // 320 x 240 sits at (320, 150) .. (639, 389).
    EXPECT_EQ(pixel(img, 319, 200), 0);
    EXPECT_EQ(pixel(img, 640, 200), 0);
    EXPECT_EQ(pixel(img, 400, 149), 0);
    EXPECT_EQ(pixel(img, 400, 390), 0);
    // Luma 100 of the video range becomes grey (100 - 16) * 255 / 219.
    for (auto [x, y] : {std::pair{320, 150}, {639, 389}, {480, 270}})
        EXPECT_NEAR(pixel(img, x, y), 98, 3) << x << ',' << y;
}

TEST_F(V4l2Test, ColourSettingGivesRgbaFrames)
{
    SetImageGeometry(960, 540, true);
    ASSERT_TRUE(writeY4m(device(0), 960, 540, 10, [](int) { return 180; }));
    CameraDriver* d = openSlot(0);
    d->CameraStart();
    ASSERT_TRUE(waitUntil([&] { return d->framesDelivered() >= 2; }));
    std::vector<unsigned char> img(static_cast<size_t>(gColorLen), 0);
    d->takeFrame(img.data());
    const size_t at = (size_t(270) * 960 + 480) * 4;
    EXPECT_NEAR(img[at], 191, 3); // (180 - 16) * 255 / 219, as without colour
    EXPECT_EQ(img[at], img[at + 1]);
    EXPECT_EQ(img[at + 1], img[at + 2]);
    EXPECT_EQ(img[at + 3], 255);
}

TEST_F(V4l2Test, LargerFramesAreScaledDownToFit)
{
    struct Case {
        int w, h;
        cv::Rect filled;
    };
    const Case cases[] = {{1280, 720, {0, 0, 960, 540}}, {1920, 1200, {48, 0, 864, 540}}, {960, 540, {0, 0, 960, 540}}};
    CameraDriver d(0);
    for (const Case& c : cases) {
        AVFrame* f = av_frame_alloc();
        f->width = c.w;
        f->height = c.h;
        f->format = AV_PIX_FMT_GRAY8;
        ASSERT_GE(av_frame_get_buffer(f, 0), 0);
        for (int y = 0; y < c.h; ++y)
            memset(f->data[0] + y * f->linesize[0], 200, size_t(c.w));
        const cv::Mat m = d.avframe_to_cvmat(f);
        av_frame_free(&f);
        ASSERT_EQ(m.cols, 960);
        ASSERT_EQ(m.rows, 540);
        EXPECT_EQ(cv::countNonZero(m), c.filled.area()) << c.w << 'x' << c.h;
        EXPECT_EQ(cv::countNonZero(m(c.filled)), c.filled.area());
    }
}

TEST_F(V4l2Test, AReadWaitingForTheDeviceDoesNotHoldTheFrameLock)
{
    // The device is a pipe the test feeds: a read blocks like a camera between frames.
    const QString path = device(0);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const QString frames = file("frames.y4m");
    ASSERT_TRUE(writeY4m(frames, 64, 48, 40, [](int n) { return 40 + n; }));
    QFile f(frames);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    const int header = all.indexOf('\n') + 1;
    const int frameBytes = 6 + 64 * 48 * 3 / 2;
    std::atomic<bool> more{false};
    std::thread writer([&] {
        QFile pipe(path);
        if (!pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        pipe.write(all.left(header + 5 * frameBytes));
        while (!more)
            QThread::msleep(5);
        pipe.write(all.mid(header + 5 * frameBytes));
    });
    CameraDriver* d = openSlot(0);
    ASSERT_TRUE(d->isOpen());
    d->CameraStart();
    ASSERT_TRUE(waitUntil([&] { return d->packetsRead() >= 5; }));
    QThread::msleep(50); // the thread now waits in its read for the next frame
    QElapsedTimer t;
    t.start();
    std::vector<unsigned char> img(static_cast<size_t>(gColorLen), 0);
    for (int i = 0; i < 20; ++i)
        d->takeFrame(img.data());
    EXPECT_LT(t.elapsed(), 100) << "the frame lock was held while reading";
    more = true;
    EXPECT_TRUE(waitUntil([&] { return d->packetsRead() >= 40; }));
    writer.join();
}

TEST_F(V4l2Test, FailedReadsPauseInsteadOfSpinning)
{
    ASSERT_TRUE(writeY4m(device(0), 64, 48, 3, [](int) { return 50; }));
    CameraDriver* d = openSlot(0);
    d->CameraStart();
    ASSERT_TRUE(waitUntil([&] { return d->readFailures() >= 1; }));
    const uint32_t first = d->readFailures();
    QThread::msleep(200);
    EXPECT_LE(d->readFailures() - first, 25u);
}

TEST_F(V4l2Test, SlotWithoutItsOwnDeviceTakesTheFirstFreeOneFromTheFoundCount)
{
    gFindCamera = 2;
    ASSERT_TRUE(writeY4m(device(0), 64, 48, 3, [](int) { return 50; }));
    CameraDriver* none = openSlot(1);
    EXPECT_FALSE(none->isOpen());
    ASSERT_TRUE(writeY4m(device(3), 64, 48, 3, [](int) { return 50; }));
    CameraDriver* d = openSlot(1);
    EXPECT_TRUE(d->isOpen());
}

TEST_F(V4l2Test, DefaultsRestoreTheFilterTexts)
{
    ASSERT_TRUE(writeY4m(device(0), 64, 48, 3, [](int) { return 50; }));
    CameraDriver* d = openSlot(0);
    d->extraPart = "extra";
    d->RestoreDefaultSettings();
    EXPECT_EQ(edit().contrast[0], 140);
    EXPECT_EQ(edit().gamma[0], 40);
    EXPECT_EQ(edit().sharp[0], 0);
    EXPECT_EQ(d->filterDescription(), QByteArray("eq=contrast=0.800000:gamma=1.684000,unsharp=5:5:0.000000"));
}

// A camera is bound by what the kernel tells of it: its USB serial, or its
// place on the bus where two cameras give the same serial (or none). The
// binding saved holds however the kernel numbers the devices next time.
TEST_F(V4l2Test, CamerasAreBoundByTheirSerialOrBusPathWhateverTheirDeviceNumbers)
{
    const QString sys = platform::sysPath("/sys");
    const QString usb = sys + "/devices/pci0000:00/0000:00:14.0/usb1";
    auto cleanSys = [&] {
        QDir(sys + "/class/video4linux").removeRecursively();
        QDir(sys + "/devices/pci0000:00").removeRecursively();
    };
    // "/dev/video<n>" is an interface of the USB device on `port`.
    auto plug = [&](int n, const QString& port, const QByteArray& serial) {
        const QString device = usb + '/' + port;
        ASSERT_TRUE(QDir().mkpath(device + '/' + port + ":1.0"));
        QFile vendor(device + "/idVendor");
        ASSERT_TRUE(vendor.open(QIODevice::WriteOnly));
        vendor.write("1234\n");
        QFile::remove(device + "/serial");
        if (!serial.isEmpty()) {
            QFile f(device + "/serial");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(serial + '\n');
        }
        const QString node = sys + QString("/class/video4linux/video%1").arg(n);
        ASSERT_TRUE(QDir().mkpath(node));
        QFile::remove(node + "/device");
        ASSERT_TRUE(QFile::link(device + '/' + port + ":1.0", node + "/device"));
    };
    ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
    ASSERT_TRUE(OpenSqlite(QLatin1String(kSerialConnection), file("SN.db")));
    gFindCamera = 2;
    struct Case {
        QByteArray serialA, serialB;
        QByteArray bindsA; // what slot 0 stores for camera A
    };
    const Case cases[] = {
        {"CAM-0001", "CAM-0002", "sn:CAM-0001"},
        {"SAME", "SAME", "path:pci0000:00/0000:00:14.0/usb1/1-1"},
        {"", "", "path:pci0000:00/0000:00:14.0/usb1/1-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bindsA.toStdString());
        cleanSys();
        for (auto& serial : gSerialNB)
            setParamText(serial, "0");
        plug(0, "1-1", c.serialA);
        plug(1, "1-2", c.serialB);
        ASSERT_TRUE(writeY4m(device(0), 64, 48, 3, [](int) { return 50; }));
        ASSERT_TRUE(writeY4m(device(1), 64, 48, 3, [](int) { return 90; }));
        CameraDriver* a = openSlot(0);
        openSlot(1);
        ASSERT_EQ(numCamera, 2);
        EXPECT_EQ(a->deviceSerial(), c.bindsA);
        ASSERT_TRUE(SaveSN(0));
        closeAll();
        numCamera = 0;

        // The kernel numbers the two cameras the other way round.
        plug(0, "1-2", c.serialB);
        plug(1, "1-1", c.serialA);
        CameraDriver* slot0 = openSlot(0);
        CameraDriver* slot1 = openSlot(1);
        ASSERT_TRUE(slot0->isOpen() && slot1->isOpen());
        EXPECT_EQ(slot0->v4l2->number, 1) << "camera A, now the second device";
        EXPECT_EQ(slot1->v4l2->number, 0);
        closeAll();
        numCamera = 0;

        // Camera A unplugged: slot 0 stays closed instead of taking camera B.
        QFile::remove(sys + "/class/video4linux/video1/device");
        QFile::remove(device(1));
        EXPECT_FALSE(openSlot(0)->isOpen());
        closeAll();
        numCamera = 0;
    }
    cleanSys();
    CloseSqlite(QLatin1String(kSerialConnection));
}
