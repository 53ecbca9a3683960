#include "web/input_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "web/survey_parser.h"

namespace {

// Hexadecimal digits are the ASCII ones only; the locale plays no part.
bool IsHexDigits(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t ch) {
        return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'f') ||
               (ch >= L'A' && ch <= L'F');
    });
}

InputVerdict Refuse(int messageId, InputFocus focus, int octet = -1) {
    return InputVerdict{messageId, focus, octet};
}

}  // namespace

std::optional<Ipv4Octets> ParseDottedOctets(std::wstring_view text) {
    Ipv4Octets octets = {0, 0, 0, 0};
    if (text.empty()) {
        return octets;
    }
    size_t field = 0;
    int digits = 0;
    for (wchar_t ch : text) {
        if (ch == L'.') {
            if (++field == octets.size()) {
                return std::nullopt;
            }
            digits = 0;
        } else if (ch >= L'0' && ch <= L'9') {
            if (++digits > 3) {
                return std::nullopt;
            }
            octets[field] = octets[field] * 10 + (ch - L'0');
            if (octets[field] > 255) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    if (field != octets.size() - 1) {
        return std::nullopt;
    }
    return octets;
}

std::wstring FormatDottedOctets(const Ipv4Octets& octets) {
    return std::to_wstring(octets[0]) + L'.' + std::to_wstring(octets[1]) + L'.' +
           std::to_wstring(octets[2]) + L'.' + std::to_wstring(octets[3]);
}

bool IsValidSubnetMask(const Ipv4Octets& mask) {
    uint32_t bits = 0;
    for (int octet : mask) {
        bits = (bits << 8) | static_cast<uint32_t>(octet & 0xFF);
    }
    if (bits == 0 || (bits & 1U) != 0) {
        return false;
    }
    // Leading ones followed only by zeros: inverting gives a run of low ones, and adding
    // one to such a run leaves no bit in common with it.
    const uint32_t hostBits = ~bits;
    return (hostBits & (hostBits + 1U)) == 0;
}

InputVerdict CheckLanAddress(const Ipv4Octets& ip, const Ipv4Octets& mask) {
    // Class A to C unicast only; 0 and 224 and above are not device addresses.
    if (ip[0] < 1 || ip[0] > 223) {
        return Refuse(kMsgIpFirstOctet, InputFocus::IpAddress, 0);
    }
    // Host part .0 and .255 are the network and broadcast addresses of a /24.
    if (ip[3] < 1 || ip[3] > 254) {
        return Refuse(kMsgIpLastOctet, InputFocus::IpAddress, 3);
    }
    if (!IsValidSubnetMask(mask)) {
        return Refuse(kMsgSubnetMask, InputFocus::SubnetMask, 0);
    }
    return {};
}

InputVerdict CheckLanAddressText(std::wstring_view ip, std::wstring_view mask) {
    const std::optional<Ipv4Octets> ipOctets = ParseDottedOctets(ip);
    if (!ipOctets) {
        return Refuse(kMsgIpFirstOctet, InputFocus::IpAddress, 0);
    }
    const std::optional<Ipv4Octets> maskOctets = ParseDottedOctets(mask);
    if (!maskOctets) {
        // The IP address is checked before the mask is even read.
        const InputVerdict ipVerdict = CheckLanAddress(*ipOctets, {255, 255, 255, 0});
        return ipVerdict.Accepted() ? Refuse(kMsgSubnetMask, InputFocus::SubnetMask, 0) : ipVerdict;
    }
    return CheckLanAddress(*ipOctets, *maskOctets);
}

InputVerdict CheckPasswordChange(const std::wstring& typedCurrent,
                                 const std::wstring& devicePassword,
                                 const std::wstring& newPassword, const std::wstring& repeat) {
    if (typedCurrent != devicePassword) {
        return Refuse(kMsgLoginIncorrect, InputFocus::CurrentPassword);
    }
    if (newPassword != repeat || repeat.empty()) {
        return Refuse(kMsgReEnterPassword, InputFocus::NewPassword);
    }
    if (!IsAnsiRepresentable(newPassword)) {
        return Refuse(kMsgPasswordCharacters, InputFocus::NewPassword);
    }
    return {};
}

std::optional<WepKeyFlags> ReadWepKey(const std::wstring& key) {
    if (!IsAnsiRepresentable(key)) {
        return std::nullopt;
    }
    switch (key.size()) {
        case 5:
            return WepKeyFlags{0, 0};
        case 13:
            return WepKeyFlags{0, 1};
        case 10:
            return IsHexDigits(key) ? std::optional(WepKeyFlags{1, 0}) : std::nullopt;
        case 26:
            return IsHexDigits(key) ? std::optional(WepKeyFlags{1, 1}) : std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<int> ReadPreSharedKeyFormat(const std::wstring& key) {
    if (!IsAnsiRepresentable(key)) {
        return std::nullopt;
    }
    if (key.size() == 64) {
        return IsHexDigits(key) ? std::optional(1) : std::nullopt;
    }
    if (key.size() >= 8 && key.size() <= 63) {
        return 0;
    }
    return std::nullopt;
}

BridgeSecurity CheckBridgeKey(const std::wstring& keyword, const std::wstring& key) {
    BridgeSecurity security;
    if (EqualsIgnoreCase(keyword, L"NONE")) {
        return security;
    }
    if (EqualsIgnoreCase(keyword, L"WEP")) {
        const std::optional<WepKeyFlags> flags = ReadWepKey(key);
        if (!flags) {
            security.messageId = kMsgWepKey;
            return security;
        }
        security.encryptionType = 1;
        security.wepKeyFormat = flags->format;
        security.wepKeyLength = flags->length;
        return security;
    }
    const bool tkip = EqualsIgnoreCase(keyword, L"TKIP");
    if (tkip || EqualsIgnoreCase(keyword, L"AES")) {
        const std::optional<int> format = ReadPreSharedKeyFormat(key);
        if (!format) {
            security.messageId = kMsgPreSharedKey;
            return security;
        }
        security.encryptionType = 2;
        security.wpaCipher = tkip ? 0 : 1;
        security.pskFormat = *format;
        return security;
    }
    security.messageId = kMsgUnsupportedSecurity;
    return security;
}

InputVerdict CheckImageFile(const std::string& path) {
    if (path.empty()) {
        return Refuse(kMsgEnterFile, InputFocus::None);
    }
    // A zero byte would end the name early and test another file.
    if (path.find('\0') != std::string::npos) {
        return Refuse(kMsgInvalidFile, InputFocus::None);
    }
    // Non-blocking, so that a pipe or a device is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return Refuse(kMsgInvalidFile, InputFocus::None);
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? InputVerdict{} : Refuse(kMsgInvalidFile, InputFocus::None);
}
