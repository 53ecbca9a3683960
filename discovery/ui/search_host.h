#pragma once

#include <optional>
#include <vector>

#include "discovery/datagram.h"
#include "platform/host_network.h"
#include "platform/ipv4.h"
#include "window/page_navigation.h"

class DiscoveryManager;

// What the search page's parts reach of the program around them: the discovery manager,
// the PC's adapters, Connect, and the temporary address of the repeater the wizard is
// connected to. The program provides it (its state object); a test can provide its own,
// to try the page on its own.
class ISearchHost {
public:
    virtual ~ISearchHost() = default;

    // The discovery manager; null once the program's teardown has removed it.
    virtual DiscoveryManager* Discovery() = 0;
    // The PC's adapters, to say where a search went and whether a browser reaches a
    // repeater without help; nullopt when they cannot be read.
    virtual std::optional<std::vector<AdapterInfo>> ReadAdapters() const = 0;
    // Connect: the program takes `device`, as the search found it (its web login with
    // it), as the device it is connected to and opens the wizard on it. Null when the
    // model is not supported or the wizard could not be built: the program is then
    // closing.
    virtual IDeviceWizard* ConnectTo(const FoundDevice& device) = 0;
    // The temporary address through which this PC reaches the repeater at `device` while
    // the wizard is connected to that repeater; nullopt for any other repeater, or when
    // none is needed. A /32 in no subnet of the adapters: only the program can tell.
    virtual std::optional<HostAddressContext> TempAddressFor(Ipv4 device) const = 0;
};
