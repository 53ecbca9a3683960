#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/device_state.h"
#include "sim/discovery_responder.h"
#include "sim/http_server.h"
#include "sim/sim_log.h"
#include "sim/sim_options.h"
#include "sim/web_app.h"

// The simulated repeater: one single-threaded poll loop over the discovery socket, the
// HTTP listener and its connections, and a signalfd (SIGTERM/SIGINT end it, SIGUSR1
// re-reads the control file). A reboot takes the device off the network for its
// downtime (no listener, no discovery answers) and then boots the saved configuration,
// moving the managed interface to a new LAN address when it changed.
class Simulator {
public:
    explicit Simulator(SimOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Returns the process exit code.
    int Run();

private:
    std::string Start();
    void StartReboot(AfterAnswer why);
    void FinishReboot();
    void ReloadControl();
    void UpdateListener();
    bool HandleSignals();  // false when the loop should end
    std::string ListenAddress() const;
    static int64_t NowMs();

    SimOptions m_options;
    DeviceState m_device;
    DeviceWebApp m_app;
    SimLog m_log;
    Misbehaviour m_misbehaviour;
    HttpServer m_http;
    DiscoveryResponder m_discovery;
    int m_signalFd = -1;
    bool m_down = false;
    int64_t m_upAtMs = 0;
    std::string m_bindAddress;
};
