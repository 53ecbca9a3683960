#pragma once

#include <memory>

class IHostAddressSetup;

// The host addressing the program uses on Linux: routes, addresses and ARP through
// rtnetlink and raw sockets, with the real one-second-scale waits.
std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup();
