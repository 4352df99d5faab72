#pragma once
// A DiskRunner installed for the scope of a test.
#include "diskrunner.h"
#include "testenv.h"

// Installs a DiskRunner for the scope of a test; the recorder of the test
// environment is back afterwards.
class DiskRunnerScope {
public:
    DiskRunnerScope()
    {
        DiskRunner::resetSystem();
        platform::CommandRunner::setInstance(&runner);
    }
    ~DiskRunnerScope()
    {
        platform::CommandRunner::setInstance(&testenv::commands());
        QDir(platform::sysPath("/mnt")).removeRecursively();
        QDir(platform::sysPath("/proc")).removeRecursively();
    }
    DiskRunner runner;
};
