#include "hostnet/host_place_wait.h"

#include <algorithm>
#include <utility>

HostPlaceWait::HostPlaceWait(IHostAddressSetup& setup, ITickClock& clock, ISleeper& sleeper,
                             HostPlaceWaitOptions options, std::function<uint32_t(uint32_t)> jitter)
    : m_setup(setup),
      m_clock(clock),
      m_sleeper(sleeper),
      m_options(options),
      m_jitter(std::move(jitter)) {}

HostSetupResult HostPlaceWait::Prepare(const std::wstring& deviceIp, const std::wstring& deviceMask,
                                       const std::function<void()>& onWaiting) {
    const uint32_t start = m_clock.GetTickCount();
    bool announced = false;
    for (;;) {
        HostSetupResult result = m_setup.PrepareHostAddress(deviceIp, deviceMask);
        if (result.Reached() || result.Failure().kind != HostSetupFailure::Kind::kHostFull) {
            return result;
        }
        const uint32_t waited = m_clock.GetTickCount() - start;
        if (waited >= m_options.limitMs || m_cancel.Cancelled()) {
            return result;
        }
        if (!announced && onWaiting) {
            announced = true;
            onWaiting();
        }
        const uint32_t jitter =
            m_jitter ? std::min(m_jitter(m_options.jitterMs), m_options.jitterMs) : 0;
        const uint32_t pause = std::min(m_options.gapMs + jitter, m_options.limitMs - waited);
        if (!m_sleeper.SleepMsUnless(pause, m_cancel)) {
            return result;
        }
    }
}
