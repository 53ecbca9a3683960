#include "platform/qt/qt_event_loop.h"

#include <QSocketNotifier>
#include <QTimer>

#include <utility>

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
    // Children of context_ are deleted with it; only make sure none fires meanwhile.
    for (auto& [id, watch] : watches_) {
        for (QSocketNotifier* notifier : watch.notifiers) {
            if (notifier != nullptr) {
                notifier->setEnabled(false);
            }
        }
    }
    for (auto& [id, timer] : timers_) {
        timer.timer->stop();
    }
}

int QtEventLoop::WatchFd(int fd, unsigned events, FdCallback callback) {
    const int id = nextId_++;
    Watch& watch = watches_[id];
    watch.fd = fd;
    watch.callback = std::make_shared<FdCallback>(std::move(callback));
    ApplyEvents(id, watch, events);
    return id;
}

void QtEventLoop::UpdateFd(int watchId, unsigned events) {
    auto it = watches_.find(watchId);
    if (it != watches_.end()) {
        ApplyEvents(watchId, it->second, events);
    }
}

void QtEventLoop::UnwatchFd(int watchId) {
    auto it = watches_.find(watchId);
    if (it == watches_.end()) {
        return;
    }
    for (QSocketNotifier* notifier : it->second.notifiers) {
        if (notifier != nullptr) {
            notifier->setEnabled(false);
            Retire(notifier);
        }
    }
    watches_.erase(it);
}

int QtEventLoop::StartTimer(uint32_t periodMs, TimerCallback callback) {
    const int id = nextId_++;
    auto* timer = new QTimer(&context_);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(std::chrono::milliseconds(periodMs));
    QObject::connect(timer, &QTimer::timeout, &context_, [this, id] { DispatchTimer(id); });
    timers_[id] = Timer{timer, std::make_shared<TimerCallback>(std::move(callback))};
    timer->start();
    return id;
}

void QtEventLoop::StopTimer(int timerId) {
    auto it = timers_.find(timerId);
    if (it == timers_.end()) {
        return;
    }
    it->second.timer->stop();
    Retire(it->second.timer);
    timers_.erase(it);
}

void QtEventLoop::ApplyEvents(int watchId, Watch& watch, unsigned events) {
    for (size_t i = 0; i < kKinds.size(); ++i) {
        const bool wanted = (events & kKinds[i].event) != 0;
        QSocketNotifier*& notifier = watch.notifiers[i];
        if (notifier == nullptr) {
            if (!wanted) {
                continue;
            }
            notifier = new QSocketNotifier(watch.fd, kKinds[i].type, &context_);
            const unsigned event = kKinds[i].event;
            QObject::connect(notifier, &QSocketNotifier::activated, &context_,
                             [this, watchId, event] { DispatchFd(watchId, event); });
        }
        if (notifier->isEnabled() != wanted) {
            notifier->setEnabled(wanted);
        }
    }
}

void QtEventLoop::DispatchFd(int watchId, unsigned event) {
    auto it = watches_.find(watchId);
    if (it == watches_.end()) {
        return;
    }
    const int fd = it->second.fd;
    const auto callback = it->second.callback;
    (*callback)(fd, event);
}

void QtEventLoop::DispatchTimer(int timerId) {
    auto it = timers_.find(timerId);
    if (it == timers_.end()) {
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
