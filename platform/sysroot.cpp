#include "platform/sysroot.h"

#include <QMutex>

namespace platform {

namespace {
QMutex gMutex;
bool gSet = false;
QString gRoot;

QString defaultRoot()
{
    // Under test nothing may reach the real /dev or /etc, even by accident.
    if (qEnvironmentVariableIsSet("INMOLD_SYSROOT"))
        return qEnvironmentVariable("INMOLD_SYSROOT");
    if (qEnvironmentVariableIsSet("INMOLD_TEST_MODE"))
        return QStringLiteral("/nonexistent-inmold-test-root");
    return QString();
}
} // namespace

QString sysRoot()
{
    QMutexLocker lock(&gMutex);
    if (!gSet) {
        gRoot = defaultRoot();
        gSet = true;
    }
    return gRoot;
}

void setSysRoot(const QString& prefix)
{
    QMutexLocker lock(&gMutex);
    gRoot = prefix;
    while (gRoot.endsWith('/'))
        gRoot.chop(1);
    gSet = true;
}

QString sysPath(const QString& absolutePath)
{
    if (!absolutePath.startsWith('/'))
        return absolutePath;
    return sysRoot() + absolutePath;
}

} // namespace platform
