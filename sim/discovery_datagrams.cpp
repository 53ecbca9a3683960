#include "sim/discovery_datagrams.h"

#include "sim/text_codec.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSignature[] = "ZELKOR";

struct ReplyField {
    size_t offset;
    size_t width;
};
constexpr ReplyField kMacField{17, 32};
constexpr ReplyField kModelField{49, 23};
constexpr ReplyField kIpField{72, 32};
constexpr ReplyField kMaskField{104, 32};
constexpr ReplyField kUserField{136, 16};
constexpr ReplyField kPasswordField{152, 272};

void PutText(std::vector<uint8_t>& layout, ReplyField field, std::string_view text) {
    size_t count = std::min(text.size(), field.width - 1);
    std::memcpy(layout.data() + field.offset, text.data(), count);
}

}  // namespace

std::optional<MacAddress> ParseMac(std::string_view text) {
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ':' || c == '-') {
            // Separators only between pairs of digits.
            if (digits.size() % 2 != 0 || digits.empty()) {
                return std::nullopt;
            }
            continue;
        }
        if (HexValue(c) < 0) {
            return std::nullopt;
        }
        digits += c;
    }
    if (digits.size() != 12) {
        return std::nullopt;
    }
    MacAddress mac{};
    for (size_t i = 0; i < mac.size(); ++i) {
        mac[i] = static_cast<uint8_t>(HexValue(digits[2 * i]) * 16 + HexValue(digits[2 * i + 1]));
    }
    return mac;
}

std::string FormatMac(const MacAddress& mac, bool upperCase) {
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i > 0) {
            text += ':';
        }
        text += digits[mac[i] >> 4];
        text += digits[mac[i] & 0x0f];
    }
    return text;
}

bool IsSearchRequestFor(const uint8_t* datagram, size_t length, const MacAddress& ownMac) {
    if (length != kSearchRequestSize) {
        return false;
    }
    const bool toEveryone =
        std::all_of(datagram, datagram + 6, [](uint8_t b) { return b == 0xff; });
    const bool toUs = std::equal(ownMac.begin(), ownMac.end(), datagram);
    if (!toEveryone && !toUs) {
        return false;
    }
    if (std::memcmp(datagram + 6, kSignature, 6) != 0) {
        return false;
    }
    return datagram[12] == 0x00 && datagram[13] == 0xa0 && datagram[14] == 0xff &&
           datagram[15] == 0x5f;
}

std::vector<uint8_t> BuildSearchReply(const DiscoveryIdentity& identity, size_t length) {
    std::vector<uint8_t> layout(std::max(length, kSearchReplySize), 0);
    std::copy(identity.mac.begin(), identity.mac.end(), layout.begin());
    std::memcpy(layout.data() + 6, kSignature, 6);
    layout[12] = 0x00;
    layout[13] = 0xa1;
    layout[14] = 0xff;
    layout[15] = 0x5e;

    std::string macDigits = FormatMac(identity.mac, false);
    std::erase(macDigits, ':');
    PutText(layout, kMacField, macDigits);
    PutText(layout, kModelField, identity.model);
    PutText(layout, kIpField, identity.ip);
    PutText(layout, kMaskField, identity.mask);
    PutText(layout, kUserField, identity.user);
    PutText(layout, kPasswordField, identity.password);
    layout.resize(length);
    return layout;
}

std::vector<uint8_t> BuildBadDatagram(int index, const DiscoveryIdentity& decoy) {
    switch (index % kBadDatagramKinds) {
        case 0:
            return {};
        case 1:
            return {0xa1};
        case 2:
            return BuildSearchReply(decoy, kSearchReplySize - 1);
        case 3:
            return BuildSearchReply(decoy, 1025);
        default:
            return BuildSearchReply(decoy, 2000);
    }
}
