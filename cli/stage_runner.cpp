#include "cli/stage_runner.h"

#include "platform/ansi_text.h"
#include "web/survey_parser.h"
#include "web/web_manager.h"

StageRunner::StageRunner(CWEBManager& web, IEventLoop& loop, ITickClock& clock)
    : m_web(web), m_sink(std::make_unique<WebManagerSink>(web)), m_loop(loop), m_clock(clock) {}

StageRunner::~StageRunner() {
    StopTimers();
}

void StageRunner::Run(const DeviceTarget& target, std::vector<Stage> stages, Done done) {
    m_target = target;
    m_stages = std::move(stages);
    m_done = std::move(done);
    m_stage = 0;
    m_running = true;
    m_resultTimer = m_loop.StartTimer(kResultPeriodMs, [this] { TakeResults(); });
    BeginStage();
}

void StageRunner::Cancel() {
    m_running = false;
    StopTimers();
}

void StageRunner::BeginStage() {
    if (m_stage >= m_stages.size()) {
        Finish(Verdict::Success());
        return;
    }
    m_stageStart = m_clock.GetTickCount();
    const uint32_t delay = m_stages[m_stage].delayMs;
    if (delay > 0) {
        After(delay, [this] { QueueStage(); });
    } else {
        QueueStage();
    }
}

void StageRunner::QueueStage() {
    m_nextAwaited = 0;
    m_stages[m_stage].queue(*m_sink, m_target);
    if (m_stageObserver) {
        m_stageObserver(m_stage);
    }
    if (m_stages[m_stage].awaited.empty()) {
        ++m_stage;  // nothing to judge: its results are taken and passed over
        BeginStage();
    }
}

void StageRunner::TakeResults() {
    while (m_running) {
        const std::optional<WebResult> result = m_web.TakeResult();
        if (!result) {
            return;
        }
        if (m_observer) {
            m_observer(*result);
        }
        Handle(*result);
    }
}

void StageRunner::Handle(const WebResult& result) {
    if (m_stage >= m_stages.size()) {
        return;
    }
    const Stage& stage = m_stages[m_stage];
    if (m_nextAwaited >= stage.awaited.size() ||
        !EqualsIgnoreCase(result.command, stage.awaited[m_nextAwaited])) {
        return;  // a command the stage does not judge
    }
    const Verdict verdict = Judge(stage, result);
    if (!verdict.Ok()) {
        const uint32_t elapsed = m_clock.GetTickCount() - m_stageStart;
        // A device that floods its answer is not asked again, nor is one that the PC
        // cannot be set up for (missing rights do not come back by waiting).
        if (verdict.exitCode == ExitCode::kNetwork && !result.oversized &&
            !result.setupFailure.Known() && elapsed < stage.retryForMs) {
            After(stage.retryGapMs, [this] { QueueStage(); });
            return;
        }
        Finish(verdict);
        return;
    }
    if (stage.onGood) {
        stage.onGood(result);
    }
    if (++m_nextAwaited == stage.awaited.size()) {
        ++m_stage;
        BeginStage();
    }
}

Verdict StageRunner::Judge(const Stage& stage, const WebResult& result) const {
    Verdict verdict = JudgeResult(result, stage.networkMessageId);
    if (verdict.exitCode == ExitCode::kRefused && verdict.messageId == 0) {
        verdict.messageId = stage.refusedMessageId;
    }
    if (verdict.Ok() && stage.inspect) {
        verdict = stage.inspect(result);
    }
    return verdict;
}

void StageRunner::After(uint32_t ms, std::function<void()> action) {
    if (m_delayTimer != 0) {
        m_loop.StopTimer(m_delayTimer);
    }
    m_delayTimer = m_loop.StartTimer(ms, [this, action = std::move(action)] {
        m_loop.StopTimer(m_delayTimer);
        m_delayTimer = 0;
        if (m_running) {
            action();
        }
    });
}

void StageRunner::StopTimers() {
    if (m_resultTimer != 0) {
        m_loop.StopTimer(m_resultTimer);
        m_resultTimer = 0;
    }
    if (m_delayTimer != 0) {
        m_loop.StopTimer(m_delayTimer);
        m_delayTimer = 0;
    }
}

void StageRunner::Finish(const Verdict& verdict) {
    if (!m_running) {
        return;
    }
    m_running = false;
    StopTimers();
    if (m_done) {
        m_done(verdict);
    }
}
