#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The checks the wizard pages run on what the user typed before anything is sent to the
// device. The GUI pages and tamselctl both use them, so a refusal has the same message
// (a string-table id) wherever the input came from.

// The control a page focuses after showing a refusal.
enum class InputFocus { None, IpAddress, SubnetMask, CurrentPassword, NewPassword };

// Outcome of a check: a message id of 0 means the input is accepted.
struct InputVerdict {
    int messageId = 0;
    InputFocus focus = InputFocus::None;
    int octet = -1;  // for IpAddress and SubnetMask: the octet (0-3) to focus

    bool Accepted() const { return messageId == 0; }
};

// The four numbers of a dotted IPv4 address, first octet first.
using Ipv4Octets = std::array<int, 4>;

// Reads dotted text the way an IPv4 address control holds it: exactly four fields
// separated by three dots, each field blank (reads 0, as an untouched octet does) or one
// to three decimal digits worth 0-255; an entirely empty text is a blank control (all
// four 0). Anything else — white space, signs, a fourth dot, a field above 255, more
// than three digits — is refused with nullopt rather than guessed at.
std::optional<Ipv4Octets> ParseDottedOctets(std::wstring_view text);

// "a.b.c.d" in plain decimal.
std::wstring FormatDottedOctets(const Ipv4Octets& octets);

// True for a mask whose set bits are one unbroken run from the top bit, 1 to 31 bits
// long: 0.0.0.0 and 255.255.255.255 are refused.
bool IsValidSubnetMask(const Ipv4Octets& mask);

// The IP address page's Apply checks, in order:
//  142 first IP octet outside 1-223 (focus IP octet 0),
//  145 fourth IP octet outside 1-254 (focus IP octet 3),
//  146 mask not accepted by IsValidSubnetMask (focus mask octet 0).
// The second and third IP octets may be anything from 0 to 255.
InputVerdict CheckLanAddress(const Ipv4Octets& ip, const Ipv4Octets& mask);

// The same checks on typed text. Text that ParseDottedOctets refuses is answered like
// the first failing check of that field: 142 for the IP address, 146 for the mask.
InputVerdict CheckLanAddressText(std::wstring_view ip, std::wstring_view mask);

// The password fields hold at most this many characters.
inline constexpr int kPasswordFieldLimit = 30;

// The password page's Apply checks, in order, all exact and case-sensitive:
//  138 the typed current password differs from the device's (focus current password),
//  141 the new password and its repeat differ (focus new password),
//  141 the repeat is empty (focus new password),
//  kMsgPasswordCharacters the new password holds a character that has no Windows-1252
//      byte: it would reach the device as '?', and the password set would not be the
//      one typed (focus new password).
// The page clears all three password fields after any refusal.
InputVerdict CheckPasswordChange(const std::wstring& typedCurrent,
                                 const std::wstring& devicePassword,
                                 const std::wstring& newPassword, const std::wstring& repeat);

// The firmware page's check of the image file before anything is sent:
//  204 no file named,
//  254 `path` (the name's bytes, as the file system takes them, whatever their encoding)
//      does not open for reading as a regular file: missing, unreadable, a directory, a
//      device or a pipe, or a name with a zero byte in it.
// The contents are not looked at; the device judges the image.
InputVerdict CheckImageFile(const std::string& path);

// Keys are refused when a character has no Windows-1252 byte: the device would be given
// '?' in its place and bridge with a key other than the one typed.
//
// A WEP key is 5 or 13 characters of any kind, or 10 or 26 hexadecimal digits.
struct WepKeyFlags {
    int format = 0;  // 0 ASCII (5 or 13 characters), 1 hexadecimal
    int length = 0;  // 0 64-bit (5 or 10 characters), 1 128-bit
};
std::optional<WepKeyFlags> ReadWepKey(const std::wstring& key);

// A pre-shared key is 64 hexadecimal digits or a passphrase of 8 to 63 characters of
// any kind. Returns the format flag: 1 hexadecimal (64 characters), 0 passphrase.
std::optional<int> ReadPreSharedKeyFormat(const std::wstring& key);

// What the bridging request needs to know about the security of the chosen network,
// besides the key text itself, the SSID, the channel and the WEP default key.
struct BridgeSecurity {
    int messageId = 0;       // 0 when the key suits the network
    int encryptionType = 0;  // 0 none, 1 WEP, 2 WPA
    int wpaCipher = 0;       // 0 TKIP, 1 AES
    int pskFormat = 0;       // 0 passphrase, 1 hexadecimal
    int wepKeyLength = 0;    // 0 64-bit, 1 128-bit
    int wepKeyFormat = 0;    // 0 ASCII, 1 hexadecimal

    bool Accepted() const { return messageId == 0; }
};

// Checks `key` against the security keyword of a surveyed network (letter case ignored):
// "NONE" needs no key; "WEP" needs a valid WEP key, else 202; "TKIP" and "AES" need a
// valid pre-shared key, else 201; any other keyword is refused with 203.
BridgeSecurity CheckBridgeKey(const std::wstring& keyword, const std::wstring& key);
