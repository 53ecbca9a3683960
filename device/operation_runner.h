#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "device/device_operation.h"
#include "platform/event_loop.h"
#include "platform/tick_clock.h"
#include "web/device_commands.h"
#include "web/web_result_source.h"

// Runs device operations against the web command queue: queues each step once its
// predecessor was good, hands every finished command to the operation whose present step
// awaits it (oldest operation first, names compared without regard to case), runs the
// steps' delays and retries on the event loop, and tells each operation's observer.
// Finished commands no operation awaits are taken and passed over.
//
// Several operations may run at once (the wizard's pages each start their own); tamselctl
// runs one after another. Every call to an observer is made with the runner's state up to
// date, so a result tick that runs nested inside a modal loop an observer started simply
// takes the next result, and none twice.
class OperationRunner {
public:
    static constexpr uint32_t kResultPeriodMs = 200;

    OperationRunner(IWebResultSource& results, IWebCommandSink& commands, IEventLoop& loop,
                    ITickClock& clock, AnswerReading reading);
    ~OperationRunner();

    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    // Told about every finished command taken, awaited or not (tamselctl's --verbose).
    void SetResultObserver(std::function<void(const WebResult&)> observer) {
        m_resultObserver = std::move(observer);
    }
    // Takes the finished commands itself every kResultPeriodMs while an operation runs,
    // and stops taking them once none does (tamselctl). Without it the owner calls
    // TakeResults (the wizard's frame, on its own result timer).
    void TakeResultsWhileRunning() { m_selfTicking = true; }

    // Starts `operation` against `target`: its first step is queued now. `observer` must
    // outlive the operation's run.
    void Start(DeviceOperation operation, const DeviceTarget& target, IOperationObserver& observer);
    // One result tick: takes finished commands oldest first. A failed operation ends the
    // tick; what is still finished waits for the next one.
    void TakeResults();
    // Ends every running operation; their observers are told nothing more.
    void CancelAll();

    size_t RunningCount() const { return m_runs.size(); }

private:
    struct Run;

    // True when the result ended an operation on a failure.
    bool Handle(const WebResult& result);
    std::shared_ptr<Run> RunAwaiting(const std::wstring& command) const;
    void BeginStep(const std::shared_ptr<Run>& run);
    void QueueStep(const std::shared_ptr<Run>& run);
    // Moves past a done step and begins the next; false when the operation is over.
    bool Advance(const std::shared_ptr<Run>& run);
    bool MayRetry(const Run& run, const WebResult& result, const AnswerVerdict& verdict);
    void Retry(const std::shared_ptr<Run>& run);
    // Queues the run's present step again after `ms`.
    void QueueAfter(const std::shared_ptr<Run>& run, uint32_t ms);
    void Remove(const std::shared_ptr<Run>& run);
    void UpdateResultTimer();

    IWebResultSource& m_results;
    IWebCommandSink& m_commands;
    IEventLoop& m_loop;
    ITickClock& m_clock;
    AnswerReading m_reading;
    std::function<void(const WebResult&)> m_resultObserver;
    bool m_selfTicking = false;
    int m_resultTimer = 0;
    std::vector<std::shared_ptr<Run>> m_runs;
    // Cleared when the runner goes, so that a tick whose observer call outlived the runner
    // (a modal loop in which the wizard closed) stops at once.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
