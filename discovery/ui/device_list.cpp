#include "discovery/ui/device_list.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowImageId = 249;
constexpr int kDefaultRowHeight = 35;
constexpr double kMacShare = 0.55;
constexpr double kIpShare = 0.42;

QStringList ColumnTitles() {
    QStringList titles;
    for (const int id : {kTextModel, kTextMacAddress, kTextIpAddress, kTextColumnSubnetMask,
                         kTextColumnUserName, kTextColumnPassword}) {
        titles << QString::fromStdWString(LoadString(id));
    }
    return titles;
}

}  // namespace

CDeviceList::CDeviceList(QWidget* parent)
    : CReportList(ColumnTitles(), {kModel, kSubnet, kUserName, kPassword}, kRowImageId,
                  kDefaultRowHeight, kMac, parent) {
    SizeColumns();
}

void CDeviceList::SizeColumns() {
    setColumnWidth(kMac, static_cast<int>(width() * kMacShare));
    setColumnWidth(kIp, static_cast<int>(width() * kIpShare));
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
