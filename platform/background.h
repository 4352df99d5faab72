#pragma once
// Work that may take longer than a pass (commands, copies, hashes, disks)
// runs on a thread of its own; its answer comes back to the GUI thread as a
// call of `done`, so the 3 ms monitoring pass never waits for it. The
// commands inside go through the one command runner as always.
#include "platform/commandrunner.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Background work started and not yet answered (screens show they are busy
// while it is above zero; tests wait for it to reach zero).
int backgroundPending();

namespace detail {
void backgroundStarted();
void backgroundEnded();
} // namespace detail

// Runs `work` on a new thread, then `done(answer)` on the thread of
// `context` (the GUI thread) unless `context` is gone by then.
template <typename T>
void runInBackground(QObject* context, std::function<T()> work, std::function<void(T)> done)
{
    // The answer passes between the threads under a lock: the finished
    // signal orders them too, but through Qt, which a thread checker
    // cannot see into.
    struct Answer {
        std::mutex lock;
        T value{};
    };
    auto answer = std::make_shared<Answer>();
    QThread* thread = QThread::create([work, answer] {
        T value = work();
        const std::lock_guard<std::mutex> hold(answer->lock);
        answer->value = std::move(value);
    });
    QPointer<QObject> guard(context);
    detail::backgroundStarted();
    // The thread object lives on the starting thread: its finished signal
    // reaches that thread's event loop once the work is over.
    QObject::connect(thread, &QThread::finished, thread, [thread, guard, answer, done] {
        thread->deleteLater();
        detail::backgroundEnded();
        if (!guard || !done)
            return;
        T value;
        {
            const std::lock_guard<std::mutex> hold(answer->lock);
            value = std::move(answer->value);
        }
        done(std::move(value));
    });
    thread->start();
}

// A command through the installed runner, answered on the GUI thread.
void runCommandInBackground(QObject* context, const QString& program, const QStringList& args, int timeoutMs,
                            std::function<void(const CommandResult&)> done);

} // namespace platform
