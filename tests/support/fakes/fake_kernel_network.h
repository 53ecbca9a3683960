#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hostnet/temp_address_rules.h"
#include "platform/kernel_network.h"

// A kernel for the rules of temporary addresses: links, every address of the host with its
// label and owner, the routes in their tables and the policy rules that choose a table (a
// route goes when its source address goes, as in the kernel), stations on each link's LAN
// that answer ARP, processes that run and the names they hold (a name of a process that
// no longer runs is free). Every change and every packet is logged, e.g. "add
// 192.168.1.241/24 dev 2 eth0:tmsl 120 owner 100", "route 192.168.1.0/24 dev 2 src
// 192.168.1.241 metric 100", "delete 192.168.1.241/24 dev 2 eth0:tmsl", "arp 192.168.1.241
// from 0.0.0.0 dev 2", "forget 192.168.1.200 dev 2". Reads can be made to fail.
//
// To begin with: lo (1), eth0 (2) with 10.0.0.5/8 and the default route via 10.0.0.1,
// wlan0 (3) without an address; the kernel's own policy rules.
class FakeKernelNetwork : public IKernelNetwork {
public:
    static constexpr uint32_t kSelf = 100;
    static constexpr uint32_t kMainTable = 254;
    static constexpr uint32_t kDefaultTable = 253;

    struct Route {
        Ipv4 destination = 0;
        int prefixLength = 0;
        Ipv4 source = 0;  // 0: not tied to an address
        uint32_t interfaceIndex = 0;
        Ipv4 gateway = 0;
        uint32_t table = kMainTable;
    };
    // Looks up `table`, skipping routes of `suppressPrefixLength` bits or fewer.
    struct Rule {
        uint32_t table = kMainTable;
        int suppressPrefixLength = -1;
    };

    FakeKernelNetwork() {
        links[1] = {1, "lo", false};
        links[2] = {2, "eth0", true};
        links[3] = {3, "wlan0", true};
        AddUserAddress(2, 0x0A000005, 8);  // 10.0.0.5/8
        routes.push_back({0, 0, 0, 2, 0x0A000001});
    }

    static Ipv4 Ip(const char* dotted) { return *ParseIpv4(std::string(dotted)); }
    static std::vector<uint8_t> Mac(uint8_t last) { return {0x02, 0, 0, 0, 0, last}; }

    // An address of the user's own: no temporary label, no owner; with its subnet route.
    void AddUserAddress(uint32_t link, Ipv4 address, int prefixLength,
                        const std::string& label = "") {
        addresses.push_back({link, links[link].name, address, prefixLength,
                             label.empty() ? links[link].name : label, 0});
        routes.push_back({address & PrefixToMask(prefixLength), prefixLength, 0, link});
    }
    // Another run's temporary address (alive or not). A run that is alive holds the
    // address's name.
    void AddOtherRunsAddress(uint32_t link, Ipv4 address, int prefixLength, uint32_t owner,
                             bool alive) {
        addresses.push_back({link, links[link].name, address, prefixLength,
                             TempAddressLabel(links[link].name), owner});
        if (alive) {
            liveOwners.insert(owner);
            names[TempAddressName(address)] = owner;
        }
    }
    // wg-quick's full tunnel: every packet without its mark looks up table 51820 (a
    // default route through `tunnel`), except where main has a route more specific than
    // its default.
    void AddFullTunnel(uint32_t tunnel) {
        routes.push_back({0, 0, 0, tunnel, 0, 51820});
        rules = {{kMainTable, 0}, {51820, -1}, {kMainTable, -1}, {kDefaultTable, -1}};
    }
    std::optional<KernelAddress> AddressAt(Ipv4 address) const {
        for (const KernelAddress& entry : addresses) {
            if (entry.address == address) {
                return entry;
            }
        }
        return std::nullopt;
    }
    size_t Count(const std::string& prefix) const {
        return static_cast<size_t>(std::count_if(
            log.begin(), log.end(), [&](const auto& line) { return line.starts_with(prefix); }));
    }
    // The names this process holds.
    size_t NamesHeld() const {
        return static_cast<size_t>(std::count_if(
            names.begin(), names.end(), [](const auto& name) { return name.second == kSelf; }));
    }

    std::optional<KernelLink> FindLink(uint32_t interfaceIndex) override {
        const auto it = links.find(interfaceIndex);
        return it == links.end() ? std::nullopt : std::optional<KernelLink>(it->second);
    }
    std::optional<std::vector<KernelAddress>> Addresses() override {
        if (failedReads > 0) {
            --failedReads;
            return std::nullopt;
        }
        return addresses;
    }
    KernelRouteLookup RouteTo(Ipv4 destination) override {
        if (failedRouteLookups) {
            return {};
        }
        for (const Rule& rule : rules) {
            const Route* best = nullptr;
            for (const Route& route : routes) {
                if (route.table == rule.table && route.prefixLength > rule.suppressPrefixLength &&
                    SameSubnet(route.destination, destination, PrefixToMask(route.prefixLength)) &&
                    (best == nullptr || route.prefixLength > best->prefixLength)) {
                    best = &route;
                }
            }
            if (best != nullptr) {
                return {true, KernelRoute{best->table, best->prefixLength, best->interfaceIndex,
                                          best->gateway, true}};
            }
        }
        return {true, std::nullopt};
    }
    std::optional<bool> OnlyKernelPolicyRules() override {
        if (failedRuleReads) {
            return std::nullopt;
        }
        return rules.size() == 2 && rules[0].table == kMainTable &&
               rules[1].table == kDefaultTable && rules[0].suppressPrefixLength < 0 &&
               rules[1].suppressPrefixLength < 0;
    }
    bool AddAddress(const TempAddressSettings& settings) override {
        log.push_back("add " + Cidr(settings.context) + " " + settings.label + " " +
                      std::to_string(settings.lifetimeSeconds) + " owner " +
                      std::to_string(settings.owner));
        for (const KernelAddress& entry : addresses) {
            if (entry.interfaceIndex == settings.context.interfaceIndex &&
                entry.address == settings.context.address) {
                return false;
            }
        }
        if (failAdds) {
            return false;
        }
        addresses.push_back({settings.context.interfaceIndex,
                             links[settings.context.interfaceIndex].name, settings.context.address,
                             settings.context.prefixLength, settings.label, settings.owner});
        lifetimes[settings.context.address] = settings.lifetimeSeconds;
        return true;
    }
    bool RenewAddress(const TempAddressSettings& settings) override {
        log.push_back("renew " + Cidr(settings.context) + " " + settings.label + " " +
                      std::to_string(settings.lifetimeSeconds) + " owner " +
                      std::to_string(settings.owner));
        for (KernelAddress& entry : addresses) {
            // As the kernel's replace: the owner and the lifetime change, the label stays.
            if (entry.interfaceIndex == settings.context.interfaceIndex &&
                entry.address == settings.context.address &&
                entry.prefixLength == settings.context.prefixLength) {
                entry.owner = settings.owner;
                lifetimes[settings.context.address] = settings.lifetimeSeconds;
                return true;
            }
        }
        return false;
    }
    bool DeleteAddress(const HostAddressContext& context, const std::string& label) override {
        log.push_back("delete " + Cidr(context) + " " + label);
        // The kernel skips an address whose label differs.
        const size_t removed = std::erase_if(addresses, [&](const KernelAddress& entry) {
            return entry.interfaceIndex == context.interfaceIndex &&
                   entry.address == context.address && entry.prefixLength == context.prefixLength &&
                   entry.label == label;
        });
        if (removed > 0) {
            std::erase_if(routes,
                          [&](const Route& route) { return route.source == context.address; });
        }
        return removed > 0;
    }
    bool AddRoute(const LinkRoute& route) override {
        log.push_back("route " + FormatIpv4Ascii(route.destination) + "/" +
                      std::to_string(route.prefixLength) + " dev " +
                      std::to_string(route.interfaceIndex) + " src " +
                      FormatIpv4Ascii(route.source) + " metric " + std::to_string(route.metric));
        if (failRoutes) {
            return false;
        }
        routes.push_back(
            {route.destination, route.prefixLength, route.source, route.interfaceIndex});
        return true;
    }
    bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) override {
        log.push_back("forget " + FormatIpv4Ascii(neighbour) + " dev " +
                      std::to_string(interfaceIndex));
        return true;
    }
    ArpExchange SendArp(Ipv4 target, Ipv4 source, uint32_t interfaceIndex) override {
        if (onArp) {
            onArp();
        }
        if (arpError != 0) {
            return ArpExchange::Failed(arpError);
        }
        log.push_back("arp " + FormatIpv4Ascii(target) + " from " + FormatIpv4Ascii(source) +
                      " dev " + std::to_string(interfaceIndex) +
                      (waitsCancelled ? " cancelled" : ""));
        if (waitsCancelled) {
            return ArpExchange::Unanswered();
        }
        const auto lan = stations.find(interfaceIndex);
        if (lan != stations.end() && lan->second.count(target) > 0) {
            return ArpExchange::Answered(lan->second.at(target));
        }
        return ArpExchange::Unanswered();
    }
    void SetWaitsCancelled(bool cancelled) override { waitsCancelled = cancelled; }
    NameHold HoldName(const std::string& name) override {
        if (failNames) {
            return NameHold::kFailed;
        }
        const auto it = names.find(name);
        if (it != names.end() && OwnerAlive(it->second)) {
            return NameHold::kTaken;
        }
        names[name] = kSelf;
        return NameHold::kHeld;
    }
    void ReleaseName(const std::string& name) override {
        const auto it = names.find(name);
        if (it != names.end() && it->second == kSelf) {
            names.erase(it);
        }
    }
    uint32_t OwnerTag() override { return kSelf; }
    bool OwnerAlive(uint32_t owner) override {
        return owner == kSelf || liveOwners.count(owner) > 0;
    }

    static std::string Cidr(const HostAddressContext& context) {
        return FormatIpv4Ascii(context.address) + "/" + std::to_string(context.prefixLength) +
               " dev " + std::to_string(context.interfaceIndex);
    }

    std::map<uint32_t, KernelLink> links;
    std::vector<KernelAddress> addresses;
    std::vector<Route> routes;
    // The kernel's own (the local table aside).
    std::vector<Rule> rules = {{kMainTable, -1}, {kDefaultTable, -1}};
    std::map<Ipv4, uint32_t> lifetimes;
    std::map<uint32_t, std::map<Ipv4, std::vector<uint8_t>>> stations;
    std::set<uint32_t> liveOwners;
    // Name -> the process that holds it.
    std::map<std::string, uint32_t> names;
    // The next this many Addresses() calls fail.
    int failedReads = 0;
    bool failedRouteLookups = false;
    bool failedRuleReads = false;
    bool failAdds = false;
    bool failRoutes = false;
    bool failNames = false;
    // Non-zero: every ARP exchange fails with this errno, sending nothing.
    int arpError = 0;
    bool waitsCancelled = false;
    // Runs as each ARP request starts (a signal arriving, a station appearing).
    std::function<void()> onArp;
    std::vector<std::string> log;
};
