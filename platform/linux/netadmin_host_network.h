#pragma once

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/linux/netadmin_protocol.h"
#include "platform/linux/rtnl_host_reader.h"

// Where the network helper is: $TAMSEL_NETADMIN when set (a hook for tests and for running
// from a build tree; ignored when the program runs with raised privileges), else where the
// package installs it.
std::string NetAdminHelperPath();

// The host network for a program without CAP_NET_ADMIN and CAP_NET_RAW: routes, adapters
// and names are read here (that needs no rights); the temporary address, neighbour flushes
// and ARP are asked of the network helper, which decides by the rules of
// hostnet/temp_address_guard.h. One helper process per object, started at the first need
// and ended with the object (its end makes the helper remove the address it added).
// Whether the helper can serve is worked out once: a helper that cannot start is not tried
// again. Calls are serialised.
class NetAdminHostNetwork : public RtnlHostReader {
public:
    explicit NetAdminHostNetwork(std::string helperPath = NetAdminHelperPath());
    ~NetAdminHostNetwork() override;

    NetAdminHostNetwork(const NetAdminHostNetwork&) = delete;
    NetAdminHostNetwork& operator=(const NetAdminHostNetwork&) = delete;

    std::optional<HostAddressContext> AddTempAddress(uint32_t interfaceIndex, Ipv4 device,
                                                     int prefixLength, Ipv4 candidate) override;
    bool RenewTempAddress(const HostAddressContext& context) override;
    bool DeleteTempAddress(const HostAddressContext& context) override;
    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                uint32_t interfaceIndex) override;
    // Cancelling signals the helper (SIGUSR1), which then stays cancelled until the
    // "resume" that clearing sends.
    void SetWaitsCancelled(bool cancelled) override;
    bool FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) override;
    // Starts the helper unless it runs or could not start before.
    NetworkRights Rights() override;
    uint64_t HostFullRefusals() const override { return m_hostFullRefusals; }

    // The helper's watch of the answers to a search (platform/answer_watch.h): started
    // for at most `seconds`, then its count of senders; nullopt when it did not run.
    bool StartAnswerWatch(uint32_t seconds);
    std::optional<uint32_t> CountAnswers();

private:
    // `start`: start the helper when it does not run (and never failed to start).
    NetAdminAnswer Exchange(const NetAdminRequest& request, bool start = true);
    // With m_mutex held.
    void StartLocked();
    void StopLocked();
    std::optional<std::string> ReadLineLocked(int timeoutMs);

    const std::string m_helperPath;

    std::mutex m_mutex;
    int m_socket = -1;
    std::string m_received;  // bytes after the last line read
    bool m_startTried = false;
    NetworkRights m_rights;

    std::atomic<bool> m_waitsCancelled{false};
    std::atomic<uint64_t> m_hostFullRefusals{0};
    // The running helper, else -1; read without the lock to signal it.
    std::atomic<pid_t> m_pid{-1};
};
