#include "testenv.h"

#include "platform/background.h"
#include "platform/host.h"
#include "platform/sysroot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <QDir>
#include <QTemporaryDir>

namespace testenv {

QString sysRoot() { return platform::sysRoot(); }

platform::RecordingCommandRunner& commands()
{
    static platform::RecordingCommandRunner recorder;
    return recorder;
}

QString sourceDir() { return qEnvironmentVariable("INMOLD_SOURCE_DIR", QStringLiteral(".")); }

} // namespace testenv

void InTempFolder::SetUp()
{
    // What earlier cases left for the event loop (a warning shown later) is
    // delivered now, to no hooks: it must not land in this case's boxes or
    // journal.
    host::install({});
    QCoreApplication::sendPostedEvents();
    previous_ = QDir::currentPath();
    auto* dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/inmold-test-XXXXXX"));
    ASSERT_TRUE(dir->isValid());
    dir_ = dir;
    folder_ = dir->path();
    ASSERT_TRUE(QDir::setCurrent(folder_));
    testenv::commands().clear();
}

void InTempFolder::TearDown()
{
    QDir::setCurrent(previous_);
    delete static_cast<QTemporaryDir*>(dir_);
    dir_ = nullptr;
}

bool testenv::settleBackground(int timeoutMs)
{
    // Quiet for 50 ms: an answer may start the next piece a little later.
    QElapsedTimer t;
    t.start();
    for (qint64 quietSince = -1; t.elapsed() < timeoutMs;) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
        if (platform::backgroundPending() > 0)
            quietSince = -1;
        else if (quietSince < 0)
            quietSince = t.elapsed();
        else if (t.elapsed() - quietSince >= 50)
            return true;
    }
    return platform::backgroundPending() == 0;
}
