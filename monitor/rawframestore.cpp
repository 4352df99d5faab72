#include "monitor/rawframestore.h"

#include "monitor/logmanager.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QVector>
#include <algorithm>
#include <cstdio>

RawFrameStore::RawFrameStore(const QString& root, int limit) : root_(root), limit_(limit) {}

void RawFrameStore::list()
{
    QList<QFileInfo> found;
    FoundAllFile(found, root_);
    SortFileByTime(found);
    files_.clear();
    for (const QFileInfo& f : found)
        files_.emplace_back(f.lastModified().toMSecsSinceEpoch(), f.absoluteFilePath());
    listed_ = true;
}

int RawFrameStore::count()
{
    if (!listed_)
        list();
    return int(files_.size());
}

void RawFrameStore::prune()
{
    if (!listed_)
        list();
    while (int(files_.size()) > limit_) {
        QFile::remove(files_.front().second); // a file already gone just leaves the list
        files_.pop_front();
    }
}

void RawFrameStore::added(const QString& path)
{
    if (!listed_) {
        list(); // finds the new file with the others
        return;
    }
    const QFileInfo info(path);
    if (!info.exists())
        return;
    const QPair<qint64, QString> entry(info.lastModified().toMSecsSinceEpoch(), info.absoluteFilePath());
    // Normally the newest; an older stamp (clock set back) goes where it sorts.
    auto at = std::upper_bound(files_.begin(), files_.end(), entry,
                               [](const auto& a, const auto& b) { return a.first < b.first; });
    files_.insert(at, entry);
}

// ---------------------------------------------------------------- writer

RawFrameWriter::RawFrameWriter(const QString& root, int limit) : store_(root, limit)
{
    save = [](const Job& job, QString* written) { return writeBmp(job, written); };
    thread_ = std::thread([this] { run(); });
}

RawFrameWriter::~RawFrameWriter()
{
    {
        std::lock_guard<std::mutex> l(m_);
        for (Job& j : staged_)
            queue_.push_back(std::move(j));
        staged_.clear();
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool RawFrameWriter::stage(Job job)
{
    std::lock_guard<std::mutex> l(m_);
    if (int(staged_.size() + queue_.size()) >= kMaxWaiting)
        return false;
    staged_.push_back(std::move(job));
    return true;
}

void RawFrameWriter::flush()
{
    {
        std::lock_guard<std::mutex> l(m_);
        if (staged_.empty())
            return;
        for (Job& j : staged_)
            queue_.push_back(std::move(j));
        staged_.clear();
    }
    wake_.notify_all();
}

bool RawFrameWriter::holds(const uchar* data) const
{
    if (!data)
        return false;
    std::lock_guard<std::mutex> l(m_);
    if (writing_.data == data)
        return true;
    for (const Job& j : staged_)
        if (j.frame.data == data)
            return true;
    for (const Job& j : queue_)
        if (j.frame.data == data)
            return true;
    return false;
}

void RawFrameWriter::relist()
{
    std::lock_guard<std::mutex> l(m_);
    relist_ = true;
}

bool RawFrameWriter::waitIdle(int timeoutMs)
{
    std::unique_lock<std::mutex> l(m_);
    return idle_.wait_for(l, std::chrono::milliseconds(timeoutMs), [this] { return queue_.empty() && !busy_; });
}

void RawFrameWriter::setResults(QObject* context, std::function<void(const QString&, const QString&)> results)
{
    std::lock_guard<std::mutex> l(m_);
    context_ = context;
    results_ = std::move(results);
}

QString RawFrameWriter::writeBmp(const Job& job, QString* written)
{
    // Two frames of the same millisecond keep both.
    QString path = job.path;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = job.path.left(job.path.size() - 4) + QStringLiteral("_%1.bmp").arg(n);
    if (written)
        *written = path;
    const QString part = path + QStringLiteral(".part");
    QDir().mkpath(QFileInfo(path).path());
    const cv::Mat& f = job.frame;
    bool ok;
    if (job.colour) {
        ok = QImage(f.data, f.cols, f.rows, int(f.step), QImage::Format_RGB32).save(part, "BMP");
    } else {
        static const QVector<QRgb> grey = [] {
            QVector<QRgb> t(256);
            for (int i = 0; i < 256; ++i)
                t[i] = qRgb(i, i, i);
            return t;
        }();
        QImage img(f.data, f.cols, f.rows, int(f.step), QImage::Format_Indexed8);
        img.setColorTable(grey);
        ok = img.save(part, "BMP");
    }
    if (!ok) {
        QFile::remove(part);
        return QStringLiteral("cannot write %1").arg(part);
    }
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(part);
        return QStringLiteral("cannot rename %1").arg(part);
    }
    return QString();
}

void RawFrameWriter::run()
{
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        wake_.wait(l, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) {
            if (stop_)
                return;
            continue;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        writing_ = job.frame;
        busy_ = true;
        const bool relist = relist_;
        relist_ = false;
        QObject* context = context_; // lives until this thread is joined
        auto results = results_;
        l.unlock();

        if (relist)
            store_.relist();
        store_.prune(); // room for the new frame first: at most the limit and the new one
        QString written = job.path;
        const QString error = save ? save(job, &written) : QString();
        if (error.isEmpty())
            store_.added(written);
        if (context && results) {
            const QString path = job.path;
            QMetaObject::invokeMethod(
                context, [results, path, error] { results(path, error); }, Qt::QueuedConnection);
        }
        job.frame.release();

        l.lock();
        writing_.release();
        busy_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
}
