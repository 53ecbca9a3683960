#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ipv4.h"

// Temporary addresses carry the label "<interface>:tmsl", so that every process can tell
// them from the user's own addresses.
inline constexpr char kTempAddressLabelSuffix[] = ":tmsl";

// "<interface name>:tmsl", cut to the 15 characters an interface label holds.
std::string TempAddressLabel(const std::string& interfaceName);
bool IsTempAddressLabel(const std::string& label);

// The word that starts a refusal because every place the host has is taken by other runs:
// its four temporary addresses, or its four places for ARP requests ("host-full: 4
// temporary addresses exist ..."). Such a refusal ends as those runs end, so a caller may
// wait and ask again; the network helper's answers carry it too ("error host-full: ...").
inline constexpr char kHostFullRefusal[] = "host-full";
// `reason` with kHostFullRefusal and ": " before it.
std::string HostFullRefusal(const std::string& reason);
bool IsHostFullRefusal(std::string_view reason);

// Adapter kinds, numbered like the interface types of the SNMP MIB-II ifType table.
enum class AdapterType : uint32_t {
    kOther = 1,
    kEthernet = 6,
    kIeee80211 = 71,
};

struct AdapterAddress {
    Ipv4 address = 0;
    Ipv4 mask = 0;
    // The address label; temporary addresses carry "<interface>:tmsl".
    std::string label;
    // True when the address has a finite lifetime (a lease, or a temporary address).
    bool dynamic = false;
    // A temporary address: the process id of the run that added it (0 for none).
    uint32_t owner = 0;
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
    // Prefix length of the matching route: that of a subnet or host route, 0 when only the
    // default route leads there.
    int prefixLength = 0;
    // The route's preferred source address, 0 when it names none.
    Ipv4 source = 0;
    // The router the route leads through, 0 for a route on the link itself.
    Ipv4 gateway = 0;
};

// Identifies one address on one interface, for deleting or renewing it later.
struct HostAddressContext {
    uint32_t interfaceIndex = 0;
    Ipv4 address = 0;
    int prefixLength = 0;

    bool operator==(const HostAddressContext&) const = default;
};

// Whether the program may add temporary addresses and send raw ARP, and if not, why.
struct NetworkRights {
    enum class State {
        kGranted,
        kNotInGroup,               // the user may not run the network helper
        kHelperLacksCapabilities,  // it runs, but without its file capabilities
        kNoHelper,                 // no helper, and no capabilities of the program's own
        kHelperFailed,             // anything else; `reason` says what
    };
    State state = State::kGranted;
    std::string user;        // kNotInGroup: who runs the program
    std::string group;       // kNotInGroup: the group that may run the helper
    std::string helperPath;  // every state but kGranted
    // kHelperLacksCapabilities: the helper's; kNoHelper: the program's own.
    std::vector<std::string> missingCapabilities;
    std::string reason;  // kHelperFailed

    bool Granted() const { return state == State::kGranted; }
};

// The host's network configuration, as far as choosing a source address for the device
// and adding a temporary one needs it. The steps that change the host obey the rules of
// hostnet/temp_address_guard.h, whoever carries them out. Every call may run on any thread.
class IHostNetwork {
public:
    virtual ~IHostNetwork() = default;

    // The route to `destination`; nullopt when the host has none.
    virtual std::optional<BestRoute> GetBestRoute(Ipv4 destination) = 0;

    // All adapters in interface order; nullopt when the list cannot be read.
    virtual std::optional<std::vector<AdapterInfo>> GetAdapters() = 0;

    // The adapter's user-facing name: its alias when it has one, else its name; empty when
    // there is no such adapter.
    virtual std::string ConnectionName(const std::string& adapterName) = 0;

    // Adds `candidate` to the interface as this run's temporary address for reaching
    // `device` on its subnet of `prefixLength`, unless the rules refuse it (another host
    // answers for it, another run holds it, the device is not on a private subnet, ...).
    // The address lives a bounded time unless renewed and belongs to this run alone.
    // Returns it as added (its prefix is the rules' choice), or nullopt.
    virtual std::optional<HostAddressContext> AddTempAddress(uint32_t interfaceIndex, Ipv4 device,
                                                             int prefixLength, Ipv4 candidate) = 0;

    // Restarts the lifetime of this run's temporary address. False when it is gone.
    virtual bool RenewTempAddress(const HostAddressContext& context) = 0;

    // Removes this run's temporary address, or one left behind by a run that has ended.
    // False when it was not removed (gone already, or another run's).
    virtual bool DeleteTempAddress(const HostAddressContext& context) = 0;

    // Asks who holds `target` on the interface, from `source`. Returns the hardware
    // address that answered, or nullopt when nobody did. With `source` 0 the request is an
    // address probe (sender address 0.0.0.0); when nobody else answers it, an address of
    // the interface itself counts as answered with the interface's own hardware address.
    virtual std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source,
                                                        uint32_t interfaceIndex) = 0;

    // Whether the device accepts a connection to its web port through the host's routing
    // table as it stands, from `source` (0: the address the host picks), within a few
    // seconds. Needs no rights: the one test of a way to the device for a program that
    // may not send ARP.
    virtual bool AcceptsWebConnection(Ipv4 device, Ipv4 source) = 0;

    // While set, SendArp gives up: a call waiting for its answer returns nullopt within a
    // few tens of milliseconds and a new call returns nullopt at once, and so does
    // AddTempAddress, whose probe waits as well, and AcceptsWebConnection. A set-up that is
    // cancelled sets it and clears it again once it has ended; callable from any thread.
    virtual void SetWaitsCancelled(bool cancelled) = 0;

    // Forgets the interface's neighbour (ARP) cache entry of `neighbour`, so that the
    // next exchange with it asks afresh.
    virtual bool FlushNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) = 0;

    // Whether the steps above that change the host may run. Worked out once per object.
    virtual NetworkRights Rights() = 0;

    // How many of this object's requests (an address, an ARP request, a flush) were
    // refused because every place the host has for them was taken (kHostFullRefusal).
    virtual uint64_t HostFullRefusals() const { return 0; }
};
