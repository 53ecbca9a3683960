#pragma once

#include <QRect>

#include <array>
#include <cstdint>
#include <string>

#include "controls/pt_picture.h"
#include "window/dialog_window.h"

class CDeviceList;
class CPTButton;
class CPTLabel;
class QPushButton;

// The first page: searches the LAN for repeaters, lists those that answered (MAC and IP
// address) and connects to the one the user picks. Every time the page is shown it starts
// a new search; the result label then grows by two dots every 600 ms until the search
// has ended and shows how many repeaters answered.
class CSearchDlg : public CDialogWindow {
    Q_OBJECT

public:
    static constexpr int kSearchTimerId = 1;
    static constexpr uint32_t kSearchTimerMs = 600;
    // Menu entries from "Locate" to "Reset"; only "Locate" is enabled on this page.
    static constexpr int kMenuItemCount = 7;

    explicit CSearchDlg(QWidget* parent = nullptr);

    // Empties the list and queues a search; Scan and Connect stay disabled until it ends.
    void StartSearch();
    // Copies the selected row into the selected-device record and opens the wizard; does
    // nothing while no row is selected.
    void ConnectSelectedDevice();

    // The text the result label shows; put back into it on every repaint.
    const std::wstring& StatusText() const { return m_strStatus; }

    CDeviceList* DeviceList() const { return m_list; }
    CPTLabel* ResultLabel() const { return m_result; }
    QPushButton* ScanButton() const { return m_scan; }
    QPushButton* ConnectButton() const { return m_connect; }
    CPTButton* MenuItem(int index) const { return m_menu.at(static_cast<size_t>(index)); }
    CPTButton* CloseControl() const { return m_close; }
    CPTButton* MinimizeControl() const { return m_minimize; }

protected:
    void OnInitDialog() override;
    void OnShowWindow(bool show) override;
    void OnTimer(int id) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnSearchTimer();
    void ListDevices();
    void SetStatus(const std::wstring& text);
    void UpdateConnectButton();

    CPTPicture m_background;
    CDeviceList* m_list;
    std::wstring m_strStatus;
    CPTLabel* m_result;
    std::array<CPTButton*, kMenuItemCount> m_menu{};
    QPushButton* m_scan;
    QPushButton* m_connect;
    CPTButton* m_close;
    CPTButton* m_minimize;
    // The result label's rectangle, repainted (background first) whenever its text changes.
    QRect m_labelRect;
};
