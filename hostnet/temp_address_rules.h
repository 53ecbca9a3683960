#pragma once

// The rules every temporary address obeys, whoever asks for it: the program with its own
// rights, or the network helper for a member of the group tamsel. A temporary address
// exists to reach one device. Afterwards the host's routing differs from before for that
// device's address alone, or, when the device's subnet is private, no wider than a /24 and
// reached by nothing but the default route today, for that subnet alone. The address itself
// is a /32 without a prefix route, so that the kernel adds nothing for it but the address
// (no subnet or broadcast route), and one route is added from it. Everything here
// is a pure function of what it is given; hostnet/temp_address_guard.h applies it to the
// kernel's present state.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ipv4.h"

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

// The subnet goes on-link only when nothing but the default route leads there now
// (`routePrefixNow` 0) and it is no wider than a /24; a subnet that a VPN or another LAN
// serves, a wider one, or an unknown route state gets the device's route alone.
TempRouteScope ChooseTempRouteScope(int devicePrefix, std::optional<int> routePrefixNow);

// Who a temporary address on an interface belongs to.
enum class TempOwnership {
    kNotTemporary,  // not labelled "<this interface>:tmsl": the user's, never touched
    kThisRun,
    kOtherRun,     // its owner runs: nobody else removes, renews or reuses it
    kNoLiveOwner,  // left behind by a run that has ended (or that no run claims)
};

TempOwnership ClassifyTempAddress(const std::string& label, const std::string& interfaceName,
                                  uint32_t owner, uint32_t thisRun, bool ownerAlive);
