#include "web/device_commands.h"

#include "web/web_command_queue.h"

void WebCommandQueueSink::Queue(const std::wstring& command, const WebRequest& request,
                                const DeviceTarget& target) {
    m_manager.QueueCommand(command, request, target.ip, target.subnet);
}

void WebCommandQueueSink::QueueFile(const std::wstring& command, const WebRequest& request,
                                    const DeviceTarget& target, const std::string& filePath) {
    m_manager.QueueFileCommand(command, request, target.ip, target.subnet, filePath);
}

void QueueLanInfo(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandLanInfo, BuildLanInfoRequest(target), target);
}

void QueueWanInfo(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandWanInfo, BuildWanInfoRequest(target), target);
}

void QueueGetStatus(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandGetStatus, BuildGetStatusRequest(target), target);
}

void QueueSiteSurvey(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandSiteSurvey, BuildSiteSurveyRequest(target), target);
}

void QueueUncheckRepeater(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandUncheckRepeater, BuildUncheckRepeaterRequest(target), target);
}

void QueueRepeater(IWebCommandSink& sink, const DeviceTarget& target,
                   const RepeaterSettings& settings) {
    for (const NamedRequest& step : BuildRepeaterSequence(target, settings)) {
        sink.Queue(step.command, step.request, target);
    }
}

void QueueSetupIpAddress(IWebCommandSink& sink, const DeviceTarget& target, const std::wstring& ip,
                         const std::wstring& mask, const std::wstring& dhcp) {
    sink.Queue(kCommandSetupIpAddress, BuildSetupIpAddressRequest(target, ip, mask, dhcp), target);
}

void QueueSetupPassword(IWebCommandSink& sink, const DeviceTarget& target,
                        const std::wstring& oldPassword, const std::wstring& newPassword) {
    sink.Queue(kCommandSetupPassword, BuildSetupPasswordRequest(target, oldPassword, newPassword),
               target);
}

void QueueUpload(IWebCommandSink& sink, const DeviceTarget& target, const std::string& filePath) {
    sink.QueueFile(kCommandUpload, BuildUploadRequest(target, filePath), target, filePath);
}

void QueueReboot(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandReboot, BuildRebootRequest(target), target);
}

void QueueResetDefault(IWebCommandSink& sink, const DeviceTarget& target) {
    sink.Queue(kCommandResetDefault, BuildResetDefaultRequest(target), target);
}
