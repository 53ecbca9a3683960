#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ipv4.h"

// Where a search by address goes: one IPv4 address, or a block of them given in CIDR
// notation. The search request then goes to each address as unicast, so that a device
// that answers to the sender is found beyond the LAN's broadcast domain: behind a router,
// or through a firewall that lets answers in only to what the PC sent.
struct SearchTarget {
    // The largest block a search covers: a /22, 1024 addresses.
    static constexpr int kShortestPrefix = 22;

    Ipv4 network = 0;       // the block's first address (the address itself for one)
    int prefixLength = 32;  // kShortestPrefix to 32

    // The addresses searched. A block of 4 or more leaves out its first and its last
    // address, which are the network and broadcast addresses of a subnet of that size
    // and never a device's own (a /24 has 254, a /22 1022); a /31 (a point-to-point pair)
    // and a /32 keep every address.
    uint32_t Count() const;
    // The `index`th of them, from 0 to Count() - 1, in ascending order.
    Ipv4 Address(uint32_t index) const;
    // "192.168.1.7" for one address, "192.168.1.0/24" for a block.
    std::wstring Text() const;

    bool operator==(const SearchTarget&) const = default;
};

struct SearchTargetParse {
    std::optional<SearchTarget> target;
    std::wstring reason;  // why the text was refused, a whole sentence; empty when accepted
};

// Reads "a.b.c.d" or "a.b.c.d/n" (blanks around it are ignored). Host bits in a block are
// dropped: 192.168.1.7/24 is 192.168.1.0/24. Refused, with a reason: any other text, a
// block larger than a /22, and the addresses where no device answers a unicast search
// (0.0.0.0/8, loopback 127.0.0.0/8, multicast 224.0.0.0/4, the limited broadcast
// 255.255.255.255 and the rest of the reserved 240.0.0.0/4).
SearchTargetParse ParseSearchTarget(const std::wstring& text);
