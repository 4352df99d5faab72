#pragma once
// The reporting link to the local client script "./cnt_net/runNetClient.py",
// which forwards what it receives to the plant's management system.
//
// The monitor is the server, on 127.0.0.1 port 8890 only. The client gets one
// framed message per event and acknowledges each; at most one frame is in
// flight, written at most twice. Everything that touches the client's socket
// runs on the sender thread CNT_Thread: the GUI thread, which runs the
// machine cycle, only appends to the bounded queue and never waits for the
// client. Heartbeats, restart requests and the answers to requests come back
// to the GUI thread as notices that name their connection; a notice from a
// connection that is no longer current is ignored. However fast a client
// replies, at most one heartbeat notice, one restart notice and a few answers
// wait for the GUI thread at a time.
#include "netlink/linkframes.h"
#include "netlink/linkqueue.h"
#include "netlink/linkrecords.h"
#include "netlink/netcard.h"
#include "netlink/sharedvideo.h"

#include <QDateTime>
#include <QImage>
#include <QMap>
#include <QVector>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>
#include <QThread>
#include <array>
#include <atomic>
#include <functional>
#include <mutex>

class CammerSingleton;
class CNT_Net;
class LinkSender;
struct param_roi;

// What the link reads of the main window (installed at start-up). Absent
// sources read as nothing: no cameras, zero counts, state 2.
struct LinkSources {
    std::function<int()> runState;         // 1 detecting, 2 sampling templates, 3 stopped
    std::function<int()> cycleTime;        // last cycle time, tenths of a second
    std::function<QVector<int>()> cameras; // slots of the cameras in use
    std::function<int(int slot)> allCount; // judged cycles
    std::function<int(int slot)> failCount; // NG cycles
    std::function<int()> releaseCode;      // image code of the first camera's step 1 at an alarm release
    std::function<const CammerSingleton*(int camera)> regions; // live region store of a camera
    std::function<QImage()> screen;        // the camera display area, for the screen video
};

// The sender thread: owns the client's socket, writes frames and reads
// replies with its own event loop. Acknowledgements are handled here, on the
// thread that waits for them, so none can be missed.
class CNT_Thread : public QThread {
public:
    explicit CNT_Thread(CNT_Net* owner);
    ~CNT_Thread() override;

    // The accepted connection's descriptor becomes the current socket; a
    // previous one is closed, its frame in flight going back to the queue.
    void attach(qintptr descriptor, quint64 connection);
    // Looks at the queue again (coalesced: many calls, one look).
    void kick();
    // Closes the socket and ends the thread.
    void shutdown();

    // Request answers waiting for the GUI thread at most; more are dropped.
    static constexpr int kMaxSessionNotices = 16;

    // Counters for tests and the benchmark.
    quint64 writes() const { return writes_.load(); }
    quint64 acknowledged() const { return acked_.load(); }
    quint64 unacknowledgedDrops() const { return ackDrops_.load(); }
    // Replies read from clients, notices handed to the GUI thread, and
    // answers dropped for want of room.
    quint64 repliesRead() const { return repliesRead_.load(); }
    quint64 noticesPosted() const { return noticesPosted_.load(); }
    quint64 noticesDropped() const { return noticesDropped_.load(); }

protected:
    void run() override;

private:
    friend class LinkSender;
    CNT_Net* owner;
    LinkSender* worker_ = nullptr; // lives as long as the thread object
    std::atomic<bool> stopping_{false};
    std::atomic<bool> kickPending_{false};
    std::atomic<quint64> writes_{0};
    std::atomic<quint64> acked_{0};
    std::atomic<quint64> ackDrops_{0};
    // A heartbeat or restart notice on its way to the GUI thread carries the
    // connection of the latest such reply (0: none waiting), so a flood of
    // replies costs the GUI thread one call.
    std::atomic<quint64> heartbeatNotice_{0};
    std::atomic<quint64> restartNotice_{0};
    std::atomic<int> sessionNotices_{0};
    std::atomic<quint64> repliesRead_{0};
    std::atomic<quint64> noticesPosted_{0};
    std::atomic<quint64> noticesDropped_{0};
};

class CNT_Net : public QTcpServer {
    Q_OBJECT
public:
    static constexpr const char* kClientScript = "./cnt_net/runNetClient.py";
    static constexpr const char* kSwitchFile = "./cnt_net/whichsend.config";
    static constexpr const char* kDataDir = "./cnt_net/data/";
    static constexpr qint64 kHeartbeatPeriodMs = 60000;
    static constexpr qint64 kHeartbeatFreshMs = 59000;

    // Reads "PARAM.db" itself: the link is enabled (and listens) when the
    // first value of the key CntNet is not 0. Tests may choose another port
    // (0: any free one).
    explicit CNT_Net(QObject* parent = nullptr, quint16 port = linkframe::kPort);
    ~CNT_Net() override;

    NetCard systemCard; // the network in force; its host name identifies the device
    NetCard editCard;   // the copy the network pages edit

    bool netEnabled = false;                // enabled at construction and listening
    std::atomic<bool> clientAlive{false};   // a client is attached and its heartbeat is fresh
    bool serverChanged = false;             // the server settings changed; the apply step restarts the client
    QStringList remindList;
    QDateTime lastHeart;

    // Request answers for the settings pages (product list, reminder list);
    // the body is the reply's JSON text.
    std::function<void(const QString&)> productListReceiver;
    std::function<void(const QString&)> remindListReceiver;

    // The parameter is on and the link listens.
    bool isEnabled() const;
    // ... and its client is attached and alive: what most senders need.
    bool canSend() const;

    // Per kind on or off ("./cnt_net/whichsend.config"); all off while the
    // link is not enabled.
    bool sendSwitch(int kind) const;
    void getWhichSend();

    // Frames the body with its kind and queues it (any thread); false when
    // the kind is switched off.
    bool enqueueFrame(int kind, const QByteArray& body);
    // Lets the sender thread look at the queue.
    void StartSend();

    // Starts the client script with the Python interpreter, first stopping
    // the one this process started before; neither is waited for. At most one
    // start per restartGapMs: a request within the gap is carried out once at
    // its end. Nothing happens without the script file or without the link.
    static void CNT_ReStart();
    // The process id of the client script started last (0 when none).
    static qint64 clientScriptPid();
    // Milliseconds between two starts of the client script (tests shorten it).
    int restartGapMs = 5000;
    // A restart waits for the end of the gap.
    bool restartDeferred() const;

    // The heartbeat watchdog's tick (every 60 s).
    void heartbeatTick();

    // ---- messages (each returns at once when its kind is switched off) ----
    void CNT_SendRecord(const QDateTime& when, const QString& operatorText, const QString& text); // 1
    void CNT_SendParam();                                                                       // 2
    void CNT_SendAlarmPic(const QString& path);                                                 // 5
    void CNT_SendTempPic(const QString& path);                                                  // 6
    // Recomputes, stores and sends the statistics (7); called from another
    // thread (the image writer), the work is handed to the GUI thread the
    // link lives on.
    void CNT_SendStatistics(const QString& ngImage);
    void CNT_SendROIParam(int camera, int step);                                                // 8
    void CNT_SendManualStop();                                                                  // 10
    void CNT_SendDelTempPic(int camera, int step, const QString& name);                         // 11
    void CNT_SendAddRemind(const CNT_Path_Remind& remind);                                      // 12
    void CNT_SendDelRemind(qint64 utc);                                                         // 13
    void CNT_SendGetProduct();                                                                  // 14
    void CNT_SendSaveNgVideo(int camera, int isng);                                             // 15
    void CNT_SendTelInfo(int check, int count);                                                 // 16
    void CNT_SendGetRemindList();                                                               // 17
    void CNT_SendStatistics_Once(const QList<param_roi>& results, bool ng, int trigger);       // 18
    void CNT_SendRunState();                                                                    // 19
    void CNT_SendCancle();                                                                      // 20

    // One alarm of a region, all 0-based.
    void ChkandAddStaticticsItem(int camera, int step, int region);
    // One alarm's duration.
    void CNT_AddNgTimes(qint64 ms);
    // Prunes the durations and returns their mean.
    qint64 CNT_AddCycle(int unused = 0);
    // Back to a new statistics period, then the stored record if any.
    void InitStatistics();
    // Back to no stop, then the stored record if any.
    void InitManualStop();

    static void ccJSON_AddItemToObject(cJSON* o, const char* name, const char* v) { ::ccJSON_AddItemToObject(o, name, v); }
    static void ccJSON_AddItemToObject(cJSON* o, const char* name, const qint64& v) { ::ccJSON_AddItemToObject(o, name, v); }
    static void ccJSON_AddItemToObject(cJSON* o, const char* name, const QString& v) { ::ccJSON_AddItemToObject(o, name, v); }
    static void ccJSON_AddItemToObject(cJSON* o, const char* name, const std::string& v) { ::ccJSON_AddItemToObject(o, name, v); }

    // The records, under recordMutex: the image writer's thread and the GUI
    // thread both reach them.
    mutable std::mutex recordMutex;
    CNT_Path_ManualStop manualStop;
    CNT_Path_Statistics statistics;
    QVector<qint64> ngTimes;
    qint64 lastCycleUtc = 0; // utc of the last cycle message, 0 before the first

    LinkSources sources;

    // ---- shared video ----------------------------------------------------
    // Registers frame id of width x height pixels (cut to even sizes, which
    // the I420 conversion needs) with its source, a 32-bit image of
    // width x height that the frame timer copies from.
    void CNT_AddUseMemory(int id, int width, int height, void* source = nullptr);
    // After the main window: the screen frame when chosen, and the frame timer.
    void CNT_FirstInit();
    // The frames' description (9), once per connection.
    void CNT_SendMemoryInfo();
    // Converts one frame (from source, or the registered one) into its
    // segment under its semaphore; false when nothing was copied.
    bool CNT_UpdateMemory(int id, const uchar* source = nullptr, int stride = 0);
    void CNT_FreeShareMemory();
    // The frame timer's tick (every 50 ms).
    void frameTick();

    bool memInfoSent = false;   // the description was queued on this connection
    bool memRegistered = false; // a frame is registered
    QMap<int, VideoShareInfo> videoShares;
    QMap<int, uchar*> frameSources;

    // Readers of the operating system's network set-up (they use no member).
    // Interfaces from "/etc/network/interfaces" and "/proc/net/dev".
    static QMap<QString, QStringList> getNewNetCardInfo();
    // Hardware addresses from "/sys/class/net/<name>/address".
    static QMap<QString, QString> getNetMac();
    static QString getNetHostName();
    // Current IPv4 address of each running interface but "lo".
    static QMap<QString, QString> getNetCardInfo();

    LinkQueue sendQueue;
    CNT_Thread* sendThread = nullptr;
    // How long a written frame waits for its acknowledgement (tests shorten it).
    std::atomic<int> ackTimeoutMs{5000};
    // The connection whose notices count; 0 while no client is attached.
    quint64 currentConnection() const { return connection_; }

public slots:
    // Notices from the sender thread about a connection.
    void SlotDisConnetced(quint64 connection);
    void ParsingBackBuf(quint64 connection, const linkframe::Reply& reply);

protected:
    void incomingConnection(qintptr descriptor) override;
    void timerEvent(QTimerEvent* event) override;

private:
    bool readEnabled() const;
    QString deviceId() const { return systemCard.hostName; }
    int runState() const { return sources.runState ? sources.runState() : 0; }
    // 1 stopped, 0 detecting, 2 otherwise.
    int stateCode() const;
    void initStatisticsLocked();
    void restartClientScript();
    void releaseFrameHolds();
    void startClientScriptNow();

    QVector<VideoShareInfo> descriptions_; // in registration order
    QMap<int, QByteArray> converted_;       // I420 pictures ready to copy
    QMap<int, bool> skipWarned_;
    QMap<int, QString> timerNames;
    std::array<bool, linkframe::kKinds> switches_{};
    quint64 connection_ = 0;
    quint64 connections_ = 0;
    qint64 clientPid_ = 0;         // the client script started last
    qint64 lastScriptStartMs_ = -1; // monotonic time of that start
    QTimer* restartTimer_ = nullptr;
};

extern CNT_Net* gpNet;

Q_DECLARE_METATYPE(linkframe::Reply)
