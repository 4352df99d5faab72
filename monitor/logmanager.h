#pragma once
// The process-wide log: every message but debug ones becomes a line of
// "log.txt" in <program folder>/cnt_net/cnt_log_app/ while the log switch is
// on; a fatal message moves the log aside so the next start begins afresh.
#include <QFileInfo>
#include <QList>
#include <QObject>
#include <QString>

class LogManager : public QObject {
    Q_OBJECT
public:
    // The log folder lies under programFolder; by default the working
    // directory, which is the program folder wherever the binary lives.
    explicit LogManager(QObject* parent = nullptr, const QString& programFolder = QString());
    ~LogManager() override;

    static void outputMessage(QtMsgType type, const QMessageLogContext& context, const QString& msg);
    static void sigcrash(int signal);

    // The line written for one message (without the line feed).
    static QString FormatLine(QtMsgType type, const QMessageLogContext& context, const QString& msg,
                              const QString& time);

    static LogManager* __instance;
    static QString __CurTaskPath;
    static const char* const kVersion;
};

// Every file below folder, recursively, appended to list.
void FoundAllFile(QList<QFileInfo>& list, const QString& folder);
// Oldest first; entries with equal times keep their order.
void SortFileByTime(QList<QFileInfo>& list);
