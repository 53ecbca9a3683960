#pragma once

#include <vector>

#include "wizard/page_choices.h"
#include "wizard/ui/wizard_page.h"

class SkinRadioButton;
class Ipv4Field;
class MarkupLabel;
class QPushButton;

// The IP address page (menu entry "IPAddress"): the device's LAN address, subnet mask and
// DHCP server. It shows the current settings from the status record and takes new ones:
// an address and a mask, each in an IPv4 address field, and the DHCP server as a pair of
// radio buttons, Auto IP (on) and Static IP (off), whose captions are part of the page
// picture and select their choice when pressed. At every show the fields start again
// from "0.0.0.0" and "255.255.255.0"; the DHCP choice stays as it was (Static IP at the
// first show).
//
// Apply checks the address and the mask (web/input_rules.h; a refusal names the octet to
// correct), runs the LAN address change and stays disabled until the device has
// answered. The page then runs the restart wait of a LAN address change, whatever the
// device answered (it may move to its new address before answering): REBOOT and eleven
// ticks of 4 s under "Rebooting....", then the search page, where the device is found
// again at its new address.
class IpAddressPage : public WizardPage {
    Q_OBJECT

public:
    // What the address fields show at every show.
    static constexpr wchar_t kBlankAddress[] = L"0.0.0.0";
    static constexpr wchar_t kDefaultMask[] = L"255.255.255.0";

    IpAddressPage(IWizardHost& host, QWidget* parent);

    SkinRadioButton* AutoIpChoice() const { return m_dhcp.First(); }
    SkinRadioButton* StaticIpChoice() const { return m_dhcp.Second(); }
    Ipv4Field* AddressField() const { return m_address; }
    Ipv4Field* MaskField() const { return m_mask; }
    QPushButton* ApplyButton() const { return m_apply; }
    // The current settings: LAN address, subnet mask, DHCP server.
    MarkupLabel* CurrentAddressLabel() const { return m_current[0]; }
    MarkupLabel* CurrentMaskLabel() const { return m_current[1]; }
    MarkupLabel* CurrentDhcpLabel() const { return m_current[2]; }

protected:
    // Places the controls, resets the address fields, empties the current settings and
    // reads the choices' caption areas.
    void LayOut() override;
    // Shows the current settings; Static IP at the first show.
    void OnShown() override;

private:
    void OnApply();
    // The device has the change: Apply again, and the wait while it restarts.
    void OnChangeAnswered();

    ChoicePair m_dhcp;  // Auto IP, Static IP
    Ipv4Field* m_address;
    Ipv4Field* m_mask;
    QPushButton* m_apply;
    std::vector<MarkupLabel*> m_current;
    OperationCallbacks m_change;
};
