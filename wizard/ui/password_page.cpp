#include "wizard/ui/password_page.h"

#include <QLineEdit>
#include <QPushButton>

#include "device/device_operations.h"
#include "resources/string_ids.h"
#include "web/input_rules.h"
#include "window/control_layout.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

namespace {

std::wstring TextOf(const QLineEdit* field) {
    return field->text().toStdWString();
}

}  // namespace

PasswordPage::PasswordPage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kPassword, host, parent),
      m_user(AddField(kPasswordUser, kTextUserName)),
      m_current(AddField(kPasswordCurrent, kTextCurrentPassword)),
      m_new(AddField(kPasswordNew, kTextNewPassword)),
      m_repeat(AddField(kPasswordRepeat, kTextRepeatPassword)),
      m_apply(AddButton(kPasswordApply, kTextApply)) {
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
        ReturnToSearchPage(this);
    };
    m_change.onFailed = [this](const OperationFailure& failure) {
        m_apply->setEnabled(true);
        ShowMessage(failure.verdict.messageId);
        ReturnToSearchPage(this);
    };
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
}

QLineEdit* PasswordPage::AddField(int controlId, int nameId) {
    auto* field = new QLineEdit(this);
    NameControl(field, controlId, nameId);
    return field;
}

void PasswordPage::LayOut() {
    PlaceControl(m_user, kPasswordUserRect);
    PlaceControl(m_current, kPasswordCurrentRect);
    PlaceControl(m_new, kPasswordNewRect);
    PlaceControl(m_repeat, kPasswordRepeatRect);
    PlaceControl(m_apply, kPasswordApplyRect);
    SetCaptionAreas({{PageArea::Of(kPasswordHandAreaRect), {}}});
}

void PasswordPage::OnShown() {
    m_new->setEnabled(true);
    m_repeat->setEnabled(true);
}

void PasswordPage::Apply() {
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

void PasswordPage::ClearPasswords() {
    m_current->clear();
    m_new->clear();
    m_repeat->clear();
}
