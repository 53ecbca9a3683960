#pragma once

#include "platform/linux/netadmin/netadmin_service.h"
#include "platform/linux/rtnl_host_network.h"

// The helper's view of the kernel: links and addresses from rtnetlink dumps, the
// privileged steps through the same code the program runs in process when it has the
// rights itself.
class KernelNetAdminSystem : public INetAdminSystem {
public:
    std::optional<Link> FindLink(uint32_t interfaceIndex) override;
    std::optional<std::vector<Address>> AddressesOf(uint32_t interfaceIndex) override;
    bool AddAddress(const HostAddressContext& context, const std::string& label,
                    uint32_t lifetimeSeconds) override;
    bool RenewAddress(const HostAddressContext& context, const std::string& label,
                      uint32_t lifetimeSeconds) override;
    bool DeleteAddress(const HostAddressContext& context) override;
    bool FlushNeighbours(uint32_t interfaceIndex) override;
    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                uint32_t interfaceIndex) override;

    // Makes an ARP wait in progress give up; a lock-free flag, so a signal handler may.
    void SetWaitsCancelled(bool cancelled) { m_kernel.SetWaitsCancelled(cancelled); }

private:
    RtnlHostNetwork m_kernel;
};
