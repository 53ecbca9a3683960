#pragma once

#include <cstdint>

#include "platform/event_loop.h"
#include "web/device_commands.h"

// Why a device restarts, and so how long it is given to come back.
enum class RestartCause {
    kLanAddressChange,  // a new LAN address and DHCP server setting
    kFirmwareUpgrade,   // an accepted firmware image
    kBridging,          // new settings for the wireless network it bridges to
    kReboot,            // a reboot asked for, after a factory reset or on its own
};

// The restart wait: REBOOT, then kRestartWaitTicks ticks of `periodMs` while the user is
// shown `progressText`. The device takes longest over a firmware upgrade.
struct RestartWaitPlan {
    uint32_t periodMs;
    const wchar_t* progressText;
};

inline constexpr int kRestartWaitTicks = 11;
inline constexpr wchar_t kRebootingText[] = L"Rebooting....";
inline constexpr wchar_t kUpgradingText[] = L"Upgrading....";

// The one table of restart waits: 11 ticks of 4 s after an address change or a reboot,
// of 12 s after an upgrade, of 3.5 s after a bridging.
RestartWaitPlan PlanRestartWait(RestartCause cause);

// Told about a restart wait's course.
class IRestartWaitObserver {
public:
    virtual ~IRestartWaitObserver() = default;
    // Tick `tick` (1 to 11) has passed; `step` is the progress step to show: 1 to 10, and
    // 0 at the last tick.
    virtual void OnRestartStep(int tick, int step) = 0;
    // The last tick has passed: the device should be back.
    virtual void OnRestartOver() = 0;
};

// Runs one restart wait at a time on an event loop's timer: Start queues REBOOT and starts
// the ticks. The observer may start another wait from OnRestartOver.
class RestartWait {
public:
    explicit RestartWait(IEventLoop& loop) : m_loop(loop) {}
    ~RestartWait() { Cancel(); }

    RestartWait(const RestartWait&) = delete;
    RestartWait& operator=(const RestartWait&) = delete;

    // Starts the ticks of `cause`'s plan and queues REBOOT for `target`; a wait still
    // running is dropped first.
    void Start(RestartCause cause, IWebCommandSink& commands, const DeviceTarget& target,
               IRestartWaitObserver& observer);
    // Stops the ticks; nothing more is told.
    void Cancel();

    bool Running() const { return m_timer != 0; }
    // The cause of the running wait; meaningful while Running().
    RestartCause Cause() const { return m_cause; }

private:
    void OnTick();

    IEventLoop& m_loop;
    IRestartWaitObserver* m_observer = nullptr;
    RestartCause m_cause = RestartCause::kReboot;
    int m_timer = 0;  // 0: no wait
    int m_ticks = 0;
};
