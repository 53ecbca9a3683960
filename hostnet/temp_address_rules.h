#pragma once

// The rules every temporary address obeys, whoever asks for it: the program with its own
// rights, or the network helper for a member of the group tamsel. A temporary address
// exists to reach one device. Afterwards the host's routing differs from before for that
// device's address alone, or, when the device's subnet is private, no wider than a /24 and
// reached today by the main table's default route alone, for that subnet alone; a device
// that the host reaches on a link already keeps its link and next hop. The address itself
// is a /32 without a prefix route, so that the kernel adds nothing for it but the address
// (no subnet or broadcast route), and one route is added from it. Everything here is a
// pure function of what it is given; hostnet/temp_address_guard.h applies it to the
// kernel's present state.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ipv4.h"
#include "platform/kernel_network.h"

inline constexpr Ipv4 kFirstTempOctet = 241;
inline constexpr Ipv4 kLastTempOctet = 247;
// No temporary address outlives this without a renewal from the run that owns it.
inline constexpr uint32_t kMaxTempLifetimeSeconds = 120;
// Temporary addresses that may exist on the host at once, over every run and user.
inline constexpr size_t kMaxTempAddressesOnHost = 4;
// The widest device subnet that may go on-link as a whole: the candidates all lie in the
// device's /24, and a claim of a wider subnet (which nobody can check) moves no more.
inline constexpr int kWidestOnLinkSubnetPrefix = 24;

// Why no temporary address may serve `device` on a subnet of `prefixLength` bits; empty
// when one may. The device must be a host address of a private network, on a subnet that
// lies inside that network and holds more than the device alone.
std::string CheckTempDevice(Ipv4 device, int prefixLength);

// Why `candidate` may not be the temporary address for `device`; empty when it may: the
// device's address with the last octet 241-247, a host address of the device's subnet
// other than the device's own.
std::string CheckTempCandidate(Ipv4 candidate, Ipv4 device, int prefixLength);

// How much of the host's routing a temporary address changes.
enum class TempRouteScope {
    kDevice,        // a route to the device's address alone
    kDeviceSubnet,  // a route to the device's subnet
};

// What the host looks like for one request: where the address would go, and how the
// kernel reaches the device now.
struct TempRouteFacts {
    uint32_t interfaceIndex = 0;  // the adapter the address would go on
    std::string interfaceName;
    // The kernel's lookup of the device's address, its policy rules applied.
    KernelRouteLookup deviceRoute;
    std::string routeInterfaceName;  // the name of deviceRoute's interface
    // Whether the policy rules are the kernel's own three; nullopt: unknown.
    std::optional<bool> onlyKernelPolicyRules;
    // One of the adapter's own (not temporary) addresses inside the device's subnet.
    std::optional<Ipv4> ownAddressInDeviceSubnet;
};

struct TempRoutePlan {
    std::string refusal;  // empty: the address may come, with the route of `scope`
    TempRouteScope scope = TempRouteScope::kDevice;
};

// - A device that the kernel reaches on a link (a route without a gateway, narrower than
//   a default route) may get an address on that adapter only, and only while none of the
//   adapter's own addresses lies in the device's subnet (the subnets differ under the
//   device's mask); the route then goes to the device alone, on the same link.
// - The subnet goes on-link only when it is no wider than a /24, the policy rules are the
//   kernel's own, and the lookup ends at the main table's default route through the
//   adapter the address goes on: then every address of the subnet that moves was reached
//   by that default route alone, and leaves by the same adapter.
// - Everything else (a VPN's table or route, a gateway's route to the subnet, no route, a
//   lookup that failed) gets the device's route alone.
TempRoutePlan PlanTempRoute(Ipv4 device, int prefixLength, const TempRouteFacts& facts);

// The name (IKernelNetwork::HoldName) for a temporary address: whoever adds, renews or
// removes `address` holds it meanwhile, and the run that holds the address keeps it for as
// long as it may renew it, so that no other run can take the address over in between.
std::string TempAddressName(Ipv4 address);

// The name that the run which moves a subnet on-link holds for as long as it holds its
// address: one such run per /24 at a time, so that the subnet route of one run never
// covers another run's device (which gets its own device route instead).
std::string TempSubnetName(Ipv4 device);

// Runs that send ARP or flush neighbour entries each hold one of these places, over the
// host, for as long as they run; their rate limits hold per place.
inline constexpr size_t kArpPlaces = 4;
std::string ArpPlaceName(size_t place);

// Who a temporary address on an interface belongs to.
enum class TempOwnership {
    kNotTemporary,  // not labelled "<this interface>:tmsl": the user's, never touched
    kThisRun,
    kOtherRun,     // its owner runs: nobody else removes, renews or reuses it
    kNoLiveOwner,  // left behind by a run that has ended (or that no run claims)
};

TempOwnership ClassifyTempAddress(const std::string& label, const std::string& interfaceName,
                                  uint32_t owner, uint32_t thisRun, bool ownerAlive);
