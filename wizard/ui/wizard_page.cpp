#include "wizard/ui/wizard_page.h"

#include <QLineEdit>
#include <QPointer>

#include "controls/markup_static.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "window/page_navigation.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"

namespace {

// The restart wait ends at this tick, after steps 1 to 10 and a last step 0.
constexpr int kRestartWaitTicks = 11;

// In WizardPage order: picture, control ids of "Locate" (the other entries follow),
// Close, Minimize, the page's own menu entry, its title, the MAC and the IP address label.
constexpr PageSkin kSkins[kWizardPageCount] = {
    {134, 1126, 1010, 1011, MenuEntry::kIpAddress, kTextPageIpAddress, 1188, 1189},
    {136, 1147, 1028, 1180, MenuEntry::kFirmware, kTextPageFirmware, 1190, 1191},
    {140, 1119, 1046, 1183, MenuEntry::kRepeater, kTextPageSummary, 1187, 1186},
    {141, 1140, 1178, 1184, MenuEntry::kWireless, kTextPageWireless, 1196, 1197},
    {137, 1133, 1179, 1181, MenuEntry::kPassword, kTextPagePassword, 1192, 1193},
    {138, 1154, 1038, 1182, MenuEntry::kReset, kTextPageReset, 1194, 1195},
};

}  // namespace

CWizardPage::CWizardPage(WizardPage page, IWizardHost& host, QWidget* parent)
    : CSkinnedPage(kSkins[static_cast<size_t>(page)], parent), m_host(host) {}

void CWizardPage::BindControl(WizardControl control, QWidget* widget,
                              std::function<void(bool)> onDriverEnable) {
    m_controls[control] = {widget, std::move(onDriverEnable)};
}

void CWizardPage::BindWait(WizardWait wait, RestartWait restartWait) {
    m_waits[wait] = std::move(restartWait);
}

std::vector<WizardControl> CWizardPage::BoundControls() const {
    std::vector<WizardControl> controls;
    for (const auto& [control, binding] : m_controls) {
        controls.push_back(control);
    }
    return controls;
}

std::vector<WizardWait> CWizardPage::BoundWaits() const {
    std::vector<WizardWait> waits;
    for (const auto& [wait, restartWait] : m_waits) {
        waits.push_back(wait);
    }
    return waits;
}

void CWizardPage::EnableControl(WizardControl control, bool enable) {
    const auto bound = m_controls.find(control);
    if (bound == m_controls.end()) {
        return;
    }
    bound->second.widget->setEnabled(enable);
    if (bound->second.onDriverEnable) {
        bound->second.onDriverEnable(enable);
    }
}

void CWizardPage::ClearControlText(WizardControl control) {
    const auto bound = m_controls.find(control);
    if (bound == m_controls.end()) {
        return;
    }
    if (auto* field = qobject_cast<QLineEdit*>(bound->second.widget)) {
        field->clear();
    }
}

void CWizardPage::StartPageWait(WizardWait wait) {
    if (const auto bound = m_waits.find(wait); bound != m_waits.end()) {
        RunRestartWait(bound->second);
    }
}

std::wstring CWizardPage::AsMarkupText(const std::wstring& value) {
    std::wstring text;
    text.reserve(value.size());
    for (const wchar_t ch : value) {
        switch (ch) {
            case L'&':
                text += L"&amp;";
                break;
            case L'<':
                text += L"&lt;";
                break;
            case L'>':
                text += L"&gt;";
                break;
            default:
                text += ch;
        }
    }
    return text;
}

void CWizardPage::RunRestartWait(const RestartWait& wait) {
    // A wait that comes while another dialog is up starts when that one has closed: its
    // timer would drive the other one's progress otherwise.
    QPointer<CWizardPage> self(this);
    if (!m_host.Progress().AwaitModalTurn() || self == nullptr) {
        return;
    }
    SetTimer(wait.timerId, wait.periodMs);
    m_waitTimerId = wait.timerId;
    m_waitTicks = 0;
    QueueReboot(m_host.Commands(), m_host.Target());
    m_host.Progress().Run(wait.text);
}

bool CWizardPage::ShowMessage(int stringId) {
    QPointer<CWizardPage> self(this);
    m_host.Messages().ShowMessage(stringId);
    return self != nullptr;
}

CMarkupStatic* CWizardPage::AddValueLabel(int controlId, int nameId) {
    auto* label = new CMarkupStatic(this);
    NameControl(label, controlId, nameId);
    label->SetTransparent(true);
    // A value, but the keyboard reaches it, so a screen reader reads it in turn.
    label->setFocusPolicy(Qt::TabFocus);
    return label;
}

void CWizardPage::ShowDeviceValue(CMarkupStatic& label, const std::wstring& value) {
    label.ResetLook();
    label.SetWindowText(AsMarkupText(value));
    // Drawn with the next frame: a synchronous repaint of every value costs a frame each
    // on Wayland, where the compositor hands buffers back only once per frame.
    label.update();
}

CSkinnedPage::DeviceCaptions CWizardPage::SelectedDeviceCaptions() const {
    const DeviceLogin device = m_host.Login();
    return {device.macAddress, device.ipAddress};
}

void CWizardPage::OnTimer(int id) {
    if (id != m_waitTimerId || m_waitTimerId == 0) {
        return;
    }
    ++m_waitTicks;
    CQ3150Tx_Progress& progress = m_host.Progress();
    progress.ShowProgressStep(m_waitTicks % kRestartWaitTicks);
    if (m_waitTicks >= kRestartWaitTicks) {
        KillTimer(m_waitTimerId);
        m_waitTimerId = 0;
        progress.EndDialog(0);
        ReturnToSearchPage();
    }
}
