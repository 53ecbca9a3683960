#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"

// The host's adapters with their IPv4 addresses, in interface order; nullopt when they
// cannot be read. Needs no rights.
std::optional<std::vector<AdapterInfo>> ReadHostAdapters();

// The reading half of the host network, through rtnetlink: the route to the device, the
// adapters with their addresses, and their names. Needs no rights, so the program reads
// itself whether it changes the host itself or through the network helper (the two
// subclasses). Each call opens its own socket, so calls from several threads share nothing.
class RtnlHostReader : public IHostNetwork {
public:
    std::optional<BestRoute> GetBestRoute(Ipv4 destination) final;
    std::optional<std::vector<AdapterInfo>> GetAdapters() final;
    std::string ConnectionName(const std::string& adapterName) final;
    bool AcceptsWebConnection(Ipv4 device, Ipv4 source) final;

protected:
    // The subclasses' SetWaitsCancelled passes the cancel on to the connection test.
    void SetConnectCancelled(bool cancelled) { m_connectCancelled = cancelled; }

private:
    std::atomic<bool> m_connectCancelled{false};
};
