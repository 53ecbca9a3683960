// The desired state `tamselctl apply` reads from a file or standard input: any bytes are
// either one state whose every field passed the wizard's input rules, or refused with
// the field's path and one line, and that line never holds a secret of the document.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "apply/desired_state.h"
#include "fuzz_check.h"
#include "platform/ipv4.h"
#include "platform/utf8_text.h"

namespace {

// The secrets a document holds, as the refusal line would show them.
void CheckNoSecretIn(const std::wstring& line, const nlohmann::json& document) {
    const auto check = [&line](const nlohmann::json* value) {
        if (value != nullptr && value->is_string()) {
            const std::wstring secret = Utf8ToWide(value->get<std::string>());
            // Short ones may appear by chance, as part of the line's own words.
            if (secret.size() >= 6) {
                FUZZ_CHECK(line.find(secret) == std::wstring::npos);
            }
        }
    };
    const auto field = [](const nlohmann::json& object, const char* key) -> const nlohmann::json* {
        if (!object.is_object()) {
            return nullptr;
        }
        const auto it = object.find(key);
        return it == object.end() ? nullptr : &*it;
    };
    check(field(document, "device_password"));
    check(field(document, "password"));
    if (const nlohmann::json* wireless = field(document, "wireless")) {
        check(field(*wireless, "key"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DesiredStateParse parsed = ParseDesiredState(text);
    FUZZ_CHECK(parsed.state.has_value() == parsed.problem.field.empty());
    if (!parsed.state) {
        FUZZ_CHECK(!parsed.problem.line.empty());
        // About the field, not the document: no longer than the field's name allows. (A
        // name may hold control characters; the line is escaped where it is shown.)
        FUZZ_CHECK(parsed.problem.line.size() <= parsed.problem.field.size() + 200);
        const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
        if (!document.is_discarded()) {
            CheckNoSecretIn(parsed.problem.line, document);
        }
        return 0;
    }
    const DesiredState& state = *parsed.state;
    if (state.lan) {
        if (state.lan->ip) {
            FUZZ_CHECK(ParseIpv4(*state.lan->ip).has_value());
        }
        if (state.lan->mask) {
            FUZZ_CHECK(ParseIpv4(*state.lan->mask).has_value());
        }
    }
    if (state.wireless) {
        FUZZ_CHECK(state.wireless->keyIndex >= 1 && state.wireless->keyIndex <= 4);
    }
    if (state.firmware) {
        // A version comes with the image that gives it.
        FUZZ_CHECK(!state.firmware->version.empty() && !state.firmware->imagePath.empty());
    }
    return 0;
}
