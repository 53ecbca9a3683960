#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host_network.h"

// How long an ARP request waits for its answer.
struct ArpTiming {
    uint32_t replyWaitMs = 1000;
    // Requests to the device: an answer usually comes at once, so retries cost little.
    int requestAttempts = 3;
    // Probes for a candidate address: an address that is free is only known to be free
    // after every probe went unanswered, so these cost their full wait each.
    int probeAttempts = 2;
};

// The host network through rtnetlink (routes, links, addresses, neighbours) and raw ARP
// over an AF_PACKET socket. Each call opens its own sockets, so calls from several
// threads share no state but the cancel flag.
class RtnlHostNetwork : public IHostNetwork {
public:
    explicit RtnlHostNetwork(ArpTiming arpTiming = {});

    std::optional<BestRoute> GetBestRoute(Ipv4 destination) override;
    std::optional<std::vector<AdapterInfo>> GetAdapters() override;
    std::optional<HostAddressContext> AddAddress(Ipv4 address, int prefixLength,
                                                 uint32_t interfaceIndex, const std::string& label,
                                                 uint32_t lifetimeSeconds) override;
    bool RenewAddress(const HostAddressContext& context, const std::string& label,
                      uint32_t lifetimeSeconds) override;
    bool DeleteAddress(const HostAddressContext& context) override;
    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                uint32_t interfaceIndex) override;
    void SetWaitsCancelled(bool cancelled) override;
    bool FlushNeighbours(uint32_t interfaceIndex) override;
    std::string ConnectionName(const std::string& adapterName) override;
    std::vector<std::string> MissingPrivileges() override;

private:
    ArpTiming m_arpTiming;
    std::atomic<bool> m_waitsCancelled{false};
};

// Capabilities of the calling process that adding addresses (cap_net_admin) and sending
// raw ARP (cap_net_raw) need but are not effective, by their setcap names. Grant them
// with `setcap cap_net_admin,cap_net_raw+ep <program>` or run the program as root.
std::vector<std::string> MissingNetworkCapabilities();
