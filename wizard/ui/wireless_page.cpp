#include "wizard/ui/wireless_page.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "controls/markup_label.h"
#include "device/device_operations.h"
#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "web/input_rules.h"
#include "window/control_layout.h"
#include "wizard/ui/survey_list.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

namespace {

constexpr const wchar_t* kDefaultKeyEntries[] = {L"Key 1", L"Key 2", L"Key 3", L"Key 4"};

// In the order of StatusValue.
constexpr DeviceValueRow kStatusRows[WirelessPage::kStatusCount] = {
    {kWirelessCurrentSsid, kSurveySsidRect, &DeviceStatus::ssid, kTextSurveyCurrentSsid},
    {kWirelessCurrentSecurity, kSurveySecurityRect, &DeviceStatus::security,
     kTextSurveyCurrentSecurity},
    {kWirelessCurrentIp, kSurveyIpRect, &DeviceStatus::wanIp, kTextSurveyCurrentIp},
    {kWirelessCurrentMask, kSurveyMaskRect, &DeviceStatus::wanMask, kTextSurveyCurrentMask},
    {kWirelessCurrentGateway, kSurveyGatewayRect, &DeviceStatus::gateway,
     kTextSurveyCurrentGateway},
    {kWirelessCurrentDns, kSurveyDnsRect, &DeviceStatus::dns1, kTextSurveyCurrentDns},
};

}  // namespace

WirelessPage::WirelessPage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kWireless, host, parent),
      m_scan(AddButton(kWirelessScan, kTextScan, kTextSurveyScanHelp)),
      m_connect(AddButton(kWirelessConnect, kTextConnect, kTextSurveyConnectHelp)),
      m_list(new SurveyList(this)),
      m_key(new QLineEdit(this)),
      m_defaultKey(new QComboBox(this)) {
    NameControl(m_list, kWirelessList, kTextSurveyListName, kTextSurveyListHelp);
    // The key shows as typed: long keys are easier to get right when they can be read.
    NameControl(m_key, kWirelessKey, kTextSurveyKeyName);
    NameControl(m_defaultKey, kWirelessDefaultKey, kTextSurveyDefaultKeyName,
                kTextSurveyDefaultKeyHelp);
    m_status = AddValueRows(kStatusRows);
    m_defaultKey->hide();
    m_survey.onOutcome = [this](OperationOutcome) { ShowSurvey(m_networks); };
    m_survey.onFailed = [this](const OperationFailure&) { OnSurveyFailed(); };
    m_bridge.onOutcome = [this](OperationOutcome) { OnBridgingAccepted(); };
    // The device is not bridged: said, and back to the search page. Connect stays as it
    // is until the next survey.
    m_bridge.onFailed = [this](const OperationFailure& failure) {
        ShowMessage(failure.verdict.messageId);
        ReturnToSearchPage(this);
    };

    connect(m_scan, &QPushButton::clicked, this, [this] { OnScan(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { OnConnect(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
}

void WirelessPage::LayOut() {
    PlaceControl(m_scan, kSurveyScanRect);
    PlaceControl(m_connect, kSurveyConnectRect);
    PlaceControl(m_list, kSurveyListRect);
    m_list->SizeColumns();
    PlaceControl(m_key, kSurveyKeyRect);
    PlaceValueRows(kStatusRows, m_status);
    // The rectangle's height is that of the open drop-down; closed, the list is as high
    // as the key field beside it.
    m_defaultKey->setGeometry(kSurveyDefaultKeyRect.x, kSurveyDefaultKeyRect.y,
                              kSurveyDefaultKeyRect.cx, m_key->height());
    m_defaultKey->clear();
    for (const wchar_t* entry : kDefaultKeyEntries) {
        m_defaultKey->addItem(QString::fromWCharArray(entry));
    }
    m_defaultKey->setCurrentIndex(0);
    m_defaultKey->hide();
}

void WirelessPage::OnShown() {
    ShowValueRows(kStatusRows, m_status);
    // The layout hid the default-key list; a selected WEP network still needs it, or
    // Connect would send key 1 without the user seeing the choice.
    if (m_key->isEnabled() && EqualsIgnoreCase(SelectedKeyword(), L"WEP")) {
        m_defaultKey->show();
    }
    if (m_list->rowCount() == 0) {
        OnScan();
    }
}

void WirelessPage::OnScan() {
    if (!m_scan->isEnabled()) {
        return;
    }
    m_scan->setEnabled(false);
    m_connect->setEnabled(false);
    m_key->setEnabled(false);
    m_list->setRowCount(0);
    RunOperation(SurveyOperation(m_networks), m_survey);
}

void WirelessPage::OnSurveyFailed() {
    m_scan->setEnabled(true);
    m_connect->setEnabled(false);
}

void WirelessPage::OnBridgingAccepted() {
    m_bridging = false;
    m_connect->setEnabled(true);
    m_key->setEnabled(true);
    m_key->clear();
    RunRestartWait(RestartCause::kBridging);
}

void WirelessPage::ShowSurvey(const std::vector<SurveyNetwork>& networks) {
    m_list->setRowCount(0);
    for (const SurveyNetwork& network : networks) {
        m_list->AddNetwork(network);
    }
    m_scan->setEnabled(true);
    const bool any = !networks.empty();
    if (any) {
        m_list->SelectRow(0);
    }
    m_connect->setEnabled(any && !m_bridging);
    m_key->setEnabled(any && !m_bridging);
    UpdateSecurityControls();
}

void WirelessPage::OnSelectionChanged() {
    m_key->clear();
    UpdateSecurityControls();
}

std::wstring WirelessPage::SelectedKeyword() const {
    const int row = m_list->SelectedRow();
    return row < 0 ? std::wstring() : m_list->Text(row, SurveyList::kValue);
}

void WirelessPage::UpdateSecurityControls() {
    if (m_list->SelectedRow() < 0) {
        return;
    }
    const std::wstring keyword = SelectedKeyword();
    bool takesKey = true;
    m_defaultKey->hide();
    // The key field's description tells what key the network takes.
    int rule = kMsgUnsupportedSecurity;
    if (EqualsIgnoreCase(keyword, L"NONE")) {
        takesKey = false;
        rule = kTextSurveyNoKeyHelp;
    } else if (EqualsIgnoreCase(keyword, L"WEP")) {
        m_key->setMaxLength(kWepKeyLimit);
        m_defaultKey->show();
        rule = kMsgWepKey;
    } else if (EqualsIgnoreCase(keyword, L"TKIP") || EqualsIgnoreCase(keyword, L"AES")) {
        m_key->setMaxLength(kPreSharedKeyLimit);
        rule = kMsgPreSharedKey;
    } else {
        takesKey = false;
    }
    m_key->setEnabled(takesKey && !m_bridging);
    m_key->setAccessibleDescription(Text(rule));
    m_connect->setEnabled(!m_bridging);
}

void WirelessPage::OnConnect() {
    const int row = m_list->SelectedRow();
    if (row < 0) {
        return;
    }
    m_ssid = m_list->Text(row, SurveyList::kSsid);
    m_channel = m_list->Text(row, SurveyList::kChannel);
    const std::wstring keyword = m_list->Text(row, SurveyList::kValue);
    const std::wstring key = m_key->text().toStdWString();
    const BridgeSecurity security = CheckBridgeKey(keyword, key);
    if (!security.Accepted()) {
        ShowMessage(security.messageId);
        UpdateSecurityControls();
        return;
    }
    // Until the device has answered, whatever the list does meanwhile: a second Connect
    // would bridge twice and restart the device twice.
    m_bridging = true;
    RunOperation(BridgeOperation(RepeaterSettingsFor(m_ssid, m_channel, keyword, key,
                                                     m_defaultKey->currentIndex()),
                                 RestartHandling::kByRestartWait),
                 m_bridge);
    UpdateSecurityControls();
}
