#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "discovery/search_target.h"

// The schedule of a search at a block of addresses: every address gets the search request
// as often, and as far apart, as a broadcast search sends it (three times, each send
// more than 750 ms after the one before, on the 300 ms discovery tick), without ever
// giving the socket more than it takes.
//
// Pacing. The addresses go out in batches of kAddressesPerTick, in ascending order: at
// each tick a new batch takes its first send, and every earlier batch whose wait is over
// takes its next one, exactly as a lone broadcast request would. With a 300 ms tick a
// batch started at tick k sends at k, k + 3 and k + 6 and is done at k + 9; batches
// overlap, so a tick carries at most three batches' sends (48 datagrams). A block of N
// addresses thus ends at tick ceil(N / 16) + 8 from the first: one address at 2.7 s, as a
// broadcast search, a /24 (254 addresses) at 7.2 s, a /22 (1022) at 21.6 s.
//
// Why 16. A datagram to an address on the PC's own subnet waits in the kernel until ARP
// has resolved the address; for an address nobody holds that is three probes a second
// apart, so every send of the first 3 s stays charged to the socket's send buffer. At 16
// new addresses a tick that is at most about 340 datagrams of some 830 bytes each, well
// inside the 416 KiB send buffer of the discovery socket; it also keeps the unresolved
// neighbour entries (about 160 at a time) far below the kernel's table limit. A batch
// whose send the socket still refuses (EAGAIN) keeps its place: the rest of it, and
// everything after it, waits for the next tick, so no datagram is ever dropped; such a
// tick only shifts the remaining schedule.
class AddressSweep {
public:
    static constexpr uint32_t kAddressesPerTick = 16;

    // Sends the request to `address`; false when the socket refused it for now (its
    // buffer is full) and it should be tried again at the next tick. Any other failure
    // counts as sent, as a failed broadcast does.
    using Send = std::function<bool(Ipv4 address)>;

    AddressSweep(const SearchTarget& target, int sendsPerAddress, uint32_t intervalMs);

    // One tick at time `now` (the tick count): the sends that are due, then the ends of
    // waits that are over.
    void Step(uint32_t now, const Send& send);
    // Every address had all its sends and the wait after its last one.
    bool Finished() const;

    // The tick, counted from the first, at which a sweep of `addresses` ends when the
    // socket takes every datagram and the timer keeps its period.
    static uint32_t ScheduledEndTick(uint32_t addresses, int sendsPerAddress, uint32_t intervalMs,
                                     uint32_t tickPeriodMs);

private:
    struct Batch {
        uint32_t first = 0;  // index of its first address in the target
        uint32_t count = 0;
        uint32_t cursor = 0;  // addresses of the running round already sent
        int sendsLeft = 0;
        bool waiting = false;  // a round has ended at lastSend and its wait runs
        uint32_t lastSend = 0;
    };

    // Sends the rest of the batch's running round; false when the socket refused one.
    bool SendRound(Batch& batch, uint32_t now, const Send& send);

    SearchTarget m_target;
    int m_sendsPerAddress;
    uint32_t m_intervalMs;
    uint32_t m_nextAddress = 0;    // the first address no batch holds yet
    std::vector<Batch> m_batches;  // oldest first; at most a few
};
