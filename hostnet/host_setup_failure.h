#pragma once

#include <string>

#include "platform/host_network.h"
#include "platform/ipv4.h"

// Why a host address set-up could not make the device reachable, when the reason is one
// the user can act on; the GUI and tamselctl say the same.
struct HostSetupFailure {
    enum class Kind {
        kNone,           // no such reason known: the device did not answer, ...
        kDeviceRefused,  // the device reports an address the rules give no temporary one
        kNotInGroup,     // the user may not run the network helper
        kNoRights,       // the helper is missing or lacks its rights
        // Every place the host has for temporary addresses or ARP is taken by other runs;
        // it frees up as they end (tamselctl waits for it, the GUI says the device did not
        // answer).
        kHostFull,
    };
    Kind kind = Kind::kNone;
    // One line with the names that matter (the user, the group, the helper, the device).
    std::wstring detail;

    bool Known() const { return kind != Kind::kNone; }
    bool operator==(const HostSetupFailure&) const = default;
};

HostSetupFailure MissingRightsFailure(const NetworkRights& rights);
// `reason` is the rules' (hostnet/temp_address_rules.h).
HostSetupFailure DeviceRefusedFailure(Ipv4 device, Ipv4 mask, const std::string& reason);
HostSetupFailure HostFullFailure(Ipv4 device);

// The message box text (string id) that tells the user: kMsgRepeaterTimeout when no reason
// is known.
int HostSetupFailureMessage(const HostSetupFailure& failure);
