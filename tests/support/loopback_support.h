#pragma once

// Test helpers for real sockets on 127.0.0.1: a plain listening socket standing in for
// the device, and an events sink that records what a socket reported.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/async_socket.h"

namespace loopback {

class ScopedFd {
public:
    explicit ScopedFd(int fd = -1) : m_fd(fd) {}
    ~ScopedFd() { Reset(); }
    ScopedFd(ScopedFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept {
        Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    int get() const { return m_fd; }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};

inline sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

inline uint16_t LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// A TCP listener on 127.0.0.1 with an ephemeral port. `receiveBuffer` > 0 pins the
// accepted socket's receive buffer small, so that a sender backs up quickly.
class TcpListener {
public:
    explicit TcpListener(int receiveBuffer = 0) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        if (receiveBuffer > 0) {
            ::setsockopt(m_fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
        }
        const sockaddr_in address = LoopbackAddress(0);
        ::bind(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        ::listen(m_fd.get(), 4);
        m_port = LocalPort(m_fd.get());
    }
    uint16_t port() const { return m_port; }

    // Waits up to two seconds for a connection; the accepted socket is non-blocking.
    ScopedFd Accept() {
        pollfd p{m_fd.get(), POLLIN, 0};
        if (::poll(&p, 1, 2000) != 1) {
            return ScopedFd();
        }
        const int fd = ::accept4(m_fd.get(), nullptr, nullptr, SOCK_NONBLOCK);
        return ScopedFd(fd);
    }

private:
    ScopedFd m_fd;
    uint16_t m_port = 0;
};

// A loopback port that nothing listens on: bound once to learn a free number, then freed.
inline uint16_t ClosedTcpPort() {
    ScopedFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = LoopbackAddress(0);
    ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    return LocalPort(fd.get());
}

inline uint16_t FreeUdpPort() {
    ScopedFd fd(::socket(AF_INET, SOCK_DGRAM, 0));
    const sockaddr_in address = LoopbackAddress(0);
    ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    return LocalPort(fd.get());
}

// Reads everything available now from a non-blocking fd; false once the peer closed.
inline bool DrainInto(int fd, std::string& out, size_t maxBytes = SIZE_MAX) {
    char buffer[16384];
    size_t taken = 0;
    while (taken < maxBytes) {
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof(buffer), maxBytes - taken), 0);
        if (n > 0) {
            out.append(buffer, static_cast<size_t>(n));
            taken += static_cast<size_t>(n);
            continue;
        }
        return n != 0;
    }
    return true;
}

inline void WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN) {
            return;
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        }
    }
}

// Records the events of one socket in order; each may also run a hook.
struct RecordedEvent {
    enum Kind { kConnect, kReceive, kSend, kClose, kOutOfBand } kind;
    int error;
    bool operator==(const RecordedEvent&) const = default;
};

class RecordingEvents : public IAsyncSocketEvents {
public:
    std::vector<RecordedEvent> events;
    std::function<void()> onConnect, onReceive, onSend, onClose;

    void OnConnect(int error) override { Record(RecordedEvent::kConnect, error, onConnect); }
    void OnReceive(int error) override { Record(RecordedEvent::kReceive, error, onReceive); }
    void OnSend(int error) override { Record(RecordedEvent::kSend, error, onSend); }
    void OnClose(int error) override { Record(RecordedEvent::kClose, error, onClose); }
    void OnOutOfBandData(int error) override { Record(RecordedEvent::kOutOfBand, error, nullptr); }

    int Count(RecordedEvent::Kind kind) const {
        int n = 0;
        for (const auto& e : events) {
            n += e.kind == kind ? 1 : 0;
        }
        return n;
    }
    bool Has(RecordedEvent::Kind kind) const { return Count(kind) > 0; }

private:
    void Record(RecordedEvent::Kind kind, int error, const std::function<void()>& hook) {
        events.push_back({kind, error});
        if (hook) {
            hook();
        }
    }
};

}  // namespace loopback
