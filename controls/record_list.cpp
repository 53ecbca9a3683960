#include "controls/record_list.h"

#include <QHeaderView>

#include "controls/skin_images.h"

namespace {

int ShownCount(const std::vector<RecordList::Column>& columns) {
    int shown = 0;
    for (const RecordList::Column& column : columns) {
        shown += column.shown ? 1 : 0;
    }
    return shown;
}

}  // namespace

RecordList::RecordList(const std::vector<Column>& columns, int rowImageId, int defaultRowHeight,
                       int focusColumn, QWidget* parent)
    : QTableWidget(0, ShownCount(columns), parent), m_focusColumn(focusColumn) {
    QStringList titles;
    for (const Column& column : columns) {
        m_tableColumns.push_back(column.shown ? static_cast<int>(titles.size()) : -1);
        if (column.shown) {
            titles << column.title;
        }
    }
    setHorizontalHeaderLabels(titles);
    horizontalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QSize rowImage = SkinImageSize(rowImageId);
    const int rowHeight = rowImage.isValid() ? rowImage.height() : defaultRowHeight;
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    // However rows go (setRowCount, removeRow, clear), their records go with them.
    connect(model(), &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                m_records.erase(m_records.begin() + first, m_records.begin() + last + 1);
            });
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                m_records.insert(m_records.begin() + first, static_cast<size_t>(last - first + 1),
                                 QStringList());
            });
    connect(model(), &QAbstractItemModel::modelReset, this,
            [this] { m_records.assign(static_cast<size_t>(rowCount()), QStringList()); });
}

// The table empties its model as it goes, after the records have gone.
RecordList::~RecordList() {
    disconnect(model(), nullptr, this, nullptr);
}

int RecordList::TableColumn(int column) const {
    return column >= 0 && column < static_cast<int>(m_tableColumns.size())
               ? m_tableColumns[static_cast<size_t>(column)]
               : -1;
}

void RecordList::AppendRow(const QStringList& cells, Qt::Alignment alignment) {
    const int row = rowCount();
    insertRow(row);
    m_records[static_cast<size_t>(row)] = cells;
    for (int column = 0; column < cells.size(); ++column) {
        const int tableColumn = TableColumn(column);
        if (tableColumn < 0) {
            continue;
        }
        auto* cell = new QTableWidgetItem(cells[column]);
        cell->setTextAlignment(alignment);
        setItem(row, tableColumn, cell);
    }
}

std::wstring RecordList::Text(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(m_records.size())) {
        return {};
    }
    const QStringList& record = m_records[static_cast<size_t>(row)];
    return column >= 0 && column < record.size() ? record[column].toStdWString() : std::wstring();
}

int RecordList::SelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void RecordList::SelectRow(int row) {
    setCurrentCell(row, TableColumn(m_focusColumn),
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setFocus(Qt::OtherFocusReason);
}
