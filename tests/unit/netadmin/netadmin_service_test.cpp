#include "netadmin/netadmin_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "support/fakes/fake_answer_watch.h"
#include "support/fakes/fake_kernel_network.h"
#include "support/fakes/fake_tick_clock.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The helper's request lines against a fake kernel: the guard's rules are tested on their
// own (tests/unit/hostnet); this is the line protocol's side of them.
class NetAdminServiceTest : public ::testing::Test {
protected:
    // The answer, asserting that the request changed and sent nothing.
    std::string Refused(const std::string& line) {
        const size_t logged = kernel.log.size();
        const std::string answer = service.Handle(line);
        EXPECT_THAT(answer, StartsWith("error ")) << line;
        EXPECT_EQ(kernel.log.size(), logged) << line << ": " << kernel.log.back();
        return answer;
    }

    FakeKernelNetwork kernel;
    FakeTickClock clock;
    AdvancingSleeper sleeper{clock};
    TempAddressGuard guard{kernel, clock, sleeper};
    NetAdminService service{guard};
};

TEST_F(NetAdminServiceTest, AddsRenewsAndDeletesThisRunsAddressAsTheRulesDecide) {
    EXPECT_EQ(service.Handle("add 2 192.168.1.200/24 192.168.1.241"), "ok 192.168.1.241/32");
    EXPECT_EQ(service.Handle("renew 2 192.168.1.241"), "ok");
    EXPECT_EQ(service.Handle("delete 2 192.168.1.241"), "ok");
    // wlan0 is a LAN adapter as well; a long name is cut to fit the label.
    kernel.links[3].name = "wlxaabbccddeeff";
    kernel.routes.push_back(
        {FakeKernelNetwork::Ip("10.1.0.0"), 16, 0, 2, FakeKernelNetwork::Ip("10.0.0.1")});
    EXPECT_EQ(service.Handle("add 3 10.1.2.3/16 10.1.2.247"), "ok 10.1.2.247/32");
    EXPECT_EQ(kernel.AddressAt(FakeKernelNetwork::Ip("10.1.2.247"))->label, "wlxaabbccd:tmsl");
}

TEST_F(NetAdminServiceTest, RefusesWhatTheRulesForbidWithAReason) {
    EXPECT_THAT(Refused("add 2 8.8.8.8/8 8.8.8.241"), HasSubstr("private network"));
    EXPECT_THAT(Refused("add 2 192.168.1.200/24 192.168.1.248"), HasSubstr("241-247"));
    EXPECT_THAT(Refused("add 9 192.168.1.200/24 192.168.1.241"), HasSubstr("index 9"));
    EXPECT_THAT(Refused("delete 2 10.0.0.5"), HasSubstr("label eth0:tmsl"));
    EXPECT_THAT(Refused("renew 2 10.0.0.5"), HasSubstr("not this run's"));
    EXPECT_THAT(Refused("arp 2 192.168.1.200 192.168.1.1"), HasSubstr("not on a subnet"));
    EXPECT_THAT(Refused("flush 1 127.0.0.1"), HasSubstr("not an Ethernet"));
    EXPECT_THAT(Refused("add 2 192.168.1.200/24"), HasSubstr("malformed"));
    EXPECT_THAT(Refused("add 2 192.168.1.241/24 120"), HasSubstr("malformed"));
    Refused("dump");
    Refused("add eth0 192.168.1.200/24 192.168.1.241");
}

// What the host is like now decides, whoever asks: the answers name why, one line each.
TEST_F(NetAdminServiceTest, RefusesWhatTheHostsStateForbidsWithAReason) {
    const auto Ip = &FakeKernelNetwork::Ip;
    // A device on another LAN of the host, and the host's own gateway.
    kernel.AddUserAddress(3, Ip("10.77.0.5"), 24);
    EXPECT_THAT(Refused("add 2 10.77.0.53/24 10.77.0.241"), HasSubstr("on the link of wlan0"));
    EXPECT_THAT(Refused("add 2 10.0.0.1/24 10.0.0.241"), HasSubstr("from 10.0.0.5"));
    // Another run holds the candidate's name: stopped, say, while its address expired.
    kernel.names[TempAddressName(Ip("192.168.1.241"))] = 200;
    kernel.liveOwners.insert(200);
    EXPECT_THAT(Refused("add 2 192.168.1.200/24 192.168.1.241"), HasSubstr("reserved"));
    EXPECT_THAT(Refused("delete 2 192.168.1.241"), HasSubstr("reserved"));
    // ARP that cannot be sent or heard is no answer.
    kernel.arpError = EMFILE;
    EXPECT_THAT(Refused("add 2 192.168.1.200/24 192.168.1.242"), HasSubstr("probe"));
    EXPECT_THAT(Refused("arp 2 10.0.0.9 10.0.0.5"), HasSubstr("ARP on eth0 failed"));
    kernel.arpError = 0;
    // No place for ARP on the host.
    guard.Finish();
    for (size_t place = 0; place < kArpPlaces; ++place) {
        kernel.names[ArpPlaceName(place)] = 200;
    }
    EXPECT_THAT(Refused("flush 2 10.0.0.9"), HasSubstr("places"));
    EXPECT_THAT(Refused("arp 2 10.0.0.9 0.0.0.0"), HasSubstr("places"));
}

TEST_F(NetAdminServiceTest, ArpAnswersWithTheHardwareAddressOrNone) {
    kernel.stations[2][FakeKernelNetwork::Ip("10.0.0.9")] = FakeKernelNetwork::Mac(9);
    EXPECT_EQ(service.Handle("arp 2 10.0.0.9 10.0.0.5"), "ok 02:00:00:00:00:09");
    EXPECT_EQ(service.Handle("arp 2 10.0.0.7 0.0.0.0"), "none");
    EXPECT_EQ(service.Handle("flush 2 10.0.0.9"), "ok");
}

// SIGUSR1 may reach the helper before the request it was meant to cut short. The cancel
// holds until "resume": that request, and any after it, answer "none" without waiting.
TEST_F(NetAdminServiceTest, ACancelThatOvertakesItsRequestIsNotLost) {
    kernel.stations[2][FakeKernelNetwork::Ip("10.0.0.9")] = FakeKernelNetwork::Mac(9);
    service.Cancel();
    EXPECT_EQ(service.Handle("arp 2 10.0.0.9 10.0.0.5"), "none");
    EXPECT_EQ(service.Handle("arp 2 10.0.0.9 10.0.0.5"), "none");
    EXPECT_EQ(service.Handle("add 2 192.168.1.200/24 192.168.1.241"), "error cancelled");
    EXPECT_EQ(kernel.Count("arp"), 0u);
    // Removing the address needs no wait and works while cancelled.
    EXPECT_EQ(service.Handle("resume"), "ok");
    EXPECT_EQ(service.Handle("arp 2 10.0.0.9 10.0.0.5"), "ok 02:00:00:00:00:09");
}

TEST_F(NetAdminServiceTest, FinishRemovesTheAddressItAddedAndNothingElse) {
    kernel.AddOtherRunsAddress(3, FakeKernelNetwork::Ip("192.168.7.241"), 24, 200, true);
    ASSERT_EQ(service.Handle("add 2 192.168.1.200/24 192.168.1.241"), "ok 192.168.1.241/32");
    service.Finish();
    ASSERT_FALSE(kernel.log.empty());
    EXPECT_EQ(kernel.log.back(), "delete 192.168.1.241/32 dev 2 eth0:tmsl");
    EXPECT_TRUE(kernel.AddressAt(FakeKernelNetwork::Ip("192.168.7.241")));

    // An address the program deleted itself is not deleted again.
    ASSERT_EQ(service.Handle("add 2 192.168.1.200/24 192.168.1.242"), "ok 192.168.1.242/32");
    ASSERT_EQ(service.Handle("delete 2 192.168.1.242"), "ok");
    kernel.log.clear();
    service.Finish();
    EXPECT_EQ(kernel.Count("delete"), 0u);
}

// The watch of the answers to a search: one at a time, a bounded time asked of the
// factory, and nothing but a count in the answer.
TEST(NetAdminServiceWatchTest, AWatchCountsUntilCountAndOnlyTheCountComesBack) {
    FakeKernelNetwork kernel;
    FakeTickClock clock;
    AdvancingSleeper sleeper{clock};
    TempAddressGuard guard{kernel, clock, sleeper};
    auto state = std::make_shared<FakeAnswerWatchState>();
    std::vector<std::chrono::seconds> limits;
    NetAdminService service{guard, [&](std::chrono::seconds limit) {
                                limits.push_back(limit);
                                return std::make_unique<FakeAnswerWatch>(state);
                            }};
    EXPECT_THAT(service.Handle("count"), HasSubstr("no watch"));
    EXPECT_EQ(service.Handle("watch 30"), "ok");
    state->arrived = 2;
    EXPECT_EQ(service.Handle("count"), "ok 2");
    EXPECT_THAT(service.Handle("count"), HasSubstr("no watch"));
    // A new watch replaces one that runs.
    EXPECT_EQ(service.Handle("watch 5"), "ok");
    EXPECT_EQ(service.Handle("watch 6"), "ok");
    EXPECT_EQ(state->stops, 1);
    EXPECT_EQ(limits,
              (std::vector<std::chrono::seconds>{std::chrono::seconds(30), std::chrono::seconds(5),
                                                 std::chrono::seconds(6)}));
    EXPECT_THAT(service.Handle("watch 121"), StartsWith("error malformed"));
    // The program's end ends the watch.
    service.Finish();
    EXPECT_FALSE(state->running);
    EXPECT_TRUE(kernel.log.empty());

    state->startSucceeds = false;
    EXPECT_THAT(service.Handle("watch 5"), StartsWith("error "));
    NetAdminService without{guard};
    EXPECT_THAT(without.Handle("watch 5"), HasSubstr("cannot watch"));
}

}  // namespace
