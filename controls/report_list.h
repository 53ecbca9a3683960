#pragma once

#include <QStringList>
#include <QTableWidget>

#include <initializer_list>
#include <string>

// A list of records in the style of the pages: one row per record, no header, grid
// lines, whole rows selected, one at a time, every row as high as the page's row picture
// (the picture itself is not shown). Hidden columns carry the rest of a record to the
// page's actions. The column titles are not shown either; they name the columns for
// accessibility tools.
class CReportList : public QTableWidget {
    Q_OBJECT

public:
    // The row's text in `column`; empty outside the list.
    std::wstring Text(int row, int column) const;

    // The first selected row, or -1.
    int SelectedRow() const;
    // Selects `row` alone and makes it the current, focused row.
    void SelectRow(int row);

protected:
    // `rowImageId` is the skin picture that sets the row height (`defaultRowHeight` when
    // it is missing); `focusColumn` the visible column a selected row is focused in.
    CReportList(const QStringList& titles, std::initializer_list<int> hiddenColumns, int rowImageId,
                int defaultRowHeight, int focusColumn, QWidget* parent);

    // Appends a row with the given cell texts, in column order.
    void AppendRow(const QStringList& cells,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

private:
    int m_focusColumn;
};
