#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A cancel request that one thread makes and another thread's waits notice at once:
// Cancel() wakes every WaitFor in progress, and a wait that starts after it returns at
// once. It stays cancelled until Reset().
class CancelSignal {
public:
    void Cancel();
    void Reset();
    bool Cancelled() const;
    // Waits up to `duration` of real time; true when cancelled (before or meanwhile).
    bool WaitFor(std::chrono::milliseconds duration) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_cancelled = false;
};
