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
    sigemptyset(&handled_);
    for (const int signal : kTerminationSignals) {
        if (!InheritedAsIgnored(signal)) {
            sigaddset(&handled_, signal);
        }
    }
    pthread_sigmask(SIG_BLOCK, &handled_, &previousMask_);
    signalFd_ = signalfd(-1, &handled_, SFD_CLOEXEC);
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || wakeFd_ < 0) {
        if (signalFd_ >= 0) {
            close(signalFd_);
            signalFd_ = -1;
        }
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        return;
    }
    waiter_ = std::thread([this] { WaitForSignal(); });
}

TerminationCleanup::~TerminationCleanup() {
    if (waiter_.joinable()) {
        const uint64_t one = 1;
        while (write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        waiter_.join();
    }
    if (signalFd_ >= 0) {
        close(signalFd_);
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    }
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

int TerminationCleanup::Add(Callback callback) {
    std::lock_guard lock(callbacksMutex_);
    const int id = nextId_++;
    callbacks_.emplace_back(id, std::move(callback));
    return id;
}

void TerminationCleanup::Remove(int id) {
    // Taking the lock waits for callbacks that are running right now.
    std::lock_guard lock(callbacksMutex_);
    std::erase_if(callbacks_, [id](const auto& entry) { return entry.first == id; });
}

void TerminationCleanup::WaitForSignal() {
    pollfd watched[] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
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
        if (read(signalFd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
            continue;
        }
        RunCallbacks();
        DieBy(static_cast<int>(info.ssi_signo));
    }
}

void TerminationCleanup::RunCallbacks() {
    // Held to the end: the process dies right after, and Remove must not return while a
    // callback still uses what it is about to destroy.
    callbacksMutex_.lock();
    for (auto entry = callbacks_.rbegin(); entry != callbacks_.rend(); ++entry) {
        entry->second();
    }
}
