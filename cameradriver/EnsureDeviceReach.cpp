#include "cameradriver/EnsureDeviceReach.h"

#include "platform/commandrunner.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <QDebug>
#include <cstring>

int GetNetInfo(_ALL_NET_INFO* table)
{
    if (!table)
        return -1;
    table->count = 0;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return -1;
    for (ifaddrs* it = list; it && table->count < 64; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_netmask)
            continue;
        NET_INFO_ENTRY& e = table->entries[table->count++];
        std::memset(e.name, 0, sizeof e.name);
        std::strncpy(e.name, it->ifa_name, sizeof e.name - 1);
        e.address = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
        e.mask = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
    }
    freeifaddrs(list);
    return 0;
}

bool GetMaskFromIp(uint32_t address, uint32_t* mask, const _ALL_NET_INFO* table)
{
    if (!table || table->count <= 0 || !mask)
        return false;
    bool found = false;
    for (int i = 0; i < table->count && i < 64; ++i) {
        if (table->entries[i].address == address) {
            *mask = table->entries[i].mask;
            found = true;
        }
    }
    return found;
}

QByteArray getStrIp(uint32_t hostOrder)
{
    return QByteArray::number(hostOrder >> 24) + '.' + QByteArray::number((hostOrder >> 16) & 0xFF) + '.'
        + QByteArray::number((hostOrder >> 8) & 0xFF) + '.' + QByteArray::number(hostOrder & 0xFF);
}

bool IsFreeIp(const char* address)
{
    // By exit status, whatever language ping prints in: 1 means no reply.
    // A ping that could not run, or failed otherwise, proves nothing.
    const platform::CommandResult r =
        platform::runCommand(QStringLiteral("ping"), {QString::fromLatin1(address), QStringLiteral("-w"), QStringLiteral("1")}, 5000);
    return r.started && r.exitCode == 1;
}

bool bChooseNoUseIp(uint32_t network, uint32_t start, uint32_t* address)
{
    if (start < 1)
        start = 1;
    if (start > 254)
        start = 254;
    uint32_t last = start;
    auto tryHost = [&](uint32_t n) {
        last = n;
        const QByteArray text = getStrIp(network + n);
        const bool free = IsFreeIp(text.constData());
        qDebug("nSetDeviceIp: %s, bFreeIp: %d\n", text.constData(), int(free));
        return free;
    };
    for (uint32_t n = start; n <= 254; ++n)
        if (tryHost(n)) {
            *address = network + n;
            return true;
        }
    for (uint32_t n = start - 1; n >= 1; --n)
        if (tryHost(n)) {
            *address = network + n;
            return true;
        }
    *address = network + last;
    return false;
}

void DoForceIp(mvs::MV_CC_DEVICE_INFO* device, uint32_t address, uint32_t mask, uint32_t gateway)
{
    void* handle = nullptr;
    int r = mvs::MV_CC_CreateHandle(&handle, device);
    if (r != mvs::MV_OK) {
        qDebug("1 MV_CC_CreateHandle fail! nRet [%x]\n", unsigned(r));
        return;
    }
    r = mvs::MV_GIGE_ForceIpEx(handle, address, mask, gateway);
    if (r != mvs::MV_OK) {
        qDebug("1 MV_GIGE_ForceIpEx fail! nRet [%x]\n", unsigned(r));
        mvs::MV_CC_DestroyHandle(handle);
        return;
    }
    r = mvs::MV_CC_DestroyHandle(handle);
    if (r != mvs::MV_OK) {
        qDebug("1 MV_CC_DestroyHandle fail! nRet [%x]\n", unsigned(r));
        mvs::MV_CC_DestroyHandle(handle);
    }
}

int EnsureDeviceReachWith(const _ALL_NET_INFO& table)
{
    mvs::MV_CC_DEVICE_INFO_LIST list;
    std::memset(&list, 0, sizeof list);
    mvs::MV_CC_EnumDevices(mvs::MV_GIGE_DEVICE, &list);
    int moved = 0;
    for (unsigned i = 0; i < list.nDeviceNum && i < mvs::MV_MAX_DEVICE_NUM; ++i) {
        mvs::MV_CC_DEVICE_INFO* d = list.pDeviceInfo[i];
        if (!d)
            break;
        if (d->nTLayerType != mvs::MV_GIGE_DEVICE)
            continue;
        const mvs::MV_GIGE_DEVICE_INFO& g = d->SpecialInfo.stGigEInfo;
        const uint32_t host = g.nNetExport;
        uint32_t mask = 0;
        if (!GetMaskFromIp(host, &mask, &table))
            mask = g.nCurrentSubNetMask;
        // A camera in the host's subnet is reachable; whether another program
        // holds it changes nothing here, so it is not asked.
        if ((g.nCurrentIp & mask) == (host & mask))
            continue;
        const uint32_t network = host & 0xFFFFFF00u;
        uint32_t address = 0;
        if (bChooseNoUseIp(network, g.nCurrentIp & 0xFF, &address)) {
            DoForceIp(d, address, mask, network + 254);
            ++moved;
        }
    }
    return moved;
}

int EnsureDeviceReach()
{
    _ALL_NET_INFO table;
    if (GetNetInfo(&table) != 0)
        return 0;
    return EnsureDeviceReachWith(table);
}
