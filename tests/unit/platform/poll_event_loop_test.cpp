#include "platform/poll_event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

namespace {

// A pipe whose read end is readable as soon as one byte has been written.
struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() {
        EXPECT_EQ(::pipe(ends), 0);
        EXPECT_EQ(::write(ends[1], "!", 1), 1);
    }
    ~Pipe() {
        ::close(ends[0]);
        ::close(ends[1]);
    }
    int readEnd() const { return ends[0]; }
};

TEST(PollEventLoop, RepeatingTimerRunsUntilItStopsItselfFromItsCallback) {
    PollEventLoop loop;
    int fired = 0;
    int id = 0;
    id = loop.StartTimer(1, [&] {
        if (++fired == 3) {
            loop.StopTimer(id);
        }
    });
    EXPECT_GT(id, 0);
    for (int i = 0; i < 50; ++i) {
        loop.RunOnce(5);
    }
    EXPECT_EQ(fired, 3);
    EXPECT_EQ(loop.TimerCount(), 0u);
    loop.StopTimer(id);     // already gone
    loop.StopTimer(12345);  // never existed
}

TEST(PollEventLoop, ReadyDescriptorIsReportedUntilPausedOrRemoved) {
    PollEventLoop loop;
    Pipe pipe;
    std::vector<unsigned> seen;
    const int watch = loop.WatchFd(pipe.readEnd(), IEventLoop::kRead | IEventLoop::kPriority,
                                   [&](int fd, unsigned events) {
                                       EXPECT_EQ(fd, pipe.readEnd());
                                       seen.push_back(events);
                                   });
    EXPECT_EQ(loop.RunOnce(0), 1);
    EXPECT_EQ(loop.RunOnce(0), 1) << "level-triggered: unread data is reported again";
    EXPECT_EQ(seen, (std::vector<unsigned>{IEventLoop::kRead, IEventLoop::kRead}));

    loop.UpdateFd(watch, 0);
    EXPECT_EQ(loop.RunOnce(0), 0);
    loop.UpdateFd(watch, IEventLoop::kRead);
    EXPECT_EQ(loop.RunOnce(0), 1);
    loop.UnwatchFd(watch);
    EXPECT_EQ(loop.RunOnce(0), 0);
    loop.UnwatchFd(watch);  // twice is harmless
}

TEST(PollEventLoop, WatchRemovedByAnEarlierCallbackOfTheSameRoundIsNotCalled) {
    PollEventLoop loop;
    Pipe first, second;
    int secondWatch = 0;
    int secondCalls = 0;
    int firstCalls = 0;
    // The first callback removes itself and the second watch, whose fd is also ready in
    // this very round; the callback's own captures must survive its removal.
    int firstWatch = 0;
    firstWatch = loop.WatchFd(first.readEnd(), IEventLoop::kRead,
                              [&, marker = std::vector<int>(64, 7)](int, unsigned) {
                                  ++firstCalls;
                                  loop.UnwatchFd(firstWatch);
                                  loop.UnwatchFd(secondWatch);
                                  EXPECT_EQ(marker[63], 7);
                              });
    secondWatch =
        loop.WatchFd(second.readEnd(), IEventLoop::kRead, [&](int, unsigned) { ++secondCalls; });
    loop.RunOnce(0);
    loop.RunOnce(0);
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(loop.WatchCount(), 0u);
}

TEST(PollEventLoop, RunReturnsWhenACallbackQuits) {
    PollEventLoop loop;
    int ticks = 0;
    loop.StartTimer(1, [&] {
        if (++ticks == 2) {
            loop.Quit();
        }
    });
    loop.Run();
    EXPECT_EQ(ticks, 2);
}

}  // namespace
