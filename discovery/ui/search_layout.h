#pragma once

#include "resources/layout_rect.h"

// Where the search page puts its controls (client pixels of the page).
inline constexpr LayoutRect kSearchScanRect{195, 170, 70, 25};
inline constexpr LayoutRect kSearchResultRect{360, 170, 200, 23};
inline constexpr LayoutRect kSearchAddressRect{322, 203, 158, 25};
inline constexpr LayoutRect kSearchAddressButtonRect{488, 203, 110, 25};
inline constexpr LayoutRect kSearchListRect{196, 280, 472, 128};
inline constexpr LayoutRect kSearchNoteRect{196, 412, 396, 72};
inline constexpr LayoutRect kSearchConnectRect{600, 450, 70, 25};
