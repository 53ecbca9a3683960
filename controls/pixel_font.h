#pragma once

#include <QFont>

// The same font sized in pixels. Controls measure and draw with pixel-sized fonts so
// that a layout measured against the screen matches the off-screen picture it is drawn
// into, whatever resolution either reports.
QFont PixelSizedFont(const QFont& font);
