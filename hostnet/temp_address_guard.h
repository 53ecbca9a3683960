#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hostnet/temp_address_rules.h"
#include "hostnet/token_bucket.h"
#include "platform/host_network.h"
#include "platform/kernel_network.h"
#include "platform/tick_clock.h"

struct TempAddressGuardOptions {
    uint32_t lifetimeSeconds = kMaxTempLifetimeSeconds;
    size_t hostLimit = kMaxTempAddressesOnHost;
    // A set-up asks a few times per candidate; a full search of seven candidates fits the
    // burst, and a program that reconnects now and then never meets the limit.
    RateLimit arp{24, 500};
    RateLimit neighbourFlushes{8, 1000};
};

// One run's temporary address, kept to the rules of hostnet/temp_address_rules.h against
// the kernel's present state, whatever the caller claims. The network helper runs one per
// program that starts it; a program with its own rights runs one itself.
//
// - Add: only a candidate of a device on a private subnet, on an Ethernet or wireless
//   adapter, that no station answers an RFC 5227 probe for and that no address of the
//   host holds; one address per run, and at most hostLimit on the host (addresses whose
//   owner has ended are removed first). The address records this run as its owner, lives
//   lifetimeSeconds, has no subnet route of its own, and one route is added from it: to
//   the device, or to the device's subnet when the rules allow.
// - Renew: this run's address only. Delete: this run's, or one whose owner has ended, and
//   only as the kernel reports it now.
// - ARP: from an address the interface holds (or a probe from 0.0.0.0), for an address on
//   one of its subnets or the device; a probe also for any host of a private network.
//   Neighbour flushes for an address on one of its subnets or the device, one entry at a
//   time. Both are rate-limited.
// Every refusal changes nothing and says why. Thread-safe; Cancel and Resume are
// lock-free, so a signal handler may call them.
class TempAddressGuard {
public:
    // Empty when done, else why not.
    using Refusal = std::string;

    struct AddOutcome {
        Refusal refusal;
        HostAddressContext added;
    };
    struct ArpOutcome {
        Refusal refusal;
        std::optional<std::vector<uint8_t>> answer;  // nullopt: nobody answered
    };

    TempAddressGuard(IKernelNetwork& kernel, ITickClock& clock,
                     TempAddressGuardOptions options = {});

    AddOutcome Add(uint32_t interfaceIndex, Ipv4 device, int prefixLength, Ipv4 candidate);
    Refusal Renew(uint32_t interfaceIndex, Ipv4 address);
    Refusal Delete(uint32_t interfaceIndex, Ipv4 address);
    Refusal FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour);
    ArpOutcome Arp(uint32_t interfaceIndex, Ipv4 target, Ipv4 source);

    // The program's cancel: waits give up, and adding and ARP are refused, until Resume.
    void Cancel();
    void Resume();
    bool Cancelled() const { return m_cancelled; }

    // The run has ended: removes its address. An address the kernel cannot report on (its
    // reads keep failing) counts as still there, and goes.
    void Finish();

    std::optional<HostAddressContext> Held() const;

private:
    struct HeldAddress {
        HostAddressContext context;
        Ipv4 device = 0;
    };
    enum class Presence { kPresent, kAbsent, kUnknown };

    AddOutcome AddLocked(const KernelLink& link, Ipv4 device, int prefixLength, Ipv4 candidate);
    // Whether this run's address is still there; kUnknown when the kernel could not say.
    Presence HeldPresence(std::optional<KernelAddress>* found = nullptr);
    // Removes temporary addresses whose owner has ended; true when it removed any.
    bool RemoveLeftovers(const std::vector<KernelAddress>& addresses);
    static size_t CountTempAddresses(const std::vector<KernelAddress>& addresses);
    std::optional<KernelLink> LanLink(uint32_t interfaceIndex, Refusal& refusal);
    bool OnLink(uint32_t interfaceIndex, Ipv4 address);
    bool RemoveHeldLocked();

    IKernelNetwork& m_kernel;
    const TempAddressGuardOptions m_options;
    std::atomic<bool> m_cancelled{false};

    mutable std::mutex m_mutex;
    std::optional<HeldAddress> m_held;
    TokenBucket m_arpBudget;
    TokenBucket m_flushBudget;
};
