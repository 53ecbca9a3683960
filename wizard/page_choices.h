#pragma once

#include <optional>
#include <string>

#include "resources/layout_rect.h"

// The wizard pages' radio-button choices whose captions are part of the page picture:
// where a press on a caption selects a choice (what a choice sends to the device is the
// LAN address change's: device/device_operations.h).
// The pages in wizard/ui apply these rules to their controls.

// The IP address page's DHCP server choice.
enum class DhcpChoice {
    kAutoIp,    // the device's DHCP server on
    kStaticIp,  // off
};

// Where the IP address page puts its DHCP choice: the two radio buttons, and the click
// areas of their captions.
inline constexpr LayoutRect kIpAutoRadioRect{380, 395, 19, 19};
inline constexpr LayoutRect kIpStaticRadioRect{450, 395, 19, 19};
inline constexpr LayoutRect kIpAutoAreaRect{380, 395, 420, 19};
inline constexpr LayoutRect kIpStaticAreaRect{380, 395, 225, 19};

// The click areas of the two DHCP choices on one strip of the page: the Auto IP radio,
// its caption, the Static IP radio, its caption.
struct DhcpChoiceAreas {
    PageArea autoIp;
    PageArea staticIp;
};

// The layout gives both areas as strips that start at the Auto IP radio, the
// Static IP area inside the Auto IP area, so either area alone would take the other
// choice's caption too. The strip is split at the Static IP radio's left edge
// (`staticRadioLeft`): the Auto IP area ends just before it, the Static IP area starts
// there, and each keeps its other edges.
DhcpChoiceAreas SplitDhcpChoiceAreas(const PageArea& autoArea, const PageArea& staticArea,
                                     int staticRadioLeft);

// The IP address page's two areas, split as above.
DhcpChoiceAreas IpPageDhcpChoiceAreas();

// The choice a press at (x, y) selects; nothing outside both areas.
std::optional<DhcpChoice> DhcpChoiceAt(const DhcpChoiceAreas& areas, int x, int y);
