// The frame hand-off under the thread sanitizer: grab threads and the SDK's
// callback thread deliver while the cycle's side copies frames out and the
// settings change contrast, gamma and frame speed.
#include "y4m.h"

#include "cameradriver/cameradriver.h"
#include "cameradriver/camerathread.h"
#include "params/geometry.h"
#include "params/wizardpara.h"
#include "platform/cameras/simcamera.h"
#include "platform/sysroot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using camsdk::Vendor;

namespace {

class HandOff : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        camsdk::resetSimulators();
        gpWPara = &para;
        gpWParaBak = &bak;
        for (auto& s : gSerialNB)
            setParamText(s, "0");
        numCamera = 0;
        gisLost = 0;
    }
    void TearDown() override
    {
        drivers.clear();
        camsdk::resetSimulators();
        gpWPara = gpWParaBak = nullptr;
    }
    void openTwo(Vendor v, int backend)
    {
        for (const char* serial : {"SERIAL-AA", "SERIAL-BB"}) {
            camsdk::SimSpec s;
            s.serial = serial;
            s.sensorWidth = 64;
            s.sensorHeight = 48;
            camsdk::simBus(v).add(s)->setMidFramePauseMs(1); // the IDS camera writes in two halves
        }
        gCameraID = backend;
        gFindCamera = 2;
        gOW = 64;
        gOH = 48;
        SetImageGeometry(64, 48, false);
        if (backend == kCameraMind) {
            gCListCount = mindvision::kMaxDevices;
            mindvision::CameraEnumerateDevice(gCList, &gCListCount);
        }
        if (backend == kCameraHik)
            mvs::MV_CC_EnumDevices(mvs::MV_GIGE_DEVICE | mvs::MV_USB_DEVICE, &gDevList);
        openAll(2);
    }
    void openAll(int n)
    {
        for (int i = 0; i < n; ++i) {
            drivers.push_back(std::make_unique<CameraDriver>(i));
            ASSERT_TRUE(drivers.back()->CameraOpen());
            countCamera(i);
            drivers.back()->CameraStart();
        }
    }
    // The cycle's copy every few milliseconds while the settings change.
    void exercise(int ms)
    {
        std::vector<unsigned char> frame(static_cast<size_t>(gColorLen), 0);
        std::vector<int> fresh(drivers.size(), 0);
        QElapsedTimer t;
        t.start();
        for (int i = 0; t.elapsed() < ms; ++i) {
            for (size_t k = 0; k < drivers.size(); ++k)
                fresh[k] += drivers[k]->takeFrame(frame.data()) ? 1 : 0;
            if (i % 10 == 0) {
                para.contrast[0] = 100 + i % 100;
                para.gamma[0] = 50 + i % 50;
                drivers[0]->SetContrast();
                drivers[0]->SetGamma();
            }
            if (i % 150 == 75) {
                para.capture_speed = i % 20;
                CameraSetSpeed();
            }
            QThread::msleep(3);
        }
        for (size_t k = 0; k < drivers.size(); ++k)
            EXPECT_GT(fresh[k], 0) << "slot " << k;
    }

    WizardPara para;
    WizardPara bak;
    std::vector<std::unique_ptr<CameraDriver>> drivers;
};

} // namespace

TEST_P(HandOff, FramesAreCopiedOutWhileSettingsChange)
{
    switch (GetParam()) {
    case kCameraDaheng:
        openTwo(Vendor::Daheng, kCameraDaheng);
        break;
    case kCameraMind:
        openTwo(Vendor::MindVision, kCameraMind);
        break;
    case kCameraHik:
        openTwo(Vendor::Hikvision, kCameraHik);
        break;
    case kCameraIds:
        openTwo(Vendor::Ids, kCameraIds);
        break;
    case kCameraV4l2: {
        ASSERT_TRUE(writeY4m(platform::sysPath("/dev/video0"), 64, 48, 200, [](int n) { return 20 + n; }));
        CameraDriver::setV4l2InputFormat("yuv4mpegpipe");
        gCameraID = kCameraV4l2;
        gFindCamera = 1;
        SetImageGeometry(960, 540, false);
        openAll(1);
        break;
    }
    }
    exercise(1200);
}

INSTANTIATE_TEST_SUITE_P(Backends, HandOff, ::testing::Values(kCameraDaheng, kCameraIds, kCameraMind, kCameraHik, kCameraV4l2));

// A defaults restore lends the camera to a thread of its own while the
// cycle copies frames out and the settings are tried on it: once to its
// end, and once with a loss that marks the cameras closed and closes them
// on another thread (as the recovery's worker does) before the cameras open
// again.
class RestoreHandOff : public HandOff {
protected:
    // Until the restore answered (the event loop run, frames copied out, the
    // settings tried meanwhile); its answer.
    int untilAnswered(const std::shared_ptr<int>& answer)
    {
        std::vector<unsigned char> frame(static_cast<size_t>(gColorLen), 0);
        QElapsedTimer t;
        t.start();
        while (*answer < 0 && t.elapsed() < 10000) {
            QCoreApplication::processEvents();
            for (auto& d : drivers)
                d->takeFrame(frame.data());
            drivers[0]->SetContrast();
            drivers[0]->SetWB();
            QThread::msleep(3);
        }
        return *answer;
    }
};

TEST_P(RestoreHandOff, ARestoreBesideTheCycleAndALossThatClosesTheCamera)
{
    const bool hik = GetParam() == kCameraHik;
    openTwo(hik ? Vendor::Hikvision : Vendor::MindVision, GetParam());
    camsdk::SimCameraPtr camera = camsdk::simBus(hik ? Vendor::Hikvision : Vendor::MindVision).all().first();
    camera->setCallDelayMs(hik ? "command UserSetLoad" : "CameraLoadParameter", 200);
    exercise(800); // past the grab threads' settling

    auto first = std::make_shared<int>(-1);
    drivers[0]->RestoreDefaultSettings([first](bool restored) { *first = restored; });
    EXPECT_EQ(untilAnswered(first), 1);
    exercise(800); // past the grab threads' settling

    auto second = std::make_shared<int>(-1);
    drivers[0]->RestoreDefaultSettings([second](bool restored) { *second = restored; });
    QThread::msleep(50);
    for (auto& d : drivers)
        d->detachForClose();
    std::thread closer([] {
        CameraDriver::finishPendingClose(0);
        CameraDriver::finishPendingClose(1);
    });
    EXPECT_EQ(untilAnswered(second), 1);
    closer.join();
    EXPECT_TRUE(camera->overlaps().isEmpty());
    for (auto& d : drivers) {
        ASSERT_TRUE(d->CameraOpen());
        d->CameraStart();
    }
    exercise(800); // past the grab threads' settling
}

INSTANTIATE_TEST_SUITE_P(Backends, RestoreHandOff, ::testing::Values(kCameraMind, kCameraHik));

int main(int argc, char** argv)
{
    qputenv("INMOLD_TEST_MODE", "1");
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    platform::setSysRoot(root.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
