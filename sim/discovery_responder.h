#pragma once

#include <cstdint>
#include <string>

#include "sim/device_state.h"
#include "sim/sim_options.h"

class SimLog;

// The discovery side: a UDP socket on port 13379 that answers search requests with the
// device's identity. Replies go to the limited broadcast address by default, out of the
// interface the request came in on, so that a PC on another subnet (or one without a
// route back) still hears them.
class DiscoveryResponder {
public:
    DiscoveryResponder() = default;
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    std::string Open(uint16_t port);
    int fd() const { return m_fd; }

    struct Settings {
        bool answer = true;  // false while the device is down or told to ignore searches
        ReplyTarget target = ReplyTarget::kBroadcast;
        size_t replyLength = 424;
        int badDatagrams = 0;  // invalid datagrams sent before each reply
    };
    // Reads every waiting datagram, logs it and answers the valid search requests.
    // Invalid datagrams before a reply describe a decoy: this device with the locally
    // administered bit set in its MAC address (02:...).
    void OnReadable(const DeviceState& device, const Settings& settings, SimLog& log);

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};
