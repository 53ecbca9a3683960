#pragma once

#include <arpa/inet.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/async_socket.h"

// Everything one fake socket did and will be given. It outlives the socket, so a test can
// still read it after the manager that owned the socket is gone.
struct FakeSocketState {
    struct Datagram {
        std::string bytes;
        std::string address;
        uint16_t port = 0;
        int error = 0;  // ReceiveFrom fails with this errno instead when non-zero
    };
    struct Chunk {
        std::string bytes;
        int error = 0;  // Receive fails with this errno instead when non-zero
    };

    IAsyncSocketEvents* events = nullptr;  // null once the socket is destroyed
    bool alive = true;

    // What the code under test did.
    bool open = false;
    int creates = 0;
    int closes = 0;
    IAsyncSocket::Type type = IAsyncSocket::Type::kStream;
    uint16_t boundPort = 0;
    std::vector<std::string> bindAddresses;  // one per Create call, failed ones included
    bool broadcast = false;
    std::vector<std::string> broadcasts;  // SendBroadcastOnAllInterfaces payloads
    std::vector<uint16_t> broadcastPorts;
    struct Unicast {
        std::string bytes;
        std::string address;
        uint16_t port = 0;
    };
    std::vector<Unicast> unicasts;      // datagrams SendTo took
    std::vector<std::string> connects;  // "address:port"
    // Stream bytes, one entry per created socket; sources are drained at once in pieces.
    std::vector<std::string> sent;
    size_t largestSourceRead = 0;

    // What the test hands it.
    bool failCreate = false;
    std::string peerAddress;
    std::deque<Datagram> datagrams;
    std::deque<Chunk> chunks;
    // Decides the fate of each SendTo to an address: 0 takes the datagram, an errno
    // refuses it (EAGAIN for a full send buffer). Unset: every one is taken.
    std::function<int(const std::string& address)> sendToError;
    // Called from inside Connect(), to mimic a socket that reports at once.
    std::function<void()> duringConnect;
    int lastError = 0;

    std::string AllSent() const {
        std::string all;
        for (const auto& s : sent) {
            all += s;
        }
        return all;
    }

    // Delivers a datagram and its read event.
    void DeliverDatagram(const std::string& bytes, const std::string& from = "192.168.1.10") {
        datagrams.push_back({bytes, from, 13379, 0});
        events->OnReceive(0);
    }
    void DeliverReceiveError(int error) {
        datagrams.push_back({std::string(), std::string(), 0, error});
        events->OnReceive(0);
    }
    // Delivers a stream chunk from `from` (the peer name the socket then reports).
    void DeliverChunk(const std::string& bytes, const std::string& from) {
        peerAddress = from;
        chunks.push_back({bytes, 0});
        events->OnReceive(0);
    }
};

class FakeSocket : public IAsyncSocket {
public:
    static constexpr size_t kSourceReadSize = 64 * 1024;

    FakeSocket(IAsyncSocketEvents& events, std::shared_ptr<FakeSocketState> state)
        : m_state(std::move(state)) {
        m_state->events = &events;
    }
    ~FakeSocket() override {
        m_state->events = nullptr;
        m_state->alive = false;
    }

    bool Create(Type type, uint16_t port, const std::string& bindAddress) override {
        m_state->bindAddresses.push_back(bindAddress);
        in_addr parsed{};
        if (m_state->failCreate ||
            (!bindAddress.empty() && inet_pton(AF_INET, bindAddress.c_str(), &parsed) != 1)) {
            m_state->lastError = EADDRNOTAVAIL;
            return false;
        }
        ++m_state->creates;
        m_state->open = true;
        m_state->type = type;
        m_state->boundPort = port;
        m_state->broadcast = false;
        m_state->sent.emplace_back();
        return true;
    }
    bool IsOpen() const override { return m_state->open; }
    void Close() override {
        if (m_state->open) {
            ++m_state->closes;
        }
        m_state->open = false;
    }
    int LastError() const override { return m_state->lastError; }

    bool SetBroadcast(bool enable) override {
        if (!m_state->open) {
            return false;
        }
        m_state->broadcast = enable;
        return true;
    }
    int SendTo(const void* data, size_t length, const std::string& address,
               uint16_t port) override {
        // Discovery must not rely on a single limited broadcast.
        if (!m_state->open || address.empty() || address == "255.255.255.255") {
            m_state->lastError = m_state->open ? ENETUNREACH : EBADF;
            return -1;
        }
        if (m_state->sendToError) {
            if (const int error = m_state->sendToError(address); error != 0) {
                m_state->lastError = error;
                return -1;
            }
        }
        m_state->unicasts.push_back(
            {std::string(static_cast<const char*>(data), length), address, port});
        return static_cast<int>(length);
    }
    int SendBroadcastOnAllInterfaces(const void* data, size_t length, uint16_t port) override {
        if (!m_state->open || !m_state->broadcast) {
            m_state->lastError = EACCES;
            return -1;
        }
        m_state->broadcasts.emplace_back(static_cast<const char*>(data), length);
        m_state->broadcastPorts.push_back(port);
        return 1;
    }
    int ReceiveFrom(void* buffer, size_t length, std::string& address, uint16_t& port) override {
        if (!m_state->open || m_state->datagrams.empty()) {
            m_state->lastError = EAGAIN;
            return -1;
        }
        FakeSocketState::Datagram datagram = m_state->datagrams.front();
        m_state->datagrams.pop_front();
        if (datagram.error != 0) {
            m_state->lastError = datagram.error;
            return -1;
        }
        if (datagram.bytes.size() > length) {
            m_state->lastError = EMSGSIZE;
            return -1;
        }
        std::memcpy(buffer, datagram.bytes.data(), datagram.bytes.size());
        address = datagram.address;
        port = datagram.port;
        return static_cast<int>(datagram.bytes.size());
    }

    bool Connect(const std::string& address, uint16_t port) override {
        if (!m_state->open) {
            return false;
        }
        m_state->connects.push_back(address + ":" + std::to_string(port));
        if (m_state->duringConnect) {
            m_state->duringConnect();
        }
        return true;
    }
    int Send(const void* data, size_t length) override {
        if (!m_state->open) {
            m_state->lastError = ENOTCONN;
            return -1;
        }
        m_state->sent.back().append(static_cast<const char*>(data), length);
        return static_cast<int>(length);
    }
    bool SendSource(std::unique_ptr<IByteSource> source) override {
        if (!m_state->open) {
            return false;
        }
        const uint64_t expected = source->Size();
        std::string& out = m_state->sent.back();
        const size_t before = out.size();
        std::vector<char> piece(kSourceReadSize);
        for (size_t got; (got = source->Read(piece.data(), piece.size())) > 0;) {
            m_state->largestSourceRead = std::max(m_state->largestSourceRead, got);
            out.append(piece.data(), got);
        }
        return out.size() - before == expected;
    }
    uint64_t PendingSendBytes() const override { return 0; }
    int Receive(void* buffer, size_t length) override {
        if (!m_state->open || m_state->chunks.empty()) {
            m_state->lastError = EAGAIN;
            return -1;
        }
        FakeSocketState::Chunk chunk = m_state->chunks.front();
        m_state->chunks.pop_front();
        if (chunk.error != 0) {
            m_state->lastError = chunk.error;
            return -1;
        }
        const size_t count = std::min(length, chunk.bytes.size());
        std::memcpy(buffer, chunk.bytes.data(), count);
        if (count < chunk.bytes.size()) {
            m_state->chunks.push_front({chunk.bytes.substr(count), 0});
        }
        return static_cast<int>(count);
    }
    bool GetPeerName(std::string& address, uint16_t& port) const override {
        if (!m_state->open || m_state->peerAddress.empty()) {
            return false;
        }
        address = m_state->peerAddress;
        port = 80;
        return true;
    }

private:
    std::shared_ptr<FakeSocketState> m_state;
};

// Hands out fake sockets and keeps the state of each one, in order of creation.
class FakeSocketFactory : public ISocketFactory {
public:
    std::unique_ptr<IAsyncSocket> MakeSocket(IAsyncSocketEvents& events) override {
        auto state = std::make_shared<FakeSocketState>();
        states.push_back(state);
        return std::make_unique<FakeSocket>(events, state);
    }
    FakeSocketState& Last() { return *states.back(); }

    std::vector<std::shared_ptr<FakeSocketState>> states;
};
