#include "statistics/statisticshost.h"

#include "platform/clock.h"

#include <QDir>

namespace statshost {

namespace {
Hooks& current()
{
    static Hooks h;
    return h;
}
} // namespace

void install(const Hooks& hooks) { current() = hooks; }
const Hooks& hooks() { return current(); }

qint64 productionTime()
{
    if (current().productionTime)
        return current().productionTime();
    return platform::now().toSecsSinceEpoch();
}

QString archiveFolder()
{
    const QString folder = current().archiveFolder ? current().archiveFolder() : QStringLiteral("./ResStatistics");
    return QDir(folder).absolutePath();
}

int cycleTime() { return current().cycleTime ? current().cycleTime() : 0; }

QString findUsbDisk() { return current().findUsbDisk ? current().findUsbDisk() : QString(); }

void readTemperatures(float* words8)
{
    if (current().readTemperatures) {
        current().readTemperatures(words8);
        return;
    }
    std::fill(words8, words8 + 8, 0.0f);
}

void setTemperatureAlarm(bool on)
{
    if (current().setTemperatureAlarm)
        current().setTemperatureAlarm(on);
}

QWidget* page() { return current().page ? current().page() : nullptr; }

} // namespace statshost
