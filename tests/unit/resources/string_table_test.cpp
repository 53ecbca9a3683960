#include "resources/string_table.h"

#include <gtest/gtest.h>

#include "resources/layout_rect.h"
#include "resources/string_ids.h"

namespace {

TEST(StringTable, HoldsTextsAndNoLayoutRectangles) {
    EXPECT_EQ(LoadString(178), L"QMV4T2 Support Utility");
    EXPECT_EQ(LoadString(207), L"Repeater respon timeout !!");
    EXPECT_EQ(LoadString(424242), L"");

    // The ids the layout rectangles had stay free: the pages keep their rectangles.
    for (int id : {183, 189, 502, 503, 505, 516, 517, 540, 545, 546, 560, 573, 4441}) {
        EXPECT_EQ(LoadString(id), L"") << id;
    }
}

TEST(PageArea, IncludesItsRightAndBottomEdgesAndTheDefaultIsEmpty) {
    const PageArea reboot = PageArea::Of(LayoutRect{280, 165, 60, 19});
    EXPECT_TRUE(reboot.Contains(280, 165));
    EXPECT_TRUE(reboot.Contains(340, 184));
    EXPECT_FALSE(reboot.Contains(341, 170));
    EXPECT_FALSE(reboot.Contains(300, 185));
    EXPECT_FALSE(reboot.Contains(279, 170));

    const PageArea none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_FALSE(none.Contains(0, 0));
    EXPECT_FALSE(none.Contains(-1, -1));
}

}  // namespace
