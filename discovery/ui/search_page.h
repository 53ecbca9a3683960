#pragma once

#include <QRect>

#include <cstdint>
#include <string>

#include "window/skinned_page.h"

class CDeviceList;
class CPTLabel;
class QPushButton;

// The first page: searches the LAN for repeaters, lists those that answered (MAC and IP
// address) and connects to the one the user picks. Every time the page is shown it starts
// a new search; the result label then grows by two dots every 600 ms until the search
// has ended and shows how many repeaters answered. Its menu is only a picture: "Locate"
// shows as the page's own entry, the others are disabled.
class CSearchDlg : public CSkinnedPage {
    Q_OBJECT

public:
    static constexpr int kSearchTimerId = 1;
    static constexpr uint32_t kSearchTimerMs = 600;

    explicit CSearchDlg(QWidget* parent = nullptr);

    // Empties the list and queues a search; Scan and Connect stay disabled until it ends.
    void StartSearch();
    // Copies the selected row into the selected-device record, opens the wizard and has it
    // load the device's settings behind the progress dialog; does nothing while no row is
    // selected.
    void ConnectSelectedDevice();

    // The text the result label shows; put back into it on every repaint.
    const std::wstring& StatusText() const { return m_strStatus; }

    CDeviceList* DeviceList() const { return m_list; }
    CPTLabel* ResultLabel() const { return m_result; }
    QPushButton* ScanButton() const { return m_scan; }
    QPushButton* ConnectButton() const { return m_connect; }

protected:
    void LayOut() override;
    void OnShown() override { StartSearch(); }
    void OnTimer(int id) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnSearchTimer();
    void ListDevices();
    void SetStatus(const std::wstring& text);
    void UpdateConnectButton();

    CDeviceList* m_list;
    std::wstring m_strStatus;
    CPTLabel* m_result;
    QPushButton* m_scan;
    QPushButton* m_connect;
    // The result label's rectangle, repainted (background first) whenever its text changes.
    QRect m_labelRect;
};
