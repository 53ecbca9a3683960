#include "hostnet/temp_address_rules.h"

#include "platform/host_network.h"

namespace {

// The shortest prefix with room for a device and another host.
constexpr int kLongestUsablePrefix = 30;
// RT_TABLE_MAIN.
constexpr uint32_t kMainRoutingTable = 254;

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

TempRoutePlan PlanTempRoute(Ipv4 device, int prefixLength, const TempRouteFacts& facts) {
    const std::optional<KernelRoute>& route = facts.deviceRoute.route;
    const bool found = facts.deviceRoute.ok && route && route->unicast;
    if (found && route->gateway == 0 && route->prefixLength > 0) {
        if (route->interfaceIndex != facts.interfaceIndex) {
            return {FormatIpv4Ascii(device) + " is on the link of " + facts.routeInterfaceName +
                        " already; only " + facts.routeInterfaceName +
                        " may carry a temporary address for it",
                    {}};
        }
        if (facts.ownAddressInDeviceSubnet) {
            return {facts.interfaceName + " reaches " + FormatIpv4Ascii(device) + " from " +
                        FormatIpv4Ascii(*facts.ownAddressInDeviceSubnet) + " in " +
                        Cidr(device & PrefixToMask(prefixLength), prefixLength) +
                        " already; it needs no temporary address",
                    {}};
        }
        return {std::string(), TempRouteScope::kDevice};
    }
    const bool mainDefault = found && route->table == kMainRoutingTable &&
                             route->prefixLength == 0 &&
                             route->interfaceIndex == facts.interfaceIndex;
    if (mainDefault && facts.onlyKernelPolicyRules == true &&
        prefixLength >= kWidestOnLinkSubnetPrefix) {
        return {std::string(), TempRouteScope::kDeviceSubnet};
    }
    return {std::string(), TempRouteScope::kDevice};
}

std::string TempAddressName(Ipv4 address) {
    return "tamsel/temp-address/" + FormatIpv4Ascii(address);
}

std::string TempSubnetName(Ipv4 device) {
    return "tamsel/temp-subnet/" + FormatIpv4Ascii(device & 0xFFFFFF00u);
}

std::string ArpPlaceName(size_t place) {
    return "tamsel/arp-place/" + std::to_string(place);
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
