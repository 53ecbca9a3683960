#pragma once

#include <atomic>
#include <cstdint>

#include "platform/ipv4.h"

// Whether `destination` accepts a TCP connection on `port` within `timeoutMs`, through the
// host's routing table as it stands, from `source` (0: the address the kernel picks). The
// connection is closed again at once without a byte sent, so a web server sees no
// request. Needs no rights. Gives up within a few tens of milliseconds once `cancelled`
// is set.
bool AcceptsTcpConnection(Ipv4 destination, uint16_t port, Ipv4 source, uint32_t timeoutMs,
                          const std::atomic<bool>& cancelled);
