#include "cli/termination_signals.h"

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

TerminationSignals::TerminationSignals() {
    sigemptyset(&m_handled);
    sigaddset(&m_handled, SIGINT);
    sigaddset(&m_handled, SIGTERM);
    sigaddset(&m_handled, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &m_handled, &m_previousMask);
    m_fd = signalfd(-1, &m_handled, SFD_NONBLOCK | SFD_CLOEXEC);
}

TerminationSignals::~TerminationSignals() {
    Unwatch();
    if (m_fd >= 0) {
        close(m_fd);
    }
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

bool TerminationSignals::Watch(IEventLoop& loop, std::function<void(int)> onSignal) {
    if (m_fd < 0) {
        return false;
    }
    m_loop = &loop;
    m_onSignal = std::move(onSignal);
    m_watch = loop.WatchFd(m_fd, IEventLoop::kRead, [this](int, unsigned) { Drain(); });
    return true;
}

void TerminationSignals::Unwatch() {
    if (m_loop != nullptr && m_watch != 0) {
        m_loop->UnwatchFd(m_watch);
    }
    m_watch = 0;
    m_loop = nullptr;
}

void TerminationSignals::Drain() {
    signalfd_siginfo info{};
    while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (m_onSignal) {
            m_onSignal(static_cast<int>(info.ssi_signo));
        }
    }
}
