#pragma once

#include <QMenu>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "discovery/datagram.h"
#include "discovery/device_export.h"
#include "discovery/last_repeater.h"
#include "discovery/search_target.h"
#include "platform/host_network.h"
#include "window/skinned_page.h"

class CDeviceList;
class CPTLabel;
class QLineEdit;
class QPushButton;
class WebPageOpener;

// The first page: searches the LAN for repeaters, lists those that answered (MAC and IP
// address) and connects to the one the user picks. Every time the page is shown it starts
// a new search; the result label then grows by two dots every 600 ms until the search
// has ended and shows how many repeaters answered. Its menu is only a picture: "Locate"
// shows as the page's own entry, the others are disabled.
//
// A search at an address or a block of them (the address field, Search address or Enter
// in the field) reaches repeaters that a broadcast does not: what answers joins the list.
// The note under the list says what a search did when it found nothing, or that the PC's
// firewall dropped answers. The list offers, by its menu (right click, the menu key or
// Shift+F10) and by keys: Open web page (Ctrl+O), Copy (Ctrl+C), Export list and Connect.
// After a search the repeater last connected to is selected again when it answered.
class CSearchDlg : public CSkinnedPage {
    Q_OBJECT

public:
    static constexpr int kSearchTimerId = 1;
    static constexpr uint32_t kSearchTimerMs = 600;

    using AdapterReader = std::function<std::optional<std::vector<AdapterInfo>>()>;

    explicit CSearchDlg(QWidget* parent = nullptr);
    ~CSearchDlg() override;

    // How the page reads the PC's adapters, to say where a search went; without one the
    // note names no adapter.
    void SetAdapterReader(AdapterReader reader) { m_readAdapters = std::move(reader); }
    // Where the repeater connected to is remembered (LastRepeaterStore::DefaultPath() by
    // default).
    void SetLastRepeaterStore(LastRepeaterStore store) { m_store = std::move(store); }

    // Empties the list and queues a search; Scan and Connect stay disabled until it ends.
    void StartSearch();
    // Queues a search at the address or block in the address field; a text that is none
    // leaves the list as it is and the note says why. False when nothing was queued.
    bool StartAddressSearch();
    // Copies the selected row into the selected-device record, opens the wizard and has it
    // load the device's settings behind the progress dialog; does nothing while no row is
    // selected. The device's MAC address is remembered.
    void ConnectSelectedDevice();

    // The list's actions on the selected row (nothing without one).
    void CopySelectedDevice();
    void OpenSelectedWebPage();
    // Asks for a file (CSV or JSON by its filter or extension) and writes the list to it.
    void ExportList();
    // Writes the list to `path` whole, or not at all; a failure is shown in a notice.
    bool ExportListTo(const QString& path, DeviceListFormat format);
    // Shows the list's menu at `globalPos`; null when there is no menu.
    QMenu* ShowDeviceMenu(QPoint globalPos);

    // The text the result label shows; put back into it on every repaint.
    const std::wstring& StatusText() const { return m_strStatus; }
    // The devices of the list, in its row order.
    const std::vector<_STRU_AP_INFO>& Devices() const { return m_devices; }

    CDeviceList* DeviceList() const { return m_list; }
    CPTLabel* ResultLabel() const { return m_result; }
    CPTLabel* NoteLabel() const { return m_note; }
    QPushButton* ScanButton() const { return m_scan; }
    QPushButton* ConnectButton() const { return m_connect; }
    QLineEdit* AddressField() const { return m_address; }
    QPushButton* SearchAddressButton() const { return m_searchAddress; }
    // The list's menu while it is up.
    QMenu* DeviceMenu() const { return m_menu; }
    WebPageOpener& Opener() const { return *m_opener; }

protected:
    void LayOut() override;
    void OnShown() override { StartSearch(); }
    void OnTimer(int id) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BeginSearch();
    void OnSearchTimer();
    void ListDevices();
    // After a search at an address: the row of the device found there (the first in the
    // block, else the first the search added); nullopt when none answered.
    std::optional<size_t> AddressSearchFind() const;
    // The row to select after a search: what an address search found, else the
    // remembered repeater, else the first.
    int RowToSelectAfterSearch() const;
    // What the note says after a search: dropped answers, else why nothing was found,
    // else the page's hint.
    std::wstring NoteAfterSearch() const;
    // The PC's adapters through the reader; nullopt without one, or when reading failed.
    std::optional<std::vector<AdapterInfo>> ReadAdapters() const;
    void SetStatus(const std::wstring& text);
    void SetNote(const std::wstring& text);
    void UpdateButtons();
    const _STRU_AP_INFO* SelectedDevice() const;

    CDeviceList* m_list;
    std::wstring m_strStatus;
    CPTLabel* m_result;
    QPushButton* m_scan;
    QPushButton* m_connect;
    QLineEdit* m_address;
    QPushButton* m_searchAddress;
    CPTLabel* m_note;
    WebPageOpener* m_opener;
    QPointer<QMenu> m_menu;
    // The result label's rectangle, repainted (background first) whenever its text changes.
    QRect m_labelRect;

    std::vector<_STRU_AP_INFO> m_devices;
    bool m_searching = false;
    // The running or last search's block; nullopt for a broadcast search.
    std::optional<SearchTarget> m_target;
    // How many devices the list held when the address search started.
    size_t m_devicesBefore = 0;
    LastRepeaterStore m_store;
    AdapterReader m_readAdapters;
};
