#pragma once

#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/http_request.h"
#include "sim/http_response.h"
#include "sim/sim_options.h"

// What the device does once its answer has gone out.
enum class AfterAnswer { kNothing, kReboot, kUpgrade };

struct WebOutcome {
    HttpResponse response;
    AfterAnswer after = AfterAnswer::kNothing;
    // Lines for the test log ("upload size=... sha256=..."), one per notable event.
    std::vector<std::string> events;
};

// The device's web management: Basic authentication, the pages, and the forms that
// change the device's state. Knows nothing of sockets.
class DeviceWebApp {
public:
    // `misbehaviour` is read at every request (a survey bomb replaces the survey page).
    DeviceWebApp(DeviceState& device, const Misbehaviour& misbehaviour)
        : m_device(device), m_misbehaviour(misbehaviour) {}

    WebOutcome Handle(const HttpRequest& request);

private:
    bool Authorized(const HttpRequest& request) const;
    WebOutcome Route(const HttpRequest& request);
    WebOutcome RepeaterOff();
    WebOutcome Bridging(const FormFields& form);
    WebOutcome TcpipSetup(const FormFields& form);
    WebOutcome PasswordSetup(const FormFields& form);
    WebOutcome Reboot();
    WebOutcome FactoryCommand(const FormFields& form);
    WebOutcome Upload(const HttpRequest& request);

    DeviceState& m_device;
    const Misbehaviour& m_misbehaviour;
};
