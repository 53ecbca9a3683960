#include "platform/ansi_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Windows-1252 bytes 0x80-0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr std::array<char16_t, 32> kHighControlBlock = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

wchar_t ByteToWide(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        const char16_t mapped = kHighControlBlock[byte - 0x80];
        return mapped != 0 ? static_cast<wchar_t>(mapped) : static_cast<wchar_t>(byte);
    }
    return static_cast<wchar_t>(byte);
}

char WideToByte(wchar_t ch) {
    const auto code = static_cast<uint32_t>(ch);
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<char>(code);
    }
    for (size_t i = 0; i < kHighControlBlock.size(); ++i) {
        const char16_t mapped = kHighControlBlock[i];
        if ((mapped != 0 && mapped == code) || (mapped == 0 && code == 0x80 + i)) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        out.push_back(WideToByte(ch));
    }
    return out;
}

std::wstring AnsiToWide(const char* bytes, size_t length) {
    std::wstring out;
    out.reserve(length);
    for (size_t i = 0; i < length && bytes[i] != '\0'; ++i) {
        out.push_back(ByteToWide(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    const auto fold = [](wchar_t ch) {
        return ch >= L'a' && ch <= L'z' ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
    };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

bool IsAnsiRepresentable(std::wstring_view text) {
    for (wchar_t ch : text) {
        if (ch != L'?' && WideToByte(ch) == '?') {
            return false;
        }
    }
    return true;
}
