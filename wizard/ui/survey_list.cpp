#include "wizard/ui/survey_list.h"

#include <QHeaderView>

#include "controls/skin_images.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

// The row picture; the list shows no picture, it only gives the rows their height.
constexpr int kRowImageId = 250;
constexpr int kDefaultRowHeight = 20;

// The column titles. The list shows no header (the page picture carries the captions);
// the titles name the columns for accessibility tools.
QString ColumnTitle(int column) {
    switch (column) {
        case CSurveyList::kBssid:
            return QString::fromStdWString(LoadString(kTextColumnBssid));
        case CSurveyList::kSsid:
            return QString::fromStdWString(LoadString(kTextColumnSsid));
        case CSurveyList::kChannel:
            return QString::fromStdWString(LoadString(kTextColumnChannel));
        case CSurveyList::kEncrypt:
            return QString::fromStdWString(LoadString(kTextColumnEncrypt));
        case CSurveyList::kSignal:
            return QString::fromStdWString(LoadString(kTextColumnSignal));
        case CSurveyList::kMode:
            return QString::fromStdWString(LoadString(kTextColumnMode));
        default:
            return QStringLiteral("VALUE");
    }
}

}  // namespace

CSurveyList::CSurveyList(QWidget* parent) : QTableWidget(0, kColumnCount, parent) {
    QStringList titles;
    for (int column = 0; column < kColumnCount; ++column) {
        titles << ColumnTitle(column);
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
    const QSize rowImage = SkinImageSize(kRowImageId);
    const int rowHeight = rowImage.isValid() ? rowImage.height() : kDefaultRowHeight;
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    for (const int column : {kBssid, kChannel, kMode, kValue}) {
        setColumnHidden(column, true);
    }
    SizeColumns();
}

void CSurveyList::SizeColumns() {
    setColumnWidth(kSsid, static_cast<int>(width() * kSsidShare));
    setColumnWidth(kEncrypt, static_cast<int>(width() * kEncryptShare));
    setColumnWidth(kSignal, static_cast<int>(width() * kSignalShare));
}

void CSurveyList::AddNetwork(const SurveyNetwork& network) {
    const int row = rowCount();
    insertRow(row);
    const std::wstring* texts[kColumnCount] = {
        &network.bssid,  &network.ssid, &network.channel, &network.securityText,
        &network.signal, &network.mode, &network.keyword};
    for (int column = 0; column < kColumnCount; ++column) {
        auto* cell = new QTableWidgetItem(QString::fromStdWString(*texts[column]));
        // Every column of the list is right-aligned, the signal's digits line up.
        cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setItem(row, column, cell);
    }
}

std::wstring CSurveyList::Text(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text().toStdWString() : std::wstring();
}

int CSurveyList::SelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void CSurveyList::SelectRow(int row) {
    setCurrentCell(row, kSsid, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setFocus(Qt::OtherFocusReason);
}
