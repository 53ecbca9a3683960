#include "wizard/ui/reset_page.h"

#include <QPushButton>

#include "controls/ctl_button.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "window/control_layout.h"

CQ3150Tx_SaveDlg::CQ3150Tx_SaveDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kReset, host, parent),
      m_reboot(new CCTLButton(this)),
      m_factoryReset(new CCTLButton(this)),
      m_apply(new QPushButton(Text(kTextApply), this)) {
    // The names and hints are what a screen reader says in place of the captions drawn
    // on the page picture.
    NameControl(m_reboot, 1002, kTextReboot, kTextRebootHint);
    NameControl(m_factoryReset, 1165, kTextFactoryReset, kTextFactoryResetHint);
    NameControl(m_apply, 1166, kTextApply);
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
}

void CQ3150Tx_SaveDlg::LayOut() {
    PlaceControl(m_reboot, kRectResetReboot);
    m_reboot->SetCaption(std::wstring());
    PlaceControl(m_factoryReset, kRectResetFactory);
    m_factoryReset->SetCaption(std::wstring());
    Select(false);
    PlaceControl(m_apply, kRectResetApply);
    // A caption selects its own choice. Swapping instead would turn a second click on
    // "Reboot", meant to make sure, into a factory reset that erases the device's set-up.
    SetCaptionAreas({{LoadPageArea(kRectResetRebootArea), [this] { Select(false); }},
                     {LoadPageArea(kRectResetFactoryArea), [this] { Select(true); }}});
}

void CQ3150Tx_SaveDlg::Select(bool factoryReset) {
    m_reboot->SetCheck(!factoryReset);
    m_factoryReset->SetCheck(factoryReset);
}

void CQ3150Tx_SaveDlg::OnApply() {
    if (!m_reboot->GetCheck()) {
        QueueResetDefault(Host().Commands(), Host().Target());
    }
    // Returns once the wait has ended on the search page.
    RunRestartWait({kWaitTimerId, kWaitPeriodMs, kRebootingText});
}
