#pragma once

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/linux/netadmin_protocol.h"
#include "platform/linux/rtnl_host_network.h"

// Where the network helper is: $TAMSEL_NETADMIN when set (a hook for tests and for running
// from a build tree), else where the package installs it.
std::string NetAdminHelperPath();

// Whether the helper can do the privileged steps, and if not, why.
struct NetAdminAccess {
    enum class State {
        kReady,
        kNotInstalled,         // no helper at the path
        kNotPermitted,         // the user is not in the group that may run it
        kMissingCapabilities,  // it runs, but without its file capabilities
        kBroken,               // anything else; `reason` says what
    };
    State state = State::kBroken;
    std::string helperPath;
    std::string user;   // the user this program runs as
    std::string group;  // kNotPermitted: the helper's group
    std::vector<std::string> missingCapabilities;
    std::string reason;
};

// The host network for a program without CAP_NET_ADMIN and CAP_NET_RAW: routes, adapters
// and names are read here (that needs no rights); adding, renewing and deleting the
// temporary address, flushing neighbours and ARP are asked of the network helper, one
// helper process per object, started at the first need and ended with the object (its
// end makes the helper remove the address it added). Calls are serialised.
class NetAdminHostNetwork : public IHostNetwork {
public:
    explicit NetAdminHostNetwork(std::string helperPath = NetAdminHelperPath());
    ~NetAdminHostNetwork() override;

    NetAdminHostNetwork(const NetAdminHostNetwork&) = delete;
    NetAdminHostNetwork& operator=(const NetAdminHostNetwork&) = delete;

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
    // Cuts short an ARP request the helper is waiting for (SIGUSR1 to it).
    void SetWaitsCancelled(bool cancelled) override;
    bool FlushNeighbours(uint32_t interfaceIndex) override;
    std::string ConnectionName(const std::string& adapterName) override;
    // Empty when the helper serves; else what is missing, e.g. "group tamsel" or
    // "cap_net_admin".
    std::vector<std::string> MissingPrivileges() override;

    // Starts the helper unless it runs, and tells whether it serves.
    NetAdminAccess Access();

private:
    NetAdminAnswer Exchange(const NetAdminRequest& request);
    // With m_mutex held.
    void StartLocked();
    void StopLocked();
    std::optional<std::string> ReadLineLocked(int timeoutMs);

    const std::string m_helperPath;
    RtnlHostNetwork m_reader;  // the unprivileged reads

    std::mutex m_mutex;
    pid_t m_pid = -1;
    int m_socket = -1;
    std::string m_received;  // bytes after the last line read
    NetAdminAccess m_access;

    std::atomic<bool> m_waitsCancelled{false};
    // The helper while it waits for an ARP answer for us, else -1.
    std::atomic<pid_t> m_arpWaiter{-1};
};
