#include "discovery/datagram.h"

#include <algorithm>

#include "platform/ansi_text.h"

namespace {

// The product signature: six letters on the wire, kept as an 8-byte field.
constexpr char kSignature[8] = {'Z', 'E', 'L', 'K', 'O', 'R', 0, 0};
constexpr uint8_t kRequestCode[2] = {0x00, 0xA0};

// Reply layout: offset of each text field. A field ends at its zero byte; one without a
// zero byte runs on into the next field.
constexpr size_t kMacOffset = 17;
constexpr size_t kModelOffset = 49;
constexpr size_t kIpOffset = 72;
constexpr size_t kSubnetOffset = 104;
constexpr size_t kUserNameOffset = 136;
constexpr size_t kPasswordOffset = 152;

wchar_t AsciiUpper(wchar_t ch) {
    return (ch >= L'a' && ch <= L'z') ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
}

std::wstring WithoutApostrophes(std::wstring text) {
    std::erase(text, L'\'');
    return text;
}

// The text at `offset`, read up to its zero byte and never past `limit`.
std::wstring ReadField(const uint8_t* bytes, size_t limit, size_t offset) {
    return AnsiToWide(reinterpret_cast<const char*>(bytes) + offset, limit - offset);
}

}  // namespace

std::array<uint8_t, kSearchRequestSize> BuildSearchRequest(const uint8_t target[6]) {
    std::array<uint8_t, kSearchRequestSize> request{};
    std::copy(target, target + 6, request.begin());
    std::copy(kSignature, kSignature + 6, request.begin() + 6);
    request[12] = kRequestCode[0];
    request[13] = kRequestCode[1];
    request[14] = static_cast<uint8_t>(~kRequestCode[0]);
    request[15] = static_cast<uint8_t>(~kRequestCode[1]);
    return request;
}

std::wstring FormatMacAddress(const std::wstring& text) {
    std::wstring mac = WithoutApostrophes(text);
    std::transform(mac.begin(), mac.end(), mac.begin(), AsciiUpper);
    // Highest position first so the lower positions still point at the same digits.
    for (size_t position : {10u, 8u, 6u, 4u, 2u}) {
        mac.insert(std::min<size_t>(position, mac.size()), 1, L':');
    }
    return mac;
}

bool SameMacAddress(const std::wstring& a, const std::wstring& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

std::optional<FoundDevice> ParseSearchReply(const uint8_t* bytes, size_t count,
                                            const std::vector<FoundDevice>& known) {
    if (bytes == nullptr || count < kMinimumReplySize) {
        return std::nullopt;
    }
    const size_t limit = std::min(count, kReplyBufferSize);

    const std::wstring mac = FormatMacAddress(ReadField(bytes, limit, kMacOffset));
    for (const FoundDevice& device : known) {
        if (SameMacAddress(device.mac, mac)) {
            return std::nullopt;
        }
    }

    FoundDevice device;
    device.model = ReadField(bytes, limit, kModelOffset);
    device.mac = mac;
    device.ip = WithoutApostrophes(ReadField(bytes, limit, kIpOffset));
    device.subnet = WithoutApostrophes(ReadField(bytes, limit, kSubnetOffset));
    device.userName = WithoutApostrophes(ReadField(bytes, limit, kUserNameOffset));
    device.password = WithoutApostrophes(ReadField(bytes, limit, kPasswordOffset));
    return device;
}
