#include "monitor/rawframestore.h"

#include "monitor/logmanager.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

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
