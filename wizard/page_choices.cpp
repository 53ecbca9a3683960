#include "wizard/page_choices.h"

#include <algorithm>

#include "resources/string_ids.h"
#include "resources/string_table.h"

PageArea LoadPageArea(int rectId) {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    if (LoadLayoutRect(rectId, x, y, cx, cy) == 0) {
        return {};
    }
    return PageArea::FromLayout(x, y, cx, cy);
}

std::wstring DhcpModeFor(DhcpChoice choice) {
    return choice == DhcpChoice::kAutoIp ? L"2" : L"0";
}

DhcpChoiceAreas SplitDhcpChoiceAreas(const PageArea& autoArea, const PageArea& staticArea,
                                     int staticRadioLeft) {
    DhcpChoiceAreas areas{autoArea, staticArea};
    areas.autoIp.right = std::min(autoArea.right, staticRadioLeft - 1);
    areas.staticIp.left = std::max(staticArea.left, staticRadioLeft);
    return areas;
}

DhcpChoiceAreas LoadDhcpChoiceAreas() {
    const PageArea staticRadio = LoadPageArea(kRectIpStaticRadio);
    return SplitDhcpChoiceAreas(LoadPageArea(kRectIpAutoArea), LoadPageArea(kRectIpStaticArea),
                                staticRadio.left);
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
