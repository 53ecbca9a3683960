// The send meter over the web queue's socket: which socket it reports on, what counts as
// sent, and that a new connection or a destroyed socket never leaves stale figures.

#include "platform/metered_socket.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// What one inner socket was asked to do; the test sets how much it still holds back.
struct InnerState {
    uint64_t pending = 0;
    bool refuseSource = false;
};

class InnerSocket : public IAsyncSocket {
public:
    explicit InnerSocket(InnerState& state) : m_state(state) {}
    bool Create(Type, uint16_t, const std::string&) override { return true; }
    bool IsOpen() const override { return true; }
    void Close() override {}
    int LastError() const override { return 0; }
    bool SetBroadcast(bool) override { return true; }
    int SendTo(const void*, size_t length, const std::string&, uint16_t) override {
        return static_cast<int>(length);
    }
    int SendBroadcastOnAllInterfaces(const void*, size_t, uint16_t) override { return 1; }
    int ReceiveFrom(void*, size_t, std::string&, uint16_t&) override { return -1; }
    bool Connect(const std::string&, uint16_t) override { return true; }
    int Send(const void*, size_t length) override { return static_cast<int>(length); }
    bool SendSource(std::unique_ptr<IByteSource>) override { return !m_state.refuseSource; }
    uint64_t PendingSendBytes() const override { return m_state.pending; }
    int Receive(void*, size_t) override { return -1; }
    bool GetPeerName(std::string&, uint16_t&) const override { return false; }

private:
    InnerState& m_state;
};

class InnerFactory : public ISocketFactory {
public:
    std::unique_ptr<IAsyncSocket> MakeSocket(IAsyncSocketEvents&) override {
        states.push_back(std::make_unique<InnerState>());
        return std::make_unique<InnerSocket>(*states.back());
    }
    std::vector<std::unique_ptr<InnerState>> states;
};

class SizedSource : public IByteSource {
public:
    explicit SizedSource(uint64_t size) : m_size(size) {}
    uint64_t Size() const override { return m_size; }
    size_t Read(char*, size_t) override { return 0; }

private:
    uint64_t m_size;
};

// (sent, total), for comparisons with readable failures.
std::pair<uint64_t, uint64_t> Figures(const SendProgress& progress) {
    return {progress.sent, progress.total};
}

class MeteredSocketTest : public ::testing::Test {
protected:
    InnerFactory inner;
    MeteredSocketFactory meter{inner};
    IAsyncSocketEvents events;
};

TEST_F(MeteredSocketTest, CountsWhatReachedTheKernelOfTheLatestStream) {
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({0, 0}));
    auto socket = meter.MakeSocket(events);
    ASSERT_TRUE(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
    socket->Send("head", 4);
    ASSERT_TRUE(socket->SendSource(std::make_unique<SizedSource>(1000)));
    inner.states[0]->pending = 600;
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({404, 1004}));
    inner.states[0]->pending = 0;
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({1004, 1004}));

    // A refused source is not part of the send.
    inner.states[0]->refuseSource = true;
    EXPECT_FALSE(socket->SendSource(std::make_unique<SizedSource>(50)));
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({1004, 1004}));
}

TEST_F(MeteredSocketTest, ANewConnectionStartsFromNothing) {
    auto socket = meter.MakeSocket(events);
    socket->Create(IAsyncSocket::Type::kStream, 0, "");
    socket->Send("first request", 13);
    // The web queue re-creates its one socket for every command.
    socket->Create(IAsyncSocket::Type::kStream, 0, "");
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({0, 0}));
    socket->Send("next", 4);
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({4, 4}));
}

TEST_F(MeteredSocketTest, DatagramSocketsDoNotTakeOverTheMeter) {
    auto stream = meter.MakeSocket(events);
    stream->Create(IAsyncSocket::Type::kStream, 0, "");
    stream->Send("abc", 3);
    auto datagram = meter.MakeSocket(events);
    datagram->Create(IAsyncSocket::Type::kDatagram, 13379, "");
    datagram->SendTo("x", 1, "255.255.255.255", 13379);
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({3, 3}));
}

TEST_F(MeteredSocketTest, ADestroyedStreamReportsNothing) {
    auto older = meter.MakeSocket(events);
    older->Create(IAsyncSocket::Type::kStream, 0, "");
    auto newer = meter.MakeSocket(events);
    newer->Create(IAsyncSocket::Type::kStream, 0, "");
    newer->Send("12345", 5);
    // Destroying a socket the meter no longer follows leaves the current one in place.
    older.reset();
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({5, 5}));
    newer.reset();
    EXPECT_EQ(Figures(meter.StreamProgress()), Figures({0, 0}));
}

}  // namespace
