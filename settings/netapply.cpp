#include "settings/netapply.h"

#include "netlink/network.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/netconfig.h"
#include "widgets/msgbox.h"

#include <QDebug>

namespace netapply {

namespace {
constexpr int kRowNotWritten = 1207;
}

QString problem()
{
    if (!gpNet)
        return QString();
    return netconfig::checkNetCard(gpNet->editCard, gpNet->systemCard);
}

int stage()
{
    if (!gpNet || !gpWPara || !gpWParaBak)
        return 0;
    return netconfig::SaveNetParam(gpNet->editCard, gpNet->systemCard, *gpWParaBak, *gpWPara, gpNet->serverChanged);
}

bool install(int flags)
{
    if (!gpNet)
        return true;
    const netconfig::InstallResult result = netconfig::installStaged(flags, gpNet->editCard);
    if (!result.ok())
        showWarnBox(LanStr(kRowNotWritten).arg(result.failed.join(QStringLiteral(", "))));
    qInfo() << "(change serverinfo) 'NetClinet' will restart...";
    CNT_Net::CNT_ReStart();
    return result.ok();
}

} // namespace netapply
