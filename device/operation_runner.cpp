#include "device/operation_runner.h"

#include <algorithm>
#include <utility>

#include "platform/ansi_text.h"

struct OperationRunner::Run {
    DeviceOperation operation;
    DeviceTarget target;
    IOperationObserver* observer;
    size_t step = 0;
    size_t nextAwaited = 0;
    uint32_t stepStart = 0;
    int delayTimer = 0;
    bool ended = false;

    const OperationStep& Step() const { return operation.steps[step]; }
    bool Awaits(const std::wstring& command) const {
        if (ended || step >= operation.steps.size()) {
            return false;
        }
        const std::vector<std::wstring>& awaited = Step().awaited;
        return nextAwaited < awaited.size() && EqualsIgnoreCase(command, awaited[nextAwaited]);
    }
};

OperationRunner::OperationRunner(IWebResultSource& results, IWebCommandSink& commands,
                                 IEventLoop& loop, ITickClock& clock, AnswerReading reading)
    : m_results(results), m_commands(commands), m_loop(loop), m_clock(clock), m_reading(reading) {}

OperationRunner::~OperationRunner() {
    *m_alive = false;
    CancelAll();
}

void OperationRunner::Start(DeviceOperation operation, const DeviceTarget& target,
                            IOperationObserver& observer) {
    auto run = std::make_shared<Run>(Run{std::move(operation), target, &observer});
    m_runs.push_back(run);
    UpdateResultTimer();
    BeginStep(run);
}

void OperationRunner::CancelAll() {
    while (!m_runs.empty()) {
        const std::shared_ptr<Run> run = m_runs.front();  // Remove erases the list's own copy
        Remove(run);
    }
}

void OperationRunner::TakeResults() {
    const std::shared_ptr<bool> alive = m_alive;
    while (!(m_selfTicking && m_runs.empty())) {
        // Each result is removed from the queue before it is acted on, so a nested tick
        // run from a modal loop below never sees it again.
        const std::optional<WebResult> result = m_results.TakeResult();
        if (!result) {
            return;
        }
        if (m_resultObserver) {
            m_resultObserver(*result);
        }
        if (!*alive || Handle(*result) || !*alive) {
            return;
        }
    }
}

bool OperationRunner::Handle(const WebResult& result) {
    const std::shared_ptr<Run> run = RunAwaiting(result.command);
    if (!run) {
        return false;
    }
    const OperationStep& step = run->Step();
    const AnswerVerdict verdict = JudgeStepAnswer(step, result, m_reading);
    if (!verdict.Ok()) {
        if (MayRetry(*run, result, verdict)) {
            Retry(run);
            return false;
        }
        Remove(run);
        run->observer->OnFailed(OperationFailure{result.command, verdict});
        return true;
    }
    if (step.read && IsGoodAnswer(result.response)) {
        step.read(result);
    }
    if (++run->nextAwaited == step.awaited.size()) {
        Advance(run);
    }
    return false;
}

std::shared_ptr<OperationRunner::Run> OperationRunner::RunAwaiting(
    const std::wstring& command) const {
    const auto found =
        std::find_if(m_runs.begin(), m_runs.end(),
                     [&](const std::shared_ptr<Run>& run) { return run->Awaits(command); });
    return found == m_runs.end() ? nullptr : *found;
}

void OperationRunner::BeginStep(const std::shared_ptr<Run>& run) {
    if (run->step >= run->operation.steps.size()) {
        Remove(run);
        run->observer->OnFinished();
        return;
    }
    run->stepStart = m_clock.GetTickCount();
    const uint32_t delay = run->Step().delayMs;
    if (delay == 0) {
        QueueStep(run);
        return;
    }
    QueueAfter(run, delay);
}

void OperationRunner::QueueStep(const std::shared_ptr<Run>& run) {
    run->nextAwaited = 0;
    run->Step().queue(m_commands, run->target);
    if (run->Step().awaited.empty()) {
        Advance(run);  // nothing to judge: its results are taken and passed over
    }
}

bool OperationRunner::Advance(const std::shared_ptr<Run>& run) {
    const std::optional<OperationOutcome> outcome = run->Step().outcome;
    ++run->step;
    const bool over = run->step >= run->operation.steps.size();
    if (over) {
        Remove(run);
    }
    // Told between the steps: a nested tick during the call finds nothing of this
    // operation awaited.
    const std::shared_ptr<bool> alive = m_alive;
    if (outcome) {
        run->observer->OnOutcome(*outcome);
    }
    if (!*alive || run->ended != over) {
        return false;  // the runner went, or the operation was cancelled meanwhile
    }
    if (over) {
        run->observer->OnFinished();
        return false;
    }
    BeginStep(run);
    return true;
}

bool OperationRunner::MayRetry(const Run& run, const WebResult& result,
                               const AnswerVerdict& verdict) {
    // A device that floods its answer is not asked again, nor is one that the PC cannot
    // be set up for (missing rights do not come back by waiting; a host whose places are
    // taken may have one free by the next try).
    const uint32_t elapsed = m_clock.GetTickCount() - run.stepStart;
    const bool setupMayChange = !result.setupFailure.Known() ||
                                result.setupFailure.kind == HostSetupFailure::Kind::kHostFull;
    return verdict.fault == AnswerFault::kNetwork && !result.oversized && setupMayChange &&
           elapsed < run.Step().retryForMs;
}

void OperationRunner::Retry(const std::shared_ptr<Run>& run) {
    run->nextAwaited = run->Step().awaited.size();  // nothing awaited until it is queued again
    QueueAfter(run, run->Step().retryGapMs);
}

void OperationRunner::QueueAfter(const std::shared_ptr<Run>& run, uint32_t ms) {
    std::weak_ptr<Run> weak = run;
    run->delayTimer = m_loop.StartTimer(ms, [this, weak] {
        if (const std::shared_ptr<Run> due = weak.lock(); due && !due->ended) {
            m_loop.StopTimer(std::exchange(due->delayTimer, 0));
            QueueStep(due);
        }
    });
}

void OperationRunner::Remove(const std::shared_ptr<Run>& run) {
    run->ended = true;
    if (run->delayTimer != 0) {
        m_loop.StopTimer(std::exchange(run->delayTimer, 0));
    }
    std::erase(m_runs, run);
    UpdateResultTimer();
}

void OperationRunner::UpdateResultTimer() {
    if (!m_selfTicking) {
        return;
    }
    if (!m_runs.empty() && m_resultTimer == 0) {
        m_resultTimer = m_loop.StartTimer(kResultPeriodMs, [this] { TakeResults(); });
    } else if (m_runs.empty() && m_resultTimer != 0) {
        m_loop.StopTimer(std::exchange(m_resultTimer, 0));
    }
}
