#include "apply/desired_state.h"

#include <nlohmann/json.hpp>

#include <initializer_list>

#include "platform/utf8_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/input_rules.h"

namespace {

using Json = nlohmann::json;

// A refusal that ends the reading: thrown inside this file only.
struct Refused {
    InputProblem problem;
};

[[noreturn]] void Refuse(const std::string& field, int messageId,
                         const std::wstring& more = std::wstring()) {
    throw Refused{{field, FormatString(messageId, {Utf8ToWide(field), more})}};
}

// A refusal of the wizard's input rules, with their message after the field's name.
[[noreturn]] void RefuseByRule(const std::string& field, int ruleMessageId) {
    Refuse(field, kApplyFieldRule, LoadString(ruleMessageId));
}

std::string Path(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "." + key;
}

// The members of `object` (at `path`), each of which must be one of `known`.
const Json& Object(const Json& value, const std::string& path,
                   std::initializer_list<const char*> known) {
    if (!value.is_object()) {
        Refuse(path.empty() ? "input" : path, kApplyNotObject);
    }
    for (const auto& [key, member] : value.items()) {
        bool found = false;
        for (const char* name : known) {
            found = found || key == name;
        }
        if (!found) {
            // An empty name is spelt as JSON spells it, so the refusal still names a field.
            Refuse(Path(path, key.empty() ? "\"\"" : key), kApplyUnknownField);
        }
    }
    return value;
}

const Json* Member(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::wstring> Text(const Json& object, const std::string& path, const char* key) {
    const Json* value = Member(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        Refuse(Path(path, key), kApplyWrongType, LoadString(kApplyTypeString));
    }
    return Utf8ToWide(value->get_ref<const std::string&>());
}

std::optional<bool> Flag(const Json& object, const std::string& path, const char* key) {
    const Json* value = Member(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->is_boolean()) {
        Refuse(Path(path, key), kApplyWrongType, LoadString(kApplyTypeBoolean));
    }
    return value->get<bool>();
}

DesiredLan ReadLan(const Json& value) {
    const Json& lan = Object(value, "lan", {"ip", "mask", "dhcp"});
    DesiredLan desired{Text(lan, "lan", "ip"), Text(lan, "lan", "mask"), Flag(lan, "lan", "dhcp")};
    // The IP address page's rules; an address given alone is checked with any valid mask,
    // a mask alone on its own.
    std::optional<Ipv4Octets> ip;
    if (desired.ip && !(ip = ParseDottedOctets(*desired.ip))) {
        RefuseByRule("lan.ip", kMsgIpFirstOctet);
    }
    std::optional<Ipv4Octets> mask;
    if (desired.mask && !(mask = ParseDottedOctets(*desired.mask))) {
        RefuseByRule("lan.mask", kMsgSubnetMask);
    }
    const InputVerdict verdict = CheckLanAddress(ip.value_or(Ipv4Octets{192, 168, 1, 1}),
                                                 mask.value_or(Ipv4Octets{255, 255, 255, 0}));
    if (!verdict.Accepted()) {
        RefuseByRule(verdict.focus == InputFocus::SubnetMask ? "lan.mask" : "lan.ip",
                     verdict.messageId);
    }
    // As the address controls show them: plain decimal octets.
    if (ip) {
        desired.ip = FormatDottedOctets(*ip);
    }
    if (mask) {
        desired.mask = FormatDottedOctets(*mask);
    }
    return desired;
}

DesiredWireless ReadWireless(const Json& value) {
    const Json& wireless =
        Object(value, "wireless", {"ssid", "security", "key", "key_index", "force_key"});
    DesiredWireless desired;
    const std::optional<std::wstring> ssid = Text(wireless, "wireless", "ssid");
    if (!ssid || ssid->empty()) {
        Refuse("wireless.ssid", kApplyNeedsSsid);
    }
    desired.ssid = *ssid;
    if (const std::optional<std::wstring> security = Text(wireless, "wireless", "security")) {
        if (*security != L"none" && *security != L"wep" && *security != L"tkip" &&
            *security != L"aes") {
            Refuse("wireless.security", kApplySecurityValue);
        }
        desired.security = security;
    }
    desired.key = Text(wireless, "wireless", "key").value_or(std::wstring());
    if (const Json* index = Member(wireless, "key_index")) {
        if (!index->is_number_integer() || index->get<int64_t>() < 1 || index->get<int64_t>() > 4) {
            Refuse("wireless.key_index", kApplyKeyIndexRange);
        }
        desired.keyIndex = static_cast<int>(index->get<int64_t>());
    }
    desired.forceKey = Flag(wireless, "wireless", "force_key").value_or(false);
    // The wireless page's key rules; with the security left out they are checked against
    // what the repeater's survey says, before anything is written.
    if (desired.security) {
        const BridgeSecurity check = CheckBridgeKey(*desired.security, desired.key);
        if (!check.Accepted()) {
            RefuseByRule("wireless.key", check.messageId);
        }
    }
    return desired;
}

DesiredFirmware ReadFirmware(const Json& value) {
    const Json& firmware = Object(value, "firmware", {"version", "image"});
    const std::optional<std::wstring> version = Text(firmware, "firmware", "version");
    const Json* image = Member(firmware, "image");
    if (!version || version->empty()) {
        Refuse("firmware.version", kApplyImageNeedsVersion);
    }
    if (image == nullptr) {
        Refuse("firmware.image", kApplyVersionNeedsImage);
    }
    if (!image->is_string()) {
        Refuse("firmware.image", kApplyWrongType, LoadString(kApplyTypeString));
    }
    DesiredFirmware desired{*version, image->get<std::string>()};
    // The firmware page's check of the file, before anything is sent.
    if (const InputVerdict check = CheckImageFile(desired.imagePath); !check.Accepted()) {
        RefuseByRule("firmware.image", check.messageId);
    }
    return desired;
}

std::wstring ReadNewPassword(const Json& document) {
    std::wstring password = *Text(document, "", "password");
    // The password page's rules, the repeat being the same text; refused rather than cut.
    const InputVerdict check = CheckPasswordChange(password, password, password, password);
    if (!check.Accepted()) {
        RefuseByRule("password", check.messageId);
    }
    if (password.size() > static_cast<size_t>(kPasswordFieldLimit)) {
        Refuse("password", kApplyFieldRule,
               FormatString(kCliPasswordTooLong, {std::to_wstring(kPasswordFieldLimit)}));
    }
    return password;
}

}  // namespace

DesiredStateParse ParseDesiredState(std::string_view json) {
    if (json.size() > kMaxDesiredStateBytes) {
        return {std::nullopt,
                {"input", FormatString(kApplyTooLarge, {std::to_wstring(kMaxDesiredStateBytes)})}};
    }
    Json document;
    try {
        document = Json::parse(json);
    } catch (const Json::parse_error& error) {
        // Only the position: the text around it may be a secret.
        return {std::nullopt,
                {"input", FormatString(kApplyNotJson, {std::to_wstring(error.byte)})}};
    } catch (const Json::out_of_range&) {
        // A number beyond a double's range (1e400): valid JSON that nothing can hold.
        return {std::nullopt, {"input", LoadString(kApplyNumberTooLarge)}};
    }
    try {
        Object(document, "", {"device_password", "lan", "wireless", "password", "firmware"});
        DesiredState state;
        state.devicePassword = Text(document, "", "device_password");
        if (const Json* lan = Member(document, "lan")) {
            state.lan = ReadLan(*lan);
        }
        if (const Json* wireless = Member(document, "wireless")) {
            state.wireless = ReadWireless(*wireless);
        }
        if (Member(document, "password") != nullptr) {
            state.password = ReadNewPassword(document);
        }
        if (const Json* firmware = Member(document, "firmware")) {
            state.firmware = ReadFirmware(*firmware);
        }
        return {std::move(state), {}};
    } catch (const Refused& refused) {
        return {std::nullopt, refused.problem};
    }
}
