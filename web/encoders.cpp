#include "web/encoders.h"

#include <array>
#include <cstdint>

#include "platform/ansi_text.h"

std::wstring EncodeBase64(const std::wstring& text) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string bytes = WideToAnsi(text);
    std::wstring out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = (static_cast<unsigned char>(bytes[i]) << 16) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                               static_cast<unsigned char>(bytes[i + 2]);
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(kAlphabet[(group >> 6) & 63]);
        out.push_back(kAlphabet[group & 63]);
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : L'=');
        out.push_back(L'=');
    }
    return out;
}

std::wstring FormEncode(const std::wstring& text) {
    // The characters a browser's form submission escapes; everything else passes as is.
    static const std::wstring kEscaped = L"!\"#$%&'()+,/:;<=>?[\\]^`{|}~";
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        if (ch == L' ') {
            out.push_back(L'+');
        } else if (kEscaped.find(ch) != std::wstring::npos) {
            static const wchar_t kHex[] = L"0123456789ABCDEF";
            out.push_back(L'%');
            out.push_back(kHex[(ch >> 4) & 0xF]);
            out.push_back(kHex[ch & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}
