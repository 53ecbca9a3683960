#include "wizard/ui/summary_page.h"

#include <QPushButton>

#include "controls/markup_static.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"
#include "window/web_page_opener.h"

namespace {

constexpr int kFirstValueId = 1126;
constexpr int kWebPageId = 1204;

struct ValueRow {
    int rectId;
    std::wstring DeviceStatus::*field;
    int nameId;
};
// The SSID's rectangle is wider than the others: SSIDs run long.
constexpr ValueRow kRows[CQ3150Tx_SummaryDlg::kValueCount] = {
    {kRectSummaryMac, &DeviceStatus::strMACAddress, kTextSummaryMac},
    {kRectSummaryFirmware, &DeviceStatus::strFirmwareVersion, kTextSummaryFirmware},
    {kRectSummaryLanIp, &DeviceStatus::strLanIP, kTextSummaryLanIp},
    {kRectSummaryLanMask, &DeviceStatus::strLanMask, kTextSummaryLanMask},
    {kRectSummaryDhcp, &DeviceStatus::strDhcpServer, kTextSummaryDhcp},
    {kRectSummaryMode, &DeviceStatus::strMode, kTextSummaryMode},
    {kRectSummarySecurity, &DeviceStatus::strSecurity, kTextSummarySecurity},
    {kRectSummaryWanIp, &DeviceStatus::strWanIP, kTextSummaryWanIp},
    {kRectSummarySsid, &DeviceStatus::strSSID, kTextSummarySsid},
    {kRectSummaryWanMask, &DeviceStatus::strWanMask, kTextSummaryWanMask},
    {kRectSummaryGateway, &DeviceStatus::strGateway, kTextSummaryGateway},
    {kRectSummaryDns1, &DeviceStatus::strDNS1, kTextSummaryDns1},
    {kRectSummaryDns2, &DeviceStatus::strDNS2, kTextSummaryDns2},
};

}  // namespace

CQ3150Tx_SummaryDlg::CQ3150Tx_SummaryDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kSummary, host, parent),
      m_webPage(new QPushButton(Text(kTextOpenWebPage), this)),
      m_opener(new WebPageOpener(this)) {
    for (int i = 0; i < kValueCount; ++i) {
        m_values[static_cast<size_t>(i)] = AddValueLabel(kFirstValueId + i, kRows[i].nameId);
    }
    NameControl(m_webPage, kWebPageId, kTextOpenWebPage, kTextOpenWebPageHelp);
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
    for (int i = 0; i < kValueCount; ++i) {
        CMarkupStatic* label = m_values[static_cast<size_t>(i)];
        PlaceControl(label, kRows[i].rectId);
        ShowDeviceValue(*label, std::wstring());
    }
}

void CQ3150Tx_SummaryDlg::RefreshStatus() {
    const DeviceStatus& status = Host().Status();
    for (int i = 0; i < kValueCount; ++i) {
        ShowDeviceValue(*m_values[static_cast<size_t>(i)], status.*kRows[i].field);
    }
    // The frame is drawn again with its pages, as after any change of what the wizard
    // shows.
    if (QWidget* frame = parentWidget()) {
        frame->update();
    }
}
