// The network helper's decisions (netadmin/netadmin_service.h over the rules of
// hostnet/temp_address_guard.h) against a fake kernel, for any sequence of request lines,
// structured requests and things that happen meanwhile: another run adds an address or
// ends, an address expires, the kernel fails a read or a route lookup, a station answers
// for a candidate, a cancel or a resume arrives, time passes. After every step:
//  - this run holds at most one address, a /32 labelled for its interface, added by the
//    rules (a candidate 241-247 of a device on a private subnet) with one route from it;
//  - nothing it removed or renewed was the user's or another running program's;
//  - a successful add leaves at most the host's limit of temporary addresses;
//  - no ARP goes out while cancelled, from an address the interface does not hold, or
//    faster than the rate limit allows;
// and once the program is gone, none of its addresses remains.
//
// Input: a sequence of steps, each a selector byte and its operands (see Step()).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_answer_watch.h"
#include "fakes/fake_kernel_network.h"
#include "fakes/fake_tick_clock.h"
#include "fuzz_check.h"
#include "hostnet/temp_address_guard.h"
#include "hostnet/temp_address_rules.h"
#include "netadmin/netadmin_service.h"
#include "platform/linux/netadmin_protocol.h"

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
        switch (selector % 12) {
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
            case 9:  // a station answers for a candidate; a route serves a subnet
                kernel.stations[2][Known(in)] = FakeKernelNetwork::Mac(0xEE);
                if (in.Byte() % 2) {
                    kernel.routes.push_back({Address("192.168.0.0"), 16, 0});
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
        }
    }

    // The program is gone.
    void End() {
        kernel.failedReads = 0;
        service.Finish();
        for (const KernelAddress& entry : kernel.addresses) {
            FUZZ_CHECK(entry.owner != FakeKernelNetwork::kSelf);
        }
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
        const std::vector<KernelAddress> before = kernel.addresses;
        const std::map<Ipv4, uint32_t> lifetimesBefore = kernel.lifetimes;
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
            const auto old = lifetimesBefore.find(address);
            if (old == lifetimesBefore.end() || old->second != lifetime) {
                FUZZ_CHECK(IsOurs(address));
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
            CheckLogged(kernel.log[i], before, cancelled);
        }
    }

    bool IsOurs(Ipv4 address) const {
        for (const KernelAddress& entry : kernel.addresses) {
            if (entry.address == address && entry.owner == FakeKernelNetwork::kSelf) {
                return true;
            }
        }
        return false;
    }

    // Only this run's addresses, and ours-labelled ones whose owner has ended, may go.
    void CheckRemoved(const std::vector<KernelAddress>& before) {
        for (const KernelAddress& old : before) {
            bool kept = false;
            for (const KernelAddress& entry : kernel.addresses) {
                kept = kept ||
                       (entry.interfaceIndex == old.interfaceIndex &&
                        entry.address == old.address && entry.prefixLength == old.prefixLength);
            }
            if (kept) {
                continue;
            }
            const bool labelled = old.label == TempAddressLabel(old.interfaceName);
            const bool ended = old.owner == 0 || kernel.liveOwners.count(old.owner) == 0;
            FUZZ_CHECK(old.owner == FakeKernelNetwork::kSelf || (labelled && ended));
        }
    }

    // What this run added obeys the rules.
    void CheckAdded(const std::vector<KernelAddress>& before) {
        for (const KernelAddress& entry : kernel.addresses) {
            bool old = false;
            for (const KernelAddress& was : before) {
                old =
                    old || (was.interfaceIndex == entry.interfaceIndex &&
                            was.address == entry.address && was.prefixLength == entry.prefixLength);
            }
            if (old) {
                continue;
            }
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

    void CheckLogged(const std::string& event, const std::vector<KernelAddress>& before,
                     bool cancelledBefore) {
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
        }
        if (event.starts_with("arp ")) {
            FUZZ_CHECK(!cancelledBefore);
            FUZZ_CHECK(event.find(" cancelled") == std::string::npos);
            ++m_arps;
            // The rate limit: the burst, then one per period of time that passed.
            const TempAddressGuardOptions limits;
            FUZZ_CHECK(m_arps <=
                       limits.arp.burst + (clock.GetTickCount() - m_start) / limits.arp.periodMs);
            const size_t from = event.find(" from ");
            const size_t dev = event.find(" dev ");
            const Ipv4 source = Address(event.substr(from + 6, dev - from - 6).c_str());
            const uint32_t link = static_cast<uint32_t>(std::stoul(event.substr(dev + 5)));
            // A request asks for a host of the interface's subnets (or the device); only a
            // probe may ask beyond them, and then for a private address alone.
            const Ipv4 target = Address(event.substr(4, event.find(' ', 4) - 4).c_str());
            bool onLink = false;
            for (const KernelAddress& entry : before) {
                onLink =
                    onLink || (entry.interfaceIndex == link &&
                               SameSubnet(entry.address, target, PrefixToMask(entry.prefixLength)));
            }
            FUZZ_CHECK(onLink || PrivateNetworkPrefix(target).has_value());
            if (source != 0) {
                bool holds = false;
                for (const KernelAddress& entry : before) {
                    holds = holds || (entry.interfaceIndex == link && entry.address == source);
                }
                FUZZ_CHECK(holds);
            }
        }
    }

    FakeKernelNetwork kernel;
    FakeTickClock clock;
    TempAddressGuard guard{kernel, clock};
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
