#include "wizard/ui/reset_page.h"

#include <QPushButton>

#include "controls/skin_radio_button.h"
#include "device/device_operations.h"
#include "resources/string_ids.h"
#include "window/control_layout.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

ResetPage::ResetPage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kReset, host, parent),
      m_choice(AddChoicePair({kResetReboot, kTextReboot, kTextRebootHint},
                             {kResetFactory, kTextFactoryReset, kTextFactoryResetHint})),
      m_apply(AddButton(kResetApply, kTextApply)) {
    // Returns once the wait has ended on the search page.
    m_restart.onFinished = [this] { RunRestartWait(RestartCause::kReboot); };
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
}

void ResetPage::LayOut() {
    PlaceChoicePair(m_choice, kResetRebootRect, kResetFactoryRect,
                    PageArea::Of(kResetRebootAreaRect), PageArea::Of(kResetFactoryAreaRect));
    m_choice.First()->SetCaption(std::wstring());
    m_choice.Second()->SetCaption(std::wstring());
    m_choice.Select(false);
    PlaceControl(m_apply, kResetApplyRect);
}

void ResetPage::OnApply() {
    constexpr RestartHandling kRestart = RestartHandling::kByRestartWait;
    RunOperation(
        m_choice.SecondSelected() ? FactoryResetOperation(kRestart) : RebootOperation(kRestart),
        m_restart);
}
