#include "window/window_timer_loop.h"

#include "window/dialog_window.h"

int WindowTimerLoop::StartTimer(uint32_t periodMs, TimerCallback callback) {
    const int id = m_nextId++;
    m_timers[id] = std::make_shared<TimerCallback>(std::move(callback));
    m_window.SetTimer(id, periodMs);
    return id;
}

void WindowTimerLoop::StopTimer(int timerId) {
    if (m_timers.erase(timerId) != 0) {
        m_window.KillTimer(timerId);
    }
}

bool WindowTimerLoop::Dispatch(int id) {
    const auto found = m_timers.find(id);
    if (found == m_timers.end()) {
        return false;
    }
    // The callback may stop its own timer.
    const std::shared_ptr<TimerCallback> callback = found->second;
    (*callback)();
    return true;
}

bool WindowTimerLoop::AnyRunning() const {
    for (const auto& [id, callback] : m_timers) {
        if (m_window.HasTimer(id)) {
            return true;
        }
    }
    return false;
}
