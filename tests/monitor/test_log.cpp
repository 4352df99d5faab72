#include "monitor/logmanager.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QRegularExpression>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Logging : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        platform::Clock::setInstance(&clock);
        gpWPara = &params;
        previous = qInstallMessageHandler(nullptr);
    }
    void TearDown() override
    {
        delete manager;
        qInstallMessageHandler(previous);
        std::signal(SIGSEGV, SIG_DFL);
        std::signal(SIGABRT, SIG_DFL);
        gpWPara = nullptr;
        platform::Clock::setInstance(nullptr);
        InTempFolder::TearDown();
    }
    void start() { manager = new LogManager(nullptr, folder()); }
    QString logPath() const { return folder() + "/cnt_net/cnt_log_app/log.txt"; }

    platform::ManualClock clock{QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6, 78))};
    WizardPara params;
    LogManager* manager = nullptr;
    QtMessageHandler previous = nullptr;
};

} // namespace

TEST(LogFormat, LinesPerLevel)
{
    QMessageLogContext ctx("/src/monitor/mainwindow.cpp", 42, "f", "default");
    QMessageLogContext none;
    const QString t = "2026/02/03-04:05:06.078";
    EXPECT_EQ(LogManager::FormatLine(QtWarningMsg, ctx, "w", t), "[W 2026/02/03-04:05:06.078 mainwindow.cpp:42] w");
    EXPECT_EQ(LogManager::FormatLine(QtCriticalMsg, none, "c", t), "[E 2026/02/03-04:05:06.078 :0] c");
    EXPECT_EQ(LogManager::FormatLine(QtFatalMsg, none, "f", t), "[F 2026/02/03-04:05:06.078 :0] f");
    EXPECT_EQ(LogManager::FormatLine(QtInfoMsg, none, "i", t), "[I 2026/02/03-04:05:06.078 :0] i");
    EXPECT_EQ(LogManager::FormatLine(QtDebugMsg, none, "d", t), "[Info 2026/02/03-04:05:06.078 :0] d");
}

TEST_F(Logging, NothingIsWrittenWhileTheSwitchIsOff)
{
    start();
    qWarning("dropped");
    qInfo("dropped too");
    EXPECT_FALSE(QFile::exists(logPath()));
}

TEST_F(Logging, NewLogStartsWithItsVersionLineAndIsRecreatedWhenDeleted)
{
    params.enable_log = 1;
    start();
    qWarning("first");
    qInfo("second");
    EXPECT_EQ(readAll(logPath()),
              QByteArray("create newlog version 16.0.1.9 2026/02/03-04:05:06.078\n"
                         "[W 2026/02/03-04:05:06.078 :0] first\n"
                         "[I 2026/02/03-04:05:06.078 :0] second\n"));
    QFile::remove(logPath());
    clock.advanceMs(1000);
    qCritical("third");
    EXPECT_EQ(readAll(logPath()),
              QByteArray("create newlog version 16.0.1.9 2026/02/03-04:05:07.078\n"
                         "[E 2026/02/03-04:05:07.078 :0] third\n"));
}

TEST_F(Logging, FatalMessageMovesTheLogAsideThroughTheRunner)
{
    params.enable_log = 1;
    start();
    QMessageLogContext none;
    LogManager::outputMessage(QtFatalMsg, none, "end");
    const auto calls = testenv::commands().calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].program, "mv");
    EXPECT_EQ(calls[0].args,
              (QStringList{"-f", logPath(), folder() + "/cnt_net/cnt_log_app/logFatal2026-02-03_04-05-06-078.txt"}));
    EXPECT_TRUE(readAll(logPath()).endsWith("[F 2026/02/03-04:05:06.078 :0] end\n"));
}

TEST_F(Logging, StartPrunesOnlyTheOldestOfAFullFolder)
{
    const QString dir = folder() + "/cnt_net/cnt_log_app/";
    QDir().mkpath(dir);
    for (int i = 0; i < 120; ++i) {
        QFile f(dir + QString("old%1.txt").arg(i, 3, 10, QChar('0')));
        f.open(QIODevice::WriteOnly);
        f.write("x");
        f.close();
        f.open(QIODevice::ReadWrite);
        f.setFileTime(QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addSecs(i), QFileDevice::FileModificationTime);
    }
    start();
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 119);
    EXPECT_FALSE(QFile::exists(dir + "old000.txt"));
}

TEST_F(InTempFolder, FileListingAndTimeOrder)
{
    QDir().mkpath("a/b");
    const QDateTime base(QDate(2025, 6, 1), QTime(0, 0));
    const QList<QPair<QString, int>> files{{"a/3.bmp", 30}, {"a/b/1.bmp", 10}, {"a/2.bmp", 20}, {"a/b/2b.bmp", 20}};
    for (const auto& f : files) {
        QFile file(f.first);
        file.open(QIODevice::WriteOnly);
        file.setFileTime(base.addSecs(f.second), QFileDevice::FileModificationTime);
    }
    QList<QFileInfo> list;
    FoundAllFile(list, "a");
    EXPECT_EQ(list.size(), 4);
    SortFileByTime(list);
    EXPECT_EQ(list.first().fileName(), "1.bmp");
    EXPECT_EQ(list.last().fileName(), "3.bmp");
    // equal times keep their listed order
    QList<QFileInfo> twins{QFileInfo("a/2.bmp"), QFileInfo("a/b/2b.bmp")};
    SortFileByTime(twins);
    EXPECT_EQ(twins[0].fileName(), "2.bmp");
    QList<QFileInfo> reversed{QFileInfo("a/b/2b.bmp"), QFileInfo("a/2.bmp")};
    SortFileByTime(reversed);
    EXPECT_EQ(reversed[0].fileName(), "2b.bmp");
}

TEST_F(Logging, ACrashLeavesItsBackTraceInAFatalLog)
{
    params.enable_log = 1;
    start();
    qWarning("before the crash");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only the crash itself runs in the child, inside a frame of the
        // toolkit whose name is exported.
        auto* object = new QObject;
        QObject::connect(object, &QObject::destroyed, [] { ::raise(SIGSEGV); });
        delete object;
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the crash still ends the process";
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const QDir dir(folder() + "/cnt_net/cnt_log_app");
    const QStringList fatal = dir.entryList({"logFatal*.txt"}, QDir::Files);
    ASSERT_EQ(fatal.size(), 1);
    EXPECT_TRUE(QRegularExpression("^logFatal\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3}\\.txt$")
                    .match(fatal.first())
                    .hasMatch())
        << qPrintable(fatal.first());
    const QByteArray log = readAll(dir.filePath(fatal.first()));
    EXPECT_TRUE(log.contains("before the crash"));
    EXPECT_TRUE(log.contains("] crashed!!!\n"));
    EXPECT_TRUE(log.contains(QByteArray(105, '*')));
    // Numbered, demangled critical lines; no raw frame texts.
    EXPECT_TRUE(QRegularExpression("\\n\\[E [^\\]]*\\] #\\d+ QObject::~QObject\\(\\)\\n").match(QString::fromUtf8(log)).hasMatch())
        << log.constData();
    EXPECT_FALSE(log.contains("libQt5Core.so")) << log.constData();
    EXPECT_TRUE(log.trimmed().endsWith(QByteArray(105, '*')));
    EXPECT_FALSE(QFile::exists(logPath())) << "the next message starts a fresh log";
}
