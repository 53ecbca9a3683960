#include "wizard/ui/progress_dialog.h"

#include "controls/markup_static.h"
#include "controls/step_picture.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/control_layout.h"

namespace {

constexpr int kBackgroundId = 248;

}  // namespace

CQ3150Tx_Progress::CQ3150Tx_Progress(QWidget* frame)
    : CSkinnedPopup(kBackgroundId, frame),
      m_picture(new CStepPicture(this)),
      m_text(new CMarkupStatic(this)) {
    SetDragBand(false);
    SetAccessibleRole(QAccessible::Dialog);
    m_text->SetTransparent(true);
    setAccessibleName(QString::fromStdWString(LoadString(kTextProgressTitle)));
    m_picture->setAccessibleName(QString::fromStdWString(LoadString(kTextProgressStep)));
}

QRect CQ3150Tx_Progress::ImageRect() const {
    return m_picture->geometry();
}

const QImage& CQ3150Tx_Progress::StepImage() const {
    return m_picture->Image();
}

int CQ3150Tx_Progress::Run(const std::wstring& text) {
    // A run that is up keeps its text: this one waits for it to close.
    if (!AwaitModalTurn()) {
        return kAborted;
    }
    SetProgressText(text);
    return DoModal();
}

void CQ3150Tx_Progress::OnInitDialog() {
    CSkinnedPopup::OnInitDialog();
    const QSize stepSize = LayoutRect(kRectProgressStep).value_or(QRect()).size();
    m_picture->setGeometry(QRect(kImageOrigin, stepSize));
    PlaceControl(m_text, kRectProgressText);
}

void CQ3150Tx_Progress::OnShowWindow(bool show) {
    if (!show) {
        return;
    }
    m_steps.clear();
    m_text->ResetLook();
    m_text->SetWindowText(L"<CENTER>" + m_strProgressText + L"</CENTER>");
    m_text->repaint();
    ShowProgressStep(0);
}

void CQ3150Tx_Progress::ShowProgressStep(int step) {
    m_picture->ShowStep(step);
    m_steps.push_back(step);
}
