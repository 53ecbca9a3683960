#include "wizard/ui/password_page.h"

#include <QLineEdit>
#include <QPushButton>

#include "device/device_operations.h"
#include "resources/string_ids.h"
#include "web/input_rules.h"
#include "window/control_layout.h"

namespace {

std::wstring TextOf(const QLineEdit* field) {
    return field->text().toStdWString();
}

}  // namespace

CQ3150Tx_PasswordDlg::CQ3150Tx_PasswordDlg(IWizardHost& host, QWidget* parent)
    : CWizardPage(WizardPage::kPassword, host, parent),
      m_user(AddField(1003, kTextUserName)),
      m_current(AddField(1096, kTextCurrentPassword)),
      m_new(AddField(1094, kTextNewPassword)),
      m_repeat(AddField(1095, kTextRepeatPassword)),
      m_apply(AddButton(1167, kTextApply)) {
    m_user->setReadOnly(true);
    m_user->setText(Text(kTextPasswordUser));
    for (QLineEdit* field : {m_current, m_new, m_repeat}) {
        field->setEchoMode(QLineEdit::Password);
        field->setMaxLength(kPasswordFieldLimit);
    }
    // A refused or lost change must not look like success: it is said before the page
    // returns to the search page.
    m_change.onFinished = [this] {
        m_apply->setEnabled(true);
        ReturnToSearchPage();
    };
    m_change.onFailed = [this](const OperationFailure& failure) {
        m_apply->setEnabled(true);
        ShowMessage(failure.verdict.messageId);
        ReturnToSearchPage();
    };
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
}

QLineEdit* CQ3150Tx_PasswordDlg::AddField(int controlId, int nameId) {
    auto* field = new QLineEdit(this);
    NameControl(field, controlId, nameId);
    return field;
}

void CQ3150Tx_PasswordDlg::LayOut() {
    PlaceControl(m_user, kRectPasswordUser);
    PlaceControl(m_current, kRectPasswordCurrent);
    PlaceControl(m_new, kRectPasswordNew);
    PlaceControl(m_repeat, kRectPasswordRepeat);
    PlaceControl(m_apply, kRectPasswordApply);
    SetCaptionAreas({{LoadPageArea(kRectPasswordHandArea), {}}});
}

void CQ3150Tx_PasswordDlg::OnShown() {
    m_new->setEnabled(true);
    m_repeat->setEnabled(true);
}

void CQ3150Tx_PasswordDlg::Apply() {
    const std::wstring devicePassword = Host().Login().password;
    const std::wstring newPassword = TextOf(m_new);
    const InputVerdict verdict =
        CheckPasswordChange(TextOf(m_current), devicePassword, newPassword, TextOf(m_repeat));
    if (!verdict.Accepted()) {
        if (ShowMessage(verdict.messageId)) {
            ClearPasswords();
            (verdict.focus == InputFocus::CurrentPassword ? m_current : m_new)->setFocus();
        }
        return;
    }
    m_apply->setEnabled(false);
    RunOperation(ChangePasswordOperation({devicePassword, newPassword}), m_change);
}

void CQ3150Tx_PasswordDlg::ClearPasswords() {
    m_current->clear();
    m_new->clear();
    m_repeat->clear();
}
