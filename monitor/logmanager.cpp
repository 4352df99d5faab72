#include "monitor/logmanager.h"

#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <execinfo.h>

LogManager* LogManager::__instance = nullptr;
QString LogManager::__CurTaskPath;
const char* const LogManager::kVersion = "16.0.1.9";

namespace {

QFile& logFile()
{
    static QFile f;
    return f;
}

QMutex& logMutex()
{
    static QMutex m;
    return m;
}

const QString kRule = QString(105, QChar('*'));

} // namespace

LogManager::LogManager(QObject* parent, const QString& appDir) : QObject(parent)
{
    const QString dir = appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir;
    __CurTaskPath = dir + QStringLiteral("/cnt_net/cnt_log_app/");
    QDir().mkpath(__CurTaskPath);
    {
        QMutexLocker lock(&logMutex());
        if (logFile().isOpen())
            logFile().close();
        logFile().setFileName(__CurTaskPath + QStringLiteral("log.txt"));
    }
    qInstallMessageHandler(LogManager::outputMessage);
    std::signal(SIGSEGV, LogManager::sigcrash);
    std::signal(SIGABRT, LogManager::sigcrash);

    // Keep the folder from growing without end: at most one file goes per start.
    QFileInfoList files = QDir(__CurTaskPath).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    if (files.size() >= 100)
        QFile::remove(files.first().absoluteFilePath());
    __instance = this;
}

LogManager::~LogManager()
{
    if (__instance == this)
        __instance = nullptr;
}

QString LogManager::FormatLine(QtMsgType type, const QMessageLogContext& context, const QString& msg,
                               const QString& time)
{
    QString level;
    switch (type) {
    case QtWarningMsg:
        level = QStringLiteral("W");
        break;
    case QtCriticalMsg:
        level = QStringLiteral("E");
        break;
    case QtFatalMsg:
        level = QStringLiteral("F");
        break;
    case QtInfoMsg:
        level = QStringLiteral("I");
        break;
    default:
        level = QStringLiteral("Info");
        break;
    }
    const QString file = context.file ? QString::fromUtf8(context.file).section('/', -1) : QString();
    return QStringLiteral("[%1 %2 %3:%4] %5").arg(level, time, file).arg(context.line).arg(msg);
}

void LogManager::outputMessage(QtMsgType type, const QMessageLogContext& context, const QString& msg)
{
    if (type == QtDebugMsg) {
        const QByteArray out = msg.toUtf8() + '\n';
        std::fwrite(out.constData(), 1, out.size(), stderr);
        return;
    }
    if (!gpWPara || !gpWPara->enable_log)
        return;
    const QDateTime now = platform::now();
    const QString time = now.toString(QStringLiteral("yyyy/MM/dd-HH:mm:ss.zzz"));
    const QString line = FormatLine(type, context, msg, time);

    QString logPath;
    {
        QMutexLocker lock(&logMutex());
        QFile& f = logFile();
        if (f.fileName().isEmpty())
            return;
        logPath = f.fileName();
        const bool exists = QFileInfo::exists(f.fileName());
        if (!exists) {
            if (f.isOpen())
                f.close();
            if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
                return;
            QTextStream s(&f);
            s.setCodec("UTF-8");
            s << "create newlog version " << kVersion << ' ' << time << '\n';
        } else if (!f.isOpen() && !f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return;
        }
        QTextStream s(&f);
        s.setCodec("UTF-8");
        s << line << '\n';
        s.flush();
        f.flush();
        if (type == QtFatalMsg)
            f.close();
    }
    if (type == QtFatalMsg) {
        const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
        platform::runCommand(QStringLiteral("mv"),
                             {QStringLiteral("-f"), logPath,
                              __CurTaskPath + QStringLiteral("logFatal%1.txt").arg(stamp)});
    }
}

void LogManager::sigcrash(int sig)
{
    std::signal(sig, SIG_DFL);
    qCritical("\n");
    qCritical("%s", qPrintable(kRule));
    qCritical("crashed!!!");
    void* frames[1024];
    const int n = backtrace(frames, 1024);
    char** symbols = backtrace_symbols(frames, n);
    const QRegularExpression re(QStringLiteral("\\S+\\(((\\S+)\\+\\S+)\\)\\s\\S+"));
    for (int i = 0; symbols && i < n; ++i) {
        const QRegularExpressionMatch m = re.match(QString::fromLocal8Bit(symbols[i]));
        if (!m.hasMatch() || m.lastCapturedIndex() != 2)
            continue;
        int status = -1;
        char* name = abi::__cxa_demangle(m.captured(2).toLocal8Bit().constData(), nullptr, nullptr, &status);
        if (status == 0 && name)
            qCritical("%d %s", i, name);
        std::free(name);
    }
    std::free(symbols);
    qFatal("%s", qPrintable(kRule));
}

void FoundAllFile(QList<QFileInfo>& list, const QString& folder)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        if (e.isDir())
            FoundAllFile(list, e.absoluteFilePath());
        else
            list.append(QFileInfo(e.absoluteFilePath()));
    }
}

void SortFileByTime(QList<QFileInfo>& list)
{
    std::stable_sort(list.begin(), list.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() < b.lastModified();
    });
}
