#include "netlink/linkqueue.h"

#include <QDebug>
#include <QList>

LinkQueue::LinkQueue(int maxFrames, qint64 maxBytes) : maxFrames_(maxFrames), maxBytes_(maxBytes) {}

int LinkQueue::push(int kind, const QByteArray& bytes)
{
    int dropped = 0;
    bool log = false;
    quint64 total = 0;
    int droppedKind = 0;
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        frames_.push_back({nextId_++, kind, bytes});
        bytes_ += bytes.size();
        // The newest frame always stays, however large.
        while (frames_.size() > 1 && (int(frames_.size()) > maxFrames_ || bytes_ > maxBytes_)) {
            bytes_ -= frames_.front().bytes.size();
            ++dropped;
            if (++dropped_ == 1 || dropped_ % 100 == 0) {
                log = true;
                total = dropped_;
                droppedKind = frames_.front().kind;
            }
            frames_.pop_front();
        }
    }
    if (log)
        qWarning().noquote() << QStringLiteral("reporting link: queue full, oldest frame (kind %1) dropped; %2 dropped so far")
                                    .arg(droppedKind)
                                    .arg(total);
    return dropped;
}

bool LinkQueue::takeFront(Frame* frame)
{
    std::lock_guard<std::mutex> lock(queueMutex);
    if (frames_.empty())
        return false;
    *frame = std::move(frames_.front());
    frames_.pop_front();
    bytes_ -= frame->bytes.size();
    return true;
}

void LinkQueue::putBack(const Frame& frame)
{
    std::lock_guard<std::mutex> lock(queueMutex);
    frames_.push_front(frame);
    bytes_ += frame.bytes.size();
}

void LinkQueue::clear()
{
    std::lock_guard<std::mutex> lock(queueMutex);
    frames_.clear();
    bytes_ = 0;
}

int LinkQueue::size() const
{
    std::lock_guard<std::mutex> lock(queueMutex);
    return int(frames_.size());
}

qint64 LinkQueue::bytes() const
{
    std::lock_guard<std::mutex> lock(queueMutex);
    return bytes_;
}

quint64 LinkQueue::dropped() const
{
    std::lock_guard<std::mutex> lock(queueMutex);
    return dropped_;
}

QList<int> LinkQueue::kinds() const
{
    std::lock_guard<std::mutex> lock(queueMutex);
    QList<int> out;
    for (const Frame& f : frames_)
        out << f.kind;
    return out;
}
