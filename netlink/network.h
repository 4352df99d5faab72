#pragma once
// The reporting link to the local client script. The link server, its
// messages and the shared video come with their own work; until then the
// link never listens, so every caller's "link enabled" test is false and no
// message is ever queued.
#include <QObject>
#include <QString>

class CNT_Net : public QObject {
    Q_OBJECT
public:
    explicit CNT_Net(QObject* parent = nullptr);

    bool netEnabled = false;  // the server listens
    bool clientAlive = false; // a client is attached with a fresh heartbeat

    // True when callers may send: the parameter is on and the link listens
    // with its client attached.
    bool canSend() const;

    void CNT_FirstInit() {}
    void CNT_ReStart() {}
    void CNT_SendMemoryInfo() {}
    void CNT_AddUseMemory(int id, int width, int height, void* source) {}
};

extern CNT_Net* gpNet;
