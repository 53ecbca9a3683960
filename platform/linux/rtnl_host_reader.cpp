#include "platform/linux/rtnl_host_reader.h"

#include <net/if.h>
#include <net/if_arp.h>

#include <filesystem>

#include "platform/linux/rtnl_messages.h"
#include "platform/linux/tcp_probe.h"

namespace {

constexpr uint16_t kWebPort = 80;
// A device that the route reaches answers a connection within a second or two; a SYN
// that is lost on the way is sent again after 1 s and 3 s.
constexpr uint32_t kConnectWaitMs = 5000;

bool IsWireless(const std::string& interfaceName) {
    if (interfaceName.empty() || interfaceName.find('/') != std::string::npos) {
        return false;
    }
    const std::filesystem::path device = std::filesystem::path("/sys/class/net") / interfaceName;
    std::error_code error;
    return std::filesystem::exists(device / "wireless", error) ||
           std::filesystem::exists(device / "phy80211", error);
}

AdapterType TypeOf(const RtnlLink& link) {
    if (link.hardwareType == ARPHRD_IEEE80211) {
        return AdapterType::kIeee80211;
    }
    if (link.hardwareType == ARPHRD_ETHER) {
        return IsWireless(link.name) ? AdapterType::kIeee80211 : AdapterType::kEthernet;
    }
    return AdapterType::kOther;
}

}  // namespace

std::optional<BestRoute> RtnlHostReader::GetBestRoute(Ipv4 destination) {
    return LookUpRoute(destination).route;
}

std::optional<std::vector<AdapterInfo>> ReadHostAdapters() {
    const std::optional<std::vector<RtnlLink>> links = DumpLinks();
    const std::optional<std::vector<RtnlAddress>> addresses = DumpAddresses();
    if (!links || !addresses) {
        return std::nullopt;
    }
    std::vector<AdapterInfo> adapters;
    for (const RtnlLink& link : *links) {
        AdapterInfo adapter;
        adapter.index = link.index;
        adapter.name = link.name;
        adapter.type = TypeOf(link);
        adapter.hardwareAddress = link.hardwareAddress;
        adapter.operational = (link.flags & IFF_UP) && (link.flags & IFF_RUNNING);
        for (const RtnlAddress& address : *addresses) {
            if (address.interfaceIndex != link.index) {
                continue;
            }
            adapter.addresses.push_back(address.address);
            if (address.address.dynamic && !IsTempAddressLabel(address.address.label)) {
                adapter.dhcpEnabled = true;
            }
        }
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

std::optional<std::vector<AdapterInfo>> RtnlHostReader::GetAdapters() {
    return ReadHostAdapters();
}

std::string RtnlHostReader::ConnectionName(const std::string& adapterName) {
    const std::optional<std::vector<RtnlLink>> links = DumpLinks();
    for (const RtnlLink& link : links.value_or(std::vector<RtnlLink>())) {
        if (link.name == adapterName) {
            return link.alias.empty() ? link.name : link.alias;
        }
    }
    return std::string();
}

bool RtnlHostReader::AcceptsWebConnection(Ipv4 device, Ipv4 source) {
    return AcceptsTcpConnection(device, kWebPort, source, kConnectWaitMs, m_connectCancelled);
}
