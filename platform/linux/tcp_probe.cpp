#include "platform/linux/tcp_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

// How often a waiting connect looks whether it has been cancelled.
constexpr int64_t kCancelCheckMs = 20;

sockaddr_in SocketAddress(Ipv4 address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

bool Connect(int fd, Ipv4 destination, uint16_t port, Ipv4 source, uint32_t timeoutMs,
             const std::atomic<bool>& cancelled) {
    if (source != 0) {
        const sockaddr_in local = SocketAddress(source, 0);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            return false;
        }
    }
    const sockaddr_in remote = SocketAddress(destination, port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || cancelled) {
            return false;
        }
        pollfd writable{fd, POLLOUT, 0};
        const int ready =
            poll(&writable, 1, static_cast<int>(std::min<int64_t>(left.count(), kCancelCheckMs)));
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        if (ready < 0) {
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
}

}  // namespace

bool AcceptsTcpConnection(Ipv4 destination, uint16_t port, Ipv4 source, uint32_t timeoutMs,
                          const std::atomic<bool>& cancelled) {
    if (cancelled) {
        return false;
    }
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool accepted = Connect(fd, destination, port, source, timeoutMs, cancelled);
    close(fd);
    return accepted;
}
