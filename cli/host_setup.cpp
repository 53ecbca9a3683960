#include "cli/host_setup.h"

std::unique_ptr<IHostAddressSetup> MakeHostAddressSetup() {
    // HOST-SETUP: the Linux host addressing (temporary address, ARP checks) plugs in here.
    return std::make_unique<NoHostAddressSetup>();
}

std::vector<std::string> MissingHostSetupCapabilities() {
    // HOST-SETUP: the capability check of the Linux host addressing plugs in here.
    return {};
}
