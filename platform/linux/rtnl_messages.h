#pragma once

// rtnetlink, the one place for it: one request with its replies, attribute access, and
// every look-up and change that the host network readers, the kernel steps of temporary
// addresses and the network helper make.

#include <libmnl/libmnl.h>
#include <linux/netlink.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/ipv4.h"
#include "platform/kernel_network.h"

using NetlinkMessageHandler = std::function<void(const nlmsghdr*)>;

// One request and its replies on a socket of its own. The kernel's replies are matched by
// our port id and the request's sequence number; NLMSG_ERROR with 0 is the
// acknowledgement, any other error code fails the request with that errno.
class NetlinkRequest {
public:
    NetlinkRequest(uint16_t type, uint16_t flags);

    template <typename Header>
    Header* PutHeader() {
        return static_cast<Header*>(mnl_nlmsg_put_extra_header(m_message, sizeof(Header)));
    }

    nlmsghdr* Message() { return m_message; }

    // False when the request failed; errno then says why.
    bool Run(const NetlinkMessageHandler& onMessage = {});

private:
    bool Exchange(mnl_socket* socket, const NetlinkMessageHandler& onMessage);

    std::vector<char> m_buffer;
    nlmsghdr* m_message;
};

namespace rtnl {

// The attributes of a message, indexed by type; types above N are ignored.
template <size_t N>
struct Attributes {
    std::array<const nlattr*, N + 1> slot{};

    Attributes(const nlmsghdr* message, size_t headerSize) {
        mnl_attr_parse(message, static_cast<unsigned>(headerSize), &Attributes::Collect, this);
    }

    const nlattr* operator[](size_t type) const { return type <= N ? slot[type] : nullptr; }

    static int Collect(const nlattr* attribute, void* data) {
        auto* self = static_cast<Attributes*>(data);
        const uint16_t type = mnl_attr_get_type(attribute);
        if (type <= N) {
            self->slot[type] = attribute;
        }
        return MNL_CB_OK;
    }
};

std::optional<uint32_t> ReadU32(const nlattr* attribute);
std::optional<Ipv4> ReadIpv4(const nlattr* attribute);
std::string ReadString(const nlattr* attribute);
std::vector<uint8_t> ReadBytes(const nlattr* attribute);
void PutIpv4(nlmsghdr* message, uint16_t type, Ipv4 address);

}  // namespace rtnl

struct RtnlLink {
    uint32_t index = 0;
    std::string name;
    std::string alias;
    uint16_t hardwareType = 0;  // ARPHRD_*
    unsigned flags = 0;         // IFF_*
    std::vector<uint8_t> hardwareAddress;
};

struct RtnlAddress {
    uint32_t interfaceIndex = 0;
    AdapterAddress address;
    int prefixLength = 0;
};

// Every link, and every IPv4 address, as the kernel lists them; nullopt when the dump
// failed.
std::optional<std::vector<RtnlLink>> DumpLinks();
std::optional<std::vector<RtnlAddress>> DumpAddresses();
std::optional<RtnlLink> FindLink(uint32_t interfaceIndex);

// The route the host uses for `destination` now, its policy rules applied (the FIB entry
// itself, so its prefix is the route's: 0 for the default route). `ok` is false when the
// lookup failed; a destination that no route leads to is ok without a route. `table` and
// `type` are those of the entry (RT_TABLE_*, RTN_*); `route` is set for a unicast or
// local one.
struct RouteLookup {
    bool ok = false;
    std::optional<BestRoute> route;
    uint32_t table = 0;
    uint8_t type = 0;
};
RouteLookup LookUpRoute(Ipv4 destination);

// Whether the IPv4 policy rules are the kernel's own three and nothing else: every packet
// looks up the local, the main and the default table, in that order. nullopt when the
// rules cannot be read.
std::optional<bool> OnlyKernelPolicyRules();

// A temporary address: added without a prefix route (`create`, never taking over an
// existing one) or given a new lifetime (which never adds it again).
bool NewTempAddress(const TempAddressSettings& settings, bool create);
// Removes the address only while it carries `label` (the kernel compares it).
bool DeleteAddress(const HostAddressContext& context, const std::string& label);
bool AddLinkRoute(const LinkRoute& route);
// Removes the neighbour entry; true as well when there was none.
bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour);
