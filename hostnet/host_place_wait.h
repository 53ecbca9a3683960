#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "hostnet/host_address_setup.h"
#include "platform/cancel_signal.h"
#include "platform/tick_clock.h"

// How long a run waits for one of the host's places for temporary addresses, and how
// often it asks again. Milliseconds of the program's time.
struct HostPlaceWaitOptions {
    uint32_t limitMs = 600000;
    uint32_t gapMs = 2000;
    // Added to each gap, at most this much, so that runs that wait together do not all
    // ask again at the same moment.
    uint32_t jitterMs = 500;
};

// Runs a host address set-up, and while it fails only because every place the host has
// for temporary addresses or ARP is taken by other runs (HostSetupFailure::kHostFull),
// asks again after a paced pause until the wait's limit has passed. tamselctl waits this
// way, so that many runs started at once all get their turn; the GUI does not.
class HostPlaceWait {
public:
    // `jitter(n)` gives a number from 0 to n.
    HostPlaceWait(IHostAddressSetup& setup, ITickClock& clock, ISleeper& sleeper,
                  HostPlaceWaitOptions options, std::function<uint32_t(uint32_t)> jitter);

    // The set-up's last result. `onWaiting` is called once, before the first pause.
    HostSetupResult Prepare(const std::wstring& deviceIp, const std::wstring& deviceMask,
                            const std::function<void()>& onWaiting);

    // Ends a wait at once (any thread); the set-up itself is cancelled by its owner.
    void Cancel() { m_cancel.Cancel(); }

private:
    IHostAddressSetup& m_setup;
    ITickClock& m_clock;
    ISleeper& m_sleeper;
    const HostPlaceWaitOptions m_options;
    std::function<uint32_t(uint32_t)> m_jitter;
    CancelSignal m_cancel;
};
