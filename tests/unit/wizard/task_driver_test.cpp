#include "wizard/task_driver.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "web/web_result_source.h"

namespace {

const std::string kGood = "HTTP/1.1 200 OK\r\n\r\n<html></html>";

std::string Page(const std::string& name) {
    std::ifstream file(std::string(TAMSEL_TEST_DATA_DIR) + "/pages/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class FakeResults : public IWebResultSource {
public:
    int PendingCount() const override { return pending; }
    std::optional<WebResult> TakeResult() override {
        if (finished.empty()) {
            return std::nullopt;
        }
        WebResult result = finished.front();
        finished.pop_front();
        return result;
    }
    void Finish(std::wstring command, uint32_t code, std::string response) {
        finished.push_back(WebResult{std::move(command), code, std::move(response)});
    }

    int pending = 0;
    std::deque<WebResult> finished;
};

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

// Records every call as one line, so a test reads as the sequence the user would see.
class FakeView : public IWizardView {
public:
    bool ProgressRunning() const override { return progressUp; }
    void ShowProgressStep(int step) override { Log("step " + std::to_string(step)); }
    void EndProgress() override {
        progressUp = false;
        Log("end progress");
    }
    void ShowMessage(int stringId) override {
        Log("message " + std::to_string(stringId));
        if (onMessage) {
            onMessage();
        }
    }
    void ReturnToSearchPage() override { Log("search page"); }
    void EnableControl(WizardControl control, bool enable) override {
        Log(std::string(enable ? "enable " : "disable ") + Name(control));
    }
    void ClearControlText(WizardControl control) override {
        Log(std::string("clear ") + Name(control));
    }
    void StartPageWait(WizardWait wait) override {
        Log(wait == WizardWait::kIpAddressReboot   ? "wait ip"
            : wait == WizardWait::kFirmwareUpgrade ? "wait upgrade"
                                                   : "wait repeater");
    }
    void ShowSurvey(const std::vector<SurveyNetwork>& networks) override {
        Log("survey " + std::to_string(networks.size()));
    }
    void StopResultTimer() override { Log("stop timer"); }
    void Hold(uint32_t ms) override {
        Log("hold " + std::to_string(ms));
        if (onHold) {
            onHold();
        }
    }

    static const char* Name(WizardControl control) {
        switch (control) {
            case WizardControl::kIpApply:
                return "ip apply";
            case WizardControl::kFirmwareApply:
                return "firmware apply";
            case WizardControl::kFirmwareFile:
                return "firmware file";
            case WizardControl::kSurveyScan:
                return "scan";
            case WizardControl::kSurveyConnect:
                return "connect";
            case WizardControl::kSurveyKey:
                return "key";
            case WizardControl::kPasswordApply:
                return "password apply";
        }
        return "?";
    }
    void Log(std::string line) { calls.push_back(std::move(line)); }

    bool progressUp = false;
    std::vector<std::string> calls;
    std::function<void()> onMessage;
    std::function<void()> onHold;
};

class TaskDriverTest : public ::testing::Test {
protected:
    TaskDriverTest()
        : driver(results, sink, view, DeviceTarget{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46"},
                 status) {}

    // The calls of one tick, with the timer kill (tested on its own) left out.
    std::vector<std::string> Tick() {
        view.calls.clear();
        driver.OnResultTimer();
        std::vector<std::string> calls;
        for (const std::string& call : view.calls) {
            if (call != "stop timer") {
                calls.push_back(call);
            }
        }
        return calls;
    }

    FakeResults results;
    RecordingSink sink;
    FakeView view;
    DeviceStatus status;
    WizardTaskDriver driver;
};

using Calls = std::vector<std::string>;

TEST_F(TaskDriverTest, StartUpChainAdvancesTheProgressAndQueuesEachSuccessorBeforeParsing) {
    view.progressUp = true;
    results.pending = 1;
    results.Finish(L"LANINFO", 4, kGood + "MAC Address</td><td>00:11:22:33:44:55</td>");
    EXPECT_EQ(Tick(), (Calls{"step 3"}));
    EXPECT_EQ(sink.queued, (std::vector<std::wstring>{L"WANINFO"}));
    EXPECT_EQ(sink.targets.back(), L"192.168.1.1");

    results.Finish(L"WANINFO", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"step 7"}));
    EXPECT_EQ(sink.queued.back(), L"GETSTATUS");

    results.pending = 0;
    results.Finish(L"GETSTATUS", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"step 10", "hold 1000", "end progress"}));
    EXPECT_EQ(sink.queued.size(), 2u);
}

TEST_F(TaskDriverTest, AnUnauthorisedLanPageStillMovesOnButIsNotParsed) {
    view.progressUp = true;
    status.strLanIP = L"kept";
    results.Finish(L"LANINFO", 4, "HTTP/1.1 401 Unauthorized\r\n\r\nIP Address: 1.2.3.4");
    EXPECT_EQ(Tick(), (Calls{"step 3"}));
    EXPECT_EQ(sink.queued, (std::vector<std::wstring>{L"WANINFO"}));
    EXPECT_EQ(status.strLanIP, L"kept");
}

TEST_F(TaskDriverTest, StartUpReadsGiveUpOnEveryFailureCodeEvenWithAFullPage) {
    for (const wchar_t* command : {L"LANINFO", L"WANINFO", L"GETSTATUS"}) {
        for (uint32_t code : {5u, 6u, 7u}) {
            view.progressUp = true;
            results.Finish(command, code, kGood);  // code 5: the device kept the line open
            EXPECT_EQ(Tick(), (Calls{"end progress", "message 207", "search page"}))
                << command << " " << code;
        }
    }
    EXPECT_TRUE(sink.queued.empty());
}

// A set-up that failed for a reason the user can act on says that reason instead of
// blaming the repeater; the same decision gives tamselctl its line.
TEST_F(TaskDriverTest, AFailedSetUpSaysWhatIsMissingOrRefusedInsteadOfTheTimeOut) {
    const std::pair<HostSetupFailure::Kind, int> reasons[] = {
        {HostSetupFailure::Kind::kNotInGroup, kMsgJoinGroup},
        {HostSetupFailure::Kind::kNoRights, kMsgHelperUnusable},
        {HostSetupFailure::Kind::kDeviceRefused, kMsgTempAddressRefused},
        {HostSetupFailure::Kind::kNone, kMsgRepeaterTimeout},
    };
    for (const auto& [kind, message] : reasons) {
        for (const wchar_t* command : {L"LANINFO", L"REPEATER"}) {
            WebResult failed{command, 7, ""};
            failed.setupFailure.kind = kind;
            results.finished.push_back(failed);
            EXPECT_EQ(Tick(), (Calls{"message " + std::to_string(message), "search page"}));
        }
    }
    // Only a set-up's failure has such a reason.
    WebResult timedOut{L"LANINFO", 5, ""};
    timedOut.setupFailure.kind = HostSetupFailure::Kind::kNotInGroup;
    results.finished.push_back(timedOut);
    EXPECT_EQ(Tick(), (Calls{"message 207", "search page"}));
}

TEST_F(TaskDriverTest, AfterAGiveUpTheRemainingResultsWaitForTheNextTick) {
    results.Finish(L"LANINFO", 5, "");
    results.Finish(L"SITESURVEY", 4, "");
    EXPECT_EQ(Tick(), (Calls{"message 207", "search page"}));
    ASSERT_EQ(results.finished.size(), 1u);
    EXPECT_EQ(Tick(), (Calls{"enable scan", "disable connect"}));
}

TEST_F(TaskDriverTest, TwoResultsOfOneTickAreBothHandledInTheOrderTheyFinished) {
    results.Finish(L"UNCHECKREPEATER", 4, kGood);
    results.Finish(L"REPEATER", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"enable connect", "enable key", "clear key", "wait repeater"}));
    EXPECT_TRUE(results.finished.empty());
}

TEST_F(TaskDriverTest, NamesAreComparedWithoutRegardToCase) {
    view.progressUp = true;
    results.Finish(L"laninfo", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"step 3"}));
    results.Finish(L"Repeater", 6, kGood);
    EXPECT_EQ(Tick(), (Calls{"message 207", "search page"}));  // the progress is left alone
}

TEST_F(TaskDriverTest, GetStatusWithCommandsStillPendingLeavesTheProgressOpen) {
    view.progressUp = true;
    results.pending = 1;
    results.Finish(L"GETSTATUS", 4, kGood + "Firmware Version</td><td>1.0.2</td>");
    EXPECT_EQ(Tick(), (Calls{"step 10", "hold 1000"}));
    EXPECT_TRUE(view.progressUp);
}

TEST_F(TaskDriverTest, TheTimerStopsWhenNothingIsPendingButFinishedResultsAreStillHandled) {
    results.pending = 0;
    results.Finish(L"REBOOT", 4, "");
    driver.OnResultTimer();
    EXPECT_EQ(view.calls, (Calls{"stop timer"}));
    EXPECT_TRUE(results.finished.empty());

    results.pending = 2;
    driver.OnResultTimer();
    EXPECT_EQ(view.calls, (Calls{"stop timer"}));  // unchanged: the timer keeps running
}

TEST_F(TaskDriverTest, PageActionRows) {
    // SETUPIPADDRESS: the reboot wait follows whatever the answer was.
    results.Finish(L"SETUPIPADDRESS", 5, "");
    EXPECT_EQ(Tick(), (Calls{"enable ip apply", "wait ip"}));

    // UPLOAD: accepted, refused by the device, no good answer.
    results.Finish(L"UPLOAD", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"enable firmware apply", "wait upgrade", "search page"}));
    results.Finish(L"UPLOAD", 4, kGood + "Invalid file format!");
    EXPECT_EQ(Tick(), (Calls{"enable firmware apply", "message 254", "clear firmware file"}));
    results.Finish(L"UPLOAD", 6, "HTTP/1.1 500 Internal Error\r\n\r\nInvalid file format!");
    EXPECT_EQ(Tick(), (Calls{"enable firmware apply", "message 139", "clear firmware file"}));

    // SITESURVEY: a good page goes to the wireless page, anything else re-enables Scan.
    results.Finish(L"SITESURVEY", 5,
                   kGood + "<input type=\"hidden\" name=\"apCount\" value=\"3\">");
    EXPECT_EQ(Tick(), (Calls{"survey 2"}));
    results.Finish(L"SITESURVEY", 4, "HTTP/1.1 404 Not Found\r\n\r\n");
    EXPECT_EQ(Tick(), (Calls{"enable scan", "disable connect"}));

    // Taken without anything else.
    for (const wchar_t* command : {L"UNCHECKREPEATER", L"REBOOT", L"RESETDEFAULT", L"GETDNS"}) {
        results.Finish(command, 5, "");
    }
    EXPECT_EQ(Tick(), Calls{});
    EXPECT_TRUE(results.finished.empty());
}

TEST_F(TaskDriverTest, APasswordChangeWithoutAGoodAnswerIsReportedBeforeReturning) {
    results.Finish(L"SETUPPASSWORD", 4, kGood);
    EXPECT_EQ(Tick(), (Calls{"enable password apply", "search page"}));
    results.Finish(L"SETUPPASSWORD", 5, "");
    EXPECT_EQ(Tick(), (Calls{"enable password apply", "message 207", "search page"}));
}

TEST_F(TaskDriverTest, ANestedTickInsideAModalMessageTakesTheNextResultAndNoResultTwice) {
    results.Finish(L"LANINFO", 6, "");
    results.Finish(L"SETUPPASSWORD", 4, kGood);
    results.Finish(L"REPEATER", 4, kGood);
    int nested = 0;
    view.onMessage = [&] {
        if (nested++ == 0) {
            driver.OnResultTimer();  // the timer fires inside the message box's loop
        }
    };
    EXPECT_EQ(Tick(),
              (Calls{"message 207", "enable password apply", "search page", "enable connect",
                     "enable key", "clear key", "wait repeater", "search page"}));
    EXPECT_TRUE(results.finished.empty());
    EXPECT_EQ(nested, 1);
}

TEST_F(TaskDriverTest, TheDevicesPagesFillTheStatusRecord) {
    results.Finish(L"LANINFO", 4, Page("lan_page.http"));
    results.Finish(L"WANINFO", 4, Page("wan_page.http"));
    results.Finish(L"GETSTATUS", 4, Page("status_page.http"));
    Tick();
    EXPECT_FALSE(status.strMACAddress.empty());
    EXPECT_FALSE(status.strSSID.empty());
    EXPECT_FALSE(status.strFirmwareVersion.empty());
}

}  // namespace
