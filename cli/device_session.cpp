#include "cli/device_session.h"

#include <utility>

DeviceSession::DeviceSession(IEventLoop& loop, ISocketFactory& sockets, ITickClock& clock,
                             IHostAddressSetup& hostSetup)
    : m_loop(loop),
      m_discovery(std::make_unique<DiscoveryManager>(sockets, clock)),
      m_web(std::make_unique<WebCommandQueue>(sockets, clock, hostSetup)) {
    m_discoveryTimer = m_loop.StartTimer(DiscoveryManager::kTimerPeriodMs, [this] {
        m_discovery->OnDiscoveryTimer(DiscoveryManager::kTimerId);
    });
    m_webTimer = m_loop.StartTimer(WebCommandQueue::kTimerPeriodMs,
                                   [this] { m_web->WebTimerProc(WebCommandQueue::kTimerId); });
}

DeviceSession::~DeviceSession() {
    Shutdown();
}

void DeviceSession::Shutdown() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_loop.StopTimer(m_discoveryTimer);
    m_loop.StopTimer(m_webTimer);
    m_discovery->ClearRequests();
    m_discovery->ClearDevices();
    m_discovery->CloseSocket();
    m_web->StopAll();
}

DeviceSearch::DeviceSearch(DiscoveryManager& discovery, IEventLoop& loop)
    : m_discovery(discovery), m_loop(loop) {}

DeviceSearch::~DeviceSearch() {
    Cancel();
}

void DeviceSearch::Run(Done done, const std::optional<SearchTarget>& target) {
    m_done = std::move(done);
    if (target) {
        m_discovery.ClearDevices();
        m_discovery.QueueAddressSearch(L"1", *target);
    } else {
        m_discovery.QueueSearch(L"1");
    }
    m_timer = m_loop.StartTimer(DiscoveryManager::kTimerPeriodMs, [this] { Check(); });
}

void DeviceSearch::Find(const std::wstring& ip, Done done) {
    Run([this, ip, done = std::move(done)](const std::vector<FoundDevice>& devices) {
        const std::optional<Ipv4> address = ParseIpv4(ip);
        if (FindDeviceByIp(devices, ip) != nullptr || !address) {
            done(devices);
            return;
        }
        Run(done, SearchTarget{*address, 32});
    });
}

void DeviceSearch::Cancel() {
    if (m_timer != 0) {
        m_loop.StopTimer(m_timer);
        m_timer = 0;
    }
}

void DeviceSearch::Check() {
    if (m_discovery.GetRequestCount() != 0) {
        return;
    }
    Cancel();
    std::vector<FoundDevice> devices;
    for (int i = 0; i < m_discovery.GetDeviceCount(); ++i) {
        devices.push_back(m_discovery.GetDevice(i));
    }
    // Taken out first: a handler may start the next search, which sets a new one.
    if (Done done = std::exchange(m_done, nullptr)) {
        done(devices);
    }
}

const FoundDevice* FindDeviceByIp(const std::vector<FoundDevice>& devices, const std::wstring& ip) {
    for (const FoundDevice& device : devices) {
        if (device.ip == ip) {
            return &device;
        }
    }
    return nullptr;
}
