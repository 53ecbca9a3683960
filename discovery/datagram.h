#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "discovery/search_target.h"

// The two datagrams of device discovery: the fixed 16-byte search request broadcast to
// UDP port 13379, and the fixed-layout reply every repeater sends back.

inline constexpr uint16_t kDiscoveryPort = 13379;
inline constexpr size_t kSearchRequestSize = 16;
// Replies shorter than this are not device replies (our own looped-back request is 16).
inline constexpr size_t kMinimumReplySize = 424;
// The receive buffer; nothing beyond it is ever read.
inline constexpr size_t kReplyBufferSize = 1024;

// Modes of a queued search request.
inline constexpr int32_t kSearchModeBroadcast = 0;
inline constexpr int32_t kSearchModeAddress = 1;

// One queued search request.
struct SearchRequest {
    std::wstring name;
    // kSearchModeBroadcast: broadcast the search request on each try;
    // kSearchModeAddress: send it to each address of `target` as unicast;
    // others send nothing.
    int32_t mode = kSearchModeBroadcast;
    std::array<uint8_t, 1024> buffer{};
    int32_t reserved = 0;
    uint32_t lastSend = 0;  // tick of the last send; 0 while not waiting
    int32_t triesLeft = 3;  // sends still allowed
    uint32_t intervalMs = 750;
    SearchTarget target;  // the addresses of a kSearchModeAddress request
};

// One device that answered a search.
struct FoundDevice {
    std::wstring model;
    std::wstring mac;  // "00:11:22:33:44:AA"
    std::wstring ip;
    std::wstring subnet;
    std::wstring userName;
    std::wstring password;
};

// The search request for `target` (six 0xFF bytes address every device).
std::array<uint8_t, kSearchRequestSize> BuildSearchRequest(const uint8_t target[6]);

// Turns a reply into a device record, or nothing when the datagram is too short or comes
// from a device already in `known` (the first reply of a device wins). Only the first
// kReplyBufferSize of the `count` bytes are looked at.
std::optional<FoundDevice> ParseSearchReply(const uint8_t* bytes, size_t count,
                                            const std::vector<FoundDevice>& known);

// The reply's MAC text as shown: apostrophes dropped, upper case, a colon before every
// second digit ("0011223344aa" -> "00:11:22:33:44:AA"). A short text gets the missing
// colons at its end.
std::wstring FormatMacAddress(const std::wstring& text);

// Whether two MAC texts name the same device (equal ignoring letter case).
bool SameMacAddress(const std::wstring& a, const std::wstring& b);
