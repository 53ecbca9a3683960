#include "wizard/ui/wizard_page.h"

#include <QPointer>

#include "controls/markup_label.h"
#include "controls/skin_images.h"
#include "controls/skin_radio_button.h"
#include "device/operation_runner.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "window/control_layout.h"
#include "window/page_navigation.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/wizard_control_ids.h"

namespace {

// The window timers of a page's waits; the pages' own timers stay below.
constexpr int kFirstWaitTimerId = 0x7000;

// In WizardPageId order: picture, control ids of "Locate" (the other entries follow),
// Close, Minimize, the page's own menu entry, its title, the MAC and the IP address label.
constexpr PageSkin kSkins[kWizardPageIdCount] = {
    {kIpAddressPagePicture, kIpMenuLocate, kIpClose, kIpMinimize, MenuEntry::kIpAddress,
     kTextPageIpAddress, kIpDeviceMac, kIpDeviceIp},
    {kFirmwarePagePicture, kFirmwareMenuLocate, kFirmwareClose, kFirmwareMinimize,
     MenuEntry::kFirmware, kTextPageFirmware, kFirmwareDeviceMac, kFirmwareDeviceIp},
    {kSummaryPagePicture, kSummaryMenuLocate, kSummaryClose, kSummaryMinimize, MenuEntry::kRepeater,
     kTextPageSummary, kSummaryDeviceMac, kSummaryDeviceIp},
    {kWirelessPagePicture, kWirelessMenuLocate, kWirelessClose, kWirelessMinimize,
     MenuEntry::kWireless, kTextPageWireless, kWirelessDeviceMac, kWirelessDeviceIp},
    {kPasswordPagePicture, kPasswordMenuLocate, kPasswordClose, kPasswordMinimize,
     MenuEntry::kPassword, kTextPagePassword, kPasswordDeviceMac, kPasswordDeviceIp},
    {kResetPagePicture, kResetMenuLocate, kResetClose, kResetMinimize, MenuEntry::kReset,
     kTextPageReset, kResetDeviceMac, kResetDeviceIp},
};

}  // namespace

WizardPage::WizardPage(WizardPageId page, IWizardHost& host, QWidget* parent)
    : SkinnedPage(kSkins[static_cast<size_t>(page)], parent),
      m_host(host),
      m_timerLoop(*this, kFirstWaitTimerId),
      m_restartWait(m_timerLoop) {}

WizardPage::~WizardPage() = default;

std::optional<RestartCause> WizardPage::RunningRestartWait() const {
    if (!IsRestartWaitRunning()) {
        return std::nullopt;
    }
    return m_restartWait.Cause();
}

void WizardPage::RunOperation(DeviceOperation operation, IOperationObserver& observer) {
    m_host.Operations().Start(std::move(operation), m_host.Target(), observer);
}

std::wstring WizardPage::AsMarkupText(const std::wstring& value) {
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

void WizardPage::RunRestartWait(RestartCause cause) {
    // A wait that comes while another dialog is up starts when that one has closed: its
    // ticks would drive the other one's progress otherwise.
    QPointer<WizardPage> self(this);
    if (!m_host.Progress().AwaitModalTurn() || self == nullptr) {
        return;
    }
    m_restartWait.Start(cause, m_host.Commands(), m_host.Target(), *this);
    m_host.Progress().Run(PlanRestartWait(cause).progressText);
}

void WizardPage::OnRestartStep(int /*tick*/, int step) {
    m_host.Progress().ShowProgressStep(step);
}

void WizardPage::OnRestartOver() {
    m_host.Progress().EndDialog(0);
    ReturnToSearchPage(this);
}

bool WizardPage::ShowMessage(int stringId) {
    QPointer<WizardPage> self(this);
    m_host.Messages().ShowMessage(stringId);
    return self != nullptr;
}

std::vector<MarkupLabel*> WizardPage::AddValueRows(std::span<const DeviceValueRow> rows) {
    std::vector<MarkupLabel*> labels;
    for (const DeviceValueRow& row : rows) {
        labels.push_back(AddValueLabel(row.controlId, row.nameId));
    }
    return labels;
}

void WizardPage::PlaceValueRows(std::span<const DeviceValueRow> rows,
                                const std::vector<MarkupLabel*>& labels) {
    for (size_t i = 0; i < rows.size(); ++i) {
        PlaceControl(labels[i], rows[i].rect);
        ShowDeviceValue(*labels[i], std::wstring());
    }
}

void WizardPage::ShowValueRows(std::span<const DeviceValueRow> rows,
                               const std::vector<MarkupLabel*>& labels) const {
    const DeviceStatus& status = m_host.Status();
    for (size_t i = 0; i < rows.size(); ++i) {
        ShowDeviceValue(*labels[i], status.*rows[i].field);
    }
}

MarkupLabel* WizardPage::AddValueLabel(int controlId, int nameId) {
    auto* label = new MarkupLabel(this);
    NameControl(label, controlId, nameId);
    label->SetTransparent(true);
    // A value, but the keyboard reaches it, so a screen reader reads it in turn.
    label->setFocusPolicy(Qt::TabFocus);
    return label;
}

void WizardPage::ShowDeviceValue(MarkupLabel& label, const std::wstring& value) {
    label.ResetLook();
    label.SetWindowText(AsMarkupText(value));
    // Drawn with the next frame: a synchronous repaint of every value costs a frame each
    // on Wayland, where the compositor hands buffers back only once per frame.
    label.update();
}

void ChoicePair::Select(bool second) const {
    m_first->SetCheck(!second);
    m_second->SetCheck(second);
    if (m_onSelect) {
        m_onSelect(second);
    }
}

bool ChoicePair::SecondSelected() const {
    return m_second->GetCheck();
}

bool ChoicePair::AnySelected() const {
    return m_first->GetCheck() || m_second->GetCheck();
}

ChoicePair WizardPage::AddChoicePair(const ChoiceSpec& first, const ChoiceSpec& second,
                                     std::function<void(bool second)> onSelect) {
    ChoicePair pair;
    pair.m_first = new SkinRadioButton(this);
    pair.m_second = new SkinRadioButton(this);
    pair.m_onSelect = std::move(onSelect);
    // The names and hints stand in for the captions drawn on the page picture.
    NameControl(pair.m_first, first.controlId, first.nameId, first.descriptionId);
    NameControl(pair.m_second, second.controlId, second.nameId, second.descriptionId);
    connect(pair.m_first, &SkinRadioButton::clicked, this, [pair] { pair.Select(false); });
    connect(pair.m_second, &SkinRadioButton::clicked, this, [pair] { pair.Select(true); });
    return pair;
}

void WizardPage::PlaceChoicePair(const ChoicePair& pair, const LayoutRect& firstRect,
                                 const LayoutRect& secondRect, const PageArea& firstArea,
                                 const PageArea& secondArea) {
    PlaceControl(pair.m_first, firstRect);
    PlaceControl(pair.m_second, secondRect);
    SetCaptionAreas(
        {{firstArea, [pair] { pair.Select(false); }}, {secondArea, [pair] { pair.Select(true); }}});
}

SkinnedPage::DeviceCaptions WizardPage::SelectedDeviceCaptions() const {
    const DeviceLogin device = m_host.Login();
    return {device.macAddress, device.ipAddress};
}

void WizardPage::OnTimer(int id) {
    m_timerLoop.Dispatch(id);
}
