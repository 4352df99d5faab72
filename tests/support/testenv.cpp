#include "testenv.h"

#include "platform/sysroot.h"

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
