#pragma once
// The raw frames kept under "./originalimage": at most a fixed number, the
// oldest deleted first. The tree is listed once; afterwards the store keeps
// its own list, so a judgement costs no directory scan.
#include <QPair>
#include <QString>
#include <deque>

class RawFrameStore {
public:
    explicit RawFrameStore(const QString& root = QStringLiteral("./originalimage"), int limit = 200);

    // Deletes the oldest frames while more than the limit remain.
    void prune();
    // A frame was written at path.
    void added(const QString& path);
    int count();
    // Forgets the list; the next use lists the tree again.
    void relist() { listed_ = false; }

private:
    void list();

    QString root_;
    int limit_;
    bool listed_ = false;
    std::deque<QPair<qint64, QString>> files_; // modification time (ms), path; oldest first
};
