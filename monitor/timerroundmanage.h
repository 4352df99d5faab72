#pragma once
// Named periodic tasks on the GUI thread's event loop. The one task,
// "autocopy", looks once a minute for a copy script on the USB disk and
// starts it with the Python 3 interpreter in the background, unless the copy
// it started before is still running.
#include <QMap>
#include <QObject>
#include <QString>

class TimerRoundManage : public QObject {
    Q_OBJECT
public:
    static TimerRoundManage* __instance;
    static constexpr int kCopyPeriodMs = 60000;
    static constexpr const char* kScript = "/mnt/autocopy-riza.py";

    TimerRoundManage();
    ~TimerRoundManage() override;

    void init();
    void startCopy();
    // One round of "autocopy": the script started when present and no
    // earlier copy runs.
    void slotCopy();
    // Process id of the copy started last (0: none known).
    qint64 copyPid() const { return copyPid_; }

    QMap<int, QString> timerNames;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    bool copyRunning() const;
    qint64 copyPid_ = 0;
};
