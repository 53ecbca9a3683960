#include "window/skinned_popup.h"

#include <QPainter>

CSkinnedPopup::CSkinnedPopup(int backgroundId, QWidget* parent)
    : CDialogWindow(parent, Qt::Dialog | Qt::FramelessWindowHint), m_backgroundId(backgroundId) {
    setFixedSize(kWidth, kHeight);
}

void CSkinnedPopup::OnInitDialog() {
    m_background.Load(m_backgroundId);
}

void CSkinnedPopup::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_background.Draw(painter);
}
