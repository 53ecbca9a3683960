#include "wizard/ui/ip_address_page.h"

#include <QPushButton>

#include "controls/ipv4_field.h"
#include "controls/markup_label.h"
#include "controls/skin_radio_button.h"
#include "device/device_operations.h"
#include "resources/string_ids.h"
#include "web/input_rules.h"
#include "window/control_layout.h"
#include "wizard/page_choices.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

namespace {

constexpr DeviceValueRow kCurrentRows[] = {
    {kIpCurrentAddress, kIpCurrentAddressRect, &DeviceStatus::lanIp, kTextCurrentIpAddress},
    {kIpCurrentMask, kIpCurrentMaskRect, &DeviceStatus::lanMask, kTextCurrentSubnetMask},
    {kIpCurrentDhcp, kIpCurrentDhcpRect, &DeviceStatus::dhcpServer, kTextCurrentDhcpServer},
};

}  // namespace

IpAddressPage::IpAddressPage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kIpAddress, host, parent),
      // Both choices take a new address: the fields stay usable whichever is selected.
      m_dhcp(AddChoicePair({kIpAutoChoice, kTextAutoIp}, {kIpStaticChoice, kTextStaticIp},
                           [this](bool) {
                               m_address->setEnabled(true);
                               m_mask->setEnabled(true);
                           })),
      m_address(new Ipv4Field(this)),
      m_mask(new Ipv4Field(this)),
      m_apply(AddButton(kIpApply, kTextApply)),
      m_current(AddValueRows(kCurrentRows)) {
    // The names stand in for the captions drawn on the page picture.
    NameControl(m_address, kIpAddressField, kTextNewIpAddress);
    NameControl(m_mask, kIpMaskField, kTextNewSubnetMask);
    m_change.onOutcome = [this](OperationOutcome) { OnChangeAnswered(); };
    m_change.onFailed = [this](const OperationFailure&) { OnChangeAnswered(); };
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
}

void IpAddressPage::LayOut() {
    for (SkinRadioButton* choice : {m_dhcp.First(), m_dhcp.Second()}) {
        choice->SetBkColor(Qt::white);
    }
    const DhcpChoiceAreas areas = IpPageDhcpChoiceAreas();
    PlaceChoicePair(m_dhcp, kIpAutoRadioRect, kIpStaticRadioRect, areas.autoIp, areas.staticIp);
    PlaceControl(m_address, kIpAddressFieldRect);
    m_address->SetAddress(kBlankAddress);
    PlaceControl(m_mask, kIpMaskFieldRect);
    m_mask->SetAddress(kDefaultMask);
    PlaceControl(m_apply, kIpApplyRect);
    PlaceValueRows(kCurrentRows, m_current);
}

void IpAddressPage::OnShown() {
    ShowValueRows(kCurrentRows, m_current);
    if (!m_dhcp.AnySelected()) {
        m_dhcp.Select(true);  // Static IP
    }
}

void IpAddressPage::OnApply() {
    const Ipv4Octets ip = m_address->Octets();
    const Ipv4Octets mask = m_mask->Octets();
    const InputVerdict verdict = CheckLanAddress(ip, mask);
    if (!verdict.Accepted()) {
        if (ShowMessage(verdict.messageId)) {
            Ipv4Field* field = verdict.focus == InputFocus::SubnetMask ? m_mask : m_address;
            field->SetFocusOnOctet(verdict.octet);
        }
        return;
    }
    // The values that were checked, so a blank octet goes out as the 0 it was read as.
    const LanAddressChange change{FormatDottedOctets(ip), FormatDottedOctets(mask),
                                  !m_dhcp.SecondSelected()};
    m_apply->setEnabled(false);
    RunOperation(
        SetLanAddressOperation(change, Host().StatusToFill(), RestartHandling::kByRestartWait),
        m_change);
}

void IpAddressPage::OnChangeAnswered() {
    m_apply->setEnabled(true);
    RunRestartWait(RestartCause::kLanAddressChange);
}
