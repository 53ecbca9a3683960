#include "discovery/discovery_manager.h"

#include <cerrno>
#include <stdexcept>

namespace {

constexpr uint8_t kAllDevices[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace

DiscoveryManager::DiscoveryManager(ISocketFactory& sockets, ITickClock& clock)
    : m_clock(clock),
      m_socket(sockets.MakeSocket(*this)),
      m_readFirewall([] { return ReadHostFirewall(); }) {}

DiscoveryManager::~DiscoveryManager() {
    ClearRequests();
    ClearDevices();
    CloseSocket();
}

int DiscoveryManager::QueueSearch(const std::wstring& name) {
    SearchRequest request;
    request.name = name;
    request.triesLeft = kSendsPerSearch;
    request.intervalMs = kSendIntervalMs;
    m_requests.push_back(request);
    m_devices.clear();
    m_knownMacs.clear();
    SearchQueued();
    return 1;
}

int DiscoveryManager::QueueAddressSearch(const std::wstring& name, const SearchTarget& target) {
    SearchRequest request;
    request.name = name;
    request.mode = kSearchModeAddress;
    request.triesLeft = kSendsPerSearch;
    request.intervalMs = kSendIntervalMs;
    request.target = target;
    m_requests.push_back(request);
    SearchQueued();
    return 1;
}

void DiscoveryManager::SearchQueued() {
    if (m_requests.size() == 1) {
        m_droppedAnswers = 0;
        m_answersCounted = false;
        m_endedBroadcast = false;
    }
    if (m_diagnosis) {
        m_diagnosis->SearchStarted();
    }
}

void DiscoveryManager::EndHeadRequest() {
    const bool broadcast = m_requests.front().mode != kSearchModeAddress;
    m_requests.erase(m_requests.begin());
    if (!m_requests.empty()) {
        return;
    }
    m_endedBroadcast = broadcast;
    if (m_diagnosis) {
        m_answersCounted = m_diagnosis->Watching();
        m_droppedAnswers = m_diagnosis->SearchEnded();
    }
}

void DiscoveryManager::WatchForDroppedAnswers(std::unique_ptr<IAnswerWatch> watch) {
    m_diagnosis = watch ? std::make_unique<FirewallDiagnosis>(std::move(watch)) : nullptr;
}

std::wstring DiscoveryManager::DroppedAnswersNote() const {
    return m_droppedAnswers == 0
               ? std::wstring()
               : ExplainDroppedAnswers(m_droppedAnswers, m_readFirewall().InUse());
}

std::wstring DiscoveryManager::LikelyFirewallNote() const {
    // A watch that ran tells for certain (DroppedAnswersNote); an answer to a search at an
    // address comes from the address asked, which a stateful firewall lets in.
    if (m_answersCounted || !m_endedBroadcast || !m_devices.empty()) {
        return std::wstring();
    }
    return ExplainLikelyFirewall(m_readFirewall());
}

void DiscoveryManager::SetFirewallReader(std::function<HostFirewallState()> reader) {
    m_readFirewall = std::move(reader);
}

int DiscoveryManager::GetRequestCount() const {
    return static_cast<int>(m_requests.size());
}

int DiscoveryManager::GetDeviceCount() const {
    return static_cast<int>(m_devices.size());
}

FoundDevice DiscoveryManager::GetDevice(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_devices.size()) {
        throw std::out_of_range("discovered device index out of range");
    }
    return m_devices[static_cast<size_t>(index)];
}

void DiscoveryManager::OnDiscoveryTimer(int timerId) {
    if (timerId != kTimerId || m_requests.empty()) {
        return;
    }
    if (m_requests.front().mode == kSearchModeAddress) {
        StepAddressSearch();
        return;
    }
    SearchRequest head = m_requests.front();
    if (head.lastSend != 0) {
        // Unsigned difference: a wrap of the tick count between the send and now still
        // gives the true elapsed time.
        const uint32_t elapsed = m_clock.GetTickCount() - head.lastSend;
        if (elapsed <= head.intervalMs) {
            return;
        }
        head.lastSend = 0;
    }
    if (head.triesLeft > 0) {
        --head.triesLeft;
        if (head.mode == 0) {
            SendSearch(kAllDevices);
            head.lastSend = m_clock.GetTickCount();
        }
        m_requests.front() = head;
    } else {
        // The wait after the last send is over: the search has ended.
        EndHeadRequest();
    }
}

void DiscoveryManager::StepAddressSearch() {
    if (!m_sweep) {
        const SearchRequest& head = m_requests.front();
        m_sweep = std::make_unique<AddressSweep>(head.target, head.triesLeft, head.intervalMs);
    }
    m_sweep->Step(m_clock.GetTickCount(), [this](Ipv4 address) { return SendSearchTo(address); });
    if (m_sweep->Finished()) {
        m_sweep.reset();
        EndHeadRequest();
    }
}

bool DiscoveryManager::EnsureSocket() {
    if (m_recreate) {
        m_socket->Close();
        if (!m_socket->Create(IAsyncSocket::Type::kDatagram, kDiscoveryPort, std::string())) {
            return false;  // stays flagged: the next send tries again
        }
        m_socket->SetBroadcast(true);
        m_recreate = false;
    }
    return m_socket->IsOpen();
}

void DiscoveryManager::SendSearch(const uint8_t target[6]) {
    if (!EnsureSocket()) {
        return;
    }
    const auto request = BuildSearchRequest(target);
    // Out of every broadcast-capable interface: a lone limited broadcast leaves by one
    // interface only, and not at all on a PC without a default route. Failures are not
    // reported; a search that reaches nobody simply ends empty.
    m_socket->SendBroadcastOnAllInterfaces(request.data(), request.size(), kDiscoveryPort);
}

bool DiscoveryManager::SendSearchTo(Ipv4 address) {
    if (!EnsureSocket()) {
        return true;  // as for a broadcast: a send without a socket is not tried again
    }
    const auto request = BuildSearchRequest(kAllDevices);
    if (m_socket->SendTo(request.data(), request.size(), FormatIpv4Ascii(address),
                         kDiscoveryPort) >= 0) {
        return true;
    }
    // A full send buffer (or device queue) clears as the kernel sends; anything else,
    // such as no route to the address, will not, and the search simply finds nothing
    // there.
    const int failure = m_socket->LastError();
    return failure != EAGAIN && failure != EWOULDBLOCK && failure != ENOBUFS && failure != EINTR;
}

void DiscoveryManager::ClearDevices() {
    m_devices.clear();
    m_devices.shrink_to_fit();
    m_knownMacs.clear();
}

void DiscoveryManager::ClearRequests() {
    m_sweep.reset();
    m_requests.clear();
    m_requests.shrink_to_fit();
    m_endedBroadcast = false;
    if (m_diagnosis) {
        m_diagnosis->SearchEnded();  // stopped: nothing to tell of a search cut short
    }
}

void DiscoveryManager::CloseSocket() {
    m_socket->Close();
}

void DiscoveryManager::OnReceive(int error) {
    if (error == ENETDOWN) {
        m_socket->Close();
        m_recreate = true;
        return;
    }
    // Several datagrams per readiness report, so that a burst of replies is taken from
    // the socket's buffer before the kernel has to drop any; the rest are reported again.
    std::vector<uint8_t> buffer(kReplyBufferSize, 0);
    for (int count = 0; count < kDatagramsPerEvent && m_socket->IsOpen(); ++count) {
        std::string sender;
        uint16_t senderPort = 0;
        const int received =
            m_socket->ReceiveFrom(buffer.data(), buffer.size(), sender, senderPort);
        if (received < 0) {
            const int failure = m_socket->LastError();
            if (failure == EAGAIN || failure == EWOULDBLOCK || failure == EINTR) {
                return;  // nothing (more) to read: nothing is wrong
            }
            if (failure == EMSGSIZE) {
                continue;  // longer than any reply; the receive has taken it off the socket
            }
            // The socket itself failed: the next send makes a new one.
            m_socket->Close();
            m_recreate = true;
            return;
        }
        // Any host on the LAN can send anything to the discovery port. What is not a
        // reply (an empty datagram, one too short, our own request) is passed over and the
        // socket goes on receiving, so such a datagram cannot hide the replies after it.
        // The first reply of a device wins. The MACs come formatted in upper case, so a set
        // of them applies the duplicate rule without scanning the whole list for every
        // reply, which a flood of replies would turn into quadratic time.
        if (m_diagnosis && static_cast<size_t>(received) >= kMinimumReplySize) {
            if (const std::optional<Ipv4> from = ParseIpv4(sender)) {
                m_diagnosis->AnswerReceived(*from);
            }
        }
        auto device = ParseSearchReply(buffer.data(), static_cast<size_t>(received), {});
        if (device && m_knownMacs.insert(device->mac).second) {
            m_devices.push_back(std::move(*device));
        }
    }
}

void DiscoveryManager::OnClose(int /*error*/) {
    m_recreate = true;
}

void DiscoveryManager::OnOutOfBandData(int /*error*/) {
    m_recreate = true;
}
