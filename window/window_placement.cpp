#include "window/window_placement.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <QWindow>

bool ProgramPlacesWindows() {
    // Qt names its Wayland platforms "wayland", "wayland-egl" and so on.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void PlaceWindow(QWidget* window, const QPoint& topLeft) {
    if (window != nullptr && ProgramPlacesWindows()) {
        window->move(topLeft);
    }
}

void ShowOver(QWidget* dialog, const QWidget* owner) {
    if (dialog == nullptr || owner == nullptr) {
        return;
    }
    const QWidget* ownerWindow = owner->window();
    QWindow* handle = dialog->windowHandle();
    if (handle != nullptr && ownerWindow->windowHandle() != nullptr) {
        handle->setTransientParent(ownerWindow->windowHandle());
    }
    const QRect area = ownerWindow->geometry();
    PlaceWindow(dialog, area.topLeft() + QPoint((area.width() - dialog->width()) / 2,
                                                (area.height() - dialog->height()) / 2));
}
