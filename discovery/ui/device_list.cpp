#include "discovery/ui/device_list.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowImageId = 249;
constexpr int kDefaultRowHeight = 35;
constexpr double kMacShare = 0.55;
constexpr double kIpShare = 0.42;

// Only the MAC and the IP address show; the model, the subnet mask and the device's web
// login go to Connect alone.
std::vector<CReportList::Column> Columns() {
    std::vector<CReportList::Column> columns;
    for (const auto& [titleId, shown] :
         {std::pair(kTextModel, false), std::pair(kTextMacAddress, true),
          std::pair(kTextIpAddress, true), std::pair(kTextColumnSubnetMask, false),
          std::pair(kTextColumnUserName, false), std::pair(kTextColumnPassword, false)}) {
        columns.push_back({QString::fromStdWString(LoadString(titleId)), shown});
    }
    return columns;
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
    QStringList cells;
    for (const std::wstring* text :
         {&device.strDevModel, &device.strDevMAC, &device.strDevIP, &device.strDevSubnet,
          &device.strDevUserName, &device.strDevPassword}) {
        cells << QString::fromStdWString(*text);
    }
    AppendRow(cells);
}
