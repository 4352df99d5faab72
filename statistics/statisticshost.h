#pragma once
// What the statistics store and pages need of the main window: the production
// time, the archive folder, the last cycle time, the USB disk, the board's
// temperature words, the temperature-alarm flag and the page itself. Whoever
// makes the statistics installs these (MakeStatistics, monitor/statisticsstart.h);
// until then: the clock's time, "./ResStatistics", no cycle, no disk, every
// temperature 0, the flag and the page nowhere.
#include <QString>
#include <QtGlobal>
#include <functional>

class QWidget;

namespace statshost {

struct Hooks {
    std::function<qint64()> productionTime;       // MainWindow::productionTime, seconds since 1970
    std::function<QString()> archiveFolder;       // MainWindow::statisticsDir
    std::function<int()> cycleTime;               // MainWindow::cycleTime, tenths of a second
    std::function<QString()> findUsbDisk;         // FindAU: "/mnt" with a disk mounted there, else empty
    std::function<void(float* words8)> readTemperatures; // the board's temperature words 0 to 7
    std::function<void(bool on)> setTemperatureAlarm;    // gisTempAlarm
    std::function<QWidget*()> page;               // MainWindow::statisticsWidget
};

void install(const Hooks& hooks);
const Hooks& hooks();

qint64 productionTime();
// Absolute path of the archive folder.
QString archiveFolder();
int cycleTime();
QString findUsbDisk();
void readTemperatures(float* words8);
void setTemperatureAlarm(bool on);
QWidget* page();

} // namespace statshost
