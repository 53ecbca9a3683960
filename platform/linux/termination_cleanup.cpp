#include "platform/linux/termination_cleanup.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

bool InheritedAsIgnored(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// Ends the process with the signal's default action; the exit status says which signal.
[[noreturn]] void DieBy(int signal) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

}  // namespace

TerminationCleanup::TerminationCleanup() {
    sigemptyset(&m_handled);
    for (const int signal : kTerminationSignals) {
        if (!InheritedAsIgnored(signal)) {
            sigaddset(&m_handled, signal);
        }
    }
    pthread_sigmask(SIG_BLOCK, &m_handled, &m_previousMask);
    m_signalFd = signalfd(-1, &m_handled, SFD_CLOEXEC);
    m_wakeFd = eventfd(0, EFD_CLOEXEC);
    if (m_signalFd < 0 || m_wakeFd < 0) {
        if (m_signalFd >= 0) {
            close(m_signalFd);
            m_signalFd = -1;
        }
        pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
        return;
    }
    m_waiter = std::thread([this] { WaitForSignal(); });
}

TerminationCleanup::~TerminationCleanup() {
    if (m_waiter.joinable()) {
        const uint64_t one = 1;
        while (write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_waiter.join();
    }
    if (m_signalFd >= 0) {
        close(m_signalFd);
        pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
    }
}

int TerminationCleanup::Add(Callback callback) {
    std::lock_guard lock(m_callbacksMutex);
    const int id = m_nextId++;
    m_callbacks.emplace_back(id, std::move(callback));
    return id;
}

void TerminationCleanup::Remove(int id) {
    // Taking the lock waits for callbacks that are running right now.
    std::lock_guard lock(m_callbacksMutex);
    std::erase_if(m_callbacks, [id](const auto& entry) { return entry.first == id; });
}

void TerminationCleanup::WaitForSignal() {
    pollfd watched[] = {{m_signalFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (watched[1].revents) {
            return;
        }
        signalfd_siginfo info{};
        if (read(m_signalFd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
            continue;
        }
        RunCallbacks();
        DieBy(static_cast<int>(info.ssi_signo));
    }
}

void TerminationCleanup::RunCallbacks() {
    // Held to the end: the process dies right after, and Remove must not return while a
    // callback still uses what it is about to destroy.
    m_callbacksMutex.lock();
    for (auto entry = m_callbacks.rbegin(); entry != m_callbacks.rend(); ++entry) {
        entry->second();
    }
}
