#include "discovery/ui/device_list.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowImageId = 249;
constexpr int kDefaultRowHeight = 35;
constexpr double kMacShare = 0.55;
constexpr double kIpShare = 0.42;

std::vector<RecordList::Column> Columns() {
    return {{QString::fromStdWString(LoadString(kTextMacAddress)), true},
            {QString::fromStdWString(LoadString(kTextIpAddress)), true}};
}

}  // namespace

DeviceList::DeviceList(QWidget* parent)
    : RecordList(Columns(), kRowImageId, kDefaultRowHeight, kMac, parent) {
    SizeColumns();
}

void DeviceList::SizeColumns() {
    setColumnWidth(TableColumn(kMac), static_cast<int>(width() * kMacShare));
    setColumnWidth(TableColumn(kIp), static_cast<int>(width() * kIpShare));
}

void DeviceList::AddDevice(const FoundDevice& device) {
    AppendRow({QString::fromStdWString(device.mac), QString::fromStdWString(device.ip)});
}
