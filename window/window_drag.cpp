#include "window/window_drag.h"

#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

WindowMoveStarter& MoveStarter() {
    static WindowMoveStarter starter;
    return starter;
}

}  // namespace

bool StartSystemMove(QWidget* topLevel) {
    if (topLevel == nullptr) {
        return false;
    }
    QWindow* window = topLevel->window()->windowHandle();
    if (window == nullptr) {
        return false;
    }
    if (MoveStarter()) {
        return MoveStarter()(window);
    }
    return window->startSystemMove();
}

void SetWindowMoveStarter(WindowMoveStarter starter) {
    MoveStarter() = std::move(starter);
}
