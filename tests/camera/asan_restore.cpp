// A MindVision defaults restore after which the camera refuses grey again,
// under the address sanitizer: the library then processes each frame as RGB,
// three bytes per pixel, and those frames must be refused, never written
// past room made for grey ones.
#include "cameradriver/cameradriver.h"
#include "params/geometry.h"
#include "params/wizardpara.h"
#include "platform/cameras/simcamera.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(2);
    }
    return true;
}

} // namespace

TEST(RestoreUnderAsan, RgbFramesAfterARefusedFormatAreRefusedNotWrittenPastTheGreyFrame)
{
    using namespace mindvision;
    camsdk::resetSimulators();
    WizardPara para, bak;
    gpWPara = &para;
    gpWParaBak = &bak;
    for (auto& s : gSerialNB)
        setParamText(s, "0");
    camsdk::SimSpec spec;
    spec.serial = "SERIAL-AA";
    spec.sensorWidth = 640;
    spec.sensorHeight = 480;
    spec.colour = true;
    camsdk::SimCameraPtr camera = camsdk::simBus(camsdk::Vendor::MindVision).add(spec);
    camera->setMediaTypes({CAMERA_MEDIA_TYPE_BAYGR8, CAMERA_MEDIA_TYPE_MONO8});
    gCameraID = kCameraMind;
    gFindCamera = 1;
    gOW = 640;
    gOH = 480;
    gSensorColor = 1;
    SetImageGeometry(640, 480, false); // the colour setting off: grey frames
    gCListCount = kMaxDevices;
    CameraEnumerateDevice(gCList, &gCListCount);
    numCamera = 0;
    {
        CameraDriver d(0);
        ASSERT_TRUE(d.CameraOpen());
        countCamera(0);
        d.CameraStart();
        ASSERT_TRUE(waitUntil([&] { return d.framesDelivered() >= 2; }));
        camera->setFailure("CameraSetIspOutFormat", CAMERA_STATUS_NOT_SUPPORTED);
        bool answered = false;
        d.RestoreDefaultSettings([&](bool) { answered = true; }); // the camera's own set is RGB
        ASSERT_TRUE(waitUntil([&] {
            QCoreApplication::processEvents();
            return answered;
        }));
        ASSERT_TRUE(waitUntil([&] { return d.framesDropped() >= 3; }));
        FaultReport f;
        ASSERT_TRUE(d.takeFault(&f));
        EXPECT_EQ(f.kind, CameraFault::FrameFormat);
        d.CameraStop();
        d.CameraClose();
    }
    numCamera = 0;
    camsdk::resetSimulators();
    gpWPara = gpWParaBak = nullptr;
}

int main(int argc, char** argv)
{
    qputenv("INMOLD_TEST_MODE", "1");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
