#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"

// What the host address set-up reads about the host, through rtnetlink: the route to the
// device, the adapters with their addresses, and their names. Needs no rights. Each call
// opens its own socket, so calls from several threads share nothing.
class RtnlHostReader {
public:
    std::optional<BestRoute> GetBestRoute(Ipv4 destination);
    std::optional<std::vector<AdapterInfo>> GetAdapters();
    std::string ConnectionName(const std::string& adapterName);
};
