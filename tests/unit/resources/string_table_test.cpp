#include "resources/string_table.h"

#include <gtest/gtest.h>

#include "resources/string_ids.h"

namespace {

struct Rect {
    int x = -1, y = -1, cx = -1, cy = -1;
};

Rect Parse(const std::wstring& text, int* result = nullptr) {
    Rect r;
    const int ok = ParseLayoutRect(text, r.x, r.y, r.cx, r.cy);
    if (result) {
        *result = ok;
    }
    return r;
}

TEST(LayoutRect, FourNumbersGiveXYWidthHeight) {
    const Rect r = Parse(L"15,105,175,33");
    EXPECT_EQ(r.x, 15);
    EXPECT_EQ(r.y, 105);
    EXPECT_EQ(r.cx, 175);
    EXPECT_EQ(r.cy, 33);
}

TEST(LayoutRect, MissingCommasLeaveLeadingValuesZero) {
    Rect r = Parse(L"170");
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.cx, 0);
    EXPECT_EQ(r.cy, 170);

    r = Parse(L"1,2,3");
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 2);
    EXPECT_EQ(r.cx, 0);
    EXPECT_EQ(r.cy, 3);
}

TEST(LayoutRect, EmptyTextWritesNothingAndReturnsZero) {
    int result = -1;
    const Rect r = Parse(L"", &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(r.x, -1);
    EXPECT_EQ(r.cy, -1);

    int x = 7, y = 7, cx = 7, cy = 7;
    EXPECT_EQ(LoadLayoutRect(99999, x, y, cx, cy), 0);
    EXPECT_EQ(x + y + cx + cy, 28);
}

TEST(LayoutRect, NumbersReadLikeWtoi) {
    const Rect r = Parse(L" 12abc,-3, +4 ,7x");
    EXPECT_EQ(r.x, 12);
    EXPECT_EQ(r.y, -3);
    EXPECT_EQ(r.cx, 4);
    EXPECT_EQ(r.cy, 7);
}

TEST(StringTable, HoldsTextsAndEveryLayoutRectangle) {
    EXPECT_EQ(LoadString(178), L"QMV4T2 Support Utility");
    EXPECT_EQ(LoadString(207), L"Repeater respon timeout !!");
    EXPECT_EQ(LoadString(424242), L"");

    const int rectIds[] = {183, 184, 185, 186, 187, 188, 189, 502, 503, 205, 206, 190, 191, 505,
                           507, 196, 197, 198, 235, 510, 511, 512, 513, 514, 515, 516, 517, 199,
                           230, 231, 232, 193, 234, 532, 533, 534, 535, 194, 195, 233, 557, 561,
                           562, 200, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253,
                           192, 229, 236, 237, 238, 239, 240, 241, 528, 530, 540, 545, 546, 560};
    for (int id : rectIds) {
        int x = 0, y = 0, cx = 0, cy = 0;
        EXPECT_EQ(LoadLayoutRect(id, x, y, cx, cy), 1) << id;
        EXPECT_GT(cx, 0) << id;
        EXPECT_GT(cy, 0) << id;
    }
}

TEST(PageArea, IncludesItsRightAndBottomEdgesAndAMissingStringIsEmpty) {
    const PageArea reboot = LoadPageArea(kRectResetRebootArea);  // "280,165,60,19"
    EXPECT_TRUE(reboot.Contains(280, 165));
    EXPECT_TRUE(reboot.Contains(340, 184));
    EXPECT_FALSE(reboot.Contains(341, 170));
    EXPECT_FALSE(reboot.Contains(300, 185));
    EXPECT_FALSE(reboot.Contains(279, 170));

    const PageArea missing = LoadPageArea(1);
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_FALSE(missing.Contains(0, 0));
    EXPECT_FALSE(missing.Contains(-1, -1));
}

}  // namespace
