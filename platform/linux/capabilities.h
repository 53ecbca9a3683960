#pragma once

#include <string>
#include <vector>

// Capabilities of the calling process that adding addresses (cap_net_admin) and sending
// raw ARP (cap_net_raw) need but are not effective, by their setcap names. Grant them
// with `setcap cap_net_admin,cap_net_raw+ep <program>` or run the program as root.
std::vector<std::string> MissingNetworkCapabilities();

// Whether the calling process may open a packet socket: CAP_NET_RAW is permitted (raised
// where the socket is opened).
bool HasRawCapability();

// Raises CAP_NET_RAW into the calling thread's effective set for the object's life, when
// it is permitted but not effective, and lowers it again afterwards; does nothing when it
// is effective already (root) or not permitted at all. The network helper keeps it
// lowered except while it opens a raw socket and sends on it.
class RaisedRawCapability {
public:
    RaisedRawCapability();
    ~RaisedRawCapability();

    RaisedRawCapability(const RaisedRawCapability&) = delete;
    RaisedRawCapability& operator=(const RaisedRawCapability&) = delete;

private:
    bool m_raised = false;
};

// Lowers CAP_NET_RAW out of the effective set, keeping it permitted, so that it is raised
// only where RaisedRawCapability says.
bool LowerRawCapability();

// For the network helper: keeps CAP_NET_ADMIN and CAP_NET_RAW, when permitted, as the only
// permitted capabilities, CAP_NET_ADMIN alone effective (CAP_NET_RAW is raised where a raw
// socket is opened and sent on); drops everything else, the inheritable and ambient sets
// included, and every capability from the bounding set when it may; sets no_new_privs.
// Returns the setcap names of what it lacks, separated by spaces; empty when nothing.
std::string KeepOnlyNetworkCapabilities();
