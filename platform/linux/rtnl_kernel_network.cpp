#include "platform/linux/rtnl_kernel_network.h"

#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
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

KernelRouteLookup RtnlKernelNetwork::RouteTo(Ipv4 destination) {
    const RouteLookup lookup = LookUpRoute(destination);
    KernelRouteLookup found;
    found.ok = lookup.ok;
    if (lookup.ok && lookup.route) {
        found.route =
            KernelRoute{lookup.table, lookup.route->prefixLength, lookup.route->interfaceIndex,
                        lookup.route->gateway, lookup.type == RTN_UNICAST};
    }
    return found;
}

std::optional<bool> RtnlKernelNetwork::OnlyKernelPolicyRules() {
    return ::OnlyKernelPolicyRules();
}

bool RtnlKernelNetwork::AddAddress(const TempAddressSettings& settings) {
    return NewTempAddress(settings, true);
}

bool RtnlKernelNetwork::RenewAddress(const TempAddressSettings& settings) {
    return NewTempAddress(settings, false);
}

bool RtnlKernelNetwork::DeleteAddress(const HostAddressContext& context, const std::string& label) {
    return ::DeleteAddress(context, label);
}

bool RtnlKernelNetwork::AddRoute(const LinkRoute& route) {
    return AddLinkRoute(route);
}

bool RtnlKernelNetwork::DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) {
    return ::DeleteNeighbour(interfaceIndex, neighbour);
}

ArpExchange RtnlKernelNetwork::SendArp(Ipv4 target, Ipv4 source, uint32_t interfaceIndex) {
    if (m_waitsCancelled) {
        return ArpExchange::Unanswered();
    }
    // The socket first, then what the interface is: nothing of the exchange is left to
    // guess once the socket is there.
    ArpSocket socket(interfaceIndex);
    if (socket.Error() != 0) {
        return ArpExchange::Failed(socket.Error());
    }
    const std::optional<std::vector<RtnlLink>> links = DumpLinks();
    if (!links) {
        return ArpExchange::Failed(errno);
    }
    const auto link = std::find_if(links->begin(), links->end(), [&](const RtnlLink& each) {
        return each.index == interfaceIndex;
    });
    if (link == links->end()) {
        return ArpExchange::Failed(ENODEV);
    }
    if (!(link->flags & IFF_UP)) {
        return ArpExchange::Failed(ENETDOWN);
    }
    const std::optional<std::vector<RtnlAddress>> addresses = DumpAddresses();
    if (!addresses) {
        return ArpExchange::Failed(errno);
    }
    bool ownAddress = false;
    for (const RtnlAddress& entry : *addresses) {
        ownAddress = ownAddress ||
                     (entry.interfaceIndex == interfaceIndex && entry.address.address == target);
    }
    return socket.Exchange(link->hardwareAddress, ownAddress, target, source, m_arpTiming,
                           m_waitsCancelled);
}

void RtnlKernelNetwork::SetWaitsCancelled(bool cancelled) {
    m_waitsCancelled = cancelled;
}

NameHold RtnlKernelNetwork::HoldName(const std::string& name) {
    return m_names.Hold(name);
}

void RtnlKernelNetwork::ReleaseName(const std::string& name) {
    m_names.Release(name);
}

uint32_t RtnlKernelNetwork::OwnerTag() {
    return static_cast<uint32_t>(getpid());
}

bool RtnlKernelNetwork::OwnerAlive(uint32_t owner) {
    // Another user's process answers EPERM, which says it runs as well.
    return owner != 0 && owner <= INT32_MAX &&
           (kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM);
}
