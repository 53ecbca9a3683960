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
    TokenBucket(ITickClock& clock, RateLimit limit)
        : m_clock(clock), m_limit(limit), m_tokens(limit.burst), m_last(clock.GetTickCount()) {}

    // Takes one action's token; false when the limit is reached for now.
    bool Take() {
        const uint32_t now = m_clock.GetTickCount();
        const uint32_t elapsed = now - m_last;
        if (m_limit.periodMs > 0 && elapsed >= m_limit.periodMs) {
            const uint32_t earned = elapsed / m_limit.periodMs;
            m_tokens = earned >= m_limit.burst - m_tokens ? m_limit.burst : m_tokens + earned;
            m_last += earned * m_limit.periodMs;
        }
        if (m_tokens == 0) {
            return false;
        }
        if (m_tokens == m_limit.burst) {
            m_last = now;  // a full bucket earns nothing while it waits
        }
        --m_tokens;
        return true;
    }

private:
    ITickClock& m_clock;
    RateLimit m_limit;
    uint32_t m_tokens;
    uint32_t m_last;
};
