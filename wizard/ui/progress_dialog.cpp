#include "wizard/ui/progress_dialog.h"

#include "controls/markup_label.h"
#include "controls/step_picture.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"
#include "wizard/ui/wizard_layout.h"

namespace {

constexpr int kBackgroundId = 248;

}  // namespace

ProgressDialog::ProgressDialog(QWidget* frame)
    : SkinnedPopup(kBackgroundId, frame),
      m_picture(new StepPicture(this)),
      m_text(new MarkupLabel(this)) {
    SetDragBand(false);
    SetAccessibleRole(QAccessible::Dialog);
    m_text->SetTransparent(true);
    setAccessibleName(QString::fromStdWString(LoadString(kTextProgressTitle)));
    m_picture->setAccessibleName(QString::fromStdWString(LoadString(kTextProgressStep)));
}

QRect ProgressDialog::ImageRect() const {
    return m_picture->geometry();
}

const QImage& ProgressDialog::StepImage() const {
    return m_picture->Image();
}

int ProgressDialog::Run(const std::wstring& text) {
    // A run that is up keeps its text: this one waits for it to close.
    if (!AwaitModalTurn()) {
        return kAborted;
    }
    SetProgressText(text);
    return DoModal();
}

void ProgressDialog::OnInitDialog() {
    SkinnedPopup::OnInitDialog();
    const QSize stepSize = ToQRect(kProgressStepRect).size();
    m_picture->setGeometry(QRect(kImageOrigin, stepSize));
    PlaceControl(m_text, kProgressTextRect);
}

void ProgressDialog::OnShowWindow(bool show) {
    if (!show) {
        return;
    }
    m_steps.clear();
    m_text->ResetLook();
    m_text->SetWindowText(L"<CENTER>" + m_progressText + L"</CENTER>");
    m_text->repaint();
    ShowProgressStep(0);
}

void ProgressDialog::ShowProgressStep(int step) {
    m_picture->ShowStep(step);
    m_steps.push_back(step);
}
