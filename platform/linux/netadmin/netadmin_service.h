#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/ipv4.h"

// What the network helper needs from the kernel: a little reading to check each request
// against the interface's present state, and the privileged steps themselves.
class INetAdminSystem {
public:
    struct Link {
        std::string name;
        // ARPHRD_ETHER with a 6-byte hardware address: wired and wireless LAN adapters.
        bool ethernet = false;
    };
    struct Address {
        Ipv4 address = 0;
        int prefixLength = 0;
        std::string label;
    };

    virtual ~INetAdminSystem() = default;
    virtual std::optional<Link> FindLink(uint32_t interfaceIndex) = 0;
    // The interface's IPv4 addresses; nullopt when they cannot be read.
    virtual std::optional<std::vector<Address>> AddressesOf(uint32_t interfaceIndex) = 0;
    virtual bool AddAddress(const HostAddressContext& context, const std::string& label,
                            uint32_t lifetimeSeconds) = 0;
    virtual bool RenewAddress(const HostAddressContext& context, const std::string& label,
                              uint32_t lifetimeSeconds) = 0;
    virtual bool DeleteAddress(const HostAddressContext& context) = 0;
    virtual bool FlushNeighbours(uint32_t interfaceIndex) = 0;
    virtual std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                        uint32_t interfaceIndex) = 0;
};

// The helper's rules: it adds, renews and deletes only temporary addresses of ours (last
// octet 241-247, the label <interface>:tmsl, a lifetime of at most 120 s, one at a time),
// flushes neighbour caches and sends ARP only from an address the interface holds (or as
// a probe from 0.0.0.0), on Ethernet and wireless adapters. Everything else is refused
// with a reason and changes nothing.
class NetAdminService {
public:
    explicit NetAdminService(INetAdminSystem& system) : m_system(system) {}

    // The answer line (without newline) to one request line.
    std::string Handle(const std::string& line);

    // The program is gone: removes the address it added, if it is still there.
    void Finish();

private:
    std::string Add(const std::string& interfaceName, const HostAddressContext& context,
                    uint32_t lifetimeSeconds);
    std::string Renew(const std::string& interfaceName, const HostAddressContext& context,
                      uint32_t lifetimeSeconds);
    std::string Delete(const std::string& interfaceName, const HostAddressContext& context);
    std::string Arp(const std::string& interfaceName, Ipv4 target, Ipv4 source,
                    uint32_t interfaceIndex);
    // The address as the interface holds it now, if it does.
    std::optional<INetAdminSystem::Address> Find(const HostAddressContext& context);

    INetAdminSystem& m_system;
    // The address this helper added and has not deleted yet.
    std::optional<HostAddressContext> m_held;
};
