#include "app/program_state.h"

#include "discovery/discovery_manager.h"
#include "web/web_command_queue.h"

ProgramState::ProgramState(const ShellServices& services)
    : m_readAdapters(services.readAdapters),
      m_webSockets(services.sockets),
      m_discovery(std::make_unique<DiscoveryManager>(services.sockets, services.clock)),
      m_web(std::make_unique<WebCommandQueue>(m_webSockets, services.clock, services.hostSetup)) {
    if (services.makeAnswerWatch) {
        m_discovery->WatchForDroppedAnswers(services.makeAnswerWatch());
    }
    if (services.readFirewall) {
        m_discovery->SetFirewallReader(services.readFirewall);
    }
}

ProgramState::~ProgramState() {
    Shutdown();
}

void ProgramState::Shutdown() {
    if (m_discovery) {
        m_discovery->ClearRequests();
        m_discovery->ClearDevices();
        m_discovery->CloseSocket();
        m_discovery.reset();
    }
    if (m_web) {
        m_web->StopAll();
        m_web.reset();
    }
}

std::optional<std::vector<AdapterInfo>> ProgramState::ReadAdapters() const {
    if (!m_readAdapters) {
        return std::nullopt;
    }
    return m_readAdapters();
}

IDeviceWizard* ProgramState::ConnectTo(const FoundDevice& device) {
    m_login = MakeDeviceLogin(device.userName, device.password, device.ip, device.mac);
    if (m_navigation == nullptr) {
        return nullptr;
    }
    return m_navigation->OpenDeviceWizard(WithoutLineBreaks(device.model), m_login.ipAddress,
                                          WithoutLineBreaks(device.subnet));
}

std::optional<HostAddressContext> ProgramState::TempAddressFor(Ipv4 device) const {
    if (!m_web || ParseIpv4(m_login.ipAddress) != device) {
        return std::nullopt;
    }
    return m_web->TempHostAddress();
}
