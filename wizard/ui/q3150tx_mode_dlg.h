#pragma once

#include "wizard/ui/wizard_page.h"

// The firmware page (menu entry "Firmware"): the device's firmware version and the
// upload of a new image.
// So far it shows the common skin only.
class CQ3150Tx_ModeDlg : public CWizardPage {
    Q_OBJECT

public:
    CQ3150Tx_ModeDlg(IWizardHost& host, QWidget* parent);
};
