#pragma once

#include <QStringList>
#include <QTableWidget>

#include <string>
#include <vector>

// A list of records in the style of the pages: one row per record, no header, grid
// lines, whole rows selected, one at a time, every row as high as the page's row picture
// (the picture itself is not shown).
//
// Only the columns the user sees are columns of the table. The others (a device's login,
// a network's channel) are kept beside it for the page's actions: neither a screen reader
// nor any other program that reads the table through assistive technology sees them.
// The column titles are not shown either; they name the columns for assistive
// technology, which reads the rows cell by cell. The arrow keys move the selection; Tab
// leaves the list.
class RecordList : public QTableWidget {
    Q_OBJECT

public:
    struct Column {
        QString title;
        bool shown;
    };

    ~RecordList() override;

    // The row's text in `column` (a record column, shown or not); empty outside the list.
    std::wstring Text(int row, int column) const;
    // The table column that shows record column `column`; -1 for one not shown.
    int TableColumn(int column) const;

    // The first selected row, or -1.
    int SelectedRow() const;
    // Selects `row` alone and makes it the current, focused row.
    void SelectRow(int row);

protected:
    // `columns` are the record's columns in order; `rowImageId` is the skin picture that
    // sets the row height (`defaultRowHeight` when it is missing); `focusColumn` the
    // record column a selected row is focused in (one that is shown).
    RecordList(const std::vector<Column>& columns, int rowImageId, int defaultRowHeight,
               int focusColumn, QWidget* parent);

    // Appends a row with the given texts, one per record column, in order.
    void AppendRow(const QStringList& cells,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

private:
    std::vector<int> m_tableColumns;  // per record column: its table column, or -1
    int m_focusColumn;
    // Every row's record, in the table's row order; kept in step when rows go.
    std::vector<QStringList> m_records;
};
