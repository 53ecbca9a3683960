#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The search protocol on UDP port 13379, as the repeater speaks it.
//
// Request, 16 bytes: target MAC (six 0xFF for every device), "ZELKOR", the request code
// 00 A0 and its bitwise complement FF 5F.
//
// Reply, at least 424 bytes of zero-terminated text fields at fixed offsets:
//   17 MAC as 12 hex digits, 49 model, 72 IPv4 address, 104 subnet mask,
//   136 web login user name, 152 web login password (up to 424).
// Bytes 0-16 are ours to choose; we send the device's MAC in binary, the signature and
// the reply code 00 A1 with its complement, so a packet capture reads sensibly.

using MacAddress = std::array<uint8_t, 6>;

constexpr uint16_t kDiscoveryPort = 13379;
constexpr size_t kSearchRequestSize = 16;
constexpr size_t kSearchReplySize = 424;

// Parses "001a2b3c4d5e", "00:1a:2b:3c:4d:5e" or "00-1A-2B-3C-4D-5E".
std::optional<MacAddress> ParseMac(std::string_view text);
// "00:1a:2b:3c:4d:5e" style with the given case.
std::string FormatMac(const MacAddress& mac, bool upperCase);

// True when `datagram` is a well-formed search request addressed to every device or to
// `ownMac`.
bool IsSearchRequestFor(const uint8_t* datagram, size_t length, const MacAddress& ownMac);

struct DiscoveryIdentity {
    MacAddress mac{};
    std::string model;
    std::string ip;
    std::string mask;
    std::string user;
    std::string password;
};

// The reply laid out as above, `length` bytes long. A length below 424 cuts the layout
// short (a deliberately broken device); above it the extra bytes are zero. A text longer
// than its field is cut so that its terminating zero still fits.
std::vector<uint8_t> BuildSearchReply(const DiscoveryIdentity& identity,
                                      size_t length = kSearchReplySize);

// Invalid datagram number `index` of a hostile device, in turn: empty, one byte, a reply
// one byte short of 424, and replies of 1025 and 2000 bytes, longer than any searcher
// reads. The replies describe `decoy`, so a searcher that took one would list it.
constexpr int kBadDatagramKinds = 5;
std::vector<uint8_t> BuildBadDatagram(int index, const DiscoveryIdentity& decoy);
