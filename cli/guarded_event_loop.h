#pragma once

#include <functional>
#include <string>

#include "platform/event_loop.h"

// An event loop that keeps exceptions inside the handlers it calls. An exception that
// leaves a timer or descriptor callback (std::bad_alloc from a hostile page, say) is
// handed to `onEscape` instead of unwinding through the real loop, which cannot carry it:
// the process would end on the spot and skip the teardown that removes a temporary host
// address. The owner then ends the run through its normal teardown.
class GuardedEventLoop final : public IEventLoop {
public:
    using Escape = std::function<void(const std::string& what)>;

    GuardedEventLoop(IEventLoop& loop, Escape onEscape);

    int WatchFd(int fd, unsigned events, FdCallback callback) override;
    void UpdateFd(int watchId, unsigned events) override;
    void UnwatchFd(int watchId) override;
    int StartTimer(uint32_t periodMs, TimerCallback callback) override;
    void StopTimer(int timerId) override;

    // Runs `work`, handing an exception that leaves it to the escape handler.
    void Guard(const std::function<void()>& work);

private:
    IEventLoop& m_loop;
    Escape m_onEscape;
};
