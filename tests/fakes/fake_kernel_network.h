#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel_network.h"

// A kernel for the rules of temporary addresses: links, every address of the host with its
// label and owner, the routes (a route goes when its source address goes, as in the
// kernel), stations on each link's LAN that answer ARP, and processes that run. Every
// change and every packet is logged, e.g. "add 192.168.1.241/24 dev 2 eth0:tmsl 120 owner
// 100", "route 192.168.1.0/24 dev 2 src 192.168.1.241 metric 100", "delete
// 192.168.1.241/24 dev 2", "arp 192.168.1.241 from 0.0.0.0 dev 2", "forget 192.168.1.200
// dev 2". Reads can be made to fail.
class FakeKernelNetwork : public IKernelNetwork {
public:
    static constexpr uint32_t kSelf = 100;

    struct Route {
        Ipv4 destination = 0;
        int prefixLength = 0;
        Ipv4 source = 0;  // 0: not tied to an address
    };

    FakeKernelNetwork() {
        links[1] = {1, "lo", false};
        links[2] = {2, "eth0", true};
        links[3] = {3, "wlan0", true};
        AddUserAddress(2, 0x0A000005, 8);  // 10.0.0.5/8
    }

    static Ipv4 Ip(const char* dotted) { return *ParseIpv4(std::string(dotted)); }
    static std::vector<uint8_t> Mac(uint8_t last) { return {0x02, 0, 0, 0, 0, last}; }

    // An address of the user's own: no temporary label, no owner; with its subnet route.
    void AddUserAddress(uint32_t link, Ipv4 address, int prefixLength,
                        const std::string& label = "") {
        addresses.push_back({link, links[link].name, address, prefixLength,
                             label.empty() ? links[link].name : label, 0});
        routes.push_back({address & PrefixToMask(prefixLength), prefixLength, 0});
    }
    // Another run's temporary address (alive or not).
    void AddOtherRunsAddress(uint32_t link, Ipv4 address, int prefixLength, uint32_t owner,
                             bool alive) {
        addresses.push_back({link, links[link].name, address, prefixLength,
                             TempAddressLabel(links[link].name), owner});
        if (alive) {
            liveOwners.insert(owner);
        }
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
    std::optional<int> RoutePrefixTo(Ipv4 destination) override {
        if (failedRouteLookups) {
            return std::nullopt;
        }
        int best = 0;
        for (const Route& route : routes) {
            if (SameSubnet(route.destination, destination, PrefixToMask(route.prefixLength))) {
                best = std::max(best, route.prefixLength);
            }
        }
        return best;
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
                      std::to_string(settings.lifetimeSeconds));
        if (!AddressAt(settings.context.address)) {
            return false;
        }
        lifetimes[settings.context.address] = settings.lifetimeSeconds;
        return true;
    }
    bool DeleteAddress(const HostAddressContext& context) override {
        log.push_back("delete " + Cidr(context));
        const size_t removed = std::erase_if(addresses, [&](const KernelAddress& entry) {
            return entry.interfaceIndex == context.interfaceIndex &&
                   entry.address == context.address && entry.prefixLength == context.prefixLength;
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
        routes.push_back({route.destination, route.prefixLength, route.source});
        return true;
    }
    bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) override {
        log.push_back("forget " + FormatIpv4Ascii(neighbour) + " dev " +
                      std::to_string(interfaceIndex));
        return true;
    }
    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                uint32_t interfaceIndex) override {
        if (onArp) {
            onArp();
        }
        log.push_back("arp " + FormatIpv4Ascii(target) + " from " + FormatIpv4Ascii(source) +
                      " dev " + std::to_string(interfaceIndex) +
                      (waitsCancelled ? " cancelled" : ""));
        if (waitsCancelled) {
            return std::nullopt;
        }
        const auto lan = stations.find(interfaceIndex);
        if (lan != stations.end() && lan->second.count(target) > 0) {
            return lan->second.at(target);
        }
        return std::nullopt;
    }
    void SetWaitsCancelled(bool cancelled) override { waitsCancelled = cancelled; }
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
    std::map<Ipv4, uint32_t> lifetimes;
    std::map<uint32_t, std::map<Ipv4, std::vector<uint8_t>>> stations;
    std::set<uint32_t> liveOwners;
    // The next this many Addresses() calls fail.
    int failedReads = 0;
    bool failedRouteLookups = false;
    bool failAdds = false;
    bool failRoutes = false;
    bool waitsCancelled = false;
    // Runs as each ARP request starts (a signal arriving, a station appearing).
    std::function<void()> onArp;
    std::vector<std::string> log;
};
