#pragma once

// Where a control or a caption sits: x, y, width and height in pixels of its page's (or
// dialog's) client area. The pages keep theirs beside the code that lays them out.
struct LayoutRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// A page area taken from a layout rectangle: from x to x + cx and from y to y + cy, both
// edges included. The default area is empty.
struct PageArea {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    static constexpr PageArea Of(const LayoutRect& rect) {
        return {rect.x, rect.y, rect.x + rect.cx, rect.y + rect.cy};
    }
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool IsEmpty() const { return right < left || bottom < top; }
};
