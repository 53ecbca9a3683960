#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/event_loop.h"

// A small poll()-based event loop for programs and tests that run without Qt. Single
// threaded: every call, and every callback, happens on the thread that drives it.
//
// Descriptors are level-triggered: a watch whose fd stays ready is called again on every
// round until the condition is consumed or the watch paused. An error or hang-up on the
// descriptor is reported as whichever of kRead/kWrite the watch asked for, so that the
// owner finds the error through its own read or write. Watches must be removed before
// their descriptor is closed.
class PollEventLoop final : public IEventLoop {
public:
    PollEventLoop() = default;
    PollEventLoop(const PollEventLoop&) = delete;
    PollEventLoop& operator=(const PollEventLoop&) = delete;

    int WatchFd(int fd, unsigned events, FdCallback callback) override;
    void UpdateFd(int watchId, unsigned events) override;
    void UnwatchFd(int watchId) override;
    int StartTimer(uint32_t periodMs, TimerCallback callback) override;
    void StopTimer(int timerId) override;

    // Waits at most `timeoutMs` (-1: without limit) for a ready descriptor or a due timer,
    // then makes the callbacks of that one round. Returns the number of callbacks made.
    int RunOnce(int timeoutMs);
    // Runs rounds until Quit() is called (from a callback).
    void Run();
    void Quit() { m_quit = true; }
    // Runs rounds until `done` returns true or `limitMs` have passed; returns done().
    bool RunUntil(const std::function<bool()>& done, int limitMs);

    size_t WatchCount() const { return m_watches.size(); }
    size_t TimerCount() const { return m_timers.size(); }

private:
    using Clock = std::chrono::steady_clock;

    // Callbacks are held through shared pointers so that one that removes its own watch
    // or timer stays alive until it returns.
    struct Watch {
        int fd;
        unsigned events;
        std::shared_ptr<FdCallback> callback;
    };
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
        std::shared_ptr<TimerCallback> callback;
    };

    int PollTimeout(int timeoutMs) const;
    int DispatchReady(int timeoutMs);
    int DispatchDueTimers();

    std::map<int, Watch> m_watches;
    std::map<int, Timer> m_timers;
    int m_nextId = 1;
    bool m_quit = false;
};
