#pragma once
// The frames waiting for the reporting client, oldest first. Any thread may
// append; the lock is held only to touch the list, never across network I/O,
// so an enqueue never waits for the client. The list is bounded: when it is
// full the oldest frames make room.
#include <QByteArray>
#include <QList>
#include <deque>
#include <mutex>

class LinkQueue {
public:
    static constexpr int kMaxFrames = 1000;
    static constexpr qint64 kMaxBytes = 8 * 1024 * 1024;

    struct Frame {
        quint64 id = 0;
        int kind = 0;
        QByteArray bytes;
    };

    explicit LinkQueue(int maxFrames = kMaxFrames, qint64 maxBytes = kMaxBytes);

    // Appends a whole frame; returns how many older frames were dropped to
    // make room (each drop is logged, the first and then every hundredth).
    int push(int kind, const QByteArray& bytes);
    bool takeFront(Frame* frame);
    // A frame taken but not delivered goes back to the front.
    void putBack(const Frame& frame);
    void clear();

    int size() const;
    qint64 bytes() const;
    quint64 dropped() const;
    // The kinds waiting, oldest first (tests and diagnostics).
    QList<int> kinds() const;

private:
    // Plain std::mutex so that the thread sanitizer sees the hand-off.
    mutable std::mutex queueMutex;
    std::deque<Frame> frames_;
    int maxFrames_;
    qint64 maxBytes_;
    qint64 bytes_ = 0;
    quint64 nextId_ = 1;
    quint64 dropped_ = 0;
};
