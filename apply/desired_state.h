#pragma once

#include <optional>
#include <string>
#include <string_view>

// The desired state of one repeater, as `tamselctl apply` reads it: a JSON document whose
// every field is optional. Any other key, at any level, is refused with its path.
//
//   {"device_password": "...",
//    "lan": {"ip": "192.168.1.50", "mask": "255.255.255.0", "dhcp": true},
//    "wireless": {"ssid": "Office", "security": "none|wep|tkip|aes", "key": "...",
//                 "key_index": 1, "force_key": false},
//    "password": "...",
//    "firmware": {"version": "3.1.5", "image": "/path/to/image.bin"}}
//
// device_password, password and wireless.key are secrets: nothing here puts them in a
// message.

struct DesiredLan {
    std::optional<std::wstring> ip;  // dotted, as the address fields show it
    std::optional<std::wstring> mask;
    std::optional<bool> dhcpServer;
};

struct DesiredWireless {
    std::wstring ssid;
    std::optional<std::wstring> security;  // "none", "wep", "tkip" or "aes"
    std::wstring key;
    int keyIndex = 1;  // 1-4, as the page's "Key 1" ... "Key 4"
    // The key cannot be read back: without this it is written only with a new SSID or
    // security.
    bool forceKey = false;
};

struct DesiredFirmware {
    std::wstring version;
    std::string imagePath;  // the file system's bytes
};

struct DesiredState {
    std::optional<std::wstring> devicePassword;
    std::optional<DesiredLan> lan;
    std::optional<DesiredWireless> wireless;
    std::optional<std::wstring> password;
    std::optional<DesiredFirmware> firmware;
};

// Why a document was refused: the field's path ("wireless.key", or "input" for the
// document as a whole) and one line that names it and never holds a secret's value.
struct InputProblem {
    std::string field;
    std::wstring line;
};

struct DesiredStateParse {
    std::optional<DesiredState> state;
    InputProblem problem;  // when there is no state
};

// The most bytes a document may have.
inline constexpr size_t kMaxDesiredStateBytes = 1 << 20;

// Reads and checks a document by the wizard's own input rules (web/input_rules.h): the
// LAN address and mask, the key for its security, the new password, the image file.
DesiredStateParse ParseDesiredState(std::string_view json);
