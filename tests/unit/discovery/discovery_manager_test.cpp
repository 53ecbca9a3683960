#include "discovery/discovery_manager.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

#include "support/fakes/fake_socket.h"
#include "support/fakes/fake_tick_clock.h"
#include "support/reply_builder.h"

namespace {

class DiscoveryManagerTest : public ::testing::Test {
protected:
    // Runs the 300 ms timer until the queue is empty (or `maxTicks` pass) and returns the
    // tick numbers, counted from the first, at which a search request went out.
    std::vector<int> RunSearch(int maxTicks = 100) {
        std::vector<int> sendTicks;
        for (int tick = 0; tick < maxTicks && manager.GetRequestCount() > 0; ++tick) {
            const size_t before = Sent();
            manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
            if (Sent() > before) {
                sendTicks.push_back(tick);
            }
            lastTick = tick;
            clock.Advance(DiscoveryManager::kTimerPeriodMs);
        }
        return sendTicks;
    }
    size_t Sent() const { return socket().broadcasts.size(); }
    FakeSocketState& socket() const { return *sockets.states.front(); }

    FakeTickClock clock{5000};
    FakeSocketFactory sockets;
    DiscoveryManager manager{sockets, clock};
    int lastTick = -1;
};

TEST_F(DiscoveryManagerTest, OneSearchSendsThreeTimesAndEndsAfterTheLastWait) {
    EXPECT_EQ(manager.QueueSearch(L"1"), 1);
    EXPECT_EQ(manager.GetRequestCount(), 1);

    // Ticks of 300 ms: sends at 0, 0.9 s and 1.8 s, the end at 2.7 s.
    EXPECT_EQ(RunSearch(), (std::vector<int>{0, 3, 6}));
    EXPECT_EQ(lastTick, 9);
    EXPECT_EQ(manager.GetRequestCount(), 0);

    const uint8_t all[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto request = BuildSearchRequest(all);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(socket().broadcasts[i], std::string(request.begin(), request.end()));
        EXPECT_EQ(socket().broadcastPorts[i], kDiscoveryPort);
    }
}

TEST_F(DiscoveryManagerTest, SocketIsMadeAtTheFirstSendAsABroadcastDatagramSocket) {
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    EXPECT_EQ(socket().creates, 0);  // nothing queued, nothing sent

    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId + 1);  // not our timer
    EXPECT_EQ(socket().creates, 0);

    RunSearch();
    EXPECT_EQ(socket().creates, 1);
    EXPECT_EQ(socket().type, IAsyncSocket::Type::kDatagram);
    EXPECT_EQ(socket().boundPort, kDiscoveryPort);
    EXPECT_EQ(socket().bindAddresses.front(), "");
    EXPECT_TRUE(socket().broadcast);
    EXPECT_EQ(Sent(), 3u);

    // Idle afterwards: the timer keeps running and sends nothing.
    for (int i = 0; i < 20; ++i) {
        manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
        clock.Advance(300);
    }
    EXPECT_EQ(Sent(), 3u);
}

TEST_F(DiscoveryManagerTest, BackToBackSearchesRunInTurnAndEachEmptiesTheListWhenQueued) {
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    socket().DeliverDatagram(AsString(BuildReply({})));
    EXPECT_EQ(manager.GetDeviceCount(), 1);

    manager.QueueSearch(L"1");
    EXPECT_EQ(manager.GetDeviceCount(), 0);  // at queueing, not when the second one starts
    EXPECT_EQ(manager.GetRequestCount(), 2);

    // A late reply to the first search lands in the new list.
    socket().DeliverDatagram(AsString(BuildReply({})));
    EXPECT_EQ(manager.GetDeviceCount(), 1);

    clock.Advance(300);
    const std::vector<int> ticks = RunSearch();
    // The first search's two remaining sends, its end at its own 2.7 s, then the second
    // search from the next tick on.
    EXPECT_EQ(ticks, (std::vector<int>{2, 5, 9, 12, 15}));
    EXPECT_EQ(Sent(), 6u);
    EXPECT_EQ(manager.GetRequestCount(), 0);
    EXPECT_EQ(manager.GetDeviceCount(), 1);
}

TEST_F(DiscoveryManagerTest, TickCountWrapBetweenSendsStillWaitsAbout750Ms) {
    clock.Set(0xFFFFFFFFu - 400);
    manager.QueueSearch(L"1");
    // The counter wraps between the first send and the second: the sends keep their
    // 0.9 s rhythm, neither ending the wait early nor stalling it.
    EXPECT_EQ(RunSearch(), (std::vector<int>{0, 3, 6}));
    EXPECT_EQ(lastTick, 9);
}

TEST_F(DiscoveryManagerTest, RepliesAreCollectedOncePerDevice) {
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);

    ReplyFields second;
    second.mac = "001122334455";
    second.ip = "192.168.1.20";
    for (int send = 0; send < 3; ++send) {
        socket().DeliverDatagram(AsString(BuildReply({})));
        socket().DeliverDatagram(AsString(BuildReply(second)));
    }
    // Our own request looped back, and a truncated reply.
    const uint8_t all[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto request = BuildSearchRequest(all);
    socket().DeliverDatagram(std::string(request.begin(), request.end()));
    socket().DeliverDatagram(AsString(BuildReply({}, 423)));

    ASSERT_EQ(manager.GetDeviceCount(), 2);
    EXPECT_EQ(manager.GetDevice(0).mac, L"00:11:22:33:44:AA");
    EXPECT_EQ(manager.GetDevice(1).ip, L"192.168.1.20");
    EXPECT_THROW(manager.GetDevice(2), std::out_of_range);
    EXPECT_THROW(manager.GetDevice(-1), std::out_of_range);
    EXPECT_TRUE(socket().open);

    manager.ClearDevices();
    EXPECT_EQ(manager.GetDeviceCount(), 0);
}

TEST_F(DiscoveryManagerTest, ReceiveFailuresCloseTheSocketAndTheNextSendMakesItAgain) {
    struct Case {
        const char* what;
        std::function<void(FakeSocketState&, DiscoveryManager&)> fail;
    };
    const std::vector<Case> cases = {
        {"receive error",
         [](FakeSocketState& s, DiscoveryManager&) { s.DeliverReceiveError(EIO); }},
        {"network down", [](FakeSocketState&, DiscoveryManager& m) { m.OnReceive(ENETDOWN); }},
        {"close event", [](FakeSocketState&, DiscoveryManager& m) { m.OnClose(ECONNRESET); }},
        {"out-of-band event", [](FakeSocketState&, DiscoveryManager& m) { m.OnOutOfBandData(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        manager.QueueSearch(L"1");
        manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
        ASSERT_TRUE(socket().open);
        const int creates = socket().creates;
        const size_t sent = Sent();

        c.fail(socket(), manager);
        RunSearch();
        EXPECT_EQ(socket().creates, creates + 1);
        EXPECT_TRUE(socket().open);
        EXPECT_EQ(Sent(), sent + 2);
    }
}

TEST_F(DiscoveryManagerTest, DatagramsThatAreNoReplyAreDroppedAndTheSocketKeepsReceiving) {
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    ReplyFields second;
    second.mac = "001122334455";

    // Any host on the LAN may send these to the discovery port during a search.
    socket().DeliverDatagram("");
    socket().DeliverDatagram(std::string(1025, 'x'));
    socket().DeliverDatagram(std::string(65507, '\xff'));
    socket().DeliverDatagram(AsString(BuildReply({}, 100)));
    socket().DeliverDatagram(AsString(BuildReply({})));
    // The same, queued ahead of a reply and reported once.
    socket().datagrams.push_back({"", "192.168.1.66", 13379, 0});
    socket().datagrams.push_back({std::string(4096, '\0'), "192.168.1.66", 13379, 0});
    socket().datagrams.push_back({AsString(BuildReply(second)), "192.168.1.20", 13379, 0});
    socket().events->OnReceive(0);

    EXPECT_TRUE(socket().open);
    EXPECT_EQ(socket().closes, 0);
    EXPECT_EQ(socket().creates, 1);
    EXPECT_EQ(manager.GetDeviceCount(), 2);
}

TEST_F(DiscoveryManagerTest, ABurstOfRepliesIsReadSeveralPerReport) {
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    const int burst = DiscoveryManager::kDatagramsPerEvent + 10;
    for (int i = 0; i < burst; ++i) {
        ReplyFields fields;
        fields.mac = "0011223300" + std::string(1, "0123456789abcdef"[i / 16]) +
                     std::string(1, "0123456789abcdef"[i % 16]);
        socket().datagrams.push_back({AsString(BuildReply(fields)), "192.168.1.20", 13379, 0});
    }
    socket().events->OnReceive(0);
    EXPECT_EQ(manager.GetDeviceCount(), DiscoveryManager::kDatagramsPerEvent);
    socket().events->OnReceive(0);  // the socket reports the rest again
    EXPECT_EQ(manager.GetDeviceCount(), burst);
    EXPECT_TRUE(socket().datagrams.empty());
}

TEST_F(DiscoveryManagerTest, ReadinessWithoutADatagramKeepsTheSocket) {
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    manager.OnReceive(0);  // nothing queued: EAGAIN
    EXPECT_TRUE(socket().open);
    socket().DeliverDatagram(AsString(BuildReply({})));
    EXPECT_EQ(manager.GetDeviceCount(), 1);
}

TEST_F(DiscoveryManagerTest, FailedCreationIsRetriedAtTheNextSend) {
    socket().failCreate = true;
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    EXPECT_EQ(socket().bindAddresses.size(), 1u);
    EXPECT_EQ(Sent(), 0u);

    socket().failCreate = false;
    RunSearch();
    EXPECT_EQ(socket().creates, 1);
    EXPECT_EQ(Sent(), 2u);  // the two tries left
}

}  // namespace
