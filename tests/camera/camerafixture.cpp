#include "camerafixture.h"

#include "cameradriver/camerahost.h"
#include "cameradriver/cameraloss.h"
#include "cameradriver/checkcamera.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/host.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstring>

const char* vendorName(camsdk::Vendor v)
{
    switch (v) {
    case camsdk::Vendor::Daheng:
        return "Daheng";
    case camsdk::Vendor::Ids:
        return "Ids";
    case camsdk::Vendor::MindVision:
        return "MindVision";
    case camsdk::Vendor::Hikvision:
        return "Hikvision";
    }
    return "?";
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
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

void CameraTest::SetUp()
{
    InTempFolder::SetUp();
    camsdk::resetSimulators();
    gRepairCameraAddresses = nullptr; // never the machine's own interfaces
    para_ = std::make_unique<WizardPara>();
    bak_ = std::make_unique<WizardPara>();
    gpWPara = para_.get();
    gpWParaBak = bak_.get();
    para_->use_external_trigger = 0;
    for (auto& s : gSerialNB)
        setParamText(s, "0");
    gCameraID = kCameraNone;
    gFindCamera = 0;
    gOW = gOH = 0;
    gSensorColor = 0;
    gisCut = 1;
    SetImageGeometry(0, 0, false);
    numCamera = 0;
    gisLost = 0;
    gLost = 0;
    for (int i = 0; i < kCameraSlots; ++i) {
        gCamNO[i] = i;
        gContrast[i] = 0;
        cameraOpened[i] = false;
        isImageFill[i] = false;
    }
    gCListCount = 0;
    std::memset(&gDevList, 0, sizeof gDevList);
    std::memset(&gImageResolution, 0, sizeof gImageResolution);
    ForgetCameraNotices();
    gCameraInterfaces.clear();
    gDiscoverCameraInterfaces = nullptr; // never the machine's own interfaces
    CameraWatch::instance().reset();
    // The table in English, with the loss journal and warning in texts the
    // tests own.
    static const bool loaded = (LoadTextTable(), true);
    (void)loaded;
    gLan = 1;
    gaLanStr[332][1] = QStringLiteral("The %1th Camera Lost, %2");
    gaLanStr[39][1] = QStringLiteral("camera unavailable");
    gaLanStr[605][1] = QStringLiteral("Camera Restart");

    host::Hooks h;
    h.insertRecord = [this](const QString& t) { records << t; };
    h.showWarning = [this](const QString& t) { warnings << t; };
    h.setOutput = [this](int o, int v) { outputs << qMakePair(o, v); };
    h.flashOutputs = [this] { ++flashes; };
    host::install(h);
    camerahost::Hooks c;
    c.runState = [this] { return runState; };
    c.settingsVisible = [this] { return settingsShown; };
    c.exposurePanelVisible = [this] { return exposurePanelShown; };
    c.hideWarning = [this] { ++warningHidden; };
    c.sleep = [this](int ms) { sleeps << ms; };
    camerahost::install(c);
}

void CameraTest::TearDown()
{
    QCoreApplication::processEvents(); // notices still queued belong to this test
    closeAll();
    CameraWatch::instance().reset();
    camsdk::resetSimulators();
    host::install({});
    camerahost::install({});
    gpWPara = nullptr;
    gpWParaBak = nullptr;
    InTempFolder::TearDown();
}

camsdk::SimCameraPtr CameraTest::addCamera(camsdk::Vendor vendor, const QByteArray& serial, int width, int height,
                                           bool colour, bool gige)
{
    camsdk::SimSpec s;
    s.serial = serial;
    s.sensorWidth = width;
    s.sensorHeight = height;
    s.colour = colour;
    s.gige = gige;
    s.model = colour ? "SIM-C" : "SIM-M"; // the Hikvision probe reads colour from the model name
    return camsdk::simBus(vendor).add(s);
}

void CameraTest::useBackend(int backend, int width, int height, bool colour, int found)
{
    gCameraID = backend;
    gFindCamera = found;
    gOW = width;
    gOH = height;
    SetImageGeometry(width, height, colour);
}

CameraDriver* CameraTest::openSlot(int slot)
{
    drivers.push_back(std::make_unique<CameraDriver>(slot));
    CameraDriver* d = drivers.back().get();
    if (d->CameraOpen())
        countCamera(slot);
    return d;
}

void CameraTest::openAndStart(int n)
{
    for (int i = 0; i < n; ++i)
        openSlot(i)->CameraStart();
}

void CameraTest::closeAll()
{
    for (auto& d : drivers) {
        d->CameraStop();
        d->CameraClose();
    }
    drivers.clear();
}

void CameraTest::setSerial(int slot, const QByteArray& serial)
{
    setParamText(gSerialNB[slot], serial);
}

bool CameraTest::restore(CameraDriver* d, int timeoutMs)
{
    struct Answer {
        bool given = false;
        bool restored = false;
    };
    auto answer = std::make_shared<Answer>();
    d->RestoreDefaultSettings([answer](bool restored) {
        answer->given = true;
        answer->restored = restored;
    });
    QElapsedTimer t;
    t.start();
    while (!answer->given && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    EXPECT_TRUE(answer->given) << "the restore did not answer within " << timeoutMs << " ms";
    return answer->restored;
}
