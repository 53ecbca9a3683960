#pragma once

#include <optional>
#include <string>

// The wizard pages' radio-button choices whose captions are part of the page picture:
// where a press on a caption selects a choice, and what a choice sends to the device.
// The pages in wizard/ui apply these rules to their controls.

// A page area stored from a layout rectangle "x,y,cx,cy": from x to x + cx and from y to
// y + cy, both edges included. The default area is empty (a missing layout string).
struct PageArea {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    static PageArea FromLayout(int x, int y, int cx, int cy) { return {x, y, x + cx, y + cy}; }
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool IsEmpty() const { return right < left || bottom < top; }
};

// Layout string `rectId` as an area; empty when the string is missing or empty.
PageArea LoadPageArea(int rectId);

// The IP address page's DHCP server choice.
enum class DhcpChoice {
    kAutoIp,    // the device's DHCP server on
    kStaticIp,  // off
};

// The DHCP mode SETUPIPADDRESS sends for a choice: "2" on, "0" off.
std::wstring DhcpModeFor(DhcpChoice choice);

// The click areas of the two DHCP choices on one strip of the page: the Auto IP radio,
// its caption, the Static IP radio, its caption.
struct DhcpChoiceAreas {
    PageArea autoIp;
    PageArea staticIp;
};

// The layout strings give both areas as strips that start at the Auto IP radio, the
// Static IP area inside the Auto IP area, so either area alone would take the other
// choice's caption too. The strip is split at the Static IP radio's left edge
// (`staticRadioLeft`): the Auto IP area ends just before it, the Static IP area starts
// there, and each keeps its other edges.
DhcpChoiceAreas SplitDhcpChoiceAreas(const PageArea& autoArea, const PageArea& staticArea,
                                     int staticRadioLeft);

// The IP address page's two areas, split as above, from the string table.
DhcpChoiceAreas LoadDhcpChoiceAreas();

// The choice a press at (x, y) selects; nothing outside both areas.
std::optional<DhcpChoice> DhcpChoiceAt(const DhcpChoiceAreas& areas, int x, int y);
