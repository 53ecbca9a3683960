#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

#include "platform/answer_watch.h"
#include "platform/ipv4.h"

// A packet socket (AF_PACKET, SOCK_DGRAM) with a classic BPF filter that lets the kernel
// hand over only discovery answers arriving for this host (UDP from port 13379 to port
// 13379, 424 to 1024 bytes of payload, the first fragment, not sent by this host), each cut
// to its IP header, as long as that header is, and its UDP header, so that no byte of an
// answer's payload ever reaches this process; -1 when it cannot be opened. Needs
// CAP_NET_RAW (raised while it is opened).
int OpenAnswerSocket();

// The answer watch on a packet socket of its own (OpenAnswerSocket). A thread counts the
// distinct source addresses until Stop, or until `limit` has passed, whichever is first.
// Capabilities are per thread: Start opens the socket on the caller's thread.
class PacketAnswerWatch : public IAnswerWatch {
public:
    explicit PacketAnswerWatch(std::chrono::seconds limit);
    ~PacketAnswerWatch() override;

    PacketAnswerWatch(const PacketAnswerWatch&) = delete;
    PacketAnswerWatch& operator=(const PacketAnswerWatch&) = delete;

    bool Start() override;
    std::optional<uint32_t> Stop() override;

private:
    void Count(int socket, int stop, std::chrono::steady_clock::time_point deadline);
    void Join();

    const std::chrono::seconds m_limit;
    std::thread m_thread;
    int m_stop = -1;  // eventfd that ends the thread's wait
    std::mutex m_mutex;
    std::unordered_set<Ipv4> m_senders;
    bool m_running = false;
};
