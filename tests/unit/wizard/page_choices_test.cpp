#include "wizard/page_choices.h"

#include <gtest/gtest.h>

#include "device/device_operations.h"
#include "resources/string_ids.h"

namespace {

// The strip holds the Auto IP radio (x 380), its caption, the Static IP radio (x 450) and
// its caption; the string table's Static IP area (380-605) lies inside the Auto IP area
// (380-800).
TEST(DhcpChoiceAreas, EachCaptionSelectsItsOwnChoice) {
    const DhcpChoiceAreas areas = IpPageDhcpChoiceAreas();
    struct Press {
        int x, y;
        std::optional<DhcpChoice> selects;
    };
    const Press presses[] = {
        {380, 395, DhcpChoice::kAutoIp},    // the Auto IP radio's corner
        {420, 404, DhcpChoice::kAutoIp},    // its caption
        {449, 414, DhcpChoice::kAutoIp},    // last pixel before the Static IP radio
        {450, 395, DhcpChoice::kStaticIp},  // the Static IP radio
        {500, 404, DhcpChoice::kStaticIp},  // its caption
        {605, 414, DhcpChoice::kStaticIp},  // the Static IP area's far corner
        {606, 404, std::nullopt},           // beyond the captions
        {700, 404, std::nullopt},          {379, 404, std::nullopt},
        {420, 394, std::nullopt},          {500, 415, std::nullopt},
    };
    for (const Press& press : presses) {
        EXPECT_EQ(DhcpChoiceAt(areas, press.x, press.y), press.selects)
            << press.x << "," << press.y;
    }
}

TEST(DhcpChoiceAreas, SplitKeepsEveryOtherEdgeAndNeverOverlaps) {
    // Areas that do not overlap the split point keep their width.
    const DhcpChoiceAreas apart = SplitDhcpChoiceAreas({10, 0, 40, 9}, {60, 0, 90, 9}, 50);
    EXPECT_EQ(apart.autoIp.right, 40);
    EXPECT_EQ(apart.staticIp.left, 60);
    EXPECT_EQ(apart.autoIp.top, 0);
    EXPECT_EQ(apart.staticIp.bottom, 9);

    const DhcpChoiceAreas nested = SplitDhcpChoiceAreas({10, 0, 200, 9}, {10, 0, 90, 9}, 50);
    for (int x = 0; x <= 210; ++x) {
        EXPECT_FALSE(nested.autoIp.Contains(x, 5) && nested.staticIp.Contains(x, 5)) << x;
    }
    EXPECT_EQ(DhcpChoiceAt(nested, 49, 5), DhcpChoice::kAutoIp);
    EXPECT_EQ(DhcpChoiceAt(nested, 50, 5), DhcpChoice::kStaticIp);
    EXPECT_EQ(DhcpChoiceAt(nested, 91, 5), std::nullopt);
}

TEST(DhcpChoice, AutoIpTurnsTheDeviceDhcpServerOn) {
    EXPECT_EQ(DhcpModeOf(true), L"2");
    EXPECT_EQ(DhcpModeOf(false), L"0");
}

}  // namespace
