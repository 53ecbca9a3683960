#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/ipv4.h"
#include "platform/kernel_network.h"

// How long an ARP request waits for its answer.
struct ArpTiming {
    uint32_t replyWaitMs = 1000;
    // Requests to the device: an answer usually comes at once, so retries cost little.
    int requestAttempts = 3;
    // Probes for a candidate address: an address that is free is only known to be free
    // after every probe went unanswered, so these cost their full wait each.
    int probeAttempts = 2;
};

// Raw ARP over an AF_PACKET socket on one interface, with CAP_NET_RAW raised only while
// the socket is opened and the requests are sent. The socket is opened for no protocol
// and then bound to ARP on that interface alone, so it never hears another interface.
class ArpSocket {
public:
    explicit ArpSocket(uint32_t interfaceIndex);
    ~ArpSocket();

    ArpSocket(const ArpSocket&) = delete;
    ArpSocket& operator=(const ArpSocket&) = delete;

    // 0 when the socket is open and bound, else the errno that kept it from it.
    int Error() const { return m_error; }

    // Asks who holds `target`, from `source`. With `source` 0 the request is an RFC 5227
    // address probe (sender address 0.0.0.0), and another station probing for the same
    // address counts as an answer too. An address that the interface holds itself
    // answers with `ownMac`: at once for a request, and for a probe when no other station
    // answers. A socket that cannot send or hear fails the exchange: it never reads as
    // "nobody answered". Gives up, unanswered, within a few tens of milliseconds once
    // `cancelled` is set.
    ArpExchange Exchange(const std::vector<uint8_t>& ownMac, bool ownAddress, Ipv4 target,
                         Ipv4 source, const ArpTiming& timing, const std::atomic<bool>& cancelled);

private:
    const uint32_t m_interfaceIndex;
    int m_fd = -1;
    int m_error = 0;
};
