#pragma once

class QPoint;
class QWidget;

// Where top-level windows appear. On X11 the program places them: the main window centred
// on the screen, each pop-up centred over the main window. A Wayland compositor places
// every window itself and ignores a client's positions; it puts a dialog over the window
// it is a transient child of, so there the pop-ups are made transient children of the
// main window and nothing depends on where the program asked a window to go.

// Whether the window system takes the program's positions for its top-level windows.
bool ProgramPlacesWindows();

// Moves top-level `window` so that its top-left corner is at `topLeft` (screen
// coordinates), where the program places windows; elsewhere leaves it to the compositor.
void PlaceWindow(QWidget* window, const QPoint& topLeft);

// Makes top-level `dialog` a transient child of `owner`'s window and centres it over that
// window (PlaceWindow). The compositor learns of the transient parent when the window is
// mapped, so `dialog` is created (QWidget::create) but not yet shown.
void ShowOver(QWidget* dialog, const QWidget* owner);
