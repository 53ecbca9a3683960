#include "app/dialog_timers.h"

#include <QMetaObject>
#include <QTimerEvent>

#include <utility>

DialogTimers::DialogTimers(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

DialogTimers::~DialogTimers() {
    KillAll();
}

void DialogTimers::Set(int id, uint32_t periodMs) {
    Kill(id);
    Timer timer;
    timer.qtTimerId = startTimer(std::chrono::milliseconds(periodMs), Qt::PreciseTimer);
    timer.generation = nextGeneration_++;
    timers_[id] = timer;
}

void DialogTimers::Kill(int id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    killTimer(it->second.qtTimerId);
    timers_.erase(it);
}

void DialogTimers::KillAll() {
    for (const auto& [id, timer] : timers_) {
        killTimer(timer.qtTimerId);
    }
    timers_.clear();
}

bool DialogTimers::IsActive(int id) const {
    return timers_.count(id) != 0;
}

void DialogTimers::timerEvent(QTimerEvent* event) {
    for (auto& [id, timer] : timers_) {
        if (timer.qtTimerId != event->timerId()) {
            continue;
        }
        if (!timer.handOverQueued) {
            timer.handOverQueued = true;
            const int ownId = id;
            const uint64_t generation = timer.generation;
            QMetaObject::invokeMethod(
                this, [this, ownId, generation] { HandOver(ownId, generation); },
                Qt::QueuedConnection);
        }
        return;
    }
}

void DialogTimers::HandOver(int id, uint64_t generation) {
    const auto it = timers_.find(id);
    if (it == timers_.end() || it->second.generation != generation) {
        return;  // killed, or set anew, since this expiry was queued
    }
    // Cleared before the handler runs, so that the next expiry can be handed over while
    // the handler is still inside a nested event loop.
    it->second.handOverQueued = false;
    handler_(id);
}
