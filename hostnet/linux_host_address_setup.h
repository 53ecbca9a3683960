#pragma once

#include <memory>

#include "hostnet/host_address_setup.h"

// The host address set-up the programs use on Linux: the host-addressing rules over
// rtnetlink and raw ARP, with the real waits. The one place that decides which
// implementation the GUI and tamselctl run.
std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup();
