#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/outcome.h"
#include "cli/stages.h"
#include "platform/event_loop.h"
#include "platform/tick_clock.h"
#include "web/device_commands.h"

class CWEBManager;

// Runs a list of stages against one device on the web command queue. Finished commands
// are taken every 200 ms, as the wizard's driver takes them, and judged in the order they
// finished.
class StageRunner {
public:
    static constexpr uint32_t kResultPeriodMs = 200;

    using Done = std::function<void(const Verdict&)>;
    // Told about every finished command, judged or not (for --verbose).
    using Observer = std::function<void(const WebResult&)>;
    // Told when a stage's commands have been queued.
    using StageObserver = std::function<void(size_t stageIndex)>;

    StageRunner(CWEBManager& web, IEventLoop& loop, ITickClock& clock);
    ~StageRunner();

    StageRunner(const StageRunner&) = delete;
    StageRunner& operator=(const StageRunner&) = delete;

    void SetObserver(Observer observer) { m_observer = std::move(observer); }
    void SetStageObserver(StageObserver observer) { m_stageObserver = std::move(observer); }

    // Starts the first stage; `done` is called once, with the first failure or, after
    // the last stage, with success.
    void Run(const DeviceTarget& target, std::vector<Stage> stages, Done done);
    // Stops taking results and waiting; `done` is not called.
    void Cancel();

private:
    void BeginStage();
    void QueueStage();
    void TakeResults();
    void Handle(const WebResult& result);
    Verdict Judge(const Stage& stage, const WebResult& result) const;
    void After(uint32_t ms, std::function<void()> action);
    void StopTimers();
    void Finish(const Verdict& verdict);

    CWEBManager& m_web;
    std::unique_ptr<WebManagerSink> m_sink;
    IEventLoop& m_loop;
    ITickClock& m_clock;
    Observer m_observer;
    StageObserver m_stageObserver;

    DeviceTarget m_target;
    std::vector<Stage> m_stages;
    Done m_done;
    size_t m_stage = 0;
    size_t m_nextAwaited = 0;
    uint32_t m_stageStart = 0;
    bool m_running = false;
    int m_resultTimer = 0;
    int m_delayTimer = 0;
};
