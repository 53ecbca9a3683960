#include "discovery/ui/search_dlg.h"

#include <QPainter>
#include <QPushButton>

#include "app/globals.h"
#include "app/tamsel_dlg.h"
#include "controls/pt_button.h"
#include "controls/pt_label.h"
#include "discovery/udp_manager.h"
#include "discovery/ui/device_list.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/selected_device.h"
#include "window/control_layout.h"

namespace {

constexpr int kBackgroundId = 133;

// Control ids of the page.
constexpr int kCloseId = 1018;
constexpr int kMinimizeId = 1185;
constexpr int kFirstMenuId = 1110;

// String ids: layout rectangles, texts.
constexpr int kMenuRects[CSearchDlg::kMenuItemCount] = {
    kRectMenuLocate,   kRectMenuRepeater, kRectMenuIpAddress, kRectMenuWireless,
    kRectMenuFirmware, kRectMenuPassword, kRectMenuReset};
// The menu pictures: "Locate" as the entry of the page being shown, the others plain.
constexpr int kMenuImages[CSearchDlg::kMenuItemCount] = {220, 223, 218, 227, 216, 221, 225};

const wchar_t* const kSearchSearchName = L"1";

std::wstring WithoutLineBreaks(std::wstring text) {
    std::erase_if(text, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    return text;
}

}  // namespace

CSearchDlg::CSearchDlg(QWidget* parent)
    : CDialogWindow(parent),
      m_list(new CDeviceList(this)),
      m_result(new CPTLabel(this)),
      m_scan(new QPushButton(QString::fromStdWString(LoadString(kTextScan)), this)),
      m_connect(new QPushButton(QString::fromStdWString(LoadString(kTextConnect)), this)),
      m_close(new CPTButton(kCloseId, this)),
      m_minimize(new CPTButton(kMinimizeId, this)) {
    for (int i = 0; i < kMenuItemCount; ++i) {
        m_menu[static_cast<size_t>(i)] = new CPTButton(kFirstMenuId + i, this);
    }
    connect(m_scan, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { ConnectSelectedDevice(); });
    connect(m_close, &CPTButton::clicked, this, [] { CloseMainWindow(); });
    connect(m_minimize, &CPTButton::clicked, this, [] { MinimizeMainWindow(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { UpdateConnectButton(); });
}

void CSearchDlg::OnInitDialog() {
    m_background.Load(kBackgroundId);

    PlaceControl(m_minimize, kRectMinimize);
    m_minimize->SetImages(146, 147, 146);
    PlaceControl(m_close, kRectClose);
    m_close->SetImages(150, 151, 150);
    PlaceControl(m_list, kRectSearchList);
    PlaceControl(m_scan, kRectSearchScan);
    PlaceControl(m_connect, kRectSearchConnect);
    PlaceControl(m_result, kRectSearchResult);
    m_labelRect = m_result->geometry();
    for (int i = 0; i < kMenuItemCount; ++i) {
        CPTButton* item = m_menu[static_cast<size_t>(i)];
        PlaceControl(item, kMenuRects[i]);
        item->SetImages(kMenuImages[i], kMenuImages[i], kMenuImages[i]);
        // "Locate" stays enabled but does nothing here: this page is where it leads.
        item->setEnabled(i == 0);
    }
    m_list->SizeColumns();
}

void CSearchDlg::OnShowWindow(bool show) {
    if (show) {
        StartSearch();
    }
}

void CSearchDlg::OnTimer(int /*id*/) {
    OnSearchTimer();
}

void CSearchDlg::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_background.Draw(painter);
    m_result->SetWindowText(m_strStatus);
}

void CSearchDlg::StartSearch() {
    SetStatus(LoadString(kTextSearching));
    m_connect->setEnabled(false);
    if (G_pUDPManager != nullptr) {
        G_pUDPManager->QueueSearch(kSearchSearchName);
    }
    SetTimer(kSearchTimerId, kSearchTimerMs);
    m_scan->setEnabled(false);
    m_list->setRowCount(0);
}

void CSearchDlg::OnSearchTimer() {
    SetStatus(m_result->WindowText() + L"..");
    if (G_pUDPManager == nullptr) {
        KillTimer(kSearchTimerId);
        return;
    }
    if (G_pUDPManager->GetRequestCount() != 0) {
        return;  // still searching
    }
    KillTimer(kSearchTimerId);
    ListDevices();
    m_scan->setEnabled(true);
}

void CSearchDlg::ListDevices() {
    const int count = G_pUDPManager->GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        m_list->AddDevice(G_pUDPManager->GetDevice(i));
    }
    if (count == 0) {
        SetStatus(LoadString(kTextNoneFound));
    } else if (count == 1) {
        SetStatus(LoadString(kTextOneFound));
    } else {
        SetStatus(std::to_wstring(count) + L" " + LoadString(kTextManyFound));
    }
    if (count > 0) {
        m_list->SelectRow(0);
    }
    UpdateConnectButton();
}

void CSearchDlg::ConnectSelectedDevice() {
    const int row = m_list->SelectedRow();
    // Without a row there is no device: an empty model would read as an unsupported one
    // and end the program.
    if (row < 0) {
        return;
    }
    auto column = [this, row](int index) { return WithoutLineBreaks(m_list->Text(row, index)); };
    const std::wstring model = column(CDeviceList::kModel);
    const std::wstring ipAddress = column(CDeviceList::kIp);
    const std::wstring subnetMask = column(CDeviceList::kSubnet);
    SetSelectedDevice(column(CDeviceList::kUserName), column(CDeviceList::kPassword), ipAddress,
                      column(CDeviceList::kMac));
    if (G_pMainDlg == nullptr || !G_pMainDlg->OpenDeviceWizard(model, ipAddress, subnetMask)) {
        return;  // not a supported device: the program is closing
    }
    // Loading the device's settings behind the progress dialog belongs to the wizard.
}

void CSearchDlg::SetStatus(const std::wstring& text) {
    m_strStatus = text;
    m_result->SetWindowText(text);
    update(m_labelRect);
}

void CSearchDlg::UpdateConnectButton() {
    m_connect->setEnabled(m_list->SelectedRow() >= 0);
}
