#pragma once

#include <atomic>

#include "platform/kernel_network.h"
#include "platform/linux/abstract_names.h"
#include "platform/linux/raw_arp.h"

// The kernel through rtnetlink (platform/linux/rtnl_messages.h), raw ARP and abstract
// socket names: what the network helper works with, and a program with rights of its own.
// Owners are process ids; one that no longer runs has ended.
class RtnlKernelNetwork : public IKernelNetwork {
public:
    explicit RtnlKernelNetwork(ArpTiming arpTiming = {});

    std::optional<KernelLink> FindLink(uint32_t interfaceIndex) override;
    std::optional<std::vector<KernelAddress>> Addresses() override;
    KernelRouteLookup RouteTo(Ipv4 destination) override;
    std::optional<bool> OnlyKernelPolicyRules() override;
    bool AddAddress(const TempAddressSettings& settings) override;
    bool RenewAddress(const TempAddressSettings& settings) override;
    bool DeleteAddress(const HostAddressContext& context, const std::string& label) override;
    bool AddRoute(const LinkRoute& route) override;
    bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) override;
    ArpExchange SendArp(Ipv4 target, Ipv4 source, uint32_t interfaceIndex) override;
    void SetWaitsCancelled(bool cancelled) override;
    NameHold HoldName(const std::string& name) override;
    void ReleaseName(const std::string& name) override;
    uint32_t OwnerTag() override;
    bool OwnerAlive(uint32_t owner) override;

private:
    ArpTiming m_arpTiming;
    std::atomic<bool> m_waitsCancelled{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
    AbstractNames m_names;
};
