#include "platform/linux/netadmin/kernel_net_admin.h"

#include <net/if_arp.h>

#include "platform/linux/rtnl_messages.h"

std::optional<INetAdminSystem::Link> KernelNetAdminSystem::FindLink(uint32_t interfaceIndex) {
    const std::optional<std::vector<RtnlLink>> links = DumpLinks();
    for (const RtnlLink& link : links.value_or(std::vector<RtnlLink>())) {
        if (link.index == interfaceIndex) {
            return Link{link.name,
                        link.hardwareType == ARPHRD_ETHER && link.hardwareAddress.size() == 6};
        }
    }
    return std::nullopt;
}

std::optional<std::vector<INetAdminSystem::Address>> KernelNetAdminSystem::AddressesOf(
    uint32_t interfaceIndex) {
    const std::optional<std::vector<RtnlAddress>> all = DumpAddresses();
    if (!all) {
        return std::nullopt;
    }
    std::vector<Address> addresses;
    for (const RtnlAddress& entry : *all) {
        if (entry.interfaceIndex == interfaceIndex) {
            addresses.push_back({entry.address.address, entry.prefixLength, entry.address.label});
        }
    }
    return addresses;
}

bool KernelNetAdminSystem::AddAddress(const HostAddressContext& context, const std::string& label,
                                      uint32_t lifetimeSeconds) {
    return m_kernel
        .AddAddress(context.address, context.prefixLength, context.interfaceIndex, label,
                    lifetimeSeconds)
        .has_value();
}

bool KernelNetAdminSystem::RenewAddress(const HostAddressContext& context, const std::string& label,
                                        uint32_t lifetimeSeconds) {
    return m_kernel.RenewAddress(context, label, lifetimeSeconds);
}

bool KernelNetAdminSystem::DeleteAddress(const HostAddressContext& context) {
    return m_kernel.DeleteAddress(context);
}

bool KernelNetAdminSystem::FlushNeighbours(uint32_t interfaceIndex) {
    return m_kernel.FlushNeighbours(interfaceIndex);
}

std::optional<std::vector<uint8_t>> KernelNetAdminSystem::SendArp(Ipv4 target, Ipv4 source,
                                                                  uint32_t interfaceIndex) {
    return m_kernel.SendArp(target, source, interfaceIndex);
}
