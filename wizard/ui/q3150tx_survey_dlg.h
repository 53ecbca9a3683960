#pragma once

#include "wizard/ui/wizard_page.h"

// The wireless repeater page (menu entry "Wireless"): the site survey and bridging the
// device to a network.
// So far it shows the common skin only.
class CQ3150Tx_SurveyDlg : public CWizardPage {
    Q_OBJECT

public:
    CQ3150Tx_SurveyDlg(IWizardHost& host, QWidget* parent);
};
