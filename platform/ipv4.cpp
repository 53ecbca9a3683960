#include "platform/ipv4.h"

#include <arpa/inet.h>

#include "platform/ansi_text.h"

std::optional<Ipv4> ParseIpv4(const std::string& dotted) {
    in_addr parsed{};
    if (inet_pton(AF_INET, dotted.c_str(), &parsed) != 1) {
        return std::nullopt;
    }
    return ntohl(parsed.s_addr);
}

std::optional<Ipv4> ParseIpv4(const std::wstring& dotted) {
    if (dotted.find(L'\0') != std::wstring::npos) {
        return std::nullopt;
    }
    return ParseIpv4(WideToAnsi(dotted));
}

std::string FormatIpv4Ascii(Ipv4 address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::wstring FormatIpv4(Ipv4 address) {
    const std::string text = FormatIpv4Ascii(address);
    return std::wstring(text.begin(), text.end());
}

std::optional<int> MaskToPrefix(Ipv4 mask) {
    const Ipv4 hostBits = ~mask;
    // A contiguous mask leaves a run of low one bits, so adding one gives a power of two.
    if ((hostBits & (hostBits + 1)) != 0) {
        return std::nullopt;
    }
    int prefix = 0;
    for (Ipv4 m = mask; m & 0x80000000u; m <<= 1) {
        ++prefix;
    }
    return prefix;
}

Ipv4 PrefixToMask(int prefixLength) {
    if (prefixLength <= 0) {
        return 0;
    }
    if (prefixLength >= 32) {
        return 0xFFFFFFFFu;
    }
    return ~((1u << (32 - prefixLength)) - 1);
}

namespace {

struct PrivateNetwork {
    Ipv4 base;
    int prefixLength;
};

constexpr PrivateNetwork kPrivateNetworks[] = {
    {0x0A000000, 8},   // 10.0.0.0/8
    {0xAC100000, 12},  // 172.16.0.0/12
    {0xC0A80000, 16},  // 192.168.0.0/16
};

}  // namespace

std::optional<int> PrivateNetworkPrefix(Ipv4 address) {
    for (const PrivateNetwork& network : kPrivateNetworks) {
        if (SameSubnet(address, network.base, PrefixToMask(network.prefixLength))) {
            return network.prefixLength;
        }
    }
    return std::nullopt;
}
