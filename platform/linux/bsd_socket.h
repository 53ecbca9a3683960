#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/async_socket.h"
#include "platform/event_loop.h"

// IAsyncSocket over a non-blocking IPv4 BSD socket whose readiness is watched through an
// IEventLoop. Not thread-safe: every call and every event happens on the loop's thread.
//
// Events:
// - OnConnect(err): the non-blocking connect finished. A connect that succeeds at once is
//   still reported from the loop, never from inside Connect(). After a failed connect
//   the socket is no longer watched and no OnClose follows.
// - OnReceive(0): a datagram, or stream data, waits to be read. The handler is expected to
//   read; unread data is reported again on the next round.
// - OnClose(err): reported once, when the stream's peer has closed (0) or the connection
//   ended with an error (errno). Reading stops being watched then.
// - OnSend(err): bytes that had to wait for write readiness are now all with the kernel
//   (0), or writing them failed and the rest was dropped (errno).
// - OnOutOfBandData(0): TCP urgent data arrived. The interface cannot read it, so the
//   urgent byte is discarded after the call (otherwise the descriptor stays ready).
//
// The socket may be closed, re-created or destroyed from inside any of its own handlers:
// each open descriptor carries a shared "open" flag that Close() clears; event dispatch
// holds its own reference to the flag and stops touching the object once it is cleared.
class BsdSocket final : public IAsyncSocket {
public:
    // Sources are pulled this much at a time, so a long upload holds only one chunk.
    static constexpr size_t kSourceChunkBytes = 64 * 1024;

    BsdSocket(IEventLoop& loop, IAsyncSocketEvents& events);
    ~BsdSocket() override;
    BsdSocket(const BsdSocket&) = delete;
    BsdSocket& operator=(const BsdSocket&) = delete;

    bool Create(Type type, uint16_t port, const std::string& bindAddress) override;
    bool IsOpen() const override { return m_fd >= 0; }
    void Close() override;
    int LastError() const override { return m_lastError; }

    bool SetBroadcast(bool enable) override;
    int SendTo(const void* data, size_t length, const std::string& address, uint16_t port) override;
    int SendBroadcastOnAllInterfaces(const void* data, size_t length, uint16_t port) override;
    int ReceiveFrom(void* buffer, size_t length, std::string& address, uint16_t& port) override;

    bool Connect(const std::string& address, uint16_t port) override;
    int Send(const void* data, size_t length) override;
    bool SendSource(std::unique_ptr<IByteSource> source) override;
    uint64_t PendingSendBytes() const override { return m_pendingBytes; }
    int Receive(void* buffer, size_t length) override;
    bool GetPeerName(std::string& address, uint16_t& port) const override;

    // The local address and port the socket is bound to (an ephemeral port after a bind
    // to port 0).
    bool GetSockName(std::string& address, uint16_t& port) const;
    // The kernel's receive buffer size as SO_RCVBUF reports it (twice what was asked for,
    // the kernel's bookkeeping included); -1 without a socket.
    int ReceiveBufferBytes() const;
    // The same for the send buffer (SO_SNDBUF).
    int SendBufferBytes() const;

private:
    // One queued piece of a send: copied bytes, or a source read chunk by chunk.
    struct PendingItem {
        std::string bytes;
        size_t offset = 0;
        std::unique_ptr<IByteSource> source;
        uint64_t sourceLeft = 0;  // bytes the source still owes by its Size()
    };
    enum class Flush { kDrained, kWouldBlock, kFailed };

    int BufferBytes(int option) const;
    void OnReady(unsigned events);
    bool HandleConnectDone();
    void HandleWritable();
    void HandleReadable();
    void HandleUrgent();

    Flush FlushPending();
    bool RefillChunk(PendingItem& item);
    void NoteSendError(int error);
    void DropPending();
    unsigned WantedEvents() const;
    void UpdateWatch();
    int Fail(int error);
    bool FailFalse(int error);

    IEventLoop& m_loop;
    IAsyncSocketEvents& m_events;
    Type m_type = Type::kStream;
    int m_fd = -1;
    int m_watchId = 0;
    unsigned m_watchedEvents = 0;
    int m_lastError = 0;
    std::shared_ptr<bool> m_open;

    bool m_connecting = false;
    bool m_connected = false;
    bool m_connectFailed = false;
    bool m_closeReported = false;
    bool m_resetBySend = false;
    std::string m_peerAddress;  // remembered at connect: a reset connection forgets its peer
    uint16_t m_peerPort = 0;

    std::deque<PendingItem> m_pending;
    uint64_t m_pendingBytes = 0;
};
