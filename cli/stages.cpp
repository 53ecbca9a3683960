#include "cli/stages.h"
#include "resources/string_ids.h"
#include "wizard/page_choices.h"

namespace {

constexpr uint32_t kComeBackPollGapMs = 2000;

Stage RebootStage() {
    Stage stage;
    stage.queue = [](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueReboot(sink, target);
    };
    stage.awaited = {kCommandReboot};
    return stage;
}

Stage ReadStage(void (*queue)(IWebCommandSink&, const DeviceTarget&), const wchar_t* command,
                std::function<void(const WebResult&)> onGood) {
    Stage stage;
    stage.queue = queue;
    stage.awaited = {command};
    stage.onGood = std::move(onGood);
    return stage;
}

}  // namespace

std::vector<Stage> StatusStages(DeviceStatus& status) {
    return {
        ReadStage(&QueueLanInfo, kCommandLanInfo,
                  [&status](const WebResult& r) { ParseLanPage(r.ResponseText(), status); }),
        ReadStage(&QueueWanInfo, kCommandWanInfo,
                  [&status](const WebResult& r) { ParseWanPage(r.ResponseText(), status); }),
        ReadStage(&QueueGetStatus, kCommandGetStatus,
                  [&status](const WebResult& r) { ParseStatusPage(r.ResponseText(), status); }),
    };
}

std::vector<Stage> SurveyStages(std::vector<SurveyNetwork>& networks) {
    return {ReadStage(&QueueSiteSurvey, kCommandSiteSurvey, [&networks](const WebResult& r) {
        networks = ParseSurveyNetworks(r.ResponseText());
    })};
}

std::vector<Stage> BridgeStages(const RepeaterSettings& settings) {
    Stage bridge;
    bridge.queue = [settings](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueRepeater(sink, target, settings);
    };
    bridge.awaited = {kCommandRepeater};
    return {bridge, RebootStage()};
}

std::vector<Stage> SetIpStages(const std::wstring& ip, const std::wstring& mask, bool dhcpOn,
                               DeviceStatus& status) {
    Stage setup;
    const std::wstring dhcp = DhcpModeFor(dhcpOn ? DhcpChoice::kAutoIp : DhcpChoice::kStaticIp);
    setup.queue = [ip, mask, dhcp](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueSetupIpAddress(sink, target, ip, mask, dhcp);
    };
    setup.awaited = {kCommandSetupIpAddress};
    setup.onGood = [&status](const WebResult& r) { ParseStatusPage(r.ResponseText(), status); };
    return {setup, RebootStage()};
}

std::vector<Stage> SetPasswordStages(const std::wstring& devicePassword,
                                     const std::wstring& newPassword) {
    Stage change;
    change.queue = [devicePassword, newPassword](IWebCommandSink& sink,
                                                 const DeviceTarget& target) {
        QueueSetupPassword(sink, target, devicePassword, newPassword);
    };
    change.awaited = {kCommandSetupPassword};
    return {change};
}

std::vector<Stage> UpgradeStages(const std::string& imagePath, uint32_t settleMs, uint32_t waitMs,
                                 DeviceStatus& status) {
    Stage upload;
    upload.queue = [imagePath](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueUpload(sink, target, imagePath);
    };
    upload.awaited = {kCommandUpload};
    upload.networkMessageId = kMsgFirewall;
    upload.refusedMessageId = kMsgFirewall;
    upload.inspect = [](const WebResult& r) {
        if (r.response.find(kInvalidFileMarker) != std::string::npos) {
            return Verdict{ExitCode::kRefused, kMsgInvalidFile, std::wstring()};
        }
        return Verdict::Success();
    };

    Stage comeBack = ReadStage(&QueueGetStatus, kCommandGetStatus, [&status](const WebResult& r) {
        ParseStatusPage(r.ResponseText(), status);
    });
    comeBack.delayMs = settleMs;
    comeBack.retryForMs = waitMs;
    comeBack.retryGapMs = kComeBackPollGapMs;
    Stage reboot = RebootStage();
    reboot.awaited.clear();
    return {upload, reboot, comeBack};
}

std::vector<Stage> RebootStages() {
    return {RebootStage()};
}

std::vector<Stage> ResetStages() {
    Stage reset;
    reset.queue = [](IWebCommandSink& sink, const DeviceTarget& target) {
        QueueResetDefault(sink, target);
        QueueReboot(sink, target);
    };
    reset.awaited = {kCommandResetDefault, kCommandReboot};
    return {reset};
}

void QueueAllStages(const std::vector<Stage>& stages, IWebCommandSink& sink,
                    const DeviceTarget& target) {
    for (const Stage& stage : stages) {
        stage.queue(sink, target);
    }
}
