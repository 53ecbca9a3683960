#include "discovery/ui/search_page.h"

#include <QLineEdit>
#include <QPushButton>

#include "controls/skin_images.h"
#include "controls/state_color_label.h"
#include "discovery/search_target.h"
#include "discovery/ui/device_list.h"
#include "discovery/ui/device_list_actions.h"
#include "discovery/ui/search_control_ids.h"
#include "discovery/ui/search_host.h"
#include "discovery/ui/search_layout.h"
#include "discovery/ui/search_note.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/selected_device.h"
#include "window/control_layout.h"
#include "window/enter_escape_filter.h"

namespace {

// Picture, control ids of "Locate", Close and Minimize, "Locate" as the page's own
// entry, its title, no device labels, and a menu that leads nowhere.
constexpr PageSkin kSkin{kSearchPagePicture,
                         kSearchMenuLocate,
                         kSearchClose,
                         kSearchMinimize,
                         MenuEntry::kLocate,
                         kTextPageSearch,
                         0,
                         0,
                         false};

// Dotted address and prefix: "255.255.255.255/32" and blanks around it.
constexpr int kAddressFieldLimit = 40;

}  // namespace

SearchPage::SearchPage(ISearchHost& host, QWidget* parent)
    : SkinnedPage(kSkin, parent),
      m_host(host),
      m_search(host),
      m_list(new DeviceList(this)),
      m_result(new StateColorLabel(this)),
      m_scan(new QPushButton(Text(kTextScan), this)),
      m_connect(new QPushButton(Text(kTextConnect), this)),
      m_address(new QLineEdit(this)),
      m_searchAddress(new QPushButton(Text(kTextSearchAddress), this)),
      m_note(std::make_unique<SearchNote>(this)),
      m_actions(
          new DeviceListActions(*m_list, m_search.Devices(), *m_connect, *m_note, host, this)) {
    NameControl(m_list, kSearchList, kTextDeviceListName, kTextDeviceListHelp);
    NameControl(m_result, kSearchResult, kTextSearchResult);
    m_result->setFocusPolicy(Qt::TabFocus);
    NameControl(m_scan, kSearchScan, kTextScan);
    NameControl(m_connect, kSearchConnect, kTextConnect);
    NameControl(m_address, kSearchAddressField, kTextAddressOrRange, kTextAddressFieldHelp);
    NameControl(m_searchAddress, kSearchAddressButton, kTextSearchAddress, kTextSearchAddressHelp);
    m_address->setMaxLength(kAddressFieldLimit);
    EnterEscapeFilter::LetEnterThrough(m_address);

    connect(m_scan, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { ConnectSelectedDevice(); });
    connect(m_searchAddress, &QPushButton::clicked, this, [this] { StartAddressSearch(); });
    connect(m_address, &QLineEdit::returnPressed, this, [this] {
        if (!m_search.Running()) {
            StartAddressSearch();
        }
    });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
}

SearchPage::~SearchPage() = default;

void SearchPage::SetLastRepeaterStore(LastRepeaterStore store) {
    m_search.SetLastRepeaterStore(std::move(store));
}

StateColorLabel* SearchPage::NoteLabel() const {
    return m_note->Label();
}

void SearchPage::LayOut() {
    PlaceControl(m_list, kSearchListRect);
    PlaceControl(m_scan, kSearchScanRect);
    PlaceControl(m_connect, kSearchConnectRect);
    PlaceControl(m_result, kSearchResultRect);
    PlaceControl(m_address, kSearchAddressRect);
    PlaceControl(m_searchAddress, kSearchAddressButtonRect);
    PlaceControl(m_note->Label(), kSearchNoteRect);
    m_labelRect = m_result->geometry();
    m_list->SizeColumns();
}

void SearchPage::OnTimer(int /*id*/) {
    OnSearchTimer();
}

void SearchPage::paintEvent(QPaintEvent* event) {
    SkinnedPage::paintEvent(event);
    m_result->SetWindowText(m_status);
}

void SearchPage::StartSearch() {
    m_list->setRowCount(0);
    m_search.StartBroadcast();
    BeginSearch();
}

bool SearchPage::StartAddressSearch() {
    const SearchTargetParse parsed = ParseSearchTarget(m_address->text().toStdWString());
    if (!parsed.target) {
        m_note->Show(parsed.reason);
        return false;
    }
    m_search.StartAt(*parsed.target);
    BeginSearch();
    return true;
}

void SearchPage::BeginSearch() {
    // What the note said belongs to the search before.
    m_note->Clear();
    SetStatus(LoadString(kTextSearching));
    SetTimer(kSearchTimerId, kSearchTimerMs);
    UpdateButtons();
}

void SearchPage::OnSearchTimer() {
    SetStatus(m_result->WindowText() + L"..");
    switch (m_search.Poll()) {
        case RepeaterSearch::Progress::kRunning:
            return;
        case RepeaterSearch::Progress::kStopped:
            KillTimer(kSearchTimerId);
            return;
        case RepeaterSearch::Progress::kEnded:
            KillTimer(kSearchTimerId);
            ListDevices();
            return;
    }
}

void SearchPage::ListDevices() {
    m_list->setRowCount(0);
    for (const FoundDevice& device : m_search.Devices()) {
        m_list->AddDevice(device);
    }
    SetStatus(m_search.ResultText());
    if (const std::optional<size_t> row = m_search.RowToSelect()) {
        m_list->SelectRow(static_cast<int>(*row));
    }
    m_note->Show(m_search.Note());
    UpdateButtons();
}

void SearchPage::ConnectSelectedDevice() {
    const int row = m_list->SelectedRow();
    // Without a row there is no device: an empty model would read as an unsupported one
    // and end the program.
    if (row < 0 || static_cast<size_t>(row) >= Devices().size()) {
        return;
    }
    // A copy: the search that the wizard's return starts replaces the devices.
    const FoundDevice device = Devices()[static_cast<size_t>(row)];
    IDeviceWizard* wizard = m_host.ConnectTo(device);
    if (wizard == nullptr) {
        return;  // not a supported device: the program is closing
    }
    // Only the address, to select it after the next search.
    m_search.RememberConnected(WithoutLineBreaks(device.mac));
    // LANINFO, an empty status record, "Loading...." until the reads have ended, then
    // the status summary page.
    wizard->LoadDeviceStatus();
}

void SearchPage::SetStatus(const std::wstring& text) {
    m_status = text;
    m_result->SetWindowText(text);
    update(m_labelRect);
}

void SearchPage::UpdateButtons() {
    const bool searching = m_search.Running();
    m_scan->setEnabled(!searching);
    m_searchAddress->setEnabled(!searching);
    m_connect->setEnabled(!searching && m_list->SelectedRow() >= 0);
}
