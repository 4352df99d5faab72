#include "cameradriver/cameraloss.h"

#include "cameradriver/EnsureDeviceReach.h"
#include "cameradriver/cameradriver.h"
#include "cameradriver/camerahost.h"
#include "cameradriver/checkcamera.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/host.h"
#include "platform/sysroot.h"

#include <QFile>
#include <QRegularExpression>

namespace {

constexpr int kTextCameraRestart = 605; // "Camera Restart"

void closeAllCameras()
{
    for (int i : usedSlots()) {
        if (CameraDriver* d = CameraDriver::at(i)) {
            d->onCameraLost();
            d->CameraStop();
            d->CameraClose();
        }
    }
}

// The number of cameras the back-end reports now, or -1 when no count can
// be taken yet.
int currentCameraCount()
{
    switch (gCameraID) {
    case kCameraDaheng: {
        uint32_t n = 0;
        return gx::GXUpdateDeviceList(&n, 20) == gx::kSuccess ? int(n) : 0;
    }
    case kCameraIds: {
        ueye::INT n = 0;
        ueye::is_GetNumberOfCameras(&n);
        return n;
    }
    case kCameraMind: {
        if (NetworkCycle::instance().busy())
            return -1;
        int n = mindvision::kMaxDevices;
        mindvision::CameraEnumerateDevice(gCList, &n);
        gCListCount = n;
        if (n < numCamera) // the next attempt looks again after the cycle
            NetworkCycle::instance().start(NetworkCycle::camerasInterfaces());
        return n;
    }
    case kCameraHik:
        EnsureDeviceReach();
        mvs::MV_CC_EnumDevices(mvs::kGigEDevice | mvs::kUsbDevice, &gDevList);
        return int(gDevList.count);
    case kCameraV4l2:
        return CheckUSBCameraNum();
    default:
        return -1;
    }
}

} // namespace

void CameraCheck(int camera)
{
    if (gisLost)
        return;
    switch (gCameraID) {
    case kCameraDaheng:
    case kCameraIds:
    case kCameraMind:
    case kCameraV4l2:
        break;
    case kCameraHik:
        // Refresh the list for the recovery; a camera that stopped delivering
        // is lost even while it is still listed.
        mvs::MV_CC_EnumDevices(mvs::kGigEDevice | mvs::kUsbDevice, &gDevList);
        break;
    default:
        return;
    }
    gisLost = 1;
    gLost += 1;
    host::insertRecord(LanStr(332).arg(gLost).arg(camera + 1));
    if (camerahost::runState() != 3) {
        host::setOutput(0, 1);
        host::flashOutputs();
    }
    closeAllCameras();
    CameraWatch::instance().lossDeclared();
    host::showWarning(LanStr(39));
}

void CameraRestart()
{
    if (!gisLost)
        return;
    // At least the cameras in use must be listed again. More may be listed: a
    // camera whose slot failed to open at start is still on the bus, and an
    // exact count would then never recover. The check below the reopening
    // declares a new loss when a camera in use still did not come back.
    const int count = currentCameraCount();
    if (count < 0 || count < numCamera)
        return; // tried again 3 s later
    gisLost = 0;
    camerahost::hideWarning();
    for (int i : usedSlots()) {
        if (CameraDriver* d = CameraDriver::at(i)) {
            d->CameraOpen();
            d->CameraStart();
        }
    }
    host::insertRecord(LanStr(kTextCameraRestart));
    if (numCamera <= 0) {
        CameraSetSpeed();
        return;
    }
    CameraWatch& watch = CameraWatch::instance();
    for (int& s : watch.stallSeconds)
        s = 0;
    int closed = -1;
    for (int i : usedSlots())
        if (!cameraOpened[i])
            closed = i;
    if (closed < 0)
        CameraSetSpeed();
    else
        CameraCheck(closed); // a partial recovery is a new loss
}

// ---------------------------------------------------------------- watch

CameraWatch& CameraWatch::instance()
{
    static CameraWatch w;
    return w;
}

void CameraWatch::reset()
{
    *this = CameraWatch();
}

void CameraWatch::lossDeclared()
{
    attemptDue_ = true;
}

void CameraWatch::SlotFPS()
{
    const bool external = gpWPara && gpWPara->use_external_trigger;
    for (int i : usedSlots()) {
        CameraDriver* d = CameraDriver::at(i);
        const uint32_t count = d ? d->framesDelivered() : lastCount_[i];
        frameRate[i] = int(count - lastCount_[i]);
        const bool unchanged = count == lastCount_[i];
        lastCount_[i] = count;
        if (external)
            continue;
        if (!unchanged) {
            stallSeconds[i] = 0;
        } else if (++stallSeconds[i] > 5) {
            stallSeconds[i] = 0;
            CameraCheck(i);
        }
    }
}

int CameraWatch::runStep()
{
    if (gisLost) {
        host::setOutput(0, 1);
        host::flashOutputs();
        const qint64 now = platform::Clock::instance().monotonicMs();
        if (attemptDue_ || now - lastAttemptMs_ >= 3000) {
            attemptDue_ = false;
            lastAttemptMs_ = now;
            CameraRestart();
            if (!gisLost)
                runs_ = 0;
        }
        return gisLost ? 3000 : 3;
    }
    if (++runs_ == 50) {
        for (int i : usedSlots())
            if (CameraDriver* d = CameraDriver::at(i))
                d->SetWB();
    }
    return 3;
}

// ---------------------------------------------------------------- network

NetworkCycle& NetworkCycle::instance()
{
    static NetworkCycle n;
    return n;
}

NetworkCycle::~NetworkCycle() { wait(); }

void NetworkCycle::wait()
{
    if (worker_.joinable())
        worker_.join();
}

QStringList NetworkCycle::interfaceNames(const QByteArray& procNetDev)
{
    QStringList names;
    static const QRegularExpression re(QStringLiteral("\\s+(\\S+):"));
    auto it = re.globalMatch(QString::fromLatin1(procNetDev));
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

QStringList NetworkCycle::camerasInterfaces()
{
    QFile f(platform::sysPath(QStringLiteral("/proc/net/dev")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QString& name : interfaceNames(f.readAll()))
        if (!name.contains(QLatin1String("lo")) && gCameraInterfaces.contains(name))
            out << name;
    return out;
}

void NetworkCycle::start(const QStringList& interfaces)
{
    if (busy_ || interfaces.isEmpty())
        return;
    wait();
    busy_ = true;
    worker_ = std::thread([this, interfaces] {
        for (const QString& name : interfaces) {
            platform::runCommand(QStringLiteral("ip"), {QStringLiteral("addr"), QStringLiteral("flush"),
                                                        QStringLiteral("dev"), name});
            camerahost::sleepMs(1000);
            platform::runCommand(QStringLiteral("ifdown"), {name});
            platform::runCommand(QStringLiteral("ifup"), {name});
            camerahost::sleepMs(1000);
        }
        busy_ = false;
    });
}
