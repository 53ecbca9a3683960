#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "discovery/address_sweep.h"
#include "discovery/datagram.h"
#include "discovery/firewall_diagnosis.h"
#include "platform/async_socket.h"
#include "platform/tick_clock.h"

// Owns the discovery socket, the queue of search requests and the list of devices that
// answered. The owner runs a 300 ms timer that calls OnDiscoveryTimer(kTimerId); each
// queued search then broadcasts the request three times, more than 750 ms apart, or, for
// a search at an address or a block of them, sends it to each address at the same pace
// (AddressSweep). Replies are collected as they arrive, whichever search drew them, into
// one list with one row per device. Everything runs on the event loop's thread; the
// owner stops its timer before destroying the manager.
class DiscoveryManager : public IAsyncSocketEvents {
public:
    static constexpr int kTimerId = 9997;
    static constexpr uint32_t kTimerPeriodMs = 300;
    static constexpr int kSendsPerSearch = 3;
    static constexpr uint32_t kSendIntervalMs = 750;
    // Datagrams read per readiness report at most, so that a flood cannot hold the thread.
    static constexpr int kDatagramsPerEvent = 64;

    DiscoveryManager(ISocketFactory& sockets, ITickClock& clock);
    ~DiscoveryManager() override;

    DiscoveryManager(const DiscoveryManager&) = delete;
    DiscoveryManager& operator=(const DiscoveryManager&) = delete;

    // Queues a search under `name` and empties the device list, so the new search starts
    // from nothing (late replies of an earlier search land in the new list). Returns 1.
    int QueueSearch(const std::wstring& name);
    // Queues a search at `target` under `name`. The device list is kept: what answers
    // joins it, one row per device, so a device found by address adds to a broadcast
    // search's finds (ClearDevices first for a list of this search's finds only).
    // Returns 1.
    int QueueAddressSearch(const std::wstring& name, const SearchTarget& target);
    // Searches queued or running; 0 when the last one has ended.
    int GetRequestCount() const;
    int GetDeviceCount() const;
    // A copy of device `index`; throws std::out_of_range outside 0 .. count - 1.
    FoundDevice GetDevice(int index) const;

    // One step of the head request: wait, send, or end it after its last wait.
    void OnDiscoveryTimer(int timerId);
    // Broadcasts one search request for `target`, creating the socket first if needed.
    void SendSearch(const uint8_t target[6]);
    // Sends one search request for all devices to `address` as unicast; false when the
    // socket refused it for now (its send buffer is full).
    bool SendSearchTo(Ipv4 address);
    void ClearDevices();
    void ClearRequests();
    void CloseSocket();

    // Watches every search from now on for answers that reached the PC but not the
    // discovery socket (FirewallDiagnosis); nullptr (no rights to watch) leaves searches
    // as they are.
    void WatchForDroppedAnswers(std::unique_ptr<IAnswerWatch> watch);
    // Of the searches that ended last (the queue became empty): how many repeaters'
    // answers this PC's firewall dropped; 0 when none, or when searches are not watched.
    uint32_t DroppedAnswers() const { return m_droppedAnswers; }
    // The line to show for them, with the command that lets them in; empty when none.
    std::wstring DroppedAnswersNote() const;
    // After a broadcast search that found nothing while no watch counted the answers (the
    // user may not watch, or the watch could not run): the line that names the active
    // firewall front end as the likely cause, with its command; empty when neither ufw is
    // enabled nor firewalld runs, and after any other search.
    std::wstring LikelyFirewallNote() const;
    // How the firewall front ends are read for the two lines above (ReadHostFirewall of
    // the host's own files unless told otherwise).
    void SetFirewallReader(std::function<HostFirewallState()> reader);

    // IAsyncSocketEvents
    void OnReceive(int error) override;
    void OnClose(int error) override;
    void OnOutOfBandData(int error) override;

private:
    bool EnsureSocket();
    // One step of the head request when it searches at addresses.
    void StepAddressSearch();
    void SearchQueued();
    // Removes the head request, which has ended.
    void EndHeadRequest();

    ITickClock& m_clock;
    std::unique_ptr<IAsyncSocket> m_socket;
    // The socket must be (re)created before the next send.
    bool m_recreate = true;
    std::vector<SearchRequest> m_requests;
    // The schedule of the head request while it searches at addresses.
    std::unique_ptr<AddressSweep> m_sweep;
    std::vector<FoundDevice> m_devices;
    std::unordered_set<std::wstring> m_knownMacs;  // the MACs of m_devices
    std::unique_ptr<FirewallDiagnosis> m_diagnosis;
    uint32_t m_droppedAnswers = 0;
    // Of the searches that ended last: whether a watch counted their answers, and whether
    // the last of them was a broadcast.
    bool m_answersCounted = false;
    bool m_endedBroadcast = false;
    std::function<HostFirewallState()> m_readFirewall;
};
