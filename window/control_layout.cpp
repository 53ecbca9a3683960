#include "window/control_layout.h"

#include <QWidget>

#include "resources/string_table.h"

std::optional<QRect> LayoutRect(int rectId) {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    if (LoadLayoutRect(rectId, x, y, cx, cy) == 0) {
        return std::nullopt;
    }
    return QRect(x, y, cx, cy);
}

bool PlaceControl(QWidget* control, int rectId) {
    const std::optional<QRect> rect = LayoutRect(rectId);
    if (!rect) {
        return false;
    }
    control->setGeometry(*rect);
    return true;
}
