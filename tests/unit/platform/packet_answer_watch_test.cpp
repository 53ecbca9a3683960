#include "platform/linux/packet_answer_watch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/capabilities.h"

namespace {

// Sends `bytes` bytes over loopback from `from`:`fromPort` to 127.0.0.1:`toPort`, with
// `options` in its IP header; false when the port cannot be had.
bool Send(const char* from, uint16_t fromPort, uint16_t toPort, size_t bytes,
          const std::vector<uint8_t>& options = {}) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && !options.empty()) {
        setsockopt(fd, IPPROTO_IP, IP_OPTIONS, options.data(),
                   static_cast<socklen_t>(options.size()));
    }
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

// What the kernel hands over of an answer is its IP header, as long as that header says it
// is, and its UDP header: not one byte of the payload, also when the IP header carries
// options.
void ExpectTheKernelHandsOverTheHeadersOfAnAnswerAndNoPayload() {
    const int watch = OpenAnswerSocket();
    ASSERT_GE(watch, 0);
    // No options; four bytes of them (no-operation, then end of list); forty, the most.
    std::vector<uint8_t> longest(40, IPOPT_NOOP);
    longest.back() = IPOPT_END;
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"127.0.0.21", {}},
        {"127.0.0.22", {IPOPT_NOOP, IPOPT_NOOP, IPOPT_NOOP, IPOPT_END}},
        {"127.0.0.23", longest},
    };
    for (const auto& [from, options] : cases) {
        if (!Send(from, 13379, 13379, 600, options)) {
            close(watch);
            GTEST_SKIP() << "the discovery port on loopback is taken";
        }
    }
    uint8_t packet[2048];
    size_t seen = 0;
    for (pollfd readable{watch, POLLIN, 0}; seen < cases.size() && poll(&readable, 1, 2000) > 0;) {
        const ssize_t length = recv(watch, packet, sizeof packet, MSG_TRUNC);
        ASSERT_GE(length, 20);
        char source[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, packet + 12, source, sizeof source);
        const auto sent = std::find_if(cases.begin(), cases.end(), [&](const auto& c) {
            return std::string(c.first) == source;
        });
        if (sent == cases.end()) {
            continue;  // somebody else's datagram
        }
        // Both headers whole (the UDP one counts the 600 bytes that stayed behind), and
        // nothing after them.
        const size_t udp = 20 + sent->second.size();
        ASSERT_EQ(length, static_cast<ssize_t>(udp + 8)) << source;
        EXPECT_EQ(packet[udp + 4] * 256 + packet[udp + 5], 600 + 8) << source;
        ++seen;
    }
    close(watch);
    EXPECT_EQ(seen, cases.size());
}

// The kernel filter of the watch, on loopback (datagrams between loopback addresses only):
// what counts is a sender of answer-sized datagrams from the discovery port to it, and
// what reaches this process of one is its headers.
TEST(PacketAnswerWatchTest, CountsTheSendersOfAnswersAndReceivesNothingButTheirHeaders) {
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

    // In the same test: answers sent meanwhile by another one would be counted here.
    ExpectTheKernelHandsOverTheHeadersOfAnAnswerAndNoPayload();
}

}  // namespace
