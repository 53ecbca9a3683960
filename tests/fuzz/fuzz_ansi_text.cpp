// The Windows-1252 conversions and the keyword comparison on any bytes and any text:
// every byte round-trips, a character round-trips or becomes '?', and the comparison is
// an equivalence that folds only A-Z.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

namespace {

wchar_t FoldAscii(wchar_t ch) {
    return ch >= L'a' && ch <= L'z' ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Bytes: decoded up to the first zero byte, and encoded back unchanged.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring decoded = AnsiToWide(bytes);
    const size_t zero = bytes.find('\0');
    const std::string head = bytes.substr(0, zero);
    FUZZ_CHECK(decoded.size() == head.size());
    FUZZ_CHECK(WideToAnsi(decoded) == head);

    // Text: one byte per character; a character comes back as itself or as '?'.
    const std::wstring text = fuzz::AnyText(data, size);
    const std::string encoded = WideToAnsi(text);
    FUZZ_CHECK(encoded.size() == text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\0') {
            FUZZ_CHECK(encoded[i] == '\0');
            continue;
        }
        const std::wstring back = AnsiToWide(encoded.data() + i, 1);
        FUZZ_CHECK(back.size() == 1);
        FUZZ_CHECK(back[0] == text[i] || (encoded[i] == '?' && text[i] != L'?'));
    }

    // The comparison: reflexive, symmetric, blind to A-Z case and to nothing else.
    const std::wstring half = text.substr(0, text.size() / 2);
    const std::wstring other = text.substr(text.size() / 2);
    std::wstring folded = text;
    for (wchar_t& ch : folded) {
        ch = FoldAscii(ch);
    }
    FUZZ_CHECK(EqualsIgnoreCase(text, text));
    FUZZ_CHECK(EqualsIgnoreCase(text, folded));
    FUZZ_CHECK(EqualsIgnoreCase(half, other) == EqualsIgnoreCase(other, half));
    std::wstring foldedHalf = half;
    std::wstring foldedOther = other;
    for (wchar_t& ch : foldedHalf) {
        ch = FoldAscii(ch);
    }
    for (wchar_t& ch : foldedOther) {
        ch = FoldAscii(ch);
    }
    FUZZ_CHECK(EqualsIgnoreCase(half, other) == (foldedHalf == foldedOther));
    return 0;
}
