#include "discovery/ui/repeater_search.h"

#include "discovery/discovery_manager.h"
#include "discovery/search_scope.h"
#include "discovery/ui/search_host.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

const wchar_t* const kSearchName = L"1";

// The first device whose address lies in `target`: one that answered there, or was
// listed at that address before (the list holds one row per MAC address).
std::optional<size_t> FirstInTarget(const std::vector<FoundDevice>& devices,
                                    const SearchTarget& target) {
    const Ipv4 mask = PrefixToMask(target.prefixLength);
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::optional<Ipv4> address = ParseIpv4(devices[i].ip);
        if (address && SameSubnet(*address, target.network, mask)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

RepeaterSearch::RepeaterSearch(ISearchHost& host)
    : m_host(host), m_store(LastRepeaterStore::DefaultPath()) {}

void RepeaterSearch::StartBroadcast() {
    m_target.reset();
    m_devices.clear();
    if (DiscoveryManager* discovery = m_host.Discovery()) {
        discovery->QueueSearch(kSearchName);
    }
    m_running = true;
}

void RepeaterSearch::StartAt(const SearchTarget& target) {
    m_target = target;
    m_devicesBefore = m_devices.size();
    if (DiscoveryManager* discovery = m_host.Discovery()) {
        discovery->QueueAddressSearch(kSearchName, target);
    }
    m_running = true;
}

RepeaterSearch::Progress RepeaterSearch::Poll() {
    const DiscoveryManager* discovery = m_host.Discovery();
    if (discovery == nullptr) {
        return Progress::kStopped;
    }
    if (!m_running || discovery->GetRequestCount() != 0) {
        return Progress::kRunning;
    }
    m_running = false;
    m_devices.clear();
    for (int i = 0; i < discovery->GetDeviceCount(); ++i) {
        m_devices.push_back(discovery->GetDevice(i));
    }
    return Progress::kEnded;
}

std::wstring RepeaterSearch::ResultText() const {
    if (m_devices.empty()) {
        return LoadString(kTextNoneFound);
    }
    if (m_devices.size() == 1) {
        return LoadString(kTextOneFound);
    }
    return std::to_wstring(m_devices.size()) + L" " + LoadString(kTextManyFound);
}

std::optional<size_t> RepeaterSearch::AddressSearchFind() const {
    if (!m_target) {
        return std::nullopt;
    }
    if (const std::optional<size_t> inTarget = FirstInTarget(m_devices, *m_target)) {
        return inTarget;
    }
    // A device may report an address other than the one asked (a router that forwards
    // the port): what the search added answered it.
    if (m_devices.size() > m_devicesBefore) {
        return m_devicesBefore;
    }
    return std::nullopt;
}

std::optional<size_t> RepeaterSearch::RowToSelect() const {
    if (m_devices.empty()) {
        return std::nullopt;
    }
    if (const std::optional<size_t> found = AddressSearchFind()) {
        return found;
    }
    return ::RowToSelect(m_devices, m_store.Load()).value_or(0);
}

std::wstring RepeaterSearch::Note() const {
    const DiscoveryManager* discovery = m_host.Discovery();
    if (discovery == nullptr) {
        return std::wstring();
    }
    const std::wstring dropped = discovery->DroppedAnswersNote();
    if (!dropped.empty()) {
        // Why the list lacks repeaters that answered: more to the point than where the
        // search went.
        return dropped;
    }
    if (m_target) {
        return AddressSearchFind() ? std::wstring() : ExplainNothingFoundAt(*m_target);
    }
    return m_devices.empty() ? NothingFoundNote() : std::wstring();
}

std::wstring RepeaterSearch::NothingFoundNote() const {
    const std::optional<std::vector<AdapterInfo>> adapters = m_host.ReadAdapters();
    // Without the adapters there is nothing true to say of where the search went.
    std::wstring note = adapters ? ExplainNothingFound(DescribeBroadcastScope(*adapters),
                                                       LoadString(kTextAddressSearchHint))
                                 : LoadString(kTextNoneAnswered);
    const std::wstring firewall = m_host.Discovery()->LikelyFirewallNote();
    if (!firewall.empty()) {
        note += L" " + firewall;
    }
    return note;
}
