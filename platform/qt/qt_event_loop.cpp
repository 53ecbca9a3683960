#include "platform/qt/qt_event_loop.h"

#include <QSocketNotifier>
#include <QTimer>

#include <utility>

#include "platform/time_scale.h"

namespace {

struct Kind {
    unsigned event;
    QSocketNotifier::Type type;
};
// Exception notifiers watch the priority band (POLLPRI), where TCP urgent data shows.
constexpr std::array<Kind, 3> kKinds{{{IEventLoop::kRead, QSocketNotifier::Read},
                                      {IEventLoop::kWrite, QSocketNotifier::Write},
                                      {IEventLoop::kPriority, QSocketNotifier::Exception}}};

}  // namespace

QtEventLoop::QtEventLoop() = default;

QtEventLoop::~QtEventLoop() {
    // Children of m_context are deleted with it; only make sure none fires meanwhile.
    for (auto& [id, watch] : m_watches) {
        for (QSocketNotifier* notifier : watch.notifiers) {
            if (notifier != nullptr) {
                notifier->setEnabled(false);
            }
        }
    }
    for (auto& [id, timer] : m_timers) {
        timer.timer->stop();
    }
}

int QtEventLoop::WatchFd(int fd, unsigned events, FdCallback callback) {
    const int id = m_nextId++;
    Watch& watch = m_watches[id];
    watch.fd = fd;
    watch.callback = std::make_shared<FdCallback>(std::move(callback));
    ApplyEvents(id, watch, events);
    return id;
}

void QtEventLoop::UpdateFd(int watchId, unsigned events) {
    auto it = m_watches.find(watchId);
    if (it != m_watches.end()) {
        ApplyEvents(watchId, it->second, events);
    }
}

void QtEventLoop::UnwatchFd(int watchId) {
    auto it = m_watches.find(watchId);
    if (it == m_watches.end()) {
        return;
    }
    for (QSocketNotifier* notifier : it->second.notifiers) {
        if (notifier != nullptr) {
            notifier->setEnabled(false);
            Retire(notifier);
        }
    }
    m_watches.erase(it);
}

int QtEventLoop::StartTimer(uint32_t periodMs, TimerCallback callback) {
    const int id = m_nextId++;
    auto* timer = new QTimer(&m_context);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(std::chrono::milliseconds(time_scale::ToRealMs(periodMs)));
    QObject::connect(timer, &QTimer::timeout, &m_context, [this, id] { DispatchTimer(id); });
    m_timers[id] = Timer{timer, std::make_shared<TimerCallback>(std::move(callback))};
    timer->start();
    return id;
}

void QtEventLoop::StopTimer(int timerId) {
    auto it = m_timers.find(timerId);
    if (it == m_timers.end()) {
        return;
    }
    it->second.timer->stop();
    Retire(it->second.timer);
    m_timers.erase(it);
}

void QtEventLoop::ApplyEvents(int watchId, Watch& watch, unsigned events) {
    for (size_t i = 0; i < kKinds.size(); ++i) {
        const bool wanted = (events & kKinds[i].event) != 0;
        QSocketNotifier*& notifier = watch.notifiers[i];
        if (notifier == nullptr) {
            if (!wanted) {
                continue;
            }
            notifier = new QSocketNotifier(watch.fd, kKinds[i].type, &m_context);
            const unsigned event = kKinds[i].event;
            QObject::connect(notifier, &QSocketNotifier::activated, &m_context,
                             [this, watchId, event] { DispatchFd(watchId, event); });
        }
        if (notifier->isEnabled() != wanted) {
            notifier->setEnabled(wanted);
        }
    }
}

void QtEventLoop::DispatchFd(int watchId, unsigned event) {
    auto it = m_watches.find(watchId);
    if (it == m_watches.end()) {
        return;
    }
    const int fd = it->second.fd;
    const auto callback = it->second.callback;
    (*callback)(fd, event);
}

void QtEventLoop::DispatchTimer(int timerId) {
    auto it = m_timers.find(timerId);
    if (it == m_timers.end()) {
        return;
    }
    const auto callback = it->second.callback;
    (*callback)();
}

// Deleting a notifier or timer while Qt may be delivering its signal is not allowed;
// it is already disabled, so letting the event loop delete it later is enough.
void QtEventLoop::Retire(QObject* object) {
    object->deleteLater();
}
