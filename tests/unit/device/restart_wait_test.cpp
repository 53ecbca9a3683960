#include "device/restart_wait.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "support/fakes/fake_event_loop.h"

namespace {

const DeviceTarget kTarget{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46"};

class QueuedNames : public IWebCommandSink {
public:
    void Queue(const std::wstring& command, const WebRequest&, const DeviceTarget&) override {
        names.push_back(command);
    }
    void QueueFile(const std::wstring& command, const WebRequest&, const DeviceTarget&,
                   const std::string&) override {
        names.push_back(command);
    }
    std::vector<std::wstring> names;
};

class StepLog : public IRestartWaitObserver {
public:
    void OnRestartStep(int, int step) override { steps.push_back(step); }
    void OnRestartOver() override {
        ++over;
        if (onOver) {
            onOver();
        }
    }
    std::vector<int> steps;
    int over = 0;
    std::function<void()> onOver;
};

// One table for every page and for tamselctl: 11 ticks of 4 s after an address change or
// a reboot, of 12 s after an upgrade (under "Upgrading...."), of 3.5 s after a bridging.
TEST(RestartWaitTest, EachCauseHasItsPeriodAndText) {
    struct Row {
        RestartCause cause;
        uint32_t periodMs;
        std::wstring text;
    };
    const Row rows[] = {{RestartCause::kLanAddressChange, 4000, L"Rebooting...."},
                        {RestartCause::kFirmwareUpgrade, 12000, L"Upgrading...."},
                        {RestartCause::kBridging, 3500, L"Rebooting...."},
                        {RestartCause::kReboot, 4000, L"Rebooting...."}};
    for (const Row& row : rows) {
        FakeEventLoop loop;
        QueuedNames sink;
        StepLog log;
        RestartWait wait(loop);
        wait.Start(row.cause, sink, kTarget, log);
        EXPECT_TRUE(loop.HasTimer(row.periodMs)) << row.periodMs;
        EXPECT_EQ(PlanRestartWait(row.cause).progressText, row.text);
        EXPECT_EQ(sink.names, std::vector<std::wstring>{L"REBOOT"});
        EXPECT_EQ(wait.Cause(), row.cause);
    }
}

TEST(RestartWaitTest, ElevenTicksShowStepsOneToTenAndZeroThenTheWaitIsOver) {
    FakeEventLoop loop;
    QueuedNames sink;
    StepLog log;
    RestartWait wait(loop);
    wait.Start(RestartCause::kBridging, sink, kTarget, log);
    for (int tick = 0; tick < 10; ++tick) {
        loop.Fire(3500);
    }
    EXPECT_EQ(log.over, 0);
    EXPECT_TRUE(wait.Running());
    loop.Fire(3500);
    EXPECT_EQ(log.steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    EXPECT_EQ(log.over, 1);
    EXPECT_FALSE(wait.Running());
    EXPECT_FALSE(loop.HasTimer(3500));
}

TEST(RestartWaitTest, ACancelledWaitTellsNothingAndTheNextMayStartFromTheEnd) {
    FakeEventLoop loop;
    QueuedNames sink;
    StepLog log;
    RestartWait wait(loop);
    wait.Start(RestartCause::kReboot, sink, kTarget, log);
    wait.Cancel();
    loop.Fire(4000);
    EXPECT_TRUE(log.steps.empty());

    // A wait that follows another starts from the first one's end.
    log.onOver = [&] {
        if (log.over == 1) {
            wait.Start(RestartCause::kFirmwareUpgrade, sink, kTarget, log);
        }
    };
    wait.Start(RestartCause::kReboot, sink, kTarget, log);
    for (int tick = 0; tick < 11; ++tick) {
        loop.Fire(4000);
    }
    EXPECT_TRUE(wait.Running());
    EXPECT_TRUE(loop.HasTimer(12000));
    EXPECT_EQ(sink.names.size(), 3u);
}

}  // namespace
