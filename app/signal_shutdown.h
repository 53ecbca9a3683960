#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class TerminationCleanup;

// Lets SIGINT, SIGTERM and SIGHUP end the program through its normal teardown (which
// closes the sockets and removes a temporary host address). The signal arrives on the
// termination clean-up's own thread; from there this asks the user-interface thread to
// end every dialog and waits until the teardown has run, at most `limit`, before the
// process dies by the signal.
class SignalShutdown {
public:
    SignalShutdown(TerminationCleanup& termination, std::chrono::milliseconds limit);
    // Withdraws from the clean-up. When a signal is being handled already this does not
    // return: the process is about to end.
    ~SignalShutdown();

    SignalShutdown(const SignalShutdown&) = delete;
    SignalShutdown& operator=(const SignalShutdown&) = delete;

    // Called by the user-interface thread once the teardown has run.
    void MarkTornDown();
    bool SignalArrived() const { return m_signalArrived; }
    // After a signal: leaves the ending of the process to the signal's thread.
    [[noreturn]] void AwaitTermination();

private:
    void OnSignal();

    TerminationCleanup& m_termination;
    const std::chrono::milliseconds m_limit;
    int m_callbackId = 0;
    std::atomic<bool> m_signalArrived{false};
    std::mutex m_mutex;
    std::condition_variable m_tornDownChanged;
    bool m_tornDown = false;
};
