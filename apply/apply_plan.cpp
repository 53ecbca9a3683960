#include "apply/apply_plan.h"

#include <algorithm>

#include "platform/ansi_text.h"
#include "platform/utf8_text.h"
#include "web/input_rules.h"

namespace {

using Json = nlohmann::json;

constexpr char kSecretBefore[] = "(set)";
constexpr char kSecretAfter[] = "(changed)";

bool Contains(const std::wstring& text, const wchar_t* word) {
    std::wstring upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; });
    return upper.find(word) != std::wstring::npos;
}

// Two dotted addresses are the same when their octets are; text that is no address
// equals nothing.
bool SameAddress(const std::wstring& a, const std::wstring& b) {
    const std::optional<Ipv4Octets> left = ParseDottedOctets(a);
    const std::optional<Ipv4Octets> right = ParseDottedOctets(b);
    return left && right && !a.empty() && !b.empty() && *left == *right;
}

// The word in parentheses of the LAN page's DHCP cell: "Server (Enabled)" or
// "Enabled (Server)" for a server that runs, "(Disabled)" or "(None)" for one that does
// not; nullopt for anything else.
std::optional<bool> DhcpServerOf(const std::wstring& text) {
    for (const wchar_t* on : {L"Enabled", L"Server", L"On"}) {
        if (EqualsIgnoreCase(text, on)) {
            return true;
        }
    }
    for (const wchar_t* off : {L"Disabled", L"None", L"Off"}) {
        if (EqualsIgnoreCase(text, off)) {
            return false;
        }
    }
    return std::nullopt;
}

Json Text(const std::wstring& text) {
    return WideToUtf8(text);
}

void PlanLan(const DesiredLan& desired, const DeviceStatus& status, ApplyPlan& plan) {
    Json& before = plan.before["lan"];
    Json& after = plan.after["lan"];
    const std::optional<bool> dhcp = DhcpServerOf(status.dhcpServer);
    bool differs = false;
    if (desired.ip) {
        before["ip"] = Text(status.lanIp);
        after["ip"] = Text(*desired.ip);
        differs = differs || !SameAddress(*desired.ip, status.lanIp);
    }
    if (desired.mask) {
        before["mask"] = Text(status.lanMask);
        after["mask"] = Text(*desired.mask);
        differs = differs || !SameAddress(*desired.mask, status.lanMask);
    }
    if (desired.dhcpServer) {
        before["dhcp"] = dhcp ? Json(*dhcp) : Text(status.dhcpServer);
        after["dhcp"] = *desired.dhcpServer;
        differs = differs || dhcp != desired.dhcpServer;
    }
    // What is left out stays as the page reports it, in the form the page sends.
    const std::optional<Ipv4Octets> ip = ParseDottedOctets(status.lanIp);
    const std::optional<Ipv4Octets> mask = ParseDottedOctets(status.lanMask);
    plan.lan.ip = desired.ip.value_or(ip ? FormatDottedOctets(*ip) : status.lanIp);
    plan.lan.mask = desired.mask.value_or(mask ? FormatDottedOctets(*mask) : status.lanMask);
    plan.lan.dhcpServerOn = desired.dhcpServer.value_or(dhcp.value_or(false));
    if (differs) {
        plan.steps.push_back(ApplyStep::kLan);
    }
}

bool PlanWireless(const DesiredWireless& desired, const DeviceStatus& status, ApplyPlan& plan) {
    Json& before = plan.before["wireless"];
    Json& after = plan.after["wireless"];
    const std::optional<std::wstring> security = SecurityKeywordOf(status.security);
    before["ssid"] = Text(status.ssid);
    after["ssid"] = Text(desired.ssid);
    bool differs = TrimWhiteSpace(desired.ssid) != status.ssid;
    if (desired.security) {
        before["security"] = security ? Text(*security) : Text(status.security);
        after["security"] = Text(*desired.security);
        differs = differs || security != desired.security;
    }
    const bool rewrite = differs || desired.forceKey;
    if (rewrite && !desired.key.empty()) {
        before["key"] = kSecretBefore;
        after["key"] = kSecretAfter;
    }
    return rewrite;
}

}  // namespace

const char* ApplyStepName(ApplyStep step) {
    switch (step) {
        case ApplyStep::kPassword:
            return "password";
        case ApplyStep::kWireless:
            return "wireless";
        case ApplyStep::kFirmware:
            return "firmware";
        case ApplyStep::kLan:
            return "lan";
    }
    return "";
}

std::optional<std::wstring> SecurityKeywordOf(const std::wstring& interfaceSecurity) {
    const std::wstring text = TrimWhiteSpace(interfaceSecurity);
    if (Contains(text, L"TKIP")) {
        return L"tkip";
    }
    if (Contains(text, L"AES") || Contains(text, L"WPA2")) {
        return L"aes";
    }
    if (Contains(text, L"WPA")) {
        return L"tkip";
    }
    if (Contains(text, L"WEP")) {
        return L"wep";
    }
    if (EqualsIgnoreCase(text, L"None") || EqualsIgnoreCase(text, L"Disabled") ||
        EqualsIgnoreCase(text, L"Open")) {
        return L"none";
    }
    return std::nullopt;
}

bool ApplyPlan::Has(ApplyStep step) const {
    return std::find(steps.begin(), steps.end(), step) != steps.end();
}

ApplyPlan PlanApply(const DesiredState& desired, const ObservedState& observed) {
    ApplyPlan plan;
    const DeviceStatus& status = observed.status;
    if (desired.password && *desired.password != observed.loginPassword) {
        plan.steps.push_back(ApplyStep::kPassword);
        plan.before["password"] = kSecretBefore;
        plan.after["password"] = kSecretAfter;
    }
    if (desired.wireless && PlanWireless(*desired.wireless, status, plan)) {
        plan.steps.push_back(ApplyStep::kWireless);
    }
    if (desired.firmware) {
        plan.before["firmware"]["version"] = Text(status.firmwareVersion);
        plan.after["firmware"]["version"] = Text(desired.firmware->version);
        if (TrimWhiteSpace(desired.firmware->version) != status.firmwareVersion) {
            plan.steps.push_back(ApplyStep::kFirmware);
        }
    }
    if (desired.lan) {
        PlanLan(*desired.lan, status, plan);
    }
    return plan;
}

bool LanTaken(const LanAddressChange& lan, const DeviceStatus& status) {
    return SameAddress(lan.ip, status.lanIp) && SameAddress(lan.mask, status.lanMask) &&
           DhcpServerOf(status.dhcpServer) == lan.dhcpServerOn;
}
