#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "web/survey_parser.h"
#include "wizard/ui/wizard_page.h"

class MarkupLabel;
class SurveyList;
class QComboBox;
class QLineEdit;
class QPushButton;

// The wireless repeater page (menu entry "Wireless"): the device's current wireless
// connection, a site survey run on the device, the networks it found (SSID, security,
// signal), and bridging the device to the chosen one with its key, after which the
// device restarts and the wizard waits for it and returns to the search page.
//
// The page runs two device operations, the survey (SITESURVEY) and the bridging
// (UNCHECKREPEATER then REPEATER), and follows their outcomes: the survey's networks
// (ShowSurvey) or Scan again after a failed survey; Connect and the key field again, and
// the restart wait of a bridging, once the device took the bridging; the message box and
// the search page when it did not.
//
// The first show with an empty list surveys by itself; the list keeps its rows across
// hide and show. The key field limits and the default-key list follow the selected
// network's security (UpdateSecurityControls); every selection change empties the key.
class WirelessPage : public WizardPage {
    Q_OBJECT

public:
    // The key field's limits: the longest WEP key (26 hexadecimal digits) and the longest
    // pre-shared key (64 hexadecimal digits).
    static constexpr int kWepKeyLimit = 26;
    static constexpr int kPreSharedKeyLimit = 64;
    // The status labels, in the order of their control ids 1172-1177.
    enum StatusValue { kSsid, kSecurity, kIpAddress, kSubnetMask, kGateway, kDns, kStatusCount };

    WirelessPage(IWizardHost& host, QWidget* parent);

    // Scan: empties the list and queues SITESURVEY; Scan, Connect and the key field stay
    // disabled until the result arrives. Does nothing while Scan is disabled.
    void OnScan();
    // Connect: checks the key against the selected network's security (messages 201,
    // 202, 203 and nothing sent) or queues UNCHECKREPEATER and REPEATER; Connect and the
    // key field stay disabled until the REPEATER result arrives, whatever a selection or
    // a survey does meanwhile. Does nothing without a selected row.
    void OnConnect();
    // Sets the key field, the default-key list and Connect for the selected network's
    // security keyword; with no row selected nothing changes.
    void UpdateSecurityControls();

    // The networks of a survey the device has answered.
    void ShowSurvey(const std::vector<SurveyNetwork>& networks);

    // SSID and channel of the network chosen at the last Connect.
    const std::wstring& ChosenSsid() const { return m_ssid; }
    const std::wstring& ChosenChannel() const { return m_channel; }

    SurveyList* SurveyTable() const { return m_list; }
    QPushButton* ScanButton() const { return m_scan; }
    QPushButton* ConnectButton() const { return m_connect; }
    QLineEdit* KeyField() const { return m_key; }
    QComboBox* DefaultKeyList() const { return m_defaultKey; }
    MarkupLabel* StatusLabel(StatusValue value) const {
        return m_status.at(static_cast<size_t>(value));
    }

protected:
    // Places the page's own controls, empties the status labels and resets the
    // default-key list to "Key 1", hidden.
    void LayOut() override;
    // Shows the device's current wireless values from the status record; surveys when the
    // list is empty.
    void OnShown() override;

private:
    void OnSurveyFailed();
    void OnBridgingAccepted();
    void OnSelectionChanged();
    // The selected row's security keyword; empty with no row selected.
    std::wstring SelectedKeyword() const;

    std::wstring m_ssid;
    std::wstring m_channel = L"11";
    // From the start of a bridging until the device has answered: Connect and the key
    // field stay disabled.
    bool m_bridging = false;
    std::vector<SurveyNetwork> m_networks;
    OperationCallbacks m_survey;
    OperationCallbacks m_bridge;
    QPushButton* m_scan;
    QPushButton* m_connect;
    SurveyList* m_list;
    QLineEdit* m_key;
    std::vector<MarkupLabel*> m_status;
    QComboBox* m_defaultKey;
};
