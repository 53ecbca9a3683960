#include "cli/apply_run.h"

#include <cstdio>
#include <utility>

#include "cli/text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/input_rules.h"
#include "web/request_catalogue.h"
#include "web/selected_device.h"

namespace {

// A verdict as one line: the message, then the detail.
std::wstring ReasonOf(const Verdict& verdict) {
    std::wstring reason = verdict.messageId != 0 ? LoadString(verdict.messageId) : std::wstring();
    if (!verdict.detail.empty()) {
        reason += (reason.empty() ? L"" : L" ") + verdict.detail;
    }
    return reason;
}

// The result object on standard output; false when it could not be written.
bool WriteReport(const ApplyReport& report) {
    const std::string json = report.ToJson();
    return std::fwrite(json.data(), 1, json.size(), stdout) == json.size() &&
           std::fflush(stdout) == 0;
}

}  // namespace

ApplyRun::ApplyRun(Context context, DesiredState desired, bool check, bool diff)
    : m_context(context), m_desired(std::move(desired)), m_diff(diff), m_restartWait(context.loop) {
    m_report.check = check;
    m_callbacks.onOutcome = [this](OperationOutcome outcome) {
        if (outcome == OperationOutcome::kRebootQueued) {
            WriteErr(FormatString(kCliWaitingForDevice,
                                  {std::to_wstring(m_context.upgradeWaitSeconds)}));
        }
    };
    m_callbacks.onFailed = [this](const OperationFailure& failure) {
        Fail(m_operationStep, VerdictOf(failure.verdict), m_operationStep ? nullptr : "read");
    };
    // Taken out first: what follows may start the next operation, which sets its own.
    m_callbacks.onFinished = [this] {
        if (std::function<void()> then = std::exchange(m_then, nullptr)) {
            then();
        }
    };
}

ApplyRun::~ApplyRun() {
    if (m_findTimer != 0) {
        m_context.loop.StopTimer(m_findTimer);
    }
}

int ApplyRun::RefuseInput(const std::wstring& ip, const InputProblem& problem, bool check) {
    // The line may quote a key of the document, which a terminal must not act on.
    WriteErr(EscapeControls(problem.line));
    ApplyReport report;
    report.address = ip;
    report.check = check;
    report.Fail("input", problem.line, static_cast<int>(ExitCode::kUsage));
    return WriteReport(report) ? static_cast<int>(ExitCode::kUsage)
                               : static_cast<int>(ExitCode::kInternal);
}

void ApplyRun::Start(const Login& login, Finished finished) {
    m_finished = std::move(finished);
    m_login = login;
    m_report.address = login.ip;
    UpdateTarget();
    Read();
}

void ApplyRun::FailBeforeRead(const Verdict& verdict, Finished finished) {
    m_finished = std::move(finished);
    m_report.Fail("read", ReasonOf(verdict), static_cast<int>(verdict.exitCode));
    Finish(static_cast<int>(verdict.exitCode));
}

void ApplyRun::Interrupt(int exitCode) {
    m_restartWait.Cancel();
    if (m_search) {
        m_search->Cancel();
    }
    const Verdict interrupted{static_cast<ExitCode>(exitCode), kCliInterrupted, std::wstring()};
    Fail(m_running, interrupted, m_search ? "find" : "read");
}

void ApplyRun::UpdateTarget() {
    m_target = LoginTarget(MakeDeviceLogin(m_login.user, m_login.password, m_login.ip, m_login.mac),
                           m_login.mask);
}

void ApplyRun::Read() {
    Run(ReadStatusOperation(m_status), std::nullopt, [this] { PlanChanges(); });
}

void ApplyRun::PlanChanges() {
    m_plan = PlanApply(m_desired, ObservedState{m_status, m_login.password});
    m_report.Plan(m_plan, m_diff);
    if (m_report.check) {
        Finish(static_cast<int>(ExitCode::kSuccess));
        return;
    }
    if (m_plan.Has(ApplyStep::kWireless)) {
        Survey();
        return;
    }
    RunNext();
}

// The network's channel (and its security, when the desired state leaves it out) as the
// wireless page takes them from its survey, checked before anything is written.
void ApplyRun::Survey() {
    Run(SurveyOperation(m_networks), std::nullopt, [this] {
        const DesiredWireless& wireless = *m_desired.wireless;
        const SurveyNetwork* found = nullptr;
        for (const SurveyNetwork& network : m_networks) {
            if (network.ssid == wireless.ssid) {
                found = &network;
                break;
            }
        }
        if (found == nullptr) {
            Fail(ApplyStep::kWireless,
                 Verdict{ExitCode::kUsage, 0,
                         FormatString(kCliNoSuchNetwork, {EscapeControls(wireless.ssid)})});
            return;
        }
        m_keyword = wireless.security.value_or(found->keyword);
        m_channel = found->channel;
        const BridgeSecurity check = CheckBridgeKey(m_keyword, wireless.key);
        if (!check.Accepted()) {
            const std::wstring line =
                check.messageId == kMsgUnsupportedSecurity
                    ? FormatString(kApplyUnknownSecurity,
                                   {L"wireless.security", EscapeControls(wireless.ssid)})
                    : FormatString(kApplyFieldRule, {L"wireless.key", LoadString(check.messageId)});
            Fail(ApplyStep::kWireless, Verdict{ExitCode::kUsage, 0, line});
            return;
        }
        RunNext();
    });
}

void ApplyRun::RunNext() {
    if (m_next >= m_plan.steps.size()) {
        Finish(static_cast<int>(ExitCode::kSuccess));
        return;
    }
    m_running = m_plan.steps[m_next++];
    switch (*m_running) {
        case ApplyStep::kPassword:
            ChangePassword();
            return;
        case ApplyStep::kWireless:
            Bridge();
            return;
        case ApplyStep::kFirmware:
            Upgrade();
            return;
        case ApplyStep::kLan:
            ChangeLan();
            return;
    }
}

void ApplyRun::StepDone(ApplyStep step) {
    m_report.Set(step, StepResult::kChanged);
    m_running.reset();
    RunNext();
}

void ApplyRun::ChangePassword() {
    const std::wstring newPassword = *m_desired.password;
    Run(ChangePasswordOperation({m_login.password, newPassword}), ApplyStep::kPassword,
        [this, newPassword] {
            // Every request from now on logs in with the new one.
            m_login.password = newPassword;
            UpdateTarget();
            StepDone(ApplyStep::kPassword);
        });
}

void ApplyRun::Bridge() {
    const DesiredWireless& wireless = *m_desired.wireless;
    const RepeaterSettings settings = RepeaterSettingsFor(wireless.ssid, m_channel, m_keyword,
                                                          wireless.key, wireless.keyIndex - 1);
    Run(BridgeOperation(settings, RestartHandling::kByRestartWait), ApplyStep::kWireless,
        [this] { Restart(RestartCause::kBridging, [this] { StepDone(ApplyStep::kWireless); }); });
}

void ApplyRun::Upgrade() {
    const DesiredFirmware& firmware = *m_desired.firmware;
    Run(UpgradeFirmwareOperation({firmware.imagePath, kUpgradeSettleMs,
                                  m_context.upgradeWaitSeconds * 1000u, kCliNotBack},
                                 m_status, RestartHandling::kRebootStep),
        ApplyStep::kFirmware, [this] {
            const std::wstring& wanted = m_desired.firmware->version;
            if (m_status.firmwareVersion != TrimWhiteSpace(wanted)) {
                Fail(ApplyStep::kFirmware,
                     Verdict{
                         ExitCode::kRefused, 0,
                         FormatString(kApplyWrongVersion, {EscapeControls(m_status.firmwareVersion),
                                                           EscapeControls(wanted)})});
                return;
            }
            StepDone(ApplyStep::kFirmware);
        });
}

void ApplyRun::ChangeLan() {
    Run(SetLanAddressOperation(m_plan.lan, m_status, RestartHandling::kByRestartWait),
        ApplyStep::kLan, [this] {
            Restart(RestartCause::kLanAddressChange, [this] {
                m_report.Set(ApplyStep::kLan, StepResult::kChanged);
                m_running.reset();
                FindAgain();
            });
        });
}

// As the wizard's return to the search: the repeater is looked for at its new address,
// which also gives its new subnet mask.
void ApplyRun::FindAgain() {
    ++m_findTries;
    m_search = std::make_unique<DeviceSearch>(m_context.discovery, m_context.loop);
    m_search->Find(m_plan.lan.ip,
                   [this](const std::vector<FoundDevice>& devices) { OnFound(devices); });
}

void ApplyRun::OnFound(const std::vector<FoundDevice>& devices) {
    const FoundDevice* device = FindDeviceByIp(devices, m_plan.lan.ip);
    if (device == nullptr) {
        if (m_findTries >= kFindTries) {
            Fail(std::nullopt,
                 Verdict{ExitCode::kNetwork, 0, FormatString(kApplyNotFoundAgain, {m_plan.lan.ip})},
                 "find");
            return;
        }
        m_findTimer = m_context.loop.StartTimer(kFindGapMs, [this] {
            m_context.loop.StopTimer(std::exchange(m_findTimer, 0));
            FindAgain();
        });
        return;
    }
    m_login.ip = device->ip;
    m_login.mac = device->mac;
    m_login.mask = device->subnet;
    m_report.finalAddress = m_login.ip;
    UpdateTarget();
    ReadBack();
}

void ApplyRun::ReadBack() {
    m_status.Clear();
    Run(ReadStatusOperation(m_status), std::nullopt, [this] {
        if (!LanTaken(m_plan.lan, m_status)) {
            Fail(std::nullopt,
                 Verdict{ExitCode::kRefused, 0, FormatString(kApplyLanNotTaken, {m_login.ip})},
                 "find");
            return;
        }
        Finish(static_cast<int>(ExitCode::kSuccess));
    });
}

void ApplyRun::Run(DeviceOperation operation, std::optional<ApplyStep> step,
                   std::function<void()> then) {
    m_operationStep = step;
    m_then = std::move(then);
    m_context.runner.Start(std::move(operation), m_target, m_callbacks);
}

void ApplyRun::Restart(RestartCause cause, std::function<void()> then) {
    m_afterRestart = std::move(then);
    m_restartWait.Start(cause, m_context.commands, m_target, *this);
}

void ApplyRun::OnRestartOver() {
    if (std::function<void()> then = std::exchange(m_afterRestart, nullptr)) {
        then();
    }
}

void ApplyRun::Fail(std::optional<ApplyStep> step, const Verdict& verdict, const char* stepName) {
    if (m_finishedOnce) {
        return;
    }
    const std::wstring reason = ReasonOf(verdict);
    WriteErr(reason);
    const int exitCode = static_cast<int>(verdict.exitCode);
    if (step) {
        m_report.Fail(*step, reason, exitCode);
    } else {
        m_report.Fail(stepName != nullptr ? stepName : "read", reason, exitCode);
    }
    Finish(exitCode);
}

void ApplyRun::Finish(int exitCode) {
    if (m_finishedOnce) {
        return;
    }
    m_finishedOnce = true;
    m_restartWait.Cancel();
    if (!WriteReport(m_report)) {
        WriteErr(LoadString(kCliWriteFailed));
        exitCode = static_cast<int>(ExitCode::kInternal);
    }
    if (m_finished) {
        m_finished(exitCode);
    }
}
