#pragma once

// The requests the program sends to its network helper, tamsel-netadmin, and the helper's
// answers: one line of ASCII text each, over the helper's standard input and output.
//
//   add IFINDEX ADDRESS/PREFIX LIFETIME     temporary address with the label <if>:tmsl
//   renew IFINDEX ADDRESS/PREFIX LIFETIME   restart the lifetime of such an address
//   delete IFINDEX ADDRESS/PREFIX           remove an address that carries that label
//   flush IFINDEX                           empty the interface's neighbour cache
//   arp IFINDEX TARGET SOURCE               ARP request (SOURCE 0.0.0.0: address probe)
//
// Answers: "ok", "ok HH:HH:HH:HH:HH:HH" (arp answered), "none" (arp unanswered) or
// "error REASON". Before the first request the helper writes "ready 1" (the protocol's
// version), or "error missing cap_net_admin cap_net_raw" and ends when it lacks the
// capabilities it exists for. SIGUSR1 cuts short the ARP request it is waiting for (the
// answer is then "none"); the program sends it when the set-up is cancelled.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/ipv4.h"

inline constexpr char kNetAdminGreeting[] = "ready 1";
inline constexpr char kNetAdminMissingPrefix[] = "error missing ";
// Longer request lines are refused unread.
inline constexpr size_t kNetAdminMaxLineLength = 120;
// The longest lifetime the helper gives an address.
inline constexpr uint32_t kNetAdminMaxLifetimeSeconds = 120;

enum class NetAdminVerb { kAdd, kRenew, kDelete, kFlush, kArp };

struct NetAdminRequest {
    NetAdminVerb verb = NetAdminVerb::kFlush;
    uint32_t interfaceIndex = 0;
    // add, renew, delete: the address; arp: the target.
    Ipv4 address = 0;
    int prefixLength = 0;          // add, renew, delete
    uint32_t lifetimeSeconds = 0;  // add, renew
    Ipv4 source = 0;               // arp

    bool operator==(const NetAdminRequest&) const = default;
};

std::string FormatRequest(const NetAdminRequest& request);
// The request of one line (without its newline), or why it is not one. Only the syntax is
// checked here; what the helper agrees to do is its own decision.
std::variant<NetAdminRequest, std::string> ParseRequest(std::string_view line);

struct NetAdminAnswer {
    enum class Kind { kOk, kNone, kError } kind = Kind::kError;
    std::vector<uint8_t> hardwareAddress;  // "ok" to arp
    std::string reason;                    // "error"
};

std::string FormatOkAnswer(const std::vector<uint8_t>& hardwareAddress = {});
std::string FormatErrorAnswer(const std::string& reason);
inline constexpr char kNetAdminNoneAnswer[] = "none";
NetAdminAnswer ParseAnswer(std::string_view line);
