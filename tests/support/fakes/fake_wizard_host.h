#pragma once

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "device/operation_runner.h"
#include "support/fakes/fake_event_loop.h"
#include "support/fakes/fake_tick_clock.h"
#include "support/fakes/fake_web_results.h"
#include "web/device_commands.h"
#include "window/page_navigation.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
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
// the page queues, runs the page's device operations on answers the test gives (Answer),
// gives it real dialogs over a stand-in frame widget, and the device's login, status
// record and upload progress that the test sets (PageOnFakeHost below puts a page on
// one).
//
//   QWidget frame;
//   FakeWizardHost host(&frame);
//   ResetPage page(host, &frame);
class FakeWizardHost : public IWizardHost {
public:
    explicit FakeWizardHost(QWidget* frame) : progress(frame), messages(frame) {}
    IWebCommandSink& Commands() override { return sink; }
    OperationRunner& Operations() override { return operations; }
    DeviceTarget Target() const override { return target; }
    DeviceLogin Login() const override { return login; }
    const DeviceStatus& Status() const override { return status; }
    DeviceStatus& StatusToFill() override { return status; }
    ProgressDialog& Progress() override { return progress; }
    MessageBox& Messages() override { return messages; }
    SendProgress UploadProgress() const override { return upload; }
    std::optional<HostAddressContext> TempHostAddress() const override { return tempAddress; }

    // The device answers `command` with completion code `code` and `response`, and the
    // result tick hands it to the operation that awaits it.
    void Answer(const std::wstring& command, uint32_t code, const std::string& response) {
        given.Finish(command, code, response);
        operations.TakeResults();
    }

    DeviceTarget target{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46YWRtaW4="};
    DeviceLogin login{L"admin", L"admin", L"192.168.1.1", L"00:1A:2B:3C:4D:5E"};
    DeviceStatus status;
    RecordingSink sink;
    GivenAnswers given;
    FakeEventLoop loop;
    FakeTickClock clock;
    OperationRunner operations{given, sink, loop, clock, AnswerReading::kTolerant};
    ProgressDialog progress;
    MessageBox messages;
    SendProgress upload;
    std::optional<HostAddressContext> tempAddress;
};

// Counts the pages' returns to the search page; opens and shows nothing.
class RecordingNavigation : public IPageNavigation {
public:
    IDeviceWizard* OpenDeviceWizard(const std::wstring&, const std::wstring&,
                                    const std::wstring&) override {
        return nullptr;
    }
    void ReturnToSearchPage() override { ++returns; }
    void ShowMenuEntry(MenuEntry) override {}
    int returns = 0;
};

// A page's frame (a `Base` widget) that is the navigation its pages stand in.
template <typename Base>
class NavigatingFrame : public Base, public RecordingNavigation {};

// A wizard page of type `Page` on a FakeWizardHost over the whole of a 700 by 500 frame
// (`Frame`), created, with the pages' navigation recorded while it lives. Neither the
// frame nor the page is shown yet: a test shows them as its case needs.
//
//   PageOnFakeHost<ResetPage> on;
//   on.frame.show();
//   on.page.ShowWindow(true);
template <typename Page, typename Frame = QWidget>
struct PageOnFakeHost {
    PageOnFakeHost() : host(&frame), page(host, &frame) {
        frame.resize(700, 500);
        page.Create();
        page.setGeometry(frame.rect());
    }
    PageOnFakeHost(const PageOnFakeHost&) = delete;
    PageOnFakeHost& operator=(const PageOnFakeHost&) = delete;

    NavigatingFrame<Frame> frame;
    RecordingNavigation& navigation = frame;
    FakeWizardHost host;
    Page page;
};
