#include "wizard/ui/summary_page.h"

#include <QPushButton>

#include "controls/markup_label.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"
#include "window/web_page_opener.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

namespace {

// The SSID's rectangle is wider than the others: SSIDs run long.
constexpr DeviceValueRow kRows[SummaryPage::kValueCount] = {
    {kSummaryMac, kSummaryMacRect, &DeviceStatus::macAddress, kTextSummaryMac},
    {kSummaryFirmware, kSummaryFirmwareRect, &DeviceStatus::firmwareVersion, kTextSummaryFirmware},
    {kSummaryLanIp, kSummaryLanIpRect, &DeviceStatus::lanIp, kTextSummaryLanIp},
    {kSummaryLanMask, kSummaryLanMaskRect, &DeviceStatus::lanMask, kTextSummaryLanMask},
    {kSummaryDhcp, kSummaryDhcpRect, &DeviceStatus::dhcpServer, kTextSummaryDhcp},
    {kSummaryMode, kSummaryModeRect, &DeviceStatus::mode, kTextSummaryMode},
    {kSummarySecurity, kSummarySecurityRect, &DeviceStatus::security, kTextSummarySecurity},
    {kSummaryWanIp, kSummaryWanIpRect, &DeviceStatus::wanIp, kTextSummaryWanIp},
    {kSummarySsid, kSummarySsidRect, &DeviceStatus::ssid, kTextSummarySsid},
    {kSummaryWanMask, kSummaryWanMaskRect, &DeviceStatus::wanMask, kTextSummaryWanMask},
    {kSummaryGateway, kSummaryGatewayRect, &DeviceStatus::gateway, kTextSummaryGateway},
    {kSummaryDns1, kSummaryDns1Rect, &DeviceStatus::dns1, kTextSummaryDns1},
    {kSummaryDns2, kSummaryDns2Rect, &DeviceStatus::dns2, kTextSummaryDns2},
};

}  // namespace

SummaryPage::SummaryPage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kSummary, host, parent),
      m_webPage(AddButton(kSummaryWebPage, kTextOpenWebPage, kTextOpenWebPageHelp)),
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
    PlaceControl(m_webPage, kSummaryWebPageRect);
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
