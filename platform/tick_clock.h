#pragma once

#include <cstdint>

#include "platform/cancel_signal.h"

// Milliseconds of a monotonic clock as a 32-bit count that wraps at 2^32, like the
// system tick count the timing rules are written for. Injected so that tests never sleep.
class ITickClock {
public:
    virtual ~ITickClock() = default;
    virtual uint32_t GetTickCount() = 0;
};

// Blocking waits (the 500 ms pause after an address deletion, the 10 s wait after an
// addition, the one-second hold after the status read). Injected for the same reason.
class ISleeper {
public:
    virtual ~ISleeper() = default;
    virtual void SleepMs(uint32_t ms) = 0;
    // The same wait, ended early once `cancel` is cancelled, so that a stop never has to
    // sit out a long wait. False when the wait was cut short or cancelled before it began.
    virtual bool SleepMsUnless(uint32_t ms, const CancelSignal& cancel) {
        if (cancel.Cancelled()) {
            return false;
        }
        SleepMs(ms);
        return !cancel.Cancelled();
    }
};

// CLOCK_MONOTONIC in milliseconds of the program's time (platform/time_scale.h), truncated
// to 32 bits.
class MonotonicTickClock : public ITickClock {
public:
    uint32_t GetTickCount() override;
    static MonotonicTickClock& Instance();
};

// Sleeps the calling thread for the real length of `ms` of the program's time.
class ThreadSleeper : public ISleeper {
public:
    void SleepMs(uint32_t ms) override;
    bool SleepMsUnless(uint32_t ms, const CancelSignal& cancel) override;
    static ThreadSleeper& Instance();
};
