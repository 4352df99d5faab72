#pragma once
// The reporting link to the local client script. The link server, its
// messages and the shared video come with their own work; until then the
// link never listens, so every caller's "link enabled" test is false and no
// message is ever queued. The network-card sets are real already.
#include "netlink/netcard.h"

#include <QMap>
#include <QObject>
#include <QString>

class CNT_Net : public QObject {
    Q_OBJECT
public:
    explicit CNT_Net(QObject* parent = nullptr);

    NetCard systemCard; // the network in force; its host name identifies the device
    NetCard editCard;   // the copy the network pages edit

    bool netEnabled = false;  // the server listens
    bool clientAlive = false; // a client is attached with a fresh heartbeat

    // True when callers may send: the parameter is on and the link listens
    // with its client attached.
    bool canSend() const;

    void CNT_FirstInit() {}
    void CNT_ReStart() {}
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
};

extern CNT_Net* gpNet;
