#include "cli/guarded_event_loop.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fakes/fake_event_loop.h"

namespace {

// Records the descriptor callbacks it is given, so a test can call one as the loop would.
class RecordingLoop : public FakeEventLoop {
public:
    int WatchFd(int fd, unsigned events, FdCallback callback) override {
        watched.push_back(std::move(callback));
        return FakeEventLoop::WatchFd(fd, events, nullptr);
    }
    std::vector<FdCallback> watched;
};

TEST(GuardedEventLoopTest, AnExceptionOutOfAHandlerIsHandedOverAndTheLoopGoesOn) {
    RecordingLoop inner;
    std::vector<std::string> escaped;
    GuardedEventLoop loop(inner, [&](const std::string& what) { escaped.push_back(what); });

    int ticks = 0;
    loop.StartTimer(200, [&] {
        ++ticks;
        throw std::bad_alloc();
    });
    loop.WatchFd(7, IEventLoop::kRead, [](int, unsigned) { throw std::runtime_error("bad page"); });
    loop.StartTimer(300, [] { throw 42; });

    EXPECT_NO_THROW(inner.Fire(200));
    EXPECT_NO_THROW(inner.Fire(200));
    EXPECT_NO_THROW(inner.watched.at(0)(7, IEventLoop::kRead));
    EXPECT_NO_THROW(inner.Fire(300));
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(escaped, (std::vector<std::string>{std::bad_alloc().what(), std::bad_alloc().what(),
                                                 "bad page", "unknown exception"}));

    // Handlers that return normally are untouched.
    bool ran = false;
    loop.Guard([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(escaped.size(), 4u);
}

}  // namespace
