#pragma once
// Wall-clock and monotonic time through one replaceable source, so tests can
// set the date (daily archives, file names) and run timing logic in virtual time.
#include <QDateTime>
#include <QtGlobal>

namespace platform {

class Clock {
public:
    virtual ~Clock();
    virtual QDateTime now() const;
    // Milliseconds from an arbitrary start; never goes back.
    virtual qint64 monotonicMs() const;

    static Clock& instance();
    static void setInstance(Clock* clock); // takes no ownership; null restores the real one
};

class ManualClock : public Clock {
public:
    explicit ManualClock(const QDateTime& start = QDateTime(QDate(2026, 1, 1), QTime(8, 0)));
    QDateTime now() const override;
    qint64 monotonicMs() const override;
    void setNow(const QDateTime& t);
    void advanceMs(qint64 ms);

private:
    QDateTime wall_;
    qint64 mono_ = 0;
};

inline QDateTime now() { return Clock::instance().now(); }

} // namespace platform
