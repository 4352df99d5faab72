#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/procmem.h"
#include "platform/sysroot.h"
#include "testenv.h"

#include <QDir>
#include <cstring>
#include <memory>
#include <vector>

TEST(SysRoot, AbsolutePathsResolveUnderTheTestRoot)
{
    const QString root = testenv::sysRoot();
    ASSERT_FALSE(root.isEmpty());
    EXPECT_TRUE(QDir(root).exists());
    EXPECT_EQ(platform::sysPath("/dev/ttyS1"), root + "/dev/ttyS1");
    EXPECT_EQ(platform::sysPath("/etc/hostname"), root + "/etc/hostname");
    EXPECT_EQ(platform::sysPath("RECORD.db"), QString("RECORD.db"));
}

TEST(CommandRunner, TestsRecordInsteadOfRunning)
{
    auto& rec = testenv::commands();
    rec.clear();
    EXPECT_EQ(&platform::CommandRunner::instance(), &rec);
    platform::runCommand("reboot");
    platform::runCommand("cp", {"a b", "c;rm -rf /"});
    ASSERT_EQ(rec.calls().size(), 2);
    EXPECT_EQ(rec.calls().at(1).args, (QStringList{"a b", "c;rm -rf /"}));

    platform::CommandResult failed;
    failed.started = true;
    failed.exitCode = 3;
    failed.out = "no";
    rec.script("ping", failed);
    const auto r = platform::runCommand("ping", {"-c", "1", "127.0.0.1"});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.out, QByteArray("no"));
    EXPECT_TRUE(platform::runCommand("mount").ok());
}

TEST(CommandRunner, RealRunnerRefusesUnderTest)
{
    // Even the real runner must not act while the test marker is set.
    platform::ProcessCommandRunner real;
    EXPECT_TRUE(platform::ProcessCommandRunner::refusing());
    EXPECT_FALSE(real.run("true", {}, 1000).started);
    EXPECT_FALSE(real.startDetached("true", {}, QString()));
    qint64 pid = 5;
    EXPECT_FALSE(real.startTracked("true", {}, QString(), &pid));
    EXPECT_EQ(pid, 0);
}

TEST(Clock, ManualClockDrivesWallAndMonotonicTime)
{
    platform::ManualClock clock(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59)));
    platform::Clock::setInstance(&clock);
    clock.advanceMs(1500);
    EXPECT_EQ(platform::now().date(), QDate(2026, 3, 2));
    EXPECT_EQ(platform::Clock::instance().monotonicMs(), 1500);
    platform::Clock::setInstance(nullptr);
    EXPECT_NE(platform::now().date(), QDate(2026, 3, 2));
}

// Working images freed after a training or judgement leave the process: after
// a frame-sized buffer was freed, the allocator would otherwise keep smaller
// ones (here 4 MiB, between live blocks of 200 KiB) resident.
TEST(ProcessMemory, FreedLargeBuffersLeaveTheProcess)
{
    platform::returnLargeBuffersToSystem();
    {
        std::unique_ptr<char[]> frame(new char[20u << 20]);
        std::memset(frame.get(), 1, 20u << 20);
    }
    const uint64_t before = platform::residentBytes();
    ASSERT_GT(before, 0u);
    std::vector<std::unique_ptr<char[]>> big, small;
    for (int i = 0; i < 10; ++i) {
        big.emplace_back(new char[4u << 20]);
        std::memset(big.back().get(), 1, 4u << 20);
        small.emplace_back(new char[200 << 10]); // from the heap, between the large ones
    }
    big.clear();
    const uint64_t after = platform::residentBytes();
    EXPECT_LT(after, before + (8u << 20)) << "freed: " << (after - before) / (1 << 20) << " MiB still resident";
}
