#include "cli/text.h"

#include <cstdint>
#include <cstdio>

std::wstring EscapeControls(std::wstring_view text) {
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        const auto code = static_cast<uint32_t>(ch);
        const wchar_t* named = nullptr;
        switch (ch) {
            case L'\\':
                named = L"\\\\";
                break;
            case L'\a':
                named = L"\\a";
                break;
            case L'\b':
                named = L"\\b";
                break;
            case L'\t':
                named = L"\\t";
                break;
            case L'\n':
                named = L"\\n";
                break;
            case L'\v':
                named = L"\\v";
                break;
            case L'\f':
                named = L"\\f";
                break;
            case L'\r':
                named = L"\\r";
                break;
            case L'\x1b':
                named = L"\\e";
                break;
            default:
                break;
        }
        if (named != nullptr) {
            out += named;
        } else if (code < 0x20 || code == 0x7F) {
            out += L"\\x";
            out.push_back(kHex[code >> 4]);
            out.push_back(kHex[code & 0xF]);
        } else if (code >= 0x80 && code <= 0x9F) {
            out += L"\\u00";
            out.push_back(kHex[code >> 4]);
            out.push_back(kHex[code & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

void WriteErr(const std::wstring& line) {
    const std::string text = "tamselctl: " + WideToUtf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}
