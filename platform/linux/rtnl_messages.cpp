#include "platform/linux/rtnl_messages.h"

#include <arpa/inet.h>
#include <linux/fib_rules.h>
#include <linux/if_addr.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

// A netlink request that gets no answer in this time has failed.
constexpr time_t kNetlinkReplyTimeoutSeconds = 5;
// Large enough for any single message of a dump.
constexpr size_t kReceiveBufferSize = 32768;

uint32_t NextSequence() {
    static std::atomic<uint32_t> sequence{static_cast<uint32_t>(time(nullptr))};
    return ++sequence;
}

int DispatchMessage(const nlmsghdr* message, void* data) {
    (*static_cast<NetlinkMessageHandler*>(data))(message);
    return MNL_CB_OK;
}

}  // namespace

NetlinkRequest::NetlinkRequest(uint16_t type, uint16_t flags) : m_buffer(MNL_SOCKET_BUFFER_SIZE) {
    m_message = mnl_nlmsg_put_header(m_buffer.data());
    m_message->nlmsg_type = type;
    m_message->nlmsg_flags = NLM_F_REQUEST | flags;
    m_message->nlmsg_seq = NextSequence();
}

bool NetlinkRequest::Run(const NetlinkMessageHandler& onMessage) {
    mnl_socket* socket = mnl_socket_open2(NETLINK_ROUTE, SOCK_CLOEXEC);
    if (!socket) {
        return false;
    }
    const bool ok = Exchange(socket, onMessage);
    const int error = errno;
    mnl_socket_close(socket);
    errno = error;
    return ok;
}

bool NetlinkRequest::Exchange(mnl_socket* socket, const NetlinkMessageHandler& onMessage) {
    if (mnl_socket_bind(socket, 0, MNL_SOCKET_AUTOPID) < 0) {
        return false;
    }
    const timeval timeout{kNetlinkReplyTimeoutSeconds, 0};
    setsockopt(mnl_socket_get_fd(socket), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (mnl_socket_sendto(socket, m_message, m_message->nlmsg_len) < 0) {
        return false;
    }
    const unsigned portId = mnl_socket_get_portid(socket);
    NetlinkMessageHandler handler = onMessage ? onMessage : [](const nlmsghdr*) {};
    std::vector<char> reply(kReceiveBufferSize);
    for (;;) {
        const ssize_t length = mnl_socket_recvfrom(socket, reply.data(), reply.size());
        if (length < 0) {
            return false;
        }
        const int result = mnl_cb_run(reply.data(), static_cast<size_t>(length),
                                      m_message->nlmsg_seq, portId, DispatchMessage, &handler);
        if (result == MNL_CB_ERROR) {
            return false;
        }
        if (result == MNL_CB_STOP) {
            return true;
        }
    }
}

namespace rtnl {

std::optional<uint32_t> ReadU32(const nlattr* attribute) {
    if (!attribute || mnl_attr_validate(attribute, MNL_TYPE_U32) < 0) {
        return std::nullopt;
    }
    return mnl_attr_get_u32(attribute);
}

std::optional<Ipv4> ReadIpv4(const nlattr* attribute) {
    if (!attribute || mnl_attr_get_payload_len(attribute) != 4) {
        return std::nullopt;
    }
    uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, mnl_attr_get_payload(attribute), 4);
    return ntohl(networkOrder);
}

std::string ReadString(const nlattr* attribute) {
    if (!attribute) {
        return std::string();
    }
    const char* text = static_cast<const char*>(mnl_attr_get_payload(attribute));
    const size_t length = mnl_attr_get_payload_len(attribute);
    return std::string(text, strnlen(text, length));
}

std::vector<uint8_t> ReadBytes(const nlattr* attribute) {
    if (!attribute) {
        return {};
    }
    const auto* bytes = static_cast<const uint8_t*>(mnl_attr_get_payload(attribute));
    return std::vector<uint8_t>(bytes, bytes + mnl_attr_get_payload_len(attribute));
}

void PutIpv4(nlmsghdr* message, uint16_t type, Ipv4 address) {
    mnl_attr_put_u32(message, type, htonl(address));
}

}  // namespace rtnl

using rtnl::Attributes;
using rtnl::PutIpv4;
using rtnl::ReadBytes;
using rtnl::ReadIpv4;
using rtnl::ReadString;
using rtnl::ReadU32;

std::optional<std::vector<RtnlLink>> DumpLinks() {
    NetlinkRequest request(RTM_GETLINK, NLM_F_DUMP);
    request.PutHeader<ifinfomsg>()->ifi_family = AF_UNSPEC;
    std::vector<RtnlLink> links;
    const bool ok = request.Run([&](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWLINK) {
            return;
        }
        const auto* info = static_cast<const ifinfomsg*>(mnl_nlmsg_get_payload(message));
        const Attributes<IFLA_MAX> attributes(message, sizeof(ifinfomsg));
        RtnlLink link;
        link.index = static_cast<uint32_t>(info->ifi_index);
        link.hardwareType = info->ifi_type;
        link.flags = info->ifi_flags;
        link.name = ReadString(attributes[IFLA_IFNAME]);
        link.alias = ReadString(attributes[IFLA_IFALIAS]);
        link.hardwareAddress = ReadBytes(attributes[IFLA_ADDRESS]);
        links.push_back(std::move(link));
    });
    if (!ok) {
        return std::nullopt;
    }
    return links;
}

std::optional<std::vector<RtnlAddress>> DumpAddresses() {
    NetlinkRequest request(RTM_GETADDR, NLM_F_DUMP);
    request.PutHeader<ifaddrmsg>()->ifa_family = AF_INET;
    std::vector<RtnlAddress> addresses;
    const bool ok = request.Run([&](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWADDR) {
            return;
        }
        const auto* info = static_cast<const ifaddrmsg*>(mnl_nlmsg_get_payload(message));
        if (info->ifa_family != AF_INET) {
            return;
        }
        const Attributes<IFA_MAX> attributes(message, sizeof(ifaddrmsg));
        // IFA_LOCAL is our own address; IFA_ADDRESS is the peer's on point-to-point links.
        std::optional<Ipv4> local = ReadIpv4(attributes[IFA_LOCAL]);
        if (!local) {
            local = ReadIpv4(attributes[IFA_ADDRESS]);
        }
        if (!local) {
            return;
        }
        const uint32_t flags = ReadU32(attributes[IFA_FLAGS]).value_or(info->ifa_flags);
        RtnlAddress address;
        address.interfaceIndex = info->ifa_index;
        address.prefixLength = info->ifa_prefixlen;
        address.address.address = *local;
        address.address.mask = PrefixToMask(info->ifa_prefixlen);
        address.address.label = ReadString(attributes[IFA_LABEL]);
        address.address.dynamic = (flags & IFA_F_PERMANENT) == 0;
        // A temporary address records its owner in this attribute, which routes nothing
        // for an address without a prefix route.
        address.address.owner = ReadU32(attributes[IFA_RT_PRIORITY]).value_or(0);
        addresses.push_back(std::move(address));
    });
    if (!ok) {
        return std::nullopt;
    }
    return addresses;
}

std::optional<RtnlLink> FindLink(uint32_t interfaceIndex) {
    std::optional<std::vector<RtnlLink>> links = DumpLinks();
    for (RtnlLink& link : links.value_or(std::vector<RtnlLink>())) {
        if (link.index == interfaceIndex) {
            return std::move(link);
        }
    }
    return std::nullopt;
}

RouteLookup LookUpRoute(Ipv4 destination) {
    // RTM_F_FIB_MATCH answers with the matching FIB entry itself, so its destination length
    // is the route's prefix (0 for the default route) rather than the /32 of a lookup.
    NetlinkRequest request(RTM_GETROUTE, NLM_F_ACK);
    auto* header = request.PutHeader<rtmsg>();
    header->rtm_family = AF_INET;
    header->rtm_dst_len = 32;
    header->rtm_flags = RTM_F_FIB_MATCH;
    PutIpv4(request.Message(), RTA_DST, destination);
    RouteLookup lookup;
    bool answered = false;
    lookup.ok = request.Run([&](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWROUTE || answered) {
            return;
        }
        answered = true;
        const auto* info = static_cast<const rtmsg*>(mnl_nlmsg_get_payload(message));
        const Attributes<RTA_MAX> attributes(message, sizeof(rtmsg));
        lookup.table = ReadU32(attributes[RTA_TABLE]).value_or(info->rtm_table);
        lookup.type = info->rtm_type;
        if (info->rtm_type != RTN_UNICAST && info->rtm_type != RTN_LOCAL) {
            return;
        }
        std::optional<uint32_t> interfaceIndex = ReadU32(attributes[RTA_OIF]);
        std::optional<Ipv4> gateway = ReadIpv4(attributes[RTA_GATEWAY]);
        const nlattr* multipath = attributes[RTA_MULTIPATH];
        if (!interfaceIndex && multipath &&
            mnl_attr_get_payload_len(multipath) >= sizeof(rtnexthop)) {
            // The first next hop: its interface, and the gateway among its attributes.
            const auto* hop = static_cast<const rtnexthop*>(mnl_attr_get_payload(multipath));
            interfaceIndex = static_cast<uint32_t>(hop->rtnh_ifindex);
            const size_t hopLength =
                std::min<size_t>(hop->rtnh_len, mnl_attr_get_payload_len(multipath));
            size_t offset = RTNH_ALIGN(sizeof(rtnexthop));
            while (offset + sizeof(nlattr) <= hopLength) {
                const auto* attribute =
                    reinterpret_cast<const nlattr*>(reinterpret_cast<const char*>(hop) + offset);
                if (attribute->nla_len < sizeof(nlattr) ||
                    offset + attribute->nla_len > hopLength) {
                    break;
                }
                if (mnl_attr_get_type(attribute) == RTA_GATEWAY) {
                    gateway = ReadIpv4(attribute);
                }
                offset += MNL_ALIGN(attribute->nla_len);
            }
        }
        if (interfaceIndex) {
            lookup.route =
                BestRoute{*interfaceIndex, info->rtm_dst_len,
                          ReadIpv4(attributes[RTA_PREFSRC]).value_or(0), gateway.value_or(0)};
        }
    });
    // The kernel answers a destination without any route with "network unreachable".
    if (!lookup.ok && errno == ENETUNREACH) {
        lookup.ok = true;
    }
    return lookup;
}

namespace {

// Whether a rule of the dump looks up its table for every packet: no selector in its
// header, and no attribute but its priority, its table, its originator and suppressors
// that suppress nothing (the kernel reports those as all ones). An attribute this code
// does not know counts as a selector.
bool SelectsEveryPacket(const nlmsghdr* message) {
    const auto* header = static_cast<const fib_rule_hdr*>(mnl_nlmsg_get_payload(message));
    if (header->dst_len != 0 || header->src_len != 0 || header->tos != 0 ||
        header->action != FR_ACT_TO_TBL || header->flags != 0) {
        return false;
    }
    bool every = true;
    mnl_attr_parse(
        message, sizeof(fib_rule_hdr),
        [](const nlattr* attribute, void* data) {
            bool& all = *static_cast<bool*>(data);
            switch (mnl_attr_get_type(attribute)) {
                case FRA_PRIORITY:
                case FRA_TABLE:
                case FRA_PROTOCOL:
                    break;
                case FRA_SUPPRESS_PREFIXLEN:
                case FRA_SUPPRESS_IFGROUP:
                    all = all && ReadU32(attribute) == UINT32_MAX;
                    break;
                default:
                    all = false;
            }
            return static_cast<int>(MNL_CB_OK);
        },
        &every);
    return every;
}

}  // namespace

std::optional<bool> OnlyKernelPolicyRules() {
    NetlinkRequest request(RTM_GETRULE, NLM_F_DUMP);
    request.PutHeader<fib_rule_hdr>()->family = AF_INET;
    // The kernel's own: priority 0 looks up local, 32766 main, 32767 default. Any other
    // rule (a VPN's, a user's, one for a mark or a user id) may send part of the traffic
    // through another table, or look up main differently.
    const std::vector<std::pair<uint32_t, uint32_t>> kernelRules = {
        {0, RT_TABLE_LOCAL}, {32766, RT_TABLE_MAIN}, {32767, RT_TABLE_DEFAULT}};
    std::vector<std::pair<uint32_t, uint32_t>> rules;
    bool selective = false;
    const bool ok = request.Run([&](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWRULE) {
            return;
        }
        const auto* header = static_cast<const fib_rule_hdr*>(mnl_nlmsg_get_payload(message));
        if (header->family != AF_INET) {
            return;
        }
        const Attributes<FRA_MAX> attributes(message, sizeof(fib_rule_hdr));
        selective = selective || !SelectsEveryPacket(message);
        rules.emplace_back(ReadU32(attributes[FRA_PRIORITY]).value_or(0),
                           ReadU32(attributes[FRA_TABLE]).value_or(header->table));
    });
    if (!ok) {
        return std::nullopt;
    }
    return !selective && rules == kernelRules;
}

namespace {

bool AddressExists(const HostAddressContext& context) {
    const std::optional<std::vector<RtnlAddress>> addresses = DumpAddresses();
    for (const RtnlAddress& address : addresses.value_or(std::vector<RtnlAddress>())) {
        if (address.interfaceIndex == context.interfaceIndex &&
            address.address.address == context.address &&
            address.prefixLength == context.prefixLength) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool NewTempAddress(const TempAddressSettings& settings, bool create) {
    // A replace of a missing address would add it again; an address that is gone (removed
    // by someone else, or expired) must stay gone.
    if (!create && !AddressExists(settings.context)) {
        return false;
    }
    const uint16_t flags =
        NLM_F_ACK | (create ? static_cast<uint16_t>(NLM_F_CREATE | NLM_F_EXCL) : NLM_F_REPLACE);
    NetlinkRequest request(RTM_NEWADDR, flags);
    auto* header = request.PutHeader<ifaddrmsg>();
    header->ifa_family = AF_INET;
    header->ifa_prefixlen = static_cast<unsigned char>(settings.context.prefixLength);
    header->ifa_scope = RT_SCOPE_UNIVERSE;
    header->ifa_index = settings.context.interfaceIndex;
    nlmsghdr* message = request.Message();
    PutIpv4(message, IFA_LOCAL, settings.context.address);
    PutIpv4(message, IFA_ADDRESS, settings.context.address);
    mnl_attr_put_strz(message, IFA_LABEL, settings.label.substr(0, IFNAMSIZ - 1).c_str());
    // The route from the address is added on its own, as the rules allow.
    mnl_attr_put_u32(message, IFA_FLAGS, IFA_F_NOPREFIXROUTE);
    mnl_attr_put_u32(message, IFA_RT_PRIORITY, settings.owner);
    ifa_cacheinfo lifetime{};
    lifetime.ifa_prefered = settings.lifetimeSeconds;
    lifetime.ifa_valid = settings.lifetimeSeconds;
    mnl_attr_put(message, IFA_CACHEINFO, sizeof lifetime, &lifetime);
    return request.Run();
}

bool DeleteAddress(const HostAddressContext& context, const std::string& label) {
    NetlinkRequest request(RTM_DELADDR, NLM_F_ACK);
    auto* header = request.PutHeader<ifaddrmsg>();
    header->ifa_family = AF_INET;
    header->ifa_prefixlen = static_cast<unsigned char>(context.prefixLength);
    header->ifa_index = context.interfaceIndex;
    PutIpv4(request.Message(), IFA_LOCAL, context.address);
    PutIpv4(request.Message(), IFA_ADDRESS, context.address);
    mnl_attr_put_strz(request.Message(), IFA_LABEL, label.substr(0, IFNAMSIZ - 1).c_str());
    return request.Run();
}

bool AddLinkRoute(const LinkRoute& route) {
    NetlinkRequest request(RTM_NEWROUTE, NLM_F_ACK | NLM_F_CREATE | NLM_F_EXCL);
    auto* header = request.PutHeader<rtmsg>();
    header->rtm_family = AF_INET;
    header->rtm_dst_len = static_cast<unsigned char>(route.prefixLength);
    header->rtm_table = RT_TABLE_MAIN;
    header->rtm_protocol = RTPROT_STATIC;
    header->rtm_scope = RT_SCOPE_LINK;
    header->rtm_type = RTN_UNICAST;
    nlmsghdr* message = request.Message();
    PutIpv4(message, RTA_DST, route.destination);
    mnl_attr_put_u32(message, RTA_OIF, route.interfaceIndex);
    PutIpv4(message, RTA_PREFSRC, route.source);
    mnl_attr_put_u32(message, RTA_PRIORITY, route.metric);
    return request.Run();
}

bool DeleteNeighbour(uint32_t interfaceIndex, Ipv4 neighbour) {
    NetlinkRequest dump(RTM_GETNEIGH, NLM_F_DUMP);
    dump.PutHeader<ndmsg>()->ndm_family = AF_INET;
    bool cached = false;
    const bool listed = dump.Run([&](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWNEIGH) {
            return;
        }
        const auto* info = static_cast<const ndmsg*>(mnl_nlmsg_get_payload(message));
        // Static and no-ARP entries are configuration, not cache.
        if (info->ndm_family != AF_INET || info->ndm_ifindex != static_cast<int>(interfaceIndex) ||
            (info->ndm_state & (NUD_PERMANENT | NUD_NOARP))) {
            return;
        }
        const Attributes<NDA_MAX> attributes(message, sizeof(ndmsg));
        cached = cached || ReadIpv4(attributes[NDA_DST]) == neighbour;
    });
    if (!listed) {
        return false;
    }
    if (!cached) {
        return true;
    }
    NetlinkRequest request(RTM_DELNEIGH, NLM_F_ACK);
    auto* header = request.PutHeader<ndmsg>();
    header->ndm_family = AF_INET;
    header->ndm_ifindex = static_cast<int>(interfaceIndex);
    PutIpv4(request.Message(), NDA_DST, neighbour);
    return request.Run() || errno == ENOENT;
}
