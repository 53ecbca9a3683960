#pragma once

#include "wizard/ui/wizard_page.h"

// The password page (menu entry "Password"): the device's administrator password.
// So far it shows the common skin only.
class CQ3150Tx_PasswordDlg : public CWizardPage {
    Q_OBJECT

public:
    CQ3150Tx_PasswordDlg(IWizardHost& host, QWidget* parent);
};
