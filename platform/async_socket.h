#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class IEventLoop;

// Receives a socket's events on the event loop's thread. Error codes are errno values,
// 0 for none.
class IAsyncSocketEvents {
public:
    virtual ~IAsyncSocketEvents() = default;
    virtual void OnReceive(int /*error*/) {}
    virtual void OnSend(int /*error*/) {}
    // A non-blocking connect finished, successfully (0) or not. A failed connect is
    // reported here only; no close event follows it.
    virtual void OnConnect(int /*error*/) {}
    // The peer closed the stream: 0 for an orderly close, else the error that ended it.
    virtual void OnClose(int /*error*/) {}
    virtual void OnOutOfBandData(int /*error*/) {}
};

// Supplies the bytes of a long send a piece at a time, so that a many-megabyte request
// (the firmware upload) never has to be held in memory whole.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    // Total number of bytes this source will deliver.
    virtual uint64_t Size() const = 0;
    // Copies up to `max` further bytes into `buffer`; returns 0 at the end.
    virtual size_t Read(char* buffer, size_t max) = 0;
};

// One non-blocking socket whose events arrive as calls on an IAsyncSocketEvents.
// Return conventions follow the BSD calls: -1 on failure with LastError() set.
class IAsyncSocket {
public:
    enum class Type { kStream, kDatagram };

    virtual ~IAsyncSocket() = default;

    // Creates the socket bound to `port` (0: any) on `bindAddress` (empty: any local
    // address). Datagram sockets are created with address reuse and, as far as the
    // system allows, a receive buffer of 1 MiB and a send buffer of 416 KiB.
    virtual bool Create(Type type, uint16_t port, const std::string& bindAddress) = 0;
    virtual bool IsOpen() const = 0;
    // Releases the socket; safe on a closed socket. Pending sends are dropped.
    virtual void Close() = 0;
    virtual int LastError() const = 0;

    // Datagram sockets.
    virtual bool SetBroadcast(bool enable) = 0;
    virtual int SendTo(const void* data, size_t length, const std::string& address,
                       uint16_t port) = 0;
    // Sends the datagram to the limited broadcast address out of every up,
    // broadcast-capable IPv4 interface. Returns the number of interfaces it left by.
    virtual int SendBroadcastOnAllInterfaces(const void* data, size_t length, uint16_t port) = 0;
    // Receives one datagram; a datagram longer than `length` fails with EMSGSIZE.
    virtual int ReceiveFrom(void* buffer, size_t length, std::string& address, uint16_t& port) = 0;

    // Stream sockets.
    // Starts a non-blocking connect; true when it is under way or done.
    virtual bool Connect(const std::string& address, uint16_t port) = 0;
    // Takes all `length` bytes: what the socket does not accept now is kept and written
    // as it becomes writable. Returns `length`, or -1 when the socket is not usable.
    virtual int Send(const void* data, size_t length) = 0;
    // Queues a source behind any bytes still pending; it is read as the socket drains.
    virtual bool SendSource(std::unique_ptr<IByteSource> source) = 0;
    // Bytes handed to Send/SendSource that have not reached the kernel yet.
    virtual uint64_t PendingSendBytes() const = 0;
    // Returns the bytes read, 0 when the peer has closed, -1 on error or nothing to read.
    virtual int Receive(void* buffer, size_t length) = 0;
    virtual bool GetPeerName(std::string& address, uint16_t& port) const = 0;
};

// Makes sockets; the managers hold one so that tests can hand them fakes.
class ISocketFactory {
public:
    virtual ~ISocketFactory() = default;
    virtual std::unique_ptr<IAsyncSocket> MakeSocket(IAsyncSocketEvents& events) = 0;
};

// Real sockets over non-blocking BSD sockets, watched through `loop`.
std::unique_ptr<ISocketFactory> MakeBsdSocketFactory(IEventLoop& loop);
