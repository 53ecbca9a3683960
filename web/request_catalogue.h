#pragma once

#include <array>
#include <string>
#include <utility>

#include "web/web_request.h"

// The requests the repeater's web pages expect, byte for byte as a browser of the
// device's era sent them (request line, its header lines in its order, body). Building is
// separate from queuing: each builder is pure and returns the complete request; the web
// command queue sends it under the matching command name below.

// Command names the web command queue carries as labels.
inline constexpr wchar_t kCommandLanInfo[] = L"LANINFO";
inline constexpr wchar_t kCommandWanInfo[] = L"WANINFO";
inline constexpr wchar_t kCommandGetStatus[] = L"GETSTATUS";
inline constexpr wchar_t kCommandSiteSurvey[] = L"SITESURVEY";
inline constexpr wchar_t kCommandUncheckRepeater[] = L"UNCHECKREPEATER";
inline constexpr wchar_t kCommandRepeater[] = L"REPEATER";
inline constexpr wchar_t kCommandSetupIpAddress[] = L"SETUPIPADDRESS";
inline constexpr wchar_t kCommandSetupPassword[] = L"SETUPPASSWORD";
inline constexpr wchar_t kCommandUpload[] = L"UPLOAD";
inline constexpr wchar_t kCommandReboot[] = L"REBOOT";
inline constexpr wchar_t kCommandResetDefault[] = L"RESETDEFAULT";
// Recognised in results, but no builder produces them.
inline constexpr wchar_t kCommandGetDns[] = L"GETDNS";
inline constexpr wchar_t kCommandWireless[] = L"WIRELESS";
inline constexpr wchar_t kCommandSecurity[] = L"SECURITY";
inline constexpr wchar_t kCommandDhcpIp[] = L"DHCPIP";

// The device a request is addressed to: its dotted IPv4 address (Host and Referer lines),
// its subnet mask (travels with the queued command, not part of the text) and the Base64
// credential of the "Authorization: Basic" line.
struct DeviceTarget {
    std::wstring ip;
    std::wstring subnet;
    std::wstring authBase64;
};

// Page reads (GET, no body).
WebRequest BuildLanInfoRequest(const DeviceTarget& target);
WebRequest BuildWanInfoRequest(const DeviceTarget& target);
WebRequest BuildGetStatusRequest(const DeviceTarget& target);
WebRequest BuildSiteSurveyRequest(const DeviceTarget& target);

// Form posts with a fixed body.
WebRequest BuildUncheckRepeaterRequest(const DeviceTarget& target);
WebRequest BuildRebootRequest(const DeviceTarget& target);
WebRequest BuildResetDefaultRequest(const DeviceTarget& target);

// Security types of the station (repeater) form.
inline constexpr int kEncryptionNone = 0;
inline constexpr int kEncryptionWep = 1;
inline constexpr int kEncryptionWpa = 2;
// What RepeaterSettingsFor gives for a security keyword it does not know; such settings
// build an empty body and must not be sent.
inline constexpr int kEncryptionUnsupported = -1;

// The station form's arguments. The flags select the body variant; a length or format
// flag counts as set only when it is exactly 1.
struct RepeaterSettings {
    std::wstring ssid;
    std::wstring channel;              // inserted unchanged
    int encryptionType = 0;            // kEncryptionNone / kEncryptionWep / kEncryptionWpa
    int wpaCipher = 0;                 // 0 TKIP, 1 AES
    int pskFormat = 0;                 // 0 passphrase, 1 hexadecimal
    std::wstring pskKey;               // form-encoded unless pskFormat is 1
    int wepKeyLength = 0;              // 0 64-bit, 1 128-bit
    int wepKeyFormat = 0;              // 0 ASCII, 1 hexadecimal
    std::array<std::wstring, 4> keys;  // form-encoded unless wepKeyFormat is 1
    int defaultKey = 0;                // zero-based WEP default key index
};

// The station form body. A security type other than none, WEP or WPA gives an empty body.
std::wstring BuildRepeaterBody(const RepeaterSettings& settings);

// The station form post; it must reach the device right after the UNCHECKREPEATER post.
// The request ends with CR LF after the body, which content-Length does not count.
WebRequest BuildRepeaterRequest(const DeviceTarget& target, const RepeaterSettings& settings);

// A command name with its request, for sequences that must be queued together.
struct NamedRequest {
    std::wstring command;
    WebRequest request;
};

// UNCHECKREPEATER followed by REPEATER, the order in which the device needs them.
std::array<NamedRequest, 2> BuildRepeaterSequence(const DeviceTarget& target,
                                                  const RepeaterSettings& settings);

// The station settings for a network chosen on the wireless page: the security keyword
// ("NONE", "WEP", "TKIP", "AES", any letter case), the key the user typed and the
// zero-based WEP default key index (used for WEP only). WEP sends the key as all four
// keys; WPA sends it as the pre-shared key. An unknown keyword gives
// kEncryptionUnsupported.
RepeaterSettings RepeaterSettingsFor(const std::wstring& ssid, const std::wstring& channel,
                                     const std::wstring& keyword, const std::wstring& key,
                                     int defaultKeyIndex);

// The DHCP pool the device's LAN form expects for a new LAN address: .101-.200 when the
// address ends in ".100", .100-.201 when it ends in ".200", else .100-.200, each on the
// address's text up to its last '.' (empty when it has none).
std::pair<std::wstring, std::wstring> DhcpRangeFor(const std::wstring& ip);

// The LAN address form: new address, mask and DHCP server setting ("2" on, "0" off) are
// inserted unchanged.
WebRequest BuildSetupIpAddressRequest(const DeviceTarget& target, const std::wstring& ip,
                                      const std::wstring& mask, const std::wstring& dhcp);

// The password form; the confirmation field always repeats the new password.
WebRequest BuildSetupPasswordRequest(const DeviceTarget& target, const std::wstring& oldPassword,
                                     const std::wstring& newPassword);

// The firmware upload. The image's bytes are represented by a run of '?' as long as the
// file is now (WebRequest::placeholderLength), between `text` and `tail`; the transport
// puts the file's contents there when it sends. A path that is not a readable regular
// file gives a run of 0 and a correspondingly smaller content-Length.
WebRequest BuildUploadRequest(const DeviceTarget& target, const std::string& filePath);
