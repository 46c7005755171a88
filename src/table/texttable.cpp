#include "table/texttable.h"

#include "table/caselessorder.h"

TextTable::TextTable(QStringList columnTitles, QObject *parent)
    : RowKeepingModel(parent)
    , titles(std::move(columnTitles))
    , content(static_cast<int>(titles.size()))
{}

void TextTable::setRows(TextRows replacement)
{
    beginResetModel();
    content = std::move(replacement);
    order.clear();
    arrange();
    endResetModel();
}

void TextTable::appendRows(TextRows more)
{
    if (more.isEmpty())
        return;
    if (content.isEmpty()) {
        setRows(std::move(more));
        return;
    }
    TextRows all = content;
    all.append(more);
    setRows(std::move(all));
}

qsizetype TextTable::storedRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return order.isEmpty() ? row : order.at(row);
}

int TextTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(content.rowCount());
}

int TextTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : content.columnCount();
}

QVariant TextTable::data(const QModelIndex &index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::EditRole) ||
        !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return content.text(storedRow(index.row()), index.column());
}

QVariant TextTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < titles.size())
        return titles.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TextTable::sort(int column, Qt::SortOrder sortOrder)
{
    // The table keeps itself arranged, so this order is the one it has (the view asks twice for
    // each click on the header).
    if (column == arrangedBy && sortOrder == direction)
        return;
    keepingRows(
        [&] {
            arrangedBy = column;
            direction = sortOrder;
            arrange();
        },
        [this](int row) { return storedRow(row); }, content.rowCount());
}

void TextTable::arrange()
{
    // The order they were added in needs no list of its own.
    const bool byColumn = arrangedBy >= 0 && arrangedBy < content.columnCount();
    if (!byColumn && direction == Qt::AscendingOrder) {
        order.clear();
        return;
    }
    order = arranged(content, arrangedBy, direction, std::move(order));
}
