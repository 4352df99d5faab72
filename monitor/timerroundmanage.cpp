#include "monitor/timerroundmanage.h"

#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTimerEvent>

TimerRoundManage* TimerRoundManage::__instance = nullptr;

TimerRoundManage::TimerRoundManage() : QObject(nullptr) {}

TimerRoundManage::~TimerRoundManage()
{
    for (auto it = timerNames.constBegin(); it != timerNames.constEnd(); ++it)
        killTimer(it.key());
    timerNames.clear();
}

void TimerRoundManage::init() { startCopy(); }

void TimerRoundManage::startCopy()
{
    const int id = startTimer(kCopyPeriodMs, Qt::CoarseTimer);
    if (id != 0)
        timerNames.insert(id, QStringLiteral("autocopy"));
}

void TimerRoundManage::timerEvent(QTimerEvent* event)
{
    auto it = timerNames.constFind(event->timerId());
    if (it == timerNames.constEnd()) {
        QObject::timerEvent(event);
        return;
    }
    if (*it == QLatin1String("autocopy"))
        slotCopy();
}

// The copy started before still runs when its process id still names the
// script (a process id may have been given to another program meanwhile).
bool TimerRoundManage::copyRunning() const
{
    if (copyPid_ <= 0)
        return false;
    QFile cmdline(platform::sysPath(QStringLiteral("/proc/%1/cmdline").arg(copyPid_)));
    return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("autocopy-riza.py");
}

void TimerRoundManage::slotCopy()
{
    const QString script = platform::sysPath(QLatin1String(kScript));
    if (!QFileInfo::exists(script))
        return;
    // Two copies at once would write the same files on the disk.
    if (copyRunning())
        return;
    qint64 pid = 0;
    if (!platform::CommandRunner::instance().startTracked(QStringLiteral("python3"), {script}, QString(), &pid)) {
        qWarning().noquote() << "the copy script on the USB disk could not be started";
        pid = 0;
    }
    copyPid_ = pid;
}
