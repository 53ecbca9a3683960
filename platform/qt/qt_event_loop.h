#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/event_loop.h"

class QSocketNotifier;
class QTimer;

// IEventLoop on the Qt event loop: descriptors through QSocketNotifier (read, write,
// exception), timers through precise QTimers. Everything lives on, and every callback
// runs on, the thread that constructs the loop; call it only from that thread. Modal
// dialogs keep delivering events, since their nested loops dispatch the same notifiers.
//
// Removal from inside a callback is safe: a removed notifier or timer is disabled at once
// (so it cannot fire again) and deleted later by Qt, and a running callback holds its own
// reference to the function object it belongs to.
class QtEventLoop final : public IEventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    int WatchFd(int fd, unsigned events, FdCallback callback) override;
    void UpdateFd(int watchId, unsigned events) override;
    void UnwatchFd(int watchId) override;
    int StartTimer(uint32_t periodMs, TimerCallback callback) override;
    void StopTimer(int timerId) override;

    size_t WatchCount() const { return m_watches.size(); }
    size_t TimerCount() const { return m_timers.size(); }

private:
    // One notifier per event kind, made the first time the kind is asked for.
    struct Watch {
        int fd;
        std::shared_ptr<FdCallback> callback;
        std::array<QSocketNotifier*, 3> notifiers{};
    };
    struct Timer {
        QTimer* timer;
        std::shared_ptr<TimerCallback> callback;
    };

    void ApplyEvents(int watchId, Watch& watch, unsigned events);
    void DispatchFd(int watchId, unsigned event);
    void DispatchTimer(int timerId);
    static void Retire(QObject* object);

    QObject m_context;  // parent of every notifier and timer; fixes the thread they run on
    std::map<int, Watch> m_watches;
    std::map<int, Timer> m_timers;
    int m_nextId = 1;
};
