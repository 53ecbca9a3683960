#include "hostnet/temp_address_rules.h"

#include "platform/host_network.h"

namespace {

// The shortest prefix with room for a device and another host.
constexpr int kLongestUsablePrefix = 30;

std::string Cidr(Ipv4 address, int prefixLength) {
    return FormatIpv4Ascii(address) + "/" + std::to_string(prefixLength);
}

bool IsHostOfSubnet(Ipv4 address, int prefixLength) {
    const Ipv4 hostBits = ~PrefixToMask(prefixLength);
    const Ipv4 host = address & hostBits;
    return host != 0 && host != hostBits;
}

}  // namespace

std::string CheckTempDevice(Ipv4 device, int prefixLength) {
    const std::optional<int> network = PrivateNetworkPrefix(device);
    if (!network) {
        return FormatIpv4Ascii(device) +
               " is not on a private network (10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16)";
    }
    if (prefixLength < *network) {
        return "the subnet " + Cidr(device & PrefixToMask(prefixLength), prefixLength) +
               " reaches beyond its private network";
    }
    if (prefixLength > kLongestUsablePrefix) {
        return "the subnet /" + std::to_string(prefixLength) + " has no room for another host";
    }
    if (!IsHostOfSubnet(device, prefixLength)) {
        return Cidr(device, prefixLength) + " is not a host address";
    }
    return std::string();
}

std::string CheckTempCandidate(Ipv4 candidate, Ipv4 device, int prefixLength) {
    const Ipv4 octet = candidate & 0xFF;
    if (octet < kFirstTempOctet || octet > kLastTempOctet ||
        (candidate & 0xFFFFFF00u) != (device & 0xFFFFFF00u)) {
        return FormatIpv4Ascii(candidate) + " is not a temporary address for " +
               FormatIpv4Ascii(device) + " (its last octet replaced by 241-247)";
    }
    if (candidate == device) {
        return FormatIpv4Ascii(candidate) + " is the device's own address";
    }
    if (!SameSubnet(candidate, device, PrefixToMask(prefixLength)) ||
        !IsHostOfSubnet(candidate, prefixLength)) {
        return FormatIpv4Ascii(candidate) + " is not a host address of the device's subnet " +
               Cidr(device & PrefixToMask(prefixLength), prefixLength);
    }
    return std::string();
}

TempRouteScope ChooseTempRouteScope(int devicePrefix, std::optional<int> routePrefixNow) {
    if (routePrefixNow == 0 && devicePrefix >= kWidestOnLinkSubnetPrefix) {
        return TempRouteScope::kDeviceSubnet;
    }
    return TempRouteScope::kDevice;
}

TempOwnership ClassifyTempAddress(const std::string& label, const std::string& interfaceName,
                                  uint32_t owner, uint32_t thisRun, bool ownerAlive) {
    if (label != TempAddressLabel(interfaceName)) {
        return TempOwnership::kNotTemporary;
    }
    if (owner != 0 && owner == thisRun) {
        return TempOwnership::kThisRun;
    }
    return owner != 0 && ownerAlive ? TempOwnership::kOtherRun : TempOwnership::kNoLiveOwner;
}
