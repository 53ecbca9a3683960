#include "wizard/ui/q3150tx_ipaddr_dlg.h"

CQ3150Tx_IPAddrDlg::CQ3150Tx_IPAddrDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kIpAddress, host, parent) {}
