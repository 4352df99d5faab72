#include "netlink/linksender.h"

#include "netlink/network.h"

#include <QDebug>
#include <QTcpSocket>
#include <QTimer>
#include <unistd.h>

// ---- CNT_Thread ---------------------------------------------------------------

CNT_Thread::CNT_Thread(CNT_Net* link) : owner(link)
{
    worker_ = new LinkSender(this, link);
    worker_->moveToThread(this);
}

CNT_Thread::~CNT_Thread()
{
    shutdown();
    delete worker_; // its thread has ended
    worker_ = nullptr;
}

void CNT_Thread::run()
{
    QThread::exec(); // the thread's event loop
    worker_->closeSocket(); // on its own thread, with its timer
}

void CNT_Thread::attach(qintptr descriptor, quint64 connection)
{
    LinkSender* w = worker_;
    if (stopping_.load() || !isRunning()) {
        ::close(int(descriptor));
        return;
    }
    QMetaObject::invokeMethod(w, [w, descriptor, connection] { w->attach(descriptor, connection); },
                              Qt::QueuedConnection);
}

void CNT_Thread::kick()
{
    LinkSender* w = worker_;
    if (stopping_.load() || kickPending_.exchange(true))
        return;
    QMetaObject::invokeMethod(w, [w] { w->pump(); }, Qt::QueuedConnection);
}

void CNT_Thread::shutdown()
{
    stopping_ = true;
    if (isRunning()) {
        quit();
        wait();
    }
}

// ---- LinkSender -----------------------------------------------------------------

LinkSender::LinkSender(CNT_Thread* thread, CNT_Net* owner)
    : thread_(thread), owner_(owner), ackTimer_(new QTimer(this))
{
    ackTimer_->setSingleShot(true);
    connect(ackTimer_, &QTimer::timeout, this, &LinkSender::ackTimedOut);
}

LinkSender::~LinkSender()
{
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
}

void LinkSender::attach(qintptr descriptor, quint64 connection)
{
    if (socket_) {
        // One client at a time: the newer connection takes the place.
        const quint64 old = connection_;
        dropSocket();
        notifyGone(old);
    }
    auto* s = new QTcpSocket(this);
    if (!s->setSocketDescriptor(descriptor)) {
        qWarning() << "reporting link: accepted connection unusable:" << s->errorString();
        delete s;
        ::close(int(descriptor));
        notifyGone(connection);
        return;
    }
    // A client that sends faster than its replies are read waits in its own
    // socket instead of growing this process.
    s->setReadBufferSize(4 * linkframe::ReplyParser::kCapacity);
    socket_ = s;
    connection_ = connection;
    parser_.clear();
    warnedDiscard_ = warnedInvalid_ = false;
    connect(s, &QTcpSocket::readyRead, this, [this, s] { readReplies(s); });
    connect(s, &QTcpSocket::disconnected, this, [this, s] { socketGone(s); });
    connect(s, &QAbstractSocket::errorOccurred, this, [this, s] {
        if (s->state() != QAbstractSocket::ConnectedState)
            socketGone(s);
    });
    // A frame waits until the bytes before it have left for the client.
    connect(s, &QTcpSocket::bytesWritten, this, [this, s] {
        if (s == socket_ && !inFlight_)
            pump();
    });
    pump();
}

void LinkSender::pump()
{
    thread_->kickPending_.store(false);
    if (inFlight_ || !socket_ || socket_->state() != QAbstractSocket::ConnectedState || socket_->bytesToWrite() > 0)
        return;
    if (!owner_->clientAlive.load())
        return;
    if (!owner_->sendQueue.takeFront(&frame_))
        return;
    inFlight_ = true;
    attempts_ = 1;
    socket_->write(frame_.bytes);
    ++thread_->writes_;
    ackTimer_->start(owner_->ackTimeoutMs.load());
}

void LinkSender::ackTimedOut()
{
    if (!inFlight_ || !socket_)
        return;
    if (attempts_ < 2) {
        // Written again only when the first copy has left; a copy still
        // waiting in the buffer would only repeat it.
        if (socket_->bytesToWrite() == 0) {
            socket_->write(frame_.bytes);
            ++thread_->writes_;
        }
        ++attempts_;
        ackTimer_->start(owner_->ackTimeoutMs.load());
        return;
    }
    qWarning().noquote() << QStringLiteral("reporting link: frame of kind %1 not acknowledged, dropped").arg(frame_.kind);
    ++thread_->ackDrops_;
    inFlight_ = false;
    frame_ = LinkQueue::Frame();
    pump();
}

void LinkSender::acknowledged()
{
    // Only the frame in flight is answered; an acknowledgement with nothing
    // in flight removes nothing.
    if (!inFlight_)
        return;
    ackTimer_->stop();
    inFlight_ = false;
    frame_ = LinkQueue::Frame();
    ++thread_->acked_;
    pump();
}

void LinkSender::readReplies(QTcpSocket* s)
{
    if (s != socket_)
        return;
    const quint64 connection = connection_;
    while (socket_ == s && s->bytesAvailable() > 0) {
        const QList<linkframe::Reply> replies = parser_.feed(s->read(linkframe::ReplyParser::kCapacity));
        if (parser_.discardedBytes() > 0 && !warnedDiscard_) {
            warnedDiscard_ = true;
            qWarning() << "reporting link: unreadable reply bytes from the client discarded";
        }
        for (const linkframe::Reply& r : replies) {
            switch (r.kind) {
            case linkframe::ReplyKind::Ack:
                acknowledged();
                break;
            case linkframe::ReplyKind::Invalid:
                if (!warnedInvalid_) {
                    warnedInvalid_ = true;
                    qWarning() << "reporting link: reply not understood, ignored";
                }
                break;
            case linkframe::ReplyKind::Heartbeat:
                postMerged(thread_->heartbeatNotice_, connection, r);
                break;
            case linkframe::ReplyKind::Restart:
                postMerged(thread_->restartNotice_, connection, r);
                break;
            default:
                postAnswer(connection, r);
                break;
            }
        }
        // Counted once handled, so a reader of the count sees their notices.
        thread_->repliesRead_ += quint64(replies.size());
    }
}

void LinkSender::postMerged(std::atomic<quint64>& pending, quint64 connection, const linkframe::Reply& reply)
{
    // A notice already waiting will read the newest connection when it runs.
    if (pending.exchange(connection) != 0)
        return;
    ++thread_->noticesPosted_;
    CNT_Net* owner = owner_;
    std::atomic<quint64>* waiting = &pending;
    QMetaObject::invokeMethod(owner, [owner, waiting, reply] { owner->ParsingBackBuf(waiting->exchange(0), reply); },
                              Qt::QueuedConnection);
}

void LinkSender::postAnswer(quint64 connection, const linkframe::Reply& reply)
{
    CNT_Thread* thread = thread_;
    if (thread->sessionNotices_.fetch_add(1) >= CNT_Thread::kMaxSessionNotices) {
        thread->sessionNotices_.fetch_sub(1);
        if (thread->noticesDropped_++ == 0)
            qWarning() << "reporting link: the client sends answers faster than they are read; answers dropped";
        return;
    }
    ++thread->noticesPosted_;
    CNT_Net* owner = owner_;
    QMetaObject::invokeMethod(owner,
                              [owner, thread, connection, reply] {
                                  thread->sessionNotices_.fetch_sub(1);
                                  owner->ParsingBackBuf(connection, reply);
                              },
                              Qt::QueuedConnection);
}

void LinkSender::socketGone(QTcpSocket* s)
{
    if (s != socket_)
        return;
    const quint64 connection = connection_;
    dropSocket();
    notifyGone(connection);
}

void LinkSender::closeSocket() { dropSocket(); }

void LinkSender::dropSocket()
{
    ackTimer_->stop();
    if (inFlight_) {
        owner_->sendQueue.putBack(frame_);
        inFlight_ = false;
        frame_ = LinkQueue::Frame();
    }
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    connection_ = 0;
    parser_.clear();
}

void LinkSender::notifyGone(quint64 connection)
{
    CNT_Net* owner = owner_;
    QMetaObject::invokeMethod(owner, [owner, connection] { owner->SlotDisConnetced(connection); },
                              Qt::QueuedConnection);
}
