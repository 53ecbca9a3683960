#include "wizard/ui/wizard_page.h"

#include "controls/markup_static.h"
#include "web/device_commands.h"
#include "web/selected_device.h"
#include "window/page_navigation.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"

namespace {

// The restart wait ends at this tick, after steps 1 to 10 and a last step 0.
constexpr int kRestartWaitTicks = 11;

// In WizardPage order: picture, control ids of "Locate" (the other entries follow),
// Close, Minimize, the page's own menu entry, the MAC and the IP address label.
constexpr PageSkin kSkins[kWizardPageCount] = {
    {134, 1126, 1010, 1011, MenuEntry::kIpAddress, 1188, 1189},
    {136, 1147, 1028, 1180, MenuEntry::kFirmware, 1190, 1191},
    {140, 1119, 1046, 1183, MenuEntry::kRepeater, 1187, 1186},
    {141, 1140, 1178, 1184, MenuEntry::kWireless, 1196, 1197},
    {137, 1133, 1179, 1181, MenuEntry::kPassword, 1192, 1193},
    {138, 1154, 1038, 1182, MenuEntry::kReset, 1194, 1195},
};

}  // namespace

CWizardPage::CWizardPage(WizardPage page, IWizardHost& host, QWidget* parent)
    : CSkinnedPage(kSkins[static_cast<size_t>(page)], parent), m_host(host) {}

void CWizardPage::EnableControl(WizardControl /*control*/, bool /*enable*/) {}

void CWizardPage::ClearControlText(WizardControl /*control*/) {}

void CWizardPage::StartPageWait(WizardWait /*wait*/) {}

void CWizardPage::ShowSurvey(const std::vector<SurveyNetwork>& /*networks*/) {}

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
    SetTimer(wait.timerId, wait.periodMs);
    m_waitTimerId = wait.timerId;
    m_waitTicks = 0;
    QueueReboot(m_host.Commands(), m_host.Target());
    m_host.Progress().Run(wait.text);
}

void CWizardPage::ShowMessage(int stringId) {
    m_host.Messages().ShowMessage(stringId);
}

void CWizardPage::ShowDeviceValue(CMarkupStatic& label, const std::wstring& value) {
    label.ResetLook();
    label.SetWindowText(AsMarkupText(value));
    label.repaint();
}

CSkinnedPage::DeviceCaptions CWizardPage::SelectedDeviceCaptions() const {
    return {G_mstrMACAddress, G_mstrIPAddress};
}

void CWizardPage::OnShowWindow(bool show) {
    if (show) {
        LayOutSkin();
    } else if (m_waitTimerId != 0) {
        KillTimer(m_waitTimerId);
        m_waitTimerId = 0;
    }
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
