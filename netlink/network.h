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
// connection that is no longer current is ignored.
#include "netlink/linkframes.h"
#include "netlink/linkqueue.h"
#include "netlink/netcard.h"

#include <QDateTime>
#include <QMap>
#include <QStringList>
#include <QTcpServer>
#include <QThread>
#include <array>
#include <atomic>
#include <functional>

class CNT_Net;
class LinkSender;

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

    // Counters for tests and the benchmark.
    quint64 writes() const { return writes_.load(); }
    quint64 acknowledged() const { return acked_.load(); }
    quint64 unacknowledgedDrops() const { return ackDrops_.load(); }

protected:
    void run() override;

private:
    friend class LinkSender;
    CNT_Net* owner;
    LinkSender* worker_ = nullptr;
    std::atomic<bool> kickPending_{false};
    std::atomic<quint64> writes_{0};
    std::atomic<quint64> acked_{0};
    std::atomic<quint64> ackDrops_{0};
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
    // the one this process started before. Nothing happens without the
    // script file.
    static void CNT_ReStart();
    // The process id of the client script started last (0 when none).
    static qint64 clientScriptPid();

    // The heartbeat watchdog's tick (every 60 s).
    void heartbeatTick();

    // Stand-ins until the shared video lands.
    void CNT_FirstInit() {}
    void CNT_SendMemoryInfo() {}
    void CNT_AddUseMemory(int id, int width, int height, void* source) {}

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

    QMap<int, QString> timerNames;
    std::array<bool, linkframe::kKinds> switches_{};
    quint64 connection_ = 0;
    quint64 connections_ = 0;
};

extern CNT_Net* gpNet;

Q_DECLARE_METATYPE(linkframe::Reply)
