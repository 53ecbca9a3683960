#include "window/skinned_popup.h"

#include <QPainter>

#include "window/window_placement.h"

CSkinnedPopup::CSkinnedPopup(int backgroundId, QWidget* parent)
    : CDialogWindow(parent, Qt::Dialog | Qt::FramelessWindowHint), m_backgroundId(backgroundId) {
    setFixedSize(kWidth, kHeight);
}

void CSkinnedPopup::OnInitDialog() {
    m_background.Load(m_backgroundId);
    // Every time it runs, over the main window wherever that has moved.
    create();
    ShowOver(this, MainWindow() != nullptr ? MainWindow() : parentWidget());
}

void CSkinnedPopup::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_background.Draw(painter);
}
