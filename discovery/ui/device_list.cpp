#include "discovery/ui/device_list.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowImageId = 249;
constexpr int kDefaultRowHeight = 35;
constexpr double kMacShare = 0.55;
constexpr double kIpShare = 0.42;

std::vector<CReportList::Column> Columns() {
    return {{QString::fromStdWString(LoadString(kTextMacAddress)), true},
            {QString::fromStdWString(LoadString(kTextIpAddress)), true}};
}

}  // namespace

CDeviceList::CDeviceList(QWidget* parent)
    : CReportList(Columns(), kRowImageId, kDefaultRowHeight, kMac, parent) {
    SizeColumns();
}

void CDeviceList::SizeColumns() {
    setColumnWidth(TableColumn(kMac), static_cast<int>(width() * kMacShare));
    setColumnWidth(TableColumn(kIp), static_cast<int>(width() * kIpShare));
}

void CDeviceList::AddDevice(const _STRU_AP_INFO& device) {
    AppendRow(
        {QString::fromStdWString(device.strDevMAC), QString::fromStdWString(device.strDevIP)});
}
