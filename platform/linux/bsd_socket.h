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
    bool IsOpen() const override { return fd_ >= 0; }
    void Close() override;
    int LastError() const override { return lastError_; }

    bool SetBroadcast(bool enable) override;
    int SendTo(const void* data, size_t length, const std::string& address, uint16_t port) override;
    int SendBroadcastOnAllInterfaces(const void* data, size_t length, uint16_t port) override;
    int ReceiveFrom(void* buffer, size_t length, std::string& address, uint16_t& port) override;

    bool Connect(const std::string& address, uint16_t port) override;
    int Send(const void* data, size_t length) override;
    bool SendSource(std::unique_ptr<IByteSource> source) override;
    uint64_t PendingSendBytes() const override { return pendingBytes_; }
    int Receive(void* buffer, size_t length) override;
    bool GetPeerName(std::string& address, uint16_t& port) const override;

    // The local address and port the socket is bound to (an ephemeral port after a bind
    // to port 0).
    bool GetSockName(std::string& address, uint16_t& port) const;

private:
    // One queued piece of a send: copied bytes, or a source read chunk by chunk.
    struct PendingItem {
        std::string bytes;
        size_t offset = 0;
        std::unique_ptr<IByteSource> source;
        uint64_t sourceLeft = 0;  // bytes the source still owes by its Size()
    };
    enum class Flush { kDrained, kWouldBlock, kFailed };

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

    IEventLoop& loop_;
    IAsyncSocketEvents& events_;
    Type type_ = Type::kStream;
    int fd_ = -1;
    int watchId_ = 0;
    unsigned watchedEvents_ = 0;
    int lastError_ = 0;
    std::shared_ptr<bool> open_;

    bool connecting_ = false;
    bool connected_ = false;
    bool connectFailed_ = false;
    bool closeReported_ = false;
    bool resetBySend_ = false;
    std::string peerAddress_;  // remembered at connect: a reset connection forgets its peer
    uint16_t peerPort_ = 0;

    std::deque<PendingItem> pending_;
    uint64_t pendingBytes_ = 0;
};
