#pragma once

#include <memory>

#include "hostnet/host_address_setup.h"
#include "platform/host_network.h"

// The host address set-up the programs use on Linux: the host-addressing algorithm over
// rtnetlink and raw ARP, with the real waits. The one place that decides which
// implementation the GUI and tamselctl run.
std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup();

// The host network the set-up works through: in process with the program's own rights, or
// through the network helper tamsel-netadmin when the program has none.
std::unique_ptr<IHostNetwork> MakeHostNetwork();
