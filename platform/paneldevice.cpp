#include "platform/paneldevice.h"

#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <QFile>
#include <atomic>
#include <fcntl.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<PanelDevice*> gDevice{nullptr};
}

PanelDevice::~PanelDevice() = default;

int PanelDevice::openLed()
{
    const QByteArray path = QFile::encodeName(sysPath(QStringLiteral("/dev/led")));
    const int fd = ::open(path.constData(), O_RDWR);
    if (fd < 0)
        qInfo() << "no LED device at" << path;
    return fd;
}

void PanelDevice::ledRequest(int fd, unsigned long request)
{
    if (fd > 0 && ::ioctl(fd, request) < 0)
        qDebug() << "LED request failed" << Qt::hex << request;
}

bool PanelDevice::requestIoPrivilege()
{
    // Only the real panel may change the privilege level; a test run never does.
    if (ProcessCommandRunner::refusing())
        return false;
#if defined(__x86_64__) || defined(__i386__)
    return ::iopl(3) == 0;
#else
    return false;
#endif
}

PanelDevice& PanelDevice::instance()
{
    static PanelDevice real;
    PanelDevice* d = gDevice.load();
    return d ? *d : real;
}

void PanelDevice::setInstance(PanelDevice* device) { gDevice.store(device); }

void RecordingPanelDevice::ledRequest(int fd, unsigned long request)
{
    QMutexLocker lock(&mutex_);
    if (fd > 0)
        requests_.append(request);
}

QList<unsigned long> RecordingPanelDevice::requests() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

void RecordingPanelDevice::clear()
{
    QMutexLocker lock(&mutex_);
    requests_.clear();
}

} // namespace platform
