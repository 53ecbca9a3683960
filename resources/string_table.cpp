#include "resources/string_table.h"

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
