#pragma once

#include <QRect>

#include "resources/layout_rect.h"

class QWidget;

constexpr QRect ToQRect(const LayoutRect& rect) {
    return QRect(rect.x, rect.y, rect.cx, rect.cy);
}

// Moves a control to its layout rectangle.
void PlaceControl(QWidget* control, const LayoutRect& rect);
