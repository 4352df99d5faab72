#pragma once
// What every test runs in: a temporary program folder as the working
// directory, a temporary system root, a recording command runner.
#include "platform/commandrunner.h"

#include <QString>
#include <gtest/gtest.h>

namespace testenv {

// The system root prefix of this test process (a temporary folder).
QString sysRoot();
// The recorder that replaced the command runner.
platform::RecordingCommandRunner& commands();
// The source tree (for fixtures shipped with the tests).
QString sourceDir();
// Runs the event loop until the background work (and what each answer
// starts) is over; false when it did not end within `timeoutMs`.
bool settleBackground(int timeoutMs = 20000);

} // namespace testenv

// A fixture that gives each test its own empty program folder as working
// directory and clears the recorded commands.
class InTempFolder : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    QString folder() const { return folder_; }
    QString file(const QString& rel) const { return folder_ + '/' + rel; }

private:
    QString previous_;
    QString folder_;
    void* dir_ = nullptr;
};
