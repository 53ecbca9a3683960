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

    SimOptions options_;
    DeviceState device_;
    DeviceWebApp app_;
    SimLog log_;
    Misbehaviour misbehaviour_;
    HttpServer http_;
    DiscoveryResponder discovery_;
    int signalFd_ = -1;
    bool down_ = false;
    int64_t upAtMs_ = 0;
    std::string bindAddress_;
};
