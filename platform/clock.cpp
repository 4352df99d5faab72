#include "platform/clock.h"

#include <QElapsedTimer>
#include <atomic>

namespace platform {

namespace {
std::atomic<Clock*> gClock{nullptr};
}

Clock::~Clock() = default;

QDateTime Clock::now() const { return QDateTime::currentDateTime(); }

qint64 Clock::monotonicMs() const
{
    static QElapsedTimer timer = [] { QElapsedTimer t; t.start(); return t; }();
    return timer.elapsed();
}

Clock& Clock::instance()
{
    static Clock real;
    Clock* c = gClock.load();
    return c ? *c : real;
}

void Clock::setInstance(Clock* clock) { gClock.store(clock); }

ManualClock::ManualClock(const QDateTime& start) : wall_(start) {}

QDateTime ManualClock::now() const { return wall_; }

qint64 ManualClock::monotonicMs() const { return mono_; }

void ManualClock::setNow(const QDateTime& t) { wall_ = t; }

void ManualClock::advanceMs(qint64 ms)
{
    mono_ += ms;
    wall_ = wall_.addMSecs(ms);
}

} // namespace platform
