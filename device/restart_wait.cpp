#include "device/restart_wait.h"

RestartWaitPlan PlanRestartWait(RestartCause cause) {
    switch (cause) {
        case RestartCause::kLanAddressChange:
            return {4000, kRebootingText};
        case RestartCause::kFirmwareUpgrade:
            return {12000, kUpgradingText};
        case RestartCause::kBridging:
            return {3500, kRebootingText};
        case RestartCause::kReboot:
            break;
    }
    return {4000, kRebootingText};
}

void RestartWait::Start(RestartCause cause, IWebCommandSink& commands, const DeviceTarget& target,
                        IRestartWaitObserver& observer) {
    Cancel();
    m_cause = cause;
    m_observer = &observer;
    m_ticks = 0;
    m_timer = m_loop.StartTimer(PlanRestartWait(cause).periodMs, [this] { OnTick(); });
    QueueReboot(commands, target);
}

void RestartWait::Cancel() {
    if (m_timer != 0) {
        m_loop.StopTimer(m_timer);
        m_timer = 0;
    }
}

void RestartWait::OnTick() {
    ++m_ticks;
    const bool over = m_ticks >= kRestartWaitTicks;
    if (over) {
        Cancel();  // before the observer hears of it: it may start the next wait
    }
    IRestartWaitObserver& observer = *m_observer;
    observer.OnRestartStep(m_ticks, m_ticks % kRestartWaitTicks);
    if (over) {
        observer.OnRestartOver();
    }
}
