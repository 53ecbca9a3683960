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
    // Per place (kArpPlaces over the host). A set-up asks a few times per candidate; a
    // full search of seven candidates fits the burst, and a program that reconnects now
    // and then never meets the limit.
    RateLimit arp{24, 500};
    RateLimit neighbourFlushes{8, 1000};
};

// One run's temporary address, kept to the rules of hostnet/temp_address_rules.h against
// the kernel's present state, whatever the caller claims. The network helper runs one per
// program that starts it; a program with its own rights runs one itself.
//
// - Add: only a candidate of a device on a private subnet, on an Ethernet or wireless
//   adapter, that no station answers an RFC 5227 probe for (a probe that cannot be sent
//   or heard refuses it) and that no address of the host holds; one address per run, and
//   at most hostLimit on the host (addresses whose owner has ended are removed first). The
//   address records this run as its owner, lives lifetimeSeconds, has no subnet route of
//   its own, and one route is added from it, as PlanTempRoute decides: to the device's
//   subnet only while this run holds the subnet's name (TempSubnetName), else to the
//   device.
// - The address's name (TempAddressName) is held from before the add until the address is
//   gone, and by whoever removes a leftover while it does so: while this run may renew its
//   address, no other run can add, renew or remove that address, even one stopped midway.
// - Renew: this run's address only. Delete: this run's, or one whose owner has ended, and
//   only as the kernel reports it now, with its label.
// - ARP: from an address the interface holds (or a probe from 0.0.0.0), for an address on
//   one of its subnets or the device; a probe also for any host of a private network.
//   Neighbour flushes for an address on one of its subnets or the device, one entry at a
//   time. Both need one of the host's kArpPlaces places, held until Finish, and are
//   rate-limited per place: a request beyond the budget waits for its turn. A place's
//   budget starts empty (its first request waits one period), so that ending runs and
//   starting new ones wins no burst: over any time T the host sends at most kArpPlaces *
//   (burst + T / period) of each.
// Every refusal changes nothing and says why; one because the host's addresses or places
// are all taken starts with kHostFullRefusal (platform/host_network.h). Thread-safe; Cancel and
// Resume are lock-free, so a signal handler may call them.
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

    // `sleeper` waits for the tokens of the rate limits.
    TempAddressGuard(IKernelNetwork& kernel, ITickClock& clock, ISleeper& sleeper,
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

    // The run has ended: removes its address and gives back its names. An address the
    // kernel cannot report on (its reads keep failing) counts as still there, and goes.
    void Finish();

    std::optional<HostAddressContext> Held() const;

private:
    struct HeldAddress {
        HostAddressContext context;
        Ipv4 device = 0;
        std::string label;
        bool movesSubnet = false;  // its route goes to the device's subnet (TempSubnetName)
    };
    // The host-wide place this run holds for its ARP requests and neighbour flushes, with
    // their budgets.
    struct Place {
        Place(size_t placeIndex, ITickClock& clock, const TempAddressGuardOptions& options)
            : index(placeIndex),
              arp(clock, options.arp, TokenBucket::Start::kEmpty),
              flushes(clock, options.neighbourFlushes, TokenBucket::Start::kEmpty) {}
        size_t index;
        TokenBucket arp;
        TokenBucket flushes;
    };
    enum class Presence { kPresent, kAbsent, kUnknown };

    // With the candidate's name held.
    AddOutcome AddHoldingName(const KernelLink& link, Ipv4 device, int prefixLength,
                              Ipv4 candidate);
    Refusal DeleteHoldingName(uint32_t interfaceIndex, Ipv4 address, bool held);
    TempRouteFacts RouteFacts(const KernelLink& link, Ipv4 device, int prefixLength,
                              const std::vector<KernelAddress>& addresses);
    // Whether this run's address is still there; kUnknown when the kernel could not say.
    Presence HeldPresence();
    // Removes temporary addresses whose owner has ended; true when it removed any.
    // `holding`: the address whose name this run holds already.
    bool RemoveLeftovers(const std::vector<KernelAddress>& addresses, Ipv4 holding);
    bool RemoveLeftover(const KernelAddress& seen, bool nameHeld);
    static size_t CountTempAddresses(const std::vector<KernelAddress>& addresses);
    std::optional<KernelLink> LanLink(uint32_t interfaceIndex, Refusal& refusal);
    bool OnLink(uint32_t interfaceIndex, Ipv4 address);
    // Takes a token of this run's place (taking a place first when it has none), waiting
    // for it when the budget is spent; `what` names the requests it counts.
    Refusal TakeToken(TokenBucket Place::*bucket, const char* what);
    Refusal TakePlace();
    // Holds the name of `address` (TempAddressName) for this run; why not when it cannot.
    Refusal HoldAddressName(Ipv4 address);
    bool RemoveHeldLocked();
    // Forgets the held address and gives back its name.
    void ForgetHeld();

    IKernelNetwork& m_kernel;
    ITickClock& m_clock;
    ISleeper& m_sleeper;
    const TempAddressGuardOptions m_options;
    std::atomic<bool> m_cancelled{false};

    mutable std::mutex m_mutex;
    std::optional<HeldAddress> m_held;
    std::optional<Place> m_place;
};
