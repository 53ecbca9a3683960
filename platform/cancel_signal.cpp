#include "platform/cancel_signal.h"

void CancelSignal::Cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_changed.notify_all();
}

void CancelSignal::Reset() {
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

bool CancelSignal::Cancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool CancelSignal::WaitFor(std::chrono::milliseconds duration) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, duration, [this] { return m_cancelled; });
}
