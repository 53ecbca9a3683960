#include "cli/guarded_event_loop.h"

#include <exception>
#include <utility>

GuardedEventLoop::GuardedEventLoop(IEventLoop& loop, Escape onEscape)
    : m_loop(loop), m_onEscape(std::move(onEscape)) {}

int GuardedEventLoop::WatchFd(int fd, unsigned events, FdCallback callback) {
    return m_loop.WatchFd(fd, events,
                          [this, callback = std::move(callback)](int readyFd, unsigned ready) {
                              Guard([&] { callback(readyFd, ready); });
                          });
}

void GuardedEventLoop::UpdateFd(int watchId, unsigned events) {
    m_loop.UpdateFd(watchId, events);
}

void GuardedEventLoop::UnwatchFd(int watchId) {
    m_loop.UnwatchFd(watchId);
}

int GuardedEventLoop::StartTimer(uint32_t periodMs, TimerCallback callback) {
    return m_loop.StartTimer(periodMs, [this, callback = std::move(callback)] { Guard(callback); });
}

void GuardedEventLoop::StopTimer(int timerId) {
    m_loop.StopTimer(timerId);
}

void GuardedEventLoop::Guard(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& error) {
        m_onEscape(error.what());
    } catch (...) {
        m_onEscape("unknown exception");
    }
}
