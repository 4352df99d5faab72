#include "cameradriver/cameraloss.h"

#include "cameradriver/EnsureDeviceReach.h"
#include "cameradriver/camerahost.h"
#include "cameradriver/checkcamera.h"
#include "cameradriver/cameratexts.h"
#include "cameradriver/ipconfig.h"
#include "cameradriver/v4l2session.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/host.h"
#include "platform/sysroot.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <cstring>

namespace {

constexpr int kTextCameraRestart = 605; // "Camera Restart", the same in every language

// Marked closed at once; stopped and closed by the recovery's worker, since
// a grab thread inside a library call may take up to a second to end.
void closeAllCameras()
{
    for (int i : usedSlots()) {
        if (CameraDriver* d = CameraDriver::at(i)) {
            d->onCameraLost();
            d->detachForClose();
        }
    }
}

RecoveryRequest currentRequest()
{
    RecoveryRequest r;
    r.backend = gCameraID;
    r.inUse = numCamera;
    for (int slot : usedSlots())
        r.inUseSlots << slot;
    r.findCamera = gFindCamera;
    r.interfaces = gCameraInterfaces;
    for (int slot : usedSlots())
        if (SerialBinds(gCameraID, StoredSerial(slot)))
            r.bound[slot] = StoredSerial(slot);
    return r;
}

// The worker's answer on the GUI thread: the lists it enumerated, the
// interfaces it learned, and the reopening when enough cameras are back.
void applyRecovery(RecoveryResult& r)
{
    if (r.hikListed)
        gDevList = r.hikList;
    if (r.mindListed) {
        gCListCount = int(qMin(r.mindList.size(), size_t(mindvision::kMaxDevices)));
        for (int i = 0; i < gCListCount; ++i)
            gCList[i] = r.mindList[size_t(i)];
    }
    addCameraInterfaces(r.interfaces);
    // At least the cameras in use must be listed again. More may be listed: a
    // camera whose slot failed to open at start is still on the bus, and an
    // exact count would then never recover. The check below the reopening
    // declares a new loss when a camera in use still did not come back.
    if (r.count < 0 || r.count < numCamera)
        return; // tried again 3 s later
    for (auto it = r.v4l2.begin(); it != r.v4l2.end(); ++it)
        if (CameraDriver* d = CameraDriver::at(it.key()))
            d->adoptV4l2Session(it.value());
    gisLost = 0;
    camerahost::hideWarning();
    // Each camera gets its frame speed before it starts: no camera is
    // stopped and started again, and no start waits for a grab thread.
    for (int i : usedSlots()) {
        if (CameraDriver* d = CameraDriver::at(i)) {
            if (d->CameraOpen())
                d->applySpeed();
            d->CameraStart();
        }
    }
    if (!CameraWatch::instance().quietLoss)
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
    if (closed >= 0)
        CameraCheck(closed); // a partial recovery is a new loss
}

} // namespace

void CameraCheck(int camera) { CameraCheck(camera, FaultReport()); }

void CameraCheck(int camera, const FaultReport& cause)
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
        mvs::MV_CC_EnumDevices(mvs::MV_GIGE_DEVICE | mvs::MV_USB_DEVICE, &gDevList);
        break;
    default:
        return;
    }
    CameraWatch& watch = CameraWatch::instance();
    const bool inRange = camera >= 0 && camera < kCameraSlots;
    // A camera that keeps failing the same way after each reopening is the
    // same loss: journaled and shown once, not every 3 s.
    const bool repeat = cause.kind != CameraFault::None && inRange && watch.shownCause[camera] == cause.kind;
    QString why = FaultText(camera, cause);
    // A camera loading its defaults sends no frames meanwhile: lost like any
    // other (its close waits for the load), and the operator hears why.
    const CameraDriver* lost = CameraDriver::at(camera);
    if (why.isEmpty() && lost && lost->restoring())
        why = LanStr(cameratext::kLostWhileRestoring).arg(camera + 1);
    gisLost = 1;
    watch.quietLoss = repeat;
    if (!repeat) {
        gLost += 1;
        host::insertRecord(LanStr(332).arg(gLost).arg(camera + 1));
        if (!why.isEmpty())
            host::insertRecord(why);
    }
    if (camerahost::runState() != 3) {
        host::setOutput(0, 1);
        host::flashOutputs();
    }
    closeAllCameras();
    watch.lossDeclared();
    if (inRange && cause.kind != CameraFault::None)
        watch.shownCause[camera] = cause.kind;
    if (!repeat)
        host::showWarning(why.isEmpty() ? LanStr(39) : LanStr(39) + QStringLiteral("\r\n") + why);
}

void CameraRestart()
{
    if (!gisLost)
        return;
    CameraRecovery& recovery = CameraRecovery::instance();
    RecoveryResult r;
    if (recovery.take(&r)) {
        applyRecovery(r);
        return;
    }
    if (!recovery.busy())
        recovery.start(currentRequest());
}

// ---------------------------------------------------------------- watch

CameraWatch& CameraWatch::instance()
{
    static CameraWatch w;
    return w;
}

void CameraWatch::reset()
{
    CameraRecovery::instance().wait();
    RecoveryResult dropped;
    CameraRecovery::instance().take(&dropped);
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
        if (!unchanged)
            shownCause[i] = CameraFault::None; // it works again: a new fault is news
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

void CameraWatch::checkFaults()
{
    if (faultQueued_ || gisLost)
        return;
    for (int i : usedSlots()) {
        CameraDriver* d = CameraDriver::at(i);
        FaultReport f;
        if (!d || !d->isOpen() || !d->takeFault(&f))
            continue;
        // Declared from the event loop: the loss check shows a message box,
        // and the pass must not wait inside it.
        faultQueued_ = true;
        auto declare = [i, f] {
            CameraWatch::instance().faultQueued_ = false;
            CameraCheck(i, f);
        };
        if (QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), declare, Qt::QueuedConnection);
        else
            declare();
        return;
    }
}

int CameraWatch::runStep()
{
    if (gisLost) {
        host::setOutput(0, 1);
        host::flashOutputs();
        CameraRecovery& recovery = CameraRecovery::instance();
        const qint64 now = platform::Clock::instance().monotonicMs();
        if (recovery.ready()) {
            CameraRestart();
        } else if (!recovery.busy() && (attemptDue_ || now - lastAttemptMs_ >= 3000)) {
            attemptDue_ = false;
            lastAttemptMs_ = now;
            CameraRestart();
        }
        if (!gisLost)
            runs_ = 0;
        return 3;
    }
    checkFaults();
    if (++runs_ == 50) {
        for (int i : usedSlots())
            if (CameraDriver* d = CameraDriver::at(i))
                d->SetWB();
    }
    return 3;
}

// ---------------------------------------------------------------- recovery worker

CameraRecovery& CameraRecovery::instance()
{
    static CameraRecovery r;
    return r;
}

CameraRecovery::~CameraRecovery() { wait(); }

bool CameraRecovery::ready() const
{
    std::lock_guard<std::mutex> l(m_);
    return ready_;
}

void CameraRecovery::start(const RecoveryRequest& request)
{
    if (busy_ || ready())
        return;
    if (worker_.joinable())
        worker_.join();
    busy_ = true;
    worker_ = std::thread([this, request] {
        RecoveryResult r = attempt(request);
        {
            std::lock_guard<std::mutex> l(m_);
            result_ = std::move(r);
            ready_ = true;
        }
        busy_ = false;
    });
}

bool CameraRecovery::take(RecoveryResult* result)
{
    std::lock_guard<std::mutex> l(m_);
    if (!ready_)
        return false;
    *result = std::move(result_);
    result_ = RecoveryResult();
    ready_ = false;
    return true;
}

void CameraRecovery::wait()
{
    if (worker_.joinable())
        worker_.join();
}

RecoveryResult CameraRecovery::attempt(const RecoveryRequest& q)
{
    // The cameras the loss left to close, before anything is counted or opened.
    for (int slot : q.inUseSlots)
        CameraDriver::finishPendingClose(slot);
    RecoveryResult r;
    switch (q.backend) {
    case kCameraDaheng: {
        uint32_t n = 0;
        r.count = gx::GXUpdateDeviceList(&n, 20) == gx::GX_STATUS_SUCCESS ? int(n) : 0;
        break;
    }
    case kCameraIds: {
        ueye::INT n = 0;
        ueye::is_GetNumberOfCameras(&n);
        r.count = n;
        break;
    }
    case kCameraMind: {
        // Every interface a camera answered on, now or before: a camera that
        // came up later, or answers with another maker's prefix or another
        // network's address, is cycled as well.
        if (networkStepAllowed(reinterpret_cast<const void*>(gDiscoverCameraInterfaces),
                               reinterpret_cast<const void*>(&DiscoverCameraInterfaces)))
            r.interfaces = gDiscoverCameraInterfaces();
        auto enumerate = [&] {
            r.mindList.assign(size_t(mindvision::kMaxDevices), mindvision::tSdkCameraDevInfo{});
            int n = mindvision::kMaxDevices;
            mindvision::CameraEnumerateDevice(r.mindList.data(), &n);
            n = qBound(0, n, int(mindvision::kMaxDevices));
            r.mindList.resize(size_t(n));
            r.mindListed = true;
            return n;
        };
        r.count = enumerate();
        if (r.count < q.inUse) {
            QStringList known = q.interfaces;
            for (const QString& n : r.interfaces)
                if (!known.contains(n))
                    known << n;
            r.cycled = NetworkCycle::camerasInterfaces(known);
            if (!r.cycled.isEmpty()) {
                NetworkCycle::run(r.cycled);
                r.count = enumerate();
            }
        }
        break;
    }
    case kCameraHik:
        EnsureDeviceReach();
        mvs::MV_CC_EnumDevices(mvs::MV_GIGE_DEVICE | mvs::MV_USB_DEVICE, &r.hikList);
        r.hikListed = true;
        r.count = int(r.hikList.nDeviceNum);
        break;
    case kCameraV4l2: {
        r.count = CheckUSBCameraNum();
        if (r.count < q.inUse)
            break;
        // The sources are opened here, where a silent one costs no time of
        // the cycle; each must have sent a frame. They are handed over to
        // the reopening.
        for (int slot : q.inUseSlots) {
            QString why;
            auto s = V4l2Session::openForSlot(slot, q.findCamera, true, &why, q.bound.value(slot));
            if (!s) {
                r.count = -1; // not back yet
                r.v4l2.clear();
                break;
            }
            r.v4l2[slot] = s;
        }
        break;
    }
    default:
        break;
    }
    return r;
}

// ---------------------------------------------------------------- network

namespace NetworkCycle {

QStringList interfaceNames(const QByteArray& procNetDev)
{
    QStringList names;
    static const QRegularExpression re(QStringLiteral("\\s+(\\S+):"));
    auto it = re.globalMatch(QString::fromLatin1(procNetDev));
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

QStringList camerasInterfaces(const QStringList& known)
{
    QFile f(platform::sysPath(QStringLiteral("/proc/net/dev")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QString& name : interfaceNames(f.readAll()))
        if (!name.contains(QLatin1String("lo")) && known.contains(name) && !out.contains(name))
            out << name;
    return out;
}

void run(const QStringList& interfaces)
{
    for (const QString& name : interfaces) {
        platform::runCommand(QStringLiteral("ip"),
                             {QStringLiteral("addr"), QStringLiteral("flush"), QStringLiteral("dev"), name});
        camerahost::sleepMs(1000);
        platform::runCommand(QStringLiteral("ifdown"), {name});
        platform::runCommand(QStringLiteral("ifup"), {name});
        camerahost::sleepMs(1000);
    }
}

} // namespace NetworkCycle
