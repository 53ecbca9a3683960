// The network helper's decisions (netadmin/netadmin_service.h over the rules of
// hostnet/temp_address_guard.h) against a fake kernel, for any sequence of request lines,
// structured requests and things that happen meanwhile: another run adds an address, holds
// an address's name or a place for ARP, or ends, an address expires, routes and policy
// rules change (a VPN, a second LAN, a full tunnel), the kernel fails a read, a route
// lookup, a name or an ARP exchange, a station answers for a candidate, a cancel or a
// resume arrives, time passes. After every step:
//  - this run holds at most one address, a /32 labelled for its interface, added by the
//    rules (a candidate 241-247 of a device on a private subnet, after a probe that went
//    out and found nobody) with one route from it: the device's own, on the device's link
//    when the host reached it on a link, and its subnet only where main's default route
//    through that adapter led there under the kernel's own policy rules;
//  - nothing it added, removed or renewed was the user's, another running program's, or
//    an address whose name another running program holds;
//  - a successful add leaves at most the host's limit of temporary addresses;
//  - no ARP goes out while cancelled, from an address the interface does not hold, without
//    a place, or faster than a place that starts empty allows;
// and once the program is gone, none of its addresses and none of its names remains.
//
// Input: a sequence of steps, each a selector byte and its operands (see Step()).

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "fuzz_check.h"
#include "hostnet/temp_address_guard.h"
#include "hostnet/temp_address_rules.h"
#include "netadmin/netadmin_service.h"
#include "platform/linux/netadmin_protocol.h"
#include "support/fakes/fake_answer_watch.h"
#include "support/fakes/fake_kernel_network.h"
#include "support/fakes/fake_tick_clock.h"

namespace {

constexpr uint32_t kFirstOther = 200;

// Reads operands from the input; zero once it has run out.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool More() const { return m_at < m_size; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // A line of up to 160 bytes, ended by a newline byte or the input.
    std::string Line() {
        std::string line;
        while (m_at < m_size && line.size() < 160) {
            const char c = static_cast<char>(m_data[m_at++]);
            if (c == '\n') {
                break;
            }
            line.push_back(c);
        }
        return line;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Devices worth meeting: private ones of every network, and the rules' refusals.
constexpr const char* kDevices[] = {
    "192.168.1.200", "192.168.1.241", "10.0.0.9",      "10.1.2.3",    "172.16.5.200",
    "8.8.8.8",       "100.64.1.200",  "169.254.1.200", "192.168.1.0", "224.0.1.200"};
constexpr int kPrefixes[] = {24, 16, 8, 12, 25, 28, 29, 30, 31, 32, 0, 23};

Ipv4 Address(const char* dotted) {
    return FakeKernelNetwork::Ip(dotted);
}

class Scenario {
public:
    Scenario() { kernel.stations[2][Address("192.168.1.200")] = FakeKernelNetwork::Mac(0xD0); }

    void Step(Reader& in) {
        const uint8_t selector = in.Byte();
        switch (selector % 15) {
            case 0:
                Request(in.Line());
                break;
            case 1: {  // add, well-formed
                const char* device = kDevices[in.Byte() % std::size(kDevices)];
                const int prefix = kPrefixes[in.Byte() % std::size(kPrefixes)];
                const Ipv4 candidate = (Address(device) & 0xFFFFFF00u) | (238 + in.Byte() % 12);
                Request("add " + Link(in) + " " + device + "/" + std::to_string(prefix) + " " +
                        FormatIpv4Ascii(candidate));
                break;
            }
            case 2:
                Request("renew " + Link(in) + " " + FormatIpv4Ascii(Known(in)));
                break;
            case 3:
                Request("delete " + Link(in) + " " + FormatIpv4Ascii(Known(in)));
                break;
            case 4: {
                const Ipv4 source = in.Byte() % 2 ? Known(in) : 0;
                Request("arp " + Link(in) + " " + FormatIpv4Ascii(Known(in)) + " " +
                        FormatIpv4Ascii(source));
                break;
            }
            case 5:
                Request("flush " + Link(in) + " " + FormatIpv4Ascii(Known(in)));
                break;
            case 6: {  // another run adds an address, alive or already ended
                const uint32_t link = 2 + in.Byte() % 2;
                const Ipv4 address =
                    (Address("192.168.0.0") + (in.Byte() % 8) * 256) | (241 + in.Byte() % 7);
                const uint32_t owner = kFirstOther + in.Byte() % 8;
                const bool alive = in.Byte() % 2;
                // The kernel holds one address of a prefix per interface.
                if (!HasAddress(link, address)) {
                    kernel.AddOtherRunsAddress(link, address, 32, owner, alive);
                }
                break;
            }
            case 7: {  // an address expires, or a run ends
                const uint8_t which = in.Byte();
                if (which % 2 && !kernel.addresses.empty()) {
                    kernel.addresses.erase(kernel.addresses.begin() +
                                           which / 2 % kernel.addresses.size());
                } else {
                    kernel.liveOwners.erase(kFirstOther + which / 2 % 8);
                }
                break;
            }
            case 8:
                kernel.failedReads = in.Byte() % 8;
                kernel.failedRouteLookups = in.Byte() % 2;
                break;
            case 9:  // a station answers for a candidate; a VPN's gateway serves a subnet
                kernel.stations[2][Known(in)] = FakeKernelNetwork::Mac(0xEE);
                if (in.Byte() % 2) {
                    kernel.routes.push_back(
                        {Address("192.168.0.0"), 16, 0, 3, Address("172.20.0.1")});
                }
                break;
            case 10:
                if (in.Byte() % 2) {
                    service.Cancel();
                } else {
                    Request("resume");
                }
                break;
            case 11:
                clock.Advance(in.Byte() * 50u);
                break;
            case 12: {  // another run holds an address's name, or a place for ARP
                const uint8_t which = in.Byte();
                const uint32_t owner = kFirstOther + in.Byte() % 8;
                kernel.liveOwners.insert(owner);
                const std::string name =
                    which % 2 ? ArpPlaceName(which / 2 % kArpPlaces) : TempAddressName(Known(in));
                if (kernel.names.count(name) == 0) {
                    kernel.names[name] = owner;
                }
                break;
            }
            case 13:  // the routing changes
                switch (in.Byte() % 5) {
                    case 0:  // a second LAN, or a wider subnet on eth0
                        kernel.AddUserAddress(3, Address("10.77.0.5"), 24);
                        break;
                    case 1:
                        kernel.AddUserAddress(2, Address("192.168.0.5"), 16);
                        break;
                    case 2:
                        kernel.AddFullTunnel(3);
                        break;
                    case 3:
                        std::erase_if(kernel.routes,
                                      [](const auto& r) { return r.prefixLength == 0; });
                        break;
                    case 4:
                        kernel.routes.push_back({0, 0, 0, 3, Address("10.0.0.1")});
                        break;
                }
                break;
            case 14: {  // the kernel fails an ARP exchange, a name or the policy rules
                const uint8_t what = in.Byte();
                kernel.arpError = what % 2 ? EMFILE : 0;
                kernel.failNames = what / 2 % 2;
                kernel.failedRuleReads = what / 4 % 2;
                break;
            }
        }
    }

    // The program is gone.
    void End() {
        kernel.failedReads = 0;
        service.Finish();
        for (const KernelAddress& entry : kernel.addresses) {
            FUZZ_CHECK(entry.owner != FakeKernelNetwork::kSelf);
        }
        FUZZ_CHECK(kernel.NamesHeld() == 0);
    }

private:
    std::string Link(Reader& in) { return std::to_string(1 + in.Byte() % 4); }

    bool HasAddress(uint32_t link, Ipv4 address) const {
        for (const KernelAddress& entry : kernel.addresses) {
            if (entry.interfaceIndex == link && entry.address == address &&
                entry.prefixLength == 32) {
                return true;
            }
        }
        return false;
    }

    // An address the host, its runs or the LAN knows, or any other.
    Ipv4 Known(Reader& in) {
        const uint8_t pick = in.Byte();
        if (pick < 128 && !kernel.addresses.empty()) {
            return kernel.addresses[pick % kernel.addresses.size()].address;
        }
        if (pick < 192) {
            return Address(kDevices[pick % std::size(kDevices)]);
        }
        return Address("192.168.1.241") + pick % 8;
    }

    void Request(const std::string& line) {
        const FakeKernelNetwork before = kernel;
        const size_t logged = kernel.log.size();
        const bool cancelled = guard.Cancelled();
        const std::string answer = service.Handle(line);

        FUZZ_CHECK(answer.find('\n') == std::string::npos);
        // A count is all that a watch ever answers with.
        if (line == "count" && answer.starts_with("ok")) {
            const NetAdminAnswer parsed = ParseAnswer(answer);
            FUZZ_CHECK(parsed.count.has_value() && *parsed.count <= kMaxWatchedSenders);
        }
        CheckRemoved(before);
        CheckAdded(before);
        for (const auto& [address, lifetime] : kernel.lifetimes) {
            const auto old = before.lifetimes.find(address);
            if (old == before.lifetimes.end() || old->second != lifetime) {
                FUZZ_CHECK(IsOurs(address));
            }
        }
        for (const KernelAddress& entry : kernel.addresses) {
            for (const KernelAddress& was : before.addresses) {
                if (Same(was, entry) && was.owner != entry.owner) {
                    FUZZ_CHECK(entry.owner == FakeKernelNetwork::kSelf &&
                               !HeldByOther(before, entry.address));
                }
            }
        }
        size_t ours = 0;
        for (const KernelAddress& entry : kernel.addresses) {
            ours += entry.owner == FakeKernelNetwork::kSelf ? 1 : 0;
        }
        FUZZ_CHECK(ours <= 1);
        if (answer.starts_with("ok ") && line.starts_with("add ")) {
            size_t temporary = 0;
            for (const KernelAddress& entry : kernel.addresses) {
                temporary += entry.label == TempAddressLabel(entry.interfaceName) ? 1 : 0;
            }
            FUZZ_CHECK(temporary <= kMaxTempAddressesOnHost);
        }
        for (size_t i = logged; i < kernel.log.size(); ++i) {
            CheckLogged(kernel.log[i], before, cancelled, line);
        }
    }

    static bool Same(const KernelAddress& a, const KernelAddress& b) {
        return a.interfaceIndex == b.interfaceIndex && a.address == b.address &&
               a.prefixLength == b.prefixLength;
    }

    // Whether another process that runs holds the name of `address`.
    static bool HeldByOther(const FakeKernelNetwork& host, Ipv4 address) {
        const auto it = host.names.find(TempAddressName(address));
        return it != host.names.end() && it->second != FakeKernelNetwork::kSelf &&
               host.liveOwners.count(it->second) > 0;
    }

    bool IsOurs(Ipv4 address) const {
        for (const KernelAddress& entry : kernel.addresses) {
            if (entry.address == address && entry.owner == FakeKernelNetwork::kSelf) {
                return true;
            }
        }
        return false;
    }

    // Only this run's addresses, and ours-labelled ones whose owner has ended and whose
    // name nobody holds, may go.
    void CheckRemoved(const FakeKernelNetwork& before) {
        for (const KernelAddress& old : before.addresses) {
            bool kept = false;
            for (const KernelAddress& entry : kernel.addresses) {
                kept = kept || Same(entry, old);
            }
            if (kept) {
                continue;
            }
            const bool labelled = old.label == TempAddressLabel(old.interfaceName);
            const bool ended = old.owner == 0 || kernel.liveOwners.count(old.owner) == 0;
            FUZZ_CHECK(old.owner == FakeKernelNetwork::kSelf ||
                       (labelled && ended && !HeldByOther(before, old.address)));
        }
    }

    // What this run added obeys the rules.
    void CheckAdded(const FakeKernelNetwork& before) {
        for (const KernelAddress& entry : kernel.addresses) {
            bool old = false;
            for (const KernelAddress& was : before.addresses) {
                old = old || Same(was, entry);
            }
            if (old) {
                continue;
            }
            // Nobody else held its name, and a probe went out first and found nobody.
            FUZZ_CHECK(!HeldByOther(before, entry.address));
            FUZZ_CHECK(before.arpError == 0);
            FUZZ_CHECK(entry.owner == FakeKernelNetwork::kSelf);
            FUZZ_CHECK(entry.prefixLength == 32);
            FUZZ_CHECK(entry.label == TempAddressLabel(entry.interfaceName));
            FUZZ_CHECK(kernel.links.at(entry.interfaceIndex).ethernet);
            FUZZ_CHECK(PrivateNetworkPrefix(entry.address).has_value());
            const Ipv4 octet = entry.address & 0xFF;
            FUZZ_CHECK(octet >= kFirstTempOctet && octet <= kLastTempOctet);
            FUZZ_CHECK(kernel.lifetimes.at(entry.address) <= kMaxTempLifetimeSeconds);
            // No other address of the host is the same, this run's or anybody's.
            size_t same = 0;
            for (const KernelAddress& other : kernel.addresses) {
                same += other.address == entry.address ? 1 : 0;
            }
            FUZZ_CHECK(same == 1);
        }
    }

    void CheckLogged(const std::string& event, const FakeKernelNetwork& before,
                     bool cancelledBefore, const std::string& line) {
        const TempAddressGuardOptions limits;
        if (event.starts_with("route ")) {
            // "route D/P dev N src S metric M": from this run's address, to a private
            // device, or a private subnet of at most 256 addresses.
            const size_t slash = event.find('/');
            const Ipv4 destination = Address(event.substr(6, slash - 6).c_str());
            const int prefix = std::stoi(event.substr(slash + 1));
            FUZZ_CHECK(PrivateNetworkPrefix(destination).has_value());
            FUZZ_CHECK(prefix == 32 || prefix >= kWidestOnLinkSubnetPrefix);
            const size_t src = event.find(" src ") + 5;
            const Ipv4 source = Address(event.substr(src, event.find(' ', src) - src).c_str());
            FUZZ_CHECK(SameSubnet(source, destination, PrefixToMask(std::min(prefix, 24))));
            CheckRouteScope(event, before, line, prefix);
        }
        if (event.starts_with("arp ") || event.starts_with("forget ")) {
            // Only with a place of this run's: none while others held them all.
            size_t othersPlaces = 0;
            bool ownPlace = false;
            for (size_t place = 0; place < kArpPlaces; ++place) {
                const auto it = before.names.find(ArpPlaceName(place));
                const bool held = it != before.names.end();
                ownPlace = ownPlace || (held && it->second == FakeKernelNetwork::kSelf);
                othersPlaces += held && it->second != FakeKernelNetwork::kSelf &&
                                before.liveOwners.count(it->second) > 0;
            }
            FUZZ_CHECK(othersPlaces < kArpPlaces || ownPlace);
        }
        if (event.starts_with("forget ")) {
            ++m_flushes;
            FUZZ_CHECK(m_flushes <=
                       (clock.GetTickCount() - m_start) / limits.neighbourFlushes.periodMs);
        }
        if (event.starts_with("arp ")) {
            FUZZ_CHECK(!cancelledBefore);
            FUZZ_CHECK(event.find(" cancelled") == std::string::npos);
            ++m_arps;
            // The rate limit of a place that started empty: one per period of time that
            // passed since, at most.
            FUZZ_CHECK(m_arps <= (clock.GetTickCount() - m_start) / limits.arp.periodMs);
            const size_t from = event.find(" from ");
            const size_t dev = event.find(" dev ");
            const Ipv4 source = Address(event.substr(from + 6, dev - from - 6).c_str());
            const uint32_t link = static_cast<uint32_t>(std::stoul(event.substr(dev + 5)));
            // A request asks for a host of the interface's subnets (or the device); only a
            // probe may ask beyond them, and then for a private address alone.
            const Ipv4 target = Address(event.substr(4, event.find(' ', 4) - 4).c_str());
            bool onLink = false;
            for (const KernelAddress& entry : before.addresses) {
                onLink =
                    onLink || (entry.interfaceIndex == link &&
                               SameSubnet(entry.address, target, PrefixToMask(entry.prefixLength)));
            }
            FUZZ_CHECK(onLink || PrivateNetworkPrefix(target).has_value());
            if (source != 0) {
                bool holds = false;
                for (const KernelAddress& entry : before.addresses) {
                    holds = holds || (entry.interfaceIndex == link && entry.address == source);
                }
                FUZZ_CHECK(holds);
            }
        }
    }

    // A device on another LAN of the host, and the host's own gateway, reached on a link:
    // only /32 routes on that link, and never where the adapter has an address in the
    // device's subnet. The subnet only where main's default route through that adapter led,
    // under the kernel's own rules.
    void CheckRouteScope(const std::string& event, const FakeKernelNetwork& before,
                         const std::string& line, int prefix) {
        const size_t dev = event.find(" dev ") + 5;
        const uint32_t link = static_cast<uint32_t>(std::stoul(event.substr(dev)));
        const std::variant<NetAdminRequest, std::string> parsed = ParseRequest(line);
        FUZZ_CHECK(std::holds_alternative<NetAdminRequest>(parsed));
        const NetAdminRequest& request = std::get<NetAdminRequest>(parsed);
        FakeKernelNetwork lookup = before;
        lookup.failedRouteLookups = false;
        const KernelRouteLookup found = lookup.RouteTo(request.device);
        if (before.failedRouteLookups || !found.route) {
            FUZZ_CHECK(prefix == 32);
            return;
        }
        const KernelRoute& route = *found.route;
        if (route.gateway == 0 && route.prefixLength > 0) {
            FUZZ_CHECK(prefix == 32 && route.interfaceIndex == link);
            for (const KernelAddress& entry : before.addresses) {
                FUZZ_CHECK(
                    entry.interfaceIndex != link ||
                    entry.label == TempAddressLabel(entry.interfaceName) ||
                    !SameSubnet(entry.address, request.device, PrefixToMask(request.prefixLength)));
            }
        }
        if (prefix != 32) {
            FUZZ_CHECK(route.table == FakeKernelNetwork::kMainTable && route.prefixLength == 0 &&
                       route.interfaceIndex == link && lookup.OnlyKernelPolicyRules() == true);
        }
    }

    FakeKernelNetwork kernel;
    FakeTickClock clock;
    AdvancingSleeper sleeper{clock};
    TempAddressGuard guard{kernel, clock, sleeper};
    // The watch of answers to a search: a fake that counts what the scenario tells it.
    std::shared_ptr<FakeAnswerWatchState> m_watch = std::make_shared<FakeAnswerWatchState>();
    NetAdminService service{
        guard, [this](std::chrono::seconds limit) {
            FUZZ_CHECK(limit.count() >= 1 && limit.count() <= kNetAdminMaxWatchSeconds);
            m_watch->arrived = m_start % (kMaxWatchedSenders + 1);
            return std::make_unique<FakeAnswerWatch>(m_watch);
        }};
    const uint32_t m_start = clock.GetTickCount();
    uint32_t m_arps = 0;
    uint32_t m_flushes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    Scenario scenario;
    for (int steps = 0; in.More() && steps < 200; ++steps) {
        scenario.Step(in);
    }
    scenario.End();
    return 0;
}
