#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "discovery/datagram.h"
#include "discovery/last_repeater.h"
#include "discovery/search_target.h"

class ISearchHost;

// The search page's searches, through the host's discovery manager: a broadcast, or a
// search at an address or block that the user typed. It follows a search to its end, keeps
// what the manager found as the devices of the page's list (their logins with them, for
// Connect; the list itself shows only what the user sees), and tells what the search did:
// the result line, the row to select and the note under the list.
class RepeaterSearch {
public:
    enum class Progress {
        kRunning,
        kEnded,    // just now: Devices() holds the finds
        kStopped,  // the program's teardown has removed the manager
    };

    explicit RepeaterSearch(ISearchHost& host);

    // Where the repeater connected to is remembered (LastRepeaterStore::DefaultPath() by
    // default).
    void SetLastRepeaterStore(LastRepeaterStore store) { m_store = std::move(store); }
    // Remembers the repeater with MAC address `mac` as the one connected to; a failure to
    // write it costs nothing but its selection after the next search.
    void RememberConnected(const std::wstring& mac) const { m_store.Save(mac); }

    // Empties the devices and queues a broadcast search.
    void StartBroadcast();
    // Queues a search at `target`; the devices stay, and what answers joins them.
    void StartAt(const SearchTarget& target);
    bool Running() const { return m_running; }
    // Looks whether the running search has ended (on the page's timer).
    Progress Poll();

    // The devices of the list, in its row order.
    const std::vector<FoundDevice>& Devices() const { return m_devices; }

    // After a search: how many repeaters the list holds ("2 Ranveils Found !").
    std::wstring ResultText() const;
    // The row to select: what a search at an address found, else the remembered
    // repeater, else the first; nullopt for an empty list.
    std::optional<size_t> RowToSelect() const;
    // The note after a search: the firewall's dropped answers; after a search that found
    // nothing, why (where it went, the PC's firewall as the likely cause); nothing after
    // one that found what it looked for.
    std::wstring Note() const;

private:
    // After a search at an address: the row of the device found there (the first in the
    // block, else the first the search added); nullopt when none answered.
    std::optional<size_t> AddressSearchFind() const;
    // Why a broadcast search found nothing.
    std::wstring NothingFoundNote() const;

    ISearchHost& m_host;
    LastRepeaterStore m_store;
    std::vector<FoundDevice> m_devices;
    bool m_running = false;
    // The running or last search's block; nullopt for a broadcast search.
    std::optional<SearchTarget> m_target;
    // How many devices the list held when the address search started.
    size_t m_devicesBefore = 0;
};
