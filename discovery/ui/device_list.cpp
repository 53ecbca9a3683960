#include "discovery/ui/device_list.h"

#include <QHeaderView>

#include "controls/skin_images.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowImageId = 249;
constexpr int kDefaultRowHeight = 35;
constexpr double kMacShare = 0.55;
constexpr double kIpShare = 0.42;

// Column titles by string id (the list shows no header; the titles name the columns for
// accessibility tools).
constexpr int kTitleIds[CDeviceList::kColumnCount] = {114, 116, 115, 4303, 4304, 4305};

}  // namespace

CDeviceList::CDeviceList(QWidget* parent) : QTableWidget(0, kColumnCount, parent) {
    QStringList titles;
    for (const int id : kTitleIds) {
        titles << QString::fromStdWString(LoadString(id));
    }
    setHorizontalHeaderLabels(titles);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The row picture sets the row height.
    const QSize rowImage = SkinImageSize(kRowImageId);
    const int rowHeight = rowImage.isValid() ? rowImage.height() : kDefaultRowHeight;
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setHighlightSections(false);
    for (const int column : {kModel, kSubnet, kUserName, kPassword}) {
        setColumnHidden(column, true);
    }
    SizeColumns();
}

void CDeviceList::SizeColumns() {
    setColumnWidth(kMac, static_cast<int>(width() * kMacShare));
    setColumnWidth(kIp, static_cast<int>(width() * kIpShare));
}

void CDeviceList::AddDevice(const _STRU_AP_INFO& device) {
    const int row = rowCount();
    insertRow(row);
    const std::wstring* texts[kColumnCount] = {&device.strDevModel,    &device.strDevMAC,
                                               &device.strDevIP,       &device.strDevSubnet,
                                               &device.strDevUserName, &device.strDevPassword};
    for (int column = 0; column < kColumnCount; ++column) {
        setItem(row, column, new QTableWidgetItem(QString::fromStdWString(*texts[column])));
    }
}

std::wstring CDeviceList::Text(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text().toStdWString() : std::wstring();
}

int CDeviceList::SelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void CDeviceList::SelectRow(int row) {
    setCurrentCell(row, kMac, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setFocus(Qt::OtherFocusReason);
}
