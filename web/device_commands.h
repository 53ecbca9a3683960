#pragma once

#include <string>

#include "web/request_catalogue.h"
#include "web/web_request.h"

class WebCommandQueue;

// Queues the device's web commands: each function builds the request of one command of
// the catalogue and hands it on under that command's name, so a caller never pairs a
// request with the wrong name. The wizard pages and tamselctl both go through these.

// Where the queue functions put their requests: the web command queue, or something
// that only shows them (tamselctl's dry run).
class IWebCommandSink {
public:
    virtual ~IWebCommandSink() = default;
    virtual void Queue(const std::wstring& command, const WebRequest& request,
                       const DeviceTarget& target) = 0;
    // A request whose placeholder run stands for the bytes of `filePath` (the upload).
    // The path is the file system's bytes, as open() takes them: from a command line as
    // given, from a file dialog through QFile::encodeName.
    virtual void QueueFile(const std::wstring& command, const WebRequest& request,
                           const DeviceTarget& target, const std::string& filePath) = 0;
};

// The sink that queues on the web command queue: `WebCommandQueueSink sink(web);` then any
// of the functions below.
class WebCommandQueueSink : public IWebCommandSink {
public:
    explicit WebCommandQueueSink(WebCommandQueue& manager) : m_manager(manager) {}
    void Queue(const std::wstring& command, const WebRequest& request,
               const DeviceTarget& target) override;
    void QueueFile(const std::wstring& command, const WebRequest& request,
                   const DeviceTarget& target, const std::string& filePath) override;

private:
    WebCommandQueue& m_manager;
};

// Page reads.
void QueueLanInfo(IWebCommandSink& sink, const DeviceTarget& target);
void QueueWanInfo(IWebCommandSink& sink, const DeviceTarget& target);
void QueueGetStatus(IWebCommandSink& sink, const DeviceTarget& target);
void QueueSiteSurvey(IWebCommandSink& sink, const DeviceTarget& target);

// UNCHECKREPEATER on its own; QueueRepeater already sends it first.
void QueueUncheckRepeater(IWebCommandSink& sink, const DeviceTarget& target);
// UNCHECKREPEATER then REPEATER, back to back: the device takes the station settings only
// right after the mode form.
void QueueRepeater(IWebCommandSink& sink, const DeviceTarget& target,
                   const RepeaterSettings& settings);
// `dhcp` is "2" for the DHCP server on, "0" for off.
void QueueSetupIpAddress(IWebCommandSink& sink, const DeviceTarget& target, const std::wstring& ip,
                         const std::wstring& mask, const std::wstring& dhcp);
// `oldPassword` is the device's current password (as discovery reported it).
void QueueSetupPassword(IWebCommandSink& sink, const DeviceTarget& target,
                        const std::wstring& oldPassword, const std::wstring& newPassword);
// The image is read from `filePath` when the request is sent, not now.
void QueueUpload(IWebCommandSink& sink, const DeviceTarget& target, const std::string& filePath);
void QueueReboot(IWebCommandSink& sink, const DeviceTarget& target);
void QueueResetDefault(IWebCommandSink& sink, const DeviceTarget& target);
