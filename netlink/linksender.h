#pragma once
// The sender thread's worker: the client's socket, the frame in flight and
// its acknowledgement time-out. Lives on CNT_Thread; nothing else touches it.
#include "netlink/linkframes.h"
#include "netlink/linkqueue.h"

#include <QObject>
#include <atomic>

class CNT_Net;
class CNT_Thread;
class QTcpSocket;
class QTimer;

class LinkSender : public QObject {
    Q_OBJECT
public:
    LinkSender(CNT_Thread* thread, CNT_Net* owner);
    ~LinkSender() override;

    void attach(qintptr descriptor, quint64 connection);
    void pump();
    // At the thread's end: the socket closed, nothing in flight.
    void closeSocket();

private:
    void readReplies(QTcpSocket* socket);
    void socketGone(QTcpSocket* socket);
    void ackTimedOut();
    void acknowledged();
    // Closes the current socket; a frame in flight goes back to the queue.
    void dropSocket();
    void notifyGone(quint64 connection);
    // Heartbeats and restart requests: one notice waiting at a time.
    void postMerged(std::atomic<quint64>& pending, quint64 connection, const linkframe::Reply& reply);
    // Request answers: a bounded number waiting.
    void postAnswer(quint64 connection, const linkframe::Reply& reply);

    CNT_Thread* thread_;
    CNT_Net* owner_;
    QTcpSocket* socket_ = nullptr;
    quint64 connection_ = 0;
    linkframe::ReplyParser parser_;
    QTimer* ackTimer_;
    bool inFlight_ = false;
    LinkQueue::Frame frame_;
    int attempts_ = 0; // writes of the frame in flight
    bool warnedDiscard_ = false;
    bool warnedInvalid_ = false;
};
