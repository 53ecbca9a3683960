#pragma once

#include <string>
#include <vector>

#include "discovery/search_target.h"
#include "platform/host_network.h"

// What a search did, for the line that explains an empty result: the adapters a
// broadcast search went out on, and whether the PC has an address on a private LAN
// (10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16), where repeaters are found by broadcast.
struct SearchScope {
    // Names of the adapters, in interface order.
    std::vector<std::string> interfaces;
    bool privateLanAddress = false;
};

// The scope of a broadcast search on these adapters. The search leaves by every adapter
// that is up and has an IPv4 address on a link with broadcast: Ethernet and wireless
// adapters (bridges and virtual Ethernet too); loopback, tunnels and other point-to-point
// links have none. An adapter without a carrier reaches nobody and does not count.
// Temporary addresses of ours are no LAN of the PC's.
SearchScope DescribeBroadcastScope(const std::vector<AdapterInfo>& adapters);
// The same for the host's adapters now; an empty scope when they cannot be read.
SearchScope DescribeBroadcastScope(IHostNetwork& host);

// The line that explains why a broadcast search found nothing: the adapters it went out
// on and, when the PC has no address on a private LAN, that the repeater is likely
// behind a router or elsewhere and can be found by `addressSearchHint` (how this program
// searches at an address, e.g. "search at its address").
std::wstring ExplainNothingFound(const SearchScope& scope, const std::wstring& addressSearchHint);

// The line that explains why a search at `target` found nothing.
std::wstring ExplainNothingFoundAt(const SearchTarget& target);
