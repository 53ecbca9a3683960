#include "web/web_command_queue.h"
#include "platform/ansi_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <thread>

#include "support/fakes/fake_host_setup.h"
#include "support/fakes/fake_socket.h"
#include "support/fakes/fake_tick_clock.h"

namespace {

const std::wstring kDeviceIp = L"192.168.1.254";
const std::wstring kDeviceMask = L"255.255.255.0";
const std::string kDeviceIpA = "192.168.1.254";
const std::wstring kRequest = L"GET /lan.htm?n=caf\u00e9 HTTP/1.1\r\nHost: 192.168.1.254\r\n\r\n";

class WebCommandQueueTest : public ::testing::Test {
protected:
    FakeSocketState& socket() { return *sockets.states.front(); }

    void Tick() {
        web->WebTimerProc(WebCommandQueue::kTimerId);
        clock.Advance(WebCommandQueue::kTimerPeriodMs);
    }
    // A tick that may start the address set-up, then lets the set-up finish.
    void TickAndSettle() {
        web->WebTimerProc(WebCommandQueue::kTimerId);
        web->WaitForAddressSetup();
        clock.Advance(WebCommandQueue::kTimerPeriodMs);
    }
    WebCommand Head() {
        const auto pending = web->PendingSnapshot();
        EXPECT_FALSE(pending.empty());
        return pending.empty() ? WebCommand{} : pending.front();
    }
    // From a freshly queued head to "request sent": set-up, connect, connect event, send.
    void RunToSent() {
        TickAndSettle();
        Tick();
        socket().events->OnConnect(0);
        Tick();
    }
    // Ticks until the head has finished and moved; returns the result.
    std::pair<std::wstring, uint32_t> TickToResult(std::wstring* response = nullptr) {
        for (int i = 0; i < 1000 && web->PendingCount() > 0 && !IsFinishedHead(); ++i) {
            Tick();
        }
        Tick();  // hands the finished command over
        const std::optional<WebResult> result = web->TakeResult();
        if (!result) {
            return {std::wstring(), 0};
        }
        if (response) {
            *response = result->ResponseText();
        }
        return {result->command, result->code};
    }
    bool IsFinishedHead() { return Head().state >= 4; }

    FakeTickClock clock{100000};
    FakeSocketFactory sockets;
    FakeHostAddressSetup host{HostSetupResult::BindTo(L"192.168.1.241")};
    std::unique_ptr<WebCommandQueue> web = std::make_unique<WebCommandQueue>(sockets, clock, host);
};

TEST_F(WebCommandQueueTest, CommandsIntoAnEmptyQueueShareOneAddressSetUp) {
    int queued = 0;
    web->SetQueuedObserver([&] { ++queued; });
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    web->QueueCommand(L"WANINFO", WebRequest{L"GET /wan.htm\r\n\r\n", 0, L""}, kDeviceIp,
                      kDeviceMask);
    EXPECT_EQ(queued, 2);
    EXPECT_EQ(web->PendingCount(), 2);

    const auto pending = web->PendingSnapshot();
    EXPECT_EQ(pending[0].state, 0u);
    EXPECT_EQ(pending[0].phaseTimeoutMs, 100000u);
    EXPECT_EQ(pending[0].phaseStart, 0u);
    EXPECT_EQ(pending[1].state, 1u);
    EXPECT_EQ(pending[1].phaseTimeoutMs, 10000u);

    for (const wchar_t* name : {L"LANINFO", L"WANINFO"}) {
        if (Head().state == 0) {
            TickAndSettle();
        }
        Tick();
        socket().events->OnConnect(0);
        Tick();
        socket().DeliverChunk("HTTP/1.1 200 OK\r\n\r\nok", kDeviceIpA);
        socket().events->OnClose(0);
        EXPECT_EQ(TickToResult(), std::make_pair(std::wstring(name), 4u));
    }
    EXPECT_EQ(host.PrepareCount(), 1);
    EXPECT_EQ(socket().connects,
              (std::vector<std::string>{"192.168.1.254:80", "192.168.1.254:80"}));
}

TEST_F(WebCommandQueueTest, ACommandWalksEveryStateToANormalClose) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    const uint32_t t0 = clock.GetTickCount();

    // State 0: the set-up phase starts; its outcome makes the command ready to connect.
    host.Close();
    web->WebTimerProc(WebCommandQueue::kTimerId);
    host.WaitUntilRunning();
    EXPECT_EQ(Head().state, 0u);
    EXPECT_EQ(Head().phaseStart, t0);
    EXPECT_EQ(Head().phaseTimeoutMs, 100000u);
    host.Open();
    web->WaitForAddressSetup();
    EXPECT_EQ(Head().state, 1u);
    EXPECT_EQ(Head().phaseStart, 0u);
    EXPECT_EQ(web->Binding(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(host.Log().front(), "prepare 192.168.1.254/255.255.255.0");
    clock.Advance(800);

    // State 1: a stream socket from the bind address connects to port 80.
    Tick();
    EXPECT_EQ(Head().phaseTimeoutMs, 10000u);
    EXPECT_EQ(socket().type, IAsyncSocket::Type::kStream);
    EXPECT_EQ(socket().bindAddresses.back(), "192.168.1.241");
    EXPECT_EQ(socket().connects.back(), "192.168.1.254:80");
    EXPECT_EQ(web->GetConnPhase(), WebCommandQueue::kConnecting);

    socket().events->OnConnect(0);
    EXPECT_EQ(Head().state, 2u);
    EXPECT_EQ(Head().phaseStart, 0u);
    EXPECT_EQ(web->GetConnPhase(), WebCommandQueue::kConnectedPhase);

    // State 2: the request goes out in Windows-1252 and the record starts collecting.
    Tick();
    EXPECT_EQ(socket().sent.back(), WideToAnsi(kRequest));
    EXPECT_EQ(Head().bytes, "");
    EXPECT_EQ(Head().phaseTimeoutMs, 18000u);

    socket().DeliverChunk("HTTP/1.1 200 OK\r\n", kDeviceIpA);
    EXPECT_EQ(Head().state, 3u);
    socket().DeliverChunk("\r\n<html>\xe9</html>", kDeviceIpA);
    socket().events->OnClose(0);
    EXPECT_EQ(Head().state, 4u);
    EXPECT_EQ(web->GetConnPhase(), WebCommandQueue::kClosed);

    Tick();
    EXPECT_EQ(web->PendingCount(), 0);
    const std::optional<WebResult> result = web->TakeResult();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->command, L"LANINFO");
    EXPECT_EQ(result->code, 4u);
    EXPECT_EQ(result->response, "HTTP/1.1 200 OK\r\n\r\n<html>\xe9</html>");
}

TEST_F(WebCommandQueueTest, TakeResultOnAnEmptyListGivesNothing) {
    EXPECT_FALSE(web->TakeResult().has_value());
}

TEST_F(WebCommandQueueTest, DeviceThatKeepsTheConnectionOpenTimesOutWithTheFullResponse) {
    web->QueueCommand(L"GETSTATUS", kRequest, kDeviceIp, kDeviceMask);
    RunToSent();
    const uint32_t sentAt = Head().phaseStart;
    socket().DeliverChunk("HTTP/1.1 200 OK\r\n\r\nstatus", kDeviceIpA);

    clock.Set(sentAt + 18000);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 3u);  // the limit must be passed, not merely reached
    clock.Set(sentAt + 18001);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 5u);

    std::wstring response;
    EXPECT_EQ(TickToResult(&response), std::make_pair(std::wstring(L"GETSTATUS"), 5u));
    EXPECT_EQ(response, L"HTTP/1.1 200 OK\r\n\r\nstatus");
}

TEST_F(WebCommandQueueTest, RefusedConnectStillSendsAndEndsByTheResponseLimit) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    TickAndSettle();
    Tick();
    socket().open = false;  // what a refused connect leaves behind
    socket().events->OnConnect(ECONNREFUSED);
    EXPECT_EQ(Head().state, 2u);
    Tick();
    const uint32_t sentAt = Head().phaseStart;
    EXPECT_EQ(Head().phaseTimeoutMs, 18000u);

    std::wstring response = L"x";
    EXPECT_EQ(TickToResult(&response), std::make_pair(std::wstring(L"LANINFO"), 5u));
    EXPECT_EQ(response, L"");
    EXPECT_GT(clock.GetTickCount() - sentAt, 18000u);
}

TEST_F(WebCommandQueueTest, ConnectWithoutAnswerEndsByTheConnectLimit) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    TickAndSettle();
    Tick();
    const uint32_t connectAt = Head().phaseStart;
    clock.Set(connectAt + 10000);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 1u);
    clock.Set(connectAt + 10001);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 5u);
}

TEST_F(WebCommandQueueTest, ConnectionDroppedWithAnErrorKeepsWhatArrived) {
    web->QueueCommand(L"SITESURVEY", kRequest, kDeviceIp, kDeviceMask);
    RunToSent();
    socket().DeliverChunk("HTTP/1.1 200 OK\r\n\r\n<tab", kDeviceIpA);
    socket().events->OnClose(ECONNRESET);
    std::wstring response;
    EXPECT_EQ(TickToResult(&response), std::make_pair(std::wstring(L"SITESURVEY"), 6u));
    EXPECT_EQ(response, L"HTTP/1.1 200 OK\r\n\r\n<tab");
}

TEST_F(WebCommandQueueTest, ChunksFromOtherPeersAreDroppedAndAZeroByteCutsAChunk) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    RunToSent();
    socket().DeliverChunk("foreign", "192.168.1.25");
    socket().DeliverChunk("bad", "192.168.1.2540");
    EXPECT_EQ(Head().state, 2u);
    socket().DeliverChunk(std::string("abc\0def", 7), kDeviceIpA);
    socket().DeliverChunk("ghi", kDeviceIpA);
    EXPECT_EQ(Head().bytes, "abcghi");
    EXPECT_TRUE(socket().chunks.empty());  // dropped chunks are still read off the socket
}

// A device that never stops sending, or sends a page of many megabytes: what one answer
// may bring is bounded, bytes after a zero byte included.
TEST_F(WebCommandQueueTest, AnAnswerPastTheBoundIsCutOffAndEndsTheCommandAsFailed) {
    for (const char fill : {'x', '\0'}) {
        SCOPED_TRACE(fill == 'x' ? "text" : "zero bytes");
        web->QueueCommand(L"SITESURVEY", kRequest, kDeviceIp, kDeviceMask);
        RunToSent();
        const std::string page = "HTTP/1.1 200 OK\r\n\r\n";
        socket().DeliverChunk(page, kDeviceIpA);
        // Up to the bound exactly: still receiving.
        socket().chunks.push_back(
            {std::string(WebCommandQueue::kMaxResponseBytes - page.size(), fill), 0});
        while (!socket().chunks.empty()) {
            socket().events->OnReceive(0);
        }
        ASSERT_EQ(Head().state, 3u);
        EXPECT_EQ(Head().bytes.size(),
                  fill == 'x' ? WebCommandQueue::kMaxResponseBytes : page.size());
        EXPECT_TRUE(socket().open);

        socket().DeliverChunk("y", kDeviceIpA);
        EXPECT_EQ(Head().state, 6u);
        EXPECT_TRUE(Head().oversized);
        EXPECT_TRUE(Head().bytes.empty());
        EXPECT_FALSE(socket().open) << "the connection stays open to a flooding device";
        EXPECT_EQ(web->GetConnPhase(), WebCommandQueue::kClosed);

        Tick();
        const std::optional<WebResult> result = web->TakeResult();
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->code, 6u);
        EXPECT_TRUE(result->oversized);
        EXPECT_TRUE(result->response.empty());
    }
}

TEST_F(WebCommandQueueTest, FailedSetUpEndsItsCommandAndLeavesTheBurstWithoutASocket) {
    host.SetAnswer(HostSetupResult::Unreachable());
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    web->QueueCommand(L"WANINFO", kRequest, kDeviceIp, kDeviceMask);
    TickAndSettle();
    EXPECT_EQ(Head().state, 7u);
    std::wstring response = L"unset";
    EXPECT_EQ(TickToResult(&response), std::make_pair(std::wstring(L"LANINFO"), 7u));
    EXPECT_TRUE(response.empty()) << "the unsent request came back as the device's answer";
    EXPECT_FALSE(web->Binding().Reached());

    // The command behind it starts at state 1, gets no socket, and ends by the connect
    // limit counted from its connect step.
    EXPECT_EQ(Head().state, 1u);
    Tick();
    const uint32_t connectAt = Head().phaseStart;
    EXPECT_TRUE(socket().connects.empty());
    EXPECT_FALSE(socket().open);
    EXPECT_EQ(TickToResult(), std::make_pair(std::wstring(L"WANINFO"), 5u));
    EXPECT_GT(clock.GetTickCount() - connectAt, 10000u);

    // A new burst runs a fresh set-up.
    host.SetAnswer(HostSetupResult::AnyAddress());
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    EXPECT_EQ(Head().state, 0u);
    RunToSent();
    EXPECT_EQ(host.PrepareCount(), 2);
    EXPECT_EQ(web->Binding(), HostSetupResult::AnyAddress());
    EXPECT_EQ(socket().bindAddresses.back(), "");
    EXPECT_EQ(socket().sent.back(), WideToAnsi(kRequest));
}

TEST_F(WebCommandQueueTest, TickCountWrapRestartsThePhaseClock) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    TickAndSettle();
    clock.Set(0xFFFF0000u);
    web->WebTimerProc(WebCommandQueue::kTimerId);  // connect step
    ASSERT_EQ(Head().phaseStart, 0xFFFF0000u);

    clock.Set(500);  // wrapped
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 1u);
    EXPECT_EQ(Head().phaseStart, 500u);

    clock.Set(500 + 10000);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 1u);
    clock.Set(500 + 10001);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 5u);
}

TEST_F(WebCommandQueueTest, PhaseBegunJustBeforeTheWrapIsNotEndedAtOnce) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    TickAndSettle();
    clock.Set(0xFFFFF000u);                        // start + 10000 ms lies beyond 2^32
    web->WebTimerProc(WebCommandQueue::kTimerId);  // connect step
    clock.Set(0xFFFFF320u);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    EXPECT_EQ(Head().state, 1u);
    EXPECT_EQ(Head().phaseStart, 0xFFFFF000u);
}

TEST_F(WebCommandQueueTest, StopAllRemovesTheTemporaryAddressAndForgetsEverything) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    web->QueueCommand(L"WANINFO", kRequest, kDeviceIp, kDeviceMask);
    RunToSent();
    socket().events->OnClose(0);
    Tick();
    ASSERT_TRUE(host.TempAddressPresent());
    ASSERT_TRUE(socket().open);

    web->StopAll();
    EXPECT_FALSE(host.TempAddressPresent());
    EXPECT_EQ(host.Log().back(), "remove");
    EXPECT_FALSE(socket().open);
    EXPECT_EQ(web->Binding(), HostSetupResult::AnyAddress());
    EXPECT_EQ(web->PendingCount(), 0);
    EXPECT_FALSE(web->TakeResult().has_value());
}

TEST_F(WebCommandQueueTest, SocketEventsDuringAStepAreAppliedAfterIt) {
    // A socket that reports the connect from inside Connect() must neither deadlock on
    // the lock nor be overwritten by the step's write-back.
    socket().duringConnect = [this] { socket().events->OnConnect(0); };
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    TickAndSettle();
    Tick();
    EXPECT_EQ(Head().state, 2u);
    EXPECT_EQ(Head().phaseStart, 0u);
    Tick();
    EXPECT_EQ(socket().sent.back(), WideToAnsi(kRequest));
}

TEST_F(WebCommandQueueTest, StaleEventsLeaveACommandThatIsNotConnectedAlone) {
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    web->QueueCommand(L"WANINFO", kRequest, kDeviceIp, kDeviceMask);
    RunToSent();
    socket().events->OnClose(0);
    Tick();  // LANINFO finished; WANINFO waits at state 1 with its request text

    socket().DeliverChunk("late bytes", kDeviceIpA);
    socket().events->OnClose(0);
    EXPECT_EQ(Head().name, L"WANINFO");
    EXPECT_EQ(Head().state, 1u);
    EXPECT_EQ(Head().bytes, WideToAnsi(kRequest));
}

// --- The firmware upload -------------------------------------------------------------

class UploadTest : public WebCommandQueueTest {
protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) /
              ("web_command_queue_upload_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string WriteFile(const std::string& name, size_t size) {
        std::string bytes(size, '\0');
        std::mt19937 random(7);
        for (char& b : bytes) {
            b = static_cast<char>(random() & 0xFF);
        }
        std::ofstream(dir / name, std::ios::binary).write(bytes.data(), bytes.size());
        return bytes;
    }
    // Queues and sends an upload of `path` with a placeholder run of `runLength`.
    std::string SendUpload(const std::filesystem::path& path, uint64_t runLength) {
        web->QueueFileCommand(L"UPLOAD", WebRequest{head, runLength, tail}, kDeviceIp, kDeviceMask,
                              path.string());
        RunToSent();
        std::string sent = socket().sent.back();
        web->StopAll();
        return sent;
    }

    std::filesystem::path dir;
    const std::wstring head =
        L"POST /upgrade.cgi HTTP/1.1\r\ncontent-Length: 1\r\n\r\n"
        L"Content-Type: application/octet-stream\r\n\r\n";
    const std::wstring tail = L"\r\n-----------------------------7d9222c1903be--\r\n";
};

TEST_F(UploadTest, TheImageReplacesThePlaceholderByteForByte) {
    const size_t size = 3 * 1024 * 1024 + 17;
    const std::string image = WriteFile("image.bin", size);
    const std::string sent = SendUpload(dir / "image.bin", size);
    ASSERT_EQ(sent.size(), WideToAnsi(head).size() + size + WideToAnsi(tail).size());
    EXPECT_TRUE(sent == WideToAnsi(head) + image + WideToAnsi(tail));
    EXPECT_LE(socket().largestSourceRead, FakeSocket::kSourceReadSize);
}

TEST_F(UploadTest, AFileNamedInAnyBytesIsSentLikeAnyOther) {
    // UTF-8 "é", and a byte that is no UTF-8 at all: the name is never made text.
    for (const std::string name : {"fw_\xc3\xa9.bin", "fw_\xff\xfe.bin"}) {
        const std::string image = WriteFile(name, 1000);
        EXPECT_EQ(SendUpload(dir / name, image.size()),
                  WideToAnsi(head) + image + WideToAnsi(tail));
    }
}

TEST_F(UploadTest, AShortOrMissingFileIsPaddedAndALongOneCut) {
    const std::string image = WriteFile("image.bin", 60);
    EXPECT_EQ(SendUpload(dir / "image.bin", 100),
              WideToAnsi(head) + image + std::string(40, '?') + WideToAnsi(tail));
    EXPECT_EQ(SendUpload(dir / "image.bin", 10),
              WideToAnsi(head) + image.substr(0, 10) + WideToAnsi(tail));
    EXPECT_EQ(SendUpload(dir / "missing.bin", 25),
              WideToAnsi(head) + std::string(25, '?') + WideToAnsi(tail));
}

// --- The address set-up worker ------------------------------------------------------

TEST_F(WebCommandQueueTest, ALateSetUpNeverFinishesANewerCommandAndNeverRunsTwice) {
    host.Close();
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    host.WaitUntilRunning();

    clock.Advance(100001);
    EXPECT_EQ(TickToResult(), std::make_pair(std::wstring(L"LANINFO"), 5u));

    // Same name, new command: it waits for the earlier set-up instead of starting one.
    web->QueueCommand(L"LANINFO", kRequest, L"10.0.0.1", L"255.0.0.0");
    Tick();
    Tick();
    EXPECT_EQ(Head().state, 0u);
    EXPECT_EQ(Head().phaseStart, 0u);
    EXPECT_EQ(host.PrepareCount(), 1);

    host.Open();
    web->WaitForAddressSetup();
    EXPECT_EQ(Head().state, 0u);  // the late outcome was for the old command

    TickAndSettle();
    EXPECT_EQ(Head().state, 1u);
    EXPECT_EQ(host.PrepareCount(), 2);
    EXPECT_EQ(host.Log()[2], "prepare 10.0.0.1/255.0.0.0");
    EXPECT_EQ(host.MaxConcurrent(), 1);
}

TEST_F(WebCommandQueueTest, TheSetUpOutcomeSurvivesTicksRacingIt) {
    // Ticks keep copying and writing back the head while the worker changes it.
    for (int round = 0; round < 200; ++round) {
        web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
        web->WebTimerProc(WebCommandQueue::kTimerId);
        for (int i = 0; i < 50; ++i) {
            web->WebTimerProc(WebCommandQueue::kTimerId);
        }
        web->WaitForAddressSetup();
        ASSERT_EQ(Head().state, 1u) << "round " << round;
        web->StopAll();
    }
}

TEST_F(WebCommandQueueTest, TeardownCancelsASlowSetUpFirstAndRemovesWhatItAdded) {
    host.Close();
    web->QueueCommand(L"LANINFO", kRequest, kDeviceIp, kDeviceMask);
    web->WebTimerProc(WebCommandQueue::kTimerId);
    host.WaitUntilRunning();

    // A teardown that waited for the set-up before cancelling it would wait for ever
    // here; the bound only keeps such a fault from hanging the test.
    auto teardown = std::async(std::launch::async, [this] { web.reset(); });
    const bool ended = teardown.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    host.Open();
    teardown.get();
    EXPECT_TRUE(ended) << "the teardown waited for the set-up instead of cancelling it";

    EXPECT_EQ(host.Log(), (std::vector<std::string>{"prepare 192.168.1.254/255.255.255.0", "cancel",
                                                    "cancelled", "remove"}));
    EXPECT_FALSE(host.TempAddressPresent());
    EXPECT_FALSE(socket().alive);
}

}  // namespace
