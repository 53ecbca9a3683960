#pragma once

// The requests the program sends to its network helper, tamsel-netadmin, and the helper's
// answers: one line of ASCII text each, over the helper's standard input and output. The
// program names the interface and the device; the helper decides the rest itself (the
// label, the lifetime, the route, whether a candidate is free) by the rules of
// hostnet/temp_address_guard.h.
//
//   add IFINDEX DEVICE/PREFIX CANDIDATE   this run's temporary address CANDIDATE, to reach
//                                         DEVICE on its subnet of PREFIX bits
//   renew IFINDEX ADDRESS                 restart the lifetime of this run's address
//   delete IFINDEX ADDRESS                remove this run's address, or a left-over one
//   flush IFINDEX NEIGHBOUR               forget the neighbour cache entry of NEIGHBOUR
//   arp IFINDEX TARGET SOURCE             ARP request (SOURCE 0.0.0.0: address probe)
//   resume                                end a cancel (below)
//   watch SECONDS                         start counting the repeaters whose answers to a
//                                         search reach this host (platform/answer_watch.h)
//                                         for at most SECONDS (1-120)
//   count                                 end the watch: how many it saw
//
// Answers: "ok", "ok ADDRESS/PREFIX" (add: the address as added), "ok HH:HH:HH:HH:HH:HH"
// (arp answered), "ok N" (count), "none" (arp unanswered or cancelled) or "error REASON".
// A REASON that starts with "host-full:" (kHostFullRefusal) is a refusal because every
// place the host has is taken by other runs: asking again after one of them ends may work.
// Before the first request the helper writes "ready 3" (the protocol's version), or
// "error missing cap_net_admin cap_net_raw" and ends when it lacks the capabilities it
// exists for.
// SIGUSR1 cancels: the wait in progress ends at once, and every wait after it as well, until
// "resume" comes, so a cancel that overtakes the request it was meant for still holds.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/host_network.h"
#include "platform/ipv4.h"

inline constexpr char kNetAdminGreeting[] = "ready 3";
inline constexpr char kNetAdminMissingPrefix[] = "error missing ";
// Longer request lines are refused unread.
inline constexpr size_t kNetAdminMaxLineLength = 120;

enum class NetAdminVerb { kAdd, kRenew, kDelete, kFlush, kArp, kResume, kWatch, kCount };

// The longest watch a request may ask for.
inline constexpr uint32_t kNetAdminMaxWatchSeconds = 120;

struct NetAdminRequest {
    NetAdminVerb verb = NetAdminVerb::kResume;
    uint32_t interfaceIndex = 0;
    // add: the candidate; renew, delete: the address; flush: the neighbour; arp: the target.
    Ipv4 address = 0;
    Ipv4 device = 0;       // add
    int prefixLength = 0;  // add: the device's subnet
    Ipv4 source = 0;       // arp
    uint32_t seconds = 0;  // watch

    bool operator==(const NetAdminRequest&) const = default;
};

std::string FormatRequest(const NetAdminRequest& request);
// The request of one line (without its newline), or why it is not one. Only the syntax is
// checked here; what the helper agrees to do is its own decision.
std::variant<NetAdminRequest, std::string> ParseRequest(std::string_view line);

struct NetAdminAnswer {
    enum class Kind { kOk, kNone, kError } kind = Kind::kError;
    std::vector<uint8_t> hardwareAddress;     // "ok" to arp
    std::optional<HostAddressContext> added;  // "ok" to add (without the interface)
    std::optional<uint32_t> count;            // "ok" to count
    std::string reason;                       // "error"
};

std::string FormatOkAnswer(const std::vector<uint8_t>& hardwareAddress = {});
std::string FormatAddedAnswer(const HostAddressContext& added);
std::string FormatCountAnswer(uint32_t count);
std::string FormatErrorAnswer(const std::string& reason);
inline constexpr char kNetAdminNoneAnswer[] = "none";
NetAdminAnswer ParseAnswer(std::string_view line);
