#include "window/skinned_popup.h"

#include <QPainter>

#include "window/window_placement.h"

SkinnedPopup::SkinnedPopup(int backgroundId, QWidget* parent)
    : DialogWindow(parent, Qt::Dialog | Qt::FramelessWindowHint), m_backgroundId(backgroundId) {
    setFixedSize(kWidth, kHeight);
}

void SkinnedPopup::OnInitDialog() {
    m_background.Load(m_backgroundId);
    // Every time it runs, over the main window wherever that has moved.
    create();
    ShowOver(this, RegisteredMainWindow() != nullptr ? RegisteredMainWindow() : parentWidget());
}

void SkinnedPopup::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_background.Draw(painter);
}
