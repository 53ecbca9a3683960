#include "web/web_command_queue.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/ansi_text.h"
#include "web/request_wire.h"

namespace {

bool IsFinished(uint32_t result) {
    return result >= WebCommandQueue::kClosedNormally;
}

bool IsConnected(uint32_t result) {
    return result == WebCommandQueue::kConnected || result == WebCommandQueue::kReceiving;
}

}  // namespace

WebCommandQueue::WebCommandQueue(ISocketFactory& sockets, ITickClock& clock,
                                 IHostAddressSetup& hostSetup)
    : m_clock(clock), m_hostSetup(hostSetup), m_socket(sockets.MakeSocket(*this)) {}

WebCommandQueue::~WebCommandQueue() {
    StopAll();
}

void WebCommandQueue::QueueCommand(const std::wstring& name, const WebRequest& request,
                                   const std::wstring& deviceIp, const std::wstring& deviceMask) {
    QueueFileCommand(name, request, deviceIp, deviceMask, std::string());
}

void WebCommandQueue::QueueCommand(const std::wstring& name, const std::wstring& request,
                                   const std::wstring& deviceIp, const std::wstring& deviceMask) {
    QueueFileCommand(name, WebRequest{request, 0, std::wstring()}, deviceIp, deviceMask,
                     std::string());
}

void WebCommandQueue::QueueFileCommand(const std::wstring& name, const WebRequest& request,
                                       const std::wstring& deviceIp, const std::wstring& deviceMask,
                                       const std::string& filePath) {
    WebCommand record;
    record.name = name;
    record.deviceIp = deviceIp;
    record.deviceSubnet = deviceMask;
    record.bytes = WideToAnsi(request.text);
    record.fileLength = request.placeholderLength;
    record.tail = WideToAnsi(request.tail);
    record.filePath = filePath;
    Enqueue(std::move(record));
}

void WebCommandQueue::Enqueue(WebCommand record) {
    {
        std::lock_guard guard(m_lock);
        // Only the first command of a burst prepares the host; the rest reuse its result.
        const bool first = m_pending.empty();
        record.state = first ? kNeedsAddressSetup : kReadyToConnect;
        record.phaseTimeoutMs = first ? kAddressSetupTimeoutMs : kConnectTimeoutMs;
        record.phaseStart = 0;
        record.serial = m_nextSerial++;
        m_pending.push_back(std::move(record));
    }
    if (m_onQueued) {
        m_onQueued();
    }
}

std::optional<WebResult> WebCommandQueue::TakeResult() {
    std::lock_guard guard(m_lock);
    if (m_results.empty()) {
        return std::nullopt;
    }
    WebCommand& oldest = m_results.front();
    WebResult result;
    result.command = std::move(oldest.name);
    result.code = oldest.state;
    result.oversized = oldest.oversized;
    result.setupFailure = std::move(oldest.setupFailure);
    // A request that never left is no answer: it may well contain "HTTP" and "200".
    if (oldest.requestSent) {
        result.response = std::move(oldest.bytes);
    }
    m_results.erase(m_results.begin());
    return result;
}

int WebCommandQueue::PendingCount() const {
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_pending.size());
}

void WebCommandQueue::StopAll() {
    m_socket->Close();
    m_connPhase = kClosed;
    // Cancelled first, the worker ends within a moment instead of sitting out the
    // set-up's waits. Waiting for it (never under the lock) means it cannot add a
    // temporary address after it has been removed below, nor outlive the lists.
    if (m_setupThread.joinable()) {
        m_hostSetup.CancelSetup();
    }
    WaitForAddressSetup();
    {
        std::lock_guard guard(m_lock);
        m_binding = HostSetupResult::AnyAddress();
    }
    m_hostSetup.RemoveTempAddress();
    {
        std::lock_guard guard(m_lock);
        m_pending.clear();
        m_results.clear();
    }
    m_deferredEvents.clear();
}

void WebCommandQueue::SetQueuedObserver(std::function<void()> onQueued) {
    m_onQueued = std::move(onQueued);
}

std::vector<WebCommand> WebCommandQueue::PendingSnapshot() const {
    std::lock_guard guard(m_lock);
    return m_pending;
}

HostSetupResult WebCommandQueue::Binding() const {
    std::lock_guard guard(m_lock);
    return m_binding;
}

void WebCommandQueue::WaitForAddressSetup() {
    if (m_setupThread.joinable()) {
        m_setupThread.join();
    }
}

void WebCommandQueue::WebTimerProc(int timerId) {
    if (timerId != kTimerId) {
        return;
    }
    {
        // Held across the whole step of element 0, so a set-up that ends meanwhile waits
        // for the step instead of changing the record under it.
        std::lock_guard guard(m_lock);
        if (m_pending.empty()) {
            return;
        }
        m_inStep = true;
        StepHead();
        m_inStep = false;
    }
    RunDeferredEvents();
}

void WebCommandQueue::StepHead() {
    // Worked on in place, under the lock that the address set-up worker needs too: a
    // set-up that ends meanwhile waits for the step, and a response of megabytes is not
    // copied on every tick.
    WebCommand& head = m_pending.front();

    if (IsFinished(head.state)) {
        m_results.push_back(std::move(head));
        m_pending.erase(m_pending.begin());
        return;
    }

    if (head.phaseStart != 0) {
        const uint32_t now = m_clock.GetTickCount();
        // A count below the phase start means the 32-bit counter wrapped: the phase is
        // timed afresh from now. The elapsed time is compared rather than start + limit,
        // whose sum would itself wrap for a phase begun shortly before the counter does
        // and end that phase at once.
        if (head.phaseStart > now) {
            head.phaseStart = now;
        } else if (now - head.phaseStart > head.phaseTimeoutMs) {
            head.state = kTimedOut;
        }
        return;
    }

    switch (head.state) {
        case kNeedsAddressSetup:
            if (m_setupRunning) {
                return;  // an earlier set-up still owns the temporary address: wait for it
            }
            StartAddressSetup(head);
            head.phaseTimeoutMs = kAddressSetupTimeoutMs;
            break;
        case kReadyToConnect:
            ConnectToDevice(head.deviceIp);
            head.phaseTimeoutMs = kConnectTimeoutMs;
            break;
        case kConnected:
            SendRequest(head);
            head.phaseTimeoutMs = kResponseTimeoutMs;
            head.requestSent = true;
            head.bytes.clear();  // from now on it collects the response
            head.tail.clear();
            head.fileLength = 0;
            break;
        default:
            break;
    }
    head.phaseStart = m_clock.GetTickCount();
}

void WebCommandQueue::StartAddressSetup(const WebCommand& head) {
    if (m_setupThread.joinable()) {
        m_setupThread.join();  // finished already: m_setupRunning is false
    }
    try {
        m_setupThread = std::thread(&WebCommandQueue::AddressSetupThread, this, head.serial,
                                    head.deviceIp, head.deviceSubnet);
        m_setupRunning = true;
    } catch (const std::system_error&) {
        // No thread: the command stays in state 0 and its phase limit ends it.
    }
}

void WebCommandQueue::AddressSetupThread(uint64_t serial, std::wstring deviceIp,
                                         std::wstring deviceMask) {
    HostSetupResult binding = HostSetupResult::Unreachable();
    try {
        binding = m_hostSetup.PrepareHostAddress(deviceIp, deviceMask);
    } catch (...) {
    }
    std::lock_guard guard(m_lock);
    m_binding = binding;
    // Only the command this set-up was started for, and only while it still waits for it
    // (it may have timed out, or been taken and replaced by a newer one).
    if (!m_pending.empty()) {
        WebCommand& head = m_pending.front();
        if (head.serial == serial && head.state == kNeedsAddressSetup) {
            head.state = binding.Reached() ? kReadyToConnect : kAddressSetupFailed;
            head.phaseStart = 0;
            head.setupFailure = binding.Failure();
        }
    }
    m_setupRunning = false;
}

bool WebCommandQueue::ConnectToDevice(const std::wstring& deviceIp) {
    m_socket->Close();
    m_connPhase = kConnecting;
    // After a failed set-up no socket is made, and the command ends by its connect limit.
    if (!m_binding.Reached() ||
        !m_socket->Create(IAsyncSocket::Type::kStream, 0, WideToAnsi(m_binding.BindAddress()))) {
        return false;
    }
    // The outcome arrives as OnConnect; a connect that cannot even start never reports
    // and is ended by the connect limit.
    m_socket->Connect(WideToAnsi(deviceIp), kDevicePort);
    return true;
}

void WebCommandQueue::SendRequest(const WebCommand& record) {
    // Streamed as the socket drains: an image is read from disk a piece at a time.
    auto source = MakeRequestWireSource(record.bytes, record.fileLength, record.tail,
                                        std::filesystem::path(record.filePath));
    if (source->Size() > 0) {
        m_socket->SendSource(std::move(source));
    }
}

bool WebCommandQueue::DeferIfInStep(std::function<void()> event) {
    if (!m_inStep) {
        return false;
    }
    m_deferredEvents.push_back(std::move(event));
    return true;
}

void WebCommandQueue::RunDeferredEvents() {
    std::vector<std::function<void()>> events;
    events.swap(m_deferredEvents);
    for (auto& event : events) {
        event();
    }
}

void WebCommandQueue::OnConnect(int error) {
    if (DeferIfInStep([this, error] { OnConnect(error); })) {
        return;
    }
    // The error is not examined: a refused connect still goes on to the send and ends by
    // the response limit.
    std::lock_guard guard(m_lock);
    if (!m_pending.empty() && m_pending.front().state == kReadyToConnect) {
        m_pending.front().state = kConnected;
        m_pending.front().phaseStart = 0;  // the next step sends
        m_connPhase = kConnectedPhase;
    }
}

void WebCommandQueue::OnReceive(int error) {
    if (DeferIfInStep([this, error] { OnReceive(error); })) {
        return;
    }
    std::string peer;
    uint16_t peerPort = 0;
    if (!m_socket->GetPeerName(peer, peerPort)) {
        peer.clear();
    }
    // Read even what is dropped below, so the socket does not keep reporting it.
    std::vector<char> buffer(kReceiveChunkBytes + 1, 0);
    const int received = m_socket->Receive(buffer.data(), kReceiveChunkBytes);
    if (received <= 0) {
        return;
    }

    std::lock_guard guard(m_lock);
    if (m_pending.empty()) {
        return;
    }
    WebCommand& head = m_pending.front();
    if (AnsiToWide(peer) != head.deviceIp || !IsConnected(head.state)) {
        return;
    }
    head.state = kReceiving;
    head.receivedBytes += static_cast<uint64_t>(received);
    if (head.receivedBytes > kMaxResponseBytes) {
        head.oversized = true;
        std::string().swap(head.bytes);
        head.state = kClosedWithError;
        m_socket->Close();
        m_connPhase = kClosed;
        return;
    }
    // A zero byte ends the chunk's text as it would end a C string; the chunks after it
    // are still appended.
    head.bytes.append(buffer.data(), ::strnlen(buffer.data(), static_cast<size_t>(received)));
}

void WebCommandQueue::OnClose(int error) {
    if (DeferIfInStep([this, error] { OnClose(error); })) {
        return;
    }
    m_connPhase = kClosed;
    std::lock_guard guard(m_lock);
    if (!m_pending.empty() && IsConnected(m_pending.front().state)) {
        m_pending.front().state = error != 0 ? kClosedWithError : kClosedNormally;
    }
}
