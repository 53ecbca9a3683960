#include "platform/tick_clock.h"

#include <chrono>
#include <thread>

#include "platform/time_scale.h"

uint32_t MonotonicTickClock::GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms) * time_scale::Factor());
}

MonotonicTickClock& MonotonicTickClock::Instance() {
    static MonotonicTickClock clock;
    return clock;
}

void ThreadSleeper::SleepMs(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(time_scale::ToRealMs(ms)));
}

bool ThreadSleeper::SleepMsUnless(uint32_t ms, const CancelSignal& cancel) {
    return !cancel.WaitFor(std::chrono::milliseconds(time_scale::ToRealMs(ms)));
}

ThreadSleeper& ThreadSleeper::Instance() {
    static ThreadSleeper sleeper;
    return sleeper;
}
