#include "cli/text.h"

#include <cstdint>
#include <vector>

#include "platform/ansi_text.h"
#include "resources/string_table.h"

namespace {

// Length of the UTF-8 sequence that starts at `bytes[i]` and its code point, or 0 when
// the bytes there are not a valid, shortest-form sequence.
size_t DecodeUtf8At(std::string_view bytes, size_t i, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8At(bytes, i, codePoint);
        if (length == 0) {
            const char byte = bytes[i];
            // A zero byte cannot come from a command line; keep it rather than cut.
            out += byte == '\0' ? std::wstring(1, L'\0') : AnsiToWide(&byte, 1);
            ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(codePoint));
        i += length;
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        auto code = static_cast<uint32_t>(ch);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::string JsonQuote(std::wstring_view text) {
    std::string out = "\"";
    for (wchar_t ch : text) {
        switch (ch) {
            case L'"':
                out += "\\\"";
                break;
            case L'\\':
                out += "\\\\";
                break;
            case L'\n':
                out += "\\n";
                break;
            case L'\r':
                out += "\\r";
                break;
            case L'\t':
                out += "\\t";
                break;
            default:
                if (static_cast<uint32_t>(ch) < 0x20 || ch == 0x7F) {
                    static const char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out.push_back(kHex[(ch >> 4) & 0xF]);
                    out.push_back(kHex[ch & 0xF]);
                } else {
                    out += WideToUtf8(std::wstring_view(&ch, 1));
                }
        }
    }
    out += "\"";
    return out;
}

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
