#include "wizard/ui/q3150tx_mode_dlg.h"

CQ3150Tx_ModeDlg::CQ3150Tx_ModeDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kFirmware, host, parent) {}
