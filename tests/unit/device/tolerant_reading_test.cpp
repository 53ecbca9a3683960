// The device operations as the wizard runs them: answers read the tolerant way, results
// taken on the frame's ticks, which may run nested inside a modal loop an observer runs.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "device/device_operations.h"
#include "device/operation_runner.h"
#include "resources/string_ids.h"
#include "support/fakes/fake_event_loop.h"
#include "support/fakes/fake_tick_clock.h"
#include "support/fakes/fake_web_results.h"

namespace {

const std::string kGood = "HTTP/1.1 200 OK\r\n\r\n<html></html>";
const DeviceTarget kTarget{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46"};

std::string Page(const std::string& name) {
    std::ifstream file(std::string(TAMSEL_TEST_DATA_DIR) + "/pages/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class RecordingSink : public IWebCommandSink {
public:
    void Queue(const std::wstring& command, const WebRequest&,
               const DeviceTarget& target) override {
        queued.push_back(command);
        targets.push_back(target.ip);
    }
    void QueueFile(const std::wstring& command, const WebRequest&, const DeviceTarget&,
                   const std::string&) override {
        queued.push_back(command);
    }

    std::vector<std::wstring> queued;
    std::vector<std::wstring> targets;
};

const char* NameOf(OperationOutcome outcome) {
    switch (outcome) {
        case OperationOutcome::kLanPageRead:
            return "lan page";
        case OperationOutcome::kInterfacePageRead:
            return "interface page";
        case OperationOutcome::kStatusPageRead:
            return "status page";
        case OperationOutcome::kSurveyReceived:
            return "survey";
        case OperationOutcome::kBridgingAccepted:
            return "bridged";
        case OperationOutcome::kAddressChangeTaken:
            return "address taken";
        case OperationOutcome::kPasswordChanged:
            return "password changed";
        case OperationOutcome::kUploadAccepted:
            return "upload accepted";
        default:
            return "other";
    }
}

using Calls = std::vector<std::string>;

// Writes what an operation tells into one log, so a test reads as the sequence a page sees.
class LogObserver : public IOperationObserver {
public:
    LogObserver(Calls& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void OnOutcome(OperationOutcome outcome) override { m_log.push_back(m_name + NameOf(outcome)); }
    void OnFailed(const OperationFailure& failure) override {
        m_log.push_back(m_name + "failed " + std::to_string(failure.verdict.messageId));
        if (onFailed) {
            onFailed();
        }
    }
    void OnFinished() override { m_log.push_back(m_name + "finished"); }

    std::function<void()> onFailed;

private:
    Calls& m_log;
    std::string m_name;
};

class TolerantReadingTest : public ::testing::Test {
protected:
    // The calls of one tick.
    Calls Tick() {
        log.clear();
        runner.TakeResults();
        return log;
    }
    void Start(DeviceOperation operation, IOperationObserver& observer) {
        runner.Start(std::move(operation), kTarget, observer);
    }

    GivenAnswers results;
    RecordingSink sink;
    FakeEventLoop loop;
    FakeTickClock clock;
    OperationRunner runner{results, sink, loop, clock, AnswerReading::kTolerant};
    DeviceStatus status;
    std::vector<SurveyNetwork> networks;
    Calls log;
    LogObserver observer{log, ""};
};

TEST_F(TolerantReadingTest, TheStatusReadQueuesEachPageAfterThePreviousOneCameIn) {
    Start(ReadStatusOperation(status), observer);
    EXPECT_EQ(sink.queued, (std::vector<std::wstring>{L"LANINFO"}));
    results.Finish(L"LANINFO", 4, kGood + "MAC Address</td><td>00:11:22:33:44:55</td>");
    EXPECT_EQ(Tick(), (Calls{"lan page"}));
    EXPECT_EQ(sink.queued, (std::vector<std::wstring>{L"LANINFO", L"WANINFO"}));
    EXPECT_EQ(sink.targets.back(), L"192.168.1.1");

    results.Finish(L"WANINFO", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"interface page"}));
    EXPECT_EQ(sink.queued.back(), L"GETSTATUS");

    results.Finish(L"GETSTATUS", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"status page", "finished"}));
    EXPECT_EQ(sink.queued.size(), 3u);
    EXPECT_EQ(runner.RunningCount(), 0u);
}

TEST_F(TolerantReadingTest, AnUnauthorisedLanPageStillMovesOnButIsNotParsed) {
    Start(ReadStatusOperation(status), observer);
    status.lanIp = L"kept";
    results.Finish(L"LANINFO", 4, "HTTP/1.1 401 Unauthorized\r\n\r\nIP Address: 1.2.3.4");
    EXPECT_EQ(Tick(), (Calls{"lan page"}));
    EXPECT_EQ(sink.queued.back(), L"WANINFO");
    EXPECT_EQ(status.lanIp, L"kept");
}

TEST_F(TolerantReadingTest, StartUpReadsGiveUpOnEveryFailureCodeEvenWithAFullPage) {
    const std::vector<std::wstring> chain = {L"LANINFO", L"WANINFO", L"GETSTATUS"};
    for (size_t failing = 0; failing < chain.size(); ++failing) {
        for (uint32_t code : {5u, 6u, 7u}) {
            sink.queued.clear();
            Start(ReadStatusOperation(status), observer);
            for (size_t i = 0; i < failing; ++i) {
                results.Finish(chain[i], 4, kGood);
                Tick();
            }
            results.Finish(chain[failing], code, kGood);  // code 5: the device kept the line open
            EXPECT_EQ(Tick(), (Calls{"failed 207"})) << failing << " " << code;
            EXPECT_EQ(sink.queued.size(), failing + 1);
            EXPECT_EQ(runner.RunningCount(), 0u);
        }
    }
}

// A set-up that failed for a reason the user can act on says that reason instead of
// blaming the repeater; the same decision gives tamselctl its line.
TEST_F(TolerantReadingTest, AFailedSetUpSaysWhatIsMissingOrRefusedInsteadOfTheTimeOut) {
    const std::pair<HostSetupFailure::Kind, int> reasons[] = {
        {HostSetupFailure::Kind::kNotInGroup, kMsgJoinGroup},
        {HostSetupFailure::Kind::kNoRights, kMsgHelperUnusable},
        {HostSetupFailure::Kind::kDeviceRefused, kMsgTempAddressRefused},
        {HostSetupFailure::Kind::kNone, kMsgRepeaterTimeout},
    };
    RepeaterSettings settings;
    for (const auto& [kind, message] : reasons) {
        Start(ReadStatusOperation(status), observer);
        Start(BridgeOperation(settings, RestartHandling::kByRestartWait), observer);
        for (const wchar_t* command : {L"LANINFO", L"REPEATER"}) {
            WebResult failed{command, 7, ""};
            failed.setupFailure.kind = kind;
            results.answers.push_back(failed);
            EXPECT_EQ(Tick(), (Calls{"failed " + std::to_string(message)}));
        }
    }
    // Only a set-up's failure has such a reason.
    Start(ReadStatusOperation(status), observer);
    WebResult timedOut{L"LANINFO", 5, ""};
    timedOut.setupFailure.kind = HostSetupFailure::Kind::kNotInGroup;
    results.answers.push_back(timedOut);
    EXPECT_EQ(Tick(), (Calls{"failed 207"}));
}

TEST_F(TolerantReadingTest, AfterAFailureTheRemainingResultsWaitForTheNextTick) {
    Start(ReadStatusOperation(status), observer);
    Start(SurveyOperation(networks), observer);
    results.Finish(L"LANINFO", 5, "");
    results.Finish(L"SITESURVEY", 4, "");
    EXPECT_EQ(Tick(), (Calls{"failed 207"}));
    ASSERT_EQ(results.answers.size(), 1u);
    EXPECT_EQ(Tick(), (Calls{"failed 207"}));
}

TEST_F(TolerantReadingTest, TheBridgingIsDecidedByTheRepeaterFormAloneNamesCaseBlind) {
    Start(BridgeOperation(RepeaterSettings{}, RestartHandling::kByRestartWait), observer);
    EXPECT_EQ(sink.queued, (std::vector<std::wstring>{L"UNCHECKREPEATER", L"REPEATER"}));
    results.Finish(L"UNCHECKREPEATER", 6, "");
    results.Finish(L"Repeater", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"bridged", "finished"}));
    EXPECT_TRUE(results.answers.empty());

    Start(ReadStatusOperation(status), observer);
    results.Finish(L"laninfo", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"lan page"}));
}

TEST_F(TolerantReadingTest, ResultsNoOperationAwaitsAreTakenAndChangeNothing) {
    Start(ReadStatusOperation(status), observer);
    for (const wchar_t* command :
         {L"UNCHECKREPEATER", L"REBOOT", L"RESETDEFAULT", L"GETDNS", L"WANINFO"}) {
        results.Finish(command, 5, "");
    }
    EXPECT_EQ(Tick(), Calls{});
    EXPECT_TRUE(results.answers.empty());
    EXPECT_EQ(runner.RunningCount(), 1u);  // still awaiting LANINFO
}

TEST_F(TolerantReadingTest, EachPagesOperationReadsItsAnswerByItsOwnRule) {
    // The LAN address change: whatever came back, the device may have moved already.
    Start(SetLanAddressOperation({L"192.168.1.9", L"255.255.255.0", true}, status,
                                 RestartHandling::kByRestartWait),
          observer);
    results.Finish(L"SETUPIPADDRESS", 5, "");
    EXPECT_EQ(Tick(), (Calls{"address taken", "finished"}));

    // The upload: accepted, refused by the device (254), no good answer (139).
    const auto upload = [&] {
        Start(UpgradeFirmwareOperation({"/nonexistent"}, status, RestartHandling::kByRestartWait),
              observer);
    };
    upload();
    results.Finish(L"UPLOAD", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"upload accepted", "finished"}));
    upload();
    results.Finish(L"UPLOAD", 4, kGood + "Invalid file format!");
    EXPECT_EQ(Tick(), (Calls{"failed 254"}));
    upload();
    results.Finish(L"UPLOAD", 6, "HTTP/1.1 500 Internal Error\r\n\r\nInvalid file format!");
    EXPECT_EQ(Tick(), (Calls{"failed 139"}));

    // The survey: a good page whatever the code, anything else fails.
    Start(SurveyOperation(networks), observer);
    results.Finish(L"SITESURVEY", 5,
                   kGood + "<input type=\"hidden\" name=\"apCount\" value=\"3\">");
    EXPECT_EQ(Tick(), (Calls{"survey", "finished"}));
    EXPECT_EQ(networks.size(), 2u);
    Start(SurveyOperation(networks), observer);
    results.Finish(L"SITESURVEY", 4, "HTTP/1.1 404 Not Found\r\n\r\n");
    EXPECT_EQ(Tick(), (Calls{"failed 207"}));

    // The password: a refused or lost change must not look like success.
    Start(ChangePasswordOperation({L"admin", L"new"}), observer);
    results.Finish(L"SETUPPASSWORD", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"password changed", "finished"}));
    Start(ChangePasswordOperation({L"admin", L"new"}), observer);
    results.Finish(L"SETUPPASSWORD", 5, "");
    EXPECT_EQ(Tick(), (Calls{"failed 207"}));
}

TEST_F(TolerantReadingTest, AResetOrRebootForTheRestartWaitAwaitsNothing) {
    Start(FactoryResetOperation(RestartHandling::kByRestartWait), observer);
    EXPECT_EQ(log, (Calls{"finished"}));
    EXPECT_EQ(sink.queued, (std::vector<std::wstring>{L"RESETDEFAULT"}));
    log.clear();
    Start(RebootOperation(RestartHandling::kByRestartWait), observer);
    EXPECT_EQ(log, (Calls{"finished"}));
    EXPECT_EQ(sink.queued.size(), 1u);  // the restart wait queues the REBOOT
}

TEST_F(TolerantReadingTest, ANestedTickInsideAModalMessageTakesTheNextResultAndNoResultTwice) {
    LogObserver password(log, "password ");
    LogObserver bridge(log, "bridge ");
    Start(ReadStatusOperation(status), observer);
    Start(ChangePasswordOperation({L"admin", L"new"}), password);
    Start(BridgeOperation(RepeaterSettings{}, RestartHandling::kByRestartWait), bridge);
    results.Finish(L"LANINFO", 6, "");
    results.Finish(L"SETUPPASSWORD", 4, kGood);
    results.Finish(L"REPEATER", 4, kGood);
    int nested = 0;
    observer.onFailed = [&] {
        if (nested++ == 0) {
            runner.TakeResults();  // the timer fires inside the message box's loop
        }
    };
    EXPECT_EQ(Tick(), (Calls{"failed 207", "password password changed", "password finished",
                             "bridge bridged", "bridge finished"}));
    EXPECT_TRUE(results.answers.empty());
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(runner.RunningCount(), 0u);
}

TEST_F(TolerantReadingTest, TheDevicesPagesFillTheStatusRecord) {
    Start(ReadStatusOperation(status), observer);
    results.Finish(L"LANINFO", 4, Page("lan_page.http"));
    Tick();
    results.Finish(L"WANINFO", 4, Page("wan_page.http"));
    Tick();
    results.Finish(L"GETSTATUS", 4, Page("status_page.http"));
    Tick();
    EXPECT_FALSE(status.macAddress.empty());
    EXPECT_FALSE(status.ssid.empty());
    EXPECT_FALSE(status.firmwareVersion.empty());
}

TEST_F(TolerantReadingTest, ARunnerThatGoesInsideAnObserverCallStopsItsTickThere) {
    auto owned =
        std::make_unique<OperationRunner>(results, sink, loop, clock, AnswerReading::kTolerant);
    OperationCallbacks closing;
    closing.onFailed = [&](const OperationFailure&) { owned.reset(); };  // the wizard closed
    owned->Start(ReadStatusOperation(status), kTarget, closing);
    results.Finish(L"LANINFO", 5, "");
    results.Finish(L"WANINFO", 4, kGood);
    owned->TakeResults();
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(results.answers.size(), 1u);  // not taken by the runner that went
}

}  // namespace
