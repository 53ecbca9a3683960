// The search at an address or a block of addresses: the manager with a fake socket and
// a hand-moved clock, ticked as the 300 ms discovery timer ticks.

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <set>

#include "discovery/discovery_manager.h"
#include "support/fakes/fake_socket.h"
#include "support/fakes/fake_tick_clock.h"
#include "support/reply_builder.h"

namespace {

SearchTarget Target(const wchar_t* text) {
    const SearchTargetParse parsed = ParseSearchTarget(text);
    EXPECT_TRUE(parsed.target.has_value());
    return parsed.target.value_or(SearchTarget{});
}

class AddressSearchTest : public ::testing::Test {
protected:
    struct Send {
        int tick;
        uint32_t time;
        std::string address;
    };

    // Runs the timer until the queue is empty; records every datagram with its tick.
    void Run(int maxTicks = 1000) {
        for (int tick = 0; tick < maxTicks && manager.GetRequestCount() > 0; ++tick) {
            currentTick = tick;
            const size_t before = socket().unicasts.size();
            manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
            for (size_t i = before; i < socket().unicasts.size(); ++i) {
                sends.push_back({tick, clock.GetTickCount(), socket().unicasts[i].address});
            }
            endTick = tick;
            clock.Advance(DiscoveryManager::kTimerPeriodMs);
        }
    }
    FakeSocketState& socket() { return *sockets.states.front(); }

    // Each address's sends, in order.
    std::map<std::string, std::vector<Send>> ByAddress() const {
        std::map<std::string, std::vector<Send>> by;
        for (const Send& s : sends) {
            by[s.address].push_back(s);
        }
        return by;
    }

    // Every address of the target had exactly three sends, each more than 750 ms after
    // the one before, and no tick carried more than three batches' worth.
    void ExpectBroadcastPacing(const SearchTarget& target) {
        const auto by = ByAddress();
        ASSERT_EQ(by.size(), target.Count());
        for (uint32_t i = 0; i < target.Count(); ++i) {
            const std::string address = FormatIpv4Ascii(target.Address(i));
            const auto it = by.find(address);
            ASSERT_NE(it, by.end()) << address;
            ASSERT_EQ(it->second.size(), 3u) << address;
            for (size_t k = 1; k < 3; ++k) {
                EXPECT_GT(it->second[k].time - it->second[k - 1].time,
                          DiscoveryManager::kSendIntervalMs)
                    << address;
            }
        }
        std::map<int, int> perTick;
        for (const Send& s : sends) {
            ++perTick[s.tick];
        }
        for (const auto& [tick, count] : perTick) {
            EXPECT_LE(count, 3 * static_cast<int>(AddressSweep::kAddressesPerTick)) << tick;
        }
    }

    FakeTickClock clock{5000};
    FakeSocketFactory sockets;
    DiscoveryManager manager{sockets, clock};
    std::vector<Send> sends;
    int currentTick = 0;
    int endTick = -1;
};

TEST_F(AddressSearchTest, OneAddressGetsTheBroadcastRequestAsUnicastAtTheBroadcastPace) {
    EXPECT_EQ(manager.QueueAddressSearch(L"1", Target(L"10.20.30.40")), 1);
    EXPECT_EQ(manager.GetRequestCount(), 1);
    Run();

    ASSERT_EQ(sends.size(), 3u);
    EXPECT_EQ(sends[0].tick, 0);
    EXPECT_EQ(sends[1].tick, 3);
    EXPECT_EQ(sends[2].tick, 6);
    EXPECT_EQ(endTick, 9);  // as a broadcast search: 2.7 s
    EXPECT_EQ(AddressSweep::ScheduledEndTick(1, 3, 750, 300), 9u);

    const uint8_t all[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto request = BuildSearchRequest(all);
    for (const auto& unicast : socket().unicasts) {
        EXPECT_EQ(unicast.bytes, std::string(request.begin(), request.end()));
        EXPECT_EQ(unicast.address, "10.20.30.40");
        EXPECT_EQ(unicast.port, kDiscoveryPort);
    }
    EXPECT_TRUE(socket().broadcasts.empty());
    // The same socket as the broadcast search's: bound to the discovery port, so that
    // answers to the sender come back to it.
    EXPECT_EQ(socket().boundPort, kDiscoveryPort);
}

TEST_F(AddressSearchTest, ABlockIsSpreadOverTheTicksAndEndsOnItsSchedule) {
    for (const wchar_t* text : {L"192.168.7.0/24", L"10.64.0.0/22", L"172.16.9.0/28"}) {
        SCOPED_TRACE(Target(text).Count());
        sends.clear();
        const SearchTarget target = Target(text);
        manager.QueueAddressSearch(L"1", target);
        Run();
        ExpectBroadcastPacing(target);
        EXPECT_EQ(static_cast<uint32_t>(endTick),
                  AddressSweep::ScheduledEndTick(target.Count(), 3, 750, 300));
        // Ascending order, the network and broadcast addresses left out.
        EXPECT_EQ(sends.front().address, FormatIpv4Ascii(target.network + 1));
        EXPECT_EQ(ByAddress().count(FormatIpv4Ascii(target.network)), 0u);
    }
    EXPECT_EQ(AddressSweep::ScheduledEndTick(254, 3, 750, 300), 24u);   // 7.2 s
    EXPECT_EQ(AddressSweep::ScheduledEndTick(1022, 3, 750, 300), 72u);  // 21.6 s
}

TEST_F(AddressSearchTest, DatagramsTheSocketRefusesWaitForTheNextTickAndNoneIsLost) {
    const SearchTarget target = Target(L"192.168.7.0/26");
    // A full send buffer on some ticks: partway through a batch, and at a tick's start.
    int takenThisTick = 0;
    int tickSeen = -1;
    socket().sendToError = [&](const std::string&) {
        if (currentTick != tickSeen) {
            tickSeen = currentTick;
            takenThisTick = 0;
        }
        const bool full = (currentTick == 1 && takenThisTick >= 5) ||
                          (currentTick == 6 && takenThisTick >= 20) || currentTick == 10;
        if (full) {
            return EAGAIN;
        }
        ++takenThisTick;
        return 0;
    };
    manager.QueueAddressSearch(L"1", target);
    Run();
    ExpectBroadcastPacing(target);
    // The last batch (started at tick 3) lost its second and third sends' ticks once
    // each (at 6 and 10), which shifts the end by two ticks; the refusal at tick 1 only
    // moved a batch that ends earlier.
    EXPECT_EQ(static_cast<uint32_t>(endTick),
              AddressSweep::ScheduledEndTick(target.Count(), 3, 750, 300) + 2);
}

TEST_F(AddressSearchTest, OtherSendFailuresCountAsSentAndKeepTheSchedule) {
    // No route to the block: every send fails at once, the search ends on time, empty.
    socket().sendToError = [](const std::string&) { return ENETUNREACH; };
    manager.QueueAddressSearch(L"1", Target(L"10.9.8.0/24"));
    Run();
    EXPECT_EQ(endTick, 24);
    EXPECT_EQ(manager.GetDeviceCount(), 0);
}

TEST_F(AddressSearchTest, TickCountWrapKeepsThePace) {
    clock.Set(0xFFFFFFFFu - 700);
    manager.QueueAddressSearch(L"1", Target(L"10.1.1.0/27"));
    Run();
    ExpectBroadcastPacing(Target(L"10.1.1.0/27"));
    EXPECT_EQ(static_cast<uint32_t>(endTick), AddressSweep::ScheduledEndTick(30, 3, 750, 300));
}

TEST_F(AddressSearchTest, AnswersJoinTheListOneRowPerDevice) {
    // A broadcast search finds A; a search at a block finds A again and B.
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    socket().DeliverDatagram(AsString(BuildReply({})), "192.168.1.254");
    while (manager.GetRequestCount() > 0) {
        clock.Advance(300);
        manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    }
    ASSERT_EQ(manager.GetDeviceCount(), 1);

    manager.QueueAddressSearch(L"1", Target(L"10.0.5.0/24"));
    EXPECT_EQ(manager.GetDeviceCount(), 1);  // kept: the new finds join it
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    ReplyFields far;
    far.mac = "0011223344bb";
    far.ip = "10.0.5.7";
    for (int answer = 0; answer < 3; ++answer) {
        socket().DeliverDatagram(AsString(BuildReply(far)), "10.0.5.7");
        ReplyFields sameAsFirst;
        sameAsFirst.mac = "0011223344AA";  // A again, its MAC in upper case
        sameAsFirst.ip = "10.0.5.8";
        socket().DeliverDatagram(AsString(BuildReply(sameAsFirst)), "10.0.5.8");
    }
    Run();
    ASSERT_EQ(manager.GetDeviceCount(), 2);
    EXPECT_EQ(manager.GetDevice(0).ip, L"192.168.1.254");  // the first answer wins
    EXPECT_EQ(manager.GetDevice(1).mac, L"00:11:22:33:44:BB");

    // A broadcast search still starts from an empty list.
    manager.QueueSearch(L"1");
    EXPECT_EQ(manager.GetDeviceCount(), 0);
}

TEST_F(AddressSearchTest, SearchesQueuedTogetherRunInTurn) {
    manager.QueueAddressSearch(L"1", Target(L"10.0.0.1"));
    manager.QueueSearch(L"1");
    manager.QueueAddressSearch(L"1", Target(L"10.0.0.2"));
    std::vector<std::pair<int, std::string>> order;
    for (int tick = 0; tick < 100 && manager.GetRequestCount() > 0; ++tick) {
        const size_t unicasts = socket().unicasts.size();
        const size_t broadcasts = socket().broadcasts.size();
        manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
        if (socket().unicasts.size() > unicasts) {
            order.emplace_back(tick, socket().unicasts.back().address);
        }
        if (socket().broadcasts.size() > broadcasts) {
            order.emplace_back(tick, "broadcast");
        }
        clock.Advance(300);
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "10.0.0.1"},   {3, "10.0.0.1"},  {6, "10.0.0.1"},  {10, "broadcast"}, {13, "broadcast"},
        {16, "broadcast"}, {20, "10.0.0.2"}, {23, "10.0.0.2"}, {26, "10.0.0.2"}};
    EXPECT_EQ(order, expected);
}

TEST_F(AddressSearchTest, ClearingTheQueueStopsASearchMidway) {
    manager.QueueAddressSearch(L"1", Target(L"10.0.0.0/24"));
    Run(5);
    const size_t sent = socket().unicasts.size();
    EXPECT_GT(sent, 0u);
    manager.ClearRequests();
    EXPECT_EQ(manager.GetRequestCount(), 0);
    for (int i = 0; i < 20; ++i) {
        manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
        clock.Advance(300);
    }
    EXPECT_EQ(socket().unicasts.size(), sent);

    // A new search starts from its own first address.
    manager.QueueAddressSearch(L"1", Target(L"10.0.1.9"));
    Run();
    EXPECT_EQ(socket().unicasts.back().address, "10.0.1.9");
}

}  // namespace
