#pragma once

#include <functional>

class QWidget;
class QWindow;

// A press of the left button in the top band of any page or dialog drags the main window,
// the way a caption would: the band stands in for the title bar the window does not have.
inline constexpr int kDragBandHeight = 78;

// Whether a press at client y-coordinate `y` falls into the band.
inline bool InDragBand(int y) {
    return y < kDragBandHeight;
}

// The top-level window that a press in the band of `pressed` moves: `mainWindow` (or,
// without one, the pressed widget's own window). A Wayland compositor moves a window only
// for a press on that window, so there a pop-up over the main window moves on its own.
QWidget* WindowToDrag(QWidget* pressed, QWidget* mainWindow);

// Hands the move of `topLevel`'s window to the window system. Returns false when the
// caller should follow the mouse by hand: the platform cannot move the window itself but
// takes the program's positions. A Wayland compositor takes none, so there the press
// only ever starts the compositor's own move.
bool StartSystemMove(QWidget* topLevel);

// Replaces the window system's move, so that tests can observe it (the offscreen platform
// has none). An empty function restores the default.
using WindowMoveStarter = std::function<bool(QWindow* window)>;
void SetWindowMoveStarter(WindowMoveStarter starter);
