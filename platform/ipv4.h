#pragma once

#include <cstdint>
#include <optional>
#include <string>

// IPv4 addresses and masks as 32-bit values in host byte order: 192.168.1.200 is
// 0xC0A801C8, 255.255.255.0 is 0xFFFFFF00.
using Ipv4 = uint32_t;

// Strict dotted-quad text ("a.b.c.d", each part 0-255) to an address; nullopt for
// anything else, so that a malformed text never turns into a usable address.
std::optional<Ipv4> ParseIpv4(const std::wstring& dotted);
std::optional<Ipv4> ParseIpv4(const std::string& dotted);

std::wstring FormatIpv4(Ipv4 address);
std::string FormatIpv4Ascii(Ipv4 address);

// The prefix length of a contiguous mask (0-32); nullopt for a mask with holes.
std::optional<int> MaskToPrefix(Ipv4 mask);
Ipv4 PrefixToMask(int prefixLength);

inline bool SameSubnet(Ipv4 a, Ipv4 b, Ipv4 mask) {
    return (a & mask) == (b & mask);
}
