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
    bool Active() const { return m_signalFd >= 0; }

private:
    void WaitForSignal();
    void RunCallbacks();

    sigset_t m_handled{};
    sigset_t m_previousMask{};
    int m_signalFd = -1;
    int m_wakeFd = -1;
    std::thread m_waiter;

    std::mutex m_callbacksMutex;
    std::vector<std::pair<int, Callback>> m_callbacks;
    int m_nextId = 1;
};
