#pragma once

#include <csignal>
#include <functional>

#include "platform/event_loop.h"

// Turns SIGINT, SIGTERM and SIGHUP into a call on the event loop's thread, so that the
// program ends through its normal teardown (which removes a temporary host address)
// instead of dying where it stands.
//
// Construct it before any thread is started: the signals are blocked in the constructing
// thread, threads started later inherit the block, and the loop reads them from a
// signalfd. The destructor restores the signal mask; signals still pending are then
// delivered with their previous disposition.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Calls `onSignal` with the signal number for every termination signal.
    bool Watch(IEventLoop& loop, std::function<void(int)> onSignal);
    void Unwatch();

private:
    void Drain();

    sigset_t m_handled{};
    sigset_t m_previousMask{};
    int m_fd = -1;
    IEventLoop* m_loop = nullptr;
    int m_watch = 0;
    std::function<void(int)> m_onSignal;
};
