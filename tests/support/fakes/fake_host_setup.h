#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hostnet/host_address_setup.h"

// Host addressing as the web manager sees it, with the answer, a gate that holds the
// set-up until the test opens it (or the set-up is cancelled), and a log of what
// happened in which order. A cancelled set-up gives up as unreachable but keeps the
// address it would have added, as one cancelled during its wait after adding does.
class FakeHostAddressSetup : public IHostAddressSetup {
public:
    explicit FakeHostAddressSetup(HostSetupResult answer = HostSetupResult::AnyAddress())
        : m_answer(std::move(answer)) {}

    HostSetupResult PrepareHostAddress(const std::wstring& deviceIp,
                                       const std::wstring& deviceMask) override {
        std::unique_lock lock(m_mutex);
        m_log.push_back("prepare " + Narrow(deviceIp) + "/" + Narrow(deviceMask));
        ++m_running;
        m_maxRunning = std::max(m_maxRunning, m_running);
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open || m_cancelled; });
        if (m_delay.count() > 0 && !m_cancelled) {
            lock.unlock();
            std::this_thread::sleep_for(m_delay);
            lock.lock();
        }
        --m_running;
        m_tempAddressPresent = m_answer.Reached() && !m_answer.BindAddress().empty();
        const bool cancelled = m_cancelled;
        m_cancelled = false;
        m_log.push_back(cancelled ? "cancelled" : "prepared");
        if (cancelled) {
            return HostSetupResult::Unreachable();
        }
        return m_answer.Reached() ? m_answer : HostSetupResult::Unreachable(m_failure);
    }

    void CancelSetup() override {
        std::lock_guard lock(m_mutex);
        m_log.push_back("cancel");
        m_cancelled = true;
        m_changed.notify_all();
    }

    bool RemoveTempAddress() override {
        std::lock_guard lock(m_mutex);
        m_log.push_back("remove");
        m_cancelled = m_running > 0;
        m_changed.notify_all();
        const bool removed = m_tempAddressPresent;
        m_tempAddressPresent = false;
        return removed;
    }

    void SetAnswer(HostSetupResult answer) {
        std::lock_guard lock(m_mutex);
        m_answer = std::move(answer);
    }
    // Why an unreachable answer failed.
    void SetFailure(HostSetupFailure failure) {
        std::lock_guard lock(m_mutex);
        m_failure = std::move(failure);
    }
    // A closed gate holds every set-up until Open().
    void Close() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Makes each set-up take a little real time, for teardown races.
    void SetDelay(std::chrono::milliseconds delay) {
        std::lock_guard lock(m_mutex);
        m_delay = delay;
    }
    // Blocks until a set-up has entered PrepareHostAddress.
    void WaitUntilRunning() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_running > 0; });
    }

    std::vector<std::string> Log() const {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    int PrepareCount() const {
        std::lock_guard lock(m_mutex);
        int count = 0;
        for (const auto& line : m_log) {
            count += line.rfind("prepare ", 0) == 0 ? 1 : 0;
        }
        return count;
    }
    int MaxConcurrent() const {
        std::lock_guard lock(m_mutex);
        return m_maxRunning;
    }
    bool TempAddressPresent() const {
        std::lock_guard lock(m_mutex);
        return m_tempAddressPresent;
    }

private:
    static std::string Narrow(const std::wstring& text) {
        return std::string(text.begin(), text.end());
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    HostSetupResult m_answer;
    HostSetupFailure m_failure;
    bool m_open = true;
    bool m_cancelled = false;
    std::chrono::milliseconds m_delay{0};
    int m_running = 0;
    int m_maxRunning = 0;
    bool m_tempAddressPresent = false;
    std::vector<std::string> m_log;
};
