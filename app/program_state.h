#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "discovery/ui/search_host.h"
#include "platform/answer_watch.h"
#include "platform/host_firewall.h"
#include "platform/host_network.h"
#include "platform/metered_socket.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "wizard/ui/connected_device.h"

class DiscoveryManager;
class WebCommandQueue;
class IHostAddressSetup;
class ISocketFactory;
class ITickClock;

// What the program's state is built from.
struct ShellServices {
    ISocketFactory& sockets;
    ITickClock& clock;
    IHostAddressSetup& hostSetup;
    // The PC's adapters, for the search page's note on where a search went; none: the
    // note names no adapter.
    std::function<std::optional<std::vector<AdapterInfo>>()> readAdapters = {};
    // The watch for answers that the PC's firewall drops; none (or a null watch, without
    // the rights to watch): searches are not watched.
    std::function<std::unique_ptr<IAnswerWatch>()> makeAnswerWatch = {};
    // The PC's firewall front ends, for the lines about the firewall; none: the host's own
    // files are read.
    std::function<HostFirewallState()> readFirewall = {};
};

// The state of one run of tamsel, owned here and handed to the pages through their host
// interfaces: the discovery manager, the web command queue (over metered sockets, so that
// the firmware page can show how far an upload has got), the repeater the user connected
// to and what its pages told. The search page reaches it as its ISearchHost, the wizard's
// frame as its IConnectedDevice. The main window runs the managers' timers and ends the
// managers at its teardown (Shutdown), before its pages go.
class ProgramState : public ISearchHost, public IConnectedDevice {
public:
    explicit ProgramState(const ShellServices& services);
    ~ProgramState() override;

    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    // Where Connect opens the wizard: the main window, while it runs.
    void SetNavigation(IPageNavigation* navigation) { m_navigation = navigation; }

    // The discovery manager emptied and closed, then the web queue stopped (which removes
    // a temporary host address), and both removed. Idempotent.
    void Shutdown();

    // ISearchHost
    DiscoveryManager* Discovery() override { return m_discovery.get(); }
    std::optional<std::vector<AdapterInfo>> ReadAdapters() const override;
    // The login and addresses without line breaks; the wizard opens on the device's
    // model, address and subnet mask.
    IDeviceWizard* ConnectTo(const FoundDevice& device) override;
    std::optional<HostAddressContext> TempAddressFor(Ipv4 device) const override;

    // IConnectedDevice
    WebCommandQueue* WebQueue() override { return m_web.get(); }
    SendProgress WebSendProgress() const override { return m_webSockets.StreamProgress(); }
    const DeviceLogin& Login() const override { return m_login; }
    DeviceStatus& Status() override { return m_status; }

private:
    std::function<std::optional<std::vector<AdapterInfo>>()> m_readAdapters;
    MeteredSocketFactory m_webSockets;
    std::unique_ptr<DiscoveryManager> m_discovery;
    std::unique_ptr<WebCommandQueue> m_web;
    IPageNavigation* m_navigation = nullptr;
    DeviceLogin m_login;
    DeviceStatus m_status;
};
