#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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

// The route the host uses for a destination now, as the kernel's own lookup finds it with
// its policy rules applied (what `ip route get fibmatch` shows): the matching route itself.
struct KernelRoute {
    uint32_t table = 0;    // 254: the main table
    int prefixLength = 0;  // 0: a default route
    uint32_t interfaceIndex = 0;
    Ipv4 gateway = 0;     // 0: on the link itself
    bool unicast = true;  // false: a local, broadcast or other special route
};

struct KernelRouteLookup {
    bool ok = false;                   // false: the kernel could not be asked
    std::optional<KernelRoute> route;  // none: no route leads there
};

// What an ARP request, or an address probe, came to.
struct ArpExchange {
    enum class Outcome {
        kAnswered,    // `hardwareAddress` answered
        kUnanswered,  // sent, and nobody answered in time (or a cancel ended the wait)
        kFailed,      // it could not be sent or heard: nothing is known
    };
    Outcome outcome = Outcome::kFailed;
    std::vector<uint8_t> hardwareAddress;
    int error = 0;  // kFailed: the errno, when one said why

    static ArpExchange Answered(std::vector<uint8_t> mac) {
        return {Outcome::kAnswered, std::move(mac), 0};
    }
    static ArpExchange Unanswered() { return {Outcome::kUnanswered, {}, 0}; }
    static ArpExchange Failed(int error) { return {Outcome::kFailed, {}, error}; }
};

// A name that one process of the network namespace holds at a time (an abstract socket
// name on Linux): the kernel frees it when the holder ends, however it ends, and a stopped
// holder keeps it.
enum class NameHold {
    kHeld,    // this process holds it now
    kTaken,   // another process holds it
    kFailed,  // it could not be asked for
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
    // The route the host uses for `destination` now, policy rules applied.
    virtual KernelRouteLookup RouteTo(Ipv4 destination) = 0;
    // Whether the host's policy rules are only the kernel's own three (look up local, then
    // main, then default, for every packet); nullopt when they cannot be read.
    virtual std::optional<bool> OnlyKernelPolicyRules() = 0;

    // Fails when the address exists already (it is never taken over).
    virtual bool AddAddress(const TempAddressSettings& settings) = 0;
    // A new lifetime for an address that exists; fails, adding nothing, when it is gone.
    virtual bool RenewAddress(const TempAddressSettings& settings) = 0;
    // Removes the address only while it carries `label`: the kernel itself skips an
    // address of the same prefix whose label differs.
    virtual bool DeleteAddress(const HostAddressContext& context, const std::string& label) = 0;
    // The route goes with its source address: the kernel removes it when the address goes.
    virtual bool AddRoute(const LinkRoute& route) = 0;
    virtual bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) = 0;

    // An ARP request for `target` from `source`, or an address probe from 0.0.0.0 (which
    // also counts another station probing for the same address as an answer).
    virtual ArpExchange SendArp(Ipv4 target, Ipv4 source, uint32_t interfaceIndex) = 0;
    // While set, SendArp gives up at once. Lock-free: a signal handler may call it.
    virtual void SetWaitsCancelled(bool cancelled) = 0;

    // Holds `name` for this process until ReleaseName or its end. A name this process
    // holds already counts as taken.
    virtual NameHold HoldName(const std::string& name) = 0;
    virtual void ReleaseName(const std::string& name) = 0;

    // The owner this process records on the addresses it adds: its process id.
    virtual uint32_t OwnerTag() = 0;
    // Whether the process recorded as `owner` still runs.
    virtual bool OwnerAlive(uint32_t owner) = 0;
};
