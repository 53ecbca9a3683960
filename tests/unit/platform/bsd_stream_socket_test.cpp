// Stream sockets over real loopback connections, driven by PollEventLoop.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/linux/bsd_socket.h"
#include "platform/poll_event_loop.h"
#include "support/loopback_support.h"

namespace {

using loopback::DrainInto;
using loopback::RecordedEvent;
using loopback::RecordingEvents;
using loopback::ScopedFd;
using loopback::TcpListener;
using loopback::WriteAll;

constexpr int kLimitMs = 30000;  // a generous bound for a hung test, never a timing check

char PatternByte(uint64_t offset) {
    return static_cast<char>((offset * 131 + (offset >> 13)) & 0xFF);
}

std::string Pattern(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = PatternByte(i);
    }
    return bytes;
}

// How far a source has been read; kept by the test, since the socket destroys the
// source once it is done with it.
struct SourceProgress {
    uint64_t delivered = 0;
    int reads = 0;
};

// A source that produces the pattern on demand, as a file would.
class PatternSource : public IByteSource {
public:
    PatternSource(uint64_t size, uint64_t stopAfter, SourceProgress& progress)
        : m_size(size), m_stopAfter(stopAfter), m_progress(progress) {}
    uint64_t Size() const override { return m_size; }
    size_t Read(char* buffer, size_t max) override {
        ++m_progress.reads;
        const uint64_t at = m_progress.delivered;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(max, m_stopAfter - at));
        for (size_t i = 0; i < n; ++i) {
            buffer[i] = PatternByte(at + i);
        }
        m_progress.delivered += n;
        return n;
    }

private:
    uint64_t m_size;
    uint64_t m_stopAfter;  // a source may end before the size it announced
    SourceProgress& m_progress;
};

class StreamSocketTest : public ::testing::Test {
protected:
    void SetUp() override { socket = MakeBsdSocketFactory(loop)->MakeSocket(events); }

    bool RunUntil(const std::function<bool()>& done) { return loop.RunUntil(done, kLimitMs); }
    void RunRounds(int rounds) {
        for (int i = 0; i < rounds; ++i) {
            loop.RunOnce(5);
        }
    }

    ScopedFd Connect(TcpListener& listener) {
        EXPECT_TRUE(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
        EXPECT_TRUE(socket->Connect("127.0.0.1", listener.port()));
        EXPECT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kConnect); }));
        return listener.Accept();
    }

    // Reads from the server end in slices of `slice` bytes per loop round, like a slow
    // device, handing every slice to `sink`.
    int WatchServer(int fd, size_t slice, std::function<void(const std::string&)> sink) {
        return loop.WatchFd(fd, IEventLoop::kRead, [=](int ready, unsigned) {
            std::string got;
            DrainInto(ready, got, slice);
            sink(got);
        });
    }

    PollEventLoop loop;
    RecordingEvents events;
    std::unique_ptr<IAsyncSocket> socket;
};

TEST_F(StreamSocketTest, ExchangeEndsWithOneOrderlyCloseAfterAllData) {
    TcpListener listener;
    ASSERT_TRUE(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
    ASSERT_TRUE(socket->Connect("127.0.0.1", listener.port()));
    EXPECT_TRUE(events.events.empty()) << "the connect result must come from the loop";
    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kConnect); }));
    EXPECT_EQ(events.events.front(), (RecordedEvent{RecordedEvent::kConnect, 0}));
    ScopedFd server = listener.Accept();
    ASSERT_GE(server.get(), 0);

    std::string peer;
    uint16_t peerPort = 0;
    ASSERT_TRUE(socket->GetPeerName(peer, peerPort));
    EXPECT_EQ(peer, "127.0.0.1");
    EXPECT_EQ(peerPort, listener.port());

    const std::string request = "GET /lan.htm HTTP/1.1\r\n\r\n";
    ASSERT_EQ(socket->Send(request.data(), request.size()), static_cast<int>(request.size()));
    std::string atServer;
    ASSERT_TRUE(RunUntil([&] {
        DrainInto(server.get(), atServer);
        return atServer.size() == request.size();
    }));
    EXPECT_EQ(atServer, request);

    // The handler reads in small pieces, so the data takes many receive events; the close
    // must wait until every byte has been taken.
    const std::string response = "HTTP/1.1 200 OK\r\n\r\n" + std::string(5000, 'x') + "</html>";
    WriteAll(server.get(), response);
    server.Reset();
    std::string received;
    events.onReceive = [&] {
        char piece[7];
        const int n = socket->Receive(piece, sizeof(piece));
        if (n > 0) {
            received.append(piece, static_cast<size_t>(n));
        }
    };
    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kClose); }));
    EXPECT_EQ(received, response);
    EXPECT_EQ(events.events.back(), (RecordedEvent{RecordedEvent::kClose, 0}));
    EXPECT_GT(events.Count(RecordedEvent::kReceive), 1);

    RunRounds(10);
    EXPECT_EQ(events.Count(RecordedEvent::kClose), 1);
    EXPECT_EQ(loop.RunOnce(0), 0) << "a closed stream must no longer be reported ready";
}

TEST_F(StreamSocketTest, ResetIsReportedOnceAsErrorClose) {
    TcpListener listener;
    ScopedFd server = Connect(listener);
    ASSERT_GE(server.get(), 0);
    const linger abort{1, 0};  // close with RST
    ::setsockopt(server.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    server.Reset();

    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kClose); }));
    EXPECT_EQ(events.events.back(), (RecordedEvent{RecordedEvent::kClose, ECONNRESET}));
    RunRounds(10);
    EXPECT_EQ(events.Count(RecordedEvent::kClose), 1);
    EXPECT_EQ(loop.RunOnce(0), 0);
}

TEST_F(StreamSocketTest, RefusedConnectReportsOnlyTheConnectError) {
    ASSERT_TRUE(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
    ASSERT_TRUE(socket->Connect("127.0.0.1", loopback::ClosedTcpPort()));
    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kConnect); }));
    RunRounds(10);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0], (RecordedEvent{RecordedEvent::kConnect, ECONNREFUSED}));
    EXPECT_EQ(loop.RunOnce(0), 0) << "a failed connect must not keep the loop busy";

    // What the web queue does next: sends into the failed socket, then recycles it.
    EXPECT_EQ(socket->Send("x", 1), -1);
    EXPECT_NE(socket->LastError(), 0);
    char buffer[16];
    EXPECT_EQ(socket->Receive(buffer, sizeof(buffer)), -1);
    socket->Close();
    socket->Close();
    EXPECT_FALSE(socket->IsOpen());
    EXPECT_EQ(socket->Send("x", 1), -1);
}

TEST_F(StreamSocketTest, BindAddressMustBeALocalAddress) {
    BsdSocket bsd(loop, events);
    EXPECT_FALSE(bsd.Create(IAsyncSocket::Type::kStream, 0, "ERROR"));
    EXPECT_NE(bsd.LastError(), 0);
    EXPECT_FALSE(bsd.IsOpen());
    // TEST-NET-1 is never assigned to this host; binding sends nothing.
    EXPECT_FALSE(bsd.Create(IAsyncSocket::Type::kStream, 0, "192.0.2.1"));
    EXPECT_EQ(bsd.LastError(), EADDRNOTAVAIL);
    EXPECT_FALSE(bsd.IsOpen());

    ASSERT_TRUE(bsd.Create(IAsyncSocket::Type::kStream, 0, "127.0.0.1"));
    std::string local;
    uint16_t port = 1;
    ASSERT_TRUE(bsd.GetSockName(local, port));
    EXPECT_EQ(local, "127.0.0.1");
}

TEST_F(StreamSocketTest, LargeSendToSlowReaderArrivesWholeWithoutBlocking) {
    TcpListener listener(64 * 1024);
    ScopedFd server = Connect(listener);
    ASSERT_GE(server.get(), 0);

    // Nobody reads yet: Send must still take everything and return at once.
    const std::string body = Pattern(8 * 1024 * 1024);
    ASSERT_EQ(socket->Send(body.data(), body.size()), static_cast<int>(body.size()));
    EXPECT_GT(socket->PendingSendBytes(), 0u);
    const uint64_t pendingBefore = socket->PendingSendBytes();
    ASSERT_EQ(socket->Send("TAIL", 4), 4);
    EXPECT_EQ(socket->PendingSendBytes(), pendingBefore + 4) << "queued behind the backlog";

    std::string atServer;
    const int watch =
        WatchServer(server.get(), 32 * 1024, [&](const std::string& got) { atServer += got; });
    ASSERT_TRUE(RunUntil([&] { return atServer.size() == body.size() + 4; }));
    loop.UnwatchFd(watch);
    EXPECT_TRUE(atServer == body + "TAIL") << "bytes lost, repeated or reordered";
    EXPECT_EQ(socket->PendingSendBytes(), 0u);
    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kSend); }));
    EXPECT_EQ(events.Count(RecordedEvent::kSend), 1);
    EXPECT_EQ(events.events.back(), (RecordedEvent{RecordedEvent::kSend, 0}));
}

TEST_F(StreamSocketTest, SourceIsPulledOnlyAsTheSocketDrains) {
    TcpListener listener(64 * 1024);
    ScopedFd server = Connect(listener);
    ASSERT_GE(server.get(), 0);

    constexpr uint64_t kSize = 48ull * 1024 * 1024;
    SourceProgress source;
    ASSERT_EQ(socket->Send("HEAD", 4), 4);
    ASSERT_TRUE(socket->SendSource(std::make_unique<PatternSource>(kSize, kSize, source)));
    ASSERT_EQ(socket->Send("TAIL", 4), 4);
    EXPECT_GE(socket->PendingSendBytes(), kSize - source.delivered + 4);

    // Verify as the bytes come, without holding 48 MiB: the server checks each byte's
    // place in HEAD, pattern, TAIL.
    uint64_t received = 0;
    uint64_t mismatches = 0;
    uint64_t mostAhead = 0;  // bytes read from the source but not yet at the server
    std::string framing;
    const int watch = WatchServer(server.get(), 64 * 1024, [&](const std::string& got) {
        for (char c : got) {
            if (received < 4 || received >= 4 + kSize) {
                framing += c;
            } else if (c != PatternByte(received - 4)) {
                ++mismatches;
            }
            ++received;
        }
        const uint64_t atServer = received > 4 ? std::min(received - 4, kSize) : 0;
        mostAhead = std::max(mostAhead, source.delivered - atServer);
    });
    ASSERT_TRUE(RunUntil([&] { return received == kSize + 8; }));
    loop.UnwatchFd(watch);

    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(framing, "HEADTAIL");
    EXPECT_EQ(source.delivered, kSize);
    EXPECT_EQ(socket->PendingSendBytes(), 0u);
    // Only socket buffers (a few MiB on loopback) plus one chunk may run ahead of the reader.
    EXPECT_LT(mostAhead, 8ull * 1024 * 1024);
    EXPECT_GT(source.reads, 100);
}

TEST_F(StreamSocketTest, SourceEndingEarlyDoesNotStallWhatFollows) {
    TcpListener listener;
    ScopedFd server = Connect(listener);
    ASSERT_GE(server.get(), 0);
    SourceProgress source;
    ASSERT_TRUE(socket->SendSource(std::make_unique<PatternSource>(1000, 600, source)));
    ASSERT_EQ(socket->Send("END", 3), 3);

    std::string atServer;
    ASSERT_TRUE(RunUntil([&] {
        DrainInto(server.get(), atServer);
        return atServer.size() >= 603;
    }));
    EXPECT_EQ(atServer, Pattern(600) + "END");
    EXPECT_EQ(socket->PendingSendBytes(), 0u);
}

TEST_F(StreamSocketTest, SendBeforeTheConnectCompletesIsDeliveredAfterIt) {
    TcpListener listener;
    ASSERT_TRUE(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
    ASSERT_TRUE(socket->Connect("127.0.0.1", listener.port()));
    ASSERT_EQ(socket->Send("early", 5), 5);
    EXPECT_EQ(socket->PendingSendBytes(), 5u);
    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kConnect); }));
    ScopedFd server = listener.Accept();
    std::string atServer;
    ASSERT_TRUE(RunUntil([&] {
        DrainInto(server.get(), atServer);
        return atServer.size() >= 5;
    }));
    EXPECT_EQ(atServer, "early");
}

TEST_F(StreamSocketTest, PeerVanishingUnderBacklogIsAnErrorCloseNotASignal) {
    TcpListener listener(64 * 1024);
    ScopedFd server = Connect(listener);
    ASSERT_GE(server.get(), 0);
    const std::string body = Pattern(8 * 1024 * 1024);
    ASSERT_EQ(socket->Send(body.data(), body.size()), static_cast<int>(body.size()));
    ASSERT_GT(socket->PendingSendBytes(), 0u);

    // Closing with unread data makes the kernel answer with a reset; writing on into it
    // would raise SIGPIPE and end the test binary.
    server.Reset();
    ASSERT_TRUE(RunUntil([&] { return events.Has(RecordedEvent::kClose); }));
    EXPECT_EQ(events.events.back(), (RecordedEvent{RecordedEvent::kClose, ECONNRESET}));
    EXPECT_EQ(socket->PendingSendBytes(), 0u);
    EXPECT_EQ(socket->Send("more", 4), -1);
    RunRounds(10);
    EXPECT_EQ(events.Count(RecordedEvent::kClose), 1);
}

// The managers drop and re-create their sockets from inside event handlers.
TEST_F(StreamSocketTest, HandlersMayDestroyOrRecreateTheirOwnSocket) {
    TcpListener listener;
    {
        SCOPED_TRACE("destroyed in OnConnect");
        events.onConnect = [&] { socket.reset(); };
        ScopedFd server = Connect(listener);
        RunRounds(5);
        EXPECT_EQ(socket, nullptr);
    }
    {
        SCOPED_TRACE("destroyed in OnReceive with more data waiting");
        socket = MakeBsdSocketFactory(loop)->MakeSocket(events);
        events = RecordingEvents{};
        ScopedFd server = Connect(listener);
        events.onReceive = [&] { socket.reset(); };
        WriteAll(server.get(), std::string(100000, 'r'));
        ASSERT_TRUE(RunUntil([&] { return socket == nullptr; }));
        RunRounds(5);
        EXPECT_EQ(events.Count(RecordedEvent::kReceive), 1);
    }
    {
        SCOPED_TRACE("closed and reconnected in OnClose");
        socket = MakeBsdSocketFactory(loop)->MakeSocket(events);
        events = RecordingEvents{};
        ScopedFd server = Connect(listener);
        TcpListener second;
        events.onClose = [&] {
            events.onClose = nullptr;
            socket->Close();
            ASSERT_TRUE(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
            ASSERT_TRUE(socket->Connect("127.0.0.1", second.port()));
        };
        server.Reset();
        ASSERT_TRUE(RunUntil([&] { return events.Count(RecordedEvent::kConnect) == 2; }));
        ScopedFd secondServer = second.Accept();
        ASSERT_EQ(socket->Send("again", 5), 5);
        std::string atServer;
        ASSERT_TRUE(RunUntil([&] {
            DrainInto(secondServer.get(), atServer);
            return atServer.size() >= 5;
        }));
        EXPECT_EQ(atServer, "again");
        EXPECT_EQ(events.Count(RecordedEvent::kClose), 1);
    }
}

}  // namespace
