#include "wizard/ui/summary_page.h"

#include "controls/markup_static.h"
#include "resources/string_ids.h"
#include "web/response_parsers.h"
#include "window/control_layout.h"

namespace {

constexpr int kFirstValueId = 1126;

struct ValueRow {
    int rectId;
    std::wstring DeviceStatus::*field;
};
// The SSID's rectangle is wider than the others: SSIDs run long.
constexpr ValueRow kRows[CQ3150Tx_SummaryDlg::kValueCount] = {
    {kRectSummaryMac, &DeviceStatus::strMACAddress},
    {kRectSummaryFirmware, &DeviceStatus::strFirmwareVersion},
    {kRectSummaryLanIp, &DeviceStatus::strLanIP},
    {kRectSummaryLanMask, &DeviceStatus::strLanMask},
    {kRectSummaryDhcp, &DeviceStatus::strDhcpServer},
    {kRectSummaryMode, &DeviceStatus::strMode},
    {kRectSummarySecurity, &DeviceStatus::strSecurity},
    {kRectSummaryWanIp, &DeviceStatus::strWanIP},
    {kRectSummarySsid, &DeviceStatus::strSSID},
    {kRectSummaryWanMask, &DeviceStatus::strWanMask},
    {kRectSummaryGateway, &DeviceStatus::strGateway},
    {kRectSummaryDns1, &DeviceStatus::strDNS1},
    {kRectSummaryDns2, &DeviceStatus::strDNS2},
};

}  // namespace

CQ3150Tx_SummaryDlg::CQ3150Tx_SummaryDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kSummary, host, parent) {
    for (int i = 0; i < kValueCount; ++i) {
        auto* label = new CMarkupStatic(this);
        label->setObjectName(QString::number(kFirstValueId + i));
        label->SetTransparent(true);
        m_values[static_cast<size_t>(i)] = label;
    }
}

void CQ3150Tx_SummaryDlg::OnInitDialog() {
    CWizardPage::OnInitDialog();
    LayOutValues();
}

void CQ3150Tx_SummaryDlg::OnShowWindow(bool show) {
    CWizardPage::OnShowWindow(show);
    if (show) {
        LayOutValues();
        RefreshStatus();
    }
}

void CQ3150Tx_SummaryDlg::LayOutValues() {
    for (int i = 0; i < kValueCount; ++i) {
        CMarkupStatic* label = m_values[static_cast<size_t>(i)];
        PlaceControl(label, kRows[i].rectId);
        ShowDeviceValue(*label, std::wstring());
    }
}

void CQ3150Tx_SummaryDlg::RefreshStatus() {
    for (int i = 0; i < kValueCount; ++i) {
        ShowDeviceValue(*m_values[static_cast<size_t>(i)], G_DeviceStatus.*kRows[i].field);
    }
    // The frame is drawn again with its pages, as after any change of what the wizard
    // shows.
    if (QWidget* frame = parentWidget()) {
        frame->repaint();
    }
}
