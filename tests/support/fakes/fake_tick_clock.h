#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/tick_clock.h"

// A tick count that moves only when the test says so; it wraps like the real one.
class FakeTickClock : public ITickClock {
public:
    explicit FakeTickClock(uint32_t start = 1000) : m_now(start) {}
    uint32_t GetTickCount() override { return m_now.load(); }
    void Set(uint32_t now) { m_now = now; }
    void Advance(uint32_t ms) { m_now += ms; }

private:
    std::atomic<uint32_t> m_now;
};

// Records the waits asked for instead of waiting.
class FakeSleeper : public ISleeper {
public:
    void SleepMs(uint32_t ms) override { sleeps.push_back(ms); }
    std::vector<uint32_t> sleeps;
};

// Waits by moving a fake clock on, as if the time had passed; records the waits too.
class AdvancingSleeper : public ISleeper {
public:
    explicit AdvancingSleeper(FakeTickClock& clock) : m_clock(clock) {}
    void SleepMs(uint32_t ms) override {
        sleeps.push_back(ms);
        m_clock.Advance(ms);
        if (onSleep) {
            onSleep();
        }
    }
    std::vector<uint32_t> sleeps;
    // Runs after each wait (a signal arriving meanwhile).
    std::function<void()> onSleep;

private:
    FakeTickClock& m_clock;
};
