#include "discovery/search_scope.h"

#include <gtest/gtest.h>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_host_network.h"

namespace {

AdapterInfo Adapter(const std::string& name, AdapterType type, std::vector<Ipv4> addresses,
                    bool operational = true, const std::string& label = std::string()) {
    AdapterInfo adapter;
    adapter.name = name;
    adapter.type = type;
    adapter.operational = operational;
    for (Ipv4 address : addresses) {
        adapter.addresses.push_back({address, 0xFFFFFF00u, label.empty() ? name : label, false});
    }
    return adapter;
}

constexpr Ipv4 kLoopback = 0x7F000001u;

TEST(SearchScopeTest, NamesTheAdaptersABroadcastLeavesBy) {
    const SearchScope scope = DescribeBroadcastScope({
        Adapter("lo", AdapterType::kOther, {kLoopback}),
        Adapter("eth0", AdapterType::kEthernet, {0xC0A8010Au}),
        Adapter("wlan0", AdapterType::kIeee80211, {0x0A000005u}),
        Adapter("eth1", AdapterType::kEthernet, {}),                    // no address
        Adapter("eth2", AdapterType::kEthernet, {0xC0A80210u}, false),  // no carrier
        Adapter("wg0", AdapterType::kOther, {0x0A080002u}),             // a tunnel
        Adapter("br0", AdapterType::kEthernet, {0xAC1F0001u}),
    });
    EXPECT_EQ(scope.interfaces, (std::vector<std::string>{"eth0", "wlan0", "br0"}));
    EXPECT_TRUE(scope.privateLanAddress);
}

TEST(SearchScopeTest, APrivateLanAddressIsOneOfTheThreeBlocksOnASearchedAdapter) {
    // A public address only; a VPN's private address on a tunnel; our own temporary
    // address: none of them is a LAN of the PC's.
    const SearchScope publicOnly = DescribeBroadcastScope({
        Adapter("eth0", AdapterType::kEthernet, {0x5DB8D822u}),
        Adapter("tun0", AdapterType::kOther, {0x0A080002u}),
        Adapter("eth1", AdapterType::kEthernet, {0xC0A801F1u}, true, "eth1:tmsl"),
    });
    EXPECT_EQ(publicOnly.interfaces, (std::vector<std::string>{"eth0", "eth1"}));
    EXPECT_FALSE(publicOnly.privateLanAddress);
}

TEST(SearchScopeTest, TheNothingFoundLineNamesTheAdaptersAndSuggestsAnAddressSearch) {
    SearchScope scope{{"eth0", "wlan0"}, true};
    const std::wstring lan = ExplainNothingFound(scope, L"HINT");
    EXPECT_EQ(lan, L"No repeater answered the search on eth0, wlan0.");

    scope.privateLanAddress = false;
    const std::wstring noLan = ExplainNothingFound(scope, L"HINT");
    EXPECT_EQ(noLan.rfind(lan, 0), 0u);
    EXPECT_NE(noLan.find(L"no address on a private LAN"), std::wstring::npos);
    EXPECT_NE(noLan.find(L": HINT."), std::wstring::npos);
    EXPECT_EQ(noLan.find(L'\n'), std::wstring::npos);  // one line

    EXPECT_EQ(ExplainNothingFound(SearchScope{}, L"HINT"), LoadString(kTextSearchedNowhere));

    const SearchTarget target = *ParseSearchTarget(L"10.1.2.0/24").target;
    EXPECT_NE(ExplainNothingFoundAt(target).find(L"No repeater answered at 10.1.2.0/24."),
              std::wstring::npos);
}

TEST(SearchScopeTest, ReadsTheHostsAdapters) {
    EventLog log;
    FakeHostNetwork host(log);
    host.AddAdapter(1, "lo", AdapterType::kOther, {{kLoopback, 0xFF000000u, "lo", false}});
    host.AddAdapter(2, "enp3s0", AdapterType::kEthernet, {{0x5DB8D822u, 0xFFFFFF00u, "", false}});
    const SearchScope scope = DescribeBroadcastScope(host);
    EXPECT_EQ(scope.interfaces, std::vector<std::string>{"enp3s0"});
    EXPECT_FALSE(scope.privateLanAddress);
}

}  // namespace
