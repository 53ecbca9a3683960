#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hostnet/temp_address_rules.h"
#include "platform/host_network.h"
#include "platform/tick_clock.h"

// What the host did, in order: changes, ARP requests, cache flushes and sleeps, e.g.
// "add 192.168.1.241/24 dev 2 for 192.168.1.200", "arp 192.168.1.200 from 0.0.0.0 dev 2",
// "flush 192.168.1.200 dev 2", "delete 192.168.1.241/24 dev 2", "sleep 500". A refused
// step ends in " refused".
class EventLog {
public:
    void Record(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::vector<std::string> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    size_t Count(const std::string& prefix) const {
        std::lock_guard lock(m_mutex);
        size_t count = 0;
        for (const std::string& event : m_events) {
            count += event.starts_with(prefix) ? 1 : 0;
        }
        return count;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

class FakeSleeper : public ISleeper {
public:
    explicit FakeSleeper(EventLog& log) : m_log(log) {}
    void SleepMs(uint32_t ms) override {
        m_log.Record("sleep " + std::to_string(ms));
        if (onSleep) {
            onSleep(ms);
        }
    }
    // Runs inside a sleep, as another thread would while the set-up waits.
    std::function<void(uint32_t)> onSleep;

private:
    EventLog& m_log;
};

// A host with adapters, a route table derived from their addresses, the routes of
// temporary addresses and routes through routers (longest matching prefix, else the default
// route), devices behind routers that accept a connection, and other
// stations on each adapter's LAN that answer ARP for the addresses they hold. Its
// temporary addresses follow the rules' outline: a candidate that a station answers for,
// or that the host holds, is refused; an address is a /32 that records its owner (this run
// is kSelf) and brings one route, to the device or its subnet as the rules choose; only
// this run's address, or one whose owner has ended, may be deleted.
class FakeHostNetwork : public IHostNetwork {
public:
    explicit FakeHostNetwork(EventLog& log) : m_log(log) {}

    static constexpr uint32_t kSelf = 100;

    static std::vector<uint8_t> Mac(uint8_t last) { return {0x02, 0, 0, 0, 0, last}; }

    void AddAdapter(uint32_t index, const std::string& name, AdapterType type,
                    std::vector<AdapterAddress> addresses, bool operational = true) {
        std::lock_guard lock(m_mutex);
        AdapterInfo adapter;
        adapter.index = index;
        adapter.name = name;
        adapter.type = type;
        adapter.hardwareAddress = Mac(static_cast<uint8_t>(index));
        adapter.operational = operational;
        adapter.addresses = std::move(addresses);
        m_adapters.push_back(std::move(adapter));
    }
    // The default route, on the link (`gateway` 0, as "default dev eth0") or through a
    // router.
    void SetDefaultRoute(uint32_t index, Ipv4 gateway = 0) {
        m_defaultRoute = index;
        m_defaultGateway = gateway;
    }
    // A route to a subnet beyond a router.
    void AddGatewayRoute(Ipv4 destination, int prefixLength, uint32_t index, Ipv4 gateway) {
        std::lock_guard lock(m_mutex);
        m_routes.push_back({destination, prefixLength, index, 0, gateway});
    }
    // Devices that accept a connection through the routing table (behind a router, or
    // on a LAN the host has an address on).
    void AcceptConnections(Ipv4 device) {
        std::lock_guard lock(m_mutex);
        m_accepting.insert(device);
    }
    // A route from a temporary address (another run's), gone with that address.
    void AddRoute(Ipv4 destination, int prefixLength, uint32_t index, Ipv4 source) {
        std::lock_guard lock(m_mutex);
        m_routes.push_back({destination, prefixLength, index, source});
    }
    AdapterInfo& Adapter(uint32_t index) { return *Find(index); }
    // Another station on the adapter's LAN holding `address`.
    void AddStation(uint32_t adapterIndex, Ipv4 address, std::vector<uint8_t> mac) {
        std::lock_guard lock(m_mutex);
        m_stations[adapterIndex][address] = std::move(mac);
    }
    void RemoveStation(uint32_t adapterIndex, Ipv4 address) {
        std::lock_guard lock(m_mutex);
        m_stations[adapterIndex].erase(address);
    }

    std::map<std::string, std::string> aliases;
    std::optional<BestRoute> forcedRoute;
    // Other runs hold every place of the host: adding, ARP and flushes are refused as
    // full.
    bool hostFull = false;
    NetworkRights rights;
    // Owners of other runs that still run.
    std::set<uint32_t> liveOwners;

    size_t routeQueries() const {
        std::lock_guard lock(m_mutex);
        return m_routeQueries;
    }
    size_t renewals() const {
        std::lock_guard lock(m_mutex);
        return m_renewals;
    }
    // The largest number of this run's temporary addresses that ever existed at once.
    size_t maxTempAddresses() const {
        std::lock_guard lock(m_mutex);
        return m_maxTempAddresses;
    }
    std::vector<AdapterAddress> AddressesOf(uint32_t index) const {
        std::lock_guard lock(m_mutex);
        for (const AdapterInfo& adapter : m_adapters) {
            if (adapter.index == index) {
                return adapter.addresses;
            }
        }
        return {};
    }

    std::optional<BestRoute> GetBestRoute(Ipv4 destination) override {
        std::lock_guard lock(m_mutex);
        ++m_routeQueries;
        if (forcedRoute) {
            return forcedRoute;
        }
        return RouteTo(destination);
    }
    std::optional<BestRoute> RouteTo(Ipv4 destination) const {
        std::optional<BestRoute> best;
        for (const Route& route : m_routes) {
            if (SameSubnet(route.destination, destination, PrefixToMask(route.prefixLength)) &&
                (!best || route.prefixLength > best->prefixLength)) {
                best = BestRoute{route.index, route.prefixLength, route.source, route.gateway};
            }
        }
        for (const AdapterInfo& adapter : m_adapters) {
            for (const AdapterAddress& address : adapter.addresses) {
                const int prefix = MaskToPrefix(address.mask).value_or(0);
                if (address.address != 0 && prefix > 0 &&
                    SameSubnet(address.address, destination, address.mask) &&
                    (!best || prefix > best->prefixLength)) {
                    best = BestRoute{adapter.index, prefix};
                }
            }
        }
        if (!best && m_defaultRoute) {
            best = BestRoute{*m_defaultRoute, 0, 0, m_defaultGateway};
        }
        return best;
    }

    std::optional<std::vector<AdapterInfo>> GetAdapters() override {
        std::lock_guard lock(m_mutex);
        return m_adapters;
    }

    std::optional<HostAddressContext> AddTempAddress(uint32_t interfaceIndex, Ipv4 device,
                                                     int prefixLength, Ipv4 candidate) override {
        std::lock_guard lock(m_mutex);
        const std::string event = "add " + FormatIpv4Ascii(candidate) + " dev " +
                                  std::to_string(interfaceIndex) + " for " +
                                  FormatIpv4Ascii(device) + "/" + std::to_string(prefixLength);
        AdapterInfo* adapter = Find(interfaceIndex);
        if (RefusedAsFull()) {
            m_log.Record(event + " refused");
            return std::nullopt;
        }
        if (!adapter || HeldLocally(candidate) || m_waitsCancelled ||
            StationHolds(interfaceIndex, candidate)) {
            m_log.Record(event + " refused");
            return std::nullopt;
        }
        // The helper's plan for the route, from the main table alone (no policy rules).
        TempRouteFacts facts;
        facts.interfaceIndex = interfaceIndex;
        facts.interfaceName = adapter->name;
        facts.deviceRoute.ok = true;
        if (const std::optional<BestRoute> before = RouteTo(device)) {
            facts.deviceRoute.route = KernelRoute{254, before->prefixLength, before->interfaceIndex,
                                                  before->gateway, true};
            facts.routeInterfaceName = "dev " + std::to_string(before->interfaceIndex);
        }
        facts.onlyKernelPolicyRules = true;
        for (const AdapterAddress& address : adapter->addresses) {
            if (!IsTempAddressLabel(address.label) &&
                SameSubnet(address.address, device, PrefixToMask(prefixLength))) {
                facts.ownAddressInDeviceSubnet = address.address;
            }
        }
        const TempRoutePlan plan = PlanTempRoute(device, prefixLength, facts);
        if (!plan.refusal.empty()) {
            m_log.Record(event + " refused");
            return std::nullopt;
        }
        m_log.Record(event);
        const bool subnet = plan.scope == TempRouteScope::kDeviceSubnet;
        adapter->addresses.push_back(
            {candidate, PrefixToMask(32), TempAddressLabel(adapter->name), true, kSelf});
        m_routes.push_back({subnet ? device & PrefixToMask(prefixLength) : device,
                            subnet ? prefixLength : 32, interfaceIndex, candidate});
        CountTempAddresses();
        return HostAddressContext{interfaceIndex, candidate, 32};
    }

    bool RenewTempAddress(const HostAddressContext& context) override {
        std::lock_guard lock(m_mutex);
        ++m_renewals;
        m_log.Record("renew " + FormatIpv4Ascii(context.address));
        return true;
    }

    bool DeleteTempAddress(const HostAddressContext& context) override {
        std::lock_guard lock(m_mutex);
        const std::string event = "delete " + FormatIpv4Ascii(context.address) + "/" +
                                  std::to_string(context.prefixLength) + " dev " +
                                  std::to_string(context.interfaceIndex);
        AdapterInfo* adapter = Find(context.interfaceIndex);
        const auto removable = [&](const AdapterAddress& a) {
            return a.address == context.address && a.mask == PrefixToMask(context.prefixLength) &&
                   IsTempAddressLabel(a.label) &&
                   (a.owner == kSelf || liveOwners.count(a.owner) == 0);
        };
        if (!adapter || std::erase_if(adapter->addresses, removable) == 0) {
            m_log.Record(event + " refused");
            return false;
        }
        std::erase_if(m_routes,
                      [&](const Route& route) { return route.source == context.address; });
        m_log.Record(event);
        return true;
    }

    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                uint32_t interfaceIndex) override {
        std::lock_guard lock(m_mutex);
        m_log.Record("arp " + FormatIpv4Ascii(target) + " from " + FormatIpv4Ascii(source) +
                     " dev " + std::to_string(interfaceIndex) +
                     (m_waitsCancelled ? " cancelled" : ""));
        if (m_waitsCancelled || RefusedAsFull()) {
            return std::nullopt;
        }
        const auto lan = m_stations.find(interfaceIndex);
        if (lan != m_stations.end()) {
            const auto station = lan->second.find(target);
            if (station != lan->second.end()) {
                return station->second;
            }
        }
        const AdapterInfo* adapter = Find(interfaceIndex);
        if (adapter) {
            for (const AdapterAddress& address : adapter->addresses) {
                if (address.address == target) {
                    return adapter->hardwareAddress;
                }
            }
        }
        return std::nullopt;
    }

    bool AcceptsWebConnection(Ipv4 device, Ipv4 source) override {
        std::lock_guard lock(m_mutex);
        m_log.Record("connect " + FormatIpv4Ascii(device) + " from " + FormatIpv4Ascii(source) +
                     (m_waitsCancelled ? " cancelled" : ""));
        return !m_waitsCancelled && m_accepting.count(device) > 0;
    }

    void SetWaitsCancelled(bool cancelled) override {
        std::lock_guard lock(m_mutex);
        m_waitsCancelled = cancelled;
    }
    bool WaitsCancelled() const {
        std::lock_guard lock(m_mutex);
        return m_waitsCancelled;
    }

    bool FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) override {
        std::lock_guard lock(m_mutex);
        m_log.Record("flush " + FormatIpv4Ascii(neighbour) + " dev " +
                     std::to_string(interfaceIndex));
        return !RefusedAsFull();
    }

    std::string ConnectionName(const std::string& adapterName) override {
        const auto alias = aliases.find(adapterName);
        return alias != aliases.end() ? alias->second : adapterName;
    }

    NetworkRights Rights() override { return rights; }
    uint64_t HostFullRefusals() const override {
        std::lock_guard lock(m_mutex);
        return m_hostFullRefusals;
    }

private:
    bool RefusedAsFull() {
        m_hostFullRefusals += hostFull ? 1 : 0;
        return hostFull;
    }
    AdapterInfo* Find(uint32_t index) {
        for (AdapterInfo& adapter : m_adapters) {
            if (adapter.index == index) {
                return &adapter;
            }
        }
        return nullptr;
    }
    bool StationHolds(uint32_t adapterIndex, Ipv4 address) const {
        const auto lan = m_stations.find(adapterIndex);
        return lan != m_stations.end() && lan->second.count(address) > 0;
    }
    bool HeldLocally(Ipv4 address) const {
        for (const AdapterInfo& adapter : m_adapters) {
            for (const AdapterAddress& a : adapter.addresses) {
                if (a.address == address) {
                    return true;
                }
            }
        }
        return false;
    }
    void CountTempAddresses() {
        size_t count = 0;
        for (const AdapterInfo& adapter : m_adapters) {
            for (const AdapterAddress& a : adapter.addresses) {
                count += a.label.ends_with(":tmsl") && a.owner == kSelf ? 1 : 0;
            }
        }
        m_maxTempAddresses = std::max(m_maxTempAddresses, count);
    }

    struct Route {
        Ipv4 destination;
        int prefixLength;
        uint32_t index;
        Ipv4 source;
        Ipv4 gateway = 0;
    };

    EventLog& m_log;
    uint64_t m_hostFullRefusals = 0;
    mutable std::mutex m_mutex;
    std::vector<Route> m_routes;
    std::vector<AdapterInfo> m_adapters;
    std::optional<uint32_t> m_defaultRoute;
    Ipv4 m_defaultGateway = 0;
    std::set<Ipv4> m_accepting;
    std::map<uint32_t, std::map<Ipv4, std::vector<uint8_t>>> m_stations;
    size_t m_routeQueries = 0;
    size_t m_renewals = 0;
    size_t m_maxTempAddresses = 0;
    bool m_waitsCancelled = false;
};
