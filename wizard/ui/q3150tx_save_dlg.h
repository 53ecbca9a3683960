#pragma once

#include "wizard/ui/wizard_page.h"

// The reset page (menu entry "Reset"): reboot, or factory defaults and reboot.
// So far it shows the common skin only.
class CQ3150Tx_SaveDlg : public CWizardPage {
    Q_OBJECT

public:
    CQ3150Tx_SaveDlg(IWizardHost& host, QWidget* parent);
};
