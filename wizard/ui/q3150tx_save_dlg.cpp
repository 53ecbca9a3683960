#include "wizard/ui/q3150tx_save_dlg.h"

CQ3150Tx_SaveDlg::CQ3150Tx_SaveDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kReset, host, parent) {}
