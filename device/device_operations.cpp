#include "device/device_operations.h"

#include <utility>

#include "web/device_commands.h"

namespace {

using QueueFunction = void (*)(IWebCommandSink&, const DeviceTarget&);

OperationStep ReadStep(QueueFunction queue, const wchar_t* command, OperationOutcome outcome,
                       std::function<void(const WebResult&)> read) {
    OperationStep step;
    step.queue = queue;
    step.awaited = {command};
    step.outcome = outcome;
    step.read = std::move(read);
    return step;
}

OperationStep RebootStep() {
    OperationStep step;
    step.queue = &QueueReboot;
    step.awaited = {kCommandReboot};
    step.outcome = OperationOutcome::kDeviceRestarting;
    return step;
}

DeviceOperation Named(const wchar_t* name, std::vector<OperationStep> steps) {
    return DeviceOperation{name, std::move(steps)};
}

}  // namespace

DeviceOperation ReadStatusOperation(DeviceStatus& status) {
    return Named(
        L"read status",
        {ReadStep(&QueueLanInfo, kCommandLanInfo, OperationOutcome::kLanPageRead,
                  [&status](const WebResult& r) { ParseLanPage(r.ResponseText(), status); }),
         ReadStep(&QueueWanInfo, kCommandWanInfo, OperationOutcome::kInterfacePageRead,
                  [&status](const WebResult& r) { ParseWanPage(r.ResponseText(), status); }),
         ReadStep(&QueueGetStatus, kCommandGetStatus, OperationOutcome::kStatusPageRead,
                  [&status](const WebResult& r) { ParseStatusPage(r.ResponseText(), status); })});
}

DeviceOperation SurveyOperation(std::vector<SurveyNetwork>& networks) {
    OperationStep survey = ReadStep(
        &QueueSiteSurvey, kCommandSiteSurvey, OperationOutcome::kSurveyReceived,
        [&networks](const WebResult& r) { networks = ParseSurveyNetworks(r.ResponseText()); });
    survey.tolerantRule = TolerantRule::kGoodPageOnly;
    return Named(L"survey", {survey});
}

DeviceOperation BridgeOperation(const RepeaterSettings& settings, RestartHandling restart) {
    OperationStep bridge;
    bridge.queue = [settings](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueRepeater(sink, target, settings);
    };
    bridge.awaited = {kCommandRepeater};
    bridge.outcome = OperationOutcome::kBridgingAccepted;
    DeviceOperation operation = Named(L"bridge", {bridge});
    if (restart == RestartHandling::kRebootStep) {
        operation.steps.push_back(RebootStep());
    }
    return operation;
}

std::wstring DhcpModeOf(bool dhcpServerOn) {
    return dhcpServerOn ? L"2" : L"0";
}

DeviceOperation SetLanAddressOperation(const LanAddressChange& change, DeviceStatus& status,
                                       RestartHandling restart) {
    OperationStep setup;
    setup.queue = [change](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueSetupIpAddress(sink, target, change.ip, change.mask, DhcpModeOf(change.dhcpServerOn));
    };
    setup.awaited = {kCommandSetupIpAddress};
    setup.outcome = OperationOutcome::kAddressChangeTaken;
    setup.tolerantRule = TolerantRule::kAnyAnswer;
    setup.read = [&status](const WebResult& r) { ParseStatusPage(r.ResponseText(), status); };
    DeviceOperation operation = Named(L"set LAN address", {setup});
    if (restart == RestartHandling::kRebootStep) {
        operation.steps.push_back(RebootStep());
    }
    return operation;
}

DeviceOperation ChangePasswordOperation(const PasswordChange& change) {
    OperationStep step;
    step.queue = [change](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueSetupPassword(sink, target, change.devicePassword, change.newPassword);
    };
    step.awaited = {kCommandSetupPassword};
    step.outcome = OperationOutcome::kPasswordChanged;
    // A refused or lost change must not look like success.
    step.tolerantRule = TolerantRule::kGoodPageOnly;
    return Named(L"change password", {step});
}

DeviceOperation UpgradeFirmwareOperation(const FirmwareUpgrade& upgrade, DeviceStatus& status,
                                         RestartHandling restart) {
    OperationStep upload;
    upload.queue = [path = upgrade.imagePath](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueUpload(sink, target, path);
    };
    upload.awaited = {kCommandUpload};
    upload.outcome = OperationOutcome::kUploadAccepted;
    upload.tolerantRule = TolerantRule::kGoodPageOnly;
    upload.networkMessageId = kMsgFirewall;
    upload.refusedMessageId = kMsgFirewall;
    upload.refusalInPage = [](const WebResult& r) -> std::optional<AnswerVerdict> {
        if (r.response.find(kInvalidFileMarker) != std::string::npos) {
            return AnswerVerdict{AnswerFault::kRefused, kMsgInvalidFile, std::wstring()};
        }
        return std::nullopt;
    };
    DeviceOperation operation = Named(L"upgrade firmware", {upload});
    if (restart == RestartHandling::kByRestartWait) {
        return operation;
    }
    OperationStep reboot = RebootStep();
    reboot.awaited.clear();
    reboot.outcome = OperationOutcome::kRebootQueued;
    OperationStep comeBack =
        ReadStep(&QueueGetStatus, kCommandGetStatus, OperationOutcome::kDeviceBack,
                 [&status](const WebResult& r) { ParseStatusPage(r.ResponseText(), status); });
    comeBack.delayMs = upgrade.settleMs;
    comeBack.retryForMs = upgrade.comeBackMs;
    comeBack.retryGapMs = kComeBackPollGapMs;
    if (upgrade.notBackMessageId != 0) {
        comeBack.networkMessageId = upgrade.notBackMessageId;
    }
    operation.steps.push_back(std::move(reboot));
    operation.steps.push_back(std::move(comeBack));
    return operation;
}

DeviceOperation RebootOperation(RestartHandling restart) {
    if (restart == RestartHandling::kByRestartWait) {
        return Named(L"reboot", {});
    }
    return Named(L"reboot", {RebootStep()});
}

DeviceOperation FactoryResetOperation(RestartHandling restart) {
    OperationStep reset;
    if (restart == RestartHandling::kByRestartWait) {
        reset.queue = &QueueResetDefault;
        return Named(L"factory reset", {reset});
    }
    reset.queue = [](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueResetDefault(sink, target);
        QueueReboot(sink, target);
    };
    reset.awaited = {kCommandResetDefault, kCommandReboot};
    reset.outcome = OperationOutcome::kDeviceRestarting;
    return Named(L"factory reset", {reset});
}
