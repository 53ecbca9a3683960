#include "wizard/ui/wizard_frame.h"

#include <QPointer>

#include <utility>

#include "device/device_operations.h"
#include "platform/ansi_text.h"
#include "platform/metered_socket.h"
#include "platform/tick_clock.h"
#include "web/response_parsers.h"
#include "web/web_manager.h"
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
constexpr WizardPage kTeardownOrder[] = {WizardPage::kIpAddress, WizardPage::kFirmware,
                                         WizardPage::kPassword,  WizardPage::kReset,
                                         WizardPage::kSummary,   WizardPage::kWireless};

template <typename T>
void DestroyAndDelete(T*& window) {
    if (T* doomed = std::exchange(window, nullptr)) {
        doomed->DestroyWindow();
        delete doomed;
    }
}

}  // namespace

void CQ3150TxDlg::WebQueue::Queue(const std::wstring& command, const WebRequest& request,
                                  const DeviceTarget& target) {
    if (CWEBManager* web = m_device.WebQueue()) {
        WebManagerSink(*web).Queue(command, request, target);
    }
}

void CQ3150TxDlg::WebQueue::QueueFile(const std::wstring& command, const WebRequest& request,
                                      const DeviceTarget& target, const std::string& filePath) {
    if (CWEBManager* web = m_device.WebQueue()) {
        WebManagerSink(*web).QueueFile(command, request, target, filePath);
    }
}

int CQ3150TxDlg::WebQueue::PendingCount() const {
    const CWEBManager* web = m_device.WebQueue();
    return web != nullptr ? web->PendingCount() : 0;
}

std::optional<WebResult> CQ3150TxDlg::WebQueue::TakeResult() {
    CWEBManager* web = m_device.WebQueue();
    return web != nullptr ? web->TakeResult() : std::nullopt;
}

CQ3150TxDlg::CQ3150TxDlg(IConnectedDevice& device, QWidget* parent)
    : CDialogWindow(parent),
      m_device(device),
      m_queue(device),
      m_timerLoop(*this, kFirstOperationTimerId),
      m_operations(m_queue, m_queue, m_timerLoop, MonotonicTickClock::Instance(),
                   AnswerReading::kTolerant) {}

CQ3150TxDlg::~CQ3150TxDlg() {
    DestroyWindow();
}

void CQ3150TxDlg::SetDeviceAddress(const std::wstring& ipAddress, const std::wstring& subnetMask) {
    m_strDeviceIP = ipAddress;
    m_strDeviceSubnet = subnetMask;
}

DeviceTarget CQ3150TxDlg::Target() const {
    return {m_strDeviceIP, m_strDeviceSubnet, LoginCredential(m_device.Login())};
}

DeviceLogin CQ3150TxDlg::Login() const {
    return m_device.Login();
}

const DeviceStatus& CQ3150TxDlg::Status() const {
    return m_device.Status();
}

DeviceStatus& CQ3150TxDlg::StatusToFill() {
    return m_device.Status();
}

std::optional<HostAddressContext> CQ3150TxDlg::TempHostAddress() const {
    const CWEBManager* web = m_device.WebQueue();
    return web != nullptr ? web->TempHostAddress() : std::nullopt;
}

SendProgress CQ3150TxDlg::UploadProgress() const {
    const CWEBManager* web = m_device.WebQueue();
    if (web == nullptr) {
        return {};
    }
    // The meter follows whatever the queue's socket sends; only the upload's own
    // connection tells how far the image has got.
    const std::vector<_STRU_WEB_DATA> pending = web->PendingSnapshot();
    if (pending.empty() || !EqualsIgnoreCase(pending.front().strID, kCommandUpload) ||
        !pending.front().bRequestSent) {
        return {};
    }
    return m_device.WebSendProgress();
}

CQ3150Tx_SummaryDlg* CQ3150TxDlg::SummaryPage() const {
    return static_cast<CQ3150Tx_SummaryDlg*>(Page(WizardPage::kSummary));
}

CQ3150Tx_SurveyDlg* CQ3150TxDlg::WirelessPage() const {
    return static_cast<CQ3150Tx_SurveyDlg*>(Page(WizardPage::kWireless));
}

void CQ3150TxDlg::OnInitDialog() {
    setGeometry(0, 0, kWidth, kHeight);
    auto add = [this](WizardPage page, CWizardPage* window) {
        m_pages[static_cast<size_t>(page)] = window;
        window->Create();
        window->setGeometry(rect());
        window->ShowWindow(false);
    };
    add(WizardPage::kIpAddress, new CQ3150Tx_IPAddrDlg(*this, this));
    add(WizardPage::kFirmware, new CQ3150Tx_ModeDlg(*this, this));
    add(WizardPage::kSummary, new CQ3150Tx_SummaryDlg(*this, this));
    add(WizardPage::kWireless, new CQ3150Tx_SurveyDlg(*this, this));
    add(WizardPage::kPassword, new CQ3150Tx_PasswordDlg(*this, this));
    add(WizardPage::kReset, new CQ3150Tx_SaveDlg(*this, this));
    // They get a window only while they run.
    m_message = new CQ3150Tx_MessageDlg(this);
    m_progress = new CQ3150Tx_Progress(this);
}

void CQ3150TxDlg::OnShowWindow(bool show) {
    if (show) {
        ShowWizardPage(WizardPage::kSummary);
    }
}

void CQ3150TxDlg::ShowWizardPage(WizardPage page) {
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] != nullptr) {
            m_pages[i]->ShowWindow(static_cast<WizardPage>(i) == page);
        }
    }
}

void CQ3150TxDlg::StartResultTimer() {
    SetTimer(kResultTimerId, kResultTimerMs);
}

void CQ3150TxDlg::OnTimer(int id) {
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

void CQ3150TxDlg::LoadDeviceStatus() {
    QPointer<CQ3150TxDlg> self(this);
    m_operations.Start(ReadStatusOperation(m_device.Status()), Target(), *this);
    m_device.Status().Clear();
    // The summary page is in front already: no values of an earlier device under the
    // progress dialog.
    SummaryPage()->RefreshStatus();
    m_progress->Run(kLoadingText);
    if (self != nullptr && SummaryPage() != nullptr) {
        SummaryPage()->RefreshStatus();
    }
}

void CQ3150TxDlg::OnDestroy() {
    KillTimer(kResultTimerId);
    m_operations.CancelAll();
    for (const WizardPage page : kTeardownOrder) {
        DestroyAndDelete(m_pages[static_cast<size_t>(page)]);
    }
    DestroyAndDelete(m_message);
    DestroyAndDelete(m_progress);
}

void CQ3150TxDlg::OnOutcome(OperationOutcome outcome) {
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

void CQ3150TxDlg::OnFailed(const OperationFailure& failure) {
    if (m_progress->IsModalRunning()) {
        m_progress->EndDialog(0);
    }
    m_message->ShowMessage(failure.verdict.messageId);
    ::ReturnToSearchPage();
}

void CQ3150TxDlg::ShowProgressStep(int step) {
    if (m_progress->IsModalRunning()) {
        m_progress->ShowProgressStep(step);
    }
}
