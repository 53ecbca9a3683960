#include "discovery/ui/device_list_actions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QSaveFile>

#include <optional>

#include "discovery/ui/device_list.h"
#include "discovery/ui/search_host.h"
#include "discovery/ui/search_note.h"
#include "platform/ipv4.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/notice_box.h"
#include "window/skinned_page.h"
#include "window/web_page_opener.h"

namespace {

bool IsMenuKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Menu ||
           (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

// Whether the PC has an address in the subnet of `device`, through which a browser
// reaches it without help.
bool InSubnetOfAnAdapter(Ipv4 device, const std::vector<AdapterInfo>& adapters) {
    for (const AdapterInfo& adapter : adapters) {
        for (const AdapterAddress& address : adapter.addresses) {
            if (address.mask != 0 && SameSubnet(device, address.address, address.mask)) {
                return true;
            }
        }
    }
    return false;
}

QString Text(int stringId) {
    return SkinnedPage::Text(stringId);
}

}  // namespace

DeviceListActions::DeviceListActions(DeviceList& list, const std::vector<FoundDevice>& devices,
                                     QAbstractButton& connect, SearchNote& note, ISearchHost& host,
                                     QWidget* page)
    : QObject(page),
      m_list(list),
      m_devices(devices),
      m_connect(connect),
      m_note(note),
      m_host(host),
      m_page(page),
      m_opener(new WebPageOpener(page)) {
    m_list.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&m_list, &QWidget::customContextMenuRequested, this,
                     [this](QPoint pos) { ShowMenu(m_list.viewport()->mapToGlobal(pos)); });
    m_list.installEventFilter(this);
}

bool DeviceListActions::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_list || event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
        CopySelectedDevice();
    } else if (key->matches(QKeySequence::Open)) {
        OpenSelectedWebPage();
    } else if (IsMenuKey(*key)) {
        const int row = m_list.SelectedRow();
        const QRect cell = row >= 0 ? m_list.visualItemRect(m_list.item(row, 0)) : QRect();
        ShowMenu(m_list.viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(0, 0)));
    } else {
        return false;
    }
    return true;  // the list's own Copy would copy one cell only
}

const FoundDevice* DeviceListActions::SelectedDevice() const {
    const int row = m_list.SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= m_devices.size()) {
        return nullptr;
    }
    return &m_devices[static_cast<size_t>(row)];
}

void DeviceListActions::CopySelectedDevice() {
    if (const FoundDevice* device = SelectedDevice()) {
        QApplication::clipboard()->setText(QString::fromStdWString(DeviceRowText(*device)));
    }
}

void DeviceListActions::OpenSelectedWebPage() {
    const FoundDevice* device = SelectedDevice();
    if (device == nullptr) {
        return;
    }
    const std::optional<Ipv4> address = ParseIpv4(device->ip);
    if (!address) {
        return;
    }
    const std::optional<HostAddressContext> temporary = m_host.TempAddressFor(*address);
    if (!m_opener->Open(*address, temporary) || temporary) {
        return;
    }
    const std::optional<std::vector<AdapterInfo>> adapters = m_host.ReadAdapters();
    if (adapters && !InSubnetOfAnAdapter(*address, *adapters)) {
        m_note.Show(FormatString(kTextWebPageOtherSubnet, {FormatIpv4(*address)}));
    }
}

void DeviceListActions::ExportList() {
    if (m_devices.empty()) {
        return;
    }
    const QString csv = Text(kTextExportCsvFilter);
    const QString json = Text(kTextExportJsonFilter);
    auto* dialog = new QFileDialog(m_page, Text(kTextExportTitle));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({csv, json});
    dialog->selectFile(QStringLiteral("repeaters.csv"));
    QObject::connect(
        dialog, &QFileDialog::fileSelected, this, [this, dialog, json](const QString& chosen) {
            // The name's extension decides; a name without either takes the
            // chosen filter's.
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

bool DeviceListActions::ExportListTo(const QString& path, DeviceListFormat format) {
    const std::string bytes = ExportDeviceList(m_devices, format);
    // Written beside the target and renamed over it: a reader never sees half a list,
    // and a failed write leaves an older file as it was.
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                             static_cast<qint64>(bytes.size()) &&
                         file.commit();
    if (!written) {
        ShowNotice(m_page, FormatString(kTextExportFailed,
                                        {path.toStdWString(), file.errorString().toStdWString()}));
    }
    return written;
}

QMenu* DeviceListActions::ShowMenu(QPoint globalPos) {
    if (m_menu != nullptr) {
        m_menu->close();
    }
    const bool selected = SelectedDevice() != nullptr;
    auto* menu = new QMenu(m_page);
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
    menu->addAction(Text(kTextConnect), this, [this] { m_connect.click(); })
        ->setEnabled(selected && m_connect.isEnabled());
    m_menu = menu;
    menu->popup(globalPos);
    return menu;
}
