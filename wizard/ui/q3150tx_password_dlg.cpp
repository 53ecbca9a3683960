#include "wizard/ui/q3150tx_password_dlg.h"

CQ3150Tx_PasswordDlg::CQ3150Tx_PasswordDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kPassword, host, parent) {}
