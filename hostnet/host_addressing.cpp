#include "hostnet/host_addressing.h"

#include <algorithm>
#include <utility>

#include "hostnet/temp_address_rules.h"
#include "platform/ansi_text.h"

namespace {

constexpr uint32_t kPauseAfterDeleteMs = 500;
// Long enough for the new address to settle and for a host already holding it to notice.
constexpr uint32_t kWaitAfterAddMs = 10000;

// The masks compared as the numbers their network-order bytes make when read as a
// little-endian integer: the first octet is the least significant, so among contiguous
// masks the longer one is the greater number.
uint32_t MaskRank(Ipv4 mask) {
    return ((mask >> 24) & 0xFF) | (((mask >> 16) & 0xFF) << 8) | (((mask >> 8) & 0xFF) << 16) |
           ((mask & 0xFF) << 24);
}

bool DeviceMaskNotLonger(Ipv4 deviceMask, Ipv4 adapterMask) {
    return MaskRank(deviceMask) <= MaskRank(adapterMask);
}

Ipv4 Candidate(Ipv4 device, Ipv4 lastOctet) {
    return (device & 0xFFFFFF00u) | lastOctet;
}

std::array<uint8_t, 6> FirstSixBytes(const std::vector<uint8_t>& hardwareAddress) {
    std::array<uint8_t, 6> bytes{};
    std::copy_n(hardwareAddress.begin(), std::min(hardwareAddress.size(), bytes.size()),
                bytes.begin());
    return bytes;
}

// An adapter without any IPv4 address is what other systems list as "0.0.0.0".
bool FirstAddressIsSet(const AdapterInfo& adapter) {
    return !adapter.addresses.empty() && adapter.addresses.front().address != 0;
}

bool MayCarryTempAddress(const AdapterInfo& adapter) {
    const bool lanType =
        adapter.type == AdapterType::kEthernet || adapter.type == AdapterType::kIeee80211;
    return lanType && adapter.operational && FirstAddressIsSet(adapter);
}

const AdapterInfo* FindAdapter(const std::vector<AdapterInfo>& adapters, uint32_t index) {
    for (const AdapterInfo& adapter : adapters) {
        if (adapter.index == index) {
            return &adapter;
        }
    }
    return nullptr;
}

// Reached from `source`; 0 lets the system choose.
HostSetupResult Bound(Ipv4 source) {
    return source == 0 ? HostSetupResult::AnyAddress()
                       : HostSetupResult::BindTo(FormatIpv4(source));
}

}  // namespace

HostAddressing::HostAddressing(IHostNetwork& network, ISleeper& sleeper,
                               HostAddressingOptions options)
    : m_network(network), m_sleeper(sleeper), m_options(options) {
    if (m_options.renewInterval.count() > 0) {
        m_renewThread = std::thread([this] { RenewLoop(); });
    }
}

HostAddressing::~HostAddressing() {
    {
        std::lock_guard lock(m_renewMutex);
        m_stopRenewing = true;
    }
    m_renewWake.notify_all();
    if (m_renewThread.joinable()) {
        m_renewThread.join();
    }
    DeleteTempAddress();
}

HostSetupResult HostAddressing::PrepareHostAddress(const std::wstring& deviceIp,
                                                   const std::wstring& deviceMask) {
    std::lock_guard setup(m_setupMutex);
    {
        // A cancel that came before this point is kept: it was meant for this set-up,
        // whose thread had been started but had not got here yet.
        std::lock_guard lock(m_tempMutex);
        m_setupRunning = true;
    }
    SetFailure({});
    HostSetupResult result = HostSetupResult::Unreachable();
    const std::optional<Ipv4> device = ParseIpv4(deviceIp);
    const std::optional<Ipv4> mask = ParseIpv4(deviceMask);
    // The mask becomes the prefix of an address we add: one with holes cannot, and a zero
    // mask would claim every destination for the adapter.
    const std::optional<int> prefix = mask ? MaskToPrefix(*mask) : std::nullopt;
    if (!Cancelled() && device && mask) {
        if (!prefix || *prefix == 0) {
            SetFailure(DeviceRefusedFailure(*device, *mask, "that is no subnet mask"));
        } else {
            const NetworkRights rights = m_network.Rights();
            if (rights.Granted()) {
                RemoveLeftoverAddresses();
            }
            const uint64_t hostFullBefore = m_network.HostFullRefusals();
            result = RunSetup(*device, *mask, rights);
            // Refused only because other runs hold every place: that passes as they end.
            if (!result.Reached() && !LastFailure().Known() &&
                m_network.HostFullRefusals() != hostFullBefore) {
                SetFailure(HostFullFailure(*device));
            }
        }
    }
    {
        std::lock_guard lock(m_tempMutex);
        if (Cancelled()) {
            result = HostSetupResult::Unreachable();
        }
        m_setupRunning = false;
        SetCancelled(false);
    }
    return result.Reached() ? result : HostSetupResult::Unreachable(LastFailure());
}

void HostAddressing::CancelSetup() {
    SetCancelled(true);
}

// Which way leads to the device:
//
// - A route on the link itself to a subnet (no gateway, a prefix): the device is on that
//   LAN; the source address is chosen on the route's adapter, and ARP checks that the
//   device answers from it.
// - A route through a gateway, the default route or a route to a subnet beyond a router:
//   either the device sits behind that router, or it is on one of the PC's LANs in a
//   subnet where the PC has no address and the route merely covers its address. Only the
//   second answers ARP on an adapter of the PC: an address probe (from 0.0.0.0, so that
//   it teaches nobody a wrong entry) goes out on the LAN adapters, the route's first. A
//   device that answers gets a temporary address in its subnet on the adapter where it
//   answered, as below; one that does not is used through the routing table, with no
//   address added. A device outside the private networks never gets a temporary
//   address, so for it the routing table is the only way: a test connection says whether
//   it leads there, and when it does not, the set-up says why no address may.
// - No route, or a default route on the link itself (no gateway): the device can only be
//   on a LAN of the PC; a temporary address in its subnet gives the PC a route to it.
//
// Without the rights to send ARP or add an address, the routing table is the only way:
// a test connection to the device's web port says whether it leads there. When it does
// not and a temporary address might have, the set-up says which rights are missing.
HostSetupResult HostAddressing::RunSetup(Ipv4 device, Ipv4 mask, const NetworkRights& rights) {
    const int prefix = MaskToPrefix(mask).value_or(32);
    // The LAN adapter on which the device answered ARP, when a probe asked.
    std::optional<uint32_t> lanAdapter;
    for (int run = 0;; ++run) {
        std::optional<BestRoute> route = m_network.GetBestRoute(device);
        // A route from another run's temporary address goes when that run ends: this run
        // reaches the device as if only the default route led there; that route shows the
        // device to be on the LAN.
        if (route && IsOtherRunsAddress(route->source)) {
            route->prefixLength = 0;
            route->gateway = 0;
        }
        if (route) {
            ReadAdapterInfo(route->interfaceIndex);
            if (route->gateway == 0 && route->prefixLength != 0) {
                return rights.Granted() ? UseRouteAdapter(route->interfaceIndex, device, mask)
                                        : UseRouteAdapterWithoutRights(route->interfaceIndex,
                                                                       device, mask, rights);
            }
            if (route->gateway != 0 && run == 0) {
                if (!rights.Granted()) {
                    return UseRoutingTableWithoutRights(device, rights);
                }
                if (const std::string refusal = CheckTempDevice(device, prefix); !refusal.empty()) {
                    // No temporary address may reach it: the routing table is the only
                    // way, and when that does not lead there either, the refusal is what
                    // the user can act on.
                    if (m_network.AcceptsWebConnection(device, 0)) {
                        return HostSetupResult::AnyAddress();
                    }
                    SetFailure(DeviceRefusedFailure(device, mask, refusal));
                    return HostSetupResult::Unreachable();
                }
                lanAdapter = AdapterAnsweringFor(device, route->interfaceIndex);
                if (!lanAdapter) {
                    return HostSetupResult::AnyAddress();
                }
            }
        }
        if (!rights.Granted()) {
            SetFailure(MissingRightsFailure(rights));
            return HostSetupResult::Unreachable();
        }
        // No route, a default route on the link, or a device on a LAN of the PC that a
        // gateway's route covers: an address in the device's subnet gives the host a
        // route to it on the link, which the next run finds.
        if (run >= m_options.maxRestarts || Cancelled() ||
            AddTempAddressOnAnyAdapter(device, mask, lanAdapter).empty()) {
            break;
        }
    }
    DeleteTempAddress();
    return HostSetupResult::Unreachable();
}

std::optional<uint32_t> HostAddressing::AdapterAnsweringFor(Ipv4 device,
                                                            uint32_t routeInterfaceIndex) {
    std::optional<std::vector<AdapterInfo>> adapters = Adapters();
    if (!adapters) {
        return std::nullopt;
    }
    std::stable_partition(adapters->begin(), adapters->end(), [&](const AdapterInfo& adapter) {
        return adapter.index == routeInterfaceIndex;
    });
    for (const AdapterInfo& adapter : *adapters) {
        if (Cancelled()) {
            return std::nullopt;
        }
        if (MayCarryTempAddress(adapter) && m_network.SendArp(device, 0, adapter.index)) {
            return adapter.index;
        }
    }
    return std::nullopt;
}

HostSetupResult HostAddressing::UseRoutingTableWithoutRights(Ipv4 device,
                                                             const NetworkRights& rights) {
    if (m_network.AcceptsWebConnection(device, 0)) {
        return HostSetupResult::AnyAddress();
    }
    // A device on a private network may be on a LAN of the PC, in a subnet where the PC
    // has no address: only a temporary address could reach it.
    if (PrivateNetworkPrefix(device)) {
        SetFailure(MissingRightsFailure(rights));
    }
    return HostSetupResult::Unreachable();
}

HostSetupResult HostAddressing::UseRouteAdapterWithoutRights(uint32_t interfaceIndex, Ipv4 device,
                                                             Ipv4 mask,
                                                             const NetworkRights& rights) {
    const std::optional<Ipv4> source = SourceOnRouteAdapter(interfaceIndex, device, mask);
    if (!source) {
        // Only a temporary address on the adapter would do.
        SetFailure(MissingRightsFailure(rights));
        return HostSetupResult::Unreachable();
    }
    if (!m_network.AcceptsWebConnection(device, *source)) {
        return HostSetupResult::Unreachable();
    }
    return Bound(*source);
}

HostSetupResult HostAddressing::UseRouteAdapter(uint32_t interfaceIndex, Ipv4 device, Ipv4 mask) {
    const HostSetupResult source = ChooseSourceOnRouteAdapter(interfaceIndex, device, mask);
    if (!source.Reached()) {
        return source;
    }
    const std::wstring& bind = source.BindAddress();
    const Ipv4 sourceAddress = bind.empty() ? 0 : ParseIpv4(bind).value_or(0);
    const uint64_t hostFullBefore = m_network.HostFullRefusals();
    if (CanReachDevice(device, sourceAddress, interfaceIndex)) {
        return source;
    }
    // A device on the adapter's subnet needs no place of the host's; while other runs hold
    // every place for ARP, the test connection that a run without rights makes tells
    // whether it answers.
    if (m_network.HostFullRefusals() != hostFullBefore && !Cancelled() &&
        m_network.AcceptsWebConnection(device, sourceAddress)) {
        return source;
    }
    return HostSetupResult::Unreachable();
}

std::optional<Ipv4> HostAddressing::SourceOnRouteAdapter(uint32_t interfaceIndex, Ipv4 device,
                                                         Ipv4 mask) {
    const std::optional<std::vector<AdapterInfo>> adapters = Adapters();
    const AdapterInfo* adapter = adapters ? FindAdapter(*adapters, interfaceIndex) : nullptr;
    if (!adapter) {
        return 0;
    }
    std::optional<Ipv4> chosen;
    bool mismatch = false;
    for (const AdapterAddress& address : adapter->addresses) {
        if (DeviceMaskNotLonger(mask, address.mask)) {
            chosen = address.address;
        } else if (SameSubnet(address.address, device, mask)) {
            chosen = address.address;
            mismatch = false;
        } else {
            mismatch = true;
        }
    }
    if (!mismatch) {
        return 0;
    }
    return chosen;
}

HostSetupResult HostAddressing::ChooseSourceOnRouteAdapter(uint32_t interfaceIndex, Ipv4 device,
                                                           Ipv4 mask) {
    const std::optional<Ipv4> source = SourceOnRouteAdapter(interfaceIndex, device, mask);
    if (source) {
        return Bound(*source);
    }
    const std::optional<std::vector<AdapterInfo>> adapters = Adapters();
    const AdapterInfo* adapter = adapters ? FindAdapter(*adapters, interfaceIndex) : nullptr;
    const std::wstring added =
        adapter ? AddTempAddressOnAdapter(*adapter, device, mask) : std::wstring();
    return added.empty() ? HostSetupResult::Unreachable() : HostSetupResult::BindTo(added);
}

std::wstring HostAddressing::AddTempAddressOnAdapter(const AdapterInfo& adapter, Ipv4 device,
                                                     Ipv4 mask) {
    const std::optional<Ipv4> candidate = TryCandidates(adapter, device, mask);
    if (!candidate) {
        return std::wstring();
    }
    m_network.FlushNeighbour(adapter.index, device);
    if (!m_network.SendArp(device, *candidate, adapter.index)) {
        return std::wstring();
    }
    return FormatIpv4(*candidate);
}

std::wstring HostAddressing::AddTempAddressOnAnyAdapter(Ipv4 device, Ipv4 mask,
                                                        std::optional<uint32_t> onlyAdapter) {
    const std::optional<std::vector<AdapterInfo>> adapters = Adapters();
    if (!adapters) {
        return std::wstring();
    }
    for (const AdapterInfo& adapter : *adapters) {
        if (!MayCarryTempAddress(adapter) || (onlyAdapter && adapter.index != *onlyAdapter)) {
            continue;
        }
        const std::optional<Ipv4> candidate = TryCandidates(adapter, device, mask);
        if (candidate && CanReachDevice(device, *candidate, adapter.index)) {
            return FormatIpv4(*candidate);
        }
        if (Cancelled()) {
            break;
        }
    }
    return std::wstring();
}

std::optional<Ipv4> HostAddressing::TryCandidates(const AdapterInfo& adapter, Ipv4 device,
                                                  Ipv4 mask) {
    const int prefix = MaskToPrefix(mask).value_or(32);
    // A device that the rules give no temporary address (one that claims a public address,
    // or a subnet beyond its private network) gets none, whoever runs the set-up.
    if (const std::string refusal = CheckTempDevice(device, prefix); !refusal.empty()) {
        SetFailure(DeviceRefusedFailure(device, mask, refusal));
        return std::nullopt;
    }
    const std::array<uint8_t, 6> ownMac = FirstSixBytes(adapter.hardwareAddress);
    for (Ipv4 octet = kFirstTempOctet; octet <= kLastTempOctet; ++octet) {
        if (Cancelled()) {
            return std::nullopt;
        }
        const Ipv4 candidate = Candidate(device, octet);
        if (!CheckTempCandidate(candidate, device, prefix).empty()) {
            continue;
        }
        DeleteTempAddress();
        // Refused when another host answers for it or another run holds it.
        if (!AddTempAddress(adapter, device, prefix, candidate)) {
            continue;
        }
        if (!m_sleeper.SleepMsUnless(kWaitAfterAddMs, m_cancel)) {
            return std::nullopt;
        }
        // A probe from 0.0.0.0: only another host holding the candidate answers with a
        // hardware address other than ours.
        const std::optional<std::vector<uint8_t>> holder =
            m_network.SendArp(candidate, 0, adapter.index);
        if (holder && FirstSixBytes(*holder) == ownMac) {
            return candidate;
        }
    }
    return std::nullopt;
}

bool HostAddressing::CanReachDevice(Ipv4 device, Ipv4 source, uint32_t interfaceIndex) {
    m_network.FlushNeighbour(interfaceIndex, device);
    if (source == 0) {
        source = SourceFor(device, interfaceIndex);
    }
    return m_network.SendArp(device, source, interfaceIndex).has_value();
}

// The address the kernel would send from: one of the adapter's own addresses in the
// device's subnet, else the temporary address this run added there (its route to the
// device leaves from it), else the adapter's primary address. A probe from 0.0.0.0 only
// when it has none.
Ipv4 HostAddressing::SourceFor(Ipv4 device, uint32_t interfaceIndex) {
    const std::optional<std::vector<AdapterInfo>> adapters = Adapters();
    const AdapterInfo* adapter = adapters ? FindAdapter(*adapters, interfaceIndex) : nullptr;
    if (!adapter || adapter->addresses.empty()) {
        return 0;
    }
    for (const AdapterAddress& address : adapter->addresses) {
        if (address.address != 0 && SameSubnet(address.address, device, address.mask)) {
            return address.address;
        }
    }
    if (const std::optional<HostAddressContext> held = TempAddress();
        held && held->interfaceIndex == interfaceIndex) {
        return held->address;
    }
    return adapter->addresses.front().address;
}

void HostAddressing::ReadAdapterInfo(uint32_t interfaceIndex) {
    const std::optional<std::vector<AdapterInfo>> adapters = m_network.GetAdapters();
    const AdapterInfo* adapter = adapters ? FindAdapter(*adapters, interfaceIndex) : nullptr;
    if (!adapter) {
        return;
    }
    ChosenAdapter chosen;
    chosen.macLength =
        static_cast<uint32_t>(std::min(adapter->hardwareAddress.size(), chosen.mac.size()));
    std::copy_n(adapter->hardwareAddress.begin(), chosen.macLength, chosen.mac.begin());
    chosen.index = adapter->index;
    chosen.name = AnsiToWide(adapter->name);
    chosen.dhcpEnabled = adapter->dhcpEnabled ? 1 : 0;
    chosen.connectionName = AnsiToWide(m_network.ConnectionName(adapter->name));
    std::lock_guard lock(m_adapterMutex);
    m_adapter = std::move(chosen);
}

bool HostAddressing::AddTempAddress(const AdapterInfo& adapter, Ipv4 device, int prefixLength,
                                    Ipv4 address) {
    std::lock_guard lock(m_tempMutex);
    if (Cancelled() || m_temp) {
        return false;
    }
    m_temp = m_network.AddTempAddress(adapter.index, device, prefixLength, address);
    return m_temp.has_value();
}

bool HostAddressing::DeleteTempAddress() {
    {
        std::lock_guard lock(m_tempMutex);
        if (!m_temp) {
            return false;
        }
        m_network.DeleteTempAddress(*m_temp);
        m_temp.reset();
    }
    m_sleeper.SleepMs(kPauseAfterDeleteMs);
    return true;
}

bool HostAddressing::RemoveTempAddress() {
    {
        // A running set-up must not add an address after this one is gone; with none
        // running, a cancel that no set-up took up ends here.
        std::lock_guard lock(m_tempMutex);
        SetCancelled(m_setupRunning);
    }
    return DeleteTempAddress();
}

// An address carrying our label that is not the one we hold belongs to another run, or was
// left by a run that died before it could remove it. The rules let only the latter go.
void HostAddressing::RemoveLeftoverAddresses() {
    const std::optional<std::vector<AdapterInfo>> adapters = m_network.GetAdapters();
    if (!adapters) {
        return;
    }
    const std::optional<HostAddressContext> held = TempAddress();
    for (const AdapterInfo& adapter : *adapters) {
        for (const AdapterAddress& address : adapter.addresses) {
            if (!IsTempAddressLabel(address.label)) {
                continue;
            }
            const HostAddressContext context{adapter.index, address.address,
                                             MaskToPrefix(address.mask).value_or(32)};
            if (held && *held == context) {
                continue;
            }
            if (m_network.DeleteTempAddress(context)) {
                m_sleeper.SleepMs(kPauseAfterDeleteMs);
            }
        }
    }
}

bool HostAddressing::IsOtherRunsAddress(Ipv4 address) {
    if (address == 0) {
        return false;
    }
    const std::optional<HostAddressContext> held = TempAddress();
    for (const AdapterInfo& adapter :
         m_network.GetAdapters().value_or(std::vector<AdapterInfo>())) {
        for (const AdapterAddress& entry : adapter.addresses) {
            if (entry.address == address && IsTempAddressLabel(entry.label) &&
                !(held && held->address == address)) {
                return true;
            }
        }
    }
    return false;
}

std::optional<std::vector<AdapterInfo>> HostAddressing::Adapters() {
    std::optional<std::vector<AdapterInfo>> adapters = m_network.GetAdapters();
    if (!adapters) {
        return adapters;
    }
    const std::optional<HostAddressContext> held = TempAddress();
    for (AdapterInfo& adapter : *adapters) {
        std::erase_if(adapter.addresses, [&](const AdapterAddress& address) {
            const bool ours =
                held && held->interfaceIndex == adapter.index && held->address == address.address;
            return IsTempAddressLabel(address.label) && !ours;
        });
    }
    return adapters;
}

bool HostAddressing::Cancelled() const {
    return m_cancel.Cancelled();
}

void HostAddressing::SetCancelled(bool cancelled) {
    if (cancelled) {
        m_cancel.Cancel();
    } else {
        m_cancel.Reset();
    }
    m_network.SetWaitsCancelled(cancelled);
}

bool HostAddressing::RenewTempAddress() {
    std::lock_guard lock(m_tempMutex);
    if (!m_temp) {
        return false;
    }
    return m_network.RenewTempAddress(*m_temp);
}

void HostAddressing::RenewLoop() {
    std::unique_lock lock(m_renewMutex);
    while (
        !m_renewWake.wait_for(lock, m_options.renewInterval, [this] { return m_stopRenewing; })) {
        lock.unlock();
        RenewTempAddress();
        lock.lock();
    }
}

std::optional<HostAddressContext> HostAddressing::TempAddress() const {
    std::lock_guard lock(m_tempMutex);
    return m_temp;
}

void HostAddressing::SetFailure(HostSetupFailure failure) {
    std::lock_guard lock(m_adapterMutex);
    m_failure = std::move(failure);
}

HostSetupFailure HostAddressing::LastFailure() const {
    std::lock_guard lock(m_adapterMutex);
    return m_failure;
}

ChosenAdapter HostAddressing::Adapter() const {
    std::lock_guard lock(m_adapterMutex);
    return m_adapter;
}
