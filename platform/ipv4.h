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

// The private network of RFC 1918 (10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16) that holds
// `address`, as its prefix length; nullopt for every other address: public, loopback,
// link-local, shared (100.64.0.0/10), multicast, reserved. The one test of "private" that
// the search's advice and the rules of temporary addresses share.
std::optional<int> PrivateNetworkPrefix(Ipv4 address);
