#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ipv4.h"

// Temporary addresses carry a label ending in this, so that one left behind by a run that
// died can be recognised and removed.
inline constexpr char kTempAddressLabelSuffix[] = ":tmsl";

// "<interface name>:tmsl", cut to the 15 characters an interface label holds.
std::string TempAddressLabel(const std::string& interfaceName);
bool IsTempAddressLabel(const std::string& label);

// Adapter kinds, numbered like the interface types of the SNMP MIB-II ifType table.
enum class AdapterType : uint32_t {
    kOther = 1,
    kEthernet = 6,
    kIeee80211 = 71,
};

struct AdapterAddress {
    Ipv4 address = 0;
    Ipv4 mask = 0;
    // The address label; temporary addresses of ours carry a label ending in ":tmsl".
    std::string label;
    // True when the address has a finite lifetime (a lease, or one of ours).
    bool dynamic = false;
};

struct AdapterInfo {
    uint32_t index = 0;
    std::string name;
    AdapterType type = AdapterType::kOther;
    std::vector<uint8_t> hardwareAddress;
    // Best guess: an address of the adapter with a finite lifetime was leased by DHCP.
    bool dhcpEnabled = false;
    // Administratively up and with a carrier; an adapter without one cannot reach anybody.
    bool operational = false;
    // IPv4 addresses in the kernel's order (primary first); empty when the adapter has none.
    std::vector<AdapterAddress> addresses;
};

// The route the host would use for a destination.
struct BestRoute {
    uint32_t interfaceIndex = 0;
    // Prefix length of the matching route: that of a connected subnet route, 0 when only
    // the default route leads there.
    int prefixLength = 0;
};

// Identifies one address on one interface, for deleting or renewing it later.
struct HostAddressContext {
    uint32_t interfaceIndex = 0;
    Ipv4 address = 0;
    int prefixLength = 0;

    bool operator==(const HostAddressContext&) const = default;
};

// The host's network configuration, as far as choosing a source address for the device
// and adding a temporary one needs it. Every call may run on any thread.
class IHostNetwork {
public:
    virtual ~IHostNetwork() = default;

    // The route to `destination`; nullopt when the host has none.
    virtual std::optional<BestRoute> GetBestRoute(Ipv4 destination) = 0;

    // All adapters in interface order; nullopt when the list cannot be read.
    virtual std::optional<std::vector<AdapterInfo>> GetAdapters() = 0;

    // Adds `address`/`prefixLength` to the interface with the given label, valid for
    // `lifetimeSeconds` unless renewed. Fails (nullopt) when the address already exists.
    virtual std::optional<HostAddressContext> AddAddress(Ipv4 address, int prefixLength,
                                                         uint32_t interfaceIndex,
                                                         const std::string& label,
                                                         uint32_t lifetimeSeconds) = 0;

    // Restarts the lifetime of an address added by AddAddress. False when it is gone.
    virtual bool RenewAddress(const HostAddressContext& context, const std::string& label,
                              uint32_t lifetimeSeconds) = 0;

    virtual bool DeleteAddress(const HostAddressContext& context) = 0;

    // Asks who holds `target` on the interface, from `source`. Returns the hardware
    // address that answered, or nullopt when nobody did. With `source` 0 the request is an
    // address probe (sender address 0.0.0.0); when nobody else answers it, an address of
    // the interface itself counts as answered with the interface's own hardware address.
    virtual std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                        uint32_t interfaceIndex) = 0;

    // While set, SendArp gives up: a call waiting for its answer returns nullopt within a
    // few tens of milliseconds and a new call returns nullopt at once. A set-up that is
    // cancelled sets it and clears it again once it has ended; callable from any thread.
    virtual void SetWaitsCancelled(bool cancelled) = 0;

    // Empties the interface's neighbour (ARP) cache.
    virtual bool FlushNeighbours(uint32_t interfaceIndex) = 0;

    // The adapter's user-facing name: its alias when it has one, else its name; empty when
    // there is no such adapter.
    virtual std::string ConnectionName(const std::string& adapterName) = 0;

    // Names of the privileges adding addresses and raw ARP need that the process lacks
    // (e.g. "cap_net_admin"); empty when it has them all.
    virtual std::vector<std::string> MissingPrivileges() = 0;
};
