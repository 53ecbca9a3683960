#include "wizard/page_choices.h"

#include <algorithm>

DhcpChoiceAreas SplitDhcpChoiceAreas(const PageArea& autoArea, const PageArea& staticArea,
                                     int staticRadioLeft) {
    DhcpChoiceAreas areas{autoArea, staticArea};
    areas.autoIp.right = std::min(autoArea.right, staticRadioLeft - 1);
    areas.staticIp.left = std::max(staticArea.left, staticRadioLeft);
    return areas;
}

DhcpChoiceAreas IpPageDhcpChoiceAreas() {
    return SplitDhcpChoiceAreas(PageArea::Of(kIpAutoAreaRect), PageArea::Of(kIpStaticAreaRect),
                                kIpStaticRadioRect.x);
}

std::optional<DhcpChoice> DhcpChoiceAt(const DhcpChoiceAreas& areas, int x, int y) {
    if (areas.autoIp.Contains(x, y)) {
        return DhcpChoice::kAutoIp;
    }
    if (areas.staticIp.Contains(x, y)) {
        return DhcpChoice::kStaticIp;
    }
    return std::nullopt;
}
