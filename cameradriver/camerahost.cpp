#include "cameradriver/camerahost.h"

#include <QThread>

namespace camerahost {

namespace {
Hooks& store()
{
    static Hooks h;
    return h;
}
} // namespace

void install(const Hooks& hooks) { store() = hooks; }

const Hooks& hooks() { return store(); }

int runState() { return store().runState ? store().runState() : 1; }

bool settingsVisible() { return store().settingsVisible && store().settingsVisible(); }

bool exposurePanelVisible() { return store().exposurePanelVisible && store().exposurePanelVisible(); }

void hideWarning()
{
    if (store().hideWarning)
        store().hideWarning();
}

void sleepMs(int ms)
{
    if (store().sleep)
        store().sleep(ms);
    else
        QThread::msleep(ulong(ms));
}

} // namespace camerahost
