#include "controls/report_list.h"

#include <QHeaderView>

#include "controls/skin_images.h"

CReportList::CReportList(const QStringList& titles, std::initializer_list<int> hiddenColumns,
                         int rowImageId, int defaultRowHeight, int focusColumn, QWidget* parent)
    : QTableWidget(0, static_cast<int>(titles.size()), parent), m_focusColumn(focusColumn) {
    setHorizontalHeaderLabels(titles);
    horizontalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QSize rowImage = SkinImageSize(rowImageId);
    const int rowHeight = rowImage.isValid() ? rowImage.height() : defaultRowHeight;
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    for (const int column : hiddenColumns) {
        setColumnHidden(column, true);
    }
}

void CReportList::AppendRow(const QStringList& cells, Qt::Alignment alignment) {
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < cells.size() && column < columnCount(); ++column) {
        auto* cell = new QTableWidgetItem(cells[column]);
        cell->setTextAlignment(alignment);
        setItem(row, column, cell);
    }
}

std::wstring CReportList::Text(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text().toStdWString() : std::wstring();
}

int CReportList::SelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void CReportList::SelectRow(int row) {
    setCurrentCell(row, m_focusColumn,
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setFocus(Qt::OtherFocusReason);
}
