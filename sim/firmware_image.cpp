#include "sim/firmware_image.h"

std::optional<std::string> FirmwareVersionOf(std::string_view head) {
    if (head.size() < kFirmwareHeaderBytes || !head.starts_with(kFirmwareMagic)) {
        return std::nullopt;
    }
    std::string_view field = head.substr(kFirmwareMagic.size(), kFirmwareVersionBytes);
    std::string_view version = field.substr(0, field.find('\0'));
    if (version.empty()) {
        return std::nullopt;
    }
    for (char c : version) {
        if (c < 0x20 || c > 0x7e) {
            return std::nullopt;
        }
    }
    // Only zero bytes may follow the text inside the field.
    for (char c : field.substr(version.size())) {
        if (c != '\0') {
            return std::nullopt;
        }
    }
    return std::string(version);
}

std::string MakeFirmwareHeader(std::string_view version) {
    std::string header(kFirmwareMagic);
    std::string field(version.substr(0, kFirmwareVersionBytes));
    field.resize(kFirmwareVersionBytes, '\0');
    return header + field;
}
