#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hostnet/host_address_setup.h"

// The host address set-up that tamselctl's web commands use. The one place that decides
// which implementation runs.
std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup();

// The capabilities (by their setcap names, e.g. "cap_net_admin") that the host address
// set-up needs but this process lacks; empty when it has them all.
std::vector<std::string> MissingHostSetupCapabilities();
