#pragma once

#include <functional>
#include <map>

#include "platform/event_loop.h"

// Timers that fire only when the test fires them; no descriptors.
class FakeEventLoop : public IEventLoop {
public:
    int WatchFd(int, unsigned, FdCallback) override { return m_nextId++; }
    void UpdateFd(int, unsigned) override {}
    void UnwatchFd(int) override {}
    int StartTimer(uint32_t periodMs, TimerCallback callback) override {
        m_timers[m_nextId] = {periodMs, std::move(callback)};
        return m_nextId++;
    }
    void StopTimer(int timerId) override { m_timers.erase(timerId); }

    // Fires every running timer of `periodMs` once (a copy, so callbacks may stop timers).
    void Fire(uint32_t periodMs) {
        const auto timers = m_timers;
        for (const auto& [id, timer] : timers) {
            if (timer.first == periodMs && m_timers.count(id) != 0) {
                timer.second();
            }
        }
    }
    bool HasTimer(uint32_t periodMs) const {
        for (const auto& [id, timer] : m_timers) {
            if (timer.first == periodMs) {
                return true;
            }
        }
        return false;
    }

private:
    std::map<int, std::pair<uint32_t, TimerCallback>> m_timers;
    int m_nextId = 1;
};
