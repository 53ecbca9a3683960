#pragma once

#include <QRect>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "discovery/datagram.h"
#include "discovery/last_repeater.h"
#include "discovery/ui/repeater_search.h"
#include "window/skinned_page.h"

class DeviceList;
class StateColorLabel;
class DeviceListActions;
class ISearchHost;
class QLineEdit;
class QPushButton;
class SearchNote;

// The first page: searches the LAN for repeaters, lists those that answered (MAC and IP
// address) and connects to the one the user picks. Every time the page is shown it starts
// a new search; the result label then grows by two dots every 600 ms until the search
// has ended and shows how many repeaters answered. Its menu is only a picture: "Locate"
// shows as the page's own entry, the others are disabled.
//
// A search at an address or a block of them (the address field, Search address or Enter
// in the field) reaches repeaters that a broadcast does not: what answers joins the list.
// After a search the repeater last connected to is selected again when it answered.
//
// The page lays its controls out and puts together three parts with one job each: the
// searches (RepeaterSearch), what the list offers (DeviceListActions: web page, copy,
// export, its menu) and the note under the list (SearchNote). It reaches the program
// through its host.
class SearchPage : public SkinnedPage {
    Q_OBJECT

public:
    static constexpr int kSearchTimerId = 1;
    static constexpr uint32_t kSearchTimerMs = 600;

    explicit SearchPage(ISearchHost& host, QWidget* parent = nullptr);
    ~SearchPage() override;

    // Where the repeater connected to is remembered (LastRepeaterStore::DefaultPath() by
    // default).
    void SetLastRepeaterStore(LastRepeaterStore store);

    // Empties the list and queues a search; Scan and Connect stay disabled until it ends.
    void StartSearch();
    // Queues a search at the address or block in the address field; a text that is none
    // leaves the list as it is and the note says why. False when nothing was queued.
    bool StartAddressSearch();
    // Has the host connect to the selected row's device, as the search found it, and the
    // wizard it opens load the device's settings behind the progress dialog; does nothing
    // while no row is selected. The device's MAC address is remembered.
    void ConnectSelectedDevice();

    // The text the result label shows; put back into it on every repaint.
    const std::wstring& StatusText() const { return m_status; }
    // The devices of the list, in its row order.
    const std::vector<FoundDevice>& Devices() const { return m_search.Devices(); }
    DeviceListActions& ListActions() const { return *m_actions; }

    DeviceList* DeviceTable() const { return m_list; }
    StateColorLabel* ResultLabel() const { return m_result; }
    StateColorLabel* NoteLabel() const;
    QPushButton* ScanButton() const { return m_scan; }
    QPushButton* ConnectButton() const { return m_connect; }
    QLineEdit* AddressField() const { return m_address; }
    QPushButton* SearchAddressButton() const { return m_searchAddress; }

protected:
    void LayOut() override;
    void OnShown() override { StartSearch(); }
    void OnTimer(int id) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BeginSearch();
    void OnSearchTimer();
    void ListDevices();
    void SetStatus(const std::wstring& text);
    void UpdateButtons();

    ISearchHost& m_host;
    RepeaterSearch m_search;
    DeviceList* m_list;
    std::wstring m_status;
    StateColorLabel* m_result;
    QPushButton* m_scan;
    QPushButton* m_connect;
    QLineEdit* m_address;
    QPushButton* m_searchAddress;
    std::unique_ptr<SearchNote> m_note;
    DeviceListActions* m_actions;
    // The result label's rectangle, repainted (background first) whenever its text changes.
    QRect m_labelRect;
};
