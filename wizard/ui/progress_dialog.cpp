#include "wizard/ui/progress_dialog.h"

#include <QPainter>

#include "controls/markup_static.h"
#include "controls/skin_images.h"
#include "resources/string_ids.h"
#include "window/control_layout.h"

namespace {

constexpr int kBackgroundId = 248;

}  // namespace

CQ3150Tx_Progress::CQ3150Tx_Progress(QWidget* frame)
    : CSkinnedPopup(kBackgroundId, frame), m_text(new CMarkupStatic(this)) {
    SetDragBand(false);
    m_text->SetTransparent(true);
}

int CQ3150Tx_Progress::Run(const std::wstring& text) {
    SetProgressText(text);
    return DoModal();
}

void CQ3150Tx_Progress::OnInitDialog() {
    CSkinnedPopup::OnInitDialog();
    if (QWidget* frame = parentWidget()) {
        move(frame->mapToGlobal(kOffsetInFrame));
    }
    const QSize stepSize = LayoutRect(kRectProgressStep).value_or(QRect()).size();
    m_imageRect = QRect(kImageOrigin, stepSize);
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
    m_stepImage = LoadSkinImage(ProgressStepImageId(step));
    m_steps.push_back(step);
    repaint();
}

void CQ3150Tx_Progress::paintEvent(QPaintEvent* event) {
    CSkinnedPopup::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(m_imageRect.topLeft(), m_stepImage);
}
