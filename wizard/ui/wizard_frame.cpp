#include "wizard/ui/wizard_frame.h"

#include <QPointer>

#include <utility>

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
    : CDialogWindow(parent), m_device(device), m_queue(device) {}

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
        for (const WizardControl control : window->BoundControls()) {
            m_controlPages[control] = window;
        }
        for (const WizardWait wait : window->BoundWaits()) {
            m_waitPages[wait] = window;
        }
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
        return;
    }
    // The driver keeps nothing between ticks; a tick run inside a modal loop of an
    // earlier one has a driver of its own.
    WizardTaskDriver driver(m_queue, m_queue, *this, Target(), m_device.Status());
    driver.OnResultTimer();
}

void CQ3150TxDlg::LoadDeviceStatus() {
    QPointer<CQ3150TxDlg> self(this);
    QueueLanInfo(m_queue, Target());
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
    m_controlPages.clear();
    m_waitPages.clear();
    for (const WizardPage page : kTeardownOrder) {
        DestroyAndDelete(m_pages[static_cast<size_t>(page)]);
    }
    DestroyAndDelete(m_message);
    DestroyAndDelete(m_progress);
}

bool CQ3150TxDlg::ProgressRunning() const {
    return m_progress != nullptr && m_progress->IsModalRunning();
}

void CQ3150TxDlg::ShowProgressStep(int step) {
    m_progress->ShowProgressStep(step);
}

void CQ3150TxDlg::EndProgress() {
    m_progress->EndDialog(0);
}

void CQ3150TxDlg::ShowMessage(int stringId) {
    m_message->ShowMessage(stringId);
}

void CQ3150TxDlg::ReturnToSearchPage() {
    ::ReturnToSearchPage();
}

void CQ3150TxDlg::EnableControl(WizardControl control, bool enable) {
    if (const auto page = m_controlPages.find(control); page != m_controlPages.end()) {
        page->second->EnableControl(control, enable);
    }
}

void CQ3150TxDlg::ClearControlText(WizardControl control) {
    if (const auto page = m_controlPages.find(control); page != m_controlPages.end()) {
        page->second->ClearControlText(control);
    }
}

void CQ3150TxDlg::StartPageWait(WizardWait wait) {
    if (const auto page = m_waitPages.find(wait); page != m_waitPages.end()) {
        page->second->StartPageWait(wait);
    }
}

void CQ3150TxDlg::ShowSurvey(const std::vector<SurveyNetwork>& networks) {
    if (CQ3150Tx_SurveyDlg* page = WirelessPage()) {
        page->ShowSurvey(networks);
    }
}

void CQ3150TxDlg::StopResultTimer() {
    KillTimer(kResultTimerId);
}

// Blocks the user-interface thread, as the hold after the status read is meant to: the
// last progress step stays in view for that long.
void CQ3150TxDlg::Hold(uint32_t ms) {
    ThreadSleeper::Instance().SleepMs(ms);
}
