#include "monitor/statisticsstart.h"

#include "monitor/iothread.h"
#include "monitor/mainwindow.h"
#include "platform/clock.h"
#include "platform/usbdisk.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/statisticshost.h"
#include "statistics/statisticswidget.h"

#include <QPointer>

StatisticsWidget* MakeStatistics(MainWindow& window)
{
    if (auto* page = qobject_cast<StatisticsWidget*>(window.statisticsWidget))
        return page;
    if (window.productionTime == 0)
        window.productionTime = int(platform::now().toSecsSinceEpoch());

    QPointer<MainWindow> win(&window);
    statshost::Hooks hooks;
    hooks.productionTime = [win] { return win ? qint64(win->productionTime) : platform::now().toSecsSinceEpoch(); };
    hooks.archiveFolder = [win] { return win ? win->statisticsDir.absolutePath() : QStringLiteral("./ResStatistics"); };
    hooks.cycleTime = [win] { return win ? win->cycleTime : 0; };
    hooks.readTemperatures = [](float* words8) {
        for (int k = 0; k < 8; ++k)
            words8[k] = gFTemp[k].load();
    };
    hooks.setTemperatureAlarm = [](bool on) { gisTempAlarm = on; };
    hooks.page = [win]() -> QWidget* { return win ? win->statisticsWidget : nullptr; };
    hooks.findUsbDisk = [] { return FindAU(); };
    statshost::install(hooks);

    if (!gpResStatisticsParam)
        gpResStatisticsParam = new ResStatisticsParam;
    auto* page = new StatisticsWidget(&window);
    window.statisticsWidget = page;
    return page;
}
