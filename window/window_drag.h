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

// Hands the move to the window system. Returns false when the platform cannot move the
// window itself; the caller then follows the mouse by hand.
bool StartSystemMove(QWidget* topLevel);

// Replaces the window system's move, so that tests can observe it (the offscreen platform
// has none). An empty function restores the default.
using WindowMoveStarter = std::function<bool(QWindow* window)>;
void SetWindowMoveStarter(WindowMoveStarter starter);
