// Datagram sockets on loopback (unicast only: nothing here may broadcast outside a
// namespace of our own).

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/bsd_socket.h"
#include "platform/linux/capabilities.h"
#include "platform/poll_event_loop.h"
#include "support/loopback_support.h"

namespace {

using loopback::RecordedEvent;
using loopback::RecordingEvents;

// The discovery manager's receive buffer.
constexpr size_t kReceiveBuffer = 1024;

class DatagramSocketTest : public ::testing::Test {
protected:
    PollEventLoop loop;
    RecordingEvents senderEvents, receiverEvents;
    BsdSocket sender{loop, senderEvents};
    BsdSocket receiver{loop, receiverEvents};
};

TEST_F(DatagramSocketTest, TwoProgramsMayBindTheSamePort) {
    const uint16_t port = loopback::FreeUdpPort();
    RecordingEvents otherEvents;
    BsdSocket other(loop, otherEvents);
    ASSERT_TRUE(receiver.Create(IAsyncSocket::Type::kDatagram, port, ""));
    ASSERT_TRUE(other.Create(IAsyncSocket::Type::kDatagram, port, ""))
        << "address reuse missing: errno " << other.LastError();
}

TEST_F(DatagramSocketTest, ReceiveBufferHoldsABurstOfReplies) {
    ASSERT_TRUE(receiver.Create(IAsyncSocket::Type::kDatagram, 0, "127.0.0.1"));
    // The kernel reports twice the size asked for. Without CAP_NET_ADMIN the system's
    // cap (net.core.rmem_max) limits it.
    int wanted = 2 * 1024 * 1024;
    if (!MissingNetworkCapabilities().empty()) {
        std::ifstream limit("/proc/sys/net/core/rmem_max");
        int rmemMax = 0;
        ASSERT_TRUE(limit >> rmemMax);
        wanted = 2 * std::min(rmemMax, 1024 * 1024);
    }
    EXPECT_GE(receiver.ReceiveBufferBytes(), wanted);
}

TEST_F(DatagramSocketTest, SendBufferHoldsASearchAtABlockOfAddresses) {
    ASSERT_TRUE(sender.Create(IAsyncSocket::Type::kDatagram, 0, "127.0.0.1"));
    // Twice the 212992 bytes asked for, unless net.core.wmem_max is lower still.
    std::ifstream limit("/proc/sys/net/core/wmem_max");
    int wmemMax = 0;
    ASSERT_TRUE(limit >> wmemMax);
    EXPECT_GE(sender.SendBufferBytes(), 2 * std::min(wmemMax, 212992));
}

TEST_F(DatagramSocketTest, ReceivesWholeDatagramsAndRefusesOversizedOnes) {
    ASSERT_TRUE(receiver.Create(IAsyncSocket::Type::kDatagram, 0, "127.0.0.1"));
    ASSERT_TRUE(sender.Create(IAsyncSocket::Type::kDatagram, 0, "127.0.0.1"));
    std::string unused;
    uint16_t receiverPort = 0, senderPort = 0;
    ASSERT_TRUE(receiver.GetSockName(unused, receiverPort));
    ASSERT_TRUE(sender.GetSockName(unused, senderPort));

    struct Result {
        int length;
        int error;
        std::string from;
        uint16_t fromPort;
    };
    std::vector<Result> results;
    receiverEvents.onReceive = [&] {
        char buffer[kReceiveBuffer] = {};
        Result r{0, 0, "", 0};
        r.length = receiver.ReceiveFrom(buffer, sizeof(buffer), r.from, r.fromPort);
        r.error = r.length < 0 ? receiver.LastError() : 0;
        results.push_back(r);
    };

    // A minimal reply, one that fills the buffer exactly, one byte too many, and one
    // after it to show the oversized datagram did not wedge the socket.
    for (size_t length : {size_t{424}, kReceiveBuffer, kReceiveBuffer + 1, size_t{16}}) {
        const std::string datagram(length, 'd');
        ASSERT_EQ(sender.SendTo(datagram.data(), datagram.size(), "127.0.0.1", receiverPort),
                  static_cast<int>(length));
    }
    ASSERT_TRUE(loop.RunUntil([&] { return results.size() == 4; }, 10000));

    EXPECT_EQ(results[0].length, 424);
    EXPECT_EQ(results[0].from, "127.0.0.1");
    EXPECT_EQ(results[0].fromPort, senderPort);
    EXPECT_EQ(results[1].length, static_cast<int>(kReceiveBuffer));
    EXPECT_EQ(results[2].length, -1);
    EXPECT_EQ(results[2].error, EMSGSIZE);
    EXPECT_EQ(results[3].length, 16);
    EXPECT_EQ(receiverEvents.Count(RecordedEvent::kReceive), 4);
}

TEST_F(DatagramSocketTest, SocketMayBeClosedAndRecreatedFromItsReceiveHandler) {
    const uint16_t port = loopback::FreeUdpPort();
    ASSERT_TRUE(receiver.Create(IAsyncSocket::Type::kDatagram, port, "127.0.0.1"));
    ASSERT_TRUE(sender.Create(IAsyncSocket::Type::kDatagram, 0, "127.0.0.1"));
    int receives = 0;
    receiverEvents.onReceive = [&] {
        ++receives;
        // Like the discovery manager after a receive error: drop the socket unread and
        // make a new one on the same port.
        receiver.Close();
        receiver.Close();
        ASSERT_TRUE(receiver.Create(IAsyncSocket::Type::kDatagram, port, "127.0.0.1"));
    };
    ASSERT_EQ(sender.SendTo("one", 3, "127.0.0.1", port), 3);
    ASSERT_TRUE(loop.RunUntil([&] { return receives == 1; }, 10000));
    ASSERT_EQ(sender.SendTo("two", 3, "127.0.0.1", port), 3);
    ASSERT_TRUE(loop.RunUntil([&] { return receives == 2; }, 10000));
    EXPECT_EQ(loop.WatchCount(), 2u) << "each socket holds exactly one watch";
}

}  // namespace
