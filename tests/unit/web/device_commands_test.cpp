#include "web/device_commands.h"

#include <gtest/gtest.h>

#include "support/fakes/fake_host_setup.h"
#include "support/fakes/fake_socket.h"
#include "support/fakes/fake_tick_clock.h"
#include "web/web_command_queue.h"

namespace {

const DeviceTarget kTarget{L"192.168.1.1", L"255.255.255.0", L"YWRtaW46YWRtaW4="};

struct Queued {
    std::wstring command;
    std::wstring text;
    std::string filePath;
};

class RecordingSink : public IWebCommandSink {
public:
    void Queue(const std::wstring& command, const WebRequest& request,
               const DeviceTarget&) override {
        queued.push_back({command, request.ToText(), std::string()});
    }
    void QueueFile(const std::wstring& command, const WebRequest& request, const DeviceTarget&,
                   const std::string& filePath) override {
        queued.push_back({command, request.ToText(), filePath});
    }
    std::vector<Queued> queued;
};

TEST(DeviceCommandsTest, EachFunctionQueuesItsBuildersRequestUnderItsName) {
    RecordingSink sink;
    QueueLanInfo(sink, kTarget);
    QueueWanInfo(sink, kTarget);
    QueueGetStatus(sink, kTarget);
    QueueSiteSurvey(sink, kTarget);
    QueueUncheckRepeater(sink, kTarget);
    QueueSetupIpAddress(sink, kTarget, L"192.168.1.100", L"255.255.255.0", L"2");
    QueueSetupPassword(sink, kTarget, L"old", L"new");
    QueueReboot(sink, kTarget);
    QueueResetDefault(sink, kTarget);
    const std::vector<std::pair<std::wstring, WebRequest>> expected = {
        {kCommandLanInfo, BuildLanInfoRequest(kTarget)},
        {kCommandWanInfo, BuildWanInfoRequest(kTarget)},
        {kCommandGetStatus, BuildGetStatusRequest(kTarget)},
        {kCommandSiteSurvey, BuildSiteSurveyRequest(kTarget)},
        {kCommandUncheckRepeater, BuildUncheckRepeaterRequest(kTarget)},
        {kCommandSetupIpAddress,
         BuildSetupIpAddressRequest(kTarget, L"192.168.1.100", L"255.255.255.0", L"2")},
        {kCommandSetupPassword, BuildSetupPasswordRequest(kTarget, L"old", L"new")},
        {kCommandReboot, BuildRebootRequest(kTarget)},
        {kCommandResetDefault, BuildResetDefaultRequest(kTarget)},
    };
    ASSERT_EQ(sink.queued.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sink.queued[i].command, expected[i].first);
        EXPECT_EQ(sink.queued[i].text, expected[i].second.ToText()) << i;
    }
}

TEST(DeviceCommandsTest, BridgingQueuesTheModeFormRightBeforeTheStationForm) {
    RecordingSink sink;
    const RepeaterSettings settings =
        RepeaterSettingsFor(L"Home Net", L"6", L"AES", L"passphrase", 0);
    QueueRepeater(sink, kTarget, settings);
    ASSERT_EQ(sink.queued.size(), 2u);
    EXPECT_EQ(sink.queued[0].command, kCommandUncheckRepeater);
    EXPECT_EQ(sink.queued[1].command, kCommandRepeater);
    EXPECT_EQ(sink.queued[1].text, BuildRepeaterRequest(kTarget, settings).ToText());
}

TEST(DeviceCommandsTest, TheUploadTravelsWithItsPathOntoTheWebQueue) {
    FakeTickClock clock;
    FakeSocketFactory sockets;
    FakeHostAddressSetup host;
    WebCommandQueue web(sockets, clock, host);
    WebCommandQueueSink sink(web);
    QueueLanInfo(sink, kTarget);
    // Bytes of the file system's name, not text: UTF-8 "é" and a byte that is no UTF-8.
    const std::string path = "/tmp/fw_\xc3\xa9_\xff.bin";
    QueueUpload(sink, kTarget, path);
    const auto pending = web.PendingSnapshot();
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].name, kCommandLanInfo);
    EXPECT_EQ(pending[0].deviceIp, kTarget.ip);
    EXPECT_EQ(pending[0].deviceSubnet, kTarget.subnet);
    EXPECT_TRUE(pending[0].filePath.empty());
    EXPECT_EQ(pending[1].name, kCommandUpload);
    EXPECT_EQ(pending[1].filePath, path);
}

}  // namespace
