// The camera driver: opening bound to stored serials, the setter conversions
// of every back-end, serial saving, frame speed and the defaults restore.
#include "camerafixture.h"

#include "cameradriver/cameratexts.h"
#include "cameradriver/camerathread.h"
#include "cameradriver/checkcamera.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/paramdb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QRect>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <clocale>

using camsdk::SimCameraPtr;
using camsdk::Vendor;

namespace {

class DriverTest : public CameraTest {
protected:
    // Two cameras A and B of a vendor, probed as at start-up.
    void twoCameras(Vendor v, const QByteArray& serialB = "SERIAL-BB", int w = 640, int h = 480, bool colour = false)
    {
        a = addCamera(v, "SERIAL-AA", w, h, colour);
        b = addCamera(v, serialB, w, h, colour);
        CheckCameraID();
    }
    SimCameraPtr opened() const { return a->isOpen() ? a : b->isOpen() ? b : nullptr; }

    SimCameraPtr a, b;
};

} // namespace

TEST_F(DriverTest, StoredSerialBindsTheSlotOnlyWhenLongEnough)
{
    struct Case {
        Vendor vendor;
        int backend;
        QByteArray serialB;
        QByteArray stored;  // serial stored for slot 0
        char expected;      // 'A' slot order, 'B' bound, '-' stays closed
    };
    const QByteArray twenty = "ABCDEFGHIJKLMNOPQRST";
    const Case cases[] = {
        {Vendor::Daheng, kCameraDaheng, "SERIAL-BB", "0", 'A'},
        {Vendor::Daheng, kCameraDaheng, "SERIAL-B", "SERIAL-B", 'A'}, // 8 characters do not bind
        {Vendor::Daheng, kCameraDaheng, "SERIAL-BB", "SERIAL-BB", 'B'},
        {Vendor::Daheng, kCameraDaheng, "SERIAL-BB", "SERIAL-XX", '-'},
        {Vendor::Ids, kCameraIds, "SERIAL-BB", "SERIAL-BB", 'B'},
        {Vendor::Ids, kCameraIds, "SERIAL-B", "SERIAL-B", 'A'},
        {Vendor::Ids, kCameraIds, twenty, twenty, 'A'}, // 20 characters do not bind either
        {Vendor::Ids, kCameraIds, "SERIAL-BB", "SERIAL-XX", '-'},
        {Vendor::MindVision, kCameraMind, "SERIAL-BB", "SERIAL-BB", 'B'},
        {Vendor::MindVision, kCameraMind, "SERIAL-B", "SERIAL-B", 'A'},
        {Vendor::MindVision, kCameraMind, "SERIAL-BB", "SERIAL-XX", '-'},
        {Vendor::Hikvision, kCameraHik, "SERIAL-BB", "SERIAL-BB", 'B'},
        {Vendor::Hikvision, kCameraHik, "SERIAL-B", "SERIAL-B", 'A'},
        {Vendor::Hikvision, kCameraHik, "SERIAL-BB", "SERIAL-XX", '-'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("backend %1 stored %2").arg(c.backend).arg(QString(c.stored)).toStdString());
        camsdk::resetSimulators();
        a = addCamera(c.vendor, "SERIAL-AA", 1280, 1024, false, true);
        b = addCamera(c.vendor, c.serialB, 1280, 1024, false, true);
        CheckCameraID();
        ASSERT_EQ(gCameraID, c.backend);
        setSerial(0, c.stored);
        records.clear();
        CameraDriver* d = openSlot(0);
        EXPECT_EQ(d->isOpen(), c.expected != '-');
        EXPECT_EQ(cameraOpened[0], c.expected != '-');
        EXPECT_EQ(opened(), c.expected == 'A' ? a : c.expected == 'B' ? b : nullptr);
        EXPECT_EQ(d->grabThread != nullptr, c.expected != '-');
        if (c.vendor == Vendor::MindVision) {
            if (c.expected == 'B')
                EXPECT_TRUE(records.contains(LanStr(cameratext::kMindOpen).arg(1).arg("SERIAL-BB")));
            if (c.expected == '-')
                EXPECT_EQ(records, QStringList{LanStr(cameratext::kMindFail).arg(-1)});
        }
        closeAll();
        numCamera = 0;
    }
}

TEST_F(DriverTest, SlotsBeyondTheFoundCamerasOrTheDeviceListStayClosed)
{
    twoCameras(Vendor::MindVision);
    gFindCamera = 2;
    EXPECT_FALSE(openSlot(2)->isOpen());
    // A list that shrank since the probe is not read past its end.
    gFindCamera = 4;
    EXPECT_FALSE(openSlot(3)->isOpen());
    EXPECT_TRUE(records.contains(LanStr(cameratext::kMindFail).arg(-1)));
    camsdk::resetSimulators();
    twoCameras(Vendor::Hikvision);
    gFindCamera = 4;
    EXPECT_FALSE(openSlot(3)->isOpen());
}

TEST_F(DriverTest, DahengOpenCentresOrBinsTheSensor)
{
    twoCameras(Vendor::Daheng, "SERIAL-BB", 1280, 1024);
    ASSERT_EQ(gImageW, 1120);
    // The camera still holds a window of another program far to the right:
    // it takes the centring offsets only once the size fits them.
    a->presetValue("0x100003EC", 600);
    a->clearLog();
    ASSERT_TRUE(openSlot(0)->isOpen());
    QStringList window;
    for (const QString& e : a->log())
        if (e.startsWith("0x100003E"))
            window << e;
    EXPECT_EQ(window, (QStringList{"0x100003EC=0", "0x100003ED=0", "0x100003EE=1120", "0x100003EF=840",
                                   "0x100003EC=80", "0x100003ED=92"}));
    EXPECT_EQ(a->outputWidth(), 1120);
    EXPECT_EQ(a->value("0x100003EC"), 80);
    EXPECT_EQ(a->value("0x100003ED"), 92);
    EXPECT_EQ(a->value("0x100003EE"), 1120);
    EXPECT_EQ(a->value("0x100003EF"), 840);
    EXPECT_FALSE(a->has("0x100003F0"));
    EXPECT_EQ(a->value("0x3000178A"), 1);
    EXPECT_EQ(a->value("0x40001395"), 1);
    closeAll();
    camsdk::resetSimulators();
    twoCameras(Vendor::Daheng, "SERIAL-BB", 2592, 1944);
    openSlot(0);
    for (const char* f : {"0x100003F0", "0x100003F1", "0x100003F2", "0x100003F3"})
        EXPECT_EQ(a->value(f), 2) << f;
    EXPECT_EQ(a->value("0x100003EC"), 0);
    EXPECT_EQ(a->value("0x100003EE"), 1296);
    closeAll();

    // A refused size is a failed open with its cause on record.
    camsdk::resetSimulators();
    twoCameras(Vendor::Daheng, "SERIAL-BB", 1280, 1024);
    a->setFailure("GXSetInt 0x100003EF", gx::GX_STATUS_OUT_OF_RANGE);
    records.clear();
    CameraDriver* d = openSlot(0);
    EXPECT_FALSE(d->isOpen());
    EXPECT_FALSE(a->isOpen());
    EXPECT_EQ(records, QStringList{LanStr(cameratext::kDahengWindow).arg(1).arg(1120).arg(840).arg(80).arg(92).arg(-11)});
}

TEST_F(DriverTest, DahengSettingConversions)
{
    twoCameras(Vendor::Daheng, "SERIAL-BB", 640, 480);
    a->setRange("0x20000BC1", 20, 1000020);
    a->setRange("0x20001393", 0, 24);
    a->setRange("0x2000178B", 0, 7);
    a->setRange("0x20001397", 0.1, 4.0);
    para().expose_time[0] = 50;
    para().adjust_plus[0] = 32;
    para().sharp[0] = 50;
    para().gamma[0] = 100;
    para().auto_shading = 1;
    openSlot(0);
    EXPECT_EQ(a->value("0x30000BC2"), 0);
    EXPECT_EQ(a->value("0x20000BC1"), 500020);
    EXPECT_EQ(a->value("0x300036B0"), 1);
    EXPECT_EQ(a->value("0x20001393"), 12);
    EXPECT_EQ(a->value("0x2000178B"), 3);
    EXPECT_DOUBLE_EQ(a->value("0x20001397"), 0.1 + 100 * 3.9 / 250);
    EXPECT_EQ(a->value("0x30000BB8"), 2); // continuous
    EXPECT_EQ(a->value("0x30000BBD"), 0); // trigger off

    const int contrast[][2] = {{0, -50}, {100, 50}, {150, 100}, {151, 100}, {200, 100}};
    for (auto c : contrast) {
        para().contrast[0] = c[0];
        drivers[0]->SetContrast();
        EXPECT_EQ(gContrast[0], c[1]) << c[0];
    }
    // Auto exposure writes only the switch; a range that cannot be read leaves the raw setting.
    para().auto_exposure = 1;
    a->clearLog();
    drivers[0]->SetExposeTime();
    EXPECT_EQ(a->log(), (QStringList{"0x30000BC2=1", "0x300036B0=1"}));
}

TEST_F(DriverTest, IdsSettingConversions)
{
    twoCameras(Vendor::Ids, "SERIAL-BB", 1920, 1200);
    para().expose_time[0] = 30;
    para().adjust_plus[0] = 40;
    para().gamma[0] = 160;
    openSlot(0);
    EXPECT_EQ(a->value("is_Exposure"), 30.0);
    for (const char* c : {"master", "red", "green", "blue"})
        EXPECT_EQ(a->value(QStringLiteral("is_SetHardwareGain %1").arg(c)), 40);
    EXPECT_EQ(a->value("is_Gamma"), 160);
    EXPECT_EQ(a->value("is_SetColorMode"), 6);
    // The working size is the area of interest from the sensor's corner.
    EXPECT_EQ(a->value("is_AOI x"), 0);
    EXPECT_EQ(a->value("is_AOI y"), 0);
    EXPECT_EQ(a->value("is_AOI width"), 1280);
    EXPECT_EQ(a->value("is_AOI height"), 1024);
    EXPECT_EQ(a->value("is_SetAutoParameter 0x8800"), 0);
    EXPECT_EQ(a->value("is_SetAutoParameter 0x8802"), 0);
    EXPECT_EQ(a->value("is_SetHardwareGamma"), 1);
    EXPECT_EQ(a->value("is_PixelClock"), 5);
}

TEST_F(DriverTest, MindVisionSettingConversions)
{
    twoCameras(Vendor::MindVision, "SERIAL-BB", 1280, 1024, true);
    a->setRange("analogGain", 16, 160);
    a->setRange("sharpness", 0, 50); // narrower than the setting's 0..100
    a->setRange("contrast", 0, 200);
    a->setRange("gamma", 0, 250);
    gisColor = true;
    SetImageGeometry(gImageW, gImageH, true);
    para().expose_time[0] = 30;
    para().adjust_plus[0] = 32;
    para().sharp[0] = 50;
    para().contrast[0] = 100;
    para().gamma[0] = 100;
    para().use_external_trigger = 1;
    openSlot(0);
    EXPECT_TRUE(drivers[0]->isOpen());
    EXPECT_EQ(a->value("CameraSetExposureTime"), 30000);
    EXPECT_EQ(a->value("CameraSetAeState"), 0);
    EXPECT_EQ(a->value("CameraSetAnalogGain"), 88);
    EXPECT_EQ(a->value("CameraSetSharpness"), 25); // proportional, not stuck at the minimum
    EXPECT_EQ(a->value("CameraSetGamma"), 100);
    EXPECT_EQ(a->value("CameraSetTriggerMode"), 2);
    // Colour sensor with the colour setting: RGB output, manual white balance.
    EXPECT_EQ(a->value("CameraSetIspOutFormat"), double(mindvision::CAMERA_MEDIA_TYPE_RGB8));
    EXPECT_EQ(a->value("CameraSetWbMode"), 0);
    EXPECT_TRUE(a->log().contains("CameraSetOnceWB"));
    EXPECT_EQ(a->value("CameraSetContrast"), 100);
    EXPECT_EQ(a->value("CameraSetLutMode"), mindvision::LUTMODE_PARAM_GEN); // contrast acts only in this mode
    EXPECT_TRUE(a->log().contains("CameraCommonCall set_awdr_enable(false)"));

    para().auto_exposure = 1;
    para().auto_shading = 1;
    a->clearLog();
    drivers[0]->SetExposeTime();
    EXPECT_EQ(a->log(), (QStringList{"CameraSetAeState=1", "CameraCommonCall set_awdr_enable(true)", "CameraSetOnceWB"}));
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(DriverTest, MindVisionOpenSetsTheWorkingWindowTheOutputFormatAndNoMirroring)
{
    using namespace mindvision;
    const QString mono8 = QString::number(CAMERA_MEDIA_TYPE_MONO8), rgb8 = QString::number(CAMERA_MEDIA_TYPE_RGB8);
    const QVector<uint32_t> bayerOnly; // the simulated colour sensor's own list: its Bayer plane
    const QVector<uint32_t> threeEntries = {CAMERA_MEDIA_TYPE_BAYRG8, CAMERA_MEDIA_TYPE_BAYGR8, CAMERA_MEDIA_TYPE_MONO8};
    const QVector<uint32_t> monoFirst = {CAMERA_MEDIA_TYPE_MONO8, CAMERA_MEDIA_TYPE_BAYGR8};
    struct Case {
        int w, h;
        bool sensorColour, colourSetting;
        QVector<uint32_t> media;
        QStringList expected; // resolution and format calls, in order
        bool greyByLibrary;   // no grey entry: journaled that the library makes grey
    };
    const Case cases[] = {
        // The 2592 sensor works at preset 10 of its list; a one-entry list
        // has no grey entry, so the library turns the frames grey.
        {2592, 1944, true, false, bayerOnly,
         {"CameraSetImageResolution 10 at 4,2 1296x972 out 1296x972", "CameraSetWbMode=0",
          "CameraSetIspOutFormat=" + mono8},
         true},
        // The entry is found by its code, not by its place.
        {1280, 1024, true, false, threeEntries,
         {"CameraSetImageResolution 255 at 80,92 1120x840 out 1120x840", "CameraSetWbMode=0", "CameraSetMediaType=2",
          "CameraSetIspOutFormat=" + mono8},
         false},
        {1280, 1024, true, true, monoFirst,
         {"CameraSetImageResolution 255 at 80,92 1120x840 out 1120x840", "CameraSetWbMode=0", "CameraSetMediaType=1",
          "CameraSetIspOutFormat=" + rgb8},
         false},
        {1280, 1024, false, false, {}, {"CameraSetImageResolution 255 at 80,92 1120x840 out 1120x840",
                                        "CameraSetIspOutFormat=" + mono8, "CameraSetMonochrome=0"}, false},
        {1280, 1024, true, true, bayerOnly, {"CameraSetImageResolution 255 at 80,92 1120x840 out 1120x840",
                                             "CameraSetWbMode=0", "CameraSetMediaType=0", "CameraSetIspOutFormat=" + rgb8},
         false},
        {2048, 1536, true, true, bayerOnly, {"CameraSetImageResolution 255 at 224,168 1600x1200 out 1600x1200",
                                             "CameraSetWbMode=0", "CameraSetIspOutFormat=" + rgb8, "CameraSetMonochrome=0"},
         false},
        {2048, 1536, true, false, bayerOnly, {"CameraSetImageResolution 255 at 224,168 1600x1200 out 1600x1200",
                                              "CameraSetWbMode=0", "CameraSetIspOutFormat=" + mono8, "CameraSetMonochrome=1"},
         false},
        {1600, 1200, false, false, {}, {"CameraSetImageResolution 255 at 150,100 1300x1000 out 1300x1000",
                                        "CameraSetIspOutFormat=" + mono8, "CameraSetMonochrome=0"}, false},
    };
    const QVector<QRect> presets = {QRect(0, 0, 2592, 1944), QRect(0, 0, 2048, 1536), QRect(0, 0, 1920, 1080),
                                    QRect(0, 0, 1600, 1200), QRect(0, 0, 1280, 960),  QRect(0, 0, 1280, 720),
                                    QRect(0, 0, 1024, 768),  QRect(0, 0, 800, 600),   QRect(0, 0, 640, 480),
                                    QRect(0, 0, 2592, 1944), QRect(4, 2, 1296, 972)};
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 colour %2/%3 list of %4").arg(c.w).arg(c.sensorColour).arg(c.colourSetting).arg(c.media.size()).toStdString());
        camsdk::resetSimulators();
        ForgetCameraNotices();
        a = addCamera(Vendor::MindVision, "SERIAL-AA", c.w, c.h, c.sensorColour);
        a->setPresets(presets);
        a->setMediaTypes(c.media);
        gisColor = c.colourSetting;
        CheckCameraID();
        a->clearLog();
        records.clear();
        CameraDriver* d = openSlot(0);
        ASSERT_TRUE(d->isOpen()) << d->openFailure().toStdString();
        QStringList setup;
        for (const QString& e : a->log()) {
            if (e.startsWith("CameraSetTriggerMode"))
                break;
            if (e != "open")
                setup << e;
        }
        EXPECT_EQ(setup.join(" | ").toStdString(),
                  (c.expected + QStringList({"CameraSetMirror 0=0", "CameraSetMirror 1=0", "CameraSetFrameSpeed=0"}))
                      .join(" | ")
                      .toStdString());
        EXPECT_EQ(records.contains(LanStr(cameratext::kMediaNoMono).arg(1)), c.greyByLibrary);
        // The frames come at the working size and are delivered, not refused.
        d->CameraStart();
        EXPECT_TRUE(waitUntil([&] { return d->framesDelivered() >= 2; }));
        EXPECT_EQ(a->frameWidth(), gImageW);
        EXPECT_EQ(a->frameHeight(), gImageH);
        EXPECT_EQ(d->framesDropped(), 0u);
        EXPECT_FALSE(d->hasFault());
        // Journaled once, not at every reopening.
        d->CameraStop();
        d->CameraClose();
        records.clear();
        ASSERT_TRUE(d->CameraOpen());
        EXPECT_FALSE(records.contains(LanStr(cameratext::kMediaNoMono).arg(1)));
        closeAll();
        numCamera = 0;
    }
    gisColor = false;
}

TEST_F(DriverTest, AMindVisionCameraRefusingItsSetUpIsAFailedOpen)
{
    for (const char* call : {"CameraSetImageResolution", "CameraSetIspOutFormat", "CameraSetMonochrome",
                             "CameraSetMirror 1", "CameraSetFrameSpeed"}) {
        SCOPED_TRACE(call);
        camsdk::resetSimulators();
        twoCameras(Vendor::MindVision, "SERIAL-BB", 1280, 1024);
        a->setFailure(call, mindvision::CAMERA_STATUS_PARAMETER_INVALID);
        records.clear();
        CameraDriver* d = openSlot(0);
        EXPECT_FALSE(d->isOpen());
        EXPECT_FALSE(a->isOpen()) << "the camera is let go";
        EXPECT_EQ(d->grabThread, nullptr);
        EXPECT_EQ(records, QStringList{LanStr(cameratext::kMindFail).arg(mindvision::CAMERA_STATUS_PARAMETER_INVALID)});
        closeAll();
        numCamera = 0;
    }
    // A second camera smaller than the working size cannot be centred.
    camsdk::resetSimulators();
    addCamera(Vendor::MindVision, "SERIAL-AA", 1280, 1024);
    addCamera(Vendor::MindVision, "SERIAL-BB", 1024, 768);
    CheckCameraID();
    EXPECT_TRUE(openSlot(0)->isOpen());
    EXPECT_FALSE(openSlot(1)->isOpen());
}

TEST_F(DriverTest, HikvisionSettingConversions)
{
    twoCameras(Vendor::Hikvision, "SERIAL-BB", 1280, 1024);
    a->setRange("Gain", 0, 20);
    a->setRange("Sharpness", 0, 100);
    a->setRange("Gamma", 0, 4);
    para().expose_time[0] = 30;
    para().auto_exposure = 1; // has no effect on these cameras
    para().adjust_plus[0] = 32;
    para().sharp[0] = 50;
    para().gamma[0] = 100;
    openSlot(0);
    EXPECT_EQ(a->value("ExposureTime"), 30000);
    EXPECT_EQ(a->value("ExposureMode"), 0);
    EXPECT_EQ(a->value("ExposureAuto"), 0);
    EXPECT_EQ(a->value("GainAuto"), 0);
    EXPECT_FLOAT_EQ(float(a->value("Gain")), 10.0f);
    EXPECT_EQ(a->value("Sharpness"), 50);
    EXPECT_FLOAT_EQ(float(a->value("Gamma")), 1.6f);
    EXPECT_EQ(a->value("PixelFormat"), double(mvs::PixelType_Gvsp_Mono8));
    EXPECT_EQ(a->value("TriggerMode"), 0);
    EXPECT_EQ(a->value("SharpnessEnable"), 1);
    EXPECT_TRUE(a->log().contains("command UserSetLoad"));
    EXPECT_FALSE(a->has("BalanceWhiteAuto")); // never for a mono setting
    para().use_external_trigger = 1;
    drivers[0]->CameraChangeTrig(false);
    EXPECT_EQ(a->value("TriggerMode"), 1);
    EXPECT_EQ(a->value("TriggerSource"), 0);
}

TEST_F(DriverTest, SettersReadTheEditCopyWhileTheSettingsAreShown)
{
    twoCameras(Vendor::Hikvision);
    para().expose_time[0] = 30;
    edit().expose_time[0] = 7;
    openSlot(0);
    EXPECT_EQ(a->value("ExposureTime"), 30000);
    settingsShown = true;
    drivers[0]->SetExposeTime();
    EXPECT_EQ(a->value("ExposureTime"), 7000);
}

TEST_F(DriverTest, TheFloatingExposureBlockTunesExposureAndGain)
{
    twoCameras(Vendor::Hikvision);
    a->setRange("Gain", 0, 20);
    a->setRange("Sharpness", 0, 100);
    para().expose_time[0] = 30;
    para().adjust_plus[0] = 2;
    para().sharp[0] = 50;
    edit().expose_time[0] = 7;
    edit().adjust_plus[0] = 9;
    edit().sharp[0] = 10;
    openSlot(0);
    const double liveGain = a->value("Gain");
    exposurePanelShown = true; // the settings window itself is hidden
    drivers[0]->SetExposeTime();
    drivers[0]->SetAdjustPlus();
    drivers[0]->SetSharp();
    EXPECT_EQ(a->value("ExposureTime"), 7000);
    EXPECT_NE(a->value("Gain"), liveGain) << "the block's gain slider reaches the camera";
    EXPECT_EQ(a->value("Sharpness"), 50) << "the other settings follow the settings window only";
    exposurePanelShown = false;
    drivers[0]->SetAdjustPlus();
    EXPECT_EQ(a->value("Gain"), liveGain);
}

TEST_F(DriverTest, V4l2FilterTextsFollowTheSettingsInAnyLocale)
{
    struct Row {
        int value;
        const char* contrast;
        const char* gamma;
        const char* sharp;
    };
    const Row rows[] = {
        {100, "eq=contrast=-0.000000:", "gamma=4.060000,", "unsharp=5:5:5.000000"},
        {140, "eq=contrast=0.800000:", "gamma=5.644000,", "unsharp=5:5:7.000000"},
        {200, "eq=contrast=2.000000:", "gamma=8.020000,", "unsharp=5:5:10.000000"},
        {40, "eq=contrast=-1.200000:", "gamma=1.684000,", "unsharp=5:5:2.000000"},
        {0, "eq=contrast=-2.000000:", "gamma=0.100000,", "unsharp=5:5:0.000000"},
    };
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German));
    for (const Row& r : rows) {
        EXPECT_EQ(CameraDriver::contrastText(r.value), QByteArray(r.contrast));
        EXPECT_EQ(CameraDriver::gammaText(r.value), QByteArray(r.gamma));
        EXPECT_EQ(CameraDriver::sharpText(r.value), QByteArray(r.sharp));
    }
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!comma)
        std::cout << "(no comma locale installed; checked with the C library locale only)\n";
}

TEST_F(DriverTest, WhiteBalanceOnlyForColourOnMindVisionAndHikvision)
{
    for (Vendor v : {Vendor::MindVision, Vendor::Hikvision, Vendor::Daheng, Vendor::Ids}) {
        for (bool colour : {false, true}) {
            camsdk::resetSimulators();
            twoCameras(v, "SERIAL-BB", 640, 480, true);
            SetImageGeometry(gImageW, gImageH, colour);
            openSlot(0);
            a->clearLog();
            drivers[0]->SetWB();
            const bool asked = a->log().contains("CameraSetOnceWB") || a->has("BalanceWhiteAuto");
            EXPECT_EQ(asked, colour && (v == Vendor::MindVision || v == Vendor::Hikvision))
                << int(v) << " colour " << colour;
            closeAll();
            numCamera = 0;
        }
    }
}

TEST_F(DriverTest, OperationsOnAClosedCameraDoNothing)
{
    twoCameras(Vendor::MindVision);
    CameraDriver* d = openSlot(0);
    d->CameraStop();
    d->CameraClose();
    a->clearLog();
    edit().expose_time[0] = 77;
    d->SetExposeTime();
    d->SetAdjustPlus();
    d->SetSharp();
    d->SetContrast();
    d->SetGamma();
    d->SetWB();
    d->CameraChangeTrig(true);
    d->RestoreDefaultSettings();
    EXPECT_FALSE(d->CameraStart());
    d->CameraStop();
    d->CameraClose();
    EXPECT_TRUE(a->log().isEmpty()) << a->log().join(", ").toStdString();
    EXPECT_EQ(edit().expose_time[0], 77);
}

TEST_F(DriverTest, SaveSerialsIntoTheSerialDatabaseAsBoundValues)
{
    ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
    ASSERT_TRUE(OpenSqlite(QLatin1String(kSerialConnection), file("SN.db")));
    auto stored = [] {
        QStringList out;
        QSqlQuery q(QSqlDatabase::database(QLatin1String(kSerialConnection)));
        for (int k = 0; k < 8; ++k) {
            q.exec(QStringLiteral("select value from sysparam where name='serialNB%1'").arg(k));
            out << (q.next() ? q.value(0).toString() : QStringLiteral("?"));
        }
        return out;
    };
    twoCameras(Vendor::MindVision, "O'NEIL-2'");
    openSlot(0);
    openSlot(1);
    gCamNO[0] = 1; // the renumbering dialog swapped the two views
    gCamNO[1] = 0;
    records.clear();
    SaveSN(0);
    EXPECT_EQ(stored(), (QStringList{"O'NEIL-2'", "SERIAL-AA", "0", "0", "0", "0", "0", "0"}));
    const QString saved = LanStr(cameratext::kSerialSaved);
    EXPECT_EQ(records, (QStringList{saved.arg(1).arg("O'NEIL-2'"), saved.arg(2).arg("SERIAL-AA")}));
    EXPECT_EQ(QByteArray(gSerialNB[1]), QByteArray("SERIAL-AA"));

    gCamNO[1] = 9; // out of range: that view is skipped
    SaveSN(0);
    EXPECT_EQ(stored().mid(0, 2), (QStringList{"0", "SERIAL-AA"}));

    records.clear();
    EXPECT_TRUE(SaveSN(1));
    EXPECT_EQ(stored(), QStringList({"0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(records, (QStringList{saved.arg(1).arg(0), saved.arg(2).arg(0)}));

    // A row that went missing is written, not silently skipped.
    QSqlQuery(QSqlDatabase::database(QLatin1String(kSerialConnection)))
        .exec(QStringLiteral("delete from sysparam where name='serialNB0'"));
    gCamNO[1] = 0;
    EXPECT_TRUE(SaveSN(0));
    EXPECT_EQ(stored().first(), "O'NEIL-2'");
    EXPECT_TRUE(warnings.isEmpty());
    CloseSqlite(QLatin1String(kSerialConnection));
}

// The disk refuses the save: nothing in memory moves, nothing is journaled
// as saved, and the operator is told.
TEST_F(DriverTest, ASerialSaveTheDiskRefusesChangesNothingAndIsTold)
{
    ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
    twoCameras(Vendor::MindVision);
    openSlot(0);
    openSlot(1);
    setSerial(0, "SERIAL-AA");
    setSerial(1, "SERIAL-BB");
    const int swapped[8] = {1, 0, 2, 3, 4, 5, 6, 7};
    for (const char* how : {"read only", "not open"}) {
        SCOPED_TRACE(how);
        ASSERT_TRUE(OpenSqlite(QLatin1String(kSerialConnection), file("SN.db")));
        if (QByteArray(how) == "read only")
            ASSERT_TRUE(QSqlQuery(QSqlDatabase::database(QLatin1String(kSerialConnection))).exec("PRAGMA query_only=1"));
        else
            CloseSqlite(QLatin1String(kSerialConnection));
        records.clear();
        warnings.clear();
        EXPECT_FALSE(SaveSN(0, swapped));
        EXPECT_EQ(QByteArray(gSerialNB[0]), QByteArray("SERIAL-AA"));
        EXPECT_EQ(QByteArray(gSerialNB[1]), QByteArray("SERIAL-BB"));
        EXPECT_EQ(gCamNO[0], 0);
        EXPECT_EQ(gCamNO[1], 1);
        EXPECT_EQ(records, QStringList{LanStr(cameratext::kSerialsNotSaved)});
        EXPECT_EQ(warnings, QStringList{LanStr(cameratext::kSerialsNotSaved)});
        CloseSqlite(QLatin1String(kSerialConnection));
    }
    // Saved, memory follows the disk.
    ASSERT_TRUE(OpenSqlite(QLatin1String(kSerialConnection), file("SN.db")));
    EXPECT_TRUE(SaveSN(0, swapped));
    EXPECT_EQ(QByteArray(gSerialNB[0]), QByteArray("SERIAL-BB"));
    EXPECT_EQ(gCamNO[0], 1);
    EXPECT_EQ(gCamNO[1], 0);
    CloseSqlite(QLatin1String(kSerialConnection));
}

// What is saved binds at the next start, on every back-end: renumbered
// cameras open in their new slots, and cameras the library now lists in the
// other order stay in theirs.
TEST_F(DriverTest, EveryBackendStoresTheSerialItsNextStartBindsBy)
{
    ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
    ASSERT_TRUE(OpenSqlite(QLatin1String(kSerialConnection), file("SN.db")));
    struct Case {
        Vendor vendor;
        bool swap;      // renumbered: the views exchange their cameras
        bool reordered; // the next start lists the cameras the other way round
    };
    const Case cases[] = {
        {Vendor::Daheng, true, false},     {Vendor::Daheng, false, true},     {Vendor::Daheng, true, true},
        {Vendor::Ids, true, false},        {Vendor::Ids, false, true},        {Vendor::MindVision, true, false},
        {Vendor::MindVision, false, true}, {Vendor::Hikvision, true, false}, {Vendor::Hikvision, false, true},
    };
    // A serial that fills MindVision's 32 bytes, and a USB Hikvision camera's.
    const QByteArray serials[2] = {"SERIAL-AA", "SERIAL-BB-FILLS-THE-WHOLE-FIELD!"};
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 swap %2 reordered %3").arg(vendorName(c.vendor)).arg(c.swap).arg(c.reordered).toStdString());
        const QByteArray b = c.vendor == Vendor::Ids ? QByteArray("SERIAL-BB") : serials[1];
        camsdk::resetSimulators();
        for (auto& serial : gSerialNB)
            setParamText(serial, "0");
        addCamera(c.vendor, serials[0], 1280, 1024);
        addCamera(c.vendor, b, 1280, 1024);
        CheckCameraID();
        openSlot(0);
        openSlot(1);
        ASSERT_EQ(numCamera, 2);
        const int numbers[8] = {c.swap ? 1 : 0, c.swap ? 0 : 1, 2, 3, 4, 5, 6, 7};
        records.clear();
        ASSERT_TRUE(SaveSN(0, numbers));
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join('|').toStdString();
        closeAll();
        numCamera = 0;

        // The next start.
        camsdk::resetSimulators();
        SimCameraPtr first = addCamera(c.vendor, c.reordered ? b : serials[0], 1280, 1024);
        SimCameraPtr second = addCamera(c.vendor, c.reordered ? serials[0] : b, 1280, 1024);
        const SimCameraPtr cameraA = c.reordered ? second : first, cameraB = c.reordered ? first : second;
        CheckCameraID();
        openSlot(0);
        EXPECT_TRUE((c.swap ? cameraB : cameraA)->isOpen()) << "slot 0";
        openSlot(1);
        EXPECT_TRUE(cameraA->isOpen() && cameraB->isOpen());
        EXPECT_EQ(numCamera, 2);
        closeAll();
        numCamera = 0;
    }
    for (int i = 0; i < 8; ++i)
        gCamNO[i] = i;

    // A camera whose library gives no serial that binds is stored as "0",
    // and the operator hears why it will be placed by the list's order.
    camsdk::resetSimulators();
    for (auto& serial : gSerialNB)
        setParamText(serial, "0");
    addCamera(Vendor::Hikvision, "SERIAL-AA");
    addCamera(Vendor::Hikvision, "SHORT");
    CheckCameraID();
    openSlot(0);
    openSlot(1);
    ASSERT_EQ(numCamera, 2);
    records.clear();
    warnings.clear();
    ASSERT_TRUE(SaveSN(0));
    EXPECT_EQ(QByteArray(gSerialNB[1]), QByteArray("0"));
    const QString said = LanStr(cameratext::kSerialUnbound).arg(2).arg("SHORT");
    EXPECT_TRUE(records.contains(said));
    QCoreApplication::processEvents();
    EXPECT_EQ(warnings, QStringList{said});
    CloseSqlite(QLatin1String(kSerialConnection));
}

// Slots 0 and 2 in use, the camera of slot 1 not opened this time: saving
// with the map untouched (template resampling, or the renumbering dialog
// confirmed without a change) keeps every camera in its slot and slot 1's
// binding for its camera's return.
TEST_F(DriverTest, SavingWithAGapInTheSlotsKeepsEveryBinding)
{
    ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
    ASSERT_TRUE(OpenSqlite(QLatin1String(kSerialConnection), file("SN.db")));
    addCamera(Vendor::MindVision, "SERIAL-S0");
    addCamera(Vendor::MindVision, "SERIAL-S2");
    addCamera(Vendor::MindVision, "SERIAL-XX");
    CheckCameraID();
    setSerial(0, "SERIAL-S0");
    setSerial(1, "SERIAL-S1"); // its camera is not connected: the slot stays closed
    setSerial(2, "SERIAL-S2");
    openSlot(0);
    openSlot(1);
    openSlot(2);
    ASSERT_EQ(numCamera, 2);
    ASSERT_EQ(cameraSlot(1), 2);
    for (int k = 0; k < 8; ++k)
        gCamNO[k] = k;
    ASSERT_TRUE(SaveSN(0));
    EXPECT_EQ(QByteArray(gSerialNB[0]), QByteArray("SERIAL-S0"));
    EXPECT_EQ(QByteArray(gSerialNB[1]), QByteArray("SERIAL-S1")) << "the absent camera keeps its slot";
    EXPECT_EQ(QByteArray(gSerialNB[2]), QByteArray("SERIAL-S2")) << "not moved into slot 1";

    gCamNO[0] = 2; // the two cameras in use swapped
    gCamNO[2] = 0;
    ASSERT_TRUE(SaveSN(0));
    EXPECT_EQ(QByteArray(gSerialNB[0]), QByteArray("SERIAL-S2"));
    EXPECT_EQ(QByteArray(gSerialNB[1]), QByteArray("SERIAL-S1"));
    EXPECT_EQ(QByteArray(gSerialNB[2]), QByteArray("SERIAL-S0"));
    CloseSqlite(QLatin1String(kSerialConnection));
}

TEST_F(DriverTest, FrameSpeedPerBackendAndCamerasKeepGrabbing)
{
    struct Case {
        Vendor vendor;
        bool colour;
        int speed;
        const char* key;
        double expected;
    };
    const Case cases[] = {
        {Vendor::Hikvision, false, 3, "AcquisitionFrameRate", 20},
        {Vendor::Hikvision, false, 5, "AcquisitionFrameRate", 5},
        {Vendor::MindVision, false, 2, "CameraSetFrameSpeed", 2},
        {Vendor::MindVision, true, 2, "CameraSetFrameSpeed", 3},
        {Vendor::Ids, false, 30, "is_PixelClock", 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        camsdk::resetSimulators();
        twoCameras(c.vendor, "SERIAL-BB", 1280, 1024, c.colour);
        SetImageGeometry(gImageW, gImageH, c.colour);
        openAndStart(2);
        para().capture_speed = c.speed;
        // A grab thread inside a slow frame call is not waited for.
        if (c.vendor == Vendor::MindVision) {
            ASSERT_TRUE(waitUntil([&] { return drivers[0]->framesDelivered() > 0; })) << "polling";
            a->setHangMs(CameraDriver::kStartWaitMs - 50);
            QThread::msleep(20);
        }
        QElapsedTimer t;
        t.start();
        CameraSetSpeed();
        EXPECT_LT(t.elapsed(), 50) << "ms the speed change held the GUI thread";
        // Repeated changes in quick succession must never leave a grab thread stopped.
        for (int i = 0; i < 2; ++i)
            CameraSetSpeed();
        EXPECT_EQ(a->value(c.key), c.expected);
        EXPECT_EQ(b->value(c.key), c.expected);
        for (auto& d : drivers) {
            EXPECT_TRUE(d->grabThread->running);
            if (c.vendor != Vendor::Hikvision)
                EXPECT_TRUE(d->grabThread->isRunning());
        }
        EXPECT_TRUE(a->acquiring());
        if (c.vendor == Vendor::Hikvision)
            EXPECT_EQ(a->value("AcquisitionFrameRateEnable"), 1);
        closeAll();
        numCamera = 0;
    }
}

TEST_F(DriverTest, MindVisionContrastAndDefaultsOverNarrowAndWideRanges)
{
    struct Case {
        int contrastMax;  // the camera's contrast range is 0..contrastMax
        int written;      // for the setting 100
        int defaultValue; // the camera's own contrast
        int readBack;
    };
    const Case cases[] = {{100, 50, 25, 50}, {1000, 500, 250, 50}, {200, 100, 150, 150}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contrastMax);
        camsdk::resetSimulators();
        twoCameras(Vendor::MindVision, "SERIAL-BB", 1280, 1024);
        a->setRange("contrast", 0, c.contrastMax);
        a->setRange("analogGain", 16, 160);
        a->setRange("sharpness", 0, 50);
        a->setRange("gamma", 0, 250);
        a->presetValue("default:CameraSetExposureTime", 25000);
        a->presetValue("default:CameraSetAnalogGain", 52);
        a->presetValue("default:CameraSetSharpness", 10);
        a->presetValue("default:CameraSetContrast", c.defaultValue);
        a->presetValue("default:CameraSetGamma", 100);
        para().contrast[0] = 100;
        para().capture_speed = 2;
        openAndStart(1);
        EXPECT_EQ(a->value("CameraSetContrast"), c.written);

        a->clearLog();
        restore(drivers[0].get());
        EXPECT_EQ(edit().expose_time[0], 25);
        EXPECT_EQ(edit().adjust_plus[0], 16);
        EXPECT_EQ(edit().sharp[0], 20);
        EXPECT_EQ(edit().contrast[0], c.readBack);
        EXPECT_EQ(edit().gamma[0], 100);
        const QStringList expected = {"CameraStop", "CameraLoadParameter 255",
                                      "CameraSetImageResolution 255 at 80,92 1120x840 out 1120x840",
                                      "CameraSetIspOutFormat=" + QString::number(mindvision::CAMERA_MEDIA_TYPE_MONO8),
                                      "CameraSetMonochrome=0", "CameraSetAeState=0",
                                      // never mirrored, as at open; trigger and LUT as before the load
                                      "CameraSetMirror 0=0", "CameraSetMirror 1=0", "CameraSetFrameSpeed=0",
                                      "CameraSetTriggerMode=0", "CameraSetLutMode=0",
                                      // the settings' frame speed before it starts again
                                      "CameraSetFrameSpeed=2", "CameraPlay"};
        EXPECT_EQ(a->log().join(" | ").toStdString(), expected.join(" | ").toStdString());
        // Still the working size, and still delivering.
        const uint32_t before = drivers[0]->framesDelivered();
        EXPECT_TRUE(waitUntil([&] { return drivers[0]->framesDelivered() > before + 1; }));
        EXPECT_EQ(a->frameWidth(), 1120);
        EXPECT_FALSE(drivers[0]->hasFault());
        closeAll();
        numCamera = 0;
    }
}

// The camera's own set (mirrored, free running, a preset LUT) never
// survives a restore: the picture stays as the open sets it, hardware
// trigger stays on and contrast and gamma keep acting.
TEST_F(DriverTest, ARestoreKeepsThePictureUnmirroredTheTriggerAndTheLut)
{
    twoCameras(Vendor::MindVision, "SERIAL-BB", 1280, 1024);
    a->presetValue("default:CameraSetMirror 1", 1);
    a->presetValue("default:CameraSetTriggerMode", mindvision::TRIGGER_CONTINUATION);
    a->presetValue("default:CameraSetLutMode", mindvision::LUTMODE_PRESET);
    para().use_external_trigger = 1;
    openAndStart(1);
    ASSERT_EQ(a->value("CameraSetTriggerMode"), mindvision::TRIGGER_EXTERNAL);
    restore(drivers[0].get());
    EXPECT_EQ(a->value("CameraSetMirror 0"), 0);
    EXPECT_EQ(a->value("CameraSetMirror 1"), 0);
    EXPECT_EQ(a->value("CameraSetTriggerMode"), mindvision::TRIGGER_EXTERNAL);
    EXPECT_EQ(a->value("CameraSetLutMode"), mindvision::LUTMODE_PARAM_GEN);
    EXPECT_TRUE(a->acquiring());
    // The Hikvision user set brings its own trigger mode too.
    camsdk::resetSimulators();
    closeAll();
    numCamera = 0;
    twoCameras(Vendor::Hikvision, "SERIAL-BB", 1280, 1024);
    openAndStart(1);
    ASSERT_EQ(a->value("TriggerMode"), 1);
    restore(drivers[0].get());
    EXPECT_EQ(a->value("TriggerMode"), 1);
    EXPECT_EQ(a->value("TriggerSource"), 0);
}

// The defaults bring a colour camera's RGB output back and the camera
// refuses grey again: its RGB frames are refused (a fault, so a loss), never
// written as wide as they are into room for grey.
TEST_F(DriverTest, ARestoreWhoseOutputFormatIsRefusedNeverOverrunsTheFrame)
{
    twoCameras(Vendor::MindVision, "SERIAL-BB", 1280, 1024, true);
    a->setMediaTypes({mindvision::CAMERA_MEDIA_TYPE_BAYGR8, mindvision::CAMERA_MEDIA_TYPE_MONO8});
    ASSERT_FALSE(gisColor);
    openAndStart(1);
    CameraDriver* d = drivers[0].get();
    ASSERT_TRUE(waitUntil([&] { return d->framesDelivered() >= 2; }));
    a->setFailure("CameraSetIspOutFormat", mindvision::CAMERA_STATUS_NOT_SUPPORTED);
    records.clear();
    restore(d);
    EXPECT_TRUE(records.contains(
        LanStr(cameratext::kRestoreIncomplete).arg(1).arg(mindvision::CAMERA_STATUS_NOT_SUPPORTED)));
    ASSERT_TRUE(waitUntil([&] { return d->hasFault(); }));
    FaultReport f;
    ASSERT_TRUE(d->takeFault(&f));
    EXPECT_EQ(f.kind, CameraFault::FrameFormat);
    EXPECT_EQ(f.detail, int64_t(mindvision::CAMERA_MEDIA_TYPE_RGB8));
}

TEST_F(DriverTest, DefaultsTheCameraCannotLoadLeaveTheSettingsAndAreSaid)
{
    twoCameras(Vendor::MindVision, "SERIAL-BB", 1280, 1024);
    openAndStart(1);
    a->setFailure("CameraLoadParameter", mindvision::CAMERA_STATUS_TIME_OUT);
    edit().expose_time[0] = 33;
    edit().contrast[0] = 55;
    restore(drivers[0].get());
    EXPECT_EQ(edit().expose_time[0], 33);
    EXPECT_EQ(edit().contrast[0], 55);
    EXPECT_TRUE(a->acquiring());
    const QString said = LanStr(cameratext::kRestoreFailed).arg(1).arg(mindvision::CAMERA_STATUS_TIME_OUT);
    EXPECT_EQ(records, QStringList{said});
    QCoreApplication::processEvents();
    EXPECT_EQ(warnings.join(" | ").toStdString(), said.toStdString());
}

TEST_F(DriverTest, ACameraThatCannotSetTheShadingKeepsItsOwnAndSaysSoOnce)
{
    // An older MindVision library lacks the call; a camera may refuse it.
    // Either way the camera runs on with its own shading, and the operator
    // is told once.
    enum How { Lacking, Refused };
    const QPair<Vendor, How> cases[] = {
        {Vendor::MindVision, Lacking}, {Vendor::MindVision, Refused}, {Vendor::Daheng, Refused}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(vendorName(c.first)).arg(c.second).toStdString());
        camsdk::resetSimulators();
        ForgetCameraNotices();
        records.clear();
        warnings.clear();
        twoCameras(c.first, "SERIAL-BB", 1280, 1024);
        if (c.second == Lacking)
            camsdk::simBus(Vendor::MindVision).setLacking("CameraCommonCall");
        a->setFailure("CameraCommonCall", mindvision::CAMERA_STATUS_NOT_SUPPORTED);
        a->setFailure("GXSetEnum 0x300036B0", gx::GX_STATUS_NOT_IMPLEMENTED);
        para().auto_shading = 1;
        openAndStart(1);
        ASSERT_TRUE(drivers[0]->isOpen());
        drivers[0]->SetExposeTime();
        EXPECT_FALSE(a->log().contains("CameraCommonCall set_awdr_enable(true)"));
        EXPECT_FALSE(a->has("0x300036B0"));
        EXPECT_TRUE(waitUntil([&] { return drivers[0]->framesDelivered() > 0; }));
        const QString said = LanStr(cameratext::kKeepsOwn).arg(1).arg(LanStr(cameratext::kSettingShading));
        EXPECT_EQ(records, QStringList{said});
        EXPECT_TRUE(warnings.isEmpty()) << "never from inside the open";
        QCoreApplication::processEvents();
        EXPECT_EQ(warnings, QStringList{said});
        closeAll();
        numCamera = 0;
    }
}

TEST_F(DriverTest, FixedJournalRecordsReadTheSameInEveryLanguage)
{
    // The reporting client and the archived days read these records.
    const QPair<int, QString> fixed[] = {{605, "Camera Restart"},
                                         {cameratext::kMindOpen, "Mind Open %1 = %2"},
                                         {cameratext::kMindFail, "Mind Fail = %1"},
                                         {cameratext::kSerialSaved, "Save SN %1: %2"}};
    for (const auto& f : fixed)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(LanStr(f.first, column), f.second) << "row " << f.first << " column " << column;
}

TEST_F(DriverTest, HikvisionDefaultsAreReadBackIntoTheEditCopy)
{
    twoCameras(Vendor::Hikvision, "SERIAL-BB", 1280, 1024);
    a->setRange("ExposureTime", 0, 1e6);
    a->setRange("Gain", 0, 16);
    a->setRange("Sharpness", 0, 100);
    a->setRange("Gamma", 0, 4);
    a->presetValue("default:ExposureTime", 25000);
    a->presetValue("default:Gain", 4);
    a->presetValue("default:Sharpness", 30);
    a->presetValue("default:Gamma", 1);
    openAndStart(1);
    edit().contrast[0] = 55;
    restore(drivers[0].get());
    EXPECT_EQ(edit().expose_time[0], 25);
    EXPECT_EQ(edit().adjust_plus[0], 16);
    EXPECT_EQ(edit().sharp[0], 30);
    EXPECT_EQ(edit().gamma[0], 62);
    EXPECT_EQ(edit().contrast[0], 55);
    EXPECT_TRUE(a->acquiring());
}
