#include "platform/json_text.h"

#include <cstdint>

#include "platform/utf8_text.h"

namespace {

bool NeedsUnicodeEscape(uint32_t code) {
    // C0 and DEL end or corrupt a line; C1 (U+009B is a one-character CSI to many
    // terminals) acts on a terminal that shows the file; U+2028 and U+2029 end a line in
    // JavaScript, which reads JSON texts too.
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

}  // namespace

std::string JsonQuote(std::wstring_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (wchar_t ch : text) {
        const auto code = static_cast<uint32_t>(ch);
        switch (ch) {
            case L'"':
                out += "\\\"";
                continue;
            case L'\\':
                out += "\\\\";
                continue;
            case L'\n':
                out += "\\n";
                continue;
            case L'\r':
                out += "\\r";
                continue;
            case L'\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (NeedsUnicodeEscape(code)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out.push_back(kHex[(code >> shift) & 0xF]);
            }
        } else {
            out += WideToUtf8(std::wstring_view(&ch, 1));
        }
    }
    out += "\"";
    return out;
}

std::string JsonObject(const JsonMembers& members, const char* indent) {
    std::string out = "{";
    for (size_t i = 0; i < members.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += indent;
        out += "  \"";
        out += members[i].first;
        out += "\": " + JsonQuote(members[i].second);
    }
    out += "\n";
    out += indent;
    out += "}";
    return out;
}

std::string JsonArray(const std::vector<JsonMembers>& objects) {
    if (objects.empty()) {
        return "[]\n";
    }
    std::string out = "[";
    for (size_t i = 0; i < objects.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        out += JsonObject(objects[i], "  ");
    }
    return out + "\n]\n";
}
