#include "platform/poll_event_loop.h"
#include "platform/time_scale.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace {

short ToPollEvents(unsigned events) {
    short result = 0;
    if (events & IEventLoop::kRead) {
        result |= POLLIN;
    }
    if (events & IEventLoop::kWrite) {
        result |= POLLOUT;
    }
    if (events & IEventLoop::kPriority) {
        result |= POLLPRI;
    }
    return result;
}

unsigned FromPollEvents(short revents) {
    unsigned result = 0;
    if (revents & POLLIN) {
        result |= IEventLoop::kRead;
    }
    if (revents & POLLOUT) {
        result |= IEventLoop::kWrite;
    }
    if (revents & POLLPRI) {
        result |= IEventLoop::kPriority;
    }
    // An error or hang-up ends both directions; the owner learns which from its own call.
    if (revents & (POLLERR | POLLHUP)) {
        result |= IEventLoop::kRead | IEventLoop::kWrite;
    }
    return result;
}

}  // namespace

int PollEventLoop::WatchFd(int fd, unsigned events, FdCallback callback) {
    const int id = m_nextId++;
    m_watches[id] = Watch{fd, events, std::make_shared<FdCallback>(std::move(callback))};
    return id;
}

void PollEventLoop::UpdateFd(int watchId, unsigned events) {
    auto it = m_watches.find(watchId);
    if (it != m_watches.end()) {
        it->second.events = events;
    }
}

void PollEventLoop::UnwatchFd(int watchId) {
    m_watches.erase(watchId);
}

int PollEventLoop::StartTimer(uint32_t periodMs, TimerCallback callback) {
    const int id = m_nextId++;
    const std::chrono::milliseconds period(time_scale::ToRealMs(periodMs));
    m_timers[id] =
        Timer{period, Clock::now() + period, std::make_shared<TimerCallback>(std::move(callback))};
    return id;
}

void PollEventLoop::StopTimer(int timerId) {
    m_timers.erase(timerId);
}

int PollEventLoop::RunOnce(int timeoutMs) {
    int calls = DispatchReady(PollTimeout(timeoutMs));
    calls += DispatchDueTimers();
    return calls;
}

void PollEventLoop::Run() {
    m_quit = false;
    while (!m_quit) {
        RunOnce(-1);
    }
}

bool PollEventLoop::RunUntil(const std::function<bool()>& done, int limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) {
            return done();
        }
        RunOnce(static_cast<int>(std::min<long long>(left, 50)));
    }
    return true;
}

int PollEventLoop::PollTimeout(int timeoutMs) const {
    if (m_timers.empty()) {
        return timeoutMs;
    }
    auto earliest = m_timers.begin()->second.due;
    for (const auto& [id, timer] : m_timers) {
        earliest = std::min(earliest, timer.due);
    }
    // Rounded up, so that a timer due within the next millisecond does not make the
    // round a busy wait.
    const auto untilDue = std::chrono::ceil<std::chrono::milliseconds>(earliest - Clock::now());
    const int timerMs = static_cast<int>(std::max<long long>(untilDue.count(), 0));
    return timeoutMs < 0 ? timerMs : std::min(timeoutMs, timerMs);
}

int PollEventLoop::DispatchReady(int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (const auto& [id, watch] : m_watches) {
        if (watch.events != 0) {
            fds.push_back(pollfd{watch.fd, ToPollEvents(watch.events), 0});
            ids.push_back(id);
        }
    }
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0) {
        return 0;  // timeout, or EINTR: the caller simply runs another round
    }
    int calls = 0;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        // An earlier callback of this round may have removed or changed this watch.
        auto it = m_watches.find(ids[i]);
        if (it == m_watches.end()) {
            continue;
        }
        const unsigned events = FromPollEvents(fds[i].revents) & it->second.events;
        if (events == 0) {
            continue;
        }
        const auto callback = it->second.callback;
        (*callback)(it->second.fd, events);
        ++calls;
    }
    return calls;
}

int PollEventLoop::DispatchDueTimers() {
    const auto now = Clock::now();
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= now) {
            due.push_back(id);
        }
    }
    int calls = 0;
    for (int id : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end()) {
            continue;
        }
        // Like a window timer, a late timer fires once and does not catch up.
        it->second.due = now + it->second.period;
        const auto callback = it->second.callback;
        (*callback)();
        ++calls;
    }
    return calls;
}
