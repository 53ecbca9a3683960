#include "web/device_commands.h"

#include <filesystem>

#include "web/web_manager.h"

void WebManagerSink::Queue(const std::wstring& command, const WebRequest& request,
                           const DeviceTarget& target) {
    m_manager.QueueCommand(command, request, target.ip, target.subnet);
}

void WebManagerSink::QueueFile(const std::wstring& command, const WebRequest& request,
                               const DeviceTarget& target, const std::string& filePath) {
    m_manager.QueueFileCommand(command, request, target.ip, target.subnet,
                               std::filesystem::path(filePath).wstring());
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

void QueueLanInfo(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueLanInfo(sink, target);
}

void QueueWanInfo(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueWanInfo(sink, target);
}

void QueueGetStatus(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueGetStatus(sink, target);
}

void QueueSiteSurvey(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueSiteSurvey(sink, target);
}

void QueueUncheckRepeater(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueUncheckRepeater(sink, target);
}

void QueueRepeater(CWEBManager& manager, const DeviceTarget& target,
                   const RepeaterSettings& settings) {
    WebManagerSink sink(manager);
    QueueRepeater(sink, target, settings);
}

void QueueSetupIpAddress(CWEBManager& manager, const DeviceTarget& target, const std::wstring& ip,
                         const std::wstring& mask, const std::wstring& dhcp) {
    WebManagerSink sink(manager);
    QueueSetupIpAddress(sink, target, ip, mask, dhcp);
}

void QueueSetupPassword(CWEBManager& manager, const DeviceTarget& target,
                        const std::wstring& oldPassword, const std::wstring& newPassword) {
    WebManagerSink sink(manager);
    QueueSetupPassword(sink, target, oldPassword, newPassword);
}

void QueueUpload(CWEBManager& manager, const DeviceTarget& target, const std::string& filePath) {
    WebManagerSink sink(manager);
    QueueUpload(sink, target, filePath);
}

void QueueReboot(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueReboot(sink, target);
}

void QueueResetDefault(CWEBManager& manager, const DeviceTarget& target) {
    WebManagerSink sink(manager);
    QueueResetDefault(sink, target);
}
