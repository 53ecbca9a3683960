#include "wizard/ui/q3150tx_survey_dlg.h"

CQ3150Tx_SurveyDlg::CQ3150Tx_SurveyDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kWireless, host, parent) {}
