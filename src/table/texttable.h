#pragma once

#include "table/rowkeepingmodel.h"
#include "table/textrows.h"

#include <QStringList>

// The model behind the table: TextRows, shown in the arranged order. Rows start in the order they
// were added; sort() arranges them by a column's text, ignoring case, texts that differ only in
// case keeping the order they had. The arrangement stays when the rows are replaced. Every row
// number of the model is an arranged row; storedRow() gives the row of rows() it shows.
class TextTable : public RowKeepingModel
{
    Q_OBJECT

public:
    // One column for each of `columnTitles`, the header's texts from left to right.
    explicit TextTable(QStringList columnTitles, QObject *parent = nullptr);

    // Shows `replacement`, which has a column for each title, arranged as the table is.
    void setRows(TextRows replacement);
    // Adds `more` after the rows there are, arranged as the table is, in one step (a reset, not
    // a row insertion per row: a listing can hold many thousands).
    void appendRows(TextRows more);
    const TextRows &rows() const { return content; }
    // The row of rows() at arranged `row`; -1 when `row` is not a row of the table.
    qsizetype storedRow(int row) const;

    // As the table was last sorted; -1 while it shows the rows in the order they were added.
    int sortColumn() const { return arrangedBy; }
    Qt::SortOrder sortOrder() const { return direction; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // Each cell's text, for the display and edit roles.
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Arranges the rows by `column` (out of range: in the order they were added); the selection,
    // as every persistent index, follows its row.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void arrange();

    QStringList titles;
    TextRows content;
    QList<int> order; // the stored row of each arranged row; empty while they are the same
    int arrangedBy = -1;
    Qt::SortOrder direction = Qt::AscendingOrder;
};
