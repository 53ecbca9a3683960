#include "platform/tick_clock.h"

#include <gtest/gtest.h>

#include <chrono>

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

}  // namespace
