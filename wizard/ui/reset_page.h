#pragma once

#include "wizard/ui/wizard_page.h"

class SkinRadioButton;
class QPushButton;

// The reset page (menu entry "Reset"): restarts the device, as a plain reboot or after
// restoring its factory defaults. Two radio buttons, Reboot and Factory Reset, whose
// captions are part of the page picture; a press on a caption selects that caption's
// choice. Every show starts with Reboot selected.
//
// Apply runs the reboot or the factory reset (RESETDEFAULT), then the restart wait:
// REBOOT and eleven ticks of 4 s under "Rebooting....", then the search page. It waits
// for no answer: the device's answers are taken and change nothing.
class ResetPage : public WizardPage {
    Q_OBJECT

public:
    ResetPage(IWizardHost& host, QWidget* parent);

    SkinRadioButton* RebootChoice() const { return m_choice.First(); }
    SkinRadioButton* FactoryResetChoice() const { return m_choice.Second(); }
    QPushButton* ApplyButton() const { return m_apply; }

protected:
    // Places the choices and Apply, selects Reboot and reads the caption areas.
    void LayOut() override;

private:
    void OnApply();

    ChoicePair m_choice;  // Reboot, Factory Reset
    QPushButton* m_apply;
    OperationCallbacks m_restart;
};
