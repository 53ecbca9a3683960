#include "resources/string_table.h"

#include "platform/wide_int.h"

#include <unordered_map>
#include <vector>

namespace {

const std::unordered_map<int, const wchar_t*>& Table() {
    static const std::unordered_map<int, const wchar_t*> table = {
#define TAMSEL_STRING(name, id, text) {id, text},
#include "resources/strings.def"
#undef TAMSEL_STRING
    };
    return table;
}

// Takes the value before the first comma and deletes through that comma. Without a comma
// the value is that of an empty text (0) and nothing is deleted.
int TakeField(std::wstring& rest) {
    const size_t comma = rest.find(L',');
    if (comma == std::wstring::npos) {
        return 0;
    }
    const int value = WideToInt(rest.substr(0, comma));
    rest.erase(0, comma + 1);
    return value;
}

}  // namespace

std::wstring LoadString(int id) {
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? std::wstring() : std::wstring(it->second);
}

std::wstring FormatString(int id, std::initializer_list<std::wstring> arguments) {
    const std::wstring pattern = LoadString(id);
    const std::vector<std::wstring> args(arguments);
    std::wstring out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size() && pattern[i + 1] >= L'1' &&
            pattern[i + 1] <= L'9') {
            const size_t index = static_cast<size_t>(pattern[i + 1] - L'1');
            if (index < args.size()) {
                out += args[index];
            }
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

int ParseLayoutRect(const std::wstring& text, int& x, int& y, int& cx, int& cy) {
    if (text.empty()) {
        return 0;
    }
    std::wstring rest = text;
    x = TakeField(rest);
    y = TakeField(rest);
    cx = TakeField(rest);
    cy = WideToInt(rest);
    return 1;
}

int LoadLayoutRect(int id, int& x, int& y, int& cx, int& cy) {
    return ParseLayoutRect(LoadString(id), x, y, cx, cy);
}

PageArea LoadPageArea(int rectId) {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    if (LoadLayoutRect(rectId, x, y, cx, cy) == 0) {
        return {};
    }
    return PageArea::FromLayout(x, y, cx, cy);
}
