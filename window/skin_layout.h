#pragma once

#include "resources/layout_rect.h"
#include "window/page_navigation.h"

// Where every page puts the skin the pages share (client pixels of the page), so the
// pages line up with one another.

// The menu entries, in menu order.
inline constexpr LayoutRect kMenuEntryRects[kMenuEntryCount] = {
    {15, 105, 175, 33},  // Locate
    {15, 138, 175, 33},  // Repeater
    {15, 171, 175, 33},  // IP address
    {15, 204, 175, 33},  // Wireless
    {15, 237, 175, 33},  // Firmware
    {15, 270, 175, 33},  // Password
    {15, 303, 175, 33},  // Reset
};
inline constexpr LayoutRect kMinimizeRect{658, 6, 18, 18};
inline constexpr LayoutRect kCloseRect{676, 6, 18, 18};
// The wizard pages' labels with the selected device's addresses.
inline constexpr LayoutRect kDeviceMacRect{25, 430, 160, 20};
inline constexpr LayoutRect kDeviceIpRect{25, 465, 160, 20};
