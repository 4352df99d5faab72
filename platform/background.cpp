#include "platform/background.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<int> gPending{0};
}

int backgroundPending() { return gPending.load(); }

namespace detail {
void backgroundStarted() { ++gPending; }
void backgroundEnded() { --gPending; }
} // namespace detail

void runCommandInBackground(QObject* context, const QString& program, const QStringList& args, int timeoutMs,
                            std::function<void(const CommandResult&)> done)
{
    runInBackground<CommandResult>(
        context, [program, args, timeoutMs] { return runCommand(program, args, timeoutMs); },
        [done](CommandResult r) {
            if (done)
                done(r);
        });
}

} // namespace platform
