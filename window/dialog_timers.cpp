#include "window/dialog_timers.h"

#include <QMetaObject>
#include <QTimerEvent>

#include <utility>

#include "platform/time_scale.h"

DialogTimers::DialogTimers(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

DialogTimers::~DialogTimers() {
    KillAll();
}

void DialogTimers::Set(int id, uint32_t periodMs) {
    Kill(id);
    Timer timer;
    // Periods are in the program's time, which tests speed up.
    timer.qtTimerId =
        startTimer(std::chrono::milliseconds(time_scale::ToRealMs(periodMs)), Qt::PreciseTimer);
    timer.periodMs = periodMs;
    timer.generation = m_nextGeneration++;
    m_timers[id] = timer;
}

void DialogTimers::Kill(int id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end()) {
        return;
    }
    killTimer(it->second.qtTimerId);
    m_timers.erase(it);
}

void DialogTimers::KillAll() {
    for (const auto& [id, timer] : m_timers) {
        killTimer(timer.qtTimerId);
    }
    m_timers.clear();
}

bool DialogTimers::IsActive(int id) const {
    return m_timers.count(id) != 0;
}

uint32_t DialogTimers::Period(int id) const {
    const auto it = m_timers.find(id);
    return it != m_timers.end() ? it->second.periodMs : 0;
}

void DialogTimers::timerEvent(QTimerEvent* event) {
    for (auto& [id, timer] : m_timers) {
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
    const auto it = m_timers.find(id);
    if (it == m_timers.end() || it->second.generation != generation) {
        return;  // killed, or set anew, since this expiry was queued
    }
    // Cleared before the handler runs, so that the next expiry can be handed over while
    // the handler is still inside a nested event loop.
    it->second.handOverQueued = false;
    m_handler(id);
}
