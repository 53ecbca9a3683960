#include "wizard/ui/reset_page.h"

#include <QMouseEvent>
#include <QPushButton>

#include "controls/ctl_button.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/device_commands.h"
#include "window/control_layout.h"

namespace {

QString Text(int id) {
    return QString::fromStdWString(LoadString(id));
}

}  // namespace

CQ3150Tx_SaveDlg::CQ3150Tx_SaveDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kReset, host, parent),
      m_reboot(new CCTLButton(this)),
      m_factoryReset(new CCTLButton(this)),
      m_apply(new QPushButton(Text(kTextApply), this)) {
    // The ids name the controls for tests; the names and hints are what a screen reader
    // says in place of the captions drawn on the page picture.
    m_reboot->setObjectName(QStringLiteral("1002"));
    m_reboot->setAccessibleName(Text(kTextReboot));
    m_reboot->setAccessibleDescription(Text(kTextRebootHint));
    m_factoryReset->setObjectName(QStringLiteral("1165"));
    m_factoryReset->setAccessibleName(Text(kTextFactoryReset));
    m_factoryReset->setAccessibleDescription(Text(kTextFactoryResetHint));
    m_apply->setObjectName(QStringLiteral("1166"));
    m_apply->setAccessibleName(Text(kTextApply));
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
    setMouseTracking(true);
}

void CQ3150Tx_SaveDlg::OnInitDialog() {
    CWizardPage::OnInitDialog();
    LayOutChoices();
}

void CQ3150Tx_SaveDlg::OnShowWindow(bool show) {
    CWizardPage::OnShowWindow(show);
    if (show) {
        LayOutChoices();
    }
}

void CQ3150Tx_SaveDlg::LayOutChoices() {
    PlaceControl(m_reboot, kRectResetReboot);
    m_reboot->SetCaption(std::wstring());
    m_reboot->SetCheck(true);
    PlaceControl(m_factoryReset, kRectResetFactory);
    m_factoryReset->SetCaption(std::wstring());
    m_factoryReset->SetCheck(false);
    PlaceControl(m_apply, kRectResetApply);
    m_rebootArea = LoadPageArea(kRectResetRebootArea);
    m_factoryResetArea = LoadPageArea(kRectResetFactoryArea);
}

void CQ3150Tx_SaveDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    // A caption selects its own choice. Swapping instead would turn a second click on
    // "Reboot", meant to make sure, into a factory reset that erases the device's set-up.
    if (m_rebootArea.Contains(point.x(), point.y())) {
        m_reboot->SetCheck(true);
        m_factoryReset->SetCheck(false);
    } else if (m_factoryResetArea.Contains(point.x(), point.y())) {
        m_reboot->SetCheck(false);
        m_factoryReset->SetCheck(true);
    }
    CWizardPage::mousePressEvent(event);
}

void CQ3150Tx_SaveDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_rebootArea.Contains(point.x(), point.y()) ||
        m_factoryResetArea.Contains(point.x(), point.y())) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    CWizardPage::mouseMoveEvent(event);
}

void CQ3150Tx_SaveDlg::OnApply() {
    if (!m_reboot->GetCheck()) {
        QueueResetDefault(Host().Commands(), Host().Target());
    }
    // Returns once the wait has ended on the search page.
    RunRestartWait({kWaitTimerId, kWaitPeriodMs, kRebootingText});
}
