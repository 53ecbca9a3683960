#include "wizard/ui/ip_address_page.h"

#include <QPushButton>

#include "controls/ctl_button.h"
#include "controls/ipv4_field.h"
#include "controls/markup_static.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "web/input_rules.h"
#include "window/control_layout.h"

CQ3150Tx_IPAddrDlg::CQ3150Tx_IPAddrDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kIpAddress, host, parent),
      m_autoIp(new CCTLButton(this)),
      m_staticIp(new CCTLButton(this)),
      m_address(new CIPv4Field(this)),
      m_mask(new CIPv4Field(this)),
      m_apply(new QPushButton(Text(kTextApply), this)),
      m_currentAddress(AddValueLabel(1169, kTextCurrentIpAddress)),
      m_currentMask(AddValueLabel(1170, kTextCurrentSubnetMask)),
      m_currentDhcp(AddValueLabel(1171, kTextCurrentDhcpServer)) {
    // The names stand in for the captions drawn on the page picture.
    NameControl(m_autoIp, 1002, kTextAutoIp);
    NameControl(m_staticIp, 1066, kTextStaticIp);
    NameControl(m_address, 1068, kTextNewIpAddress);
    NameControl(m_mask, 1070, kTextNewSubnetMask);
    NameControl(m_apply, 1168, kTextApply);
    BindControl(WizardControl::kIpApply, m_apply);
    BindWait(WizardWait::kIpAddressReboot, {kWaitTimerId, kWaitPeriodMs, kRebootingText});
    // Both choices take a new address: the fields stay usable whichever is selected.
    connect(m_autoIp, &CCTLButton::clicked, this, [this] { Select(DhcpChoice::kAutoIp); });
    connect(m_staticIp, &CCTLButton::clicked, this, [this] { Select(DhcpChoice::kStaticIp); });
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
}

void CQ3150Tx_IPAddrDlg::LayOut() {
    for (CCTLButton* choice : {m_autoIp, m_staticIp}) {
        choice->SetBkColor(Qt::white);
    }
    PlaceControl(m_autoIp, kRectIpAutoRadio);
    PlaceControl(m_staticIp, kRectIpStaticRadio);
    PlaceControl(m_address, kRectIpAddressField);
    m_address->SetAddress(kBlankAddress);
    PlaceControl(m_mask, kRectIpMaskField);
    m_mask->SetAddress(kDefaultMask);
    PlaceControl(m_apply, kRectIpApply);
    PlaceControl(m_currentAddress, kRectIpCurrentAddress);
    PlaceControl(m_currentMask, kRectIpCurrentMask);
    PlaceControl(m_currentDhcp, kRectIpCurrentDhcp);
    for (CMarkupStatic* label : {m_currentAddress, m_currentMask, m_currentDhcp}) {
        ShowDeviceValue(*label, std::wstring());
    }
    const DhcpChoiceAreas areas = LoadDhcpChoiceAreas();
    SetCaptionAreas({{areas.autoIp, [this] { Select(DhcpChoice::kAutoIp); }},
                     {areas.staticIp, [this] { Select(DhcpChoice::kStaticIp); }}});
}

void CQ3150Tx_IPAddrDlg::OnShown() {
    const DeviceStatus& status = Host().Status();
    ShowDeviceValue(*m_currentAddress, status.strLanIP);
    ShowDeviceValue(*m_currentMask, status.strLanMask);
    ShowDeviceValue(*m_currentDhcp, status.strDhcpServer);
    if (!m_autoIp->GetCheck() && !m_staticIp->GetCheck()) {
        Select(DhcpChoice::kStaticIp);
    }
}

void CQ3150Tx_IPAddrDlg::Select(DhcpChoice choice) {
    m_autoIp->SetCheck(choice == DhcpChoice::kAutoIp);
    m_staticIp->SetCheck(choice == DhcpChoice::kStaticIp);
    m_address->setEnabled(true);
    m_mask->setEnabled(true);
}

void CQ3150Tx_IPAddrDlg::OnApply() {
    const Ipv4Octets ip = m_address->Octets();
    const Ipv4Octets mask = m_mask->Octets();
    const InputVerdict verdict = CheckLanAddress(ip, mask);
    if (!verdict.Accepted()) {
        if (ShowMessage(verdict.messageId)) {
            CIPv4Field* field = verdict.focus == InputFocus::SubnetMask ? m_mask : m_address;
            field->SetFocusOnOctet(verdict.octet);
        }
        return;
    }
    const DhcpChoice choice = m_autoIp->GetCheck() ? DhcpChoice::kAutoIp : DhcpChoice::kStaticIp;
    // The values that were checked, so a blank octet goes out as the 0 it was read as.
    QueueSetupIpAddress(Host().Commands(), Host().Target(), FormatDottedOctets(ip),
                        FormatDottedOctets(mask), DhcpModeFor(choice));
    m_apply->setEnabled(false);
}
