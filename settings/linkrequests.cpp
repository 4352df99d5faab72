#include "settings/linkrequests.h"

#include "netlink/network.h"
#include "params/wizardpara.h"

#include <QDir>
#include <QFile>

namespace linkrequests {

bool linkUp() { return gpWPara && gpWPara->cntnet_enable && gpNet && gpNet->netEnabled && gpNet->clientAlive; }

void askProducts()
{
    if (linkUp())
        gpNet->CNT_SendGetProduct();
}

void askReminders()
{
    if (linkUp())
        gpNet->CNT_SendGetRemindList();
}

void resetStatistics()
{
    QFile::remove(QStringLiteral("./cnt_net/data/Statistics"));
    QFile::remove(QStringLiteral("./cnt_net/data/ManualStop"));
    // Folders of the program, removed with checked file operations.
    for (const char* dir : {"./cnt_net/cnt_alarmimage", "./cnt_net/cnt_tempimage", "./cnt_net/cnt_fail"})
        QDir(QLatin1String(dir)).removeRecursively();
    if (gpNet) {
        gpNet->InitStatistics();
        gpNet->InitManualStop();
    }
}

} // namespace linkrequests
