#include "wizard/ui/password_page.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <optional>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/device_commands.h"
#include "web/input_rules.h"
#include "web/selected_device.h"
#include "window/control_layout.h"

namespace {

constexpr int kUserId = 1003;
constexpr int kCurrentId = 1096;
constexpr int kNewId = 1094;
constexpr int kRepeatId = 1095;
constexpr int kApplyId = 1167;

QString Text(int stringId) {
    return QString::fromStdWString(LoadString(stringId));
}

QLineEdit* MakeField(int controlId, int nameId, QWidget* page) {
    auto* field = new QLineEdit(page);
    field->setObjectName(QString::number(controlId));
    field->setAccessibleName(Text(nameId));
    return field;
}

QLineEdit* MakePasswordField(int controlId, int nameId, QWidget* page) {
    QLineEdit* field = MakeField(controlId, nameId, page);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(kPasswordFieldLimit);
    return field;
}

std::wstring TextOf(const QLineEdit* field) {
    return field->text().toStdWString();
}

}  // namespace

CQ3150Tx_PasswordDlg::CQ3150Tx_PasswordDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kPassword, host, parent),
      m_user(MakeField(kUserId, kTextUserName, this)),
      m_current(MakePasswordField(kCurrentId, kTextCurrentPassword, this)),
      m_new(MakePasswordField(kNewId, kTextNewPassword, this)),
      m_repeat(MakePasswordField(kRepeatId, kTextRepeatPassword, this)),
      m_apply(new QPushButton(Text(kTextApply), this)),
      m_handArea(new QWidget(this)) {
    m_user->setReadOnly(true);
    m_apply->setObjectName(QString::number(kApplyId));
    m_apply->setAccessibleName(Text(kTextApply));
    // Not a control: it only changes the cursor, and lets presses through to the page.
    m_handArea->setCursor(Qt::PointingHandCursor);
    m_handArea->setFocusPolicy(Qt::NoFocus);
    m_handArea->lower();
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
}

void CQ3150Tx_PasswordDlg::OnInitDialog() {
    CWizardPage::OnInitDialog();
    PlaceControl(m_user, kRectPasswordUser);
    PlaceControl(m_current, kRectPasswordCurrent);
    PlaceControl(m_new, kRectPasswordNew);
    PlaceControl(m_repeat, kRectPasswordRepeat);
    PlaceControl(m_apply, kRectPasswordApply);
    m_user->setText(Text(kTextPasswordUser));
    ClearPasswords();
    // The rectangle's far edges belong to the area as well.
    if (const std::optional<QRect> area = LayoutRect(kRectPasswordHandArea)) {
        m_handArea->setGeometry(area->adjusted(0, 0, 1, 1));
    } else {
        m_handArea->hide();
    }
}

void CQ3150Tx_PasswordDlg::OnShowWindow(bool show) {
    CWizardPage::OnShowWindow(show);
    if (show) {
        m_new->setEnabled(true);
        m_repeat->setEnabled(true);
    }
}

QRect CQ3150Tx_PasswordDlg::HandArea() const {
    return m_handArea->isHidden() ? QRect() : m_handArea->geometry();
}

void CQ3150Tx_PasswordDlg::Apply() {
    const std::wstring newPassword = TextOf(m_new);
    const InputVerdict verdict =
        CheckPasswordChange(TextOf(m_current), G_mstrPassword, newPassword, TextOf(m_repeat));
    if (!verdict.Accepted()) {
        QPointer<CQ3150Tx_PasswordDlg> self(this);
        ShowMessage(verdict.messageId);
        if (self == nullptr) {
            return;
        }
        ClearPasswords();
        (verdict.focus == InputFocus::CurrentPassword ? m_current : m_new)->setFocus();
        return;
    }
    QueueSetupPassword(Host().Commands(), Host().Target(), G_mstrPassword, newPassword);
    m_apply->setEnabled(false);
}

void CQ3150Tx_PasswordDlg::EnableControl(WizardControl control, bool enable) {
    if (control == WizardControl::kPasswordApply) {
        m_apply->setEnabled(enable);
    }
}

void CQ3150Tx_PasswordDlg::ClearPasswords() {
    m_current->clear();
    m_new->clear();
    m_repeat->clear();
}
