#include "window/control_layout.h"

#include <QWidget>

void PlaceControl(QWidget* control, const LayoutRect& rect) {
    control->setGeometry(ToQRect(rect));
}
