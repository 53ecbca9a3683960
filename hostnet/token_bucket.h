#pragma once

#include <cstdint>

#include "platform/tick_clock.h"

// A rate limit: up to `burst` actions at once, then one more every `periodMs`.
struct RateLimit {
    uint32_t burst = 1;
    uint32_t periodMs = 1000;
};

// Counts actions against a RateLimit on a tick clock (wrap-safe). Not thread-safe.
class TokenBucket {
public:
    // A bucket that starts empty earns its first token one period after it was made, and
    // the burst only by waiting: however often it is made anew, it never allows more than
    // one action per period on average.
    enum class Start { kFull, kEmpty };

    TokenBucket(ITickClock& clock, RateLimit limit, Start start = Start::kFull)
        : m_clock(clock),
          m_limit(limit),
          m_tokens(start == Start::kFull ? limit.burst : 0),
          m_last(clock.GetTickCount()) {}

    // Takes one action's token; false when the limit is reached for now.
    bool Take() {
        Earn();
        if (m_tokens == 0) {
            return false;
        }
        if (m_tokens == m_limit.burst) {
            m_last = m_clock.GetTickCount();  // a full bucket earns nothing while it waits
        }
        --m_tokens;
        return true;
    }

    // Milliseconds until Take can succeed: 0 when a token is there now.
    uint32_t MsUntilToken() {
        Earn();
        if (m_tokens > 0) {
            return 0;
        }
        if (m_limit.periodMs == 0) {
            return UINT32_MAX;  // never again
        }
        return m_limit.periodMs - (m_clock.GetTickCount() - m_last);
    }

private:
    void Earn() {
        const uint32_t elapsed = m_clock.GetTickCount() - m_last;
        if (m_limit.periodMs > 0 && elapsed >= m_limit.periodMs) {
            const uint32_t earned = elapsed / m_limit.periodMs;
            m_tokens = earned >= m_limit.burst - m_tokens ? m_limit.burst : m_tokens + earned;
            m_last += earned * m_limit.periodMs;
        }
    }

    ITickClock& m_clock;
    RateLimit m_limit;
    uint32_t m_tokens;
    uint32_t m_last;
};
