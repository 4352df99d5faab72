#include "netlink/network.h"

#include "params/wizardpara.h"

CNT_Net* gpNet = nullptr;

CNT_Net::CNT_Net(QObject* parent) : QObject(parent)
{
    systemCard.interfaceTable = getNewNetCardInfo();
    systemCard.hostName = getNetHostName();
    systemCard.macTable = getNetMac();
}

bool CNT_Net::canSend() const
{
    return gpWPara && gpWPara->cntnet_enable && netEnabled && clientAlive;
}
