#include "wizard/ui/message_box.h"

#include "controls/markup_static.h"
#include "controls/pt_button.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"

namespace {

constexpr int kBackgroundId = 160;
constexpr int kOkImages[] = {168, 162, 168};

}  // namespace

CQ3150Tx_MessageDlg::CQ3150Tx_MessageDlg(QWidget* frame)
    : CSkinnedPopup(kBackgroundId, frame),
      m_ok(new CPTButton(kOkId, this)),
      m_text(new CMarkupStatic(this)) {
    // Announced as an alert: its title (drawn on its picture), then the message.
    SetAccessibleRole(QAccessible::AlertMessage);
    setAccessibleName(QString::fromStdWString(LoadString(kTextMessageTitle)));
    m_ok->setAccessibleName(QString::fromStdWString(LoadString(kTextOk)));
    m_text->SetTransparent(true);
    connect(m_ok, &CPTButton::clicked, this, [this] { EndDialog(kOk); });
}

int CQ3150Tx_MessageDlg::ShowMessage(int stringId) {
    // A box that is up keeps its text: this message waits for it to close.
    if (!AwaitModalTurn()) {
        return kAborted;
    }
    SetMessage(LoadString(stringId));
    return DoModal();
}

void CQ3150Tx_MessageDlg::OnInitDialog() {
    CSkinnedPopup::OnInitDialog();
    PlaceControl(m_ok, kRectMessageOk);
    m_ok->SetImages(kOkImages[0], kOkImages[1], kOkImages[2]);
    PlaceControl(m_text, kRectMessageText);
    m_text->setFont(DialogFont());
    m_text->ResetLook();
    m_text->SetWindowText(m_strMessage);
}

void CQ3150Tx_MessageDlg::OnShowWindow(bool show) {
    if (show) {
        m_text->repaint();
        // Space answers the box at once.
        m_ok->setFocus(Qt::OtherFocusReason);
    }
}
