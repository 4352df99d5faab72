#include "netlink/sharedvideo.h"

#include "platform/sysroot.h"

#include <QDebug>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>

namespace {

QString lastError() { return QString::fromLocal8Bit(std::strerror(errno)); }

union SemArg {
    int val;
    semid_ds* buf;
    unsigned short* array;
};

} // namespace

int CNT_Semaphore::create_sem(int count)
{
    const int id = semget(key, count, IPC_CREAT | 0666);
    if (id < 0) {
        qWarning().noquote() << QStringLiteral("reporting link: semaphore %1 not created: %2").arg(key).arg(lastError());
        return -1;
    }
    SemArg one;
    one.val = 1;
    if (semctl(id, 0, SETVAL, one) != 0) {
        qWarning().noquote() << QStringLiteral("reporting link: semaphore %1 not set: %2").arg(key).arg(lastError());
        return id;
    }
    semId = id;
    return id;
}

int CNT_Semaphore::get_sem()
{
    const int id = semget(key, 0, 0);
    if (id >= 0)
        semId = id;
    return id;
}

bool CNT_Semaphore::P_sem(int timeoutMs)
{
    if (semId < 0)
        return false;
    // Undone by the kernel should this process end while it holds the frame.
    sembuf op {0, -1, SEM_UNDO};
    timespec wait {timeoutMs / 1000, long(timeoutMs % 1000) * 1000000L};
    for (;;) {
        if (semtimedop(semId, &op, 1, &wait) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool CNT_Semaphore::V_sem()
{
    if (semId < 0)
        return false;
    sembuf op {0, 1, SEM_UNDO};
    return semop(semId, &op, 1) == 0;
}

void CNT_Semaphore::retInitPV()
{
    if (semId < 0)
        return;
    SemArg one;
    one.val = 1;
    if (semctl(semId, 0, SETVAL, one) != 0)
        qWarning().noquote() << QStringLiteral("reporting link: semaphore %1 not reset: %2").arg(key).arg(lastError());
}

namespace sharedvideo {

int ipcKey(int project)
{
    const QByteArray path = QFile::encodeName(platform::sysPath(QStringLiteral("/tmp")));
    const key_t key = ftok(path.constData(), project);
    if (key == key_t(-1))
        qWarning().noquote() << QStringLiteral("reporting link: no key for %1 (project %2): %3")
                                    .arg(QString::fromLocal8Bit(path))
                                    .arg(project)
                                    .arg(lastError());
    return int(key);
}

int announcedFps(int videoFps)
{
    static const int rates[] = {5, 10, 15, 20, 25};
    return videoFps >= 0 && videoFps <= 4 ? rates[videoFps] : 0;
}

int openSegment(int key, int size)
{
    if (key == -1 || size <= 0)
        return -1;
    int id = shmget(key, size_t(size), IPC_CREAT | 0666);
    if (id >= 0) {
        shmid_ds ds {};
        if (shmctl(id, IPC_STAT, &ds) == 0 && ds.shm_segsz == size_t(size))
            return id;
        shmctl(id, IPC_RMID, nullptr); // larger, from an earlier size
    } else if (errno == EINVAL) {
        const int stale = shmget(key, 0, 0); // smaller, from an earlier size
        if (stale >= 0)
            shmctl(stale, IPC_RMID, nullptr);
    } else {
        qWarning().noquote() << QStringLiteral("reporting link: shared segment %1 of %2 bytes not made: %3")
                                    .arg(key)
                                    .arg(size)
                                    .arg(lastError());
        return -1;
    }
    qWarning().noquote() << QStringLiteral("reporting link: stale shared segment %1 of another size replaced").arg(key);
    id = shmget(key, size_t(size), IPC_CREAT | IPC_EXCL | 0666);
    if (id < 0)
        qWarning().noquote() << QStringLiteral("reporting link: shared segment %1 of %2 bytes not made: %3")
                                    .arg(key)
                                    .arg(size)
                                    .arg(lastError());
    return id;
}

} // namespace sharedvideo
