#pragma once
// Before the Hikvision cameras are enumerated (start-up and every recovery
// attempt): each GigE camera the SDK lists must be reachable from the host
// interface it was found on. A camera in the interface's subnet only gets an
// access query; one outside it is moved to a free address of the interface's
// /24 network. An address is free when a ping of it got no reply.
#include "platform/cameras/mvsapi.h"

#include <QByteArray>
#include <cstdint>

struct NET_INFO_ENTRY {
    char name[256];
    uint32_t address; // host order
    uint32_t mask;    // host order
};

struct _ALL_NET_INFO {
    int count;
    NET_INFO_ENTRY entries[64];
};

// The IPv4 interfaces (at most 64). 0 on success, -1 for a null record or a
// failed query.
int GetNetInfo(_ALL_NET_INFO* table);
// The mask of the interface with that address (the last match wins).
bool GetMaskFromIp(uint32_t address, uint32_t* mask, const _ALL_NET_INFO* table);
// Searches host numbers start, start+1 .. 254, then start-1 .. 1 of the /24
// network for a free address. A start outside 1..254 begins at the nearer end.
bool bChooseNoUseIp(uint32_t network, uint32_t start, uint32_t* address);
// True only when a ping of the address ran and got no reply.
bool IsFreeIp(const char* address);
QByteArray getStrIp(uint32_t hostOrder);
void DoForceIp(mvs::MV_CC_DEVICE_INFO* device, uint32_t address, uint32_t mask, uint32_t gateway);

// The pass over the machine's interfaces; returns the cameras moved.
int EnsureDeviceReach();
// The same pass over a given interface table.
int EnsureDeviceReachWith(const _ALL_NET_INFO& table);
