#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "apply/desired_state.h"
#include "device/device_operations.h"
#include "web/response_parsers.h"

// The comparison of a desired state with what the repeater reports, and the changes it
// needs in the order they must run:
//
//  - password, when it differs from the password this run logged in with (a password
//    cannot be read back, but the login is known: it worked);
//  - wireless, when the SSID or the security differs from what the interface page
//    reports, or with force_key (the key cannot be read back, so it is written only
//    along with those or when asked to);
//  - firmware, when the version differs from the status page's;
//  - lan last, when the address, mask or DHCP server differs from the LAN page's: it
//    moves the repeater, which must then be found at its new address.
//
// What the repeater reports comes from the pages the wizard reads (LAN, interface and
// status) and the login of its discovery answer; nothing here sends anything.

enum class ApplyStep { kPassword, kWireless, kFirmware, kLan };

// "password", "wireless", "firmware", "lan".
const char* ApplyStepName(ApplyStep step);

// What the repeater reported, and how this run reached it.
struct ObservedState {
    DeviceStatus status;
    std::wstring loginPassword;  // the password of the login that read the pages
};

// The interface page's security text as a keyword of the desired state ("none", "wep",
// "tkip", "aes"), read as the survey reads its words (WPA2 is AES, WPA alone TKIP); the
// text of a repeater that is not bridged is "none"; nullopt when it tells none of them.
std::optional<std::wstring> SecurityKeywordOf(const std::wstring& interfaceSecurity);

struct ApplyPlan {
    std::vector<ApplyStep> steps;
    // The LAN settings the lan step sends: the desired fields, the reported ones for
    // those left out.
    LanAddressChange lan;
    // The fields of the desired state before and after, in its shape; secrets only when
    // they change, as "(set)" before and "(changed)" after.
    nlohmann::json before = nlohmann::json::object();
    nlohmann::json after = nlohmann::json::object();

    bool Has(ApplyStep step) const;
};

ApplyPlan PlanApply(const DesiredState& desired, const ObservedState& observed);

// Whether the LAN page read after the change reports `lan`.
bool LanTaken(const LanAddressChange& lan, const DeviceStatus& status);
