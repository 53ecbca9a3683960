#include "platform/tick_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

uint32_t SteadyMillisecondsLow32() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

// The waits elsewhere measure "now - start" in uint32 arithmetic; that only works if the
// clock is the monotonic millisecond count cut to 32 bits, wrapping to 0 after 2^32.
TEST(MonotonicTickClock, IsTheMonotonicMillisecondCountModulo2To32) {
    for (int i = 0; i < 1000; ++i) {
        const uint32_t before = SteadyMillisecondsLow32();
        const uint32_t tick = MonotonicTickClock::Instance().GetTickCount();
        const uint32_t after = SteadyMillisecondsLow32();
        // Modular comparison, so the check holds across a wrap as well.
        EXPECT_LE(static_cast<uint32_t>(tick - before), static_cast<uint32_t>(after - before));
    }
}

// A stop must never sit out a long wait: the cancel wakes a sleeper that waits for it,
// and one that comes too late to wake still ends the next wait before it begins.
TEST(ThreadSleeper, AnInterruptibleWaitEndsOnItsCancel) {
    CancelSignal cancel;
    auto wait = std::async(std::launch::async, [&cancel] {
        return ThreadSleeper::Instance().SleepMsUnless(3600 * 1000, cancel);
    });
    cancel.Cancel();
    // The bound only keeps a wait that ignores its cancel from hanging the test.
    ASSERT_EQ(wait.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_FALSE(wait.get());
    EXPECT_FALSE(ThreadSleeper::Instance().SleepMsUnless(3600 * 1000, cancel));

    cancel.Reset();
    EXPECT_TRUE(ThreadSleeper::Instance().SleepMsUnless(1, cancel));
}

}  // namespace
