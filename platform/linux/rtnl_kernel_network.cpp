#include "platform/linux/rtnl_kernel_network.h"

#include <net/if.h>
#include <net/if_arp.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/rtnl_messages.h"

RtnlKernelNetwork::RtnlKernelNetwork(ArpTiming arpTiming) : m_arpTiming(arpTiming) {}

std::optional<KernelLink> RtnlKernelNetwork::FindLink(uint32_t interfaceIndex) {
    const std::optional<RtnlLink> link = ::FindLink(interfaceIndex);
    if (!link) {
        return std::nullopt;
    }
    return KernelLink{link->index, link->name,
                      link->hardwareType == ARPHRD_ETHER && link->hardwareAddress.size() == 6};
}

std::optional<std::vector<KernelAddress>> RtnlKernelNetwork::Addresses() {
    const std::optional<std::vector<RtnlLink>> links = DumpLinks();
    const std::optional<std::vector<RtnlAddress>> addresses = DumpAddresses();
    if (!links || !addresses) {
        return std::nullopt;
    }
    std::vector<KernelAddress> all;
    for (const RtnlAddress& entry : *addresses) {
        KernelAddress address;
        address.interfaceIndex = entry.interfaceIndex;
        for (const RtnlLink& link : *links) {
            if (link.index == entry.interfaceIndex) {
                address.interfaceName = link.name;
            }
        }
        address.address = entry.address.address;
        address.prefixLength = entry.prefixLength;
        address.label = entry.address.label;
        address.owner = entry.address.owner;
        all.push_back(std::move(address));
    }
    return all;
}

std::optional<int> RtnlKernelNetwork::RoutePrefixTo(Ipv4 destination) {
    const RouteLookup lookup = LookUpRoute(destination);
    if (!lookup.ok) {
        return std::nullopt;
    }
    return lookup.route ? lookup.route->prefixLength : 0;
}

bool RtnlKernelNetwork::AddAddress(const TempAddressSettings& settings) {
    return NewTempAddress(settings, true);
}

bool RtnlKernelNetwork::RenewAddress(const TempAddressSettings& settings) {
    return NewTempAddress(settings, false);
}

bool RtnlKernelNetwork::DeleteAddress(const HostAddressContext& context) {
    return ::DeleteAddress(context);
}

bool RtnlKernelNetwork::AddRoute(const LinkRoute& route) {
    return AddLinkRoute(route);
}

bool RtnlKernelNetwork::DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) {
    return ::DeleteNeighbour(interfaceIndex, neighbour);
}

std::optional<std::vector<uint8_t>> RtnlKernelNetwork::SendArp(Ipv4 target, Ipv4 source,
                                                               uint32_t interfaceIndex) {
    if (m_waitsCancelled) {
        return std::nullopt;
    }
    const std::optional<RtnlLink> link = ::FindLink(interfaceIndex);
    if (!link || !(link->flags & IFF_UP)) {
        return std::nullopt;
    }
    bool ownAddress = false;
    for (const RtnlAddress& entry : DumpAddresses().value_or(std::vector<RtnlAddress>())) {
        ownAddress = ownAddress ||
                     (entry.interfaceIndex == interfaceIndex && entry.address.address == target);
    }
    return ExchangeArp(interfaceIndex, link->hardwareAddress, ownAddress, target, source,
                       m_arpTiming, m_waitsCancelled);
}

void RtnlKernelNetwork::SetWaitsCancelled(bool cancelled) {
    m_waitsCancelled = cancelled;
}

uint32_t RtnlKernelNetwork::OwnerTag() {
    return static_cast<uint32_t>(getpid());
}

bool RtnlKernelNetwork::OwnerAlive(uint32_t owner) {
    // Another user's process answers EPERM, which says it runs as well.
    return owner != 0 && owner <= INT32_MAX &&
           (kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM);
}
