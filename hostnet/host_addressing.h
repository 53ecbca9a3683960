#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "hostnet/host_address_setup.h"
#include "platform/cancel_signal.h"
#include "platform/host_network.h"
#include "platform/tick_clock.h"

struct HostAddressingOptions {
    // How often the background thread renews the temporary address's lifetime (which the
    // rules bound, so that a run that dies leaves nothing behind for long); zero runs no
    // thread (the owner then calls RenewTempAddress itself).
    std::chrono::milliseconds renewInterval{30000};
    // How often the set-up may start over after adding an address that still left the
    // device behind the default route.
    int maxRestarts = 1;
};

// What the set-up learnt about the adapter that the route to the device leaves by.
struct ChosenAdapter {
    std::array<uint8_t, 12> mac{};
    uint32_t macLength = 0;
    uint32_t index = 0;
    std::wstring name;
    std::wstring connectionName;
    uint32_t dhcpEnabled = 0;
};

// Makes the device reachable from the host: picks the source address on the adapter that
// routes to the device; uses the routing table for a device behind a router (one that a
// gateway's route leads to and that answers no ARP on the PC's LANs); or, when the host
// has no address in the subnet of a device on its LAN, adds a temporary one (last octet
// 241..247) on a suitable adapter after checking with ARP that nobody else holds it and
// that the device answers from it (RunSetup in the source tells the cases apart). At most one
// temporary address of this run exists at any time; it is replaced by the next set-up and removed
// by RemoveTempAddress or on destruction. Other runs' temporary addresses (the GUI's and
// tamselctl's, or another user's) are left alone and never used; only those whose run has
// ended are removed. The rules for a temporary address are those of
// hostnet/temp_address_rules.h: a device they refuse gets none, and the result says why.
class HostAddressing : public IHostAddressSetup {
public:
    HostAddressing(IHostNetwork& network, ISleeper& sleeper, HostAddressingOptions options = {});
    ~HostAddressing() override;

    HostAddressing(const HostAddressing&) = delete;
    HostAddressing& operator=(const HostAddressing&) = delete;

    // Set-ups are serialised: a second caller waits until the first has finished.
    HostSetupResult PrepareHostAddress(const std::wstring& deviceIp,
                                       const std::wstring& deviceMask) override;
    // Wakes the set-up's waits (the one after adding an address, the ARP requests).
    void CancelSetup() override;
    // Also cancels a set-up that is running, so it adds no other address.
    bool RemoveTempAddress() override;

    // Restarts the temporary address's lifetime; true when there was one to renew.
    bool RenewTempAddress();

    std::optional<HostAddressContext> TempAddress() const override;
    ChosenAdapter Adapter() const;

    // The steps of PrepareHostAddress. They run on the set-up's thread only.

    // The source address on the route's adapter: any (the system may choose), an address
    // of the adapter or a temporary address added to it; unreachable when none will do.
    HostSetupResult ChooseSourceOnRouteAdapter(uint32_t interfaceIndex, Ipv4 device, Ipv4 mask);
    // Adds the first free candidate to the adapter; returns it when the device answers
    // from it, else empty.
    std::wstring AddTempAddressOnAdapter(const AdapterInfo& adapter, Ipv4 device, Ipv4 mask);
    // The same over every Ethernet or wireless adapter that has an address, or only over
    // `onlyAdapter` when the device is known to be on its LAN.
    std::wstring AddTempAddressOnAnyAdapter(Ipv4 device, Ipv4 mask,
                                            std::optional<uint32_t> onlyAdapter = std::nullopt);
    // ARP from `source` (0: the address the adapter would use) reaches the device.
    bool CanReachDevice(Ipv4 device, Ipv4 source, uint32_t interfaceIndex);
    void ReadAdapterInfo(uint32_t interfaceIndex);

private:
    HostSetupResult RunSetup(Ipv4 device, Ipv4 mask, const NetworkRights& rights);
    // An address probe for the device on the LAN adapters, the route's first: the adapter
    // on which it answers, which makes it a station of that LAN; nullopt when it answers
    // on none.
    std::optional<uint32_t> AdapterAnsweringFor(Ipv4 device, uint32_t routeInterfaceIndex);
    // Without rights: the routing table's way, when a test connection goes through.
    HostSetupResult UseRoutingTableWithoutRights(Ipv4 device, const NetworkRights& rights);
    HostSetupResult UseRouteAdapterWithoutRights(uint32_t interfaceIndex, Ipv4 device, Ipv4 mask,
                                                 const NetworkRights& rights);
    // The source address on the route's adapter as ChooseSourceOnRouteAdapter picks it: 0
    // when the system may choose; nullopt when only a temporary address would do.
    std::optional<Ipv4> SourceOnRouteAdapter(uint32_t interfaceIndex, Ipv4 device, Ipv4 mask);
    // The adapters, without the temporary addresses of other runs, which this run must
    // neither choose as its source nor count as the adapter's own.
    std::optional<std::vector<AdapterInfo>> Adapters();
    // A temporary address on one of the adapters that is not this run's.
    bool IsOtherRunsAddress(Ipv4 address);
    HostSetupResult UseRouteAdapter(uint32_t interfaceIndex, Ipv4 device, Ipv4 mask);
    std::optional<Ipv4> TryCandidates(const AdapterInfo& adapter, Ipv4 device, Ipv4 mask);
    bool AddTempAddress(const AdapterInfo& adapter, Ipv4 device, int prefixLength, Ipv4 address);
    bool DeleteTempAddress();
    void RemoveLeftoverAddresses();
    Ipv4 SourceFor(Ipv4 device, uint32_t interfaceIndex);
    bool Cancelled() const;
    // Sets or clears the cancel of the set-up and of the network's waits together.
    void SetCancelled(bool cancelled);
    void SetFailure(HostSetupFailure failure);
    HostSetupFailure LastFailure() const;
    void RenewLoop();

    IHostNetwork& m_network;
    ISleeper& m_sleeper;
    const HostAddressingOptions m_options;

    std::mutex m_setupMutex;

    // Guards the temporary address and whether a set-up runs; held across the netlink
    // calls that add, renew or delete the address, so that RemoveTempAddress returning
    // means it is gone.
    mutable std::mutex m_tempMutex;
    std::optional<HostAddressContext> m_temp;
    bool m_setupRunning = false;
    // Wakes the set-up's waits; see CancelSetup for how long it holds.
    CancelSignal m_cancel;

    mutable std::mutex m_adapterMutex;
    ChosenAdapter m_adapter;
    HostSetupFailure m_failure;

    std::mutex m_renewMutex;
    std::condition_variable m_renewWake;
    bool m_stopRenewing = false;
    std::thread m_renewThread;
};
