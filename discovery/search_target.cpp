#include "discovery/search_target.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

constexpr Ipv4 kLimitedBroadcast = 0xFFFFFFFFu;

bool InBlock(Ipv4 address, Ipv4 network, int prefixLength) {
    return SameSubnet(address, network, PrefixToMask(prefixLength));
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) {
        return std::wstring();
    }
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// "n" of "/n": one or two decimal digits, at most 32.
std::optional<int> ParsePrefix(const std::wstring& text) {
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (wchar_t ch : text) {
        if (ch < L'0' || ch > L'9') {
            return std::nullopt;
        }
        value = value * 10 + (ch - L'0');
    }
    return value <= 32 ? std::optional<int>(value) : std::nullopt;
}

// Why no device can answer a unicast search at the block; 0 when one can. A block of at
// most a /22 lies wholly inside or wholly outside each of these ranges, all of them /8 or
// larger and aligned, so its first address decides (the limited broadcast is a /32).
int RefusedRange(Ipv4 network, int prefixLength) {
    if (InBlock(network, 0, 8)) {
        return kTextTargetThisNetwork;
    }
    if (InBlock(network, 0x7F000000u, 8)) {
        return kTextTargetLoopback;
    }
    if (InBlock(network, 0xE0000000u, 4)) {
        return kTextTargetMulticast;
    }
    if (InBlock(kLimitedBroadcast, network, prefixLength)) {
        return kTextTargetBroadcast;
    }
    if (InBlock(network, 0xF0000000u, 4)) {
        return kTextTargetReserved;
    }
    return 0;
}

SearchTargetParse Refuse(int messageId, const std::wstring& text) {
    return SearchTargetParse{std::nullopt, FormatString(messageId, {text})};
}

}  // namespace

uint32_t SearchTarget::Count() const {
    const uint32_t size = prefixLength >= 32 ? 1u : 1u << (32 - prefixLength);
    return size >= 4 ? size - 2 : size;
}

Ipv4 SearchTarget::Address(uint32_t index) const {
    const uint32_t size = prefixLength >= 32 ? 1u : 1u << (32 - prefixLength);
    return network + index + (size >= 4 ? 1u : 0u);
}

std::wstring SearchTarget::Text() const {
    const std::wstring address = FormatIpv4(network);
    return prefixLength >= 32 ? address : address + L"/" + std::to_wstring(prefixLength);
}

SearchTargetParse ParseSearchTarget(const std::wstring& text) {
    const std::wstring trimmed = Trimmed(text);
    const size_t slash = trimmed.find(L'/');
    const std::optional<Ipv4> address = ParseIpv4(trimmed.substr(0, slash));
    std::optional<int> prefixLength = 32;
    if (slash != std::wstring::npos) {
        prefixLength = ParsePrefix(trimmed.substr(slash + 1));
    }
    if (!address || !prefixLength) {
        return Refuse(kTextTargetNotAddress, trimmed);
    }
    SearchTarget target;
    target.prefixLength = *prefixLength;
    target.network = *address & PrefixToMask(*prefixLength);
    if (target.prefixLength < SearchTarget::kShortestPrefix) {
        const uint64_t size = uint64_t{1} << (32 - target.prefixLength);
        return SearchTargetParse{
            std::nullopt,
            FormatString(kTextTargetTooLarge, {target.Text(), std::to_wstring(size)})};
    }
    if (const int refused = RefusedRange(target.network, target.prefixLength); refused != 0) {
        return Refuse(refused, trimmed);
    }
    return SearchTargetParse{target, std::wstring()};
}
