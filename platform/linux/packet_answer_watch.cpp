#include "platform/linux/packet_answer_watch.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/linux/capabilities.h"

namespace {

constexpr uint16_t kDiscoveryPort = 13379;
// A reply is at least 424 bytes; the program reads at most 1024 (the UDP length field
// counts its 8-byte header too).
constexpr uint32_t kShortestAnswer = 424 + 8;
constexpr uint32_t kLongestAnswer = 1024 + 8;
constexpr uint32_t kUdpHeader = 8;
// The longest IP header (60 bytes) and the UDP header: the most the kernel hands over.
constexpr uint32_t kHeadersOnly = 60 + kUdpHeader;

// The filter, on a packet socket of type SOCK_DGRAM, where a packet starts at its IP
// header. Every test that fails jumps to the last instruction, which drops the packet; one
// that passes every test is kept, cut to its IP header (as long as that header says it
// is) and its UDP header, so that not one byte of the payload is queued.
std::vector<sock_filter> AnswerFilter() {
    enum : uint8_t { kDrop = 0xFF };  // replaced by the offset to the last instruction
    std::vector<sock_filter> program = {
        // Only what arrives for this host (PACKET_HOST, BROADCAST or MULTICAST).
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PKTTYPE)),
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, PACKET_MULTICAST, kDrop, 0),
        // IPv4, UDP, the first fragment (the only one with the UDP header).
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 0),
        BPF_STMT(BPF_ALU | BPF_RSH | BPF_K, 4),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 4, 0, kDrop),
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 9),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, IPPROTO_UDP, 0, kDrop),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 6),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, 0x1FFF, kDrop, 0),
        // The UDP header after the IP header's own length.
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kDiscoveryPort, 0, kDrop),
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 2),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kDiscoveryPort, 0, kDrop),
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, kShortestAnswer, 0, kDrop),
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, kLongestAnswer, kDrop, 0),
        // X still holds the IP header's length.
        BPF_STMT(BPF_MISC | BPF_TXA, 0),
        BPF_STMT(BPF_ALU | BPF_ADD | BPF_K, kUdpHeader),
        BPF_STMT(BPF_RET | BPF_A, 0),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    // Point every kDrop at the last instruction.
    const size_t last = program.size() - 1;
    for (size_t i = 0; i < program.size(); ++i) {
        sock_filter& instruction = program[i];
        if (BPF_CLASS(instruction.code) != BPF_JMP) {
            continue;
        }
        if (instruction.jt == kDrop) {
            instruction.jt = static_cast<uint8_t>(last - i - 1);
        }
        if (instruction.jf == kDrop) {
            instruction.jf = static_cast<uint8_t>(last - i - 1);
        }
    }
    return program;
}

}  // namespace

// The filter is in place before the socket is bound to a protocol, so nothing else is ever
// queued on it.
int OpenAnswerSocket() {
    int fd = -1;
    {
        const RaisedRawCapability raw;
        fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    }
    if (fd < 0) {
        return -1;
    }
    std::vector<sock_filter> program = AnswerFilter();
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    const int on = 1;
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_IP);
    if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &filter, sizeof filter) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_LOCK_FILTER, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

namespace {

// The source address of one packet as the filter cut it: its IP header, or nothing.
std::optional<Ipv4> SenderOf(const uint8_t* packet, ssize_t length) {
    if (length < 20 || (packet[0] >> 4) != 4) {
        return std::nullopt;
    }
    uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, packet + 12, 4);
    return ntohl(networkOrder);
}

}  // namespace

PacketAnswerWatch::PacketAnswerWatch(std::chrono::seconds limit) : m_limit(limit) {}

PacketAnswerWatch::~PacketAnswerWatch() {
    Join();
}

bool PacketAnswerWatch::Start() {
    Join();
    {
        std::lock_guard lock(m_mutex);
        m_senders.clear();
    }
    const int socket = OpenAnswerSocket();
    if (socket < 0) {
        return false;
    }
    m_stop = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stop < 0) {
        close(socket);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + m_limit;
    try {
        m_thread = std::thread([this, socket, stop = m_stop, deadline] {
            Count(socket, stop, deadline);
            close(socket);
        });
    } catch (const std::system_error&) {
        close(socket);
        close(m_stop);
        m_stop = -1;
        return false;
    }
    m_running = true;
    return true;
}

std::optional<uint32_t> PacketAnswerWatch::Stop() {
    if (!m_running) {
        return std::nullopt;
    }
    Join();
    std::lock_guard lock(m_mutex);
    return static_cast<uint32_t>(m_senders.size());
}

void PacketAnswerWatch::Join() {
    if (m_stop >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_stop, &one, sizeof one);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_stop >= 0) {
        close(m_stop);
        m_stop = -1;
    }
    m_running = false;
}

// Reads what the socket holds whenever it holds something, until told to stop or the
// deadline, then once more: an answer that came just before the stop still counts.
void PacketAnswerWatch::Count(int socket, int stop,
                              std::chrono::steady_clock::time_point deadline) {
    uint8_t packet[kHeadersOnly];
    for (bool last = false;;) {
        for (;;) {
            const ssize_t length = recv(socket, packet, sizeof packet, MSG_TRUNC);
            if (length < 0 && errno == EINTR) {
                continue;
            }
            if (length < 0) {
                break;
            }
            if (const std::optional<Ipv4> sender =
                    SenderOf(packet, std::min<ssize_t>(length, sizeof packet))) {
                std::lock_guard lock(m_mutex);
                if (m_senders.size() < kMaxWatchedSenders) {
                    m_senders.insert(*sender);
                }
            }
        }
        if (last) {
            return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waits[2] = {{socket, POLLIN, 0}, {stop, POLLIN, 0}};
        const int ready = left.count() > 0 ? poll(waits, 2, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        last = ready <= 0 || (waits[1].revents & POLLIN) != 0 || (waits[0].revents & POLLERR);
    }
}
