#pragma once

#include <optional>
#include <string>
#include <string_view>

// The simulated device's firmware image format: the 8 bytes "TMSLFW01", a version text
// of up to 32 bytes padded with zero bytes, then the payload (any length).
constexpr std::string_view kFirmwareMagic = "TMSLFW01";
constexpr size_t kFirmwareVersionBytes = 32;
constexpr size_t kFirmwareHeaderBytes = 8 + kFirmwareVersionBytes;

// The version an image announces, or nothing when `head` (the image's first bytes) does
// not start with a valid header: wrong magic, too short, an empty version or one with
// bytes outside printable ASCII.
std::optional<std::string> FirmwareVersionOf(std::string_view head);

// A header for `version` (cut to 32 bytes), for tests and demo images.
std::string MakeFirmwareHeader(std::string_view version);
