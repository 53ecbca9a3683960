#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discovery/discovery_manager.h"
#include "hostnet/host_address_setup.h"
#include "platform/async_socket.h"
#include "platform/event_loop.h"
#include "platform/tick_clock.h"
#include "web/web_command_queue.h"

// The two managers with their timers at the GUI's pacing: discovery steps every 300 ms
// (timer 9997), the web command queue every 800 ms (timer 9999).
class DeviceSession {
public:
    DeviceSession(IEventLoop& loop, ISocketFactory& sockets, ITickClock& clock,
                  IHostAddressSetup& hostSetup);
    // Shuts down if that has not happened yet.
    ~DeviceSession();

    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    DiscoveryManager& Discovery() { return *m_discovery; }
    WebCommandQueue& Web() { return *m_web; }

    // The main window's teardown order: the discovery manager emptied and closed, then
    // the web manager stopped (which removes a temporary host address). Idempotent.
    void Shutdown();

private:
    IEventLoop& m_loop;
    std::unique_ptr<DiscoveryManager> m_discovery;
    std::unique_ptr<WebCommandQueue> m_web;
    int m_discoveryTimer = 0;
    int m_webTimer = 0;
    bool m_shutDown = false;
};

// One search for repeaters: queues it, and once the request queue is empty (about 2.7 s
// for a broadcast search, longer for a block of addresses) hands over the devices that
// answered.
class DeviceSearch {
public:
    using Done = std::function<void(const std::vector<FoundDevice>&)>;

    DeviceSearch(DiscoveryManager& discovery, IEventLoop& loop);
    ~DeviceSearch();

    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // A broadcast search, or one at `target` that starts from an empty list.
    void Run(Done done, const std::optional<SearchTarget>& target = std::nullopt);
    // The search for the device at `ip` before a command: a broadcast first, which finds it
    // on a LAN of the PC however it answers; when it is not among the finds, a search at
    // its address, which reaches one behind a router, or through a firewall that lets in
    // only answers to what the PC sent, provided it answers to the sender. `done` gets the
    // last search's finds.
    void Find(const std::wstring& ip, Done done);
    void Cancel();

private:
    void Check();

    DiscoveryManager& m_discovery;
    IEventLoop& m_loop;
    Done m_done;
    int m_timer = 0;
};

// The device of `devices` with IP address `ip`, or nullptr.
const FoundDevice* FindDeviceByIp(const std::vector<FoundDevice>& devices, const std::wstring& ip);
