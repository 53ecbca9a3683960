#pragma once

#include <QRect>
#include <optional>

class QWidget;

// The layout rectangle held as string `rectId` ("x,y,cx,cy" in the parent's client
// pixels), or nothing when the string is missing or empty.
std::optional<QRect> LayoutRect(int rectId);

// Moves a control to its layout rectangle. A missing string leaves the control where it
// is (and returns false), rather than at whatever a failed read would leave behind.
bool PlaceControl(QWidget* control, int rectId);
