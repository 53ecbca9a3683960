#pragma once

#include <cstdint>
#include <functional>

// The thread's event loop as the sockets and managers see it: readiness of file
// descriptors and repeating timers, every callback delivered on the loop's own thread
// (the user-interface thread in the programs). The real implementation runs on the Qt
// event loop (platform/qt); tests may use a hand-driven fake.
class IEventLoop {
public:
    enum Events : unsigned {
        kRead = 1u << 0,      // data, an incoming close or an error can be read
        kWrite = 1u << 1,     // writable, or a non-blocking connect has completed
        kPriority = 1u << 2,  // out-of-band data
    };
    using FdCallback = std::function<void(int fd, unsigned readyEvents)>;
    using TimerCallback = std::function<void()>;

    virtual ~IEventLoop() = default;

    // Starts watching `fd` for `events`; returns a watch id (> 0).
    virtual int WatchFd(int fd, unsigned events, FdCallback callback) = 0;
    // Changes the set of events of a watch (0 pauses it).
    virtual void UpdateFd(int watchId, unsigned events) = 0;
    // Stops a watch; safe to call from inside its own callback.
    virtual void UnwatchFd(int watchId) = 0;

    // Starts a repeating timer; returns a timer id (> 0).
    virtual int StartTimer(uint32_t periodMs, TimerCallback callback) = 0;
    // Stops a timer; safe to call from inside its own callback and for unknown ids.
    virtual void StopTimer(int timerId) = 0;
};
