#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apply/apply_plan.h"
#include "apply/apply_report.h"
#include "apply/desired_state.h"
#include "cli/device_session.h"
#include "cli/outcome.h"
#include "device/operation_runner.h"
#include "device/restart_wait.h"
#include "platform/event_loop.h"
#include "web/survey_parser.h"

// tamselctl apply against one repeater that has been found: reads it as the wizard does
// (LAN, interface and status pages), plans the changes its desired state needs
// (apply/apply_plan.h) and, unless only checking, runs them in order with the wizard's
// device operations and waits: password, wireless (after a survey for the network's
// channel), firmware, and the LAN settings last, after which the repeater is found again
// at its new address and read back. Writes the result object on standard output at the
// end, whatever happens.
class ApplyRun : private IRestartWaitObserver {
public:
    struct Context {
        IEventLoop& loop;
        DiscoveryManager& discovery;
        OperationRunner& runner;
        IWebCommandSink& commands;
        unsigned upgradeWaitSeconds = 180;
    };
    // The repeater as it was reached, and the login that reaches it.
    struct Login {
        std::wstring user;
        std::wstring password;
        std::wstring ip;
        std::wstring mac;
        std::wstring mask;
    };
    using Finished = std::function<void(int exitCode)>;

    // How long the upgrade waits after the reboot before it asks for the status page.
    static constexpr uint32_t kUpgradeSettleMs = 5000;
    // How often, and how far apart, the repeater is searched for at its new address once
    // its restart wait is over (each search takes 2.7 s, 5.4 s when it also asks the
    // address).
    static constexpr int kFindTries = 10;
    static constexpr uint32_t kFindGapMs = 2000;

    ApplyRun(Context context, DesiredState desired, bool check, bool diff);
    ~ApplyRun() override;

    ApplyRun(const ApplyRun&) = delete;
    ApplyRun& operator=(const ApplyRun&) = delete;

    // Where the run reached (or tried to reach) the repeater, for the result object.
    void SetAddress(const std::wstring& ip) { m_report.address = ip; }
    void Start(const Login& login, Finished finished);
    // Ends the run before it reached the repeater: the result object with "read" failed.
    void FailBeforeRead(const Verdict& verdict, Finished finished);
    // Ends a running apply after a signal; the result object says so.
    void Interrupt(int exitCode);

    // The result object and exit status of input that was refused before anything was
    // sent.
    static int RefuseInput(const std::wstring& ip, const InputProblem& problem, bool check);

private:
    void Read();
    void PlanChanges();
    void Survey();
    void RunNext();
    void ChangePassword();
    void Bridge();
    void Upgrade();
    void ChangeLan();
    void FindAgain();
    void OnFound(const std::vector<FoundDevice>& devices);
    void ReadBack();

    // Runs `operation` for `step` (nullopt: a read before the changes); `then` follows.
    void Run(DeviceOperation operation, std::optional<ApplyStep> step, std::function<void()> then);
    void Restart(RestartCause cause, std::function<void()> then);
    void StepDone(ApplyStep step);
    void Fail(std::optional<ApplyStep> step, const Verdict& verdict,
              const char* stepName = nullptr);
    void Finish(int exitCode);
    void UpdateTarget();

    void OnRestartStep(int, int) override {}
    void OnRestartOver() override;

    Context m_context;
    const DesiredState m_desired;
    const bool m_diff;
    Finished m_finished;
    bool m_finishedOnce = false;

    Login m_login;
    DeviceTarget m_target;
    DeviceStatus m_status;
    std::vector<SurveyNetwork> m_networks;
    // The bridging's security keyword and channel, as the survey gives them.
    std::wstring m_keyword;
    std::wstring m_channel;
    ApplyPlan m_plan;
    ApplyReport m_report;
    size_t m_next = 0;
    std::optional<ApplyStep> m_running;

    OperationCallbacks m_callbacks;
    // The operation running: the step it belongs to (nullopt for a read) and what follows.
    std::optional<ApplyStep> m_operationStep;
    std::function<void()> m_then;
    RestartWait m_restartWait;
    std::function<void()> m_afterRestart;
    std::unique_ptr<DeviceSearch> m_search;
    int m_findTries = 0;
    int m_findTimer = 0;
};
