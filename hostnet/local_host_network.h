#pragma once

#include <atomic>
#include <memory>

#include "hostnet/temp_address_guard.h"
#include "platform/host_network.h"
#include "platform/linux/rtnl_host_reader.h"
#include "platform/linux/rtnl_kernel_network.h"

// The host network for a program with CAP_NET_ADMIN and CAP_NET_RAW of its own (root, or
// capabilities granted to it): it reads through rtnetlink and changes the host through
// the same rules as the network helper (hostnet/temp_address_guard.h), in process. Its end
// removes the temporary address it added.
class LocalHostNetwork : public RtnlHostReader {
public:
    explicit LocalHostNetwork(ArpTiming arpTiming = {}, TempAddressGuardOptions options = {});
    ~LocalHostNetwork() override;

    LocalHostNetwork(const LocalHostNetwork&) = delete;
    LocalHostNetwork& operator=(const LocalHostNetwork&) = delete;

    std::optional<HostAddressContext> AddTempAddress(uint32_t interfaceIndex, Ipv4 device,
                                                     int prefixLength, Ipv4 candidate) override;
    bool RenewTempAddress(const HostAddressContext& context) override;
    bool DeleteTempAddress(const HostAddressContext& context) override;
    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                uint32_t interfaceIndex) override;
    void SetWaitsCancelled(bool cancelled) override;
    bool FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) override;
    NetworkRights Rights() override;
    uint64_t HostFullRefusals() const override { return m_hostFullRefusals; }

private:
    // `refusal` as the caller sees it: true when empty; counted when the host is full.
    bool Granted(const TempAddressGuard::Refusal& refusal);

    RtnlKernelNetwork m_kernel;
    TempAddressGuard m_guard;
    std::atomic<uint64_t> m_hostFullRefusals{0};
};
