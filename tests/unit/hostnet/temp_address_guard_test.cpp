#include "hostnet/temp_address_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <numeric>

#include "support/fakes/fake_kernel_network.h"
#include "support/fakes/fake_tick_clock.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr uint32_t kEth0 = 2;
constexpr uint32_t kWlan0 = 3;
constexpr uint32_t kLo = 1;
constexpr uint32_t kOtherRun = 200;

Ipv4 Ip(const char* dotted) {
    return FakeKernelNetwork::Ip(dotted);
}

class TempAddressGuardTest : public ::testing::Test {
protected:
    TempAddressGuard::AddOutcome Add(const char* device = "192.168.1.200", int prefix = 24,
                                     const char* candidate = "192.168.1.241",
                                     uint32_t link = kEth0) {
        return guard.Add(link, Ip(device), prefix, Ip(candidate));
    }

    // The refusal, asserting that the kernel was asked to change and send nothing.
    std::string Refused(TempAddressGuard::AddOutcome outcome) {
        EXPECT_FALSE(outcome.refusal.empty());
        EXPECT_THAT(kernel.log, IsEmpty());
        return outcome.refusal;
    }

    FakeKernelNetwork kernel;
    FakeTickClock clock;
    AdvancingSleeper sleeper{clock};
    TempAddressGuard guard{kernel, clock, sleeper};
};

TEST_F(TempAddressGuardTest, ProbesThenAddsWithoutPrefixRouteAndRoutesOnlyTheDeviceSubnet) {
    // Only the default route leads to 192.168.1.0/24: that subnet, and nothing else, moves.
    // The address is a /32, which brings the kernel's routes for nothing but itself.
    const TempAddressGuard::AddOutcome outcome = Add();
    ASSERT_EQ(outcome.refusal, "");
    EXPECT_EQ(outcome.added, (HostAddressContext{kEth0, Ip("192.168.1.241"), 32}));
    EXPECT_THAT(kernel.log, ElementsAre("arp 192.168.1.241 from 0.0.0.0 dev 2",
                                        "add 192.168.1.241/32 dev 2 eth0:tmsl 120 owner 100",
                                        "route 192.168.1.0/24 dev 2 src 192.168.1.241 metric 100"));
    EXPECT_EQ(guard.Held(), outcome.added);
    // The subnet is this run's to move until its address has gone.
    EXPECT_EQ(kernel.names[TempSubnetName(Ip("192.168.1.200"))], FakeKernelNetwork::kSelf);
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.1.241")), "");
    EXPECT_EQ(kernel.names.count(TempSubnetName(Ip("192.168.1.200"))), 0u);
}

// The subnet moves only where the kernel's lookup, its policy rules applied, ends at the
// main table's default route through the adapter the address goes on, and the rules are
// the kernel's own: elsewhere the device alone leaves its route.
TEST_F(TempAddressGuardTest, ASubnetThatAnythingButMainsDefaultServesMovesOnlyTheDevice) {
    struct Case {
        const char* what;
        std::function<void(FakeKernelNetwork&)> arrange;
        int prefix = 24;
        uint32_t link = kEth0;
    };
    const Ipv4 vpnGateway = Ip("172.20.0.1");
    for (const Case& c : std::initializer_list<Case>{
             {"a VPN's route through its gateway covers the subnet",
              [&](FakeKernelNetwork& k) {
                  k.routes.push_back({Ip("192.168.0.0"), 16, 0, kWlan0, vpnGateway});
              }},
             {"wg-quick's full tunnel: table 51820's default route",
              [](FakeKernelNetwork& k) { k.AddFullTunnel(kWlan0); }},
             {"the table 'default', main having no default route",
              [](FakeKernelNetwork& k) {
                  for (FakeKernelNetwork::Route& route : k.routes) {
                      route.table = route.prefixLength == 0 ? 253 : route.table;
                  }
              }},
             {"another rule, although the lookup ends at main's default",
              [](FakeKernelNetwork& k) {
                  k.rules.insert(k.rules.begin(), {100, -1});
              }},
             {"policy rules that cannot be read",
              [](FakeKernelNetwork& k) { k.failedRuleReads = true; }},
             {"a lookup that failed", [](FakeKernelNetwork& k) { k.failedRouteLookups = true; }},
             {"no route at all",
              [](FakeKernelNetwork& k) {
                  std::erase_if(k.routes, [](const auto& r) { return r.prefixLength == 0; });
              }},
             {"another run moves the subnet meanwhile",
              [](FakeKernelNetwork& k) {
                  k.names[TempSubnetName(Ip("192.168.1.7"))] = kOtherRun;
                  k.liveOwners.insert(kOtherRun);
              }},
             {"a subnet wider than a /24", [](FakeKernelNetwork&) {}, 16},
             {"the default route leaves by another adapter", [](FakeKernelNetwork&) {}, 24, kWlan0},
         }) {
        FakeKernelNetwork host;
        TempAddressGuard fresh(host, clock, sleeper);
        c.arrange(host);
        ASSERT_EQ(fresh.Add(c.link, Ip("192.168.1.200"), c.prefix, Ip("192.168.1.241")).refusal, "")
            << c.what;
        EXPECT_EQ(host.log.back(), "route 192.168.1.200/32 dev " + std::to_string(c.link) +
                                       " src 192.168.1.241 metric 100")
            << c.what;
    }
}

// A device the kernel reaches on a link keeps that link and its next hop: an address may go
// on that adapter alone, and only where none of the adapter's own addresses lies in the
// device's subnet; the route is the device's alone.
TEST_F(TempAddressGuardTest, ADeviceOnALinkAlreadyGetsAnAddressOnlyWhereItsSubnetDiffers) {
    // A second LAN of the PC: its DNS server, or another LAN's gateway, stays there.
    kernel.AddUserAddress(kWlan0, Ip("10.77.0.5"), 24);
    EXPECT_THAT(Refused(Add("10.77.0.53", 24, "10.77.0.241")),
                HasSubstr("10.77.0.53 is on the link of wlan0 already"));
    // The PC's own gateway on eth0, whose 10.0.0.5 lies in the device's /24.
    EXPECT_THAT(Refused(Add("10.0.0.1", 24, "10.0.0.241")),
                HasSubstr("eth0 reaches 10.0.0.1 from 10.0.0.5 in 10.0.0.0/24 already"));
    EXPECT_FALSE(guard.Held());

    // The PC's 192.168.0.5/16 and a device's 192.168.1.200/24: the subnets differ under
    // the device's mask, and the device's own address moves to the new source.
    kernel.AddUserAddress(kEth0, Ip("192.168.0.5"), 16);
    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(kernel.log.back(), "route 192.168.1.200/32 dev 2 src 192.168.1.241 metric 100");

    // Another run's temporary address in the subnet is no address of the adapter's own.
    FakeKernelNetwork host;
    TempAddressGuard second(host, clock, sleeper);
    host.AddOtherRunsAddress(kEth0, Ip("192.168.1.242"), 32, kOtherRun, true);
    host.routes.push_back({Ip("192.168.1.0"), 24, Ip("192.168.1.242"), kEth0});
    ASSERT_EQ(second.Add(kEth0, Ip("192.168.1.200"), 24, Ip("192.168.1.241")).refusal, "");
    EXPECT_EQ(host.log.back(), "route 192.168.1.200/32 dev 2 src 192.168.1.241 metric 100");
}

TEST_F(TempAddressGuardTest, RefusesDevicesOutsideThePrivateNetworksAndForeignCandidates) {
    struct Case {
        const char* device;
        int prefix;
        const char* candidate;
        uint32_t link;
        const char* says;
    };
    for (const Case& c : {
             Case{"8.8.8.8", 8, "8.8.8.241", kEth0, "not on a private network"},
             Case{"8.8.8.8", 24, "8.8.8.241", kEth0, "not on a private network"},
             Case{"192.168.1.200", 8, "192.168.1.241", kEth0, "beyond its private network"},
             Case{"172.16.1.200", 11, "172.16.1.241", kEth0, "beyond its private network"},
             Case{"100.64.1.200", 24, "100.64.1.241", kEth0, "not on a private network"},
             Case{"169.254.1.200", 16, "169.254.1.241", kEth0, "not on a private network"},
             Case{"127.0.0.200", 24, "127.0.0.241", kEth0, "not on a private network"},
             Case{"224.0.1.200", 24, "224.0.1.241", kEth0, "not on a private network"},
             Case{"10.1.1.200", 31, "10.1.1.241", kEth0, "no room"},
             Case{"192.168.1.0", 24, "192.168.1.241", kEth0, "not a host address"},
             Case{"192.168.1.200", 24, "192.168.1.240", kEth0, "241-247"},
             Case{"192.168.1.200", 24, "192.168.1.248", kEth0, "241-247"},
             Case{"192.168.1.200", 24, "192.168.2.241", kEth0, "241-247"},
             Case{"192.168.1.241", 24, "192.168.1.241", kEth0, "device's own address"},
             Case{"192.168.1.10", 28, "192.168.1.241", kEth0, "not a host address of"},
             Case{"192.168.1.246", 29, "192.168.1.247", kEth0, "not a host address of"},
             Case{"192.168.1.200", 24, "192.168.1.241", kLo, "not an Ethernet or wireless"},
             Case{"192.168.1.200", 24, "192.168.1.241", 9, "no interface with index 9"},
         }) {
        EXPECT_THAT(Refused(Add(c.device, c.prefix, c.candidate, c.link)), HasSubstr(c.says))
            << c.device << "/" << c.prefix << " " << c.candidate;
    }
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, ACandidateThatAStationAnswersForIsRefused) {
    kernel.stations[kEth0][Ip("192.168.1.241")] = FakeKernelNetwork::Mac(0xEE);
    EXPECT_THAT(Add().refusal, HasSubstr("in use by 02:00:00:00:00:ee"));
    EXPECT_THAT(kernel.log, ElementsAre("arp 192.168.1.241 from 0.0.0.0 dev 2"));
    EXPECT_EQ(Add("192.168.1.200", 24, "192.168.1.242").refusal, "");
}

// A probe that could not be sent or heard (no socket, a failed send or receive) says
// nothing about the candidate: it is refused with a reason of its own, and so is ARP.
TEST_F(TempAddressGuardTest, AProbeThatFailsRefusesTheCandidate) {
    kernel.arpError = EMFILE;
    EXPECT_THAT(Refused(Add()), HasSubstr("the address probe for 192.168.1.241 on eth0 failed"));
    EXPECT_FALSE(guard.Held());
    EXPECT_EQ(kernel.names.count(TempAddressName(Ip("192.168.1.241"))), 0u);
    const TempAddressGuard::ArpOutcome arp = guard.Arp(kEth0, Ip("10.0.0.9"), Ip("10.0.0.5"));
    EXPECT_THAT(arp.refusal, HasSubstr("ARP on eth0 failed"));
    EXPECT_EQ(arp.answer, std::nullopt);
}

TEST_F(TempAddressGuardTest, AnAddressTheHostHoldsIsNeverReusedOrTheDevice) {
    kernel.AddUserAddress(kWlan0, Ip("192.168.1.241"), 24);
    EXPECT_THAT(Refused(Add()), HasSubstr("in use on wlan0"));
    kernel.AddOtherRunsAddress(kEth0, Ip("192.168.1.242"), 24, kOtherRun, true);
    EXPECT_THAT(Refused(Add("192.168.1.200", 24, "192.168.1.242")),
                HasSubstr("reserved by another run"));
    EXPECT_THAT(Refused(Add("10.0.0.5", 8, "10.0.0.241")), HasSubstr("an address of this host"));
}

TEST_F(TempAddressGuardTest, OneAddressPerRunAndAFailedReadCountsAsStillHeld) {
    ASSERT_EQ(Add().refusal, "");
    kernel.log.clear();
    EXPECT_THAT(Refused(Add("192.168.2.200", 24, "192.168.2.241")), HasSubstr("holds"));
    // The kernel cannot say whether the first is still there (every read fails): it still
    // counts.
    kernel.failedReads = 3;
    EXPECT_THAT(Refused(Add("192.168.2.200", 24, "192.168.2.241")), HasSubstr("holds"));
    // Once it has gone (expired, or removed by someone), another may come.
    std::erase_if(kernel.addresses,
                  [](const KernelAddress& a) { return a.owner == FakeKernelNetwork::kSelf; });
    EXPECT_EQ(Add("192.168.2.200", 24, "192.168.2.241").refusal, "");
}

TEST_F(TempAddressGuardTest, AnotherRunsAddressIsNeitherRemovedNorRenewedButALeftoverGoes) {
    kernel.AddOtherRunsAddress(kEth0, Ip("192.168.1.242"), 24, kOtherRun, true);
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.1.242")), HasSubstr("reserved by another run"));
    EXPECT_THAT(guard.Renew(kEth0, Ip("192.168.1.242")), HasSubstr("not this run's"));
    // Its owner runs, although the name is free: it stays as well.
    kernel.names.clear();
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.1.242")), HasSubstr("running process 200"));
    EXPECT_THAT(kernel.log, IsEmpty());
    ASSERT_TRUE(kernel.AddressAt(Ip("192.168.1.242")));
    EXPECT_EQ(kernel.NamesHeld(), 0u);

    // The run ended without removing it: a leftover, which may go.
    kernel.liveOwners.clear();
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.1.242")), "");
    EXPECT_FALSE(kernel.AddressAt(Ip("192.168.1.242")));
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.242/24 dev 2 eth0:tmsl");

    // Only our label on its own interface makes an address ours to judge.
    kernel.AddUserAddress(kEth0, Ip("192.168.7.241"), 24);
    kernel.addresses.push_back({kEth0, "eth0", Ip("192.168.8.241"), 24, "wlan0:tmsl", 0});
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.7.241")), HasSubstr("label eth0:tmsl"));
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.8.241")), HasSubstr("label eth0:tmsl"));
    EXPECT_THAT(guard.Delete(kWlan0, Ip("192.168.7.241")), HasSubstr("no address"));
    EXPECT_EQ(kernel.NamesHeld(), 0u);
}

// Another run holds a candidate's name while it holds the address, or may still renew it
// (stopped, say, while its address expired), or removes it: nobody adds, renews or removes
// that address meanwhile.
TEST_F(TempAddressGuardTest, AnAddressWhoseNameAnotherRunHoldsIsNeitherAddedNorRemoved) {
    kernel.names[TempAddressName(Ip("192.168.1.241"))] = kOtherRun;
    kernel.liveOwners.insert(kOtherRun);
    EXPECT_THAT(Refused(Add()), HasSubstr("192.168.1.241 is reserved by another run"));
    kernel.addresses.push_back({kEth0, "eth0", Ip("192.168.1.241"), 32, "eth0:tmsl", 0});
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.1.241")), HasSubstr("reserved"));
    // Nor as a leftover of another set-up.
    ASSERT_EQ(Add("192.168.2.200", 24, "192.168.2.241").refusal, "");
    EXPECT_TRUE(kernel.AddressAt(Ip("192.168.1.241")));
    EXPECT_EQ(kernel.Count("delete"), 0u);
}

// The name is this run's from before the add until the address has gone.
TEST_F(TempAddressGuardTest, ThisRunHoldsTheAddressesNameForAsLongAsItMayRenewIt) {
    const std::string name = TempAddressName(Ip("192.168.1.241"));
    kernel.onArp = [&] { EXPECT_EQ(kernel.names[name], FakeKernelNetwork::kSelf); };
    ASSERT_EQ(Add().refusal, "");
    kernel.onArp = nullptr;
    // Expired, the name stays until this run learns that it is gone.
    std::erase_if(kernel.addresses,
                  [](const KernelAddress& a) { return a.owner == FakeKernelNetwork::kSelf; });
    EXPECT_EQ(kernel.names.count(name), 1u);
    EXPECT_THAT(guard.Renew(kEth0, Ip("192.168.1.241")), HasSubstr("gone"));
    EXPECT_EQ(kernel.names.count(name), 0u);

    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.1.241")), "");
    EXPECT_EQ(kernel.names.count(name), 0u);

    // A delete that finds it gone gives the name back as well.
    ASSERT_EQ(Add().refusal, "");
    std::erase_if(kernel.addresses,
                  [](const KernelAddress& a) { return a.owner == FakeKernelNetwork::kSelf; });
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.1.241")), HasSubstr("gone"));
    EXPECT_EQ(kernel.names.count(name), 0u);
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, DeleteTakesThisRunsEntryWhereTheUserHoldsTheSameAddressToo) {
    ASSERT_EQ(Add().refusal, "");
    kernel.addresses.insert(kernel.addresses.begin(),
                            {kEth0, "eth0", Ip("192.168.1.241"), 24, "eth0", 0});
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.1.241")), "");
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2 eth0:tmsl");
    ASSERT_TRUE(kernel.AddressAt(Ip("192.168.1.241")));
    EXPECT_EQ(kernel.AddressAt(Ip("192.168.1.241"))->prefixLength, 24);

    // A leftover of an ended run with the same address, listed after this run's own.
    ASSERT_EQ(Add("192.168.2.200", 24, "192.168.2.241").refusal, "");
    kernel.addresses.push_back({kEth0, "eth0", Ip("192.168.2.241"), 24, "eth0:tmsl", 300});
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.2.241")), "");
    EXPECT_EQ(kernel.log.back(), "delete 192.168.2.241/32 dev 2 eth0:tmsl");
    EXPECT_EQ(kernel.AddressAt(Ip("192.168.2.241"))->prefixLength, 24);
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, TheSameCandidateAddedMeanwhileOnAnotherInterfaceMakesThisOneGiveWay) {
    kernel.onArp = [this] { kernel.AddUserAddress(kWlan0, Ip("192.168.1.241"), 32); };
    EXPECT_THAT(Add().refusal, HasSubstr("taken on wlan0"));
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2 eth0:tmsl");
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, TheHostHoldsAtMostFourAndLeftoversMakeRoomFirst) {
    for (int i = 0; i < 4; ++i) {
        kernel.AddOtherRunsAddress(kEth0, Ip("192.168.9.241") + static_cast<Ipv4>(i) * 256, 24,
                                   kOtherRun + i, true);
    }
    EXPECT_THAT(Refused(Add()), HasSubstr("4 temporary addresses"));

    // Every leftover goes, not only the first.
    kernel.liveOwners.erase(kOtherRun);
    kernel.liveOwners.erase(kOtherRun + 2);
    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(kernel.log[0], "delete 192.168.9.241/24 dev 2 eth0:tmsl");
    EXPECT_EQ(kernel.log[1], "delete 192.168.11.241/24 dev 2 eth0:tmsl");
    EXPECT_TRUE(kernel.AddressAt(Ip("192.168.10.241")));
}

TEST_F(TempAddressGuardTest, AnotherRunThatAddedMeanwhileMakesThisOneGiveWay) {
    // Every address with our label counts, with an owner or without.
    for (const uint32_t owner : {kOtherRun, 0u}) {
        FakeKernelNetwork host;
        TempAddressGuard fresh(host, clock, sleeper);
        host.onArp = [&host, owner] {
            for (uint32_t i = 0; i < 4; ++i) {
                host.AddOtherRunsAddress(kWlan0, Ip("192.168.9.241") + i * 256, 24,
                                         owner == 0 ? 0 : owner + i, owner != 0);
            }
            host.onArp = nullptr;
        };
        EXPECT_THAT(fresh.Add(kEth0, Ip("192.168.1.200"), 24, Ip("192.168.1.241")).refusal,
                    HasSubstr("limit"))
            << "owner " << owner;
        EXPECT_FALSE(host.AddressAt(Ip("192.168.1.241")));
        EXPECT_FALSE(fresh.Held());
    }
}

TEST_F(TempAddressGuardTest, ARouteThatCannotBeAddedTakesItsAddressAlong) {
    kernel.failRoutes = true;
    EXPECT_THAT(Add().refusal, HasSubstr("route"));
    EXPECT_FALSE(kernel.AddressAt(Ip("192.168.1.241")));
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, RenewsOnlyItsOwnAddressWithItsOwnLifetime) {
    EXPECT_THAT(guard.Renew(kEth0, Ip("192.168.1.241")), HasSubstr("not this run's"));
    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(guard.Renew(kEth0, Ip("192.168.1.241")), "");
    EXPECT_EQ(kernel.log.back(), "renew 192.168.1.241/32 dev 2 eth0:tmsl 120 owner 100");
    EXPECT_THAT(guard.Renew(kWlan0, Ip("192.168.1.241")), HasSubstr("not this run's"));
    // Gone: it stays gone.
    std::erase_if(kernel.addresses,
                  [](const KernelAddress& a) { return a.owner == FakeKernelNetwork::kSelf; });
    EXPECT_THAT(guard.Renew(kEth0, Ip("192.168.1.241")), HasSubstr("gone"));
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, OptionsNeverLoosenTheRules) {
    TempAddressGuardOptions options;
    options.lifetimeSeconds = 3600;
    options.hostLimit = 100;
    TempAddressGuard loose(kernel, clock, sleeper, options);
    for (int i = 0; i < 4; ++i) {
        kernel.AddOtherRunsAddress(kWlan0, Ip("192.168.9.241") + static_cast<Ipv4>(i) * 256, 32,
                                   kOtherRun + i, true);
    }
    EXPECT_THAT(loose.Add(kEth0, Ip("192.168.1.200"), 24, Ip("192.168.1.241")).refusal,
                HasSubstr("4 temporary addresses"));
    kernel.liveOwners.erase(kOtherRun);
    ASSERT_EQ(loose.Add(kEth0, Ip("192.168.1.200"), 24, Ip("192.168.1.241")).refusal, "");
    EXPECT_EQ(kernel.lifetimes[Ip("192.168.1.241")], 120u);
}

TEST_F(TempAddressGuardTest, ArpOnlyFromAnAddressTheInterfaceHoldsAndOnlyOnItsSubnets) {
    kernel.stations[kEth0][Ip("10.0.0.9")] = FakeKernelNetwork::Mac(9);
    // A request from a foreign sender address would poison the neighbours' caches.
    EXPECT_THAT(guard.Arp(kEth0, Ip("10.0.0.9"), Ip("10.0.0.6")).refusal,
                HasSubstr("not an address"));
    EXPECT_THAT(guard.Arp(kEth0, Ip("8.8.8.8"), Ip("10.0.0.5")).refusal,
                HasSubstr("not on a subnet"));
    // Nor from an address that only another interface holds.
    kernel.AddUserAddress(kWlan0, Ip("192.168.5.5"), 24);
    EXPECT_THAT(guard.Arp(kWlan0, Ip("192.168.5.9"), Ip("10.0.0.5")).refusal,
                HasSubstr("10.0.0.5 is not an address of wlan0"));
    EXPECT_THAT(guard.Arp(kEth0, Ip("10.255.255.255"), 0).refusal, HasSubstr("not on a subnet"));
    EXPECT_THAT(guard.Arp(kLo, Ip("127.0.0.1"), 0).refusal, HasSubstr("not an Ethernet"));
    EXPECT_THAT(kernel.log, IsEmpty());
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), Ip("10.0.0.5")).answer, FakeKernelNetwork::Mac(9));
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.7"), 0).answer, std::nullopt);

    // A probe (sender 0.0.0.0) may ask for any host of a private network, off the
    // interface's subnets too: whether a device behind a gateway's route is on this LAN.
    // Never from an address, never for a public address or a private network's broadcast.
    kernel.stations[kEth0][Ip("192.168.7.20")] = FakeKernelNetwork::Mac(20);
    EXPECT_EQ(guard.Arp(kEth0, Ip("192.168.7.20"), 0).answer, FakeKernelNetwork::Mac(20));
    EXPECT_THAT(guard.Arp(kEth0, Ip("192.168.7.20"), Ip("10.0.0.5")).refusal,
                HasSubstr("not on a subnet"));
    EXPECT_THAT(guard.Arp(kEth0, Ip("8.8.8.8"), 0).refusal, HasSubstr("not on a subnet"));
    EXPECT_THAT(guard.Arp(kEth0, Ip("192.168.255.255"), 0).refusal, HasSubstr("not on a subnet"));
    EXPECT_THAT(guard.Arp(kEth0, Ip("172.16.0.0"), 0).refusal, HasSubstr("not on a subnet"));

    // The device this run holds an address for, from that address, on that interface.
    kernel.routes.push_back({Ip("192.168.0.0"), 16, 0, kWlan0, Ip("192.168.5.1")});
    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(guard.Arp(kEth0, Ip("192.168.1.200"), Ip("192.168.1.241")).refusal, "");
    EXPECT_EQ(guard.FlushNeighbour(kEth0, Ip("192.168.1.200")), "");
    EXPECT_THAT(guard.FlushNeighbour(kEth0, Ip("192.168.1.201")), HasSubstr("not on a subnet"));
    EXPECT_THAT(guard.FlushNeighbour(kWlan0, Ip("192.168.1.200")),
                HasSubstr("not on a subnet of wlan0"));
    EXPECT_EQ(kernel.log.back(), "forget 192.168.1.200 dev 2");
}

// A place's budgets start empty: its first ARP request and its first flush wait one period
// for their token, and the burst comes only with time. A request beyond the budget waits
// for its turn.
TEST_F(TempAddressGuardTest, ArpAndFlushesWaitForTheirTurnFromAnEmptyStart) {
    TempAddressGuardOptions options;
    options.arp = {3, 1000};
    options.neighbourFlushes = {2, 400};
    TempAddressGuard limited(kernel, clock, sleeper, options);
    const auto slept = [this] {
        const uint32_t total = std::accumulate(sleeper.sleeps.begin(), sleeper.sleeps.end(), 0u);
        sleeper.sleeps.clear();
        return total;
    };
    EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_EQ(slept(), 1000u);
    EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_EQ(slept(), 1000u);
    // The probe of a candidate counts as well.
    ASSERT_EQ(limited.Add(kEth0, Ip("192.168.1.200"), 24, Ip("192.168.1.241")).refusal, "");
    EXPECT_EQ(slept(), 1000u);
    // Time earns the burst, and no more.
    clock.Advance(60000);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    }
    EXPECT_EQ(slept(), 0u);
    EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_EQ(slept(), 1000u);

    // The flushes earned their burst meanwhile, and no more.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(limited.FlushNeighbour(kEth0, Ip("10.0.0.9")), "");
    }
    EXPECT_EQ(slept(), 400u);
    EXPECT_EQ(kernel.Count("arp"), 7u);
    EXPECT_EQ(kernel.Count("forget"), 3u);

    // A cancel ends a wait for a token, and nothing is sent.
    sleeper.onSleep = [&limited] { limited.Cancel(); };
    EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).answer, std::nullopt);
    EXPECT_EQ(limited.FlushNeighbour(kEth0, Ip("10.0.0.9")), "cancelled");
    EXPECT_EQ(kernel.Count("arp"), 7u);
    EXPECT_EQ(kernel.Count("forget"), 3u);
}

TEST_F(TempAddressGuardTest, ByDefaultAPlaceEarnsTwoArpRequestsASecondUpTo24) {
    // How many requests go out before the first wait.
    const auto unpaced = [this](auto request) {
        sleeper.sleeps.clear();
        int count = 0;
        while (sleeper.sleeps.empty() && count < 100) {
            EXPECT_EQ(request(), "");
            ++count;
        }
        return count - 1;
    };
    const auto arp = [this] { return guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal; };
    const auto flush = [this] { return guard.FlushNeighbour(kEth0, Ip("10.0.0.9")); };
    EXPECT_EQ(unpaced(arp), 0);  // the first waits
    clock.Advance(60000);
    EXPECT_EQ(unpaced(arp), 24);
    EXPECT_EQ(sleeper.sleeps.back(), 20u);
    clock.Advance(1000);
    EXPECT_EQ(unpaced(arp), 2);
    clock.Advance(60000);
    EXPECT_EQ(unpaced(flush), 8);
}

// ARP and flushes need one of the host's few places, which a run keeps until it ends; a
// run that ends and one that starts anew win no burst, as every place starts empty.
TEST_F(TempAddressGuardTest, ArpNeedsOneOfTheHostsPlacesAndEachStartsEmpty) {
    for (size_t place = 0; place < kArpPlaces; ++place) {
        kernel.names[ArpPlaceName(place)] = kOtherRun + static_cast<uint32_t>(place);
        kernel.liveOwners.insert(kOtherRun + static_cast<uint32_t>(place));
    }
    EXPECT_THAT(guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, HasSubstr("all 4 places"));
    EXPECT_THAT(guard.FlushNeighbour(kEth0, Ip("10.0.0.9")), HasSubstr("all 4 places"));
    EXPECT_THAT(Refused(Add()), HasSubstr("all 4 places"));
    kernel.failNames = true;
    EXPECT_THAT(guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, HasSubstr("no place"));
    kernel.failNames = false;

    kernel.liveOwners.erase(kOtherRun + 2);
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_EQ(kernel.names[ArpPlaceName(2)], FakeKernelNetwork::kSelf);
    guard.Finish();
    EXPECT_EQ(kernel.names.count(ArpPlaceName(2)), 0u);

    // A run after it starts from nothing again.
    for (int run = 0; run < 3; ++run) {
        TempAddressGuard next(kernel, clock, sleeper);
        sleeper.sleeps.clear();
        EXPECT_EQ(next.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
        EXPECT_EQ(std::accumulate(sleeper.sleeps.begin(), sleeper.sleeps.end(), 0u), 500u);
        next.Finish();
    }
}

// A cancel that arrives before the request it was meant for still holds: the request does
// not wait, and neither does any after it, until the program resumes.
TEST_F(TempAddressGuardTest, ACancelHoldsUntilResumeEvenBeforeTheRequestArrives) {
    kernel.stations[kEth0][Ip("10.0.0.9")] = FakeKernelNetwork::Mac(9);
    guard.Cancel();
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), Ip("10.0.0.5")).answer, std::nullopt);
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), Ip("10.0.0.5")).answer, std::nullopt);
    EXPECT_EQ(Add().refusal, "cancelled");
    EXPECT_EQ(kernel.Count("arp"), 0u);

    guard.Resume();
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), Ip("10.0.0.5")).answer, FakeKernelNetwork::Mac(9));

    // A cancel during the probe of a candidate adds nothing.
    kernel.onArp = [this] { guard.Cancel(); };
    EXPECT_EQ(Add().refusal, "cancelled");
    EXPECT_FALSE(kernel.AddressAt(Ip("192.168.1.241")));
}

TEST_F(TempAddressGuardTest, FinishRemovesTheAddressItAddedAndNothingElse) {
    kernel.AddOtherRunsAddress(kWlan0, Ip("192.168.7.241"), 24, kOtherRun, true);
    ASSERT_EQ(Add().refusal, "");
    guard.Finish();
    ASSERT_FALSE(kernel.log.empty());
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2 eth0:tmsl");
    EXPECT_TRUE(kernel.AddressAt(Ip("192.168.7.241")));
    EXPECT_EQ(kernel.NamesHeld(), 0u);

    // Gone meanwhile, and the user gave the same address and prefix to the interface
    // himself, without our label: his stays.
    ASSERT_EQ(Add().refusal, "");
    std::erase_if(kernel.addresses,
                  [](const KernelAddress& a) { return a.owner == FakeKernelNetwork::kSelf; });
    kernel.AddUserAddress(kEth0, Ip("192.168.1.241"), 32);
    kernel.log.clear();
    guard.Finish();
    EXPECT_THAT(kernel.log, IsEmpty());
    EXPECT_TRUE(kernel.AddressAt(Ip("192.168.1.241")));
}

TEST_F(TempAddressGuardTest, FinishRemovesTheAddressAlsoWhenTheKernelCannotSayItIsThere) {
    ASSERT_EQ(Add().refusal, "");
    kernel.failedReads = 10;
    guard.Finish();
    EXPECT_FALSE(kernel.AddressAt(Ip("192.168.1.241")));
    EXPECT_FALSE(guard.Held());
}

}  // namespace
