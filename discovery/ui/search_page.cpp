#include "discovery/ui/search_page.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>

#include "controls/pt_label.h"
#include "discovery/search_scope.h"
#include "discovery/udp_manager.h"
#include "discovery/ui/device_list.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/selected_device.h"
#include "web/web_manager.h"
#include "window/control_layout.h"
#include "window/enter_escape_filter.h"
#include "window/notice_box.h"
#include "window/page_navigation.h"
#include "window/shell_globals.h"
#include "window/web_page_opener.h"

namespace {

// Picture, control ids of "Locate", Close and Minimize, "Locate" as the page's own
// entry, its title, no device labels, and a menu that leads nowhere.
constexpr PageSkin kSkin{133, 1110, 1018, 1185, MenuEntry::kLocate, kTextPageSearch, 0, 0, false};

const wchar_t* const kSearchSearchName = L"1";

constexpr int kAddressFieldId = 1201;
constexpr int kSearchAddressId = 1202;
constexpr int kNoteId = 1203;
// Dotted address and prefix: "255.255.255.255/32" and blanks around it.
constexpr int kAddressFieldLimit = 40;
constexpr int kNotePixelSize = 11;
// The page picture's caption colour: dark enough for small text on white.
constexpr QRgb kNoteColor = 0x46566a;

std::wstring WithoutLineBreaks(std::wstring text) {
    std::erase_if(text, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    return text;
}

bool IsMenuKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Menu ||
           (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

// The PC's address in the subnet of `device`, through which a browser reaches it without
// help; null when it has none.
const AdapterAddress* AddressInSubnetOf(Ipv4 device, const std::vector<AdapterInfo>& adapters) {
    for (const AdapterInfo& adapter : adapters) {
        for (const AdapterAddress& address : adapter.addresses) {
            if (address.mask != 0 && SameSubnet(device, address.address, address.mask)) {
                return &address;
            }
        }
    }
    return nullptr;
}

// The first device whose address lies in `target`: one that answered there, or was
// listed at that address before (the list holds one row per MAC address).
std::optional<size_t> FirstInTarget(const std::vector<_STRU_AP_INFO>& devices,
                                    const SearchTarget& target) {
    const Ipv4 mask = PrefixToMask(target.prefixLength);
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::optional<Ipv4> address = ParseIpv4(devices[i].strDevIP);
        if (address && SameSubnet(*address, target.network, mask)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

CSearchDlg::CSearchDlg(QWidget* parent)
    : CSkinnedPage(kSkin, parent),
      m_list(new CDeviceList(this)),
      m_result(new CPTLabel(this)),
      m_scan(new QPushButton(Text(kTextScan), this)),
      m_connect(new QPushButton(Text(kTextConnect), this)),
      m_address(new QLineEdit(this)),
      m_searchAddress(new QPushButton(Text(kTextSearchAddress), this)),
      m_note(new CPTLabel(this)),
      m_opener(new WebPageOpener(this)),
      m_store(LastRepeaterStore::DefaultPath()) {
    NameControl(m_list, 1001, kTextDeviceListName, kTextDeviceListHelp);
    NameControl(m_result, 1065, kTextSearchResult);
    m_result->setFocusPolicy(Qt::TabFocus);
    NameControl(m_scan, 3, kTextScan);
    NameControl(m_connect, 1118, kTextConnect);
    NameControl(m_address, kAddressFieldId, kTextAddressOrRange, kTextAddressFieldHelp);
    NameControl(m_searchAddress, kSearchAddressId, kTextSearchAddress, kTextSearchAddressHelp);
    NameControl(m_note, kNoteId, kTextSearchNoteName);
    m_note->setFocusPolicy(Qt::TabFocus);
    m_note->SetSingleLine(false);
    QFont noteFont = m_note->font();
    noteFont.setPixelSize(kNotePixelSize);
    m_note->setFont(noteFont);
    const QColor noteColor(kNoteColor);
    m_note->SetColors(noteColor, noteColor, noteColor, noteColor, noteColor);
    m_address->setMaxLength(kAddressFieldLimit);
    EnterEscapeFilter::LetEnterThrough(m_address);

    connect(m_scan, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { ConnectSelectedDevice(); });
    connect(m_searchAddress, &QPushButton::clicked, this, [this] { StartAddressSearch(); });
    connect(m_address, &QLineEdit::returnPressed, this, [this] {
        if (!m_searching) {
            StartAddressSearch();
        }
    });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { ShowDeviceMenu(m_list->viewport()->mapToGlobal(pos)); });
    m_list->installEventFilter(this);
}

CSearchDlg::~CSearchDlg() = default;

void CSearchDlg::LayOut() {
    PlaceControl(m_list, kRectSearchList);
    PlaceControl(m_scan, kRectSearchScan);
    PlaceControl(m_connect, kRectSearchConnect);
    PlaceControl(m_result, kRectSearchResult);
    PlaceControl(m_address, kRectSearchAddress);
    PlaceControl(m_searchAddress, kRectSearchAddressButton);
    PlaceControl(m_note, kRectSearchNote);
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

bool CSearchDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list || event->type() != QEvent::KeyPress) {
        return CSkinnedPage::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
        CopySelectedDevice();
    } else if (key->matches(QKeySequence::Open)) {
        OpenSelectedWebPage();
    } else if (IsMenuKey(*key)) {
        const int row = m_list->SelectedRow();
        const QRect cell = row >= 0 ? m_list->visualItemRect(m_list->item(row, 0)) : QRect();
        ShowDeviceMenu(
            m_list->viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(0, 0)));
    } else {
        return false;
    }
    return true;  // the list's own Copy would copy one cell only
}

void CSearchDlg::StartSearch() {
    m_target.reset();
    m_list->setRowCount(0);
    m_devices.clear();
    SetNote(LoadString(kTextSearchHintNote));
    if (G_pUDPManager != nullptr) {
        G_pUDPManager->QueueSearch(kSearchSearchName);
    }
    BeginSearch();
}

bool CSearchDlg::StartAddressSearch() {
    const SearchTargetParse parsed = ParseSearchTarget(m_address->text().toStdWString());
    if (!parsed.target) {
        SetNote(parsed.reason);
        return false;
    }
    m_target = parsed.target;
    m_devicesBefore = m_devices.size();
    SetNote(LoadString(kTextSearchHintNote));
    if (G_pUDPManager != nullptr) {
        G_pUDPManager->QueueAddressSearch(kSearchSearchName, *m_target);
    }
    BeginSearch();
    return true;
}

void CSearchDlg::BeginSearch() {
    m_searching = true;
    SetStatus(LoadString(kTextSearching));
    SetTimer(kSearchTimerId, kSearchTimerMs);
    UpdateButtons();
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
    m_searching = false;
    ListDevices();
}

void CSearchDlg::ListDevices() {
    const int count = G_pUDPManager->GetDeviceCount();
    m_devices.clear();
    m_list->setRowCount(0);
    for (int i = 0; i < count; ++i) {
        m_devices.push_back(G_pUDPManager->GetDevice(i));
        m_list->AddDevice(m_devices.back());
    }
    if (count == 0) {
        SetStatus(LoadString(kTextNoneFound));
    } else if (count == 1) {
        SetStatus(LoadString(kTextOneFound));
    } else {
        SetStatus(std::to_wstring(count) + L" " + LoadString(kTextManyFound));
    }
    if (count > 0) {
        m_list->SelectRow(RowToSelectAfterSearch());
    }
    SetNote(NoteAfterSearch());
    UpdateButtons();
}

std::optional<size_t> CSearchDlg::AddressSearchFind() const {
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

int CSearchDlg::RowToSelectAfterSearch() const {
    if (const std::optional<size_t> found = AddressSearchFind()) {
        return static_cast<int>(*found);
    }
    return static_cast<int>(RowToSelect(m_devices, m_store.Load()).value_or(0));
}

std::wstring CSearchDlg::NoteAfterSearch() const {
    const std::wstring dropped = G_pUDPManager->DroppedAnswersNote();
    if (!dropped.empty()) {
        // Why the list lacks repeaters that answered: more to the point than where the
        // search went.
        return dropped;
    }
    if (m_target) {
        if (!AddressSearchFind()) {
            return ExplainNothingFoundAt(*m_target);
        }
    } else if (m_devices.empty()) {
        const std::optional<std::vector<AdapterInfo>> adapters = ReadAdapters();
        return ExplainNothingFound(adapters ? DescribeBroadcastScope(*adapters) : SearchScope{},
                                   LoadString(kTextAddressSearchHint));
    }
    return LoadString(kTextSearchHintNote);
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
    const std::wstring mac = column(CDeviceList::kMac);
    SetSelectedDevice(column(CDeviceList::kUserName), column(CDeviceList::kPassword), ipAddress,
                      mac);
    IDeviceWizard* wizard = OpenDeviceWizard(model, ipAddress, subnetMask);
    if (wizard == nullptr) {
        return;  // not a supported device: the program is closing
    }
    // Only the address, to select it after the next search; a failure to write it costs
    // nothing but that.
    m_store.Save(mac);
    // LANINFO, an empty status record, "Loading...." until the reads have ended, then
    // the status summary page.
    wizard->LoadDeviceStatus();
}

const _STRU_AP_INFO* CSearchDlg::SelectedDevice() const {
    const int row = m_list->SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= m_devices.size()) {
        return nullptr;
    }
    return &m_devices[static_cast<size_t>(row)];
}

void CSearchDlg::CopySelectedDevice() {
    if (const _STRU_AP_INFO* device = SelectedDevice()) {
        QApplication::clipboard()->setText(QString::fromStdWString(DeviceRowText(*device)));
    }
}

void CSearchDlg::OpenSelectedWebPage() {
    const _STRU_AP_INFO* device = SelectedDevice();
    if (device == nullptr) {
        return;
    }
    const std::optional<Ipv4> address = ParseIpv4(device->strDevIP);
    if (!address || !m_opener->Open(*address)) {
        return;
    }
    // While the wizard is connected to this repeater, the temporary address it keeps is
    // what carries the browser there. That address is a /32 and lies in no subnet of the
    // adapters, so only the web queue can tell.
    if (G_pWEBManager != nullptr && ParseIpv4(G_mstrIPAddress) == address) {
        if (const std::optional<HostAddressContext> temp = G_pWEBManager->TempHostAddress()) {
            ShowNotice(this, FormatString(kTextWebPageTempAddress, {FormatIpv4(temp->address)}));
            return;
        }
    }
    const std::optional<std::vector<AdapterInfo>> adapters = ReadAdapters();
    if (adapters && AddressInSubnetOf(*address, *adapters) == nullptr) {
        SetNote(FormatString(kTextWebPageOtherSubnet, {FormatIpv4(*address)}));
    }
}

std::optional<std::vector<AdapterInfo>> CSearchDlg::ReadAdapters() const {
    if (!m_readAdapters) {
        return std::nullopt;
    }
    return m_readAdapters();
}

void CSearchDlg::ExportList() {
    if (m_devices.empty()) {
        return;
    }
    const QString csv = Text(kTextExportCsvFilter);
    const QString json = Text(kTextExportJsonFilter);
    auto* dialog = new QFileDialog(this, Text(kTextExportTitle));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({csv, json});
    dialog->selectFile(QStringLiteral("repeaters.csv"));
    connect(dialog, &QFileDialog::fileSelected, this, [this, dialog, json](const QString& chosen) {
        // The name's extension decides; a name without either takes the chosen filter's.
        QString path = chosen;
        const QString suffix = QFileInfo(path).suffix().toLower();
        bool asJson = suffix == QStringLiteral("json");
        if (!asJson && suffix != QStringLiteral("csv")) {
            asJson = dialog->selectedNameFilter() == json;
            path += asJson ? QStringLiteral(".json") : QStringLiteral(".csv");
        }
        ExportListTo(path, asJson ? DeviceListFormat::kJson : DeviceListFormat::kCsv);
    });
    dialog->open();
}

bool CSearchDlg::ExportListTo(const QString& path, DeviceListFormat format) {
    const std::string bytes = ExportDeviceList(m_devices, format);
    // Written beside the target and renamed over it: a reader never sees half a list,
    // and a failed write leaves an older file as it was.
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                             static_cast<qint64>(bytes.size()) &&
                         file.commit();
    if (!written) {
        ShowNotice(this, FormatString(kTextExportFailed,
                                      {path.toStdWString(), file.errorString().toStdWString()}));
    }
    return written;
}

QMenu* CSearchDlg::ShowDeviceMenu(QPoint globalPos) {
    if (m_menu != nullptr) {
        m_menu->close();
    }
    const bool selected = SelectedDevice() != nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* open =
        menu->addAction(Text(kTextOpenWebPage), this, [this] { OpenSelectedWebPage(); });
    open->setShortcut(QKeySequence::Open);
    open->setEnabled(selected);
    QAction* copy = menu->addAction(Text(kTextCopy), this, [this] { CopySelectedDevice(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(selected);
    menu->addAction(Text(kTextExportList), this, [this] { ExportList(); })
        ->setEnabled(!m_devices.empty());
    menu->addSeparator();
    menu->addAction(Text(kTextConnect), this, [this] { ConnectSelectedDevice(); })
        ->setEnabled(selected && m_connect->isEnabled());
    m_menu = menu;
    menu->popup(globalPos);
    return menu;
}

void CSearchDlg::SetStatus(const std::wstring& text) {
    m_strStatus = text;
    m_result->SetWindowText(text);
    update(m_labelRect);
}

void CSearchDlg::SetNote(const std::wstring& text) {
    m_note->SetWindowText(text);
    update(m_note->geometry());
}

void CSearchDlg::UpdateButtons() {
    m_scan->setEnabled(!m_searching);
    m_searchAddress->setEnabled(!m_searching);
    m_connect->setEnabled(!m_searching && m_list->SelectedRow() >= 0);
}
