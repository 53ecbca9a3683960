// The Base64 and form encoders on any text: both round-trip. Base64 decodes back to the
// text's Windows-1252 bytes and uses only its alphabet; the form encoding decodes back
// to the text and leaves no blank or reserved character bare.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "web/encoders.h"

namespace {

const std::wstring kBase64Alphabet =
    L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const std::wstring kFormReserved = L"!\"#$%&'()+,/:;<=>?[\\]^`{|}~ ";

std::string DecodeBase64(const std::wstring& text) {
    FUZZ_CHECK(text.size() % 4 == 0);
    std::string bytes;
    uint32_t group = 0;
    int bits = 0;
    size_t padding = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'=') {
            FUZZ_CHECK(i + 2 >= text.size());  // padding only in the last two places
            ++padding;
            continue;
        }
        FUZZ_CHECK(padding == 0);
        const size_t value = kBase64Alphabet.find(text[i]);
        FUZZ_CHECK(value != std::wstring::npos);
        group = group << 6 | static_cast<uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>(group >> bits & 0xFF));
        }
    }
    return bytes;
}

int HexValue(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') {
        return ch - L'0';
    }
    FUZZ_CHECK(ch >= L'A' && ch <= L'F');  // upper-case digits only
    return ch - L'A' + 10;
}

std::wstring DecodeForm(const std::wstring& text) {
    std::wstring decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'+') {
            decoded.push_back(L' ');
        } else if (text[i] == L'%') {
            FUZZ_CHECK(i + 2 < text.size());
            decoded.push_back(
                static_cast<wchar_t>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            FUZZ_CHECK(kFormReserved.find(text[i]) == std::wstring::npos);
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = fuzz::AnyText(data, size);

    const std::wstring base64 = EncodeBase64(text);
    FUZZ_CHECK(base64.size() == (text.size() + 2) / 3 * 4);
    FUZZ_CHECK(DecodeBase64(base64) == WideToAnsi(text));

    FUZZ_CHECK(DecodeForm(FormEncode(text)) == text);
    return 0;
}
