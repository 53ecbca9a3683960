#include "wizard/ui/message_box.h"

#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"
#include "wizard/ui/wizard_layout.h"

namespace {

constexpr int kBackgroundId = 160;
constexpr int kOkImages[] = {168, 162, 168};

}  // namespace

MessageBox::MessageBox(QWidget* frame)
    : SkinnedPopup(kBackgroundId, frame),
      m_ok(new PictureButton(kOkId, this)),
      m_text(new MarkupLabel(this)) {
    // Announced as an alert: its title (drawn on its picture), then the message.
    SetAccessibleRole(QAccessible::AlertMessage);
    setAccessibleName(QString::fromStdWString(LoadString(kTextMessageTitle)));
    m_ok->setAccessibleName(QString::fromStdWString(LoadString(kTextOk)));
    m_text->SetTransparent(true);
    connect(m_ok, &PictureButton::clicked, this, [this] { EndDialog(kOk); });
}

int MessageBox::ShowMessage(int stringId) {
    // A box that is up keeps its text: this message waits for it to close.
    if (!AwaitModalTurn()) {
        return kAborted;
    }
    SetMessage(LoadString(stringId));
    return DoModal();
}

void MessageBox::OnInitDialog() {
    SkinnedPopup::OnInitDialog();
    PlaceControl(m_ok, kMessageOkRect);
    m_ok->SetImages(kOkImages[0], kOkImages[1], kOkImages[2]);
    PlaceControl(m_text, kMessageTextRect);
    m_text->setFont(DialogFont());
    m_text->ResetLook();
    m_text->SetWindowText(m_message);
}

void MessageBox::OnShowWindow(bool show) {
    if (show) {
        m_text->repaint();
        // Space answers the box at once.
        m_ok->setFocus(Qt::OtherFocusReason);
    }
}
