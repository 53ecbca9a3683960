#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "hostnet/host_address_setup.h"
#include "platform/async_socket.h"
#include "platform/tick_clock.h"
#include "web/web_request.h"
#include "web/web_result.h"
#include "web/web_result_source.h"

// One web command, queued or finished.
struct WebCommand {
    std::wstring name;   // command name, a label only ("LANINFO", "UPLOAD", ...)
    uint32_t state = 0;  // state 0-3 while active, completion code 4-7 when finished
    std::wstring deviceIp;
    std::wstring deviceSubnet;
    // Bytes as they go over the wire: the request in Windows-1252 until it is sent (for an
    // upload: the part before the file's bytes); afterwards the response received so far.
    std::string bytes;
    uint32_t phaseStart = 0;      // tick at which the current phase began; 0: not started
    uint32_t phaseTimeoutMs = 0;  // length of the current phase in milliseconds
    // The file spliced into the request as the file system names it: bytes handed to
    // open() unchanged, whatever their encoding. Empty but for uploads.
    std::string filePath;
    // Upload only: the number of file bytes sent after bytes, and the request bytes that
    // follow them. The image itself is read from filePath at send time.
    uint64_t fileLength = 0;
    std::string tail;
    // Tells records with equal names apart, so a late address set-up only ever finishes
    // the command it was started for.
    uint64_t serial = 0;
    // Set when the request has gone to the socket. A command that ends before that
    // (set-up failure, connect time-out) still holds its own request in bytes, which
    // must never be handed out as the device's answer.
    bool requestSent = false;
    // Response bytes received, those a zero byte cut off included.
    uint64_t receivedBytes = 0;
    // Set when the response ran past kMaxResponseBytes: the connection was closed, the
    // command ended with code 6 and what it had received was dropped.
    bool oversized = false;
    // Code 7: why the address set-up failed, when the set-up knows a reason to tell.
    HostSetupFailure setupFailure{};
};

// Runs named HTTP commands against the device one at a time, each over a fresh TCP
// connection to port 80, and keeps their outcomes for the wizard to take.
//
// The owner calls WebTimerProc(kTimerId) every 800 ms on the event loop's thread; socket
// events arrive on the same thread. The address set-up for the first command of a burst
// runs on a worker thread, so the lists and the bind address are guarded by one lock.
// The owner stops its timer before destroying the manager.
class WebCommandQueue : public IAsyncSocketEvents, public IWebResultSource {
public:
    static constexpr int kTimerId = 9999;
    static constexpr uint32_t kTimerPeriodMs = 800;
    static constexpr uint16_t kDevicePort = 80;

    // States of an active command and completion codes of a finished one.
    enum : uint32_t {
        kNeedsAddressSetup = 0,
        kReadyToConnect = 1,
        kConnected = 2,
        kReceiving = 3,
        kClosedNormally = kWebClosedNormally,
        kTimedOut = kWebTimedOut,
        kClosedWithError = kWebClosedWithError,
        kAddressSetupFailed = kWebSetupFailed,
    };

    // Phase limits.
    static constexpr uint32_t kAddressSetupTimeoutMs = 100000;
    static constexpr uint32_t kConnectTimeoutMs = 10000;
    static constexpr uint32_t kResponseTimeoutMs = 18000;

    static constexpr size_t kReceiveChunkBytes = 10239;
    // The most one response may bring. The device's pages are a few kilobytes; a device
    // that sends more (an endless body, a page of many megabytes) is cut off here instead
    // of filling the memory for the 18 s the response may take.
    static constexpr uint64_t kMaxResponseBytes = 4 * 1024 * 1024;

    // Connection phase of the socket.
    enum ConnPhase { kClosed = 0, kConnecting = 1, kConnectedPhase = 2 };

    WebCommandQueue(ISocketFactory& sockets, ITickClock& clock, IHostAddressSetup& hostSetup);
    // Stops everything (StopAll), cancelling a running address set-up first.
    ~WebCommandQueue() override;

    WebCommandQueue(const WebCommandQueue&) = delete;
    WebCommandQueue& operator=(const WebCommandQueue&) = delete;

    // Queues a command. Into an empty queue it needs an address set-up first (state 0,
    // 100000 ms); behind another command it reuses that set-up (state 1, 10000 ms).
    void QueueCommand(const std::wstring& name, const WebRequest& request,
                      const std::wstring& deviceIp, const std::wstring& deviceMask);
    void QueueCommand(const std::wstring& name, const std::wstring& request,
                      const std::wstring& deviceIp, const std::wstring& deviceMask);
    // The same for a request whose placeholder run is replaced by the bytes of `filePath`
    // when it is sent (the firmware upload). The path is the file system's bytes.
    void QueueFileCommand(const std::wstring& name, const WebRequest& request,
                          const std::wstring& deviceIp, const std::wstring& deviceMask,
                          const std::string& filePath);

    // Takes the oldest finished command, or nothing when none is ready.
    std::optional<WebResult> TakeResult() override;
    // Commands queued or active.
    int PendingCount() const override;

    // Closes the socket, forgets the bind address, removes the temporary host address
    // (which waits 500 ms when there was one) and empties both lists. A running address
    // set-up is cancelled and waited for first, so it ends within a moment and the
    // address it may have added is removed as well.
    void StopAll();

    // One step of the head command.
    void WebTimerProc(int timerId);

    // Told (on the queuing thread, outside the lock) after every queued command, so that
    // a result poller can start.
    void SetQueuedObserver(std::function<void()> onQueued);

    // Diagnostics and tests.
    std::vector<WebCommand> PendingSnapshot() const;
    HostSetupResult Binding() const;
    // The temporary host address through which the device is reached, kept (renewed)
    // until StopAll; nullopt when the PC needed none.
    std::optional<HostAddressContext> TempHostAddress() const { return m_hostSetup.TempAddress(); }
    int GetConnPhase() const { return m_connPhase; }
    // Blocks until an address set-up that is running has ended.
    void WaitForAddressSetup();

    // IAsyncSocketEvents
    void OnConnect(int error) override;
    void OnReceive(int error) override;
    void OnClose(int error) override;

private:
    void Enqueue(WebCommand record);
    // The body of WebTimerProc; the lock is held.
    void StepHead();
    void StartAddressSetup(const WebCommand& head);
    // Closes the socket and starts a connect to port 80 of `deviceIp`, from the bind
    // address when there is one. False when the socket cannot be created. Lock held.
    bool ConnectToDevice(const std::wstring& deviceIp);
    void AddressSetupThread(uint64_t serial, std::wstring deviceIp, std::wstring deviceMask);
    void SendRequest(const WebCommand& record);
    // Socket events that arrive while a timer step holds the lock (a socket may report
    // from inside Connect or Send) wait until the step has written its record back.
    bool DeferIfInStep(std::function<void()> event);
    void RunDeferredEvents();

    ITickClock& m_clock;
    IHostAddressSetup& m_hostSetup;
    std::unique_ptr<IAsyncSocket> m_socket;
    int m_connPhase = kClosed;
    std::function<void()> m_onQueued;

    // Guards everything the address set-up worker shares with the event loop's thread.
    mutable std::mutex m_lock;
    std::vector<WebCommand> m_pending;  // element 0 is the active command
    std::vector<WebCommand> m_results;  // in the order they finished
    HostSetupResult m_binding = HostSetupResult::AnyAddress();
    bool m_setupRunning = false;
    uint64_t m_nextSerial = 1;

    std::thread m_setupThread;  // touched on the event loop's thread only
    bool m_inStep = false;
    std::vector<std::function<void()>> m_deferredEvents;
};
