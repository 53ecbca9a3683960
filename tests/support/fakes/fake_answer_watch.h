#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/answer_watch.h"

// What a fake answer watch did and what it tells, shared with the test that handed the
// watch itself over.
struct FakeAnswerWatchState {
    bool startSucceeds = true;
    // The number of senders that the next Stop reports.
    uint32_t arrived = 0;
    int starts = 0;
    int stops = 0;
    bool running = false;
};

class FakeAnswerWatch : public IAnswerWatch {
public:
    explicit FakeAnswerWatch(std::shared_ptr<FakeAnswerWatchState> state)
        : m_state(std::move(state)) {}
    // As the real ones, its end ends the watch.
    ~FakeAnswerWatch() override { m_state->running = false; }

    bool Start() override {
        ++m_state->starts;
        m_state->running = m_state->startSucceeds;
        return m_state->running;
    }
    std::optional<uint32_t> Stop() override {
        ++m_state->stops;
        if (!m_state->running) {
            return std::nullopt;
        }
        m_state->running = false;
        return m_state->arrived;
    }

private:
    std::shared_ptr<FakeAnswerWatchState> m_state;
};
