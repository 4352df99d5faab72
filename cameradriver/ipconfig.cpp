#include "cameradriver/ipconfig.h"

#include "cameradriver/cameraglobals.h"
#include "platform/clock.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <random>

// ---------------------------------------------------------------- ARP

int arpping(uint32_t target, uint32_t sender, const uint8_t* senderMac, const char* interfaceName)
{
    const int s = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (s < 0)
        return -1;
    const int on = 1;
    if (::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        ::close(s);
        return -1;
    }
    char name[IFNAMSIZ] = {};
    std::strncpy(name, interfaceName, 14);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = int(if_nametoindex(name));
    to.sll_halen = 6;
    std::memset(to.sll_addr, 0xFF, 6);

    uint8_t frame[60] = {};
    std::memset(frame, 0xFF, 6);          // destination: broadcast
    std::memcpy(frame + 6, senderMac, 6); // source
    frame[12] = 0x08;
    frame[13] = 0x06;
    uint8_t* arp = frame + 14;
    arp[0] = 0;
    arp[1] = 1; // Ethernet
    arp[2] = 0x08;
    arp[3] = 0x00; // IPv4
    arp[4] = 6;
    arp[5] = 4;
    arp[6] = 0;
    arp[7] = 1; // request
    std::memcpy(arp + 8, senderMac, 6);
    std::memcpy(arp + 14, &sender, 4);
    std::memcpy(arp + 24, &target, 4);

    int result = ::sendto(s, frame, sizeof frame, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0 ? 1 : 0;
    QElapsedTimer waited;
    waited.start();
    while (result == 1 && waited.elapsed() < 1000) {
        pollfd p{s, POLLIN, 0};
        const int r = ::poll(&p, 1, int(1000 - waited.elapsed()));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            result = 0;
            break;
        }
        if (r == 0)
            break;
        uint8_t in[60] = {};
        const ssize_t n = ::recv(s, in, sizeof in, 0);
        if (n < 0) {
            result = 0;
            break;
        }
        const uint8_t* a = in + 14;
        if (n >= 42 && in[12] == 0x08 && in[13] == 0x06 && a[6] == 0 && a[7] == 2
            && std::memcmp(a + 18, senderMac, 6) == 0 && std::memcmp(a + 14, &target, 4) == 0)
            result = 0; // the address is in use
    }
    ::close(s);
    return result;
}

bool GetIpFromString(const char* text, uint8_t out[4])
{
    int a[4];
    char tail = 0;
    if (!text || std::sscanf(text, "%d.%d.%d.%d%c", &a[0], &a[1], &a[2], &a[3], &tail) != 4)
        return false;
    for (int v : a)
        if (v < 0 || v > 255)
            return false;
    for (int i = 0; i < 4; ++i)
        out[i] = uint8_t(a[i]);
    return true;
}

bool IsAddressValid(uint32_t interfaceAddress, uint32_t interfaceMask, uint32_t deviceAddress, uint32_t deviceMask)
{
    return (interfaceAddress & interfaceMask) == (deviceAddress & deviceMask) && deviceAddress != interfaceAddress;
}

uint32_t ChooseFreeAddress(uint32_t host, uint32_t mask, const AddressProber& probe,
                           const std::function<uint32_t()>& random)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        uint32_t candidate = 0;
        for (int draw = 0; draw < 100; ++draw) {
            const uint32_t r = random();
            uint8_t b[4];
            for (int i = 0; i < 4; ++i)
                b[i] = uint8_t(((r >> (8 * i)) & 0xFF) % 245 + 10);
            uint32_t value;
            std::memcpy(&value, b, 4);
            const uint32_t c = (host & mask) | (value & ~mask);
            if (c != host) {
                candidate = c;
                break;
            }
        }
        if (candidate == 0)
            continue;
        // Only an address nobody answered for is free; errors are not.
        if (probe(candidate) == 1)
            return candidate;
    }
    return 0;
}

// ---------------------------------------------------------------- CIpConfig

CIpConfig::CIpConfig() : deviceRecords(kMaxRecords), deviceInterface(kMaxRecords, 0)
{
    std::memset(interfaces, 0, sizeof interfaces);
}

CIpConfig::~CIpConfig() = default;

bool CIpConfig::Init() { return DeviceEnumeInit() > 0; }

int CIpConfig::DeviceEnumeInit()
{
    interfaceCount = 0;
    for (auto& d : discoveries)
        d.reset();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0 || !list)
        return 0;
    for (ifaddrs* it = list; it && interfaceCount < kMaxInterfaces; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_netmask)
            continue;
        InterfaceEntry& e = interfaces[interfaceCount];
        std::memset(&e, 0, sizeof e);
        std::strncpy(e.name, it->ifa_name, sizeof e.name - 1);
        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (s >= 0) {
            ifreq rq{};
            std::strncpy(rq.ifr_name, it->ifa_name, IFNAMSIZ - 1);
            if (::ioctl(s, SIOCGIFHWADDR, &rq) == 0)
                std::memcpy(e.mac, rq.ifr_hwaddr.sa_data, 6);
            ::close(s);
        }
        const in_addr addr = reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr;
        const in_addr mask = reinterpret_cast<sockaddr_in*>(it->ifa_netmask)->sin_addr;
        std::memcpy(e.address, &addr.s_addr, 4);
        std::memcpy(e.mask, &mask.s_addr, 4);
        const uint32_t host = ntohl(addr.s_addr);
        if (e.address[0] != 0 && e.address[0] != 255 && host != 0x7F000001u && host != 0xE0000001u)
            ++interfaceCount;
    }
    freeifaddrs(list);
    for (int i = 0; i < interfaceCount; ++i) {
        uint32_t a;
        std::memcpy(&a, interfaces[i].address, 4);
        discoveries[i] = std::make_unique<CGevDiscovery>("F622", ntohl(a), false);
    }
    return interfaceCount;
}

int CIpConfig::GetDeviceList(gvcp::DiscoveryRecord* out, int* interfaceOfRecord, int capacity)
{
    for (int i = 0; i < interfaceCount; ++i)
        discoveries[i]->SendDiscovery();
    QThread::msleep(200);
    int total = 0;
    for (int i = 0; i < interfaceCount && total < capacity; ++i) {
        const int n = discoveries[i]->GetDiscoveryList(out + total, capacity - total);
        for (int k = 0; k < n; ++k)
            interfaceOfRecord[total + k] = i;
        total += n;
    }
    return total;
}

int CIpConfig::RefreshDevList()
{
    deviceRecordCount = GetDeviceList(deviceRecords.data(), deviceInterface.data(), kMaxRecords);
    return deviceRecordCount;
}

bool CIpConfig::IsDevIPValid(int device) const
{
    if (device < 0 || device >= deviceRecordCount)
        return false;
    const InterfaceEntry& e = interfaces[deviceInterface[size_t(device)]];
    uint32_t a, m;
    std::memcpy(&a, e.address, 4);
    std::memcpy(&m, e.mask, 4);
    const gvcp::DiscoveryRecord& r = deviceRecords[size_t(device)];
    return IsAddressValid(a, m, r.ip(), r.mask());
}

bool CIpConfig::forceAddress(int device, uint32_t ip, uint32_t mask, uint32_t gateway)
{
    const InterfaceEntry& e = interfaces[deviceInterface[size_t(device)]];
    uint32_t a;
    std::memcpy(&a, e.address, 4);
    forceIp = std::make_unique<CGevForceIp>(ntohl(a));
    return forceIp->GevSetForceIpCustom(deviceRecords[size_t(device)].mac(), ip, mask, gateway, 0, 1, true);
}

bool CIpConfig::AutoSetIpAddr(int device)
{
    if (device < 0 || device >= deviceRecordCount)
        return false;
    const InterfaceEntry& e = interfaces[deviceInterface[size_t(device)]];
    uint32_t host, mask;
    std::memcpy(&host, e.address, 4);
    std::memcpy(&mask, e.mask, 4);
    std::minstd_rand rng(uint32_t(platform::Clock::instance().monotonicMs()));
    const uint32_t candidate = ChooseFreeAddress(
        host, mask, [&](uint32_t c) { return prober(c, host, e.mac, e.name); },
        [&] { return uint32_t(rng()) ^ (uint32_t(rng()) << 16); });
    // Never move a camera onto an address that may belong to someone else.
    if (candidate == 0)
        return false;
    return forceAddress(device, candidate, mask, 0);
}

bool CIpConfig::SetIpAddr(int device, const char* ip, const char* mask, const char* gateway)
{
    uint8_t a[4], m[4], g[4];
    if (device < 0 || device >= deviceRecordCount || !GetIpFromString(ip, a) || !GetIpFromString(mask, m)
        || !GetIpFromString(gateway, g))
        return false;
    uint32_t ia, im, ig;
    std::memcpy(&ia, a, 4);
    std::memcpy(&im, m, 4);
    std::memcpy(&ig, g, 4);
    return forceAddress(device, ia, im, ig);
}

bool CIpConfig::GetDevInfo(int device, MV_GE_DEV_INF_* out) const
{
    if (device < 0 || device >= deviceRecordCount || !out)
        return false;
    const gvcp::DiscoveryRecord& r = deviceRecords[size_t(device)];
    std::memset(out, 0, sizeof *out);
    auto dotted = [](char* dst, uint32_t v) {
        uint8_t b[4];
        std::memcpy(b, &v, 4);
        std::snprintf(dst, 64, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    };
    dotted(out->ip, r.ip());
    dotted(out->mask, r.mask());
    dotted(out->gateway, r.gateway());
    const uint8_t* m = r.mac();
    std::snprintf(out->mac, 64, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
    std::strncpy(out->deviceText, r.deviceText().left(35).constData(), 63);
    std::strncpy(out->model, r.model().left(31).constData(), 63);
    std::strncpy(out->serial, r.serial().left(15).constData(), 63);
    std::strncpy(out->linkSpeed, r.linkSpeed(), 63);
    std::strncpy(out->state, r.idle() ? "IDLE" : "BUSY", 63);
    return true;
}

QStringList CIpConfig::interfacesWithDevices() const
{
    QStringList names;
    auto add = [&](int i) {
        const QString n = QString::fromLocal8Bit(interfaces[i].name);
        if (!names.contains(n))
            names << n;
    };
    for (int i = 0; i < deviceRecordCount; ++i)
        add(deviceInterface[size_t(i)]);
    for (int i = 0; i < interfaceCount; ++i)
        if (discoveries[i] && discoveries[i]->devices.answersSeen() > 0)
            add(i);
    return names;
}

int RepairAllCameraIP()
{
    auto config = std::make_unique<CIpConfig>();
    if (!config->Init())
        return -1;
    const int listed = config->RefreshDevList();
    addCameraInterfaces(config->interfacesWithDevices());
    if (listed <= 0)
        return 0;
    int repaired = 0;
    for (int i = 0; i < config->deviceRecordCount; ++i)
        if (!config->IsDevIPValid(i) && config->AutoSetIpAddr(i))
            ++repaired;
    return repaired;
}

QStringList DiscoverCameraInterfaces()
{
    auto config = std::make_unique<CIpConfig>();
    if (!config->Init())
        return {};
    config->RefreshDevList();
    return config->interfacesWithDevices();
}
