#include "wizard/ui/ip_address_page.h"

#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#include "controls/ctl_button.h"
#include "controls/ipv4_field.h"
#include "controls/markup_static.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/device_commands.h"
#include "web/input_rules.h"
#include "web/response_parsers.h"
#include "window/control_layout.h"

namespace {

QString Text(int id) {
    return QString::fromStdWString(LoadString(id));
}

CMarkupStatic* NewValueLabel(int controlId, int nameId, QWidget* page) {
    auto* label = new CMarkupStatic(page);
    label->setObjectName(QString::number(controlId));
    label->setAccessibleName(Text(nameId));
    label->SetTransparent(true);
    return label;
}

}  // namespace

CQ3150Tx_IPAddrDlg::CQ3150Tx_IPAddrDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kIpAddress, host, parent),
      m_autoIp(new CCTLButton(this)),
      m_staticIp(new CCTLButton(this)),
      m_address(new CIPv4Field(this)),
      m_mask(new CIPv4Field(this)),
      m_apply(new QPushButton(Text(kTextApply), this)),
      m_currentAddress(NewValueLabel(1169, kTextCurrentIpAddress, this)),
      m_currentMask(NewValueLabel(1170, kTextCurrentSubnetMask, this)),
      m_currentDhcp(NewValueLabel(1171, kTextCurrentDhcpServer, this)) {
    // The ids name the controls for tests; the accessible names stand in for the captions
    // drawn on the page picture.
    m_autoIp->setObjectName(QStringLiteral("1002"));
    m_autoIp->setAccessibleName(Text(kTextAutoIp));
    m_staticIp->setObjectName(QStringLiteral("1066"));
    m_staticIp->setAccessibleName(Text(kTextStaticIp));
    m_address->setObjectName(QStringLiteral("1068"));
    m_address->SetAccessibleName(LoadString(kTextNewIpAddress));
    m_mask->setObjectName(QStringLiteral("1070"));
    m_mask->SetAccessibleName(LoadString(kTextNewSubnetMask));
    m_apply->setObjectName(QStringLiteral("1168"));
    m_apply->setAccessibleName(Text(kTextApply));
    for (CCTLButton* choice : {m_autoIp, m_staticIp}) {
        connect(choice, &CCTLButton::clicked, this, [this] { EnableAddressFields(); });
    }
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
    setMouseTracking(true);
}

void CQ3150Tx_IPAddrDlg::OnInitDialog() {
    CWizardPage::OnInitDialog();
    LayOut();
}

void CQ3150Tx_IPAddrDlg::OnShowWindow(bool show) {
    CWizardPage::OnShowWindow(show);
    if (!show) {
        return;
    }
    LayOut();
    ShowCurrentSettings();
    if (!m_autoIp->GetCheck() && !m_staticIp->GetCheck()) {
        Select(DhcpChoice::kStaticIp);
    }
}

void CQ3150Tx_IPAddrDlg::LayOut() {
    for (CCTLButton* choice : {m_autoIp, m_staticIp}) {
        choice->SetBkColor(Qt::white);
    }
    PlaceControl(m_autoIp, kRectIpAutoRadio);
    PlaceControl(m_staticIp, kRectIpStaticRadio);
    PlaceControl(m_address, kRectIpAddressField);
    m_address->SetAddress(kBlankAddress);
    PlaceControl(m_mask, kRectIpMaskField);
    m_mask->SetAddress(kDefaultMask);
    PlaceControl(m_apply, kRectIpApply);
    PlaceControl(m_currentAddress, kRectIpCurrentAddress);
    PlaceControl(m_currentMask, kRectIpCurrentMask);
    PlaceControl(m_currentDhcp, kRectIpCurrentDhcp);
    for (CMarkupStatic* label : {m_currentAddress, m_currentMask, m_currentDhcp}) {
        ShowDeviceValue(*label, std::wstring());
    }
    m_areas = LoadDhcpChoiceAreas();
}

void CQ3150Tx_IPAddrDlg::ShowCurrentSettings() {
    const std::pair<CMarkupStatic*, const std::wstring*> values[] = {
        {m_currentAddress, &G_DeviceStatus.strLanIP},
        {m_currentMask, &G_DeviceStatus.strLanMask},
        {m_currentDhcp, &G_DeviceStatus.strDhcpServer},
    };
    for (const auto& [label, value] : values) {
        ShowDeviceValue(*label, *value);
        label->setAccessibleDescription(QString::fromStdWString(*value));
    }
}

void CQ3150Tx_IPAddrDlg::Select(DhcpChoice choice) {
    m_autoIp->SetCheck(choice == DhcpChoice::kAutoIp);
    m_staticIp->SetCheck(choice == DhcpChoice::kStaticIp);
    EnableAddressFields();
}

// Both choices take a new address: the fields stay usable whichever is selected.
void CQ3150Tx_IPAddrDlg::EnableAddressFields() {
    m_address->setEnabled(true);
    m_mask->setEnabled(true);
}

void CQ3150Tx_IPAddrDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (const std::optional<DhcpChoice> choice = DhcpChoiceAt(m_areas, point.x(), point.y())) {
        Select(*choice);
    }
    CWizardPage::mousePressEvent(event);
}

void CQ3150Tx_IPAddrDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (DhcpChoiceAt(m_areas, point.x(), point.y())) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    CWizardPage::mouseMoveEvent(event);
}

void CQ3150Tx_IPAddrDlg::OnApply() {
    const Ipv4Octets ip = m_address->Octets();
    const Ipv4Octets mask = m_mask->Octets();
    const InputVerdict verdict = CheckLanAddress(ip, mask);
    if (!verdict.Accepted()) {
        QPointer<CQ3150Tx_IPAddrDlg> self(this);
        ShowMessage(verdict.messageId);
        if (self == nullptr) {
            return;  // the wizard went while the message was up
        }
        CIPv4Field* field = verdict.focus == InputFocus::SubnetMask ? m_mask : m_address;
        field->SetFocusOnOctet(verdict.octet);
        return;
    }
    const DhcpChoice choice = m_autoIp->GetCheck() ? DhcpChoice::kAutoIp : DhcpChoice::kStaticIp;
    // The values that were checked, so a blank octet goes out as the 0 it was read as.
    QueueSetupIpAddress(Host().Commands(), Host().Target(), FormatDottedOctets(ip),
                        FormatDottedOctets(mask), DhcpModeFor(choice));
    m_apply->setEnabled(false);
}

void CQ3150Tx_IPAddrDlg::EnableControl(WizardControl control, bool enable) {
    if (control == WizardControl::kIpApply) {
        m_apply->setEnabled(enable);
    }
}

void CQ3150Tx_IPAddrDlg::StartPageWait(WizardWait wait) {
    if (wait == WizardWait::kIpAddressReboot) {
        RunRestartWait({kWaitTimerId, kWaitPeriodMs, kRebootingText});
    }
}
