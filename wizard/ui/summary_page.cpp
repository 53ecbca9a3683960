#include "wizard/ui/summary_page.h"

#include <QPushButton>

#include "controls/markup_static.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"
#include "window/web_page_opener.h"

namespace {

constexpr int kWebPageId = 1204;

// The SSID's rectangle is wider than the others: SSIDs run long.
constexpr DeviceValueRow kRows[CQ3150Tx_SummaryDlg::kValueCount] = {
    {1126, kRectSummaryMac, &DeviceStatus::strMACAddress, kTextSummaryMac},
    {1127, kRectSummaryFirmware, &DeviceStatus::strFirmwareVersion, kTextSummaryFirmware},
    {1128, kRectSummaryLanIp, &DeviceStatus::strLanIP, kTextSummaryLanIp},
    {1129, kRectSummaryLanMask, &DeviceStatus::strLanMask, kTextSummaryLanMask},
    {1130, kRectSummaryDhcp, &DeviceStatus::strDhcpServer, kTextSummaryDhcp},
    {1131, kRectSummaryMode, &DeviceStatus::strMode, kTextSummaryMode},
    {1132, kRectSummarySecurity, &DeviceStatus::strSecurity, kTextSummarySecurity},
    {1133, kRectSummaryWanIp, &DeviceStatus::strWanIP, kTextSummaryWanIp},
    {1134, kRectSummarySsid, &DeviceStatus::strSSID, kTextSummarySsid},
    {1135, kRectSummaryWanMask, &DeviceStatus::strWanMask, kTextSummaryWanMask},
    {1136, kRectSummaryGateway, &DeviceStatus::strGateway, kTextSummaryGateway},
    {1137, kRectSummaryDns1, &DeviceStatus::strDNS1, kTextSummaryDns1},
    {1138, kRectSummaryDns2, &DeviceStatus::strDNS2, kTextSummaryDns2},
};

}  // namespace

CQ3150Tx_SummaryDlg::CQ3150Tx_SummaryDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kSummary, host, parent),
      m_webPage(AddButton(kWebPageId, kTextOpenWebPage, kTextOpenWebPageHelp)),
      m_values(AddValueRows(kRows)),
      m_opener(new WebPageOpener(this)) {
    m_webPage->setShortcut(QKeySequence::Open);
    connect(m_webPage, &QPushButton::clicked, this, [this] { OpenWebPage(); });
}

void CQ3150Tx_SummaryDlg::OpenWebPage() {
    if (const std::optional<Ipv4> device = ParseIpv4(Host().Target().ip)) {
        m_opener->Open(*device, Host().TempHostAddress());
    }
}

void CQ3150Tx_SummaryDlg::LayOut() {
    PlaceControl(m_webPage, kRectSummaryWebPage);
    PlaceValueRows(kRows, m_values);
}

void CQ3150Tx_SummaryDlg::RefreshStatus() {
    ShowValueRows(kRows, m_values);
    // The frame is drawn again with its pages, as after any change of what the wizard
    // shows.
    if (QWidget* frame = parentWidget()) {
        frame->update();
    }
}
