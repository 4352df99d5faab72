// Test entry point: makes the process harmless before anything else runs.
#include "testenv.h"

#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Also when the binary is started by hand rather than through CTest.
    qputenv("INMOLD_TEST_MODE", "1");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QTemporaryDir base(QDir::tempPath() + QStringLiteral("/inmold-run-XXXXXX"));
    if (!base.isValid())
        return 1;
    QDir(base.path()).mkpath(QStringLiteral("root"));
    QDir(base.path()).mkpath(QStringLiteral("program"));
    platform::setSysRoot(base.path() + QStringLiteral("/root"));
    platform::CommandRunner::setInstance(&testenv::commands());
    QDir::setCurrent(base.path() + QStringLiteral("/program"));

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
