#pragma once

#include "wizard/ui/wizard_page.h"

// The IP address page (menu entry "IPAddress"): the device's LAN address, subnet mask
// and DHCP server.
// So far it shows the common skin only.
class CQ3150Tx_IPAddrDlg : public CWizardPage {
    Q_OBJECT

public:
    CQ3150Tx_IPAddrDlg(IWizardHost& host, QWidget* parent);
};
