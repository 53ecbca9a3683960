#include "wizard/ui/summary_page.h"

#include <QPushButton>

#include "controls/markup_label.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"
#include "window/web_page_opener.h"

namespace {

constexpr int kWebPageId = 1204;

// The SSID's rectangle is wider than the others: SSIDs run long.
constexpr DeviceValueRow kRows[SummaryPage::kValueCount] = {
    {1126, kRectSummaryMac, &DeviceStatus::macAddress, kTextSummaryMac},
    {1127, kRectSummaryFirmware, &DeviceStatus::firmwareVersion, kTextSummaryFirmware},
    {1128, kRectSummaryLanIp, &DeviceStatus::lanIp, kTextSummaryLanIp},
    {1129, kRectSummaryLanMask, &DeviceStatus::lanMask, kTextSummaryLanMask},
    {1130, kRectSummaryDhcp, &DeviceStatus::dhcpServer, kTextSummaryDhcp},
    {1131, kRectSummaryMode, &DeviceStatus::mode, kTextSummaryMode},
    {1132, kRectSummarySecurity, &DeviceStatus::security, kTextSummarySecurity},
    {1133, kRectSummaryWanIp, &DeviceStatus::wanIp, kTextSummaryWanIp},
    {1134, kRectSummarySsid, &DeviceStatus::ssid, kTextSummarySsid},
    {1135, kRectSummaryWanMask, &DeviceStatus::wanMask, kTextSummaryWanMask},
    {1136, kRectSummaryGateway, &DeviceStatus::gateway, kTextSummaryGateway},
    {1137, kRectSummaryDns1, &DeviceStatus::dns1, kTextSummaryDns1},
    {1138, kRectSummaryDns2, &DeviceStatus::dns2, kTextSummaryDns2},
};

}  // namespace

SummaryPage::SummaryPage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kSummary, host, parent),
      m_webPage(AddButton(kWebPageId, kTextOpenWebPage, kTextOpenWebPageHelp)),
      m_values(AddValueRows(kRows)),
      m_opener(new WebPageOpener(this)) {
    m_webPage->setShortcut(QKeySequence::Open);
    connect(m_webPage, &QPushButton::clicked, this, [this] { OpenWebPage(); });
}

void SummaryPage::OpenWebPage() {
    if (const std::optional<Ipv4> device = ParseIpv4(Host().Target().ip)) {
        m_opener->Open(*device, Host().TempHostAddress());
    }
}

void SummaryPage::LayOut() {
    PlaceControl(m_webPage, kRectSummaryWebPage);
    PlaceValueRows(kRows, m_values);
}

void SummaryPage::RefreshStatus() {
    ShowValueRows(kRows, m_values);
    // The frame is drawn again with its pages, as after any change of what the wizard
    // shows.
    if (QWidget* frame = parentWidget()) {
        frame->update();
    }
}
