#pragma once

#include <csignal>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs clean-up work (removing the temporary host address) when the process is asked to
// end by SIGINT, SIGTERM or SIGHUP, then ends it the conventional way: the signal is
// raised again with its default action, so the parent sees the process killed by it.
//
// The constructor blocks those signals in the calling thread; threads started afterwards
// inherit the block, and a thread of ours takes the signals from a signalfd. Construct it
// in main() before any other thread exists (before QApplication), one per process.
// A signal the process inherited as ignored (e.g. SIGHUP under nohup) stays ignored.
class TerminationCleanup {
public:
    using Callback = std::function<void()>;

    TerminationCleanup();
    // Stops the waiting thread and restores the signal mask; callbacks no longer run.
    ~TerminationCleanup();

    TerminationCleanup(const TerminationCleanup&) = delete;
    TerminationCleanup& operator=(const TerminationCleanup&) = delete;

    // Callbacks run on the waiting thread, the latest added first. Returns an id for Remove.
    int Add(Callback callback);
    // After Remove returns, the callback is not running and will not run.
    void Remove(int id);

    // True when the constructor could set up the signal thread.
    bool Active() const { return signalFd_ >= 0; }

private:
    void WaitForSignal();
    void RunCallbacks();

    sigset_t handled_{};
    sigset_t previousMask_{};
    int signalFd_ = -1;
    int wakeFd_ = -1;
    std::thread waiter_;

    std::mutex callbacksMutex_;
    std::vector<std::pair<int, Callback>> callbacks_;
    int nextId_ = 1;
};
