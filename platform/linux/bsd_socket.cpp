#include "platform/linux/bsd_socket.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

namespace {

bool IsWouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

std::string FormatIpv4(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof(text));
    return text;
}

// Strict dotted-quad parsing: anything else (a host name, the text "ERROR") is refused.
bool ParseIpv4(const std::string& text, in_addr& address) {
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

sockaddr_in MakeSockaddr(in_addr address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr = address;
    result.sin_port = htons(port);
    return result;
}

// A search can draw many replies at once, and the default buffer holds only a few
// hundred datagrams: a burst beyond that is dropped by the kernel before it is read.
constexpr int kDatagramReceiveBufferBytes = 1024 * 1024;

// Best effort: SO_RCVBUF is capped at net.core.rmem_max; with CAP_NET_ADMIN (the
// programs have it for the host address set-up) SO_RCVBUFFORCE passes the cap.
void EnlargeReceiveBuffer(int fd) {
    const int size = kDatagramReceiveBufferBytes;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof(size)) != 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
    }
}

// A search at a block of addresses puts many datagrams on the socket, and one to an address
// of the PC's own subnet stays charged to the send buffer until ARP has resolved the
// address, or for about 3 s when nobody holds it. The kernel caps the request at
// net.core.wmem_max (this much by default) and doubles it: 416 KiB, twice the default.
constexpr int kDatagramSendBufferBytes = 212992;

void EnlargeSendBuffer(int fd) {
    const int size = kDatagramSendBufferBytes;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
}

// The byte counts of the interface are int; larger single calls are cut down.
size_t ClampToInt(size_t length) {
    return std::min<size_t>(length, INT_MAX);
}

class BsdSocketFactory final : public ISocketFactory {
public:
    explicit BsdSocketFactory(IEventLoop& loop) : m_loop(loop) {}
    std::unique_ptr<IAsyncSocket> MakeSocket(IAsyncSocketEvents& events) override {
        return std::make_unique<BsdSocket>(m_loop, events);
    }

private:
    IEventLoop& m_loop;
};

}  // namespace

std::unique_ptr<ISocketFactory> MakeBsdSocketFactory(IEventLoop& loop) {
    return std::make_unique<BsdSocketFactory>(loop);
}

BsdSocket::BsdSocket(IEventLoop& loop, IAsyncSocketEvents& events)
    : m_loop(loop), m_events(events) {}

BsdSocket::~BsdSocket() {
    Close();
}

bool BsdSocket::Create(Type type, uint16_t port, const std::string& bindAddress) {
    Close();
    m_lastError = 0;

    in_addr local{};
    local.s_addr = htonl(INADDR_ANY);
    if (!bindAddress.empty() && !ParseIpv4(bindAddress, local)) {
        return FailFalse(EADDRNOTAVAIL);
    }
    const int kind = type == Type::kStream ? SOCK_STREAM : SOCK_DGRAM;
    const int fd = ::socket(AF_INET, kind | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return FailFalse(errno);
    }
    if (type == Type::kDatagram) {
        // Lets several programs on one host bind the discovery port; each of them then
        // receives every broadcast that arrives.
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        EnlargeReceiveBuffer(fd);
        EnlargeSendBuffer(fd);
    }
    if (type == Type::kDatagram || port != 0 || !bindAddress.empty()) {
        const sockaddr_in address = MakeSockaddr(local, port);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
            const int error = errno;
            ::close(fd);
            return FailFalse(error);
        }
    }

    m_fd = fd;
    m_type = type;
    m_open = std::make_shared<bool>(true);
    m_watchedEvents = WantedEvents();
    m_watchId = m_loop.WatchFd(m_fd, m_watchedEvents, [this, open = m_open](int, unsigned events) {
        if (*open) {
            OnReady(events);
        }
    });
    return true;
}

void BsdSocket::Close() {
    if (m_fd < 0) {
        return;
    }
    m_loop.UnwatchFd(m_watchId);
    m_watchId = 0;
    m_watchedEvents = 0;
    *m_open = false;
    m_open.reset();
    ::close(m_fd);
    m_fd = -1;
    m_connecting = false;
    m_connected = false;
    m_connectFailed = false;
    m_closeReported = false;
    m_resetBySend = false;
    m_peerAddress.clear();
    m_peerPort = 0;
    DropPending();
}

bool BsdSocket::SetBroadcast(bool enable) {
    if (m_fd < 0) {
        return FailFalse(EBADF);
    }
    const int on = enable ? 1 : 0;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0) {
        return FailFalse(errno);
    }
    return true;
}

int BsdSocket::SendTo(const void* data, size_t length, const std::string& address, uint16_t port) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    in_addr target{};
    if (address.empty()) {
        target.s_addr = htonl(INADDR_BROADCAST);
    } else if (!ParseIpv4(address, target)) {
        return Fail(EINVAL);
    }
    const sockaddr_in to = MakeSockaddr(target, port);
    for (;;) {
        const ssize_t sent = ::sendto(m_fd, data, ClampToInt(length), MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        if (sent >= 0) {
            return static_cast<int>(sent);
        }
        if (errno != EINTR) {
            return Fail(errno);
        }
    }
}

// A plain send to 255.255.255.255 follows the routing table: it leaves by the default
// route's interface only, and fails with ENETUNREACH on a host without one. Naming the
// outgoing interface in IP_PKTINFO makes the kernel put the limited broadcast straight
// onto that link, without a route lookup and without needing CAP_NET_RAW (as
// SO_BINDTODEVICE would).
int BsdSocket::SendBroadcastOnAllInterfaces(const void* data, size_t length, uint16_t port) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    if (m_type != Type::kDatagram) {
        return Fail(EOPNOTSUPP);
    }
    if (!SetBroadcast(true)) {
        return -1;
    }
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) {
        return Fail(errno);
    }

    in_addr broadcast{};
    broadcast.s_addr = htonl(INADDR_BROADCAST);
    sockaddr_in to = MakeSockaddr(broadcast, port);
    int lastSendError = ENETUNREACH;
    std::vector<unsigned> sentBy;
    for (const ifaddrs* it = interfaces; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const unsigned flags = it->ifa_flags;
        if (!(flags & IFF_UP) || !(flags & IFF_BROADCAST) || (flags & IFF_LOOPBACK)) {
            continue;
        }
        // An interface with several addresses is listed once per address; send once.
        const unsigned index = ::if_nametoindex(it->ifa_name);
        if (index == 0 || std::find(sentBy.begin(), sentBy.end(), index) != sentBy.end()) {
            continue;
        }

        iovec payload{const_cast<void*>(data), length};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr message{};
        message.msg_name = &to;
        message.msg_namelen = sizeof(to);
        message.msg_iov = &payload;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(index);
        // The interface's own address as the source, so replies come back on its subnet.
        info.ipi_spec_dst = reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr;
        std::memcpy(CMSG_DATA(header), &info, sizeof(info));

        ssize_t sent;
        do {
            sent = ::sendmsg(m_fd, &message, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0) {
            lastSendError = errno;
            continue;
        }
        sentBy.push_back(index);
    }
    ::freeifaddrs(interfaces);
    if (sentBy.empty()) {
        m_lastError = lastSendError;
    }
    return static_cast<int>(sentBy.size());
}

int BsdSocket::ReceiveFrom(void* buffer, size_t length, std::string& address, uint16_t& port) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    // MSG_TRUNC makes recvfrom return the datagram's real length, so that one longer than
    // the buffer is reported as an error instead of arriving silently cut short.
    const int flags = m_type == Type::kDatagram ? MSG_TRUNC : 0;
    const size_t capacity = ClampToInt(length);
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t received = ::recvfrom(m_fd, buffer, capacity, flags,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(errno);
        }
        address = FormatIpv4(from.sin_addr);
        port = ntohs(from.sin_port);
        if (static_cast<size_t>(received) > capacity) {
            return Fail(EMSGSIZE);
        }
        return static_cast<int>(received);
    }
}

bool BsdSocket::Connect(const std::string& address, uint16_t port) {
    if (m_fd < 0) {
        return FailFalse(EBADF);
    }
    if (m_type != Type::kStream) {
        return FailFalse(EOPNOTSUPP);
    }
    if (m_connecting || m_connected || m_connectFailed) {
        return FailFalse(EISCONN);
    }
    in_addr target{};
    if (!ParseIpv4(address, target)) {
        return FailFalse(EINVAL);
    }
    const sockaddr_in to = MakeSockaddr(target, port);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 0 &&
        errno != EINPROGRESS && errno != EINTR) {
        return FailFalse(errno);
    }
    // Even a connect that completed at once is reported from the loop, so that the caller
    // always sees OnConnect after Connect has returned.
    m_connecting = true;
    UpdateWatch();
    return true;
}

int BsdSocket::Send(const void* data, size_t length) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    if (m_type != Type::kStream || m_connectFailed || (!m_connected && !m_connecting)) {
        return Fail(ENOTCONN);
    }
    if (length > INT_MAX) {
        return Fail(EMSGSIZE);  // the return value could not express the count
    }
    const char* bytes = static_cast<const char*>(data);
    size_t written = 0;
    // Bytes queued earlier go first; with nothing queued, write what the kernel takes now
    // and copy only the rest.
    if (m_pending.empty() && m_connected) {
        while (written < length) {
            const ssize_t sent = ::send(m_fd, bytes + written, length - written, MSG_NOSIGNAL);
            if (sent >= 0) {
                written += static_cast<size_t>(sent);
                continue;
            }
            if (errno == EINTR) {
                continue;
            }
            if (IsWouldBlock(errno)) {
                break;
            }
            NoteSendError(errno);
            return -1;
        }
    }
    if (written < length) {
        PendingItem item;
        item.bytes.assign(bytes + written, length - written);
        m_pending.push_back(std::move(item));
        m_pendingBytes += length - written;
        UpdateWatch();
    }
    return static_cast<int>(length);
}

bool BsdSocket::SendSource(std::unique_ptr<IByteSource> source) {
    if (!source) {
        return FailFalse(EINVAL);
    }
    if (m_fd < 0) {
        return FailFalse(EBADF);
    }
    if (m_type != Type::kStream || m_connectFailed || (!m_connected && !m_connecting)) {
        return FailFalse(ENOTCONN);
    }
    PendingItem item;
    item.sourceLeft = source->Size();
    item.source = std::move(source);
    m_pendingBytes += item.sourceLeft;
    m_pending.push_back(std::move(item));
    if (m_connected && FlushPending() == Flush::kFailed) {
        UpdateWatch();
        return false;
    }
    UpdateWatch();
    return true;
}

int BsdSocket::Receive(void* buffer, size_t length) {
    if (m_fd < 0) {
        return Fail(EBADF);
    }
    if (m_type == Type::kStream && !m_connected) {
        return Fail(ENOTCONN);  // the kernel would report a failed connect as end of stream
    }
    for (;;) {
        const ssize_t received = ::recv(m_fd, buffer, ClampToInt(length), 0);
        if (received >= 0) {
            return static_cast<int>(received);
        }
        if (errno != EINTR) {
            return Fail(errno);
        }
    }
}

bool BsdSocket::GetPeerName(std::string& address, uint16_t& port) const {
    if (m_fd < 0) {
        return false;
    }
    sockaddr_in peer{};
    socklen_t peerLength = sizeof(peer);
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) {
        address = FormatIpv4(peer.sin_addr);
        port = ntohs(peer.sin_port);
        return true;
    }
    // After a reset the kernel no longer names the peer, but data received before the
    // reset may still be waiting to be read and attributed.
    if (m_peerAddress.empty()) {
        return false;
    }
    address = m_peerAddress;
    port = m_peerPort;
    return true;
}

int BsdSocket::ReceiveBufferBytes() const {
    return BufferBytes(SO_RCVBUF);
}

int BsdSocket::SendBufferBytes() const {
    return BufferBytes(SO_SNDBUF);
}

int BsdSocket::BufferBytes(int option) const {
    int size = 0;
    socklen_t length = sizeof(size);
    if (m_fd < 0 || ::getsockopt(m_fd, SOL_SOCKET, option, &size, &length) != 0) {
        return -1;
    }
    return size;
}

bool BsdSocket::GetSockName(std::string& address, uint16_t& port) const {
    if (m_fd < 0) {
        return false;
    }
    sockaddr_in local{};
    socklen_t localLength = sizeof(local);
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) {
        return false;
    }
    address = FormatIpv4(local.sin_addr);
    port = ntohs(local.sin_port);
    return true;
}

void BsdSocket::OnReady(unsigned events) {
    // Any handler may close, re-create or destroy this socket; `open` outlives all three
    // and tells us to stop.
    const std::shared_ptr<bool> open = m_open;
    if (events & IEventLoop::kPriority) {
        HandleUrgent();
        if (!*open) {
            return;
        }
    }
    if (m_connecting) {
        if ((events & (IEventLoop::kWrite | IEventLoop::kRead)) == 0 || !HandleConnectDone() ||
            !*open) {
            return;
        }
    }
    // Reading first: on a reset connection the peek takes the pending error and reports
    // it as the close reason; a write would take it first and leave only an EOF to see.
    if (events & IEventLoop::kRead) {
        HandleReadable();
        if (!*open) {
            return;
        }
    }
    if ((events & IEventLoop::kWrite) && !m_pending.empty()) {
        HandleWritable();
    }
}

bool BsdSocket::HandleConnectDone() {
    int error = 0;
    socklen_t errorLength = sizeof(error);
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &errorLength) != 0) {
        error = errno;
    }
    m_connecting = false;
    if (error != 0) {
        // Nothing more will happen on this descriptor; watching it would only spin on
        // its error state.
        m_connectFailed = true;
        m_lastError = error;
        DropPending();
        UpdateWatch();
        m_events.OnConnect(error);
        return false;
    }
    m_connected = true;
    sockaddr_in peer{};
    socklen_t peerLength = sizeof(peer);
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) {
        m_peerAddress = FormatIpv4(peer.sin_addr);
        m_peerPort = ntohs(peer.sin_port);
    }
    UpdateWatch();
    m_events.OnConnect(0);
    return true;
}

void BsdSocket::HandleWritable() {
    const Flush result = FlushPending();
    UpdateWatch();
    if (result == Flush::kDrained) {
        m_events.OnSend(0);
    } else if (result == Flush::kFailed) {
        m_events.OnSend(m_lastError);
    }
}

void BsdSocket::HandleReadable() {
    if (m_type == Type::kDatagram) {
        m_events.OnReceive(0);
        return;
    }
    if (!m_connected || m_closeReported) {
        return;
    }
    // A peek tells data from an orderly close (0) and from an error, without taking
    // anything away from the handler's own Receive.
    char byte;
    const ssize_t peeked = ::recv(m_fd, &byte, 1, MSG_PEEK);
    if (peeked > 0) {
        m_events.OnReceive(0);
        return;
    }
    // A send that met the reset has already taken the socket's error; the end of stream
    // that remains is still a reset.
    int error = m_resetBySend ? ECONNRESET : 0;
    if (peeked < 0) {
        if (errno == EINTR || IsWouldBlock(errno)) {
            return;
        }
        error = errno;
    }
    if (error != 0) {
        m_lastError = error;
        DropPending();  // the connection is gone; nothing queued can be delivered
    }
    m_closeReported = true;
    UpdateWatch();
    m_events.OnClose(error);
}

void BsdSocket::HandleUrgent() {
    const std::shared_ptr<bool> open = m_open;
    m_events.OnOutOfBandData(0);
    if (*open && m_type == Type::kStream) {
        char byte;
        ::recv(m_fd, &byte, 1, MSG_OOB | MSG_DONTWAIT);
    }
}

BsdSocket::Flush BsdSocket::FlushPending() {
    while (!m_pending.empty()) {
        PendingItem& item = m_pending.front();
        if (item.offset == item.bytes.size()) {
            if (item.source && item.sourceLeft > 0 && RefillChunk(item)) {
                continue;
            }
            m_pending.pop_front();
            continue;
        }
        const ssize_t sent = ::send(m_fd, item.bytes.data() + item.offset,
                                    item.bytes.size() - item.offset, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (IsWouldBlock(errno)) {
                return Flush::kWouldBlock;
            }
            NoteSendError(errno);
            DropPending();
            return Flush::kFailed;
        }
        item.offset += static_cast<size_t>(sent);
        m_pendingBytes -= static_cast<uint64_t>(sent);
    }
    return Flush::kDrained;
}

bool BsdSocket::RefillChunk(PendingItem& item) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kSourceChunkBytes, item.sourceLeft));
    item.bytes.resize(want);
    item.offset = 0;
    const size_t got = std::min(item.source->Read(item.bytes.data(), want), want);
    item.bytes.resize(got);
    if (got == 0) {
        // The source ended before the size it announced; what it owed is not coming.
        m_pendingBytes -= item.sourceLeft;
        item.sourceLeft = 0;
        return false;
    }
    item.sourceLeft -= got;
    return true;
}

void BsdSocket::NoteSendError(int error) {
    m_lastError = error;
    if (error == ECONNRESET) {
        m_resetBySend = true;
    }
}

void BsdSocket::DropPending() {
    m_pending.clear();
    m_pendingBytes = 0;
}

unsigned BsdSocket::WantedEvents() const {
    if (m_fd < 0) {
        return 0;
    }
    if (m_type == Type::kDatagram) {
        return IEventLoop::kRead | IEventLoop::kPriority;
    }
    if (m_connecting) {
        return IEventLoop::kWrite;  // a non-blocking connect completes as writability
    }
    if (!m_connected) {
        // An unconnected or failed stream socket polls as hung up; watching it would spin.
        return 0;
    }
    unsigned events = 0;
    if (!m_closeReported) {
        events |= IEventLoop::kRead | IEventLoop::kPriority;
    }
    if (!m_pending.empty()) {
        events |= IEventLoop::kWrite;
    }
    return events;
}

void BsdSocket::UpdateWatch() {
    if (m_watchId == 0) {
        return;
    }
    const unsigned wanted = WantedEvents();
    if (wanted != m_watchedEvents) {
        m_watchedEvents = wanted;
        m_loop.UpdateFd(m_watchId, wanted);
    }
}

int BsdSocket::Fail(int error) {
    m_lastError = error;
    return -1;
}

bool BsdSocket::FailFalse(int error) {
    m_lastError = error;
    return false;
}
