#include "device/operation_runner.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <optional>

#include "device/device_operations.h"
#include "support/fakes/fake_event_loop.h"
#include "support/fakes/fake_host_setup.h"
#include "support/fakes/fake_socket.h"
#include "support/fakes/fake_tick_clock.h"
#include "web/web_command_queue.h"

namespace {

const DeviceTarget kTarget{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46YWRtaW4="};
const std::string kPeer = "192.168.1.1";
const std::string kOkPage = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nfine";

// Keeps how the operation ended: its failure's verdict, or success after its last step.
class EndObserver : public IOperationObserver {
public:
    explicit EndObserver(std::optional<AnswerVerdict>& verdict) : m_verdict(verdict) {}
    void OnFailed(const OperationFailure& failure) override { m_verdict = failure.verdict; }
    void OnFinished() override { m_verdict = AnswerVerdict::Success(); }

private:
    std::optional<AnswerVerdict>& m_verdict;
};

// Drives the web queue over fake sockets and takes its results through the runner, which
// reads the answers strictly, as tamselctl does.
class OperationRunnerTest : public ::testing::Test {
protected:
    OperationRunnerTest() {
        runner.TakeResultsWhileRunning();
        runner.SetResultObserver([this](const WebResult& r) { seen.push_back(r.command); });
    }

    // The head command's name as the queue holds it.
    std::wstring Head() {
        const auto pending = web.PendingSnapshot();
        return pending.empty() ? std::wstring() : pending.front().name;
    }
    void WebTick() {
        web.WebTimerProc(WebCommandQueue::kTimerId);
        web.WaitForAddressSetup();
        clock.Advance(WebCommandQueue::kTimerPeriodMs);
    }
    // Carries the head command through connect and send, answers it with `answer` and
    // ends the connection with `closeError`, then lets the runner take the result.
    void Answer(const std::string& answer, int closeError = 0) {
        const uint32_t state = web.PendingSnapshot().front().state;
        if (state == WebCommandQueue::kNeedsAddressSetup) {
            WebTick();
        }
        WebTick();  // connect
        sockets.Last().events->OnConnect(0);
        WebTick();  // send
        if (!answer.empty()) {
            sockets.Last().DeliverChunk(answer, kPeer);
        }
        sockets.Last().events->OnClose(closeError);
        WebTick();  // hand over
        loop.Fire(OperationRunner::kResultPeriodMs);
    }
    // Lets the head command run into its response time limit after answering in full.
    void AnswerAndKeepOpen(const std::string& answer) {
        WebTick();
        WebTick();
        sockets.Last().events->OnConnect(0);
        WebTick();
        sockets.Last().DeliverChunk(answer, kPeer);
        clock.Advance(WebCommandQueue::kResponseTimeoutMs + 1);
        WebTick();  // times out
        WebTick();  // hand over
        loop.Fire(OperationRunner::kResultPeriodMs);
    }
    void Run(DeviceOperation operation) { runner.Start(std::move(operation), kTarget, observer); }

    FakeTickClock clock{100000};
    FakeSocketFactory sockets;
    FakeHostAddressSetup host;
    WebCommandQueue web{sockets, clock, host};
    FakeEventLoop loop;
    WebCommandQueueSink sink{web};
    OperationRunner runner{web, sink, loop, clock, AnswerReading::kStrict};
    std::optional<AnswerVerdict> verdict;
    EndObserver observer{verdict};
    std::vector<std::wstring> seen;
    DeviceStatus status;
};

TEST_F(OperationRunnerTest, StepsRunInTurnAndEachQueuesOnlyAfterItsPredecessorWasGood) {
    Run(ReadStatusOperation(status));
    EXPECT_EQ(web.PendingCount(), 1);
    EXPECT_EQ(Head(), L"LANINFO");
    Answer(kOkPage);
    EXPECT_EQ(Head(), L"WANINFO");
    Answer(kOkPage);
    EXPECT_EQ(Head(), L"GETSTATUS");
    EXPECT_FALSE(verdict.has_value());
    Answer("HTTP/1.1 200 OK\r\n\r\nRuntime Code Version:<div align=\"left\"> 9.9 </div>");
    ASSERT_TRUE(verdict.has_value());
    EXPECT_TRUE(verdict->Ok());
    EXPECT_EQ(status.firmwareVersion, L"9.9");
    EXPECT_FALSE(loop.HasTimer(OperationRunner::kResultPeriodMs));
}

TEST_F(OperationRunnerTest, AReadThatRanIntoTheTimeLimitFailsEvenWithAFullAnswer) {
    Run(ReadStatusOperation(status));
    AnswerAndKeepOpen(kOkPage);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_EQ(verdict->messageId, 207);
    EXPECT_EQ(web.PendingCount(), 0);  // WANINFO was never queued
}

TEST_F(OperationRunnerTest, ASurveyThatRanIntoTheTimeLimitOrWasResetFailsEvenWithAFullAnswer) {
    std::vector<SurveyNetwork> networks;
    Run(SurveyOperation(networks));
    AnswerAndKeepOpen(kOkPage);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_EQ(verdict->messageId, 207);
    EXPECT_NE(verdict->detail.find(L"completion code 5"), std::wstring::npos);

    verdict.reset();
    Run(SurveyOperation(networks));
    Answer("", ECONNRESET);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_NE(verdict->detail.find(L"completion code 6"), std::wstring::npos);
}

// Every command of tamselctl against a device that answers one judged command in full
// but then keeps the connection open past the response limit: the run must fail, never
// report success. The commands no step awaits (UNCHECKREPEATER, the upgrade's REBOOT) are
// the documented exceptions.
TEST_F(OperationRunnerTest, NoCommandSucceedsWhenAJudgedCommandDidNotFinish) {
    struct Case {
        const char* command;
        std::function<DeviceOperation()> operation;
        const wchar_t* unfinished;
    };
    std::vector<SurveyNetwork> networks;
    RepeaterSettings settings;
    settings.ssid = L"Net";
    const std::vector<Case> cases = {
        {"status", [&] { return ReadStatusOperation(status); }, L"LANINFO"},
        {"status", [&] { return ReadStatusOperation(status); }, L"WANINFO"},
        {"status", [&] { return ReadStatusOperation(status); }, L"GETSTATUS"},
        {"survey", [&] { return SurveyOperation(networks); }, L"SITESURVEY"},
        {"bridge", [&] { return BridgeOperation(settings, RestartHandling::kRebootStep); },
         L"REPEATER"},
        {"bridge", [&] { return BridgeOperation(settings, RestartHandling::kRebootStep); },
         L"REBOOT"},
        {"set-ip",
         [&] {
             return SetLanAddressOperation({L"192.168.1.9", L"255.255.255.0", false}, status,
                                           RestartHandling::kRebootStep);
         },
         L"SETUPIPADDRESS"},
        {"set-ip",
         [&] {
             return SetLanAddressOperation({L"192.168.1.9", L"255.255.255.0", false}, status,
                                           RestartHandling::kRebootStep);
         },
         L"REBOOT"},
        {"set-password",
         [&] {
             return ChangePasswordOperation({L"admin", L"new"});
         },
         L"SETUPPASSWORD"},
        {"upgrade",
         [&] {
             return UpgradeFirmwareOperation({"/nonexistent", 1000, 0}, status,
                                             RestartHandling::kRebootStep);
         },
         L"UPLOAD"},
        {"upgrade",
         [&] {
             return UpgradeFirmwareOperation({"/nonexistent", 1000, 0}, status,
                                             RestartHandling::kRebootStep);
         },
         L"GETSTATUS"},
        {"reboot", [&] { return RebootOperation(RestartHandling::kRebootStep); }, L"REBOOT"},
        {"reset", [&] { return FactoryResetOperation(RestartHandling::kRebootStep); },
         L"RESETDEFAULT"},
        {"reset", [&] { return FactoryResetOperation(RestartHandling::kRebootStep); }, L"REBOOT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " with an unfinished " +
                     std::string(c.unfinished, c.unfinished + std::wcslen(c.unfinished)));
        verdict.reset();
        web.StopAll();
        Run(c.operation());
        for (int step = 0; step < 20 && !verdict.has_value(); ++step) {
            if (web.PendingCount() == 0) {
                loop.Fire(1000);  // the upgrade's settle delay
                continue;
            }
            if (Head() == c.unfinished) {
                AnswerAndKeepOpen(kOkPage);
            } else {
                Answer(kOkPage);
            }
        }
        ASSERT_TRUE(verdict.has_value());
        EXPECT_FALSE(verdict->Ok());
        EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    }
}

TEST_F(OperationRunnerTest, AnAnswerCutOffForItsSizeIsNamedAndNotAskedAgain) {
    // The upgrade's come-back poll asks again after a network failure, but not a device
    // that floods its answer.
    Run(UpgradeFirmwareOperation({"/nonexistent", 1000, 600000}, status,
                                 RestartHandling::kRebootStep));
    Answer(kOkPage);  // UPLOAD
    Answer(kOkPage);  // REBOOT
    loop.Fire(1000);
    ASSERT_EQ(Head(), L"GETSTATUS");
    WebTick();
    sockets.Last().events->OnConnect(0);
    WebTick();
    sockets.Last().chunks.push_back({std::string(WebCommandQueue::kMaxResponseBytes + 1, 'x'), 0});
    while (!sockets.Last().chunks.empty() && sockets.Last().open) {
        sockets.Last().peerAddress = kPeer;
        sockets.Last().events->OnReceive(0);
    }
    WebTick();  // hand over
    loop.Fire(OperationRunner::kResultPeriodMs);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_EQ(
        verdict->detail,
        L"The repeater's answer to GETSTATUS exceeded 4 MiB; tamselctl closed the connection.");
    EXPECT_FALSE(loop.HasTimer(2000)) << "the flooding device is asked again";
}

// A set-up that failed for a reason the user can act on ends the run with that reason in
// one line, at once: waiting brings neither the rights nor another subnet.
TEST_F(OperationRunnerTest, ASetUpThatFailedForAKnownReasonSaysItOnceAndIsNotRetried) {
    host.SetAnswer(HostSetupResult::Unreachable());
    host.SetFailure({HostSetupFailure::Kind::kDeviceRefused, L"the device's subnet, refused"});
    Run(ReadStatusOperation(status));
    WebTick();  // set-up
    WebTick();  // hand over
    loop.Fire(OperationRunner::kResultPeriodMs);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kHostRefused);
    EXPECT_EQ(verdict->messageId, 0);
    EXPECT_EQ(verdict->detail, L"the device's subnet, refused");

    // The upgrade's come-back poll asks again after other network failures, not after this.
    verdict.reset();
    host.SetAnswer(HostSetupResult::AnyAddress());
    host.SetFailure({});
    Run(UpgradeFirmwareOperation({"/nonexistent", 1000, 600000}, status,
                                 RestartHandling::kRebootStep));
    Answer(kOkPage);  // UPLOAD
    Answer(kOkPage);  // REBOOT
    loop.Fire(1000);
    ASSERT_EQ(Head(), L"GETSTATUS");
    host.SetAnswer(HostSetupResult::Unreachable());
    host.SetFailure({HostSetupFailure::Kind::kNotInGroup, L"not in group tamsel"});
    WebTick();
    WebTick();
    loop.Fire(OperationRunner::kResultPeriodMs);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_EQ(verdict->detail, L"not in group tamsel");
    EXPECT_FALSE(loop.HasTimer(2000)) << "asked again";
    EXPECT_EQ(host.PrepareCount(), 4);
}

TEST_F(OperationRunnerTest, ARequestThatWasNeverSentIsNotTakenForItsAnswer) {
    // The request holds "HTTP" and "200", which the good-answer rule alone would accept
    // if the unsent request ever came back as the answer.
    std::vector<SurveyNetwork> networks;
    runner.Start(SurveyOperation(networks), DeviceTarget{L"10.0.200.1", L"255.255.255.0", L"x"},
                 observer);
    WebTick();  // address set-up
    WebTick();  // connect, which never completes
    clock.Advance(WebCommandQueue::kConnectTimeoutMs + 1);
    WebTick();  // times out
    WebTick();  // hand over
    loop.Fire(OperationRunner::kResultPeriodMs);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_NE(verdict->detail.find(L"completion code 5"), std::wstring::npos);
}

TEST_F(OperationRunnerTest, BridgingJudgesTheRepeaterFormOnlyThenReboots) {
    RepeaterSettings settings;
    settings.ssid = L"Net";
    settings.channel = L"6";
    Run(BridgeOperation(settings, RestartHandling::kRebootStep));
    EXPECT_EQ(web.PendingCount(), 2);
    // The mode form's answer is taken without judgement, as the wizard does.
    Answer("HTTP/1.1 500 Oops\r\n\r\n");
    EXPECT_FALSE(verdict.has_value());
    Answer(kOkPage);
    EXPECT_EQ(Head(), L"REBOOT");
    Answer(kOkPage);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_TRUE(verdict->Ok());
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"UNCHECKREPEATER", L"REPEATER", L"REBOOT"}));
}

TEST_F(OperationRunnerTest, UploadRefusalsAndLoginFailuresEndWithTheirOwnCodes) {
    struct Case {
        std::string answer;
        AnswerFault fault;
        int messageId;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n<p>Invalid file format!</p>", AnswerFault::kRefused, 254},
        // A 401 page whose length happens to contain "200" is still a refused login.
        {"HTTP/1.1 401 Unauthorized\r\nContent-Length: 200\r\n\r\n", AnswerFault::kCredentials,
         138},
        {"HTTP/1.1 500 Internal Server Error\r\n\r\n", AnswerFault::kRefused, 139},
    };
    for (const Case& c : cases) {
        verdict.reset();
        web.StopAll();
        Run(UpgradeFirmwareOperation({"/nonexistent", 1000, 10000}, status,
                                     RestartHandling::kRebootStep));
        Answer(c.answer);
        ASSERT_TRUE(verdict.has_value());
        EXPECT_EQ(verdict->fault, c.fault);
        EXPECT_EQ(verdict->messageId, c.messageId);
    }
}

TEST_F(OperationRunnerTest, TheUpgradeWaitsPassesOverTheRebootAndPollsUntilTheDeviceAnswers) {
    Run(UpgradeFirmwareOperation({"/nonexistent", 5000, 10000}, status,
                                 RestartHandling::kRebootStep));
    Answer(kOkPage);
    // REBOOT is queued and not waited for; the status read waits for the settle delay.
    EXPECT_EQ(Head(), L"REBOOT");
    EXPECT_EQ(web.PendingCount(), 1);
    Answer("");  // the rebooting device drops the connection without an answer
    EXPECT_FALSE(verdict.has_value());
    loop.Fire(5000);
    EXPECT_EQ(Head(), L"GETSTATUS");
    Answer("", ECONNREFUSED);  // still down: tried again after a gap
    EXPECT_FALSE(verdict.has_value());
    EXPECT_EQ(web.PendingCount(), 0);
    loop.Fire(2000);
    EXPECT_EQ(Head(), L"GETSTATUS");
    Answer("HTTP/1.1 200 OK\r\n\r\nRuntime Code Version:<div align=\"left\">2.0</div>");
    ASSERT_TRUE(verdict.has_value());
    EXPECT_TRUE(verdict->Ok());
    EXPECT_EQ(status.firmwareVersion, L"2.0");
}

TEST_F(OperationRunnerTest, TheComeBackPollGivesUpOnceItsWindowHasPassed) {
    Run(UpgradeFirmwareOperation({"/nonexistent", 1000, 10000}, status,
                                 RestartHandling::kRebootStep));
    Answer(kOkPage);
    Answer(kOkPage);  // REBOOT
    loop.Fire(1000);
    clock.Advance(20000);
    Answer("", ECONNREFUSED);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->fault, AnswerFault::kNetwork);
    EXPECT_FALSE(loop.HasTimer(2000));
}

TEST_F(OperationRunnerTest, ACancelledRunTakesNoMoreResultsAndReportsNothing) {
    Run(RebootOperation(RestartHandling::kRebootStep));
    runner.CancelAll();
    Answer(kOkPage);
    EXPECT_FALSE(verdict.has_value());
    EXPECT_TRUE(seen.empty());
}

}  // namespace
