#include "platform/linux/packet_answer_watch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/linux/capabilities.h"

namespace {

// Sends `bytes` bytes over loopback from `from`:`fromPort` to 127.0.0.1:`toPort`; false
// when the port cannot be had.
bool Send(const char* from, uint16_t fromPort, uint16_t toPort, size_t bytes) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(fromPort);
    inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(toPort);
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    const std::string payload(bytes, 'x');
    const bool sent =
        fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&remote),
               sizeof remote) == static_cast<ssize_t>(payload.size());
    if (fd >= 0) {
        close(fd);
    }
    return sent;
}

// The kernel filter of the watch, on loopback (datagrams between loopback addresses only):
// what counts is a sender of answer-sized datagrams from the discovery port to it.
TEST(PacketAnswerWatchTest, CountsTheSendersOfAnswerSizedDatagramsBetweenDiscoveryPorts) {
    if (!HasRawCapability()) {
        GTEST_SKIP() << "needs CAP_NET_RAW";
    }
    PacketAnswerWatch watch(std::chrono::seconds(10));
    EXPECT_FALSE(watch.Stop());
    ASSERT_TRUE(watch.Start());
    bool sent = Send("127.0.0.1", 13379, 13379, 424) && Send("127.0.0.1", 13379, 13379, 1024) &&
                Send("127.0.0.2", 13379, 13379, 600);
    // Not answers: too short (a search request), too long, other ports.
    sent = sent && Send("127.0.0.3", 13379, 13379, 16) && Send("127.0.0.4", 13379, 13379, 1025) &&
           Send("127.0.0.5", 13380, 13379, 424) && Send("127.0.0.6", 13379, 13380, 424);
    if (!sent) {
        watch.Stop();
        GTEST_SKIP() << "the discovery port on loopback is taken";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(watch.Stop(), 2u);

    // A new watch starts from nothing.
    ASSERT_TRUE(watch.Start());
    EXPECT_EQ(watch.Stop(), 0u);
}

}  // namespace
