// The timed copy script runner: once a minute, the script on the USB disk is
// started when it is there and no copy it started before still runs.
#include "monitor/timerroundmanage.h"
#include "platform/sysroot.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QTimerEvent>

namespace {

class CopyRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        clean();
        testenv::commands().clear();
    }
    void TearDown() override { clean(); }
    static void clean()
    {
        QDir(platform::sysPath("/mnt")).removeRecursively();
        QDir(platform::sysPath("/proc")).removeRecursively();
    }
    static void putScript()
    {
        QDir().mkpath(platform::sysPath("/mnt"));
        QFile f(platform::sysPath(TimerRoundManage::kScript));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("print('copy')\n");
    }
    // What /proc shows for a process id.
    static void process(qint64 pid, const QByteArray& cmdline)
    {
        const QString dir = platform::sysPath(QString("/proc/%1").arg(pid));
        QDir().mkpath(dir);
        QFile f(dir + "/cmdline");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cmdline);
    }
    static void ended(qint64 pid) { QDir(platform::sysPath(QString("/proc/%1").arg(pid))).removeRecursively(); }
    static int starts()
    {
        int n = 0;
        for (const auto& c : testenv::commands().calls())
            n += c.detached && c.program == "python3" ? 1 : 0;
        return n;
    }
};

} // namespace

TEST_F(CopyRunner, NothingRunsWithoutTheScript)
{
    TimerRoundManage m;
    for (int minute = 0; minute < 3; ++minute)
        m.slotCopy();
    EXPECT_TRUE(testenv::commands().calls().isEmpty());
}

TEST_F(CopyRunner, StartsTheScriptOnlyWhenNoEarlierCopyRuns)
{
    putScript();
    TimerRoundManage m;
    m.slotCopy();
    ASSERT_EQ(starts(), 1);
    const auto first = testenv::commands().calls().first();
    EXPECT_EQ(first.args, QStringList{platform::sysPath("/mnt/autocopy-riza.py")});
    const qint64 pid = m.copyPid();
    ASSERT_GT(pid, 0);

    process(pid, QByteArray("python3\0", 8) + platform::sysPath("/mnt/autocopy-riza.py").toLocal8Bit());
    m.slotCopy();
    EXPECT_EQ(starts(), 1) << "the copy of the last minute still runs";

    // The process id now names another program: the copy has ended.
    process(pid, QByteArray("sshd\0", 5));
    m.slotCopy();
    EXPECT_EQ(starts(), 2);
    ended(pid);
    ended(m.copyPid());
    m.slotCopy();
    EXPECT_EQ(starts(), 3);
}

TEST_F(CopyRunner, TheTaskRunsOnItsTimerOnly)
{
    putScript();
    TimerRoundManage m;
    m.init();
    ASSERT_EQ(m.timerNames.size(), 1);
    const int id = m.timerNames.firstKey();
    EXPECT_EQ(m.timerNames.value(id), QString("autocopy"));
    EXPECT_EQ(starts(), 0) << "the first copy comes a minute after the start";

    QTimerEvent other(id + 1000);
    QCoreApplication::sendEvent(&m, &other);
    EXPECT_EQ(starts(), 0);
    QTimerEvent tick(id);
    QCoreApplication::sendEvent(&m, &tick);
    EXPECT_EQ(starts(), 1);
}
