#include "platform/linux/rtnl_host_network.h"

#include <arpa/inet.h>
#include <libmnl/libmnl.h>
#include <linux/capability.h>
#include <linux/if_addr.h>
#include <linux/if_ether.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>

#include "platform/host_network.h"
#include "platform/linux/rtnl_messages.h"

namespace {

// How often a waiting ARP request looks whether it has been cancelled.
constexpr int64_t kCancelCheckMs = 20;

using Link = RtnlLink;
using Address = RtnlAddress;
using rtnl::Attributes;
using rtnl::PutIpv4;
using rtnl::ReadBytes;
using rtnl::ReadIpv4;
using rtnl::ReadString;
using rtnl::ReadU32;

std::optional<Link> FindLink(uint32_t interfaceIndex) {
    const std::optional<std::vector<Link>> links = DumpLinks();
    if (links) {
        for (const Link& link : *links) {
            if (link.index == interfaceIndex) {
                return link;
            }
        }
    }
    return std::nullopt;
}

bool IsWireless(const std::string& interfaceName) {
    if (interfaceName.empty() || interfaceName.find('/') != std::string::npos) {
        return false;
    }
    const std::filesystem::path device = std::filesystem::path("/sys/class/net") / interfaceName;
    std::error_code error;
    return std::filesystem::exists(device / "wireless", error) ||
           std::filesystem::exists(device / "phy80211", error);
}

AdapterType TypeOf(const Link& link) {
    if (link.hardwareType == ARPHRD_IEEE80211) {
        return AdapterType::kIeee80211;
    }
    if (link.hardwareType == ARPHRD_ETHER) {
        return IsWireless(link.name) ? AdapterType::kIeee80211 : AdapterType::kEthernet;
    }
    return AdapterType::kOther;
}

bool AddressExists(const HostAddressContext& context) {
    const std::optional<std::vector<Address>> addresses = DumpAddresses();
    if (!addresses) {
        return false;
    }
    for (const Address& address : *addresses) {
        if (address.interfaceIndex == context.interfaceIndex &&
            address.address.address == context.address &&
            address.prefixLength == context.prefixLength) {
            return true;
        }
    }
    return false;
}

// RTM_NEWADDR for a temporary address: new (must not exist yet) or a lifetime renewal.
bool SendNewAddress(const HostAddressContext& context, const std::string& label,
                    uint32_t lifetimeSeconds, bool create) {
    const uint16_t flags =
        NLM_F_ACK | (create ? static_cast<uint16_t>(NLM_F_CREATE | NLM_F_EXCL) : NLM_F_REPLACE);
    NetlinkRequest request(RTM_NEWADDR, flags);
    auto* header = request.PutHeader<ifaddrmsg>();
    header->ifa_family = AF_INET;
    header->ifa_prefixlen = static_cast<unsigned char>(context.prefixLength);
    header->ifa_scope = RT_SCOPE_UNIVERSE;
    header->ifa_index = context.interfaceIndex;
    nlmsghdr* message = request.Message();
    PutIpv4(message, IFA_LOCAL, context.address);
    PutIpv4(message, IFA_ADDRESS, context.address);
    if (context.prefixLength < 31) {
        PutIpv4(message, IFA_BROADCAST, context.address | ~PrefixToMask(context.prefixLength));
    }
    mnl_attr_put_strz(message, IFA_LABEL, label.substr(0, IFNAMSIZ - 1).c_str());
    ifa_cacheinfo lifetime{};
    lifetime.ifa_prefered = lifetimeSeconds;
    lifetime.ifa_valid = lifetimeSeconds;
    mnl_attr_put(message, IFA_CACHEINFO, sizeof lifetime, &lifetime);
    return request.Run();
}

// The ARP packet for IPv4 over Ethernet.
struct ArpPacket {
    uint16_t hardwareType;
    uint16_t protocolType;
    uint8_t hardwareLength;
    uint8_t protocolLength;
    uint16_t operation;
    uint8_t senderMac[6];
    uint8_t senderIp[4];
    uint8_t targetMac[6];
    uint8_t targetIp[4];
};
static_assert(sizeof(ArpPacket) == 28);

void StoreIpv4(uint8_t* bytes, Ipv4 address) {
    const uint32_t networkOrder = htonl(address);
    std::memcpy(bytes, &networkOrder, 4);
}

Ipv4 LoadIpv4(const uint8_t* bytes) {
    uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, bytes, 4);
    return ntohl(networkOrder);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Waits up to `waitMs` for an answer from `target`: a reply, or any ARP packet another
// station sent with `target` as its sender address (it holds that address). Gives up
// within kCancelCheckMs once `cancelled` is set.
std::optional<std::vector<uint8_t>> AwaitArpAnswer(int fd, Ipv4 target, uint32_t waitMs,
                                                   const std::atomic<bool>& cancelled) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0 || cancelled) {
            return std::nullopt;
        }
        pollfd readable{fd, POLLIN, 0};
        const auto slice = std::min<int64_t>(remaining.count(), kCancelCheckMs);
        const int ready = poll(&readable, 1, static_cast<int>(slice));
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        if (ready < 0) {
            return std::nullopt;
        }
        ArpPacket packet{};
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = recvfrom(fd, &packet, sizeof packet, 0,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < static_cast<ssize_t>(sizeof packet) || from.sll_pkttype == PACKET_OUTGOING) {
            continue;
        }
        const bool ipv4OverEthernet = ntohs(packet.hardwareType) == ARPHRD_ETHER &&
                                      ntohs(packet.protocolType) == ETH_P_IP &&
                                      packet.hardwareLength == 6 && packet.protocolLength == 4;
        if (ipv4OverEthernet && LoadIpv4(packet.senderIp) == target) {
            return std::vector<uint8_t>(packet.senderMac, packet.senderMac + 6);
        }
    }
}

bool InterfaceHoldsAddress(uint32_t interfaceIndex, Ipv4 address) {
    const std::optional<std::vector<Address>> addresses = DumpAddresses();
    if (!addresses) {
        return false;
    }
    for (const Address& entry : *addresses) {
        if (entry.interfaceIndex == interfaceIndex && entry.address.address == address) {
            return true;
        }
    }
    return false;
}

}  // namespace

RtnlHostNetwork::RtnlHostNetwork(ArpTiming arpTiming) : m_arpTiming(arpTiming) {}

std::optional<BestRoute> RtnlHostNetwork::GetBestRoute(Ipv4 destination) {
    // RTM_F_FIB_MATCH answers with the matching FIB entry itself, so its destination length
    // is the route's prefix (0 for the default route) rather than the /32 of a lookup.
    NetlinkRequest request(RTM_GETROUTE, NLM_F_ACK);
    auto* header = request.PutHeader<rtmsg>();
    header->rtm_family = AF_INET;
    header->rtm_dst_len = 32;
    header->rtm_flags = RTM_F_FIB_MATCH;
    PutIpv4(request.Message(), RTA_DST, destination);
    std::optional<BestRoute> route;
    const bool ok = request.Run([&](const nlmsghdr* message) {
        if (message->nlmsg_type != RTM_NEWROUTE || route) {
            return;
        }
        const auto* info = static_cast<const rtmsg*>(mnl_nlmsg_get_payload(message));
        if (info->rtm_type != RTN_UNICAST && info->rtm_type != RTN_LOCAL) {
            return;
        }
        const Attributes<RTA_MAX> attributes(message, sizeof(rtmsg));
        std::optional<uint32_t> interfaceIndex = ReadU32(attributes[RTA_OIF]);
        const nlattr* multipath = attributes[RTA_MULTIPATH];
        if (!interfaceIndex && multipath &&
            mnl_attr_get_payload_len(multipath) >= sizeof(rtnexthop)) {
            const auto* hop = static_cast<const rtnexthop*>(mnl_attr_get_payload(multipath));
            interfaceIndex = static_cast<uint32_t>(hop->rtnh_ifindex);
        }
        if (interfaceIndex) {
            route = BestRoute{*interfaceIndex, info->rtm_dst_len};
        }
    });
    return ok ? route : std::nullopt;
}

std::optional<std::vector<AdapterInfo>> RtnlHostNetwork::GetAdapters() {
    const std::optional<std::vector<Link>> links = DumpLinks();
    const std::optional<std::vector<Address>> addresses = DumpAddresses();
    if (!links || !addresses) {
        return std::nullopt;
    }
    std::vector<AdapterInfo> adapters;
    for (const Link& link : *links) {
        AdapterInfo adapter;
        adapter.index = link.index;
        adapter.name = link.name;
        adapter.type = TypeOf(link);
        adapter.hardwareAddress = link.hardwareAddress;
        adapter.operational = (link.flags & IFF_UP) && (link.flags & IFF_RUNNING);
        for (const Address& address : *addresses) {
            if (address.interfaceIndex != link.index) {
                continue;
            }
            adapter.addresses.push_back(address.address);
            if (address.address.dynamic && !IsTempAddressLabel(address.address.label)) {
                adapter.dhcpEnabled = true;
            }
        }
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

std::optional<HostAddressContext> RtnlHostNetwork::AddAddress(Ipv4 address, int prefixLength,
                                                              uint32_t interfaceIndex,
                                                              const std::string& label,
                                                              uint32_t lifetimeSeconds) {
    const HostAddressContext context{interfaceIndex, address, prefixLength};
    if (prefixLength < 0 || prefixLength > 32 ||
        !SendNewAddress(context, label, lifetimeSeconds, true)) {
        return std::nullopt;
    }
    return context;
}

bool RtnlHostNetwork::RenewAddress(const HostAddressContext& context, const std::string& label,
                                   uint32_t lifetimeSeconds) {
    // A replace of a missing address would add it again; an address that is gone (removed
    // by someone else, or expired) must stay gone.
    return AddressExists(context) && SendNewAddress(context, label, lifetimeSeconds, false);
}

bool RtnlHostNetwork::DeleteAddress(const HostAddressContext& context) {
    NetlinkRequest request(RTM_DELADDR, NLM_F_ACK);
    auto* header = request.PutHeader<ifaddrmsg>();
    header->ifa_family = AF_INET;
    header->ifa_prefixlen = static_cast<unsigned char>(context.prefixLength);
    header->ifa_index = context.interfaceIndex;
    PutIpv4(request.Message(), IFA_LOCAL, context.address);
    PutIpv4(request.Message(), IFA_ADDRESS, context.address);
    return request.Run();
}

std::optional<std::vector<uint8_t>> RtnlHostNetwork::SendArp(Ipv4 target, Ipv4 source,
                                                             uint32_t interfaceIndex) {
    if (m_waitsCancelled) {
        return std::nullopt;
    }
    const std::optional<Link> link = FindLink(interfaceIndex);
    if (!link || link->hardwareAddress.size() != 6 || !(link->flags & IFF_UP)) {
        return std::nullopt;
    }
    const bool probe = source == 0;
    const bool ownAddress = InterfaceHoldsAddress(interfaceIndex, target);
    if (ownAddress && !probe) {
        return link->hardwareAddress;
    }

    FileDescriptor fd(socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP)));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ARP);
    address.sll_ifindex = static_cast<int>(interfaceIndex);
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        return std::nullopt;
    }

    ArpPacket request{};
    request.hardwareType = htons(ARPHRD_ETHER);
    request.protocolType = htons(ETH_P_IP);
    request.hardwareLength = 6;
    request.protocolLength = 4;
    request.operation = htons(ARPOP_REQUEST);
    std::memcpy(request.senderMac, link->hardwareAddress.data(), 6);
    StoreIpv4(request.senderIp, source);
    StoreIpv4(request.targetIp, target);

    sockaddr_ll broadcast = address;
    broadcast.sll_halen = 6;
    std::memset(broadcast.sll_addr, 0xFF, 6);

    const int attempts = probe ? m_arpTiming.probeAttempts : m_arpTiming.requestAttempts;
    for (int attempt = 0; attempt < attempts && !m_waitsCancelled; ++attempt) {
        if (sendto(fd.get(), &request, sizeof request, 0,
                   reinterpret_cast<const sockaddr*>(&broadcast), sizeof broadcast) < 0) {
            return std::nullopt;
        }
        std::optional<std::vector<uint8_t>> answer =
            AwaitArpAnswer(fd.get(), target, m_arpTiming.replyWaitMs, m_waitsCancelled);
        if (answer) {
            return answer;
        }
    }
    if (probe && ownAddress && !m_waitsCancelled) {
        return link->hardwareAddress;
    }
    return std::nullopt;
}

void RtnlHostNetwork::SetWaitsCancelled(bool cancelled) {
    m_waitsCancelled = cancelled;
}

bool RtnlHostNetwork::FlushNeighbours(uint32_t interfaceIndex) {
    NetlinkRequest dump(RTM_GETNEIGH, NLM_F_DUMP);
    dump.PutHeader<ndmsg>()->ndm_family = AF_INET;
    std::vector<Ipv4> neighbours;
    const bool ok = dump.Run([&](const nlmsghdr* message) {
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
        if (const std::optional<Ipv4> destination = ReadIpv4(attributes[NDA_DST])) {
            neighbours.push_back(*destination);
        }
    });
    if (!ok) {
        return false;
    }
    bool allDeleted = true;
    for (const Ipv4 neighbour : neighbours) {
        NetlinkRequest remove(RTM_DELNEIGH, NLM_F_ACK);
        auto* header = remove.PutHeader<ndmsg>();
        header->ndm_family = AF_INET;
        header->ndm_ifindex = static_cast<int>(interfaceIndex);
        PutIpv4(remove.Message(), NDA_DST, neighbour);
        if (!remove.Run() && errno != ENOENT) {
            allDeleted = false;
        }
    }
    return allDeleted;
}

std::string RtnlHostNetwork::ConnectionName(const std::string& adapterName) {
    const std::optional<std::vector<Link>> links = DumpLinks();
    if (links) {
        for (const Link& link : *links) {
            if (link.name == adapterName) {
                return link.alias.empty() ? link.name : link.alias;
            }
        }
    }
    return std::string();
}

std::vector<std::string> RtnlHostNetwork::MissingPrivileges() {
    return MissingNetworkCapabilities();
}

std::vector<std::string> MissingNetworkCapabilities() {
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> data{};
    if (syscall(SYS_capget, &header, data.data()) != 0) {
        return {"cap_net_admin", "cap_net_raw"};
    }
    const auto effective = [&](int capability) {
        return (data[capability / 32].effective & (1u << (capability % 32))) != 0;
    };
    std::vector<std::string> missing;
    if (!effective(CAP_NET_ADMIN)) {
        missing.push_back("cap_net_admin");
    }
    if (!effective(CAP_NET_RAW)) {
        missing.push_back("cap_net_raw");
    }
    return missing;
}
