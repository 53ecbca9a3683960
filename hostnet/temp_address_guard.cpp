#include "hostnet/temp_address_guard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// How often the guard asks the kernel whether the run's address is still there before it
// takes the answer as unknown.
constexpr int kReadAttempts = 3;
// How often a wait for a place's first token looks whether it has been cancelled.
constexpr uint32_t kCancelCheckMs = 20;

std::string Cidr(const HostAddressContext& context) {
    return FormatIpv4Ascii(context.address) + "/" + std::to_string(context.prefixLength);
}

// Piece by piece: a literal joined to a temporary string makes GCC 12 at -O3 warn falsely
// (-Wrestrict).
std::string Mac(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (const uint8_t byte : bytes) {
        if (!text.empty()) {
            text.push_back(':');
        }
        char octet[3];
        std::snprintf(octet, sizeof octet, "%02x", byte);
        text.append(octet);
    }
    return text;
}

// An address a station may hold: not 0.0.0.0, loopback, multicast or broadcast.
bool IsUnicast(Ipv4 address) {
    const Ipv4 first = address >> 24;
    return first != 0 && first != 127 && first < 224;
}

// A host address of its private network: not that network's own address or its broadcast.
bool IsPrivateHost(Ipv4 address) {
    const std::optional<int> network = PrivateNetworkPrefix(address);
    if (!network) {
        return false;
    }
    const Ipv4 host = address & ~PrefixToMask(*network);
    return host != 0 && host != ~PrefixToMask(*network);
}

bool IsHostOn(const KernelAddress& entry, Ipv4 address) {
    const Ipv4 mask = PrefixToMask(entry.prefixLength);
    if (!SameSubnet(entry.address, address, mask)) {
        return false;
    }
    const Ipv4 host = address & ~mask;
    // /31 and /32 have no network or broadcast address.
    return entry.prefixLength >= 31 || (host != 0 && host != ~mask);
}

// Options never loosen the rules: a shorter lifetime or a lower limit only.
TempAddressGuardOptions Bounded(TempAddressGuardOptions options) {
    options.lifetimeSeconds = std::min(options.lifetimeSeconds, kMaxTempLifetimeSeconds);
    options.hostLimit = std::min(options.hostLimit, kMaxTempAddressesOnHost);
    return options;
}

}  // namespace

TempAddressGuard::TempAddressGuard(IKernelNetwork& kernel, ITickClock& clock, ISleeper& sleeper,
                                   TempAddressGuardOptions options)
    : m_kernel(kernel), m_clock(clock), m_sleeper(sleeper), m_options(Bounded(options)) {}

TempAddressGuard::AddOutcome TempAddressGuard::Add(uint32_t interfaceIndex, Ipv4 device,
                                                   int prefixLength, Ipv4 candidate) {
    std::lock_guard lock(m_mutex);
    if (Cancelled()) {
        return {"cancelled", {}};
    }
    Refusal refusal;
    const std::optional<KernelLink> link = LanLink(interfaceIndex, refusal);
    if (!link) {
        return {refusal, {}};
    }
    if (refusal = CheckTempDevice(device, prefixLength); !refusal.empty()) {
        return {refusal, {}};
    }
    if (refusal = CheckTempCandidate(candidate, device, prefixLength); !refusal.empty()) {
        return {refusal, {}};
    }
    // One address per run. One that expired or was removed no longer counts; one the
    // kernel cannot report on still does.
    if (m_held && HeldPresence() != Presence::kAbsent) {
        return {"this run holds " + Cidr(m_held->context) + " already; delete it first", {}};
    }
    ForgetHeld();
    if (refusal = HoldAddressName(candidate); !refusal.empty()) {
        return {refusal, {}};
    }
    AddOutcome outcome = AddHoldingName(*link, device, prefixLength, candidate);
    if (!outcome.refusal.empty()) {
        m_kernel.ReleaseName(TempAddressName(candidate));
    }
    return outcome;
}

TempAddressGuard::AddOutcome TempAddressGuard::AddHoldingName(const KernelLink& link, Ipv4 device,
                                                              int prefixLength, Ipv4 candidate) {
    // Addresses whose run has ended go first: they neither block a candidate nor count.
    std::optional<std::vector<KernelAddress>> addresses = m_kernel.Addresses();
    if (addresses && RemoveLeftovers(*addresses, candidate)) {
        addresses = m_kernel.Addresses();
    }
    if (!addresses) {
        return {"the host's addresses cannot be read", {}};
    }
    for (const KernelAddress& entry : *addresses) {
        if (entry.address == device) {
            return {FormatIpv4Ascii(device) + " is an address of this host", {}};
        }
        if (entry.address == candidate) {
            return {FormatIpv4Ascii(candidate) + " is in use on " + entry.interfaceName, {}};
        }
    }
    if (CountTempAddresses(*addresses) >= m_options.hostLimit) {
        return {HostFullRefusal(std::to_string(m_options.hostLimit) +
                                " temporary addresses exist on this host already, the most "
                                "there may be"),
                {}};
    }
    const TempRoutePlan plan =
        PlanTempRoute(device, prefixLength, RouteFacts(link, device, prefixLength, *addresses));
    if (!plan.refusal.empty()) {
        return {plan.refusal, {}};
    }
    if (Refusal refusal = TakeToken(&Place::arp, "ARP requests"); !refusal.empty()) {
        return {refusal, {}};
    }
    // RFC 5227: a probe from 0.0.0.0 that nobody answers, and that no other station
    // probing for the same address crosses, before the address is taken. A probe that
    // could not be sent or heard says nothing about the address.
    const ArpExchange probe = m_kernel.SendArp(candidate, 0, link.index);
    if (Cancelled()) {
        return {"cancelled", {}};
    }
    switch (probe.outcome) {
        case ArpExchange::Outcome::kAnswered:
            return {FormatIpv4Ascii(candidate) + " is in use by " + Mac(probe.hardwareAddress), {}};
        case ArpExchange::Outcome::kFailed:
            return {"the address probe for " + FormatIpv4Ascii(candidate) + " on " + link.name +
                        " failed (" + std::strerror(probe.error) +
                        "), so it is not known to be free",
                    {}};
        case ArpExchange::Outcome::kUnanswered:
            break;
    }

    // A /32 on every interface, so that the kernel adds no route for it but the address.
    const HostAddressContext context{link.index, candidate, 32};
    const uint32_t owner = m_kernel.OwnerTag();
    const std::string label = TempAddressLabel(link.name);
    if (!m_kernel.AddAddress({context, label, m_options.lifetimeSeconds, owner})) {
        return {"could not add " + Cidr(context) + " to " + link.name, {}};
    }
    m_held = HeldAddress{context, device, label, false};
    LinkRoute route{device, 32, link.index, candidate, owner};
    // Another run that moves the same subnet meanwhile would cover this run's device with
    // its route, or this one its device: one of them moves it, the other routes its device.
    if (plan.scope == TempRouteScope::kDeviceSubnet &&
        m_kernel.HoldName(TempSubnetName(device)) == NameHold::kHeld) {
        m_held->movesSubnet = true;
        route.destination = device & PrefixToMask(prefixLength);
        route.prefixLength = prefixLength;
    }
    if (!m_kernel.AddRoute(route)) {
        RemoveHeldLocked();
        return {"could not add the route from " + FormatIpv4Ascii(candidate), {}};
    }
    // Another run may have added one meanwhile, or the user the same address on another
    // interface: this one gives way, and so it does when the kernel cannot say.
    const std::optional<std::vector<KernelAddress>> after = m_kernel.Addresses();
    if (!after || CountTempAddresses(*after) > m_options.hostLimit) {
        RemoveHeldLocked();
        return {
            HostFullRefusal("the host reached its limit of " + std::to_string(m_options.hostLimit) +
                            " temporary addresses meanwhile"),
            {}};
    }
    for (const KernelAddress& entry : *after) {
        if (entry.address == candidate && entry.interfaceIndex != link.index) {
            RemoveHeldLocked();
            return {
                FormatIpv4Ascii(candidate) + " was taken on " + entry.interfaceName + " meanwhile",
                {}};
        }
    }
    return {std::string(), context};
}

TempRouteFacts TempAddressGuard::RouteFacts(const KernelLink& link, Ipv4 device, int prefixLength,
                                            const std::vector<KernelAddress>& addresses) {
    TempRouteFacts facts;
    facts.interfaceIndex = link.index;
    facts.interfaceName = link.name;
    facts.deviceRoute = m_kernel.RouteTo(device);
    if (facts.deviceRoute.route) {
        const uint32_t index = facts.deviceRoute.route->interfaceIndex;
        const std::optional<KernelLink> routeLink = m_kernel.FindLink(index);
        facts.routeInterfaceName =
            routeLink ? routeLink->name : "interface " + std::to_string(index);
    }
    facts.onlyKernelPolicyRules = m_kernel.OnlyKernelPolicyRules();
    const Ipv4 mask = PrefixToMask(prefixLength);
    for (const KernelAddress& entry : addresses) {
        // Temporary addresses (this run's or another's) are no address of the adapter's own.
        if (entry.interfaceIndex == link.index &&
            entry.label != TempAddressLabel(entry.interfaceName) &&
            SameSubnet(entry.address, device, mask)) {
            facts.ownAddressInDeviceSubnet = entry.address;
        }
    }
    return facts;
}

TempAddressGuard::Refusal TempAddressGuard::Renew(uint32_t interfaceIndex, Ipv4 address) {
    std::lock_guard lock(m_mutex);
    if (!m_held || m_held->context.interfaceIndex != interfaceIndex ||
        m_held->context.address != address) {
        return FormatIpv4Ascii(address) + " is not this run's temporary address";
    }
    // The address's name is this run's: nobody else can have added the address again
    // since it was read here, so the replace can only meet this run's own.
    switch (HeldPresence()) {
        case Presence::kAbsent:
            ForgetHeld();
            return FormatIpv4Ascii(address) + " is gone";
        case Presence::kUnknown:
            return "the host's addresses cannot be read";
        case Presence::kPresent:
            break;
    }
    if (!m_kernel.RenewAddress(
            {m_held->context, m_held->label, m_options.lifetimeSeconds, m_kernel.OwnerTag()})) {
        return "could not renew " + Cidr(m_held->context);
    }
    return Refusal();
}

TempAddressGuard::Refusal TempAddressGuard::Delete(uint32_t interfaceIndex, Ipv4 address) {
    std::lock_guard lock(m_mutex);
    const bool held = m_held && m_held->context.interfaceIndex == interfaceIndex &&
                      m_held->context.address == address;
    if (held) {
        return DeleteHoldingName(interfaceIndex, address, true);
    }
    // With the address's name held, nobody adds the address again between the read below
    // and the removal.
    if (Refusal refusal = HoldAddressName(address); !refusal.empty()) {
        return refusal;
    }
    const Refusal refusal = DeleteHoldingName(interfaceIndex, address, false);
    m_kernel.ReleaseName(TempAddressName(address));
    return refusal;
}

TempAddressGuard::Refusal TempAddressGuard::DeleteHoldingName(uint32_t interfaceIndex, Ipv4 address,
                                                              bool held) {
    // Without the kernel's word on who owns the address now, nothing is removed. The
    // run's end removes its own regardless.
    const std::optional<std::vector<KernelAddress>> addresses = m_kernel.Addresses();
    if (!addresses) {
        return "the host's addresses cannot be read";
    }
    // The user may hold the same address with another prefix: of the entries with this
    // address, the one that may go goes, this run's first.
    const KernelAddress* removable = nullptr;
    Refusal refusal = "no address " + FormatIpv4Ascii(address) + " on interface " +
                      std::to_string(interfaceIndex);
    for (const KernelAddress& entry : *addresses) {
        if (entry.interfaceIndex != interfaceIndex || entry.address != address) {
            continue;
        }
        const bool alive = entry.owner != 0 && m_kernel.OwnerAlive(entry.owner);
        switch (ClassifyTempAddress(entry.label, entry.interfaceName, entry.owner,
                                    m_kernel.OwnerTag(), alive)) {
            case TempOwnership::kNotTemporary:
                refusal = FormatIpv4Ascii(address) + " on " + entry.interfaceName +
                          " does not carry the label " + TempAddressLabel(entry.interfaceName);
                break;
            case TempOwnership::kOtherRun:
                refusal = FormatIpv4Ascii(address) + " belongs to the running process " +
                          std::to_string(entry.owner);
                break;
            case TempOwnership::kThisRun:
                removable = &entry;
                break;
            case TempOwnership::kNoLiveOwner:
                removable = removable != nullptr ? removable : &entry;
                break;
        }
    }
    if (removable == nullptr && held) {
        // This run's address is gone (expired, or removed by someone): so is its claim.
        ForgetHeld();
        return FormatIpv4Ascii(address) + " is gone";
    }
    if (removable == nullptr) {
        return refusal;
    }
    if (!m_kernel.DeleteAddress({interfaceIndex, address, removable->prefixLength},
                                removable->label)) {
        return "could not delete " + FormatIpv4Ascii(address);
    }
    if (held) {
        ForgetHeld();
    }
    return Refusal();
}

TempAddressGuard::Refusal TempAddressGuard::FlushNeighbour(uint32_t interfaceIndex,
                                                           Ipv4 neighbour) {
    std::lock_guard lock(m_mutex);
    Refusal refusal;
    const std::optional<KernelLink> link = LanLink(interfaceIndex, refusal);
    if (!link) {
        return refusal;
    }
    if (!OnLink(interfaceIndex, neighbour)) {
        return FormatIpv4Ascii(neighbour) + " is not on a subnet of " + link->name;
    }
    if (refusal = TakeToken(&Place::flushes, "neighbour flushes"); !refusal.empty()) {
        return refusal;
    }
    if (!m_kernel.DeleteNeighbour(interfaceIndex, neighbour)) {
        return "could not flush the neighbour entry of " + FormatIpv4Ascii(neighbour);
    }
    return Refusal();
}

TempAddressGuard::ArpOutcome TempAddressGuard::Arp(uint32_t interfaceIndex, Ipv4 target,
                                                   Ipv4 source) {
    std::lock_guard lock(m_mutex);
    Refusal refusal;
    const std::optional<KernelLink> link = LanLink(interfaceIndex, refusal);
    if (!link) {
        return {refusal, std::nullopt};
    }
    // An address probe teaches nobody an entry (its sender address is 0.0.0.0), so it may
    // also ask for a private address beyond the interface's subnets: whether a device
    // that a gateway's route covers is a station of this LAN after all.
    if (!OnLink(interfaceIndex, target) && !(source == 0 && IsPrivateHost(target))) {
        return {FormatIpv4Ascii(target) + " is not on a subnet of " + link->name, std::nullopt};
    }
    // A request from an address the interface does not hold would teach the neighbours a
    // wrong hardware address for it.
    if (source != 0) {
        bool holds = false;
        for (const KernelAddress& entry :
             m_kernel.Addresses().value_or(std::vector<KernelAddress>())) {
            holds = holds || (entry.interfaceIndex == interfaceIndex && entry.address == source);
        }
        if (!holds) {
            return {FormatIpv4Ascii(source) + " is not an address of " + link->name, std::nullopt};
        }
    }
    if (Cancelled()) {
        return {Refusal(), std::nullopt};
    }
    if (refusal = TakeToken(&Place::arp, "ARP requests"); !refusal.empty()) {
        return {refusal, std::nullopt};
    }
    ArpExchange exchange = m_kernel.SendArp(target, source, interfaceIndex);
    switch (exchange.outcome) {
        case ArpExchange::Outcome::kAnswered:
            return {Refusal(), std::move(exchange.hardwareAddress)};
        case ArpExchange::Outcome::kUnanswered:
            break;
        case ArpExchange::Outcome::kFailed:
            return {"ARP on " + link->name + " failed (" + std::strerror(exchange.error) + ")",
                    std::nullopt};
    }
    return {Refusal(), std::nullopt};
}

void TempAddressGuard::Cancel() {
    m_cancelled = true;
    m_kernel.SetWaitsCancelled(true);
}

void TempAddressGuard::Resume() {
    m_cancelled = false;
    m_kernel.SetWaitsCancelled(false);
}

void TempAddressGuard::Finish() {
    std::lock_guard lock(m_mutex);
    if (m_held && HeldPresence() != Presence::kAbsent) {
        RemoveHeldLocked();
    }
    ForgetHeld();
    if (m_place) {
        m_kernel.ReleaseName(ArpPlaceName(m_place->index));
        m_place.reset();
    }
}

std::optional<HostAddressContext> TempAddressGuard::Held() const {
    std::lock_guard lock(m_mutex);
    if (!m_held) {
        return std::nullopt;
    }
    return m_held->context;
}

TempAddressGuard::Presence TempAddressGuard::HeldPresence() {
    // A read that fails now and then must not make a held address look gone.
    std::optional<std::vector<KernelAddress>> addresses;
    for (int attempt = 0; attempt < kReadAttempts && !addresses; ++attempt) {
        addresses = m_kernel.Addresses();
    }
    if (!addresses) {
        return Presence::kUnknown;
    }
    const uint32_t self = m_kernel.OwnerTag();
    for (const KernelAddress& entry : *addresses) {
        if (entry.interfaceIndex != m_held->context.interfaceIndex ||
            entry.address != m_held->context.address ||
            entry.prefixLength != m_held->context.prefixLength) {
            continue;
        }
        // The same address without our label, or of another owner, took its place.
        if (ClassifyTempAddress(entry.label, entry.interfaceName, entry.owner, self, true) ==
            TempOwnership::kThisRun) {
            return Presence::kPresent;
        }
    }
    return Presence::kAbsent;
}

bool TempAddressGuard::RemoveLeftovers(const std::vector<KernelAddress>& addresses, Ipv4 holding) {
    const uint32_t self = m_kernel.OwnerTag();
    bool removed = false;
    for (const KernelAddress& entry : addresses) {
        if (ClassifyTempAddress(entry.label, entry.interfaceName, entry.owner, self, false) ==
            TempOwnership::kNoLiveOwner) {
            removed = RemoveLeftover(entry, entry.address == holding) || removed;
        }
    }
    return removed;
}

// A temporary address is a leftover when nobody holds its name (its run would) and the
// owner it records no longer runs. The name is held while this is decided from a fresh
// read, so that no run can add the address again before it is removed.
bool TempAddressGuard::RemoveLeftover(const KernelAddress& seen, bool nameHeld) {
    const std::string name = TempAddressName(seen.address);
    if (!nameHeld && m_kernel.HoldName(name) != NameHold::kHeld) {
        return false;
    }
    bool removed = false;
    for (const KernelAddress& entry : m_kernel.Addresses().value_or(std::vector<KernelAddress>())) {
        const bool same = entry.interfaceIndex == seen.interfaceIndex &&
                          entry.address == seen.address && entry.prefixLength == seen.prefixLength;
        const bool alive = entry.owner != 0 && m_kernel.OwnerAlive(entry.owner);
        if (same &&
            ClassifyTempAddress(entry.label, entry.interfaceName, entry.owner, m_kernel.OwnerTag(),
                                alive) == TempOwnership::kNoLiveOwner) {
            removed = m_kernel.DeleteAddress(
                {entry.interfaceIndex, entry.address, entry.prefixLength}, entry.label);
        }
    }
    if (!nameHeld) {
        m_kernel.ReleaseName(name);
    }
    return removed;
}

// Every address labelled as a temporary one, whoever owns it.
size_t TempAddressGuard::CountTempAddresses(const std::vector<KernelAddress>& addresses) {
    size_t count = 0;
    for (const KernelAddress& entry : addresses) {
        count += entry.label == TempAddressLabel(entry.interfaceName) ? 1 : 0;
    }
    return count;
}

std::optional<KernelLink> TempAddressGuard::LanLink(uint32_t interfaceIndex, Refusal& refusal) {
    const std::optional<KernelLink> link = m_kernel.FindLink(interfaceIndex);
    if (!link) {
        refusal = "no interface with index " + std::to_string(interfaceIndex);
        return std::nullopt;
    }
    if (!link->ethernet) {
        refusal = link->name + " is not an Ethernet or wireless adapter";
        return std::nullopt;
    }
    return link;
}

// The device this run holds an address for, or a host of one of the interface's subnets.
bool TempAddressGuard::OnLink(uint32_t interfaceIndex, Ipv4 address) {
    if (!IsUnicast(address)) {
        return false;
    }
    if (m_held && m_held->context.interfaceIndex == interfaceIndex && m_held->device == address) {
        return true;
    }
    for (const KernelAddress& entry : m_kernel.Addresses().value_or(std::vector<KernelAddress>())) {
        if (entry.interfaceIndex == interfaceIndex && IsHostOn(entry, address)) {
            return true;
        }
    }
    return false;
}

TempAddressGuard::Refusal TempAddressGuard::TakeToken(TokenBucket Place::*bucket,
                                                      const char* what) {
    if (Refusal refusal = TakePlace(); !refusal.empty()) {
        return refusal;
    }
    TokenBucket& budget = (*m_place).*bucket;
    // A request beyond the budget waits for its token (at most one period) rather than
    // being refused: a set-up's requests keep their order and pace, and a flood is slowed
    // to the limit. A cancel ends the wait.
    for (uint32_t wait = budget.MsUntilToken(); wait > 0 && wait != UINT32_MAX;
         wait = budget.MsUntilToken()) {
        if (Cancelled()) {
            return "cancelled";
        }
        m_sleeper.SleepMs(std::min(wait, kCancelCheckMs));
    }
    return budget.Take() ? Refusal() : "no more " + std::string(what) + " may be made";
}

TempAddressGuard::Refusal TempAddressGuard::TakePlace() {
    if (m_place) {
        return Refusal();
    }
    bool failed = false;
    for (size_t index = 0; index < kArpPlaces; ++index) {
        switch (m_kernel.HoldName(ArpPlaceName(index))) {
            case NameHold::kHeld:
                m_place.emplace(index, m_clock, m_options);
                return Refusal();
            case NameHold::kTaken:
                break;
            case NameHold::kFailed:
                failed = true;
                break;
        }
    }
    if (failed) {
        return "no place for ARP requests can be had on this host";
    }
    return HostFullRefusal("all " + std::to_string(kArpPlaces) +
                           " places for ARP requests on this host are taken by other programs; "
                           "try again when one of them has ended");
}

TempAddressGuard::Refusal TempAddressGuard::HoldAddressName(Ipv4 address) {
    switch (m_kernel.HoldName(TempAddressName(address))) {
        case NameHold::kHeld:
            return Refusal();
        case NameHold::kTaken:
            return FormatIpv4Ascii(address) + " is reserved by another run on this host";
        case NameHold::kFailed:
            break;
    }
    return FormatIpv4Ascii(address) + " cannot be reserved on this host";
}

bool TempAddressGuard::RemoveHeldLocked() {
    const bool removed = m_kernel.DeleteAddress(m_held->context, m_held->label);
    ForgetHeld();
    return removed;
}

void TempAddressGuard::ForgetHeld() {
    if (m_held) {
        if (m_held->movesSubnet) {
            m_kernel.ReleaseName(TempSubnetName(m_held->device));
        }
        m_kernel.ReleaseName(TempAddressName(m_held->context.address));
        m_held.reset();
    }
}
