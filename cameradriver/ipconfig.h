#pragma once
// GigE address repair at start-up: every camera that answers discovery on a
// host interface but sits outside that interface's subnet is given a free
// address of the subnet with the vendor force-IP command. An address counts
// as free only when an ARP probe for it went out and nobody answered.
#include "cameradriver/gvcp.h"

#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct InterfaceEntry {
    char name[256];
    uint8_t mac[6];
    uint8_t address[4]; // dotted order
    uint8_t mask[4];    // dotted order
    uint8_t zero[4];
};

// Device description texts (each 64 bytes).
struct MV_GE_DEV_INF_ {
    char ip[64];
    char mask[64];
    char gateway[64];
    char mac[64];
    char deviceText[64];
    char model[64];
    char serial[64];
    char linkSpeed[64];
    char state[64];
};

// ARP probe: 1 nobody answered within about a second, 0 the address answered
// (or sending, receiving or waiting failed), -1 no packet socket. Addresses in
// network order.
int arpping(uint32_t target, uint32_t sender, const uint8_t* senderMac, const char* interfaceName);

// "%d.%d.%d.%d" with four numbers 0..255 into four bytes.
bool GetIpFromString(const char* text, uint8_t out[4]);

// A camera address is usable from the interface when both masked networks
// agree and it is not the interface's own address (network order).
bool IsAddressValid(uint32_t interfaceAddress, uint32_t interfaceMask, uint32_t deviceAddress, uint32_t deviceMask);

// Up to five random candidates in the subnet of host/mask (host numbers with
// every byte in 10..254, never the host itself), each probed; the first the
// prober confirms free (result 1) is returned, or 0 when none was. random()
// draws 32-bit values; network order throughout.
using AddressProber = std::function<int(uint32_t candidate)>;
uint32_t ChooseFreeAddress(uint32_t host, uint32_t mask, const AddressProber& probe,
                           const std::function<uint32_t()>& random);

class CIpConfig {
public:
    static constexpr int kMaxInterfaces = 32;
    static constexpr int kMaxRecords = 8000;

    CIpConfig();
    ~CIpConfig();

    bool Init();
    int DeviceEnumeInit();
    int RefreshDevList();
    int GetDeviceList(gvcp::DiscoveryRecord* out, int* interfaceOfRecord, int capacity);
    bool IsDevIPValid(int device) const;
    bool AutoSetIpAddr(int device);
    bool SetIpAddr(int device, const char* ip, const char* mask, const char* gateway);
    bool GetDevInfo(int device, MV_GE_DEV_INF_* out) const;
    // Names of the interfaces on which cameras answered, of any maker (only
    // cameras of the repair's maker are listed and repaired).
    QStringList interfacesWithDevices() const;

    std::unique_ptr<CGevDiscovery> discoveries[kMaxInterfaces];
    std::unique_ptr<CGevForceIp> forceIp;
    std::vector<gvcp::DiscoveryRecord> deviceRecords;
    std::vector<int> deviceInterface;
    int deviceRecordCount = 0;
    InterfaceEntry interfaces[kMaxInterfaces];
    int interfaceCount = 0;
    // The ARP probe; tests replace it.
    std::function<int(uint32_t target, uint32_t sender, const uint8_t* mac, const char* name)> prober = arpping;

private:
    bool forceAddress(int device, uint32_t ip, uint32_t mask, uint32_t gateway);
};

// -1 without a usable IPv4 interface, else the number of cameras re-addressed.
// Adds the interfaces that carry cameras to gCameraInterfaces.
int RepairAllCameraIP();
// One discovery round on every interface, nothing repaired: the interfaces on
// which any camera answered.
QStringList DiscoverCameraInterfaces();
