#include "hostnet/host_addressing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "resources/string_ids.h"
#include "support/fakes/fake_host_network.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr Ipv4 kDevice = 0xC0A801C8;  // 192.168.1.200
constexpr uint32_t kEth0 = 2;
constexpr uint32_t kEth1 = 3;

Ipv4 Ip(const char* dotted) {
    return *ParseIpv4(std::string(dotted));
}

AdapterAddress Addr(const char* dotted, int prefix) {
    return AdapterAddress{Ip(dotted), PrefixToMask(prefix), "", false};
}

class HostAddressingTest : public ::testing::Test {
protected:
    HostAddressingTest() : sleeper(log), network(log) {}

    void TearDown() override { EXPECT_LE(network.maxTempAddresses(), 1u); }

    HostAddressing& Addressing() {
        if (!addressing) {
            HostAddressingOptions options;
            options.renewInterval = std::chrono::milliseconds(0);
            addressing = std::make_unique<HostAddressing>(network, sleeper, options);
        }
        return *addressing;
    }

    // Runs a set-up and keeps its result in `last`.
    HostSetupResult Prepare(const std::wstring& ip = L"192.168.1.200",
                            const std::wstring& mask = L"255.255.255.0") {
        last = Addressing().PrepareHostAddress(ip, mask);
        return last;
    }

    // The device on the adapter's LAN.
    void DeviceOn(uint32_t adapter) {
        network.AddStation(adapter, kDevice, FakeHostNetwork::Mac(0xD0));
    }

    // eth0 with `own` and the temporary address 192.168.1.241 of another run that is still
    // running, with its route to 192.168.1.0/24; repeater 192.168.1.2 on the LAN.
    void OtherRunOnEth0(AdapterAddress own) {
        AdapterAddress otherRun = Addr("192.168.1.241", 32);
        otherRun.label = "eth0:tmsl";
        otherRun.owner = 200;
        network.liveOwners = {200};
        network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {own, otherRun});
        network.AddRoute(Ip("192.168.1.0"), 24, kEth0, Ip("192.168.1.241"));
        network.SetDefaultRoute(kEth0);
        network.AddStation(kEth0, Ip("192.168.1.2"), FakeHostNetwork::Mac(0xD2));
    }

    EventLog log;
    FakeSleeper sleeper;
    FakeHostNetwork network;
    std::unique_ptr<HostAddressing> addressing;
    HostSetupResult last = HostSetupResult::AnyAddress();
};

TEST_F(HostAddressingTest,
       AddressInDeviceSubnetNeedsNoBindingAndAddsNothingEvenWhenDeviceIsSilent) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.1.5", 24)});
    DeviceOn(kEth0);

    EXPECT_EQ(Prepare(), HostSetupResult::AnyAddress());
    // The reachability check asks from the address the system itself would use.
    EXPECT_THAT(log.Events(), ElementsAre("flush 192.168.1.200 dev 2",
                                          "arp 192.168.1.200 from 192.168.1.5 dev 2"));

    network.RemoveStation(kEth0, kDevice);
    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(log.Count("add"), 0u);
}

TEST_F(HostAddressingTest, LongerDeviceMaskOnOtherSubnetAddsFirstCandidateAfterTenSeconds) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 16)});
    DeviceOn(kEth0);

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_THAT(
        log.Events(),
        ElementsAre("add 192.168.1.241 dev 2 for 192.168.1.200/24", "sleep 10000",
                    "arp 192.168.1.241 from 0.0.0.0 dev 2", "flush 192.168.1.200 dev 2",
                    "arp 192.168.1.200 from 192.168.1.241 dev 2", "flush 192.168.1.200 dev 2",
                    "arp 192.168.1.200 from 192.168.1.241 dev 2"));
    EXPECT_EQ(Addressing().TempAddress(), (HostAddressContext{kEth0, Ip("192.168.1.241"), 32}));
}

TEST_F(HostAddressingTest, DefaultRouteOnlyGivesFirstLanAdapterATempAddressAndRunsAgain) {
    network.AddAdapter(1, "lo", AdapterType::kOther, {Addr("127.0.0.1", 8)});
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.AddAdapter(kEth1, "wlan0", AdapterType::kIeee80211, {Addr("172.16.0.5", 16)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(network.routeQueries(), 2u);
    EXPECT_EQ(log.Count("add"), 1u);
    EXPECT_EQ(log.Events().front(), "add 192.168.1.241 dev 2 for 192.168.1.200/24");
    // The second run found the new subnet route, and with it the adapter's data.
    EXPECT_EQ(Addressing().Adapter().index, kEth0);
}

TEST_F(HostAddressingTest, WirelessAdapterQualifiesOtherTypesDoNot) {
    network.AddAdapter(kEth0, "tun0", AdapterType::kOther, {Addr("10.8.0.5", 24)});
    network.AddAdapter(kEth1, "wlan0", AdapterType::kIeee80211, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    DeviceOn(kEth1);

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(Addressing().TempAddress()->interfaceIndex, kEth1);
}

TEST_F(HostAddressingTest, AdapterWithoutUsableFirstAddressIsNeverGivenOne) {
    // Listed as 0.0.0.0 first, no address at all, and one that is down.
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet,
                       {AdapterAddress{0, 0, "", false}, Addr("10.0.0.5", 8)});
    network.AddAdapter(kEth1, "eth1", AdapterType::kEthernet, {});
    network.AddAdapter(4, "eth2", AdapterType::kEthernet, {Addr("10.1.0.5", 16)}, false);
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    DeviceOn(kEth1);
    DeviceOn(4);

    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(log.Count("add"), 0u);
}

TEST_F(HostAddressingTest, CandidateHeldByAnotherHostIsRefusedAndTheNextOneTaken) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    network.AddStation(kEth0, Ip("192.168.1.241"), FakeHostNetwork::Mac(0xEE));

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.242"));
    const std::vector<std::string> events = log.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(events.begin(), events.begin() + 3),
                ElementsAre("add 192.168.1.241 dev 2 for 192.168.1.200/24 refused",
                            "add 192.168.1.242 dev 2 for 192.168.1.200/24", "sleep 10000"));
}

TEST_F(HostAddressingTest, AStationThatTakesTheCandidateWhileItSettlesIsFoundByTheProbe) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    sleeper.onSleep = [this](uint32_t ms) {
        if (ms == 10000 && log.Count("add 192.168.1.242") == 0) {
            network.AddStation(kEth0, Ip("192.168.1.241"), FakeHostNetwork::Mac(0xEE));
        }
    };

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.242"));
    const std::vector<std::string> events = log.Events();
    ASSERT_GE(events.size(), 6u);
    EXPECT_THAT(std::vector<std::string>(events.begin(), events.begin() + 6),
                ElementsAre("add 192.168.1.241 dev 2 for 192.168.1.200/24", "sleep 10000",
                            "arp 192.168.1.241 from 0.0.0.0 dev 2", "delete 192.168.1.241/32 dev 2",
                            "sleep 500", "add 192.168.1.242 dev 2 for 192.168.1.200/24"));
}

TEST_F(HostAddressingTest, TheDevicesOwnAddressIsNoCandidate) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    network.AddStation(kEth0, Ip("192.168.1.241"), FakeHostNetwork::Mac(0xD0));

    EXPECT_EQ(Prepare(L"192.168.1.241"), HostSetupResult::BindTo(L"192.168.1.242"));
    EXPECT_EQ(log.Events().front(), "add 192.168.1.242 dev 2 for 192.168.1.241/24");
}

TEST_F(HostAddressingTest, DeviceNotAnsweringRemovesTempAddressAndGivesError) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);

    EXPECT_FALSE(Prepare().Reached());
    // One candidate per adapter: the first that is ours settles it either way.
    EXPECT_EQ(log.Count("add"), 1u);
    const std::vector<std::string> events = log.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], "delete 192.168.1.241/32 dev 2");
    EXPECT_EQ(events.back(), "sleep 500");
    EXPECT_FALSE(Addressing().TempAddress());
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(1));
}

TEST_F(HostAddressingTest, NextAdapterGetsTheAddressWhenTheFirstCannotReachTheDevice) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.AddAdapter(kEth1, "eth1", AdapterType::kEthernet, {Addr("172.16.0.5", 16)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth1);

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(Addressing().TempAddress()->interfaceIndex, kEth1);
    EXPECT_EQ(log.Count("delete 192.168.1.241/32 dev 2"), 1u);
}

TEST_F(HostAddressingTest, EveryCandidateTakenTriesSevenAndKeepsOnlyOne) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 16)});
    DeviceOn(kEth0);
    for (int octet = 241; octet <= 247; ++octet) {
        network.AddStation(kEth0, (kDevice & 0xFFFFFF00u) | octet, FakeHostNetwork::Mac(0xEE));
    }

    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(log.Count("add"), 7u);
    EXPECT_EQ(log.Count("sleep 10000"), 0u);
    EXPECT_FALSE(Addressing().TempAddress());
    EXPECT_FALSE(last.Failure().Known());
}

TEST_F(HostAddressingTest, AHostWhosePlacesAreAllTakenFailsAsFullSoThatACallerMayWait) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    network.hostFull = true;

    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(last.Failure().kind, HostSetupFailure::Kind::kHostFull);
    EXPECT_THAT(last.Failure().detail, ::testing::HasSubstr(L"192.168.1.200"));
    EXPECT_FALSE(Addressing().TempAddress());

    // Once a place is free again the next set-up succeeds.
    network.hostFull = false;
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
}

TEST_F(HostAddressingTest, ADeviceOnTheAdaptersSubnetIsTestedByAConnectionWhileThePlacesAreTaken) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.1.5", 24)});
    DeviceOn(kEth0);
    network.AcceptConnections(kDevice);
    network.hostFull = true;

    EXPECT_EQ(Prepare(), HostSetupResult::AnyAddress());
    EXPECT_EQ(log.Count("connect 192.168.1.200 from 0.0.0.0"), 1u);
    EXPECT_EQ(log.Count("add"), 0u);

    // One that does not accept the connection either is not reached.
    FakeHostNetwork silent(log);
    silent.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.1.5", 24)});
    silent.hostFull = true;
    HostAddressingOptions options;
    options.renewInterval = std::chrono::milliseconds(0);
    HostAddressing addressingSilent(silent, sleeper, options);
    EXPECT_FALSE(addressingSilent.PrepareHostAddress(L"192.168.1.200", L"255.255.255.0").Reached());
}

TEST_F(HostAddressingTest, RestartsOnlyOnceWhenTheRouteStaysDefault) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.forcedRoute = BestRoute{kEth0, 0};
    DeviceOn(kEth0);

    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(network.routeQueries(), 2u);
    EXPECT_EQ(log.Count("add"), 1u);
    const std::vector<std::string> events = log.Events();
    EXPECT_EQ(events[events.size() - 2], "delete 192.168.1.241/32 dev 2");
    EXPECT_EQ(events.back(), "sleep 500");
}

TEST_F(HostAddressingTest, MalformedInputOrMissingRightsIsErrorWithoutTouchingTheHost) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);

    EXPECT_FALSE(Prepare(L"192.168.1", L"255.255.255.0").Reached());
    EXPECT_FALSE(Prepare(L"192.168.1.200 ", L"255.255.255.0").Reached());
    EXPECT_FALSE(Prepare(L"", L"255.255.255.0").Reached());
    EXPECT_FALSE(Prepare(L"192.168.1.200", L"255.0.255.0").Reached());
    EXPECT_EQ(last.Failure().kind, HostSetupFailure::Kind::kDeviceRefused);
    // A zero mask would make the added address claim every destination.
    EXPECT_FALSE(Prepare(L"192.168.1.200", L"0.0.0.0").Reached());
    EXPECT_EQ(network.routeQueries(), 0u);
    // Without rights a device that only a temporary address reaches stays out of reach.
    network.rights.state = NetworkRights::State::kNotInGroup;
    network.rights.user = "ann";
    network.rights.group = "tamsel";
    network.rights.helperPath = "/usr/libexec/tamsel/tamsel-netadmin";
    EXPECT_FALSE(Prepare().Reached());
    EXPECT_THAT(log.Events(), IsEmpty());
    // Why, with the names a user needs to put it right.
    const HostSetupFailure failure = last.Failure();
    EXPECT_EQ(failure.kind, HostSetupFailure::Kind::kNotInGroup);
    EXPECT_NE(failure.detail.find(L"sudo adduser ann tamsel"), std::wstring::npos);
    EXPECT_EQ(HostSetupFailureMessage(failure), kMsgJoinGroup);
}

// A device that a gateway's route leads to and that answers no ARP on the PC's LANs sits
// behind the router: it is used through the routing table, with no address added, whether
// the route is the default route or one to a subnet beyond the router.
TEST_F(HostAddressingTest, DeviceBehindARouterIsReachedThroughTheRoutingTable) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 24)});
    network.AddAdapter(kEth1, "wlan0", AdapterType::kIeee80211, {Addr("172.16.0.5", 16)});
    network.AddGatewayRoute(Ip("10.20.0.0"), 24, kEth1, Ip("172.16.0.1"));
    network.SetDefaultRoute(kEth0, Ip("192.168.0.1"));

    // The route's adapter is asked first, then the other LAN adapter.
    EXPECT_EQ(Prepare(L"10.20.0.5", L"255.255.255.0"), HostSetupResult::AnyAddress());
    EXPECT_THAT(log.Events(), ElementsAre("arp 10.20.0.5 from 0.0.0.0 dev 3",
                                          "arp 10.20.0.5 from 0.0.0.0 dev 2"));
    EXPECT_EQ(Addressing().Adapter().index, kEth1);

    EXPECT_EQ(Prepare(), HostSetupResult::AnyAddress());
    EXPECT_EQ(log.Count("arp 192.168.1.200 from 0.0.0.0"), 2u);
    EXPECT_EQ(log.Count("add"), 0u);
    EXPECT_EQ(log.Count("connect"), 0u);
    EXPECT_FALSE(Addressing().TempAddress());
    EXPECT_FALSE(last.Failure().Known());
}

// The same routes, but the device answers the probe on a LAN of the PC: it is a station
// there in a subnet where the PC has no address, and gets a temporary address on that LAN.
TEST_F(HostAddressingTest, DeviceThatAnswersArpBehindAGatewaysRouteGetsATempAddress) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 24)});
    network.AddAdapter(kEth1, "wlan0", AdapterType::kIeee80211, {Addr("172.16.0.5", 16)});
    network.SetDefaultRoute(kEth0, Ip("192.168.0.1"));
    DeviceOn(kEth1);

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    const std::vector<std::string> events = log.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "arp 192.168.1.200 from 0.0.0.0 dev 2");
    EXPECT_EQ(events[1], "arp 192.168.1.200 from 0.0.0.0 dev 3");
    // The temporary address goes where the device is, not where the default route leads.
    EXPECT_EQ(Addressing().TempAddress(), (HostAddressContext{kEth1, Ip("192.168.1.241"), 32}));
    EXPECT_EQ(log.Count("add 192.168.1.241 dev 2"), 0u);

    // Behind a subnet route through a router, a station of the LAN is one as well: the
    // temporary address brings a route to the device alone, which is more specific.
    Addressing().RemoveTempAddress();
    network.RemoveStation(kEth1, kDevice);
    network.AddGatewayRoute(Ip("192.168.1.0"), 24, kEth0, Ip("192.168.0.1"));
    DeviceOn(kEth0);
    // eth0's own /24 is as long as the device's mask: the system picks the source, which
    // the route from the temporary address names.
    EXPECT_EQ(Prepare(), HostSetupResult::AnyAddress());
    EXPECT_EQ(Addressing().TempAddress(), (HostAddressContext{kEth0, Ip("192.168.1.241"), 32}));
    EXPECT_EQ(network.RouteTo(kDevice)->prefixLength, 32);
    EXPECT_EQ(network.RouteTo(kDevice)->gateway, 0u);
}

// A route on the link, the default "dev eth0" included, never leads through a router: no
// probe, the set-up is the one it always was.
TEST_F(HostAddressingTest, RoutesOnTheLinkNeedNoProbe) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(log.Events().front(), "add 192.168.1.241 dev 2 for 192.168.1.200/24");
    EXPECT_EQ(log.Count("arp 192.168.1.200 from 0.0.0.0"), 0u);
}

// A device outside the private networks never gets a temporary address: behind a gateway's
// route the routing table is its only way, tried by a connection, and nothing is asked of
// the LAN. When that way does not lead there either, the set-up says why no address may.
TEST_F(HostAddressingTest, PublicDeviceBehindAGatewayIsReachedThroughTheRoutingTable) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 24)});
    network.SetDefaultRoute(kEth0, Ip("192.168.0.1"));
    network.AcceptConnections(Ip("198.51.100.7"));
    EXPECT_EQ(Prepare(L"198.51.100.7", L"255.255.255.0"), HostSetupResult::AnyAddress());
    EXPECT_FALSE(last.Failure().Known());

    EXPECT_FALSE(Prepare(L"8.8.8.8", L"255.0.0.0").Reached());
    const HostSetupFailure failure = last.Failure();
    EXPECT_EQ(failure.kind, HostSetupFailure::Kind::kDeviceRefused);
    EXPECT_NE(failure.detail.find(L"8.8.8.8"), std::wstring::npos);
    EXPECT_THAT(log.Events(),
                ElementsAre("connect 198.51.100.7 from 0.0.0.0", "connect 8.8.8.8 from 0.0.0.0"));
}

// Without the rights to send ARP or add an address, the routing table is the only way: a
// test connection tells whether it leads to the device. When it does not and only a
// temporary address could have, the set-up says which rights are missing.
TEST_F(HostAddressingTest, WithoutRightsTheRoutingTableIsTriedByAConnection) {
    network.rights.state = NetworkRights::State::kNotInGroup;
    network.rights.user = "ann";
    network.rights.group = "tamsel";
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 24)});
    network.SetDefaultRoute(kEth0, Ip("192.168.0.1"));
    network.AcceptConnections(Ip("10.20.0.5"));
    network.AcceptConnections(Ip("192.168.0.7"));

    // Behind the router.
    EXPECT_EQ(Prepare(L"10.20.0.5", L"255.255.255.0"), HostSetupResult::AnyAddress());
    // On the PC's own subnet: the system's source, tested the same way, not by ARP.
    EXPECT_EQ(Prepare(L"192.168.0.7", L"255.255.255.0"), HostSetupResult::AnyAddress());
    EXPECT_THAT(log.Events(),
                ElementsAre("connect 10.20.0.5 from 0.0.0.0", "connect 192.168.0.7 from 0.0.0.0"));
    EXPECT_FALSE(last.Failure().Known());

    // A private device that the route does not reach may be on the LAN in a foreign
    // subnet: rights would have helped, and the set-up says so.
    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(log.Count("connect 192.168.1.200 from 0.0.0.0"), 1u);
    EXPECT_EQ(last.Failure().kind, HostSetupFailure::Kind::kNotInGroup);
    // A silent device of the PC's own subnet: no rights would help.
    EXPECT_FALSE(Prepare(L"192.168.0.9", L"255.255.255.0").Reached());
    EXPECT_FALSE(last.Failure().Known());
    // A public device that does not answer: neither.
    EXPECT_FALSE(Prepare(L"198.51.100.7", L"255.255.255.0").Reached());
    EXPECT_FALSE(last.Failure().Known());
    EXPECT_EQ(log.Count("arp"), 0u);
    EXPECT_EQ(log.Count("add"), 0u);
    EXPECT_EQ(log.Count("flush"), 0u);
}

// A device that claims an address or subnet outside the private networks gets no
// temporary address, and the set-up says why; the same rule the helper applies.
TEST_F(HostAddressingTest, DeviceOutsideThePrivateNetworksGetsNoTempAddress) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 24)});
    network.SetDefaultRoute(kEth0);
    for (const auto& [ip, mask] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"8.8.8.8", L"255.0.0.0"},           // public
             {L"192.168.1.200", L"255.0.0.0"},     // a subnet beyond 192.168/16
             {L"172.16.1.200", L"255.224.0.0"},    // beyond 172.16/12
             {L"100.64.1.200", L"255.255.255.0"},  // shared address space
             {L"169.254.1.200", L"255.255.0.0"},   // link-local
             {L"127.0.1.200", L"255.255.255.0"},
             {L"224.0.1.200", L"255.255.255.0"},
             {L"10.0.1.200", L"255.255.255.254"},  // no room for another host
         }) {
        network.AddStation(kEth0, *ParseIpv4(ip), FakeHostNetwork::Mac(0xD0));
        EXPECT_FALSE(Prepare(ip, mask).Reached()) << std::string(ip.begin(), ip.end());
        const HostSetupFailure failure = last.Failure();
        EXPECT_EQ(failure.kind, HostSetupFailure::Kind::kDeviceRefused);
        EXPECT_NE(failure.detail.find(ip), std::wstring::npos);
        EXPECT_EQ(HostSetupFailureMessage(failure), kMsgTempAddressRefused);
    }
    EXPECT_EQ(log.Count("add"), 0u);
    EXPECT_EQ(log.Count("arp"), 0u);

    // A private /16 is fine.
    DeviceOn(kEth0);
    EXPECT_TRUE(Prepare(L"192.168.1.200", L"255.255.0.0").Reached());
    EXPECT_EQ(log.Count("add 192.168.1.241 dev 2 for 192.168.1.200/16"), 1u);
    EXPECT_FALSE(last.Failure().Known());
}

// Two programs reach two devices of one foreign subnet: the second neither removes the
// first one's address nor takes it for its source, and adds one of its own.
TEST_F(HostAddressingTest, AnotherRunsTempAddressIsNeitherRemovedNorUsed) {
    OtherRunOnEth0(Addr("10.0.0.5", 8));

    EXPECT_EQ(Prepare(L"192.168.1.2"), HostSetupResult::BindTo(L"192.168.1.242"));
    EXPECT_EQ(log.Count("delete 192.168.1.241/32 dev 2 refused"), 1u);
    EXPECT_EQ(log.Count("arp 192.168.1.2 from 192.168.1.241"), 0u);
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(3));

    // Once that run has ended, its address is a leftover the next set-up removes.
    network.liveOwners.clear();
    EXPECT_EQ(Prepare(L"192.168.1.2"), HostSetupResult::BindTo(L"192.168.1.242"));
    EXPECT_EQ(log.Count("delete 192.168.1.241/32 dev 2"), 2u);
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(2));
}

TEST_F(HostAddressingTest, RemoveTempAddressDeletesThenWaitsHalfASecond) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 16)});
    DeviceOn(kEth0);
    ASSERT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    const size_t before = log.Events().size();

    EXPECT_TRUE(Addressing().RemoveTempAddress());
    const std::vector<std::string> events = log.Events();
    EXPECT_THAT(std::vector<std::string>(events.begin() + before, events.end()),
                ElementsAre("delete 192.168.1.241/32 dev 2", "sleep 500"));
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(1));

    EXPECT_FALSE(Addressing().RemoveTempAddress());
    EXPECT_EQ(log.Events().size(), events.size());
}

TEST_F(HostAddressingTest, RemovalDuringSetUpStopsItWithoutAnotherAddress) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    sleeper.onSleep = [this](uint32_t ms) {
        if (ms == 10000) {
            Addressing().RemoveTempAddress();
        }
    };

    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(log.Count("add"), 1u);
    EXPECT_FALSE(Addressing().TempAddress());
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(1));

    // The next set-up runs normally again.
    sleeper.onSleep = nullptr;
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
}

TEST_F(HostAddressingTest, CancelDuringTheWaitEndsTheSetUpAndTheNetworksWaits) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 16)});
    DeviceOn(kEth0);
    bool networkCancelled = false;
    sleeper.onSleep = [&](uint32_t ms) {
        if (ms == 10000) {
            Addressing().CancelSetup();
            networkCancelled = network.WaitsCancelled();
        }
    };

    EXPECT_FALSE(Prepare().Reached());
    EXPECT_TRUE(networkCancelled) << "an ARP wait would have run to its end";
    EXPECT_EQ(log.Count("arp"), 0u);
    // The added address is the remover's to delete; the cancel ended with the set-up.
    EXPECT_TRUE(Addressing().TempAddress());
    EXPECT_FALSE(network.WaitsCancelled());
    EXPECT_TRUE(Addressing().RemoveTempAddress());

    sleeper.onSleep = nullptr;
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
}

TEST_F(HostAddressingTest, CancelBeforeTheSetUpBeginsIsKeptForItUntilARemoval) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);

    // The stop came while the worker was being started: the set-up must not run at all.
    Addressing().CancelSetup();
    EXPECT_FALSE(Prepare().Reached());
    EXPECT_THAT(log.Events(), IsEmpty());

    // A cancel no set-up took up ends with the next removal.
    Addressing().CancelSetup();
    EXPECT_FALSE(Addressing().RemoveTempAddress());
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
}

TEST_F(HostAddressingTest, SecondSetUpKeepsAndReusesTheTempAddress) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    DeviceOn(kEth0);
    ASSERT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    const size_t adds = log.Count("add");

    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(log.Count("add"), adds);
    EXPECT_EQ(log.Count("delete"), 0u);
}

// The other run's subnet route leads to the device too, and the PC's own /24 would pass the
// mask rule: still this run adds its own address, since that route goes with the other run.
TEST_F(HostAddressingTest, ARouteFromAnotherRunsAddressIsNotThisRunsWayToTheDevice) {
    OtherRunOnEth0(Addr("10.9.0.10", 24));

    EXPECT_TRUE(Prepare(L"192.168.1.2").Reached());
    EXPECT_EQ(log.Count("add 192.168.1.242 dev 2 for 192.168.1.2/24"), 1u);
    EXPECT_GT(log.Count("arp 192.168.1.2 from 192.168.1.242 dev 2"), 0u);
    EXPECT_EQ(log.Count("arp 192.168.1.2 from 192.168.1.241"), 0u);
    EXPECT_EQ(Addressing().TempAddress()->address, Ip("192.168.1.242"));
}

TEST_F(HostAddressingTest, LeftoverLabelledAddressIsRemovedByTheNextSetUp) {
    AdapterAddress leftover = Addr("192.168.9.241", 24);
    leftover.label = "eth0:tmsl";
    leftover.owner = 300;  // ended
    AdapterAddress foreignLabel = Addr("10.9.9.9", 24);
    foreignLabel.label = "eth0:vpn";
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet,
                       {Addr("192.168.1.5", 24), leftover, foreignLabel});
    DeviceOn(kEth0);

    EXPECT_EQ(Prepare(), HostSetupResult::AnyAddress());
    EXPECT_THAT(log.Events(), ElementsAre("delete 192.168.9.241/24 dev 2", "sleep 500",
                                          "flush 192.168.1.200 dev 2",
                                          "arp 192.168.1.200 from 192.168.1.5 dev 2"));
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(2));
}

TEST_F(HostAddressingTest, ReadAdapterInfoRecordsTheRouteAdapter) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.1.5", 24)});
    network.aliases["eth0"] = "Office LAN";
    network.Adapter(kEth0).dhcpEnabled = true;
    DeviceOn(kEth0);

    ASSERT_EQ(Prepare(), HostSetupResult::AnyAddress());
    const ChosenAdapter adapter = Addressing().Adapter();
    EXPECT_EQ(adapter.index, kEth0);
    EXPECT_EQ(adapter.name, L"eth0");
    EXPECT_EQ(adapter.connectionName, L"Office LAN");
    EXPECT_EQ(adapter.dhcpEnabled, 1u);
    EXPECT_EQ(adapter.macLength, 6u);
    const std::array<uint8_t, 12> mac{0x02, 0, 0, 0, 0, kEth0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(adapter.mac, mac);
}

TEST_F(HostAddressingTest, DestructionRemovesTheTempAddress) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 16)});
    DeviceOn(kEth0);
    ASSERT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));

    addressing.reset();
    EXPECT_THAT(network.AddressesOf(kEth0), ::testing::SizeIs(1));
    EXPECT_EQ(log.Events().back(), "sleep 500");
}

TEST_F(HostAddressingTest, BackgroundThreadRenewsTheHeldAddress) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("192.168.0.5", 16)});
    DeviceOn(kEth0);
    HostAddressingOptions options;
    options.renewInterval = std::chrono::milliseconds(1);
    HostAddressing renewing(network, sleeper, options);
    EXPECT_FALSE(renewing.RenewTempAddress());
    ASSERT_EQ(renewing.PrepareHostAddress(L"192.168.1.200", L"255.255.255.0"),
              HostSetupResult::BindTo(L"192.168.1.241"));

    for (int i = 0; i < 5000 && network.renewals() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(network.renewals(), 0u);
    EXPECT_GT(log.Count("renew 192.168.1.241"), 0u);
}

TEST(TempAddressLabel, FitsTheFifteenCharactersOfAnInterfaceLabel) {
    EXPECT_EQ(TempAddressLabel("eth0"), "eth0:tmsl");
    EXPECT_EQ(TempAddressLabel("enx00e04c680001"), "enx00e04c6:tmsl");
    EXPECT_TRUE(IsTempAddressLabel("enx00e04c6:tmsl"));
    EXPECT_FALSE(IsTempAddressLabel("eth0"));
    EXPECT_FALSE(IsTempAddressLabel("eth0:tmsl2"));
}

// ChooseSourceOnRouteAdapter over one adapter's address list, device 192.168.1.200/24.
struct SourceCase {
    const char* name;
    std::vector<AdapterAddress> addresses;
    std::wstring expected;  // the address to bind to; empty: any
};

class ChooseSourceTest : public HostAddressingTest,
                         public ::testing::WithParamInterface<SourceCase> {};

TEST_P(ChooseSourceTest, PicksBySubnetAndMaskLength) {
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, GetParam().addresses);
    const HostSetupResult chosen =
        Addressing().ChooseSourceOnRouteAdapter(kEth0, kDevice, PrefixToMask(24));
    EXPECT_TRUE(chosen.Reached());
    EXPECT_EQ(chosen.BindAddress(), GetParam().expected);
    EXPECT_EQ(log.Count("add"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    MaskRule, ChooseSourceTest,
    ::testing::Values(
        SourceCase{"SameMaskSameSubnet", {Addr("192.168.1.5", 24)}, L""},
        SourceCase{"ShorterMaskSameSubnet", {Addr("192.168.1.5", 16)}, L""},
        // A mask at least as long as the device's is taken whatever its subnet.
        SourceCase{"LongerMaskOtherSubnet", {Addr("172.16.0.1", 25)}, L""},
        SourceCase{"OtherSubnetThenTempAddress",
                   {Addr("10.0.0.5", 8), Addr("192.168.1.241", 24)},
                   L"192.168.1.241"},
        SourceCase{"TempAddressThenOtherSubnet",
                   {Addr("192.168.1.241", 24), Addr("10.0.0.5", 8)},
                   L"192.168.1.241"},
        SourceCase{"LongerMaskThenOtherSubnet",
                   {Addr("172.16.0.1", 25), Addr("10.0.0.5", 8)},
                   L"172.16.0.1"},
        // An address agreeing with the device under its mask clears an earlier mismatch.
        SourceCase{
            "OtherSubnetThenSameSubnet", {Addr("10.0.0.5", 8), Addr("192.168.1.5", 16)}, L""},
        SourceCase{"NoAddresses", {}, L""}),
    [](const ::testing::TestParamInfo<SourceCase>& info) { return info.param.name; });

}  // namespace
