#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/event_loop.h"

class DialogWindow;

// One window's timers as an event loop, for the core's waits that belong to a page: each
// StartTimer runs a window timer under an id of its own from `firstTimerId` on, and the
// window hands its OnTimer calls over to Dispatch. So the waits keep the window's ways:
// they tick inside nested modal loops and stop when the window hides. It watches no
// descriptors; the sockets have the program's event loop.
class WindowTimerLoop final : public IEventLoop {
public:
    WindowTimerLoop(DialogWindow& window, int firstTimerId)
        : m_window(window), m_nextId(firstTimerId) {}

    WindowTimerLoop(const WindowTimerLoop&) = delete;
    WindowTimerLoop& operator=(const WindowTimerLoop&) = delete;

    int WatchFd(int, unsigned, FdCallback) override { return 0; }
    void UpdateFd(int, unsigned) override {}
    void UnwatchFd(int) override {}
    int StartTimer(uint32_t periodMs, TimerCallback callback) override;
    void StopTimer(int timerId) override;

    // Runs timer `id`'s callback; false when `id` is none of this loop's timers.
    bool Dispatch(int id);
    // Whether a timer of this loop still ticks: hiding the window stops them all.
    bool AnyRunning() const;

private:
    DialogWindow& m_window;
    int m_nextId;
    std::map<int, std::shared_ptr<TimerCallback>> m_timers;
};
