#include "controls/color_names.h"

#include <QPalette>
#include <cwctype>

#include "platform/wide_int.h"

namespace {

// System colour indices, as the system colour names refer to them.
enum SystemColor : ColorRef {
    kScrollBar = 0,
    kBackground = 1,
    kActiveCaption = 2,
    kInactiveCaption = 3,
    kMenu = 4,
    kWindow = 5,
    kWindowFrame = 6,
    kMenuText = 7,
    kWindowText = 8,
    kCaptionText = 9,
    kActiveBorder = 10,
    kInactiveBorder = 11,
    kAppWorkspace = 12,
    kHighlight = 13,
    kHighlightText = 14,
    kBtnFace = 15,
    kBtnShadow = 16,
    kGrayText = 17,
    kBtnText = 18,
    kInactiveCaptionText = 19,
    kBtnHighlight = 20,
    kDarkShadow = 21,
    kLight = 22,
    kInfoText = 23,
    kInfoBk = 24,
    kHotLight = 26,
    kGradientActiveCaption = 27,
    kGradientInactiveCaption = 28,
    kMenuHilight = 29,
    kMenuBar = 30,
};

constexpr ColorRef System(SystemColor index) {
    return kSystemColorFlag | index;
}

std::vector<ColorNames::Entry> BuildTable() {
    return {
        {0xFFF8F0, L"AliceBlue"},
        {0xD7EBFA, L"AntiqueWhite"},
        {0xFFFF00, L"Aqua"},
        {0xD4FF7F, L"Aquamarine"},
        {0xFFFFF0, L"Azure"},
        {0xDCF5F5, L"Beige"},
        {0xC4E4FF, L"Bisque"},
        {0x000000, L"Black"},
        {0xCDEBFF, L"BlanchedAlmond"},
        {0xFF0000, L"Blue"},
        {0xE22B8A, L"BlueViolet"},
        {0x2A2AA5, L"Brown"},
        {0x87B8DE, L"BurlyWood"},
        {0xA09E5F, L"CadetBlue"},
        {0x00FF7F, L"Chartreuse"},
        {0x1E69D2, L"Chocolate"},
        {0x507FFF, L"Coral"},
        {0xED9564, L"CornflowerBlue"},
        {0xDCF8FF, L"Cornsilk"},
        {0x3C14DC, L"Crimson"},
        {0xFFFF00, L"Cyan"},
        {0x8B0000, L"DarkBlue"},
        {0x8B8B00, L"DarkCyan"},
        {0x0B86B8, L"DarkGoldenrod"},
        {0xA9A9A9, L"DarkGray"},
        {0x006400, L"DarkGreen"},
        {0x6BB7BD, L"DarkKhaki"},
        {0x8B008B, L"DarkMagenta"},
        {0x2F6B55, L"DarkOliveGreen"},
        {0x008CFF, L"DarkOrange"},
        {0xCC3299, L"DarkOrchid"},
        {0x00008B, L"DarkRed"},
        {0x7A96E9, L"DarkSalmon"},
        {0x8FBC8F, L"DarkSeaGreen"},
        {0x8B3D48, L"DarkSlateBlue"},
        {0x4F4F2F, L"DarkSlateGray"},
        {0xD1CE00, L"DarkTurquoise"},
        {0xD30094, L"DarkViolet"},
        {0x9314FF, L"DeepPink"},
        {0xFFBF00, L"DeepSkyBlue"},
        {0x696969, L"DimGray"},
        {0xFF901E, L"DodgerBlue"},
        {0x2222B2, L"FireBrick"},
        {0xF0FAFF, L"FloralWhite"},
        {0x228B22, L"ForestGreen"},
        {0xFF00FF, L"Fuchsia"},
        {0xDCDCDC, L"Gainsboro"},
        {0xFFF8F8, L"GhostWhite"},
        {0x00D7FF, L"Gold"},
        {0x20A5DA, L"Goldenrod"},
        {0x808080, L"Gray"},
        {0x008000, L"Green"},
        {0x2FFFAD, L"GreenYellow"},
        {0xF0FFF0, L"Honeydew"},
        {0xB469FF, L"HotPink"},
        {0x5C5CCD, L"IndianRed"},
        {0x82004B, L"Indigo"},
        {0xF0FFFF, L"Ivory"},
        {0x8CE6F0, L"Khaki"},
        {0xFAE6E6, L"Lavender"},
        {0xF5F0FF, L"LavenderBlush"},
        {0x00FC7C, L"LawnGreen"},
        {0xCDFAFF, L"LemonChiffon"},
        {0xE6D8AD, L"LightBlue"},
        {0x8080F0, L"LightCoral"},
        {0xFFFFE0, L"LightCyan"},
        {0xD2FAFA, L"LightGoldenrodYellow"},
        {0xD3D3D3, L"LightGray"},
        {0x90EE90, L"LightGreen"},
        {0xC1B6FF, L"LightPink"},
        {0x7AA0FF, L"LightSalmon"},
        {0xAAB220, L"LightSeaGreen"},
        {0xFACE87, L"LightSkyBlue"},
        {0x998877, L"LightSlateGray"},
        {0xDEC4B0, L"LightSteelBlue"},
        {0xE0FFFF, L"LightYellow"},
        {0x00FF00, L"Lime"},
        {0x32CD32, L"LimeGreen"},
        {0xE6F0FA, L"Linen"},
        {0xFF00FF, L"Magenta"},
        {0x000080, L"Maroon"},
        {0xAACD66, L"MediumAquamarine"},
        {0xCD0000, L"MediumBlue"},
        {0xD355BA, L"MediumOrchid"},
        {0xDB7093, L"MediumPurple"},
        {0x71B33C, L"MediumSeaGreen"},
        {0xEE687B, L"MediumSlateBlue"},
        {0x9AFA00, L"MediumSpringGreen"},
        {0xCCD148, L"MediumTurquoise"},
        {0x8515C7, L"MediumVioletRed"},
        {0x701919, L"MidnightBlue"},
        {0xFAFFF5, L"MintCream"},
        {0xE1E4FF, L"MistyRose"},
        {0xB5E4FF, L"Moccasin"},
        {0xADDEFF, L"NavajoWhite"},
        {0x800000, L"Navy"},
        {0xE6F5FD, L"OldLace"},
        {0x008080, L"Olive"},
        {0x238E6B, L"OliveDrab"},
        {0x00A5FF, L"Orange"},
        {0x0045FF, L"OrangeRed"},
        {0xD670DA, L"Orchid"},
        {0xAAE8EE, L"PaleGoldenrod"},
        {0x98FB98, L"PaleGreen"},
        {0xEEEEAF, L"PaleTurquoise"},
        {0x9370DB, L"PaleVioletRed"},
        {0xD5EFFF, L"PapayaWhip"},
        {0xB9DAFF, L"PeachPuff"},
        {0x3F85CD, L"Peru"},
        {0xCBC0FF, L"Pink"},
        {0xDDA0DD, L"Plum"},
        {0xE6E0B0, L"PowderBlue"},
        {0x800080, L"Purple"},
        {0x0000FF, L"Red"},
        {0x8F8FBC, L"RosyBrown"},
        {0xE16941, L"RoyalBlue"},
        {0x13458B, L"SaddleBrown"},
        {0x7280FA, L"Salmon"},
        {0x60A4F4, L"SandyBrown"},
        {0x578B2E, L"SeaGreen"},
        {0xEEF5FF, L"Seashell"},
        {0x2D52A0, L"Sienna"},
        {0xC0C0C0, L"Silver"},
        {0xEBCE87, L"SkyBlue"},
        {0xCD5A6A, L"SlateBlue"},
        {0x908070, L"SlateGray"},
        {0xFAFAFF, L"Snow"},
        {0x7FFF00, L"SpringGreen"},
        {0xB48246, L"SteelBlue"},
        {0x8CB4D2, L"Tan"},
        {0x808000, L"Teal"},
        {0xD8BFD8, L"Thistle"},
        {0x4763FF, L"Tomato"},
        {0xD0E040, L"Turquoise"},
        {0xEE82EE, L"Violet"},
        {0xB3DEF5, L"Wheat"},
        {0xFFFFFF, L"White"},
        {0xF5F5F5, L"WhiteSmoke"},
        {0x00FFFF, L"Yellow"},
        {0x32CD9A, L"YellowGreen"},
        {System(kActiveBorder), L"ActiveBorder"},
        {System(kActiveCaption), L"ActiveCaption"},
        {System(kCaptionText), L"ActiveCaptionText"},
        {System(kAppWorkspace), L"AppWorkspace"},
        {System(kBackground), L"Background"},
        {System(kBtnFace), L"BtnFace"},
        {System(kBtnHighlight), L"BtnHighlight"},
        {System(kBtnHighlight), L"BtnHilight"},
        {System(kBtnShadow), L"BtnShadow"},
        {System(kBtnText), L"BtnText"},
        {System(kCaptionText), L"CaptionText"},
        {System(kBtnFace), L"Control"},
        {System(kBtnShadow), L"ControlDark"},
        {System(kDarkShadow), L"ControlDarkDark"},
        {System(kLight), L"ControlLight"},
        {System(kBtnHighlight), L"ControlLightLight"},
        {System(kBtnText), L"ControlText"},
        {System(kBackground), L"Desktop"},
        {System(kGradientActiveCaption), L"GradientActiveCaption"},
        {System(kGradientInactiveCaption), L"GradientInactiveCaption"},
        {System(kGrayText), L"GrayText"},
        {System(kHighlight), L"Highlight"},
        {System(kHighlightText), L"HighlightText"},
        {System(kHotLight), L"HotLight"},
        {System(kHotLight), L"HotTrack"},
        {System(kInactiveBorder), L"InactiveBorder"},
        {System(kInactiveCaption), L"InactiveCaption"},
        {System(kInactiveCaptionText), L"InactiveCaptionText"},
        {System(kInfoBk), L"Info"},
        {System(kInfoBk), L"InfoBk"},
        {System(kInfoText), L"InfoText"},
        {System(kMenu), L"Menu"},
        {System(kMenuBar), L"MenuBar"},
        {System(kMenuHilight), L"MenuHilight"},
        {System(kMenuText), L"MenuText"},
        {System(kScrollBar), L"ScrollBar"},
        {System(kWindow), L"Window"},
        {System(kWindowFrame), L"WindowFrame"},
        {System(kWindowText), L"WindowText"},
    };
}

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == L'\0';
}

int Modulo256(long long value) {
    return static_cast<int>(((value % 256) + 256) % 256);
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

}  // namespace

ColorRef ColorRefFromQColor(const QColor& color) {
    return MakeColorRef(color.red(), color.green(), color.blue());
}

QColor ResolveColorRef(ColorRef color, const QPalette& palette) {
    if ((color & kSystemColorFlag) == 0) {
        return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    }
    switch (static_cast<SystemColor>(color & 0xFF)) {
        case kScrollBar:
        case kLight:
            return palette.color(QPalette::Midlight);
        case kBackground:
        case kAppWorkspace:
        case kBtnShadow:
            return palette.color(QPalette::Dark);
        case kActiveCaption:
        case kHighlight:
        case kGradientActiveCaption:
        case kMenuHilight:
            return palette.color(QPalette::Highlight);
        case kInactiveCaption:
        case kGradientInactiveCaption:
            return palette.color(QPalette::Mid);
        case kMenu:
        case kMenuBar:
        case kActiveBorder:
        case kInactiveBorder:
            return palette.color(QPalette::Window);
        case kWindow:
            return palette.color(QPalette::Base);
        case kWindowFrame:
        case kDarkShadow:
            return palette.color(QPalette::Shadow);
        case kMenuText:
        case kInactiveCaptionText:
            return palette.color(QPalette::WindowText);
        case kWindowText:
            return palette.color(QPalette::Text);
        case kCaptionText:
        case kHighlightText:
            return palette.color(QPalette::HighlightedText);
        case kBtnFace:
            return palette.color(QPalette::Button);
        case kGrayText:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case kBtnText:
            return palette.color(QPalette::ButtonText);
        case kBtnHighlight:
            return palette.color(QPalette::Light);
        case kInfoText:
            return palette.color(QPalette::ToolTipText);
        case kInfoBk:
            return palette.color(QPalette::ToolTipBase);
        case kHotLight:
            return palette.color(QPalette::Link);
    }
    return Qt::black;
}

const std::vector<ColorNames::Entry>& ColorNames::Table() {
    static const std::vector<Entry> table = BuildTable();
    return table;
}

std::optional<ColorRef> ColorNames::Find(const std::wstring& name) {
    for (const Entry& entry : Table()) {
        if (EqualsIgnoringCase(name, entry.name)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

ColorRef ColorNames::FromText(const std::wstring& text) {
    const size_t comma = text.find(L',');
    if (comma != std::wstring::npos) {
        const size_t second = text.find(L',', comma + 1);
        const long long blue = second == std::wstring::npos
                                   ? 0
                                   : WideToInt(std::wstring_view(text).substr(second + 1));
        return MakeColorRef(Modulo256(WideToInt(text)),
                            Modulo256(WideToInt(std::wstring_view(text).substr(comma + 1))),
                            Modulo256(blue));
    }
    if (text.size() == 7 && text[0] == L'#') {
        int components[3];
        for (int i = 0; i < 3; ++i) {
            const int high = HexDigit(text[1 + 2 * i]);
            const int low = HexDigit(text[2 + 2 * i]);
            if (high < 0 || low < 0) {
                return 0;
            }
            components[i] = high * 16 + low;
        }
        return MakeColorRef(components[0], components[1], components[2]);
    }
    return Find(text).value_or(0);
}
