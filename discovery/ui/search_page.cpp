#include "discovery/ui/search_page.h"

#include <QPushButton>

#include "controls/pt_label.h"
#include "discovery/udp_manager.h"
#include "discovery/ui/device_list.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/selected_device.h"
#include "window/control_layout.h"
#include "window/page_navigation.h"
#include "window/shell_globals.h"

namespace {

// Picture, control ids of "Locate", Close and Minimize, "Locate" as the page's own
// entry, its title, no device labels, and a menu that leads nowhere.
constexpr PageSkin kSkin{133, 1110, 1018, 1185, MenuEntry::kLocate, kTextPageSearch, 0, 0, false};

const wchar_t* const kSearchSearchName = L"1";

std::wstring WithoutLineBreaks(std::wstring text) {
    std::erase_if(text, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    return text;
}

}  // namespace

CSearchDlg::CSearchDlg(QWidget* parent)
    : CSkinnedPage(kSkin, parent),
      m_list(new CDeviceList(this)),
      m_result(new CPTLabel(this)),
      m_scan(new QPushButton(Text(kTextScan), this)),
      m_connect(new QPushButton(Text(kTextConnect), this)) {
    NameControl(m_list, 1001, kTextDeviceListName);
    NameControl(m_result, 1065, kTextSearchResult);
    m_result->setFocusPolicy(Qt::TabFocus);
    NameControl(m_scan, 3, kTextScan);
    NameControl(m_connect, 1118, kTextConnect);
    connect(m_scan, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { ConnectSelectedDevice(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { UpdateConnectButton(); });
}

void CSearchDlg::LayOut() {
    PlaceControl(m_list, kRectSearchList);
    PlaceControl(m_scan, kRectSearchScan);
    PlaceControl(m_connect, kRectSearchConnect);
    PlaceControl(m_result, kRectSearchResult);
    m_labelRect = m_result->geometry();
    m_list->SizeColumns();
}

void CSearchDlg::OnTimer(int /*id*/) {
    OnSearchTimer();
}

void CSearchDlg::paintEvent(QPaintEvent* event) {
    CSkinnedPage::paintEvent(event);
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
    IDeviceWizard* wizard = OpenDeviceWizard(model, ipAddress, subnetMask);
    if (wizard == nullptr) {
        return;  // not a supported device: the program is closing
    }
    // LANINFO, an empty status record, "Loading...." until the reads have ended, then
    // the status summary page.
    wizard->LoadDeviceStatus();
}

void CSearchDlg::SetStatus(const std::wstring& text) {
    m_strStatus = text;
    m_result->SetWindowText(text);
    update(m_labelRect);
}

void CSearchDlg::UpdateConnectButton() {
    m_connect->setEnabled(m_list->SelectedRow() >= 0);
}
