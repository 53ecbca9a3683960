#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "web/device_commands.h"
#include "wizard/ui/q3150tx_message_dlg.h"
#include "wizard/ui/q3150tx_progress.h"
#include "wizard/ui/wizard_page.h"

// Records what a page queues: the command names, and the requests with the file path of
// an upload.
class RecordingSink : public IWebCommandSink {
public:
    void Queue(const std::wstring& command, const WebRequest& request,
               const DeviceTarget&) override {
        queued.push_back(command);
        requests.push_back(request);
        filePaths.emplace_back();
    }
    void QueueFile(const std::wstring& command, const WebRequest& request, const DeviceTarget&,
                   const std::string& filePath) override {
        queued.push_back(command);
        requests.push_back(request);
        filePaths.push_back(filePath);
    }

    std::vector<std::wstring> queued;
    std::vector<WebRequest> requests;
    std::vector<std::string> filePaths;
};

// For trying a wizard page on its own, without a frame or a web queue: it records what
// the page queues and gives it real dialogs over a stand-in frame widget.
//
//   QWidget frame;
//   FakeWizardHost host(&frame);
//   CQ3150Tx_SaveDlg page(host, &frame);
class FakeWizardHost : public IWizardHost {
public:
    explicit FakeWizardHost(QWidget* frame) : progress(frame), messages(frame) {}
    IWebCommandSink& Commands() override { return sink; }
    DeviceTarget Target() const override { return target; }
    CQ3150Tx_Progress& Progress() override { return progress; }
    CQ3150Tx_MessageDlg& Messages() override { return messages; }

    DeviceTarget target{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46YWRtaW4="};
    RecordingSink sink;
    CQ3150Tx_Progress progress;
    CQ3150Tx_MessageDlg messages;
};
