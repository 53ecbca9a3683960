#include "platform/linux/raw_arp.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/linux/capabilities.h"

namespace {

// How often a waiting ARP request looks whether it has been cancelled.
constexpr int64_t kCancelCheckMs = 20;

// The ARP packet for IPv4 over Ethernet.
struct ArpPacket {
    uint16_t hardwareType;
    uint16_t protocolType;
    uint8_t hardwareLength;
    uint8_t protocolLength;
    uint16_t operation;
    uint8_t senderMac[6];
    uint8_t senderIp[4];
    uint8_t targetMac[6];
    uint8_t targetIp[4];
};
static_assert(sizeof(ArpPacket) == 28);

void StoreIpv4(uint8_t* bytes, Ipv4 address) {
    const uint32_t networkOrder = htonl(address);
    std::memcpy(bytes, &networkOrder, 4);
}

Ipv4 LoadIpv4(const uint8_t* bytes) {
    uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, bytes, 4);
    return ntohl(networkOrder);
}

// A station answers for `target`: any ARP packet it sent with `target` as its sender
// address, or, while probing, its own probe for `target` (RFC 5227, 2.1.1).
bool AnswersFor(const ArpPacket& packet, Ipv4 target, bool probe,
                const std::vector<uint8_t>& ownMac) {
    const bool ipv4OverEthernet = ntohs(packet.hardwareType) == ARPHRD_ETHER &&
                                  ntohs(packet.protocolType) == ETH_P_IP &&
                                  packet.hardwareLength == 6 && packet.protocolLength == 4;
    if (!ipv4OverEthernet) {
        return false;
    }
    if (LoadIpv4(packet.senderIp) == target) {
        return true;
    }
    const bool otherStation = !std::equal(ownMac.begin(), ownMac.end(), packet.senderMac);
    return probe && otherStation && LoadIpv4(packet.senderIp) == 0 &&
           ntohs(packet.operation) == ARPOP_REQUEST && LoadIpv4(packet.targetIp) == target;
}

// Waits up to `waitMs` for an answer for `target`. Gives up, unanswered, within
// kCancelCheckMs once `cancelled` is set; a socket that fails fails the wait.
ArpExchange AwaitArpAnswer(int fd, Ipv4 target, bool probe, const std::vector<uint8_t>& ownMac,
                           uint32_t waitMs, const std::atomic<bool>& cancelled) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0 || cancelled) {
            return ArpExchange::Unanswered();
        }
        pollfd readable{fd, POLLIN, 0};
        const auto slice = std::min<int64_t>(remaining.count(), kCancelCheckMs);
        const int ready = poll(&readable, 1, static_cast<int>(slice));
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        if (ready < 0) {
            return ArpExchange::Failed(errno);
        }
        ArpPacket packet{};
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = recvfrom(fd, &packet, sizeof packet, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (length < 0) {
            return ArpExchange::Failed(errno);
        }
        if (length < static_cast<ssize_t>(sizeof packet) || from.sll_pkttype == PACKET_OUTGOING) {
            continue;
        }
        if (AnswersFor(packet, target, probe, ownMac)) {
            return ArpExchange::Answered(
                std::vector<uint8_t>(packet.senderMac, packet.senderMac + 6));
        }
    }
}

sockaddr_ll ArpAddress(uint32_t interfaceIndex) {
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ARP);
    address.sll_ifindex = static_cast<int>(interfaceIndex);
    return address;
}

}  // namespace

ArpSocket::ArpSocket(uint32_t interfaceIndex) : m_interfaceIndex(interfaceIndex) {
    {
        // No protocol yet: the socket hears nothing until it is bound to ARP on this
        // interface alone.
        const RaisedRawCapability raw;
        m_fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    const sockaddr_ll address = ArpAddress(interfaceIndex);
    if (bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
        m_error = errno;
        close(m_fd);
        m_fd = -1;
    }
}

ArpSocket::~ArpSocket() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

ArpExchange ArpSocket::Exchange(const std::vector<uint8_t>& ownMac, bool ownAddress, Ipv4 target,
                                Ipv4 source, const ArpTiming& timing,
                                const std::atomic<bool>& cancelled) {
    if (m_fd < 0) {
        return ArpExchange::Failed(m_error);
    }
    if (ownMac.size() != 6) {
        return ArpExchange::Failed(EINVAL);
    }
    if (cancelled) {
        return ArpExchange::Unanswered();
    }
    const bool probe = source == 0;
    if (ownAddress && !probe) {
        return ArpExchange::Answered(ownMac);
    }

    ArpPacket request{};
    request.hardwareType = htons(ARPHRD_ETHER);
    request.protocolType = htons(ETH_P_IP);
    request.hardwareLength = 6;
    request.protocolLength = 4;
    request.operation = htons(ARPOP_REQUEST);
    std::memcpy(request.senderMac, ownMac.data(), 6);
    StoreIpv4(request.senderIp, source);
    StoreIpv4(request.targetIp, target);

    sockaddr_ll broadcast = ArpAddress(m_interfaceIndex);
    broadcast.sll_halen = 6;
    std::memset(broadcast.sll_addr, 0xFF, 6);

    const int attempts = probe ? timing.probeAttempts : timing.requestAttempts;
    for (int attempt = 0; attempt < attempts && !cancelled; ++attempt) {
        ssize_t sent = 0;
        {
            const RaisedRawCapability raw;
            sent = sendto(m_fd, &request, sizeof request, 0,
                          reinterpret_cast<const sockaddr*>(&broadcast), sizeof broadcast);
        }
        if (sent < 0) {
            return ArpExchange::Failed(errno);
        }
        ArpExchange answer =
            AwaitArpAnswer(m_fd, target, probe, ownMac, timing.replyWaitMs, cancelled);
        if (answer.outcome != ArpExchange::Outcome::kUnanswered) {
            return answer;
        }
    }
    if (probe && ownAddress && !cancelled) {
        return ArpExchange::Answered(ownMac);
    }
    return ArpExchange::Unanswered();
}
