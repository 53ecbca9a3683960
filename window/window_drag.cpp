#include "window/window_drag.h"

#include <QWidget>
#include <QWindow>

#include <utility>

#include "window/window_placement.h"

namespace {

WindowMoveStarter& MoveStarter() {
    static WindowMoveStarter starter;
    return starter;
}

}  // namespace

QWidget* WindowToDrag(QWidget* pressed, QWidget* mainWindow) {
    if (mainWindow == nullptr || !ProgramPlacesWindows()) {
        return pressed->window();
    }
    return mainWindow->window();
}

bool StartSystemMove(QWidget* topLevel) {
    if (topLevel == nullptr) {
        return false;
    }
    QWindow* window = topLevel->window()->windowHandle();
    if (window == nullptr) {
        return false;
    }
    const bool started = MoveStarter() ? MoveStarter()(window) : window->startSystemMove();
    return started || !ProgramPlacesWindows();
}

void SetWindowMoveStarter(WindowMoveStarter starter) {
    MoveStarter() = std::move(starter);
}
