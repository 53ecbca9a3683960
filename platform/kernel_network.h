#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/ipv4.h"

struct KernelLink {
    uint32_t index = 0;
    std::string name;
    // ARPHRD_ETHER with a 6-byte hardware address: wired and wireless LAN adapters.
    bool ethernet = false;
};

struct KernelAddress {
    uint32_t interfaceIndex = 0;
    std::string interfaceName;
    Ipv4 address = 0;
    int prefixLength = 0;
    std::string label;
    // The process id that a temporary address records as its owner; 0 for none.
    uint32_t owner = 0;
};

// A temporary address as it is added: on the interface and with the prefix of `context`,
// without the subnet route that the kernel would add for an ordinary address, valid for
// `lifetimeSeconds` unless renewed, recording `owner`.
struct TempAddressSettings {
    HostAddressContext context;
    std::string label;
    uint32_t lifetimeSeconds = 0;
    uint32_t owner = 0;
};

// A route on-link through the interface, from `source`. The metric tells apart the same
// route of two runs.
struct LinkRoute {
    Ipv4 destination = 0;
    int prefixLength = 32;
    uint32_t interfaceIndex = 0;
    Ipv4 source = 0;
    uint32_t metric = 0;
};

// The kernel as the rules for temporary addresses (hostnet/temp_address_guard.h) see it:
// a little reading to check each step against the host's present state, and the steps.
// The real one is rtnetlink and raw ARP; the helper and the program with its own rights
// use the same.
class IKernelNetwork {
public:
    virtual ~IKernelNetwork() = default;

    virtual std::optional<KernelLink> FindLink(uint32_t interfaceIndex) = 0;
    // Every IPv4 address of the host; nullopt when they cannot be read.
    virtual std::optional<std::vector<KernelAddress>> Addresses() = 0;
    // The prefix length of the route that the host uses for `destination` now: 0 when only
    // the default route leads there or none does; nullopt when the lookup failed.
    virtual std::optional<int> RoutePrefixTo(Ipv4 destination) = 0;

    // Fails when the address exists already (it is never taken over).
    virtual bool AddAddress(const TempAddressSettings& settings) = 0;
    // A new lifetime for an address that exists; fails, adding nothing, when it is gone.
    virtual bool RenewAddress(const TempAddressSettings& settings) = 0;
    virtual bool DeleteAddress(const HostAddressContext& context) = 0;
    // The route goes with its source address: the kernel removes it when the address goes.
    virtual bool AddRoute(const LinkRoute& route) = 0;
    virtual bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) = 0;

    // An ARP request for `target` from `source`, or an address probe from 0.0.0.0 (which
    // also counts another station probing for the same address as an answer). The hardware
    // address that answered, or nullopt.
    virtual std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                        uint32_t interfaceIndex) = 0;
    // While set, SendArp gives up at once. Lock-free: a signal handler may call it.
    virtual void SetWaitsCancelled(bool cancelled) = 0;

    // The owner this process records on the addresses it adds: its process id.
    virtual uint32_t OwnerTag() = 0;
    // Whether the process recorded as `owner` still runs.
    virtual bool OwnerAlive(uint32_t owner) = 0;
};
