#include "hostnet/temp_address_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_kernel_network.h"
#include "fakes/fake_tick_clock.h"

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
    TempAddressGuard guard{kernel, clock};
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
}

TEST_F(TempAddressGuardTest, ASubnetThatAnotherRouteServesMovesOnlyTheDevice) {
    // A VPN's route covers the device's subnet: the device alone leaves it.
    kernel.routes.push_back({Ip("192.168.0.0"), 16, 0});
    ASSERT_EQ(Add().refusal, "");
    EXPECT_THAT(kernel.log,
                ElementsAre("arp 192.168.1.241 from 0.0.0.0 dev 2",
                            "add 192.168.1.241/32 dev 2 eth0:tmsl 120 owner 100",
                            "route 192.168.1.200/32 dev 2 src 192.168.1.241 metric 100"));

    // A subnet wider than a /24, or a route state the kernel cannot report, likewise.
    for (const auto& [prefix, lookupFails] : {std::pair{16, false}, std::pair{24, true}}) {
        FakeKernelNetwork other;
        TempAddressGuard fresh(other, clock);
        other.failedRouteLookups = lookupFails;
        ASSERT_EQ(fresh.Add(kEth0, Ip("192.168.1.200"), prefix, Ip("192.168.1.241")).refusal, "");
        EXPECT_EQ(other.log.back(), "route 192.168.1.200/32 dev 2 src 192.168.1.241 metric 100");
    }
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

TEST_F(TempAddressGuardTest, AnAddressTheHostHoldsIsNeverReusedOrTheDevice) {
    kernel.AddUserAddress(kWlan0, Ip("192.168.1.241"), 24);
    EXPECT_THAT(Refused(Add()), HasSubstr("in use on wlan0"));
    kernel.AddOtherRunsAddress(kEth0, Ip("192.168.1.242"), 24, kOtherRun, true);
    EXPECT_THAT(Refused(Add("192.168.1.200", 24, "192.168.1.242")), HasSubstr("in use on eth0"));
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
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.1.242")), HasSubstr("running process 200"));
    EXPECT_THAT(guard.Renew(kEth0, Ip("192.168.1.242")), HasSubstr("not this run's"));
    EXPECT_THAT(kernel.log, IsEmpty());
    ASSERT_TRUE(kernel.AddressAt(Ip("192.168.1.242")));

    // The run ended without removing it: a leftover, which may go.
    kernel.liveOwners.clear();
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.1.242")), "");
    EXPECT_FALSE(kernel.AddressAt(Ip("192.168.1.242")));

    // Only our label on its own interface makes an address ours to judge.
    kernel.AddUserAddress(kEth0, Ip("192.168.7.241"), 24);
    kernel.addresses.push_back({kEth0, "eth0", Ip("192.168.8.241"), 24, "wlan0:tmsl", 0});
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.7.241")), HasSubstr("label eth0:tmsl"));
    EXPECT_THAT(guard.Delete(kEth0, Ip("192.168.8.241")), HasSubstr("label eth0:tmsl"));
    EXPECT_THAT(guard.Delete(kWlan0, Ip("192.168.7.241")), HasSubstr("no address"));
}

TEST_F(TempAddressGuardTest, DeleteTakesThisRunsEntryWhereTheUserHoldsTheSameAddressToo) {
    ASSERT_EQ(Add().refusal, "");
    kernel.addresses.insert(kernel.addresses.begin(),
                            {kEth0, "eth0", Ip("192.168.1.241"), 24, "eth0", 0});
    EXPECT_EQ(guard.Delete(kEth0, Ip("192.168.1.241")), "");
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2");
    ASSERT_TRUE(kernel.AddressAt(Ip("192.168.1.241")));
    EXPECT_EQ(kernel.AddressAt(Ip("192.168.1.241"))->prefixLength, 24);
}

TEST_F(TempAddressGuardTest, TheSameCandidateAddedMeanwhileOnAnotherInterfaceMakesThisOneGiveWay) {
    kernel.onArp = [this] {
        kernel.AddOtherRunsAddress(kWlan0, Ip("192.168.1.241"), 32, kOtherRun, true);
    };
    EXPECT_THAT(Add().refusal, HasSubstr("taken on wlan0"));
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2");
    EXPECT_FALSE(guard.Held());
}

TEST_F(TempAddressGuardTest, TheHostHoldsAtMostFourAndLeftoversMakeRoomFirst) {
    for (int i = 0; i < 4; ++i) {
        kernel.AddOtherRunsAddress(kEth0, Ip("192.168.9.241") + static_cast<Ipv4>(i) * 256, 24,
                                   kOtherRun + i, true);
    }
    EXPECT_THAT(Refused(Add()), HasSubstr("4 temporary addresses"));

    kernel.liveOwners.erase(kOtherRun);
    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(kernel.log.front(), "delete 192.168.9.241/24 dev 2");
}

TEST_F(TempAddressGuardTest, AnotherRunThatAddedMeanwhileMakesThisOneGiveWay) {
    kernel.onArp = [this] {
        for (int i = 0; i < 4; ++i) {
            kernel.AddOtherRunsAddress(kWlan0, Ip("192.168.9.241") + static_cast<Ipv4>(i) * 256, 24,
                                       kOtherRun + i, true);
        }
        kernel.onArp = nullptr;
    };
    EXPECT_THAT(Add().refusal, HasSubstr("limit"));
    EXPECT_FALSE(kernel.AddressAt(Ip("192.168.1.241")));
    EXPECT_FALSE(guard.Held());
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
    EXPECT_EQ(kernel.log.back(), "renew 192.168.1.241/32 dev 2 eth0:tmsl 120");
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
    TempAddressGuard loose(kernel, clock, options);
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

    // The device this run holds an address for, from that address.
    kernel.routes.push_back({Ip("192.168.0.0"), 16, 0});
    ASSERT_EQ(Add().refusal, "");
    EXPECT_EQ(guard.Arp(kEth0, Ip("192.168.1.200"), Ip("192.168.1.241")).refusal, "");
    EXPECT_EQ(guard.FlushNeighbour(kEth0, Ip("192.168.1.200")), "");
    EXPECT_THAT(guard.FlushNeighbour(kEth0, Ip("192.168.1.201")), HasSubstr("not on a subnet"));
    EXPECT_EQ(kernel.log.back(), "forget 192.168.1.200 dev 2");
}

TEST_F(TempAddressGuardTest, ArpAndFlushesAreRateLimited) {
    TempAddressGuardOptions options;
    options.arp = {3, 1000};
    options.neighbourFlushes = {2, 1000};
    TempAddressGuard limited(kernel, clock, options);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    }
    EXPECT_THAT(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, HasSubstr("too many"));
    // The probe of a candidate counts as well.
    EXPECT_THAT(limited.Add(kEth0, Ip("192.168.1.200"), 24, Ip("192.168.1.241")).refusal,
                HasSubstr("too many"));
    clock.Advance(1000);
    EXPECT_EQ(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_THAT(limited.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, HasSubstr("too many"));

    EXPECT_EQ(limited.FlushNeighbour(kEth0, Ip("10.0.0.9")), "");
    EXPECT_EQ(limited.FlushNeighbour(kEth0, Ip("10.0.0.9")), "");
    EXPECT_THAT(limited.FlushNeighbour(kEth0, Ip("10.0.0.9")), HasSubstr("too many"));
    EXPECT_EQ(kernel.Count("arp"), 4u);
    EXPECT_EQ(kernel.Count("forget"), 2u);
}

TEST_F(TempAddressGuardTest, ByDefault24ArpRequestsAtOnceThenTwoASecond) {
    int answered = 0;
    while (guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal.empty() && answered < 100) {
        ++answered;
    }
    EXPECT_EQ(answered, 24);
    clock.Advance(1000);
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_EQ(guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");
    EXPECT_NE(guard.Arp(kEth0, Ip("10.0.0.9"), 0).refusal, "");

    int flushed = 0;
    while (guard.FlushNeighbour(kEth0, Ip("10.0.0.9")).empty() && flushed < 100) {
        ++flushed;
    }
    EXPECT_EQ(flushed, 8);
    clock.Advance(1000);
    EXPECT_EQ(guard.FlushNeighbour(kEth0, Ip("10.0.0.9")), "");
    EXPECT_NE(guard.FlushNeighbour(kEth0, Ip("10.0.0.9")), "");
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
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2");
    EXPECT_TRUE(kernel.AddressAt(Ip("192.168.7.241")));

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
