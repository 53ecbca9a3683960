// The web queue stopped while the host address set-up waits after adding an address:
// the real host-addressing rules on a fake host network, behind the real web queue.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "hostnet/host_addressing.h"
#include "support/fakes/fake_host_network.h"
#include "support/fakes/fake_socket.h"
#include "web/web_command_queue.h"

namespace {

constexpr uint32_t kEth0 = 2;

// Time stands still: no phase of the web queue runs out here.
class StillClock : public ITickClock {
public:
    uint32_t GetTickCount() override { return 1000; }
};

// The wait after adding an address takes as long as it would for real, which here means
// until the test releases it; an interruptible wait also ends on its cancel. The pauses
// after deletions take no time.
class LongWaitSleeper : public ISleeper {
public:
    static constexpr uint32_t kLongWaitMs = 10000;

    void SleepMs(uint32_t ms) override {
        if (ms >= kLongWaitMs) {
            WaitLong(nullptr);
        }
    }
    bool SleepMsUnless(uint32_t ms, const CancelSignal& cancel) override {
        return ms >= kLongWaitMs ? WaitLong(&cancel) : !cancel.Cancelled();
    }

    void WaitUntilWaiting() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_waiting; });
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    // True when released, false when cancelled.
    bool WaitLong(const CancelSignal* cancel) {
        std::unique_lock lock(m_mutex);
        m_waiting = true;
        m_changed.notify_all();
        while (!m_released) {
            if (cancel && cancel->Cancelled()) {
                return false;
            }
            m_changed.wait_for(lock, std::chrono::milliseconds(2));
        }
        return true;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_waiting = false;
    bool m_released = false;
};

AdapterAddress Addr(const char* dotted, int prefix) {
    return AdapterAddress{*ParseIpv4(std::string(dotted)), PrefixToMask(prefix), "", false};
}

bool HoldsTempAddress(const FakeHostNetwork& network) {
    for (const AdapterAddress& address : network.AddressesOf(kEth0)) {
        if (IsTempAddressLabel(address.label)) {
            return true;
        }
    }
    return false;
}

TEST(StopDuringSetUp, StopAllCancelsTheWaitAfterAddingAndLeavesNoAddress) {
    EventLog log;
    FakeHostNetwork network(log);
    network.AddAdapter(kEth0, "eth0", AdapterType::kEthernet, {Addr("10.0.0.5", 8)});
    network.SetDefaultRoute(kEth0);
    network.AddStation(kEth0, *ParseIpv4(std::string("192.168.1.200")), FakeHostNetwork::Mac(9));
    LongWaitSleeper sleeper;
    HostAddressingOptions options;
    options.renewInterval = std::chrono::milliseconds(0);
    HostAddressing addressing(network, sleeper, options);
    StillClock clock;
    FakeSocketFactory sockets;
    WebCommandQueue web(sockets, clock, addressing);

    web.QueueCommand(L"LANINFO", L"GET / HTTP/1.1\r\n\r\n", L"192.168.1.200", L"255.255.255.0");
    web.WebTimerProc(WebCommandQueue::kTimerId);
    sleeper.WaitUntilWaiting();
    ASSERT_TRUE(HoldsTempAddress(network));

    // Waiting for the set-up before cancelling it would sit out the whole wait; the bound
    // only keeps that fault from hanging the test.
    auto stop = std::async(std::launch::async, [&web] { web.StopAll(); });
    const bool ended = stop.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    sleeper.Release();
    stop.get();
    EXPECT_TRUE(ended) << "StopAll waited for the set-up's wait to run out";

    EXPECT_FALSE(HoldsTempAddress(network));
    EXPECT_EQ(log.Count("arp"), 0u) << "the set-up went on after it was cancelled";
    EXPECT_EQ(web.PendingCount(), 0);
    EXPECT_FALSE(network.WaitsCancelled());

    // The next burst sets up afresh.
    web.QueueCommand(L"LANINFO", L"GET / HTTP/1.1\r\n\r\n", L"192.168.1.200", L"255.255.255.0");
    web.WebTimerProc(WebCommandQueue::kTimerId);
    web.WaitForAddressSetup();
    EXPECT_EQ(web.Binding(), HostSetupResult::BindTo(L"192.168.1.241"));
    web.StopAll();
    EXPECT_FALSE(HoldsTempAddress(network));
}

}  // namespace
