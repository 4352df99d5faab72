// Choosing the back-end: probe order, fall-through, working sizes, counts.
#include "camerafixture.h"
#include "y4m.h"

#include "cameradriver/checkcamera.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "platform/sysroot.h"

#include <QFile>
#include <QRect>
#include <cstring>

using camsdk::Vendor;

namespace {

int gRepairResult = 0;
int repairStub() { return gRepairResult; }

void writeDevices(const QByteArray& text)
{
    QFile f(QStringLiteral("devices"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

class ProbeTest : public CameraTest {
protected:
    void SetUp() override
    {
        CameraTest::SetUp();
        gRepairResult = 0;
        gRepairCameraAddresses = &repairStub;
        CameraDriver::setV4l2InputFormat("yuv4mpegpipe");
        gisColor = false;
    }
    void TearDown() override
    {
        CameraDriver::setV4l2InputFormat("video4linux2");
        QFile::remove(platform::sysPath(QStringLiteral("/dev/video0")));
        CameraTest::TearDown();
    }
};

} // namespace

TEST_F(ProbeTest, WithoutAnySdkNoCameraIsFound)
{
    // The vendor libraries are not installed here: every layer reports no
    // devices and the probe falls through to the no-camera state.
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraNone);
    EXPECT_EQ(gFindCamera, 4);
    EXPECT_EQ(gImageW, 1920);
    EXPECT_EQ(gImageH, 1080);
    EXPECT_EQ(gImageLen, 1920 * 1080);
    EXPECT_TRUE(sleeps.isEmpty());
}

TEST_F(ProbeTest, RepairedAddressesAreGivenSixSecondsBeforeTheProbe)
{
    gRepairResult = 2;
    CheckCameraID();
    EXPECT_EQ(sleeps, QList<int>{6000});
    sleeps.clear();
    gRepairResult = -1; // no interface: no wait
    CheckCameraID();
    EXPECT_TRUE(sleeps.isEmpty());
}

TEST_F(ProbeTest, FirstBackendThatFindsACameraWins)
{
    struct Case {
        const char* name;
        std::function<void(ProbeTest*)> setup;
        int expected;
    };
    const std::vector<Case> cases = {
        {"all present: Daheng first",
         [](ProbeTest* t) {
             for (Vendor v : {Vendor::Daheng, Vendor::Ids, Vendor::MindVision, Vendor::Hikvision})
                 t->addCamera(v, "SER000001");
         },
         kCameraDaheng},
        {"Daheng list status fails: IDS",
         [](ProbeTest* t) {
             t->addCamera(Vendor::Daheng, "SER000001");
             camsdk::simBus(Vendor::Daheng).setFailure("GXUpdateDeviceList", -3);
             t->addCamera(Vendor::Ids, "SER000002");
         },
         kCameraIds},
        {"IDS init fails: MindVision",
         [](ProbeTest* t) {
             t->addCamera(Vendor::Ids, "SER000002");
             camsdk::simBus(Vendor::Ids).setFailure("is_InitCamera", -1);
             t->addCamera(Vendor::MindVision, "SER000003");
         },
         kCameraMind},
        {"IDS sensor query fails: MindVision",
         [](ProbeTest* t) {
             t->addCamera(Vendor::Ids, "SER000002")->setFailure("is_GetSensorInfo", -1);
             t->addCamera(Vendor::MindVision, "SER000003");
         },
         kCameraMind},
        {"first MindVision camera fails to open: Hikvision",
         [](ProbeTest* t) {
             t->addCamera(Vendor::MindVision, "SER000003")->setFailure("CameraInit", -5);
             t->addCamera(Vendor::Hikvision, "SER000004");
         },
         kCameraHik},
        {"Hikvision camera cannot be opened: nothing",
         [](ProbeTest* t) { t->addCamera(Vendor::Hikvision, "SER000004")->setFailure("MV_CC_OpenDevice", -1); },
         kCameraNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camsdk::resetSimulators();
        c.setup(this);
        CheckCameraID();
        EXPECT_EQ(gCameraID, c.expected);
        // The probe leaves no camera open behind it.
        for (Vendor v : {Vendor::Daheng, Vendor::Ids, Vendor::MindVision, Vendor::Hikvision})
            for (const auto& cam : camsdk::simBus(v).all())
                EXPECT_FALSE(cam->isOpen()) << cam->spec().serial.constData();
    }
}

TEST_F(ProbeTest, DahengWorkingSizeTable)
{
    struct Row {
        int ow, oh;
        bool cut;
        WorkingSize daheng;
    };
    const Row rows[] = {
        {1280, 1024, true, {1120, 840}},  {1280, 1024, false, {1280, 1024}}, {1600, 1200, true, {1600, 1200}},
        {2048, 1536, true, {1600, 1200}}, {2048, 1536, false, {2048, 1536}}, {2592, 1944, false, {1296, 972}},
        {2592, 1944, true, {1296, 972}},  {3088, 2064, true, {3088, 2064}},  {1440, 1080, true, {1440, 1080}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1x%2 cut %3").arg(r.ow).arg(r.oh).arg(r.cut).toStdString());
        const WorkingSize d = DahengWorkingSize(r.ow, r.oh, r.cut);
        EXPECT_EQ(d.width, r.daheng.width);
        EXPECT_EQ(d.height, r.daheng.height);
    }
}

TEST_F(ProbeTest, DahengProbeSetsSensorAndCount)
{
    // The first camera still holds a narrower window another program left:
    // the working size comes from the sensor, not from that window.
    addCamera(Vendor::Daheng, "DH0000001", 2592, 1944)->setOutputSize(1024, 768);
    addCamera(Vendor::Daheng, "DH0000002", 2592, 1944);
    gisCut = 0;
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraDaheng);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(gOW, 2592);
    EXPECT_EQ(gOH, 1944);
    EXPECT_EQ(gImageW, 1296);
    EXPECT_EQ(gImageH, 972);
}

TEST_F(ProbeTest, DahengDeviceOfAFailedSizeQueryIsClosed)
{
    auto cam = addCamera(Vendor::Daheng, "DH0000001");
    cam->setFailure("GXGetInt 0x100003EB", -7);
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraNone);
    EXPECT_FALSE(cam->isOpen());
}

TEST_F(ProbeTest, IdsProbeWaitsAndCountsAgain)
{
    addCamera(Vendor::Ids, "ID0000001", 1936, 1216);
    addCamera(Vendor::Ids, "ID0000002", 1936, 1216);
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraIds);
    EXPECT_EQ(gImageW, 1280);
    EXPECT_EQ(gImageH, 1024);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(sleeps, QList<int>{3000});
    EXPECT_EQ(gOW, 0);
}

TEST_F(ProbeTest, MindVisionWorkingSizeTable)
{
    // Preset lists: entry 10 of eleven or more is the 2592 working size.
    auto presets = [](int n) {
        std::vector<mindvision::tSdkImageResolution> list(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            list[size_t(i)].iIndex = i;
            list[size_t(i)].iWidth = 2592 - 100 * i;
            list[size_t(i)].iHeight = 1944 - 100 * i;
        }
        return list;
    };
    struct Row {
        int ow, oh;
        bool cut;
        int presetCount; // -1: no list at all
        WorkingSize expected;
        bool fault;
    };
    const Row rows[] = {
        {1280, 1024, true, 12, {1120, 840}, false},   {1280, 1024, false, 12, {1280, 1024}, false},
        {1600, 1200, true, 12, {1300, 1000}, false},  {1600, 1200, false, 12, {1600, 1200}, false},
        {2048, 1536, true, 12, {1600, 1200}, false},  {2048, 1536, false, 12, {2048, 1536}, false},
        {3088, 2064, true, 12, {2592, 1944}, false},  {3088, 2064, false, 12, {3088, 2064}, false},
        {2592, 1944, true, 11, {1592, 944}, false},   {2592, 1944, false, 11, {2592, 1944}, false},
        {2592, 1944, true, 10, {2592, 1944}, true},   {2592, 1944, true, -1, {2592, 1944}, true},
        {1440, 1080, true, 12, {1440, 1080}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1x%2 cut %3 presets %4").arg(r.ow).arg(r.oh).arg(r.cut).arg(r.presetCount).toStdString());
        std::vector<mindvision::tSdkImageResolution> list = presets(qMax(0, r.presetCount));
        mindvision::tSdkCameraCapbility cap{};
        cap.pImageSizeDesc = r.presetCount < 0 ? nullptr : list.data();
        cap.iImageSizeDesc = r.presetCount < 0 ? 12 : r.presetCount; // a count without a list reads nothing
        mindvision::tSdkImageResolution preset{};
        preset.iIndex = 77;
        QString fault;
        const WorkingSize w = MindWorkingSize(r.ow, r.oh, r.cut, cap, &preset, &fault);
        EXPECT_EQ(w.width, r.expected.width);
        EXPECT_EQ(w.height, r.expected.height);
        EXPECT_EQ(!fault.isEmpty(), r.fault) << fault.toStdString();
        const bool usesPreset = r.ow == 2592 && r.cut && !r.fault;
        EXPECT_EQ(preset.iIndex, usesPreset ? 10 : 0);
        EXPECT_EQ(preset.iWidth, usesPreset ? w.width : 0);
    }
}

TEST_F(ProbeTest, MindVisionProbeReadsCapabilityAndThePresetOfItsWorkingSize)
{
    const QVector<QRect> twelve = {QRect(0, 0, 2592, 1944), QRect(0, 0, 2048, 1536), QRect(0, 0, 1920, 1080),
                                   QRect(0, 0, 1600, 1200), QRect(0, 0, 1280, 960),  QRect(0, 0, 1280, 720),
                                   QRect(0, 0, 1024, 768),  QRect(0, 0, 800, 600),   QRect(0, 0, 640, 480),
                                   QRect(0, 0, 2592, 1944), QRect(4, 2, 1296, 972),  QRect(0, 0, 320, 240)};
    for (auto cam : {addCamera(Vendor::MindVision, "MV0000001", 2592, 1944, true),
                     addCamera(Vendor::MindVision, "MV0000002", 2592, 1944, true)})
        cam->setPresets(twelve);
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraMind);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(gSensorColor, 1);
    EXPECT_EQ(gOW, 2592);
    EXPECT_EQ(gOH, 1944);
    EXPECT_EQ(gImageW, 1296);
    EXPECT_EQ(gImageH, 972);
    EXPECT_EQ(gImageResolution.iIndex, 10);
    EXPECT_EQ(gImageResolution.iHOffsetFOV, 4);
    EXPECT_EQ(gCListCount, 2);
    EXPECT_EQ(QByteArray(gCList[1].acSn), QByteArray("MV0000002"));
    EXPECT_TRUE(records.isEmpty());

    // A list without entry 10 is a fault on record, not a read past its end.
    camsdk::resetSimulators();
    addCamera(Vendor::MindVision, "MV0000001", 2592, 1944, true)->setPresets(twelve.mid(0, 10));
    CheckCameraID();
    EXPECT_EQ(gImageW, 2592);
    EXPECT_EQ(gImageH, 1944);
    EXPECT_EQ(gImageResolution.iWidth, 0);
    EXPECT_EQ(records, QStringList{LanStr(1610).arg(10).arg(2592).arg(1944)});
}

TEST_F(ProbeTest, HikvisionModelNameDecidesColour)
{
    for (const char* model : {"MV-CA050-10GM", "MV-CA050-10GC", "MV-CA050-10Gm"}) {
        SCOPED_TRACE(model);
        camsdk::resetSimulators();
        camsdk::SimSpec s;
        s.serial = "HK0000001";
        s.model = model;
        s.sensorWidth = 2448;
        s.sensorHeight = 2048;
        s.gige = true;
        s.ip = 0xC0A80105;
        s.hostIp = 0xC0A80101;
        s.mask = 0xFFFFFF00;
        auto cam = camsdk::simBus(Vendor::Hikvision).add(s);
        addCamera(Vendor::Hikvision, "HK0000002", 2448, 2048);
        CheckCameraID();
        EXPECT_EQ(gCameraID, kCameraHik);
        EXPECT_EQ(gSensorColor, QByteArray(model).endsWith('M') ? 0 : 1);
        EXPECT_EQ(gOW, 2448);
        EXPECT_EQ(gImageW, 2448);
        EXPECT_EQ(gFindCamera, 2);
        // In its host's subnet: nothing is changed.
        EXPECT_FALSE(cam->log().join(' ').contains("MV_GIGE_ForceIpEx"));
    }
}

TEST_F(ProbeTest, UsbCamerasAreCountedFromTheKernelList)
{
    writeDevices("N: Name=\"USB Camera\"\nN: Name=\"HD webcam\"\nN: Name=\"A WEBCAM camera\"\n"
                 "N: Name=\"Keyboard\"\nP: Phys=usb-camera\n");
    EXPECT_EQ(CheckUSBCameraNum(), 4);
    const QStringList lines = testenv::commands().lines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), "cp -f " + platform::sysPath("/proc/bus/input/devices") + " .");
    // A copy that failed leaves no fresh list: nothing is counted from a stale one.
    platform::CommandResult failed;
    failed.started = true;
    failed.exitCode = 1;
    testenv::commands().script("cp", failed);
    EXPECT_EQ(CheckUSBCameraNum(), 0);
    testenv::commands().script("cp", platform::CommandResult{true, 0, {}, {}});
}

TEST_F(ProbeTest, V4l2IsChosenWhenTheFirstDeviceHasVideo)
{
    writeDevices("N: Name=\"UVC Camera\"\nN: Name=\"UVC Camera 2\"\n");
    // USB cameras counted but no device node: no camera.
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraNone);
    EXPECT_EQ(gFindCamera, 4);

    ASSERT_TRUE(writeY4m(platform::sysPath("/dev/video0"), 320, 240, 3, [](int) { return 100; }));
    CheckCameraID();
    EXPECT_EQ(gCameraID, kCameraV4l2);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(gImageW, 960);
    EXPECT_EQ(gImageH, 540);
}

TEST_F(ProbeTest, VersionRecordIsTheLibraryTextOnlyForMindVisionAndNeverGuessed)
{
    camsdk::SimBus& bus = camsdk::simBus(Vendor::MindVision);
    addCamera(Vendor::MindVision, "MV0000001");
    CheckCameraID();
    ASSERT_EQ(gCameraID, kCameraMind);
    bus.setVersion("2.1.0.43(20230518)");
    EXPECT_EQ(SdkVersionRecord(), "2.1.0.43(20230518)");
    bus.setVersion(QByteArray(80, '7')); // longer than the buffer: cut, never past it
    EXPECT_EQ(SdkVersionRecord(), QString(63, '7'));
    bus.setVersion("");
    EXPECT_EQ(SdkVersionRecord(), LanStr(1460)); // none given: said so
    bus.setVersion("2.1.0.43");
    bus.setFailure("CameraSdkGetVersionString", mindvision::CAMERA_STATUS_FAILED);
    EXPECT_EQ(SdkVersionRecord(), LanStr(1460));
    gCameraID = kCameraHik;
    EXPECT_TRUE(SdkVersionRecord().isEmpty());
}
