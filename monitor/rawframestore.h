#pragma once
// The raw frames kept under "./originalimage": at most a fixed number, the
// oldest deleted first. The tree is listed once; afterwards the store keeps
// its own list, so a judgement costs no directory scan.
#include <QObject>
#include <QPair>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <opencv2/core.hpp>
#include <thread>

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

// Writes the raw frames the cycle keeps on a thread of its own, so that no
// judgement, verdict or output waits for a bitmap. A frame is handed over
// shared, not copied: the cycle gives its newest-frame buffer a fresh one
// before it writes into a buffer the writer still holds (holds()). Frames
// staged by a judgement go to the thread only with flush(), which the cycle
// calls once the verdict and its outputs are out. Each file is written under
// a temporary name (".part") and renamed, so that nobody copies half a frame.
class RawFrameWriter {
public:
    struct Job {
        cv::Mat frame; // the judged frame, shared with the cycle
        QString path;
        bool colour = false;
    };
    // Frames waiting for the thread at most; more are not saved.
    static constexpr int kMaxWaiting = 16;

    explicit RawFrameWriter(const QString& root = QStringLiteral("./originalimage"), int limit = 200);
    // Writes what waits, then ends the thread.
    ~RawFrameWriter();
    RawFrameWriter(const RawFrameWriter&) = delete;
    RawFrameWriter& operator=(const RawFrameWriter&) = delete;

    // A frame to write once the judgement is over; false (nothing kept) when
    // too many frames wait already.
    bool stage(Job job);
    // The staged frames go to the thread.
    void flush();
    // Whether a staged, waiting or written frame still uses this buffer.
    bool holds(const uchar* data) const;
    // The tree changed under the list (an export removed frames): listed
    // again before the next frame is kept.
    void relist();
    // Until every frame handed over is written (tests, benchmarks); false
    // when that did not happen within timeoutMs.
    bool waitIdle(int timeoutMs);

    // On the writer's thread for each frame: writes it (giving the name it
    // got) and returns the error text, empty when it was written. Tests
    // replace it.
    std::function<QString(const Job&, QString* written)> save;
    // Told on the thread of `context` (the GUI thread) after each frame:
    // the path and the error text (empty when written).
    void setResults(QObject* context, std::function<void(const QString& path, const QString& error)> results);

    // Writes a frame as the writer does: "<path>.part" as BMP, then renamed
    // to the path, or to "<name>_2.bmp" (and so on) when that is taken.
    static QString writeBmp(const Job& job, QString* written = nullptr);

private:
    void run();

    mutable std::mutex m_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> staged_;
    std::deque<Job> queue_;
    cv::Mat writing_; // the frame on the thread now
    bool busy_ = false;
    bool stop_ = false;
    bool relist_ = false;
    RawFrameStore store_; // the writer's thread only
    QObject* context_ = nullptr;
    std::function<void(const QString&, const QString&)> results_;
    std::thread thread_;
};
