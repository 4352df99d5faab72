// What the timed tools share: the figures of a series of times and the wait
// for a condition while the event loop runs, without a screen.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

struct Figures {
    double median = 0, p99 = 0, max = 0;
};

inline Figures figures(std::vector<double> ms)
{
    Figures f;
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    f.p99 = ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))];
    f.max = ms.back();
    return f;
}

// One line: the name in a column of `nameWidth`, the times with `decimals`.
inline void print(const char* what, const std::vector<double>& ms, int nameWidth, int decimals)
{
    const Figures f = figures(ms);
    const int w = decimals + 4;
    std::printf("  %-*s n %*zu  median %*.*f ms  p99 %*.*f ms  max %*.*f ms\n", nameWidth, what, decimals + 2,
                ms.size(), w, decimals, f.median, w, decimals, f.p99, w, decimals, f.max);
}

// Before the application is made: the program's test mode, and no screen
// unless one was asked for.
inline void headless()
{
    qputenv("INMOLD_TEST_MODE", "1");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs the event loop in slices of `sliceMs` until `done`; `restUs` sleeps
// between slices where the thread should leave the cores to the others.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs, int sliceMs, unsigned long restUs = 0)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, sliceMs);
        if (restUs)
            QThread::usleep(restUs);
    }
    return true;
}

} // namespace bench
