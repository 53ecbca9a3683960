#include "platform/linux/netadmin/netadmin_service.h"

#include <cerrno>
#include <cstring>
#include <variant>

#include "platform/linux/netadmin_protocol.h"

namespace {

constexpr Ipv4 kFirstTempOctet = 241;
constexpr Ipv4 kLastTempOctet = 247;
// A temporary address serves one device's subnet; a short prefix would claim a large part
// of the address space for the adapter, a /31 or /32 has no subnet to share.
constexpr int kShortestPrefix = 8;
constexpr int kLongestPrefix = 30;

std::string Cidr(const HostAddressContext& context) {
    return FormatIpv4Ascii(context.address) + "/" + std::to_string(context.prefixLength);
}

std::string SystemError(const std::string& what) {
    return FormatErrorAnswer(what + ": " + std::strerror(errno));
}

bool IsUnicast(Ipv4 address) {
    const Ipv4 first = address >> 24;
    return first != 0 && first != 127 && first < 224;
}

// Why this cannot be one of our temporary addresses; empty when it can.
std::string CheckTempAddress(const HostAddressContext& context) {
    const Ipv4 octet = context.address & 0xFF;
    if (octet < kFirstTempOctet || octet > kLastTempOctet) {
        return FormatIpv4Ascii(context.address) +
               " is not a temporary address (last octet 241-247)";
    }
    if (context.prefixLength < kShortestPrefix || context.prefixLength > kLongestPrefix) {
        return "prefix /" + std::to_string(context.prefixLength) + " is outside /8-/30";
    }
    const Ipv4 hostBits = ~PrefixToMask(context.prefixLength);
    const Ipv4 host = context.address & hostBits;
    if (!IsUnicast(context.address) || host == 0 || host == hostBits) {
        return Cidr(context) + " is not a host address";
    }
    return std::string();
}

std::string CheckLifetime(uint32_t lifetimeSeconds) {
    if (lifetimeSeconds == 0 || lifetimeSeconds > kNetAdminMaxLifetimeSeconds) {
        return "lifetime " + std::to_string(lifetimeSeconds) + " s is outside 1-" +
               std::to_string(kNetAdminMaxLifetimeSeconds) + " s";
    }
    return std::string();
}

}  // namespace

std::string NetAdminService::Handle(const std::string& line) {
    const std::variant<NetAdminRequest, std::string> parsed = ParseRequest(line);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return FormatErrorAnswer("malformed request: " + *why);
    }
    const NetAdminRequest& request = std::get<NetAdminRequest>(parsed);
    const std::optional<INetAdminSystem::Link> link = m_system.FindLink(request.interfaceIndex);
    if (!link) {
        return FormatErrorAnswer("no interface with index " +
                                 std::to_string(request.interfaceIndex));
    }
    if (!link->ethernet) {
        return FormatErrorAnswer(link->name + " is not an Ethernet or wireless adapter");
    }
    const HostAddressContext context{request.interfaceIndex, request.address, request.prefixLength};
    switch (request.verb) {
        case NetAdminVerb::kAdd:
            return Add(link->name, context, request.lifetimeSeconds);
        case NetAdminVerb::kRenew:
            return Renew(link->name, context, request.lifetimeSeconds);
        case NetAdminVerb::kDelete:
            return Delete(link->name, context);
        case NetAdminVerb::kFlush:
            return m_system.FlushNeighbours(request.interfaceIndex)
                       ? FormatOkAnswer()
                       : SystemError("could not flush the neighbours of " + link->name);
        case NetAdminVerb::kArp:
            return Arp(link->name, request.address, request.source, request.interfaceIndex);
    }
    return FormatErrorAnswer("unknown request");
}

std::string NetAdminService::Add(const std::string& interfaceName,
                                 const HostAddressContext& context, uint32_t lifetimeSeconds) {
    if (std::string why = CheckTempAddress(context); !why.empty()) {
        return FormatErrorAnswer(why);
    }
    if (std::string why = CheckLifetime(lifetimeSeconds); !why.empty()) {
        return FormatErrorAnswer(why);
    }
    // One temporary address at a time; one that expired or was removed by someone else
    // no longer counts.
    if (m_held && !Find(*m_held)) {
        m_held.reset();
    }
    if (m_held) {
        return FormatErrorAnswer("a temporary address is held already (" + Cidr(*m_held) +
                                 "); delete it first");
    }
    if (!m_system.AddAddress(context, TempAddressLabel(interfaceName), lifetimeSeconds)) {
        return SystemError("could not add " + Cidr(context) + " to " + interfaceName);
    }
    m_held = context;
    return FormatOkAnswer();
}

std::string NetAdminService::Renew(const std::string& interfaceName,
                                   const HostAddressContext& context, uint32_t lifetimeSeconds) {
    if (std::string why = CheckLifetime(lifetimeSeconds); !why.empty()) {
        return FormatErrorAnswer(why);
    }
    const std::optional<INetAdminSystem::Address> present = Find(context);
    if (!present || !IsTempAddressLabel(present->label)) {
        return FormatErrorAnswer("no temporary address " + Cidr(context) + " on " + interfaceName);
    }
    if (!m_system.RenewAddress(context, present->label, lifetimeSeconds)) {
        return SystemError("could not renew " + Cidr(context));
    }
    return FormatOkAnswer();
}

std::string NetAdminService::Delete(const std::string& interfaceName,
                                    const HostAddressContext& context) {
    const std::optional<INetAdminSystem::Address> present = Find(context);
    if (!present) {
        return FormatErrorAnswer("no address " + Cidr(context) + " on " + interfaceName);
    }
    if (!IsTempAddressLabel(present->label)) {
        return FormatErrorAnswer(Cidr(context) + " on " + interfaceName +
                                 " does not carry the label " + TempAddressLabel(interfaceName));
    }
    if (!m_system.DeleteAddress(context)) {
        return SystemError("could not delete " + Cidr(context));
    }
    if (m_held == context) {
        m_held.reset();
    }
    return FormatOkAnswer();
}

std::string NetAdminService::Arp(const std::string& interfaceName, Ipv4 target, Ipv4 source,
                                 uint32_t interfaceIndex) {
    // A request from an address the interface does not hold would teach the neighbours a
    // wrong hardware address for it.
    if (source != 0) {
        const std::optional<std::vector<INetAdminSystem::Address>> addresses =
            m_system.AddressesOf(interfaceIndex);
        bool held = false;
        for (const INetAdminSystem::Address& address :
             addresses.value_or(std::vector<INetAdminSystem::Address>())) {
            held = held || address.address == source;
        }
        if (!held) {
            return FormatErrorAnswer(FormatIpv4Ascii(source) + " is not an address of " +
                                     interfaceName);
        }
    }
    if (!IsUnicast(target)) {
        return FormatErrorAnswer(FormatIpv4Ascii(target) + " is not a unicast address");
    }
    const std::optional<std::vector<uint8_t>> answer =
        m_system.SendArp(target, source, interfaceIndex);
    return answer ? FormatOkAnswer(*answer) : std::string(kNetAdminNoneAnswer);
}

std::optional<INetAdminSystem::Address> NetAdminService::Find(const HostAddressContext& context) {
    const std::optional<std::vector<INetAdminSystem::Address>> addresses =
        m_system.AddressesOf(context.interfaceIndex);
    for (const INetAdminSystem::Address& address :
         addresses.value_or(std::vector<INetAdminSystem::Address>())) {
        if (address.address == context.address && address.prefixLength == context.prefixLength) {
            return address;
        }
    }
    return std::nullopt;
}

void NetAdminService::Finish() {
    if (!m_held) {
        return;
    }
    const std::optional<INetAdminSystem::Address> present = Find(*m_held);
    if (present && IsTempAddressLabel(present->label)) {
        m_system.DeleteAddress(*m_held);
    }
    m_held.reset();
}
