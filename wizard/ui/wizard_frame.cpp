#include "wizard/ui/wizard_frame.h"

#include <QPointer>

#include <utility>

#include "device/device_operations.h"
#include "platform/ansi_text.h"
#include "platform/metered_socket.h"
#include "platform/tick_clock.h"
#include "web/response_parsers.h"
#include "web/web_command_queue.h"
#include "wizard/ui/firmware_page.h"
#include "wizard/ui/ip_address_page.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/password_page.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/reset_page.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/wireless_page.h"

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 500;
constexpr wchar_t kLoadingText[] = L"Loading....";
// The result timer; the timers of the operations' delays follow it.
constexpr int kResultTimerId = 1;
constexpr int kFirstOperationTimerId = 2;

// The order in which the teardown removes the pages.
constexpr WizardPageId kTeardownOrder[] = {WizardPageId::kIpAddress, WizardPageId::kFirmware,
                                           WizardPageId::kPassword,  WizardPageId::kReset,
                                           WizardPageId::kSummary,   WizardPageId::kWireless};

template <typename T>
void DestroyAndDelete(T*& window) {
    if (T* doomed = std::exchange(window, nullptr)) {
        doomed->DestroyWindow();
        delete doomed;
    }
}

}  // namespace

void WizardFrame::WebQueue::Queue(const std::wstring& command, const WebRequest& request,
                                  const DeviceTarget& target) {
    if (WebCommandQueue* web = m_device.WebQueue()) {
        WebCommandQueueSink(*web).Queue(command, request, target);
    }
}

void WizardFrame::WebQueue::QueueFile(const std::wstring& command, const WebRequest& request,
                                      const DeviceTarget& target, const std::string& filePath) {
    if (WebCommandQueue* web = m_device.WebQueue()) {
        WebCommandQueueSink(*web).QueueFile(command, request, target, filePath);
    }
}

int WizardFrame::WebQueue::PendingCount() const {
    const WebCommandQueue* web = m_device.WebQueue();
    return web != nullptr ? web->PendingCount() : 0;
}

std::optional<WebResult> WizardFrame::WebQueue::TakeResult() {
    WebCommandQueue* web = m_device.WebQueue();
    return web != nullptr ? web->TakeResult() : std::nullopt;
}

WizardFrame::WizardFrame(IConnectedDevice& device, QWidget* parent)
    : DialogWindow(parent),
      m_device(device),
      m_queue(device),
      m_timerLoop(*this, kFirstOperationTimerId),
      m_operations(m_queue, m_queue, m_timerLoop, MonotonicTickClock::Instance(),
                   AnswerReading::kTolerant) {}

WizardFrame::~WizardFrame() {
    DestroyWindow();
}

void WizardFrame::SetDeviceAddress(const std::wstring& ipAddress, const std::wstring& subnetMask) {
    m_deviceIp = ipAddress;
    m_deviceSubnet = subnetMask;
}

DeviceTarget WizardFrame::Target() const {
    return {m_deviceIp, m_deviceSubnet, LoginCredential(m_device.Login())};
}

DeviceLogin WizardFrame::Login() const {
    return m_device.Login();
}

const DeviceStatus& WizardFrame::Status() const {
    return m_device.Status();
}

DeviceStatus& WizardFrame::StatusToFill() {
    return m_device.Status();
}

std::optional<HostAddressContext> WizardFrame::TempHostAddress() const {
    const WebCommandQueue* web = m_device.WebQueue();
    return web != nullptr ? web->TempHostAddress() : std::nullopt;
}

SendProgress WizardFrame::UploadProgress() const {
    const WebCommandQueue* web = m_device.WebQueue();
    if (web == nullptr) {
        return {};
    }
    // The meter follows whatever the queue's socket sends; only the upload's own
    // connection tells how far the image has got.
    const std::vector<WebCommand> pending = web->PendingSnapshot();
    if (pending.empty() || !EqualsIgnoreCase(pending.front().name, kCommandUpload) ||
        !pending.front().requestSent) {
        return {};
    }
    return m_device.WebSendProgress();
}

SummaryPage* WizardFrame::Summary() const {
    return static_cast<SummaryPage*>(Page(WizardPageId::kSummary));
}

WirelessPage* WizardFrame::Wireless() const {
    return static_cast<WirelessPage*>(Page(WizardPageId::kWireless));
}

void WizardFrame::OnInitDialog() {
    setGeometry(0, 0, kWidth, kHeight);
    auto add = [this](WizardPageId page, WizardPage* window) {
        m_pages[static_cast<size_t>(page)] = window;
        window->Create();
        window->setGeometry(rect());
        window->ShowWindow(false);
    };
    add(WizardPageId::kIpAddress, new IpAddressPage(*this, this));
    add(WizardPageId::kFirmware, new FirmwarePage(*this, this));
    add(WizardPageId::kSummary, new SummaryPage(*this, this));
    add(WizardPageId::kWireless, new WirelessPage(*this, this));
    add(WizardPageId::kPassword, new PasswordPage(*this, this));
    add(WizardPageId::kReset, new ResetPage(*this, this));
    // They get a window only while they run.
    m_message = new MessageBox(this);
    m_progress = new ProgressDialog(this);
}

void WizardFrame::OnShowWindow(bool show) {
    if (show) {
        ShowWizardPage(WizardPageId::kSummary);
    }
}

void WizardFrame::ShowWizardPage(WizardPageId page) {
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] != nullptr) {
            m_pages[i]->ShowWindow(static_cast<WizardPageId>(i) == page);
        }
    }
}

void WizardFrame::StartResultTimer() {
    SetTimer(kResultTimerId, kResultTimerMs);
}

void WizardFrame::OnTimer(int id) {
    if (id != kResultTimerId) {
        m_timerLoop.Dispatch(id);
        return;
    }
    // Stopped before the results are taken: what has finished is still handled now, and
    // the next queued command starts the timer again.
    if (m_queue.PendingCount() == 0) {
        KillTimer(kResultTimerId);
    }
    m_operations.TakeResults();
}

void WizardFrame::LoadDeviceStatus() {
    QPointer<WizardFrame> self(this);
    m_operations.Start(ReadStatusOperation(m_device.Status()), Target(), *this);
    m_device.Status().Clear();
    // The summary page is in front already: no values of an earlier device under the
    // progress dialog.
    Summary()->RefreshStatus();
    m_progress->Run(kLoadingText);
    if (self != nullptr && Summary() != nullptr) {
        Summary()->RefreshStatus();
    }
}

void WizardFrame::OnDestroy() {
    KillTimer(kResultTimerId);
    m_operations.CancelAll();
    for (const WizardPageId page : kTeardownOrder) {
        DestroyAndDelete(m_pages[static_cast<size_t>(page)]);
    }
    DestroyAndDelete(m_message);
    DestroyAndDelete(m_progress);
}

void WizardFrame::OnOutcome(OperationOutcome outcome) {
    switch (outcome) {
        case OperationOutcome::kLanPageRead:
            ShowProgressStep(kStepAfterLanInfo);
            return;
        case OperationOutcome::kInterfacePageRead:
            ShowProgressStep(kStepAfterWanInfo);
            return;
        case OperationOutcome::kStatusPageRead:
            ShowProgressStep(kStepAfterGetStatus);
            // Blocks the user-interface thread, as the hold is meant to: the last step
            // stays in view for that long.
            ThreadSleeper::Instance().SleepMs(kHoldAfterGetStatusMs);
            // With more commands pending the loading is not over yet.
            if (m_queue.PendingCount() == 0 && m_progress->IsModalRunning()) {
                m_progress->EndDialog(0);
            }
            return;
        default:
            return;
    }
}

void WizardFrame::OnFailed(const OperationFailure& failure) {
    if (m_progress->IsModalRunning()) {
        m_progress->EndDialog(0);
    }
    m_message->ShowMessage(failure.verdict.messageId);
    ReturnToSearchPage(this);
}

void WizardFrame::ShowProgressStep(int step) {
    if (m_progress->IsModalRunning()) {
        m_progress->ShowProgressStep(step);
    }
}
