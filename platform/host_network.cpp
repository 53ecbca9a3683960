#include "platform/host_network.h"

namespace {

constexpr size_t kMaxLabelLength = 15;  // IFNAMSIZ without the terminating zero

}  // namespace

std::string TempAddressLabel(const std::string& interfaceName) {
    const size_t suffixLength = sizeof(kTempAddressLabelSuffix) - 1;
    return interfaceName.substr(0, kMaxLabelLength - suffixLength) + kTempAddressLabelSuffix;
}

bool IsTempAddressLabel(const std::string& label) {
    return label.ends_with(kTempAddressLabelSuffix);
}

std::string HostFullRefusal(const std::string& reason) {
    return std::string(kHostFullRefusal) + ": " + reason;
}

bool IsHostFullRefusal(std::string_view reason) {
    return reason.starts_with(kHostFullRefusal) &&
           reason.substr(std::string_view(kHostFullRefusal).size()).starts_with(':');
}
