#pragma once

#include <QColor>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QPalette;

// A colour as the markup texts describe it: 0x00BBGGRR (red in the low byte), or, with
// the top bit set, a system colour whose index is in the low byte; a system colour takes
// its value from the widget's palette when it is used.
using ColorRef = uint32_t;

constexpr ColorRef kSystemColorFlag = 0x80000000u;

constexpr ColorRef MakeColorRef(int red, int green, int blue) {
    return static_cast<ColorRef>(red & 0xFF) | static_cast<ColorRef>(green & 0xFF) << 8 |
           static_cast<ColorRef>(blue & 0xFF) << 16;
}

ColorRef ColorRefFromQColor(const QColor& color);

// The colour of a ColorRef, system colours taken from `palette`.
QColor ResolveColorRef(ColorRef color, const QPalette& palette);

// Colour texts: "r,g,b" decimal components (each modulo 256, a missing blue reads 0),
// "#RRGGBB", or a name from the table (140 web colour names, then 39 system colour
// names), compared ignoring case. Anything else is black.
class ColorNames {
public:
    struct Entry {
        ColorRef value;
        const wchar_t* name;
    };

    static const std::vector<Entry>& Table();

    // The table entry of a name, ignoring case.
    static std::optional<ColorRef> Find(const std::wstring& name);

    // The colour of a colour text by the rule above.
    static ColorRef FromText(const std::wstring& text);
};
