#pragma once
// Databases failing as disks and locks make them fail: a page overwritten as
// a bad sector leaves it, and a second connection that holds its lock past
// the busy timeout of the connection under test.
#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace sqlfaults {

// Overwrites the page of the SQLite file that holds the first `marker` with
// garbage. Connections that have the file open keep their cached pages:
// close them first and open them again after. False when there is no marker.
bool damagePageHolding(const QString& file, const QByteArray& marker);

// A value that spills over several pages (a readable list of numbers, then
// blanks), with `marker` in the middle of its second page: damaging the page
// of the marker leaves that one row unreadable and every other row as it was.
QString spillingValue(const QString& numbers, const QByteArray& marker);

// A connection of another thread holding a lock on the file until released
// (or destroyed), or for `holdMs` when that is not negative. Shared: other
// connections read but cannot commit a write. Exclusive: other connections
// can neither read nor write.
class Lock {
public:
    enum Kind { Shared, Exclusive };
    Lock(const QString& file, Kind kind, int holdMs = -1);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool held() const { return held_; }
    void release();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool done_ = false;
    bool releaseAsked_ = false;
    std::thread thread_;
};

// The connection under test opened again with a short busy timeout (ms), so
// a lock outlasts all its tries quickly.
bool reopenWithBusyTimeout(const QString& connection, const QString& file, int ms);

} // namespace sqlfaults
