#pragma once

#include "wizard/ui/wizard_page.h"

class QLineEdit;
class QPushButton;

// The password page (menu entry "Password"): changes the password of the device's
// administrator account. The user name is fixed ("admin", read-only); the user types the
// current password, checked here against the one the device's discovery answer gave, and
// the new one twice. Apply runs the password checks shared with tamselctl (138 and 141,
// after which the three fields empty and the focus goes where the check says), queues
// SETUPPASSWORD and stays disabled until the answer is in; the wizard then returns to the
// search page, where the device must be connected again with its new password. The
// fields keep what they hold from one show to the next.
class PasswordPage : public WizardPage {
    Q_OBJECT

public:
    PasswordPage(IWizardHost& host, QWidget* parent);

    // Apply: checks the three fields and queues the change.
    void Apply();

    QLineEdit* UserField() const { return m_user; }
    QLineEdit* CurrentField() const { return m_current; }
    QLineEdit* NewField() const { return m_new; }
    QLineEdit* RepeatField() const { return m_repeat; }
    QPushButton* ApplyButton() const { return m_apply; }

protected:
    // Places the fields and Apply and reads the hand-cursor area.
    void LayOut() override;
    void OnShown() override;

private:
    QLineEdit* AddField(int controlId, int nameId);
    void ClearPasswords();

    QLineEdit* m_user;
    QLineEdit* m_current;
    QLineEdit* m_new;
    QLineEdit* m_repeat;
    QPushButton* m_apply;
    OperationCallbacks m_change;
};
